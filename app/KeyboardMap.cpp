#include "app/KeyboardMap.h"

const std::array<TKeyboardKey, KeyboardKeyCount>& KeyboardKeys() {
  static const std::array<TKeyboardKey, KeyboardKeyCount> keys{{
      {1, "Q", "Input A: coupling \u2248 / ~"},
      {2, "W", "Input A: attenuator 1:1 / 1:10"},
      {3, "1", "Averaging / count time 1 ms"},
      {4, "2", "Averaging / count time 10 ms"},
      {5, "3", "Averaging / count time 100 ms"},
      {6, "4", "Averaging / count time 1000 ms"},
      {7, "5", "Averaging / count time 10000 ms"},
      {8, "M", "Memory (hold the reading)"},
      {9, "6", "Time marks 10\u207B\u2077 s"},
      {10, "7", "Time marks 10\u207B\u2076 s"},
      {11, "8", "Time marks 10\u207B\u2075 s"},
      {12, "9", "Time marks 10\u207B\u2074 s"},
      {13, "0", "Time marks 10\u207B\u00B3 s"},
      {14, "A", "Input impedance 1 M\u03A9 / 50 \u03A9"},
      {15, "S", "Input B: coupling \u2248 / ~"},
      {16, "D", "Input B: attenuator 1:1 / 1:10"},
      {17, "L", "Low frequencies"},
      {18, "G", "Input A / C"},
      {19, "F", "F: frequency"},
      {20, "T", "T: period"},
      {21, "R", "A/B: ratio"},
      {22, "I", "t: time interval"},
      {23, "P", "Pulse polarity + / \u2212"},
      {24, "Z", "Display time 0.3 s"},
      {25, "X", "Display time 1 s"},
      {26, "C", "Display time 2 s"},
      {27, "V", "Display time 4 s"},
      {28, "E", "Test: F and T together (double click on F or T)"},
  }};
  return keys;
}
