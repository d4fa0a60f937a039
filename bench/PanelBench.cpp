// Measures, with the real window, port and dispatcher on a pseudo-terminal:
//  - the time from the last byte of a frame written by the instrument's side to the reading
//    label showing the frame's reading (median, 99th percentile, worst);
//  - the time to create the window (reading its form, opening its port) and show it.
// Run: QT_QPA_PLATFORM=offscreen build/bench/PanelBench [frames]
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "BenchFrames.h"
#include "BenchTiming.h"
#include "app/QtHooks.h"
#include "app/Unit1.h"
#include "dispatch/SioPortName.h"
#include "platform/Application.h"
#include "support/TestPty.h"
#include "ui_Unit1.h"

namespace {

using Clock = BenchClock;

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallQtHooks();
  Application().SetExceptionDisplay([](const std::string& m) { std::fprintf(stderr, "error: %s\n", m.c_str()); });
  const int frames = argc > 1 ? std::atoi(argv[1]) : 300;

  std::vector<double> startup;
  for (int i = 0; i < 20; ++i) {
    TTestPty pty;
    SetPortDevicePath(2, pty.SlavePath());
    const auto t0 = Clock::now();
    TForm1 form;
    form.show();
    QApplication::processEvents();
    startup.push_back(Ms(Clock::now() - t0));
  }

  TTestPty pty;
  SetPortDevicePath(2, pty.SlavePath());
  TForm1 form;
  form.show();
  QLabel* reading = form.Controls().LaRezult;
  std::vector<double> latency;
  for (int i = 0; i < frames; ++i) {
    const int value = 10000000 + i;
    const QString expected = QString::number(value);
    pty.Write(FrameFor(value));
    const auto written = Clock::now();
    QElapsedTimer guard;
    guard.start();
    // Sleep in the event loop as the running program does, until the port's message wakes it.
    while (reading->text() != expected && guard.elapsed() < 2000)
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (reading->text() != expected) {
      std::fprintf(stderr, "frame %d not shown\n", i);
      return 1;
    }
    latency.push_back(Ms(Clock::now() - written));
    // Let the line go quiet between frames, as at the instrument's shortest display time the
    // link is idle most of the time.
    const auto until = Clock::now() + std::chrono::milliseconds(5);
    while (Clock::now() < until) QApplication::processEvents();
  }
  Report("last frame byte written -> reading shown", latency);
  Report("window created (form read, port opened) and shown", startup);
  return 0;
}
