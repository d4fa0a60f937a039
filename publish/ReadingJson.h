// A measurement as the JSON object published to PREFIX/reading: the CSV row's fields
// (measure/CsvRow.h) under the column names, in the same order, e.g.
//
//   {"timestamp":"2026-12-07T10:15:02.123+01:00","elapsed_s":0.301,"reading":"10000.000",
//    "value":10000.000,"unit":"kHz","si_value":10000000,"mode":"F","gate_ms":1000,"status":132}
//
// A number column's text goes out as it stands, so a JSON number carries exactly the digits of
// the CSV (10000.000 keeps its resolution).  A field the CSV leaves empty (a blank reading,
// "Error", no unit or mode) is null, in a text column as in a number column.  A number column
// whose text is not a JSON number (the row functions never make one) goes out as a string
// rather than as something a parser would refuse.  Strings are UTF-8 ("µs"), escaped as JSON
// asks.  One line, no blanks.
#pragma once

#include <string>
#include <string_view>

#include "measure/CsvRow.h"

std::string ReadingJson(const TRowValues& row);

// Whether `text` is a number by the JSON grammar: -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
bool IsJsonNumber(std::string_view text);
// `text` as a JSON string, quotes included.
std::string JsonString(std::string_view text);
