// The dispatcher's trace and log operations.  Each runs under MainLock, file writing
// included, and keeps FTraceOn / FLogOn equal to the recorder's state so that producers can
// skip taking MainLock while a recorder is off.
#include <algorithm>
#include <mutex>

#include "dispatch/SioDispatch.h"
#include "common/SioMisc.h"

int TSioBaseDispatcher::TraceCreate(std::uint32_t capacity) {
  std::lock_guard lock(MainLock);
  const int result = Trace.Create(capacity);
  FTraceOn = Trace.On();
  return result;
}

int TSioBaseDispatcher::TraceReset() {
  std::lock_guard lock(MainLock);
  Trace.Reset();
  return 0;
}

void TSioBaseDispatcher::TraceDiscard() {
  std::lock_guard lock(MainLock);
  Trace.Discard();
  FTraceOn = Trace.On();
}

void TSioBaseDispatcher::TraceResume() {
  std::lock_guard lock(MainLock);
  Trace.Resume();
  FTraceOn = Trace.On();
}

void TSioBaseDispatcher::TracePause() {
  std::lock_guard lock(MainLock);
  Trace.Pause();
  FTraceOn = Trace.On();
}

void TSioBaseDispatcher::TraceRecord(char kind, std::uint8_t value) {
  std::lock_guard lock(MainLock);
  if (Trace.On()) Trace.Record(kind, value);
}

int TSioBaseDispatcher::TraceWrite(const std::string& fileName, bool append, bool hex,
                                   bool allHex) {
  std::lock_guard lock(MainLock);
  const int result = Trace.Write(fileName, append, hex, allHex);
  FTraceOn = Trace.On();
  return result;
}

int TSioBaseDispatcher::LogCreate(std::uint32_t size) {
  std::lock_guard lock(MainLock);
  // One device read can fill as much of the input ring as is free, whatever the device's
  // input size, and one write can queue up to the output ring's size: the scratch that
  // receives an entry's data takes the largest of these.
  Log.Create(size, std::max({FDeviceInSize, FOutRing.Size(), kInRingSize}));
  FLogOn = Log.On();
  return 0;
}

int TSioBaseDispatcher::LogReset() {
  std::lock_guard lock(MainLock);
  Log.Reset();
  return 0;
}

void TSioBaseDispatcher::LogDiscard() {
  std::lock_guard lock(MainLock);
  Log.Discard();
  FLogOn = Log.On();
}

void TSioBaseDispatcher::LogResume() {
  std::lock_guard lock(MainLock);
  Log.Resume();
  FLogOn = Log.On();
}

void TSioBaseDispatcher::LogPause() {
  std::lock_guard lock(MainLock);
  Log.Pause();
  FLogOn = Log.On();
}

void TSioBaseDispatcher::LogRecord(std::uint8_t kind, std::uint8_t subkind, std::uint32_t data,
                                   const std::uint8_t* block, std::uint32_t length) {
  std::lock_guard lock(MainLock);
  if (Log.On()) Log.Record(MsClock() - FOpenTime, kind, subkind, data, block, length);
}

int TSioBaseDispatcher::LogWrite(const std::string& fileName, bool append, bool hex,
                                 bool allHex) {
  std::lock_guard lock(MainLock);
  const int result = Log.Write(fileName, append, hex, allHex);
  FLogOn = Log.On();
  return result;
}
