// The headless logger's run: the window's port and decoder without a window.
//
// It opens the port as the window does, presses the requested keys one after another (each
// waiting for the instrument's answer 130, at most KeyAnswerMs), then records every decoded
// frame as a CSV row until it has Count rows or DurationS seconds have passed.  Diagnostics go
// to the stream given (standard error in the program), each line starting "frontpanel: ".
// A lost line ends the run with status 1 and the reason, or, with --reconnect, is opened
// again (app/Reconnector.h) while the recording goes on, each loss and return said once.
// A key unanswered after KeyAnswerMs is given up, so that frames are decoded again.  A line
// that stays silent for three display periods is said to, once, as the window's strip shows
// "no data", and its data coming back again.
//
// Main thread only.  The port's triggers reach it while the main thread pumps its message
// queue; the loop that pumps (RunHeadless) asks WaitMs() how long it may wait and calls Poll()
// after each message or time-out.  Whatever a trigger decides that the loop must act on (an
// answered key, the last row, a failed write) also posts a wake-up to the main thread's queue.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "app/KeyGroups.h"
#include "app/LinkDecoder.h"
#include "app/LinkHealth.h"
#include "app/MeasurementFeed.h"
#include "app/Reconnector.h"

class TComponent;
class TSioComPort;

class THeadlessLogger : private TPanelSink, private TFrameObserver {
 public:
  using TClock = std::chrono::steady_clock;
  static constexpr int KeyAnswerMs = static_cast<int>(TLinkHealth::KeyAnswerMs);

  THeadlessLogger(const TProgramOptions& options, std::FILE* diagnostics);
  ~THeadlessLogger() override;
  THeadlessLogger(const THeadlessLogger&) = delete;
  THeadlessLogger& operator=(const THeadlessLogger&) = delete;

  // Opens the port and starts with the first key, or with the recording when there are no
  // keys.  False when the port cannot be opened or the CSV file cannot be used; the reason
  // has been written and ExitStatus() is 1.
  bool Start();
  // Moves on: a key answered or given up, the recording started, the duration over.
  void Poll();
  // Milliseconds the loop may wait for messages before Poll is due; 0xFFFFFFFF: no limit.
  std::uint32_t WaitMs() const;
  bool Finished() const { return FFinished; }
  // Ends the recording; with --summary writes the summary line.  Safe to call more than once.
  void Finish();
  // 0 for a run that ended as asked (count, duration, a stop signal, standard output closed by
  // its reader), 1 after a failure.
  int ExitStatus() const { return FExitStatus; }

  const TMeasurementFeed& Feed() const { return FFeed; }
  TMeasurementFeed& Feed() { return FFeed; }
  TSioComPort* Port() const { return FPort; }  // null before Start

  // Remote control (app/PanelRemote.h): a key pressed as the window's click presses it (sent
  // at once, its lamps changed here until the next frame, given up after KeyAnswerMs
  // unanswered), and the panel as the window would show it.  Raises the port's error.
  void PressKey(int code);
  bool KeyLit(int key) const { return FLamps[static_cast<std::size_t>(key - 1)]; }
  bool KeyPending() const { return FLink.CommandPending != 0; }
  const std::string& ReadingText() const { return FReading; }
  // What a trigger calls to make the loop run Poll soon; posts to the main queue by default.
  void SetWake(std::function<void()> wake) { FWake = std::move(wake); }

 private:
  // TPanelSink: nothing is shown; the lamps and the reading are kept for remote control.
  void SetLabelText(TPanelLabel label, const std::string& text) override {
    if (label == plRezult) FReading = text;
  }
  void SetRsOnVisible(bool) override {}
  void SetKeyLit(int key, bool lit) override { FLamps[static_cast<std::size_t>(key - 1)] = lit; }
  void SetLedOn(int, bool) override {}
  // TFrameObserver: frames become rows once recording runs.
  void FrameDecoded(const TDecodedFrame& frame) override;

  void Trigger(std::uint16_t Msg, std::uint16_t TriggerHandle);
  void LineLost(int error);
  void SayNews();
  void WatchSilence();
  static TLinkHealth::TMs NowMs() { return TLinkHealth::NowMs(); }
  void PressNextKey();
  void StartRecording();
  // The recording ended because a stop signal interrupted its open or write (app/StopSignals.h).
  bool StoppedBySignal() const;
  void Fail(const std::string& message);
  void Say(const std::string& message) const;

  TProgramOptions FOptions;
  std::FILE* FDiagnostics;
  std::function<void()> FWake;
  std::unique_ptr<TComponent> FComponents;  // owns the port
  TSioComPort* FPort = nullptr;
  TLinkState FLink;
  TMeasurementFeed FFeed;

  std::size_t FNextKey = 0;       // index into FOptions.Keys of the key to press next
  bool FAwaitingAnswer = false;   // a key was sent and 130 has not come yet
  TKeyLamps FLamps = StartKeyLamps();
  std::string FReading;
  TClock::time_point FRemoteKeyDeadline = TClock::time_point::max();  // a remote key given up then
  TClock::time_point FAnswerDeadline;
  bool FRecording = false;
  TClock::time_point FRecordingEnd = TClock::time_point::max();
  std::unique_ptr<TReconnector> FReconnector;  // with --reconnect
  TLinkHealth FHealth;            // when bytes last came, for the silence notice
  bool FSaidSilent = false;       // "no data" said, "data again" not yet
  bool FFinished = false;
  bool FSummaryWritten = false;
  int FExitStatus = 0;
};
