#include "remote/ScpiFormat.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

std::string Nr3(std::optional<double> value) {
  const double v = value && std::isfinite(*value) ? *value : kScpiNoValue;
  char text[40];
  std::snprintf(text, sizeof text, "%+.14E", v);
  return text;
}

std::string QuotedString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    // A reply is one line of 7-bit printable text: what a client sent may be echoed in an
    // error's text, and a control byte or a LF there would end or corrupt the reply.
    out += c >= ' ' && c <= '~' ? c : '?';
    if (c == '"') out += '"';
  }
  return out + "\"";
}

namespace {

std::size_t Digits(std::string_view text, std::size_t at) {
  std::size_t n = 0;
  while (at + n < text.size() && std::isdigit(static_cast<unsigned char>(text[at + n]))) ++n;
  return n;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
  return true;
}

}  // namespace

std::optional<double> ParseDecimal(std::string_view text, bool allowSuffix) {
  std::size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  const std::size_t whole = Digits(text, at);
  at += whole;
  std::size_t fraction = 0;
  if (at < text.size() && text[at] == '.') {
    fraction = Digits(text, at + 1);
    at += 1 + fraction;
  }
  if (whole + fraction == 0) return std::nullopt;
  if (at < text.size() && (text[at] == 'E' || text[at] == 'e')) {
    std::size_t e = at + 1;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
    const std::size_t exponent = Digits(text, e);
    if (exponent == 0) return std::nullopt;
    at = e + exponent;
  }
  // from_chars takes no leading '+'.
  const std::size_t from = text[0] == '+' ? 1 : 0;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data() + from, text.data() + at, value);
  if (error != std::errc() || end != text.data() + at || !std::isfinite(value)) return std::nullopt;

  std::string_view suffix = text.substr(at);
  while (!suffix.empty() && (suffix.front() == ' ' || suffix.front() == '\t')) suffix.remove_prefix(1);
  if (suffix.empty()) return value;
  if (!allowSuffix) return std::nullopt;
  static constexpr struct {
    const char* Name;
    double Scale;
  } kSuffixes[] = {{"S", 1}, {"MS", 1e-3}, {"US", 1e-6}, {"NS", 1e-9}};
  for (const auto& s : kSuffixes)
    if (EqualsNoCase(suffix, s.Name)) return value * s.Scale;
  return std::nullopt;
}
