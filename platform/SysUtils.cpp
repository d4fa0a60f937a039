#include "platform/SysUtils.h"

#include <cstdint>
#include <limits>

Exception::Exception(std::string message, int helpContext)
    : FMessage(std::move(message)), FHelpContext(helpContext) {}

EInOutError::EInOutError(std::string message, int errorCode)
    : Exception(std::move(message)), ErrorCode(errorCode) {}

EOutOfMemory::EOutOfMemory() : Exception("Out of memory") {}

int StrToInt(const std::string& text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::int64_t limit =
      negative ? -static_cast<std::int64_t>(std::numeric_limits<int>::min()) : std::numeric_limits<int>::max();
  std::int64_t value = 0;
  const std::size_t firstDigit = i;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > limit) break;  // stops before the 64-bit value could overflow
  }
  if (i == firstDigit || i != text.size()) {
    throw EConvertError("'" + text + "' is not a valid integer value");
  }
  return static_cast<int>(negative ? -value : value);
}

std::string ExceptionMessage(const std::exception& e) {
  if (const auto* ours = dynamic_cast<const Exception*>(&e)) return ours->Message();
  return e.what();
}
