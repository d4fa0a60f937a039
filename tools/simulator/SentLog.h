// The frames the simulator sent whole, for checking what a peer made of them: one line a frame,
//     <number> <time> <reading> <faults> <gate> <state>
// the frame's number since the start (1, 2, ...), when its last byte went (ms since the start,
// as in a capture file), its reading as the display shows it
// (DisplayText), and the faults injected with it, comma-separated, or "-":
//     bad-point  the frame carried an invalid point code (its reading is the valid one's)
//     after-cut  a frame cut short went just before it
//     overlong   an over-long run of nibbles followed it
//     garbage    random bytes followed it
// then the number of the gate whose result the reading is (gates ended since the start; 0 for
// the reading the instrument showed when the session began), and the instrument's state when
// the frame was sampled, comma-separated, or "-":
//     counting   a gate was counting (ALed4 lit)
//     memory     ПАМЯТЬ held the reading
//     overflow   the result's count had more than eight digits: the reading shows its low ones
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
  void Add(long number, double timeMs, const std::string& reading, const std::string& faults, long gate,
           const std::string& state);
  void Close();

 private:
  std::FILE* FFile = nullptr;
};
