// The window system colours the front panel uses.
#pragma once

#include <QColor>

inline const QColor kBtnFace{0xF0, 0xF0, 0xF0};       // clBtnFace
inline const QColor kBtnHighlight{0xFF, 0xFF, 0xFF};  // raised edge, light side
inline const QColor kBtnPressed{0xD4, 0xD0, 0xC8};    // face of a key held in
inline const QColor kBtnLight{0xE3, 0xE3, 0xE3};
inline const QColor kBtnShadow{0xA0, 0xA0, 0xA0};     // raised edge, dark side
inline const QColor kDarkShadow{0x69, 0x69, 0x69};
inline const QColor kSilver{0xC0, 0xC0, 0xC0};        // clSilver
