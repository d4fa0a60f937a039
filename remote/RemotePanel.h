// What remote control needs of the running panel (the window or the headless logger), given by
// the program that owns it (app/).  remote/ knows nothing of windows, ports or decoders: a key
// pressed through here takes the same path as a click on the panel.
//
// Every call comes on the panel's own thread (the thread that owns the port and the decoder:
// the GUI thread, or the logger's main thread), one at a time; none may wait for the network.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

enum TRemoteLink : std::uint8_t { rlConnected, rlNoData, rlLost, rlClosed };

// The statistics of the current segment (trusted measurements without a gap); a figure it
// cannot give (too few values) is left empty.
struct TRemoteStatistics {
  std::int64_t Count = 0;
  std::optional<double> Mean, StdDev, Min, Max;
  std::optional<double> Adev;  // overlapping Allan deviation at the basic interval, fractional
};

class TRemotePanel {
 public:
  virtual ~TRemotePanel() = default;

  // Presses key `code` (1..27, 28 the test mode) as a click does.  Raises std::exception with
  // the reason when the key could not be sent (the port's error).
  virtual void PressKey(int code) = 0;
  // Key area `key` (1..27) is lit as the panel shows it now (after a press, before the
  // instrument's next frame, the panel's own lamp change).
  virtual bool KeyLit(int key) const = 0;
  // A key was sent and the instrument has not answered it yet (nor has the panel given it up).
  virtual bool KeyPending() const = 0;
  // The reading as the panel shows it.
  virtual std::string ReadingText() const = 0;
  virtual TRemoteLink Link() const = 0;
  virtual TRemoteStatistics Statistics() const = 0;
  // The user's "reset statistics": the next measurement starts a new series.
  virtual void ResetStatistics() = 0;
};
