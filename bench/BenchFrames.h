// The instrument's side of the panel benchmarks: a frame that shows a given reading.
#pragma once

#include <cstdint>
#include <vector>

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
