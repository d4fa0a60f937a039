#include "publish/ReadingJson.h"

#include <cstdio>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Advances `i` over one or more digits; false when there are none.
bool Digits(std::string_view text, std::size_t& i) {
  const std::size_t start = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  return i > start;
}

}  // namespace

bool IsJsonNumber(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && text[i] == '-') ++i;
  if (i < text.size() && text[i] == '0') {
    ++i;
  } else if (!Digits(text, i)) {
    return false;
  }
  if (i < text.size() && text[i] == '.' && !Digits(text, ++i)) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (!Digits(text, i)) return false;
  }
  return i == text.size();
}

std::string JsonString(std::string_view text) {
  std::string json = "\"";
  for (const char c : text) {
    switch (c) {
      case '"': json += "\\\""; break;
      case '\\': json += "\\\\"; break;
      case '\n': json += "\\n"; break;
      case '\r': json += "\\r"; break;
      case '\t': json += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          json += escape;
        } else {
          json += c;
        }
    }
  }
  return json + '"';
}

std::string ReadingJson(const TRowValues& row) {
  std::string json = "{";
  for (std::size_t i = 0; i < kRowColumnCount; ++i) {
    if (i > 0) json += ',';
    json += JsonString(kRowColumns[i].Name);
    json += ':';
    const std::string& value = row[i];
    if (value.empty()) {
      json += "null";
    } else if (kRowColumns[i].Kind == ckNumber && IsJsonNumber(value)) {
      json += value;
    } else {
      json += JsonString(value);
    }
  }
  return json + '}';
}
