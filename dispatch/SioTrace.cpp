#include "dispatch/SioTrace.h"

int TTraceQueue::Create(std::uint32_t) { return 0; }
void TTraceQueue::Reset() {}
void TTraceQueue::Discard() {}
void TTraceQueue::Resume() {}
void TTraceQueue::Pause() {}
void TTraceQueue::Record(char, std::uint8_t) noexcept {}
int TTraceQueue::Write(const std::string&, bool, bool, bool) { return 0; }
