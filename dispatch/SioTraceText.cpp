#include "dispatch/SioTraceText.h"

#include <sys/utsname.h>

#include <cerrno>
#include <cstdlib>

#include "platform/SysErrors.h"

namespace {

int PutHex(std::uint8_t value, char* out) noexcept {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out[0] = '[';
  out[1] = kDigits[value >> 4];
  out[2] = kDigits[value & 0x0F];
  out[3] = ']';
  return 4;
}

std::string FitTo(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

}  // namespace

int RenderTraceByte(std::uint8_t value, bool hex, bool allHex, char* out) noexcept {
  if (allHex) return PutHex(value, out);
  const std::uint8_t lowest = hex ? 0x21 : 0x20;
  if (value >= lowest && value <= 0x7E) {
    out[0] = static_cast<char>(value);
    return 1;
  }
  if (hex) return PutHex(value, out);
  int n = 0;
  out[n++] = '[';
  if (value >= 100) out[n++] = static_cast<char>('0' + value / 100);
  if (value >= 10) out[n++] = static_cast<char>('0' + value / 10 % 10);
  out[n++] = static_cast<char>('0' + value % 10);
  out[n++] = ']';
  return n;
}

TTraceTextFile::~TTraceTextFile() {
  if (FFile != nullptr) std::fclose(FFile);
}

int TTraceTextFile::Open(const std::string& fileName, bool append) {
  // "a" creates a missing file, so appending to a file that does not exist is a plain write.
  FFile = std::fopen(fileName.c_str(), append ? "ab" : "wb");
  if (FFile == nullptr) return -SystemErrorFromErrno(errno);
  std::setvbuf(FFile, FBuffer, _IOFBF, kBufferSize);
  return 0;
}

void TTraceTextFile::Fail(int err) {
  if (FError == 0) FError = SystemErrorFromErrno(err != 0 ? err : EIO);
}

void TTraceTextFile::Put(std::string_view text) {
  if (FFile == nullptr || text.empty()) return;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), FFile) != text.size()) Fail(errno);
}

int TTraceTextFile::Close() {
  if (FFile != nullptr) {
    errno = 0;
    if (std::fflush(FFile) != 0) Fail(errno);
    errno = 0;
    if (std::fclose(FFile) != 0) Fail(errno);
    FFile = nullptr;
  }
  return -FError;
}

std::string CompilerText() {
#if defined(__clang__)
  return FitTo("Clang " + std::to_string(__clang_major__), 8);
#elif defined(__GNUC__)
  return FitTo("GCC " + std::to_string(__GNUC__), 8);
#else
  return FitTo("Unknown", 8);
#endif
}

std::string PlatformText() {
  utsname names{};
  if (uname(&names) != 0) return "Unknown";
  // The release reads like "6.1.0-18-amd64": keep its major and minor numbers.
  char* rest = nullptr;
  const unsigned long major = std::strtoul(names.release, &rest, 10);
  unsigned long minor = 0;
  if (*rest == '.') minor = std::strtoul(rest + 1, nullptr, 10);
  std::string text = std::string(names.sysname) + " " + std::to_string(major) + "." +
                     std::to_string(minor) + " " + names.version;
  if (text.size() > 80) text.resize(80);
  return text;
}
