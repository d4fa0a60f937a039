// Waiting with a deadline in tests of Qt windows: Qt's event loop (and with it the port's
// messages, which reach the main thread through it) runs meanwhile.
#pragma once

#include <QApplication>
#include <QElapsedTimer>

#include <chrono>
#include <functional>

// Processes Qt's events until `done` holds or `timeout` passes; false on the timeout.
inline bool PumpQtUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > timeout.count()) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}
