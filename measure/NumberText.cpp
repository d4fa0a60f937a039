#include "measure/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

std::string ShortestText(double value) {
  char text[40];
  if (!std::isfinite(value) || value == 0) {
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
  }
  // The shortest digits that read back, as d.ddde+x; laid out without the exponent where that
  // reads better (1e+07 is 10000000) and is not much longer.
  const auto sci = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
  const std::string s(text, sci.ptr);
  const std::size_t e = s.find('e');
  const int exponent = std::atoi(s.c_str() + e + 1);
  if (exponent < -5 || exponent > 16) return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
  const bool negative = s[0] == '-';
  std::string digits;
  for (std::size_t i = negative ? 1 : 0; i < e; ++i)
    if (s[i] != '.') digits += s[i];
  std::string out = negative ? "-" : "";
  const int point = exponent + 1;  // digits before the decimal point
  if (point <= 0) {
    out += "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
  } else if (static_cast<std::size_t>(point) >= digits.size()) {
    out += digits + std::string(static_cast<std::size_t>(point) - digits.size(), '0');
  } else {
    out += digits.substr(0, static_cast<std::size_t>(point)) + "." + digits.substr(static_cast<std::size_t>(point));
  }
  return out;
}

std::string SignificantText(double value, int digits) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*g", digits, value);
  return text;
}
