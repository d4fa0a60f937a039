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

#include "BenchTiming.h"
#include "app/QtHooks.h"
#include "app/Unit1.h"
#include "dispatch/SioPortName.h"
#include "platform/Application.h"
#include "support/TestPty.h"
#include "ui_Unit1.h"

namespace {

using Clock = BenchClock;

// Frame bytes with the eight digits of `value` and no point.
std::vector<std::uint8_t> FrameFor(int value) {
  int d[8];
  for (int i = 7; i >= 0; --i, value /= 10) d[i] = value % 10;
  const std::uint8_t bytes[9] = {0x04, 0x01, 0x04, 0x20,
                                 static_cast<std::uint8_t>(d[0] << 4 | d[1]), static_cast<std::uint8_t>(d[2] << 4 | d[3]),
                                 static_cast<std::uint8_t>(d[4] << 4 | d[5]), static_cast<std::uint8_t>(d[6] << 4 | d[7]), 0};
  std::vector<std::uint8_t> out{132};
  for (std::uint8_t b : bytes) {
    out.push_back(b & 0x0F);
    out.push_back(b >> 4);
  }
  return out;
}

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
