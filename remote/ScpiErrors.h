// The error numbers a client reads with SYSTem:ERRor?, their standard texts, and each client's
// error queue.
//
// Owner thread only (the thread that runs the commands), like everything a session holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

enum TScpiError : int {
  seNone = 0,
  seCommand = -100,
  seDataType = -104,
  seSyntax = -102,
  seParameterNotAllowed = -108,
  seMissingParameter = -109,
  seUndefinedHeader = -113,
  seDataOutOfRange = -222,
  seIllegalValue = -224,
  seTooMuchData = -223,
  seDataStale = -230,
  seHardware = -240,
  seQueueOverflow = -350,
};

// The standard text of a number ("Undefined header"); "Error" for one not listed above.
const char* ScpiErrorText(int code);
// Command errors (-100 .. -199) end the line they occur in: the rest of it is not run.
inline bool IsCommandError(int code) { return code <= -100 && code > -200; }

// The bit of the standard event status register an error sets: command error 32, execution
// error 16, device-dependent error 8, query error 4.
std::uint8_t EventBitOf(int code);

// First in, first out, at most Capacity entries.  When it is full a new error replaces the
// newest entry with -350 "Queue overflow" (which stays until read), so the oldest errors,
// usually the cause, survive.
class TScpiErrorQueue {
 public:
  static constexpr std::size_t Capacity = 20;

  void Push(int code, const std::string& info = {});
  // The oldest entry as SYSTem:ERRor? gives it, removed: -113,"Undefined header;FOO"; or
  // 0,"No error" when empty.
  std::string Pop();
  void Clear() { FEntries.clear(); }
  bool Empty() const { return FEntries.empty(); }
  std::size_t Size() const { return FEntries.size(); }

 private:
  struct TEntry {
    int Code;
    std::string Info;
  };
  std::deque<TEntry> FEntries;
};
