#include "app/KeyboardMap.h"

#include <cctype>

#include "platform/Translatable.h"

const std::array<TKeyboardKey, KeyboardKeyCount>& KeyboardKeys() {
  static const std::array<TKeyboardKey, KeyboardKeyCount> keys{{
      {1, "Q", QT_TRANSLATE_NOOP("KeyboardMap", "Input A: coupling \u2248 / ~"), "\u2248 / ~", "couplingA"},
      {2, "W", QT_TRANSLATE_NOOP("KeyboardMap", "Input A: attenuator 1:1 / 1:10"), "1:1 / 1:10", "attenuatorA"},
      {3, "1", QT_TRANSLATE_NOOP("KeyboardMap", "Averaging / count time 1 ms"), "1 ms", "avg1"},
      {4, "2", QT_TRANSLATE_NOOP("KeyboardMap", "Averaging / count time 10 ms"), "10 ms", "avg10"},
      {5, "3", QT_TRANSLATE_NOOP("KeyboardMap", "Averaging / count time 100 ms"), "10\u00B2 ms", "avg100"},
      {6, "4", QT_TRANSLATE_NOOP("KeyboardMap", "Averaging / count time 1000 ms"), "10\u00B3 ms", "avg1000"},
      {7, "5", QT_TRANSLATE_NOOP("KeyboardMap", "Averaging / count time 10000 ms"), "10\u2074 ms", "avg10000"},
      {8, "M", QT_TRANSLATE_NOOP("KeyboardMap", "Memory (hold the reading)"), "\u041F\u0410\u041C\u042F\u0422\u042C", "memory"},
      {9, "6", QT_TRANSLATE_NOOP("KeyboardMap", "Time marks 10\u207B\u2077 s"), "10\u207B\u2077 s", "marks1e-7"},
      {10, "7", QT_TRANSLATE_NOOP("KeyboardMap", "Time marks 10\u207B\u2076 s"), "10\u207B\u2076 s", "marks1e-6"},
      {11, "8", QT_TRANSLATE_NOOP("KeyboardMap", "Time marks 10\u207B\u2075 s"), "10\u207B\u2075 s", "marks1e-5"},
      {12, "9", QT_TRANSLATE_NOOP("KeyboardMap", "Time marks 10\u207B\u2074 s"), "10\u207B\u2074 s", "marks1e-4"},
      {13, "0", QT_TRANSLATE_NOOP("KeyboardMap", "Time marks 10\u207B\u00B3 s"), "10\u207B\u00B3 s", "marks1e-3"},
      {14, "A", QT_TRANSLATE_NOOP("KeyboardMap", "Input impedance 1 M\u03A9 / 50 \u03A9"), "1 M\u03A9 / 50 \u03A9", "impedance"},
      {15, "S", QT_TRANSLATE_NOOP("KeyboardMap", "Input B: coupling \u2248 / ~"), "\u2248 / ~", "couplingB"},
      {16, "D", QT_TRANSLATE_NOOP("KeyboardMap", "Input B: attenuator 1:1 / 1:10"), "1:1 / 1:10", "attenuatorB"},
      {17, "L", QT_TRANSLATE_NOOP("KeyboardMap", "Low frequencies"), "\u041D\u0427", "lowfreq"},
      {18, "G", QT_TRANSLATE_NOOP("KeyboardMap", "Input A / C"), "A / C", "inputAC"},
      {19, "F", QT_TRANSLATE_NOOP("KeyboardMap", "F: frequency"), "F", "frequency"},
      {20, "T", QT_TRANSLATE_NOOP("KeyboardMap", "T: period"), "T", "period"},
      {21, "R", QT_TRANSLATE_NOOP("KeyboardMap", "A/B: ratio"), "A/B", "ratio"},
      {22, "I", QT_TRANSLATE_NOOP("KeyboardMap", "t: time interval"), "t", "interval"},
      {23, "P", QT_TRANSLATE_NOOP("KeyboardMap", "Pulse polarity + / \u2212"), "\u2293 / \u2294", "polarity"},
      {24, "Z", QT_TRANSLATE_NOOP("KeyboardMap", "Display time 0.3 s"), "0.3 s", "display0.3"},
      {25, "X", QT_TRANSLATE_NOOP("KeyboardMap", "Display time 1 s"), "1 s", "display1"},
      {26, "C", QT_TRANSLATE_NOOP("KeyboardMap", "Display time 2 s"), "2 s", "display2"},
      {27, "V", QT_TRANSLATE_NOOP("KeyboardMap", "Display time 4 s"), "4 s", "display4"},
      {28, "E", QT_TRANSLATE_NOOP("KeyboardMap", "Test: F and T together (double click on F or T)"), "\u0422\u0415\u0421\u0422", "test"},
  }};
  return keys;
}

int KeyCodeByName(const std::string& name) {
  const auto same = [&name](const char* other) {
    std::size_t i = 0;
    for (; other[i] != '\0' && i < name.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(other[i])) != std::tolower(static_cast<unsigned char>(name[i])))
        return false;
    return other[i] == '\0' && i == name.size();
  };
  for (const TKeyboardKey& k : KeyboardKeys()) {
    const bool letter = std::isalpha(static_cast<unsigned char>(k.Key[0])) != 0;
    if (same(k.Name) || (letter && same(k.Key))) return k.Code;
  }
  return 0;
}
