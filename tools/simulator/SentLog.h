// The frames the simulator sent whole, for checking what a peer made of them: one line a frame,
//     <number> <time> <reading> <faults>
// the frame's number since the start (1, 2, ...), when its last byte went (ms since the start,
// as in a capture file), its reading as the display shows it
// (DisplayText), and the faults injected with it, comma-separated, or "-":
//     bad-point  the frame carried an invalid point code (its reading is the valid one's)
//     after-cut  a frame cut short went just before it
//     overlong   an over-long run of nibbles followed it
//     garbage    random bytes followed it
// A frame the line did not take whole (nobody reading, the buffer full) is not written.
// Lines starting with '#' are comments.
#pragma once

#include <cstdio>
#include <string>

class TSentLog {
 public:
  TSentLog() = default;
  TSentLog(const TSentLog&) = delete;
  TSentLog& operator=(const TSentLog&) = delete;
  ~TSentLog() { Close(); }

  bool Open(const std::string& path, std::string& error);
  // Buffered: the file is complete once the simulator has ended.
  void Add(long number, double timeMs, const std::string& reading, const std::string& faults);
  void Close();

 private:
  std::FILE* FFile = nullptr;
};
