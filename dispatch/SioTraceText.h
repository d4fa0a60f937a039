// Text output shared by the trace and the dispatch log: the rendering of one recorded byte,
// a text file written through a 512-byte buffer that keeps its first I/O error, and the
// build-tool and platform texts of the log's header.  Used on whichever thread writes the
// file (the caller holds MainLock); no state is shared between calls.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

// Renders `value` as the trace shows it and returns its width in columns (1, 3, 4 or 5):
//   allHex:                "[" two uppercase hex digits "]"
//   0x20 (0x21 with hex) .. 0x7E: the character itself
//   hex:                   "[" two uppercase hex digits "]"
//   otherwise:             "[" decimal "]"
// `out` receives the text without a terminator; it needs room for 5 characters.
int RenderTraceByte(std::uint8_t value, bool hex, bool allHex, char* out) noexcept;

// A text file opened for one write-out.  Lines end in "\n", this platform's line end.
class TTraceTextFile {
 public:
  static constexpr std::size_t kBufferSize = 512;

  TTraceTextFile() = default;
  ~TTraceTextFile();
  TTraceTextFile(const TTraceTextFile&) = delete;
  TTraceTextFile& operator=(const TTraceTextFile&) = delete;

  // Creates or overwrites `fileName`, or appends to it when `append` (creating it when it
  // does not exist).  0, or the negated system error number of the failed open.
  int Open(const std::string& fileName, bool append);
  void Put(std::string_view text);
  void Put(const char* text, std::size_t length) { Put(std::string_view(text, length)); }
  void LineEnd() { Put("\n"); }
  // Flushes and closes.  0, or the negated system error number of the first failed write,
  // flush or close.
  int Close();

 private:
  void Fail(int err);
  std::FILE* FFile = nullptr;
  char FBuffer[kBufferSize] = {};
  int FError = 0;  // first system error number, 0 while all went well
};

// Eight characters naming the build tool and its major version ("GCC 12  ", "Clang 16"),
// "Unknown " for a tool not recognised.
std::string CompilerText();
// The running platform: system name, " ", major.minor of its release, " ", its version
// text, cut to 80 characters; "Unknown" when the platform cannot be queried.
std::string PlatformText();
