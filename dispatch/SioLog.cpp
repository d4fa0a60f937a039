#include "dispatch/SioLog.h"

void TDispatchLog::Create(std::uint32_t, std::uint32_t) {}
void TDispatchLog::Reset() {}
void TDispatchLog::Discard() {}
void TDispatchLog::Resume() {}
void TDispatchLog::Pause() {}
void TDispatchLog::Record(std::uint32_t, std::uint8_t, std::uint8_t, std::uint32_t,
                          const std::uint8_t*, std::uint32_t) noexcept {}
int TDispatchLog::Write(const std::string&, bool, bool, bool) { return 0; }
