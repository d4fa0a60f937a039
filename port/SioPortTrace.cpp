// The trace and dispatch-log properties: one state machine over the dispatcher's recorder
// operations, and the size and file-name properties.
#include "port/SioPort.h"

namespace {

constexpr std::uint32_t kMaxTraceSize = 4000000;   // entries
constexpr std::uint32_t kMaxLogSize = 16000000;    // bytes
constexpr std::size_t kMaxFileName = 255;

bool Recording(TTraceLogState state) { return state == tlOn || state == tlPause; }

// The recorder operations of one kind, so the trace and the log share the state machine.
// The log's create and reset results are not checked, the trace's are.
struct TRecorder {
  TSioBaseDispatcher& D;
  bool Log;
  int Create(std::uint32_t size) const {
    if (Log) {
      D.LogCreate(size);
      return 0;
    }
    return D.TraceCreate(size);
  }
  void Discard() const { Log ? D.LogDiscard() : D.TraceDiscard(); }
  void Resume() const { Log ? D.LogResume() : D.TraceResume(); }
  void Pause() const { Log ? D.LogPause() : D.TracePause(); }
  int Reset() const {
    if (Log) {
      D.LogReset();
      return 0;
    }
    return D.TraceReset();
  }
  int Write(const std::string& name, bool append, bool hex, bool allHex) const {
    return Log ? D.LogWrite(name, append, hex, allHex) : D.TraceWrite(name, append, hex, allHex);
  }
};

}  // namespace

void TSioCustomComPort::ApplyRecorderState(bool log, TTraceLogState value) {
  // A closing port has no line left to record; the close itself wrote the recorders out.
  if (PortState() == psClosing) return;
  TTraceLogState& stored = log ? FLogging : FTracing;
  const TTraceLogState current = stored;
  if (value == current && !FForceApply) return;
  if (PortState() != psOpen) {
    // Without a line only the wish to record at the next open can be kept.
    stored = value == tlOn ? tlOn : tlOff;
    return;
  }
  CheckOwnerThread();
  const TRecorder recorder{*FDispatcher, log};
  switch (value) {
    case tlOff:
      if (Recording(current)) {
        recorder.Discard();
        stored = tlOff;
      }
      break;
    case tlOn:
      if (current == tlPause) {
        recorder.Resume();
      } else {
        Check(recorder.Create(log ? FLogSize : FTraceSize));
      }
      stored = tlOn;
      break;
    case tlDump:
    case tlAppend:
      if (Recording(current)) {
        recorder.Resume();
        const int result = recorder.Write(log ? FLogName : FTraceName, value == tlAppend,
                                          log ? FLogHex : FTraceHex, log ? FLogAllHex : FTraceAllHex);
        // The recorder is gone whether or not its file could be written: the property says so
        // before a failure is raised.
        stored = tlOff;
        Check(result);
      }
      break;
    case tlClear:
      if (Recording(current)) Check(recorder.Reset());
      break;
    case tlPause:
      if (current == tlOn) {
        recorder.Pause();
        stored = tlPause;
      }
      break;
  }
}

void TSioCustomComPort::SetTracing(TTraceLogState value) { ApplyRecorderState(false, value); }
void TSioCustomComPort::SetLogging(TTraceLogState value) { ApplyRecorderState(true, value); }

// A running recorder starts afresh with the new size; a paused one ends switched off.
void TSioCustomComPort::RestartRecorder(bool log) {
  TTraceLogState& stored = log ? FLogging : FTracing;
  if (PortState() != psOpen || !Recording(stored)) return;
  const TTraceLogState earlier = stored;
  if (log) {
    FDispatcher->LogDiscard();
  } else {
    FDispatcher->TraceDiscard();
  }
  stored = tlOff;
  ApplyRecorderState(log, earlier);
}

// The limit applies before the comparison, so a value that clamps to the stored size does
// not restart a running recorder.
void TSioCustomComPort::SetTraceSize(std::uint32_t value) {
  if (value > kMaxTraceSize) value = kMaxTraceSize;
  if (value == FTraceSize) return;
  FTraceSize = value;
  RestartRecorder(false);
}

void TSioCustomComPort::SetLogSize(std::uint32_t value) {
  if (value > kMaxLogSize) value = kMaxLogSize;
  if (value == FLogSize) return;
  FLogSize = value;
  RestartRecorder(true);
}

void TSioCustomComPort::SetTraceName(const std::string& value) { FTraceName = value.substr(0, kMaxFileName); }
void TSioCustomComPort::SetLogName(const std::string& value) { FLogName = value.substr(0, kMaxFileName); }
