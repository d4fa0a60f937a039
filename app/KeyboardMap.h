// The keyboard keys that press the panel's keys: one per key area Pa1..Pa27 and one for the
// code 28 that a double click on F or T sends (test mode).  Plain data; the window turns the
// key names into shortcuts, tooltips and its "Keyboard" table.
//
// The keys follow the panel's groups: 1..5 the averaging times (1 = 1 ms .. 5 = 10^4 ms),
// 6..0 the time marks, Z X C V the display times, the mode keys their letters (F, T, R for
// the ratio A/B, I for the interval t, E for test), and letters near them for the rest.
#pragma once

#include <array>

struct TKeyboardKey {
  int Code;            // key code sent: 1..27 for Pa<Code>, 28 for test mode
  const char* Key;     // the keyboard key, as a portable key-sequence name ("Q", "1")
  const char* Legend;  // what the key does on the instrument (UTF-8)
};

constexpr int KeyboardKeyCount = 28;

// In code order: [i] is the key for code i + 1.
const std::array<TKeyboardKey, KeyboardKeyCount>& KeyboardKeys();
