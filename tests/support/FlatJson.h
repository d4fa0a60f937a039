// Reads back a flat JSON object ({"name":value,...} with strings, numbers and null) as tests
// need to check what was published.  Strict: anything else, or trailing text, is a failure.
// Header-only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct TJsonField {
  enum TKind { jkString, jkNumber, jkNull } Kind = jkNull;
  std::string Name;
  std::string Text;  // the string's value, or the number as written
};

namespace flat_json_detail {

inline bool ReadString(const std::string& s, std::size_t& i, std::string& out) {
  if (i >= s.size() || s[i] != '"') return false;
  for (++i; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"') {
      ++i;
      return true;
    }
    if (static_cast<unsigned char>(c) < 0x20) return false;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++i >= s.size()) return false;
    switch (s[i]) {
      case '"': out += '"'; break;
      case '\\': out += '\\'; break;
      case '/': out += '/'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'u': {
        if (i + 4 >= s.size()) return false;
        const unsigned code = static_cast<unsigned>(std::stoul(s.substr(i + 1, 4), nullptr, 16));
        if (code >= 0x80) return false;  // enough for what is published here
        out += static_cast<char>(code);
        i += 4;
        break;
      }
      default: return false;
    }
  }
  return false;
}

}  // namespace flat_json_detail

inline std::optional<std::vector<TJsonField>> ParseFlatJson(const std::string& s) {
  using namespace flat_json_detail;
  std::vector<TJsonField> fields;
  std::size_t i = 0;
  if (s.empty() || s[i++] != '{') return std::nullopt;
  if (i < s.size() && s[i] == '}') return ++i == s.size() ? std::optional(fields) : std::nullopt;
  for (;;) {
    TJsonField f;
    if (!ReadString(s, i, f.Name) || i >= s.size() || s[i++] != ':') return std::nullopt;
    if (i < s.size() && s[i] == '"') {
      f.Kind = TJsonField::jkString;
      if (!ReadString(s, i, f.Text)) return std::nullopt;
    } else if (s.compare(i, 4, "null") == 0) {
      f.Kind = TJsonField::jkNull;
      i += 4;
    } else {
      f.Kind = TJsonField::jkNumber;
      const std::size_t end = s.find_first_of(",}", i);
      if (end == std::string::npos || end == i) return std::nullopt;
      f.Text = s.substr(i, end - i);
      i = end;
    }
    fields.push_back(std::move(f));
    if (i >= s.size()) return std::nullopt;
    const char c = s[i++];
    if (c == '}') return i == s.size() ? std::optional(fields) : std::nullopt;
    if (c != ',') return std::nullopt;
  }
}
