#include "dispatch/SioDispatch.h"

int TSioBaseDispatcher::TraceCreate(std::uint32_t) { return 0; }
int TSioBaseDispatcher::TraceReset() { return 0; }
void TSioBaseDispatcher::TraceDiscard() {}
void TSioBaseDispatcher::TraceResume() {}
void TSioBaseDispatcher::TracePause() {}
void TSioBaseDispatcher::TraceRecord(char, std::uint8_t) {}
int TSioBaseDispatcher::TraceWrite(const std::string&, bool, bool, bool) { return 0; }
int TSioBaseDispatcher::LogCreate(std::uint32_t) { return 0; }
int TSioBaseDispatcher::LogReset() { return 0; }
void TSioBaseDispatcher::LogDiscard() {}
void TSioBaseDispatcher::LogResume() {}
void TSioBaseDispatcher::LogPause() {}
void TSioBaseDispatcher::LogRecord(std::uint8_t, std::uint8_t, std::uint32_t, const std::uint8_t*,
                                   std::uint32_t) {}
int TSioBaseDispatcher::LogWrite(const std::string&, bool, bool, bool) { return 0; }
