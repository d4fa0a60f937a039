// The instrument's side of the panel benchmarks: a frame that shows a given reading, and the
// time from its last byte written to the window's reading showing it.
#pragma once

#include <QApplication>
#include <QLabel>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "BenchTiming.h"
#include "support/TestPty.h"

// Frame bytes with the eight digits of `value` and no point.
inline std::vector<std::uint8_t> FrameFor(int value) {
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

// Writes `count` frames (readings base, base + 1, ...) and times each until `reading` shows it,
// sleeping in the event loop as the running program does; none when a frame is not shown
// within 2 s.  The line goes quiet for 5 ms between frames, as at the instrument's shortest
// display time the link is idle most of the time.
inline std::optional<std::vector<double>> FrameLatencies(TTestPty& pty, QLabel* reading, int count, int base) {
  std::vector<double> latency;
  for (int i = 0; i < count; ++i) {
    const QString expected = QString::number(base + i);
    pty.Write(FrameFor(base + i));
    const auto written = BenchClock::now();
    while (reading->text() != expected && Ms(BenchClock::now() - written) < 2000)
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (reading->text() != expected) return std::nullopt;
    latency.push_back(Ms(BenchClock::now() - written));
    const auto until = BenchClock::now() + std::chrono::milliseconds(5);
    while (BenchClock::now() < until) QApplication::processEvents();
  }
  return latency;
}
