#include "app/HeadlessLogger.h"

#include <cerrno>

#include "app/OpenFailureText.h"
#include "app/PanelPort.h"
#include "platform/Application.h"
#include "platform/Component.h"
#include "platform/Messages.h"
#include "platform/SysUtils.h"
#include "port/SioPort.h"

THeadlessLogger::THeadlessLogger(const TProgramOptions& options, std::FILE* diagnostics)
    : FOptions(options), FDiagnostics(diagnostics), FWake([] { PostToMainThread([] {}); }) {
  // Only the summary asks for the points; without it a logger runs for days in the same memory.
  FFeed.KeepPoints(FOptions.Summary);
  FFeed.SetEveryFrame(FOptions.EveryFrame);
  FFeed.SetOnRecordingStopped([this](const std::string& reason) {
    // A reader that closed our standard output (`| head`) has what it wanted: a normal end.
    // So has a stop signal that had to interrupt a write blocked on a pipe nobody empties.
    if ((FOptions.CsvPath == "-" && FFeed.Recorder().ErrorNumber() == EPIPE) || StoppedBySignal()) {
      FFinished = true;
      FWake();
      return;
    }
    Fail(reason);
  });
}

// The port goes first: it closes the device and stops its workers before the feed and the
// decoder state they reach through triggers.
THeadlessLogger::~THeadlessLogger() {
  FComponents.reset();
  Application().SetExceptionDisplay(
      [out = FDiagnostics](const std::string& message) { std::fprintf(out, "frontpanel: %s\n", message.c_str()); });
}

bool THeadlessLogger::Start() {
  FComponents = std::make_unique<TComponent>(nullptr);
  FPort = new TSioComPort(FComponents.get());
  FPort->SetName("SioComPort1");
  // A failed open is told in plain words (the port's own text after them).
  Application().SetExceptionDisplay([this](const std::string& message) { Say(PlainMessage(message, *FPort, auLog)); });
  // Before the port opens: a line lost at once is still heard of, and the device the line
  // opened on is noted for a reconnect.
  FPort->AddPortListener(&FHealth, [this](TComponent*, bool opened) {
    if (!opened) return;
    // A key sent before a loss will not be answered now; the silence counts afresh.
    FLink.CommandPending = 0;
    FHealth.Opened(NowMs());
    FSaidSilent = false;
  });
  if (FOptions.Reconnect) {
    FReconnector = std::make_unique<TReconnector>(*FPort, TWords(), &NowMs, [this] { FWake(); });
  } else {
    FPort->SetOnLineLost([this](TComponent*, int error) { LineLost(error); });
  }
  // Whatever came before a (re)open is not continued by what comes after it.
  FPort->AddPortListener(this, [this](TComponent*, bool) { FFeed.LineInterrupted(); });
  // An open failure is shown by the exception display while the port loads; the port then
  // stays closed.
  TComponent::LoadFromDescription(*FComponents, [this] {
    SetPanelPortProperties(*FPort, static_cast<std::uint16_t>(FOptions.Com),
                           [this](TComponent*, std::uint16_t msg, std::uint16_t handle, std::uint16_t) {
                             Trigger(msg, handle);
                           });
  });
  SayNews();
  if (FPort->PortState() != psOpen) {
    FFinished = true;
    FExitStatus = 1;
    return false;
  }
  try {
    // As the window starts: what arrived before we listened is not a frame of ours.
    FPort->FlushInBuffer();
    FPort->FlushOutBuffer();
  } catch (const std::exception& e) {
    Fail(ExceptionMessage(e));
    return false;
  }
  PressNextKey();
  return !FFinished;
}

void THeadlessLogger::Trigger(std::uint16_t Msg, std::uint16_t TriggerHandle) {
  FHealth.BytesReceived(NowMs());
  if (FSaidSilent) FWake();
  TakeAnnouncedBytes(*FPort, Msg, TriggerHandle, [this](std::uint8_t b, std::int64_t arrivalNs) {
    FFeed.SetArrival(arrivalNs);
    ReceiveByte(FLink, b, *this, this);
  });
  if (FAwaitingAnswer && FLink.CommandPending == 0) FWake();
}

// Without --reconnect: the run ends.
void THeadlessLogger::LineLost(int error) {
  Fail("line lost on COM" + std::to_string(FOptions.Com) + " " + FPort->DeviceName() + ": " + LineLostWords(error));
}

void THeadlessLogger::SayNews() {
  if (!FReconnector) return;
  for (const std::string& news : FReconnector->TakeNews()) Say(news);
}

// The window's "no data", said once per silence, and its end.
void THeadlessLogger::WatchSilence() {
  if (FPort == nullptr || FPort->PortState() != psOpen) return;
  const TLinkHealth::TMs now = NowMs();
  TLinkHealth::TMs silentS = 0;
  const bool stale = FHealth.Stale(now, &silentS);
  const std::string where = "COM" + std::to_string(FOptions.Com) + " " + FPort->DeviceName();
  if (stale && !FSaidSilent) {
    FSaidSilent = true;
    Say("no data from " + where + " for " + std::to_string(silentS) +
        " s; check that the instrument is on and connected to it");
  } else if (!stale && FSaidSilent) {
    FSaidSilent = false;
    Say("data from " + where + " again");
  }
}

