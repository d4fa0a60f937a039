// How numbers and texts are written in replies, and how a numeric parameter is read.
//
// Replies are 7-bit ASCII, as IEEE 488.2 response data must be.  Plain functions: any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// What a query answers when there is no measurement (a blank or "Error" reading, none yet,
// none in time, a lost line).
inline constexpr double kScpiNoValue = 9.91e37;

// NR3 with 15 significant digits: "+1.00000000000000E+07".  No value (std::nullopt, NaN or an
// infinity) is kScpiNoValue: "+9.91000000000000E+37".
std::string Nr3(std::optional<double> value);
// A comma-separated list of Nr3 values.
template <typename Range>
std::string Nr3List(const Range& values) {
  std::string out;
  for (const auto& v : values) {
    if (!out.empty()) out += ',';
    out += Nr3(v);
  }
  return out;
}

// A string response: in double quotes, a quote inside doubled, a byte that is not printable
// 7-bit text as "?".
std::string QuotedString(std::string_view text);

// A decimal numeric parameter: [+|-]digits[.digits][E[+|-]digits], then, after optional
// blanks, an optional time suffix (S, MS, US, NS; any case) that scales it to seconds.
// `allowSuffix` false: a suffix makes it no number.  std::nullopt when it is no such number.
std::optional<double> ParseDecimal(std::string_view text, bool allowSuffix);
