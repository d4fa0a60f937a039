#include "common/SioExcept.h"

#include <cstdint>
#include <cstdlib>

#include "platform/SysErrors.h"
#include "common/SioStrRes.h"

namespace {

constexpr std::size_t kMaxErrorText = 255;

// Cuts to at most `limit` bytes without splitting a UTF-8 sequence.
void CutText(std::string& text, std::size_t limit) {
  if (text.size() <= limit) return;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
}

// System texts end in a line break and may hold others; a message is one line.
std::string CleanSystemText(std::string text) {
  CutText(text, kMaxErrorText);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 32) c = ' ';
    if (c == ' ' && !out.empty() && out.back() == ' ') continue;
    out.push_back(c);
  }
  return out;
}

template <class E>
[[noreturn]] void RaiseAs(int code) {
  throw E(code);
}

struct TClassCodes {
  int Codes[4];
  void (*Raise)(int code);
};

#define SIO_CLASS_CODES(Class, Base, ...) {{__VA_ARGS__}, &RaiseAs<Class>},
constexpr TClassCodes kClassCodes[] = {SIO_EXCEPTION_CLASSES(SIO_CLASS_CODES)};
#undef SIO_CLASS_CODES

}  // namespace

ESioException::ESioException(int code) : Exception(ErrorText(code)), ErrorCode(code) {}

ESioException::ESioException(const std::string& message) : Exception(message), ErrorCode(0) {}

std::string ErrorText(int code) {
  const int id = std::abs(static_cast<int>(static_cast<std::int16_t>(code)));
  std::string text = ErrorStrings().GetString(static_cast<std::uint32_t>(id));
  CutText(text, kMaxErrorText);
  if (!text.empty()) return text;
  return CleanSystemText(SystemErrorText(id));
}

int CheckErrorCode(const TComponent* component, int code) {
  if (code >= 0 || (component != nullptr && component->IsLoading())) return code;
  for (const auto& entry : kClassCodes) {
    for (const int listed : entry.Codes) {
      if (listed == code) entry.Raise(code);
    }
  }
  if (code >= -162 && code <= -2) {
    const std::string message = ErrorText(code);
    if (code == ecOutOfMemory) throw EOutOfMemory();
    throw EInOutError(message, -code);
  }
  throw ESioException("Sio exception");
}
