#include "dispatch/SioTrace.h"

#include <new>

#include "dispatch/SioTraceText.h"
#include "platform/SysErrors.h"
#include "common/SioErrorCodes.h"

int TTraceQueue::Create(std::uint32_t capacity) {
  if (FQueue) {
    Reset();
    FOn = true;
    return 0;
  }
  if (capacity > kMaxCapacity) return ecBadArgument;
  if (capacity > 0) {
    // nothrow, so that a failed allocation comes back as a code the port turns into its
    // out-of-memory exception rather than an exception through the dispatcher.
    FQueue.reset(new (std::nothrow) std::uint8_t[std::size_t{capacity} * 2]());
    if (!FQueue) return -ERROR_NOT_ENOUGH_MEMORY;
  }
  FCapacity = FQueue ? capacity : 0;
  FNext = 0;
  FWrapped = false;
  FOn = true;
  return 0;
}

void TTraceQueue::Reset() {
  FNext = 0;
  FWrapped = false;
}

void TTraceQueue::Discard() {
  FOn = false;
  FQueue.reset();
  FCapacity = 0;
  FNext = 0;
  FWrapped = false;
}

void TTraceQueue::Resume() {
  if (FQueue) FOn = true;
}

void TTraceQueue::Pause() { FOn = false; }

void TTraceQueue::Record(char kind, std::uint8_t value) noexcept {
  if (!FQueue) return;
  FQueue[std::size_t{FNext} * 2] = static_cast<std::uint8_t>(kind);
  FQueue[std::size_t{FNext} * 2 + 1] = value;
  if (++FNext == FCapacity) {
    FNext = 0;
    FWrapped = true;
  }
}

int TTraceQueue::Write(const std::string& fileName, bool append, bool hex, bool allHex) {
  if (!FQueue) {
    Discard();
    return 0;
  }
  FOn = false;
  const std::uint32_t count = Count();
  if (count == 0) {
    Discard();
    return 0;
  }
  TTraceTextFile file;
  int result = file.Open(fileName, append);
  if (result != 0) {
    Discard();
    return result;
  }
  const std::uint32_t first = FWrapped ? FNext : 0;
  std::uint8_t previousKind = 0;
  std::uint32_t column = 0;
  char text[8];
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t at = (std::size_t{first} + i) % FCapacity * 2;
    const std::uint8_t kind = FQueue[at];
    if (kind != previousKind) {
      // A change of direction closes the running line and leaves an empty one; the CR LF
      // characters are part of the format, followed by this platform's line end.
      if (i != 0) {
        file.Put("\r\n");
        file.LineEnd();
        column = 0;
      }
      if (kind == 'R') {
        file.Put("Receive: ");
      } else if (kind == 'T') {
        file.Put("Transmit: ");
      } else {
        file.Put("Special-");
        const char c = static_cast<char>(kind);
        file.Put(&c, 1);
        file.Put(": ");
      }
      file.LineEnd();
      previousKind = kind;
    }
    const int width = RenderTraceByte(FQueue[at + 1], hex, allHex, text);
    column += static_cast<std::uint32_t>(width);
    if (column > 78) {
      file.LineEnd();
      column = static_cast<std::uint32_t>(width);
    }
    file.Put(text, static_cast<std::size_t>(width));
  }
  result = file.Close();
  Discard();
  return result;
}