void THeadlessLogger::FrameDecoded(const TDecodedFrame& frame) {
  FHealth.FrameDecoded(NowMs());
  if (!FRecording || FFinished) return;
  FFeed.FrameDecoded(frame);
  if (FOptions.Count > 0 && FFeed.Recorder().Rows() >= FOptions.Count) {
    FFinished = true;
    FWake();
  }
}

void THeadlessLogger::Poll() {
  if (FFinished) return;
  const auto now = TClock::now();
  if (FAwaitingAnswer) {
    if (FLink.CommandPending == 0) {
      FAwaitingAnswer = false;
      PressNextKey();
    } else if (now >= FAnswerDeadline) {
      Say("key " + std::to_string(FOptions.Keys[FNextKey - 1]) + " got no answer within 2 s; going on");
      FAwaitingAnswer = false;
      // Given up: frames are decoded again (an answer lost on the line would stop them for good).
      FLink.CommandPending = 0;
      PressNextKey();
    }
  }
  if (now >= FRemoteKeyDeadline) {
    FRemoteKeyDeadline = TClock::time_point::max();
    if (FLink.CommandPending != 0 && !FAwaitingAnswer) FLink.CommandPending = 0;
  }
  if (FReconnector) {
    FReconnector->Poll();
    SayNews();
  }
  WatchSilence();
  if (FRecording && now >= FRecordingEnd) FFinished = true;
}

std::uint32_t THeadlessLogger::WaitMs() const {
  TClock::time_point next = TClock::time_point::max();
  if (FAwaitingAnswer) next = FAnswerDeadline;
  if (FRecording) next = std::min(next, FRecordingEnd);
  if (FReconnector && FReconnector->DueInMs() >= 0)
    next = std::min(next, TClock::now() + std::chrono::milliseconds(FReconnector->DueInMs()));
  // The silence notice is due when three display periods have passed without bytes.
  if (FPort != nullptr && FPort->PortState() == psOpen && !FSaidSilent)
    next = std::min(next, TClock::time_point(std::chrono::milliseconds(FHealth.SilentUntilMs())));
  next = std::min(next, FRemoteKeyDeadline);
  if (next == TClock::time_point::max()) return 0xFFFFFFFFu;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(next - TClock::now()).count();
  return ms <= 0 ? 0u : static_cast<std::uint32_t>(std::min<long long>(ms, 0xFFFFFFFEll));
}

void THeadlessLogger::PressNextKey() {
  if (FNextKey >= FOptions.Keys.size()) {
    StartRecording();
    return;
  }
  const int code = FOptions.Keys[FNextKey++];
  const std::uint8_t byte = KeyPress(FLink, static_cast<std::uint8_t>(code));
  try {
    FPort->PutBlock(&byte, 1);
  } catch (const std::exception& e) {
    Fail("key " + std::to_string(code) + " could not be sent on COM" + std::to_string(FOptions.Com) + " " +
         FPort->DeviceName() + ": " + PlainMessage(ExceptionMessage(e), *FPort, auLog));
    return;
  }
  FAwaitingAnswer = true;
  FAnswerDeadline = TClock::now() + std::chrono::milliseconds(KeyAnswerMs);
}

void THeadlessLogger::PressKey(int code) {
  const std::uint8_t byte = KeyPress(FLink, static_cast<std::uint8_t>(code));
  FPort->PutBlock(&byte, 1);
  FLamps = LampsAfterClick(FLamps, code);
  FRemoteKeyDeadline = TClock::now() + std::chrono::milliseconds(KeyAnswerMs);
}

void THeadlessLogger::StartRecording() {
  const bool started = FFeed.StartRecording(FOptions.CsvPath);
  FRecording = started || StoppedBySignal();  // a FIFO nobody opened: a recording of no rows
  if (!started) {
    if (StoppedBySignal()) {
      FFinished = true;
    } else {
      Fail(FFeed.Recorder().Error());
    }
    return;
  }
  if (FFeed.Recorder().NineColumns()) {
    Say(FOptions.CsvPath + " was recorded in nine columns: appending in them, trusted measurements only");
  }
  if (FOptions.DurationS > 0) {
    FRecordingEnd = TClock::now() + std::chrono::duration_cast<TClock::duration>(
                                        std::chrono::duration<double>(FOptions.DurationS));
  }
}

bool THeadlessLogger::StoppedBySignal() const { return FFeed.Recorder().ErrorNumber() == EINTR; }

void THeadlessLogger::Fail(const std::string& message) {
  Say(message);
  FFinished = true;
  FExitStatus = 1;
  FWake();
}

void THeadlessLogger::Finish() {
  FFinished = true;
  FFeed.StopRecording();
  if (FOptions.Summary && FRecording && !FSummaryWritten) {
    FSummaryWritten = true;
    std::fprintf(FDiagnostics, "%s\n", FFeed.Summary().Json().c_str());
    std::fflush(FDiagnostics);
  }
}

void THeadlessLogger::Say(const std::string& message) const {
  std::fprintf(FDiagnostics, "frontpanel: %s\n", message.c_str());
  std::fflush(FDiagnostics);
}
