// The keyboard keys that press the panel's keys: one per key area Pa1..Pa27 and one for the
// code 28 that a double click on F or T sends (test mode).  Plain data; the window turns the
// key names into shortcuts, tooltips and its "Keyboard" table, the logger's --keys takes the
// names and the letters.
//
// The keys follow the panel's groups: 1..5 the averaging times (1 = 1 ms .. 5 = 10^4 ms),
// 6..0 the time marks, Z X C V the display times, the mode keys their letters (F, T, R for
// the ratio A/B, I for the interval t, E for test), and letters near them for the rest.
#pragma once

#include <array>
#include <string>

struct TKeyboardKey {
  int Code;            // key code sent: 1..27 for Pa<Code>, 28 for test mode
  const char* Key;     // the keyboard key, as a portable key-sequence name ("Q", "1")
  const char* Legend;  // what the key does on the instrument (UTF-8; translated in the context
                       // "KeyboardMap")
  const char* Panel;   // its legend as the panel's picture draws it ("10⁴ ms", "ПАМЯТЬ"; UTF-8)
  const char* Name;    // a name for the command line ("avg1000")
};

constexpr int KeyboardKeyCount = 28;

// In code order: [i] is the key for code i + 1.
const std::array<TKeyboardKey, KeyboardKeyCount>& KeyboardKeys();

// The code of the key called `name`, without regard to case: a key's Name, or the keyboard
// letter the window uses for it (digits are key codes, not keys); 0 when none is.
int KeyCodeByName(const std::string& name);
