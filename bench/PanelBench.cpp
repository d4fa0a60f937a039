// Measures, with the real window, port and dispatcher on a pseudo-terminal:
//  - the time from the last byte of a frame written by the instrument's side to the reading
//    label showing the frame's reading (median, 99th percentile, worst);
//  - the time to create the window (reading its form, opening its port) and show it.
// Run: QT_QPA_PLATFORM=offscreen build/bench/PanelBench [frames]
#include <QApplication>
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
  const auto latency = FrameLatencies(pty, reading, frames, 10000000);
  if (!latency) {
    std::fprintf(stderr, "a frame was not shown\n");
    return 1;
  }
  Report("last frame byte written -> reading shown", *latency);
  Report("window created (form read, port opened) and shown", startup);
  return 0;
}
