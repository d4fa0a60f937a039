#include "remote/ScpiParser.h"

#include <cctype>
#include <cstring>

#include "remote/ScpiErrors.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsMnemonicChar(char c) { return IsLetter(c) || (c >= '0' && c <= '9') || c == '_'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

// Splits at `separator` outside quoted strings; false when a quote is left open.
bool SplitOutsideQuotes(std::string_view text, char separator, std::vector<std::string_view>& parts) {
  char quote = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;  // a doubled quote closes and opens again
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == separator) {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(text.substr(start));
  return quote == 0;
}

void Fail(TScpiUnit& unit, const std::string& info) {
  unit.Error = seSyntax;
  unit.ErrorInfo = info;
}

bool ParseString(std::string_view text, TScpiParam& param) {
  const char quote = text[0];
  param.Kind = pkString;
  for (std::size_t i = 1; i < text.size(); ++i) {
    if (text[i] != quote) {
      param.Text += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == quote) {
      param.Text += quote;
      ++i;
    } else {
      return i + 1 == text.size();
    }
  }
  return false;
}

bool ParseParam(std::string_view text, TScpiParam& param) {
  const char c = text[0];
  if (c == '"' || c == '\'') return ParseString(text, param);
  if (std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.') {
    // Digits, signs, point and exponent, then perhaps a suffix (letters); the handler reads
    // the value (remote/ScpiFormat.h).
    std::size_t at = 0;
    while (at < text.size() && std::strchr("0123456789+-.eE", text[at]) != nullptr) ++at;
    while (at < text.size() && IsBlank(text[at])) ++at;
    while (at < text.size() && IsLetter(text[at])) ++at;
    param.Kind = pkNumber;
    param.Text = std::string(text);
    return at == text.size();
  }
  if (!IsLetter(c)) return false;
  for (char ch : text)
    if (!IsMnemonicChar(ch)) return false;
  param.Kind = pkWord;
  param.Text = Upper(text);
  return true;
}

// The header: [:]MNEM[:MNEM]...[?] or *MNEM[?].  Returns where it ends, or npos after Fail.
std::size_t ParseHeader(std::string_view text, TScpiUnit& unit) {
  std::size_t at = 0;
  if (text[0] == '*') {
    unit.Common = true;
    at = 1;
  } else if (text[0] == ':') {
    unit.Rooted = true;
    at = 1;
  }
  for (;;) {
    const std::size_t start = at;
    while (at < text.size() && IsMnemonicChar(text[at])) ++at;
    const std::string_view mnemonic = text.substr(start, at - start);
    if (mnemonic.empty() || !IsLetter(mnemonic[0])) {
      Fail(unit, "bad header");
      return std::string_view::npos;
    }
    if (mnemonic.size() > kScpiMnemonicMax) {
      Fail(unit, "mnemonic too long");
      return std::string_view::npos;
    }
    unit.Header.push_back((unit.Common ? "*" : "") + Upper(mnemonic));
    if (at < text.size() && text[at] == ':' && !unit.Common) {
      ++at;
      continue;
    }
    break;
  }
  if (at < text.size() && text[at] == '?') {
    unit.Query = true;
    ++at;
  }
  if (at < text.size() && !IsBlank(text[at])) {
    Fail(unit, "bad header");
    return std::string_view::npos;
  }
  return at;
}

TScpiUnit ParseUnit(std::string_view text) {
  TScpiUnit unit;
  const std::size_t end = ParseHeader(text, unit);
  if (end == std::string_view::npos) return unit;
  const std::string_view rest = Trim(text.substr(end));
  if (rest.empty()) return unit;
  std::vector<std::string_view> params;
  SplitOutsideQuotes(rest, ',', params);
  for (std::string_view p : params) {
    p = Trim(p);
    TScpiParam param;
    if (p.empty() || !ParseParam(p, param)) {
      Fail(unit, p.empty() ? "empty parameter" : "bad parameter");
      unit.Params.clear();
      return unit;
    }
    unit.Params.push_back(std::move(param));
  }
  return unit;
}

}  // namespace

std::vector<TScpiUnit> ParseScpiLine(std::string_view line) {
  std::vector<TScpiUnit> units;
  std::vector<std::string_view> parts;
  if (!SplitOutsideQuotes(line, ';', parts)) {
    // An open quote swallows the rest of the line: nothing after it can be trusted.
    TScpiUnit unit;
    Fail(unit, "unterminated string");
    parts.pop_back();
    for (std::string_view p : parts)
      if (!Trim(p).empty()) units.push_back(ParseUnit(Trim(p)));
    units.push_back(std::move(unit));
    return units;
  }
  for (std::string_view p : parts) {
    p = Trim(p);
    if (!p.empty()) units.push_back(ParseUnit(p));
  }
  return units;
}
