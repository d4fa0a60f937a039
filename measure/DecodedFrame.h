// What the link decoder showed for one decoded frame, as plain data.  The decoder fills it in
// (it owns the bit layout of the frame); the measurement model reads it and never looks at the
// frame's bits for anything the decoder already worked out.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct TDecodedFrame {
  std::array<bool, 27> Keys{};          // [n-1]: key area Pa<n> lit
  std::array<bool, 4> Leds{};           // [n-1]: ALed<n> on (1 kHz, 2 ms, 3 µs, 4 counting)
  std::string Reading;                  // what the reading label now shows: the reading or "Error"
  bool PointError = false;              // the point code was invalid, so Reading is "Error"
  std::array<std::uint8_t, 9> Bytes{};  // frame bytes 1..9
  std::uint8_t Status = 0;              // the last status byte before the frame; 0 when none came yet
  bool Remote = false;                  // remote mode: 132 came after the last 128
};
