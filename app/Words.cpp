#include "app/Words.h"

#include <vector>

std::string TWords::operator()(const char* source, std::initializer_list<std::string> args) const {
  const std::string text = FTranslate ? FTranslate(source) : std::string(source);
  const std::vector<std::string> values(args);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    const std::size_t n = next >= '1' && next <= '9' ? static_cast<std::size_t>(next - '1') : values.size();
    if (text[i] == '%' && n < values.size()) {
      out += values[n];
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}
