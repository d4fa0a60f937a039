// The window's own lamp logic for clicks on the key areas, before the instrument's next frame
// overrides it.  Plain logic, no window: the window applies the returned states to Pa1..Pa27.
#pragma once

#include <array>

// [n-1] is true when key area Pa<n> is lit, n = 1..27.
using TKeyLamps = std::array<bool, 27>;

// Pa3, Pa9, Pa19 and Pa24 lit, all others unlit.
TKeyLamps StartKeyLamps();

// The lamps after a click with key code 1..27, or 28 for the double click on Pa19 or Pa20:
//  - Pa1, Pa2, Pa8, Pa14..Pa18, Pa23 toggle;
//  - Pa3..Pa7 and Pa9..Pa13 are groups of five, Pa19..Pa22 and Pa24..Pa27 groups of four:
//    the clicked key lit and the rest of its group unlit;
//  - 28 lights Pa19 and Pa20 together and unlights Pa21 and Pa22.
// Any other code leaves the lamps as they are.
TKeyLamps LampsAfterClick(const TKeyLamps& lamps, int code);
