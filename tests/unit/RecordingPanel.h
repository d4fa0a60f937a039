// A panel that records what the link decoder shows, for tests of the decoder and of its peers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/LinkDecoder.h"

struct TRecordingPanel : TPanelSink {
  // Design-time texts of LaReady, LaRS0..LaRS7 and LaRezult.
  std::array<std::string, 10> Label{"0", "0", "0", "0", "0", "0", "0", "0", "0", "123467.89"};
  bool RsOnVisible = false;
  std::array<bool, FrameKeys + 1> Key{};  // [n] is Pa<n>
  std::array<bool, FrameLeds + 1> Led{};  // [n] is ALed<n>
  int Calls = 0;                          // every update the decoder made
  int FramesDecoded = 0;                  // LaRezult updates

  void SetLabelText(TPanelLabel label, const std::string& text) override {
    Label[label] = text;
    FramesDecoded += (label == plRezult);
    ++Calls;
  }
  void SetRsOnVisible(bool visible) override {
    RsOnVisible = visible;
    ++Calls;
  }
  void SetKeyLit(int key, bool lit) override {
    Key.at(key) = lit;
    ++Calls;
  }
  void SetLedOn(int led, bool on) override {
    Led.at(led) = on;
    ++Calls;
  }
};

// The 18 nibbles of frame bytes 1..9, low nibble first.
inline std::vector<std::uint8_t> FrameNibblesOf(const std::array<std::uint8_t, 9>& bytes) {
  std::vector<std::uint8_t> nibbles;
  for (std::uint8_t b : bytes) {
    nibbles.push_back(b & 0x0F);
    nibbles.push_back(b >> 4);
  }
  return nibbles;
}

// Frame bytes from the lamp bits (bit n-1 is Pa<n>), the LED bits (bit n-1 is ALed<n>),
// the eight digit values (left to right, 15 = dark) and the point code.
inline std::array<std::uint8_t, 9> FrameBytesOf(std::uint32_t keys, unsigned leds,
                                                const std::array<int, 8>& digits, int point) {
  std::array<std::uint8_t, 9> b{};
  b[0] = keys & 0xFF;
  b[1] = (keys >> 8) & 0xFF;
  b[2] = (keys >> 16) & 0xFF;
  b[3] = ((keys >> 24) & 0x07) | ((leds & 8) ? 0x10 : 0) | ((leds & 1) ? 0x20 : 0) |
         ((leds & 2) ? 0x40 : 0) | ((leds & 4) ? 0x80 : 0);
  for (int k = 0; k < 4; ++k) b[4 + k] = static_cast<std::uint8_t>(16 * digits[2 * k] + digits[2 * k + 1]);
  b[8] = static_cast<std::uint8_t>(point);
  return b;
}
