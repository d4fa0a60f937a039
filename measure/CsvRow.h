// The row a measurement becomes: its columns, their values as text, and the CSV record
// (RFC 4180) that carries them.  Every output of measurements (the CSV file, a published
// message) takes its fields from RowValues, so they cannot drift apart.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "measure/Measurement.h"

enum TColumnKind : std::uint8_t { ckText, ckNumber };  // a number column's empty value means none

struct TRowColumn {
  const char* Name;
  TColumnKind Kind;
};

// The first nine columns are those of every earlier recording, in the same order and form;
// what the measurement stream adds comes after them.
constexpr std::size_t kRowColumnCount = 13;
constexpr std::size_t kNineColumns = 9;
inline constexpr std::array<TRowColumn, kRowColumnCount> kRowColumns{{
    {"timestamp", ckText},   // local time, ISO 8601 with milliseconds and UTC offset
    {"elapsed_s", ckNumber}, // seconds since the recording began (monotonic), 3 decimals
    {"reading", ckText},     // the reading as shown, blanks trimmed ("Error" included)
    {"value", ckNumber},     // the displayed number as a plain decimal
    {"unit", ckText},        // kHz, ms, µs or empty
    {"si_value", ckNumber},  // value in Hz or s, %.12g
    {"mode", ckText},        // F, T, A/B, t, test or empty
    {"gate_ms", ckNumber},   // averaging / count time
    {"status", ckNumber},    // the last status byte
    {"flags", ckText},       // why the reading is not a trusted measurement: held, overflow,
                             // error (FlagText); empty for a trusted one
    {"segment", ckNumber},   // the segment of the measurement (1, 2, ...): no gap inside one
    {"segment_start", ckText},  // on a segment's first row, why it began (SegmentCauseText)
    {"new_measurement", ckNumber},  // 1 on the first frame of a gate's result, else 0
}};

using TRowValues = std::array<std::string, kRowColumnCount>;

// The fields of a measurement's row; elapsed_s counts from recordingStartNs (monotonic).
TRowValues RowValues(const TMeasurement& m, std::int64_t recordingStartNs);

// One CSV record: fields joined by commas, a field quoted when it holds a comma, a quote, CR or
// LF (its quotes doubled), the record ended by CRLF.
std::string CsvRecord(std::span<const std::string> fields);
// The header record: the column names; and that of recordings made before the flags and
// segments, the first nine.
const std::string& CsvHeader();
const std::string& NineColumnCsvHeader();
