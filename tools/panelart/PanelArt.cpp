#include "tools/panelart/PanelArt.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QRadialGradient>

#include <array>

namespace panel {

QRect KeyRect(int n) {
  static constexpr std::array<int, 27> kLefts{250, 276, 328, 354, 380, 406, 432, 484, 536,
                                              562, 588, 614, 640, 224, 250, 276, 302, 354,
                                              406, 432, 458, 484, 536, 614, 640, 666, 692};
  const int left = kLefts.at(static_cast<std::size_t>(n - 1));
  return {left, n <= 13 ? kUpperKeyTop : kLowerKeyTop, kKeySize, kKeySize};
}

}  // namespace panel

namespace {

using namespace panel;

// Flat colours of the face; each is kept exactly by the quantiser.
const QColor kFace(198, 198, 192);
const QColor kFaceLight(236, 236, 230);
const QColor kFaceShadow(128, 128, 124);
const QColor kBox(170, 170, 166);
const QColor kBoxLight(222, 222, 218);
const QColor kBoxShadow(104, 104, 100);
const QColor kWell(84, 84, 82);
const QColor kInk(16, 16, 16);
const QColor kGlass(QRgb{kDisplayColor});
const QColor kDisplayBezel(28, 26, 26);
const QColor kDisplayText(255, 168, 140);
const QColor kPlate(44, 44, 46);
const QColor kPlateText(232, 232, 226);
const QColor kMetal(214, 214, 210);
const QColor kMetalDark(92, 92, 90);
const QColor kKnob(30, 30, 30);
const QColor kAccent(176, 24, 24);

QFont Font(int pixels, bool bold = false, int stretch = 100) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixels);
  f.setBold(bold);
  f.setStretch(stretch);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

void Text(QPainter& p, const QRect& r, const QString& s, const QFont& f, const QColor& c,
          int flags = Qt::AlignCenter) {
  p.setFont(f);
  p.setPen(c);
  p.drawText(r, flags | Qt::TextDontClip, s);
}

// A raised or sunken rectangle: the light edge on top and left, the shadow on bottom and right.
void Bevel(QPainter& p, const QRect& r, const QColor& fill, const QColor& light, const QColor& shadow,
           bool sunken = false) {
  p.fillRect(r, fill);
  const QColor& tl = sunken ? shadow : light;
  const QColor& br = sunken ? light : shadow;
  p.setPen(tl);
  p.drawLine(r.left(), r.top(), r.right(), r.top());
  p.drawLine(r.left(), r.top(), r.left(), r.bottom());
  p.setPen(br);
  p.drawLine(r.left() + 1, r.bottom(), r.right(), r.bottom());
  p.drawLine(r.right(), r.top() + 1, r.right(), r.bottom());
}

// A grey surround for a group of keys: a raised plate with a dark well under every key.
void KeyBox(QPainter& p, const QRect& r, std::initializer_list<int> keys) {
  Bevel(p, r, kBox, kBoxLight, kBoxShadow);
  for (int n : keys) {
    const QRect k = KeyRect(n).adjusted(-2, -2, 2, 2);
    Bevel(p, k, kWell, kBoxShadow, kBoxLight, true);
  }
}

QRect Above(int n, int height = 12) {
  const QRect k = KeyRect(n);
  return {k.left() - 6, k.top() - height - 2, k.width() + 12, height};
}

QRect Below(int n, int height = 12) {
  const QRect k = KeyRect(n);
  return {k.left() - 6, k.bottom() + 3, k.width() + 12, height};
}

// A bracket under keys a and b with a caption beneath.
void Bracket(QPainter& p, int a, int b, int y, const QString& caption) {
  const int x1 = KeyRect(a).center().x();
  const int x2 = KeyRect(b).center().x() + 1;
  p.setPen(QPen(kInk, 1));
  p.drawLine(x1, y, x1, y + 4);
  p.drawLine(x2, y, x2, y + 4);
  p.drawLine(x1, y + 4, x2, y + 4);
  const int mid = (x1 + x2) / 2;
  Text(p, QRect(mid - 24, y + 5, 48, 11), caption, Font(9, true), kInk);
}

// A rectangular pulse drawn in the box [x, x + w) around baseline `base`; `up` for a positive pulse.
void Pulse(QPainter& p, int x, int base, int w, bool up) {
  const int h = up ? -6 : 6;
  QPolygon line;
  line << QPoint(x, base) << QPoint(x + w / 3, base) << QPoint(x + w / 3, base + h)
       << QPoint(x + 2 * w / 3, base + h) << QPoint(x + 2 * w / 3, base) << QPoint(x + w, base);
  p.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(line);
}

// A coaxial input socket seen from the front: knurled nut, bayonet pins, insulator, centre pin.
void Socket(QPainter& p, QPoint c) {
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(kMetalDark, 1));
  p.setBrush(kFaceShadow);
  p.drawEllipse(c, 17, 17);
  QRadialGradient nut(QPointF(c.x() - 5, c.y() - 5), 20);
  nut.setColorAt(0, QColor(248, 248, 244));
  nut.setColorAt(1, QColor(140, 140, 136));
  p.setBrush(nut);
  p.drawEllipse(c, 14, 14);
  p.setBrush(kMetalDark);
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPoint(c.x() - 11, c.y()), 2, 2);
  p.drawEllipse(QPoint(c.x() + 11, c.y()), 2, 2);
  p.setPen(QPen(kMetalDark, 1));
  p.setBrush(kMetal);
  p.drawEllipse(c, 8, 8);
  p.setBrush(QColor(236, 232, 210));
  p.drawEllipse(c, 5, 5);
  p.setBrush(QColor(180, 150, 60));
  p.drawEllipse(QPointF(c), 1.6, 1.6);
  p.setRenderHint(QPainter::Antialiasing, false);
}

// A ground terminal symbol.
void Ground(QPainter& p, int x, int y) {
  p.setPen(QPen(kInk, 1));
  p.drawLine(x, y, x, y + 5);
  p.drawLine(x - 5, y + 5, x + 5, y + 5);
  p.drawLine(x - 3, y + 7, x + 3, y + 7);
  p.drawLine(x - 1, y + 9, x + 1, y + 9);
}

void Knob(QPainter& p, QPoint c, int r) {
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(kFaceShadow);
  p.drawEllipse(QPointF(c.x() + 1.5, c.y() + 1.5), r, r);
  QRadialGradient g(QPointF(c.x() - r / 3.0, c.y() - r / 3.0), r * 1.3);
  g.setColorAt(0, QColor(96, 96, 96));
  g.setColorAt(1, QColor(12, 12, 12));
  p.setBrush(g);
  p.setPen(QPen(QColor(8, 8, 8), 1));
  p.drawEllipse(c, r, r);
  p.setBrush(QColor(48, 48, 48));
  p.drawEllipse(c, r - 4, r - 4);
  p.setPen(QPen(QColor(240, 240, 240), 2));
  p.drawLine(QPointF(c.x(), c.y() - r + 2), QPointF(c.x(), c.y() - r + 7));
  p.setRenderHint(QPainter::Antialiasing, false);
}

void TitleBlock(QPainter& p) {
  const QRect plate(8, 6, 198, 52);
  Bevel(p, plate.adjusted(-1, -1, 1, 1), kPlate, kFaceShadow, kFaceLight, true);
  Text(p, QRect(plate.left(), plate.top() + 4, plate.width(), 14), QStringLiteral("ЧАСТОТОМЕР"),
       Font(13, true, 110), kPlateText);
  Text(p, QRect(plate.left(), plate.top() + 20, plate.width(), 11),
       QStringLiteral("ЭЛЕКТРОННО-СЧЕТНЫЙ"), Font(9, false, 105), kPlateText);
  p.setPen(kFaceShadow);
  p.drawLine(plate.left() + 30, plate.top() + 34, plate.right() - 30, plate.top() + 34);
  Text(p, QRect(plate.left(), plate.top() + 37, plate.width(), 13), QStringLiteral("ЧЭС-712"),
       Font(12, true, 115), kPlateText);
}

struct TInput {
  QString letter;
  QPoint socket;
  QStringList legend;
};

void Inputs(QPainter& p) {
  const TInput inputs[3] = {
      {QStringLiteral("C"), QPoint(34, 97),
       {QStringLiteral("0,1 – 1000 MHz"), QStringLiteral("20 mV – 1 V"), QStringLiteral("50 Ω")}},
      {QStringLiteral("B"), QPoint(34, 167),
       {QStringLiteral("0 – 50 MHz"), QStringLiteral("30 mV – 10 V"), QStringLiteral("1 MΩ  30 pF")}},
      {QStringLiteral("A"), QPoint(34, 237),
       {QStringLiteral("0 – 150 MHz"), QStringLiteral("30 mV – 10 V"), QStringLiteral("1 MΩ / 50 Ω")}},
  };
  p.setPen(kFaceShadow);
  p.drawLine(10, 132, 204, 132);
  p.drawLine(10, 202, 204, 202);
  p.setPen(kFaceLight);
  p.drawLine(10, 133, 204, 133);
  p.drawLine(10, 203, 204, 203);
  for (const TInput& in : inputs) {
    Socket(p, in.socket);
    Text(p, QRect(60, in.socket.y() - 26, 28, 22), in.letter, Font(20, true), kInk);
    Text(p, QRect(60, in.socket.y() + 2, 28, 12), QStringLiteral("ВХОД"), Font(8, true), kInk);
    int y = in.socket.y() - 22;
    for (const QString& line : in.legend) {
      Text(p, QRect(94, y, 112, 13), line, Font(10), kInk, Qt::AlignLeft | Qt::AlignVCenter);
      y += 15;
    }
    Ground(p, 197, in.socket.y() + 10);
  }
}

void Display(QPainter& p) {
  // A black bezel around the red filter glass; the glass itself is flat so the reading and the
  // lamps can be laid over it.
  const QRect bezel = kDisplay.adjusted(-5, -5, 5, 5);
  Bevel(p, bezel.adjusted(-1, -1, 1, 1), kDisplayBezel, kFaceShadow, kFaceLight, true);
  p.fillRect(kDisplay, kGlass);

  Text(p, QRect(222, 64, 36, 12), QStringLiteral("СЧЕТ"), Font(9, true), kDisplayText);
  const char16_t* units[3] = {u"KHz", u"ms", u"µs"};
  for (int i = 0; i < 3; ++i) {
    const QPoint led = kLeds[i];
    Text(p, QRect(led.x() + 18, led.y() + 2, 24, 12), QString::fromUtf16(units[i]), Font(10, true),
         kDisplayText, Qt::AlignLeft | Qt::AlignVCenter);
  }
}

void UpperKeys(QPainter& p) {
  const QFont legend = Font(10);
  const QFont caption = Font(9, true);

  KeyBox(p, QRect(240, 130, 68, 52), {1, 2});
  Text(p, Above(1), QStringLiteral("≈"), Font(13), kInk);
  Text(p, Below(1), QStringLiteral("~"), Font(16), kInk);
  Text(p, Above(2), QStringLiteral("1:1"), legend, kInk);
  Text(p, Below(2), QStringLiteral("1:10"), legend, kInk);

  KeyBox(p, QRect(318, 130, 146, 52), {3, 4, 5, 6, 7});
  const char16_t* counts[5] = {u"1", u"10", u"10²", u"10³", u"10⁴"};
  for (int i = 0; i < 5; ++i) Text(p, Above(3 + i), QString::fromUtf16(counts[i]), legend, kInk);
  Text(p, QRect(318, 169, 146, 12), QStringLiteral("УСРЕДН / ВРЕМЯ СЧЕТА, ms"), caption, kInk);

  KeyBox(p, QRect(470, 130, 50, 52), {8});
  Text(p, QRect(470, 131, 50, 12), QStringLiteral("ПАМЯТЬ"), Font(9, true, 95), kInk);

  KeyBox(p, QRect(526, 130, 146, 52), {9, 10, 11, 12, 13});
  const char16_t* marks[5] = {u"10⁻⁷", u"10⁻⁶", u"10⁻⁵", u"10⁻⁴", u"10⁻³"};
  for (int i = 0; i < 5; ++i) Text(p, Above(9 + i), QString::fromUtf16(marks[i]), legend, kInk);
  Text(p, QRect(526, 169, 146, 12), QStringLiteral("МЕТКИ ВРЕМЕНИ, s"), caption, kInk);
}

void LowerKeys(QPainter& p) {
  const QFont legend = Font(10);
  const QFont caption = Font(9, true);

  KeyBox(p, QRect(214, 192, 120, 52), {14, 15, 16, 17});
  Text(p, Above(14), QStringLiteral("1 MΩ"), Font(9), kInk);
  Text(p, Below(14), QStringLiteral("50 Ω"), Font(9), kInk);
  Text(p, Above(15), QStringLiteral("≈"), Font(13), kInk);
  Text(p, Below(15), QStringLiteral("~"), Font(16), kInk);
  Text(p, Above(16), QStringLiteral("1:1"), legend, kInk);
  Text(p, Below(16), QStringLiteral("1:10"), legend, kInk);
  Text(p, Above(17), QStringLiteral("НЧ"), Font(10, true), kInk);

  KeyBox(p, QRect(344, 192, 42, 52), {18});
  Text(p, Above(18), QStringLiteral("A"), Font(11, true), kInk);
  Text(p, Below(18), QStringLiteral("C"), Font(11, true), kInk);

  KeyBox(p, QRect(396, 192, 124, 72), {19, 20, 21, 22});
  Text(p, Above(19), QStringLiteral("F"), Font(11, true), kInk);
  Text(p, Above(20), QStringLiteral("T"), Font(11, true), kInk);
  Text(p, Above(21), QStringLiteral("A/B"), Font(10, true), kInk);
  Text(p, Above(22), QStringLiteral("t"), Font(11, true), kInk);
  Bracket(p, 19, 20, 232, QStringLiteral("ТЕСТ"));
  Bracket(p, 21, 22, 232, QStringLiteral("RS232"));

  KeyBox(p, QRect(526, 192, 42, 52), {23});
  Pulse(p, KeyRect(23).left() + 1, 204, 20, true);
  Pulse(p, KeyRect(23).left() + 1, 233, 20, false);

  KeyBox(p, QRect(604, 192, 120, 52), {24, 25, 26, 27});
  const char* times[4] = {"0.3s", "1s", "2s", "4s"};
  for (int i = 0; i < 4; ++i) Text(p, Above(24 + i), QString::fromLatin1(times[i]), legend, kInk);
  Text(p, QRect(604, 231, 120, 12), QStringLiteral("ВРЕМЯ ИНДИКАЦИИ"), caption, kInk);
}

// A level control: caption, the -, 0, + marks under the flat buttons, a scale, and a knob.
void LevelControl(QPainter& p, const QString& letter, const QRect& minus, const QRect& plus) {
  const int top = minus.top() - 15;
  Text(p, QRect(676, top, 64, 12), QStringLiteral("УРОВЕНЬ"), Font(9, true), kInk,
       Qt::AlignLeft | Qt::AlignVCenter);
  Text(p, QRect(740, top - 4, 36, 16), letter, Font(15, true), kInk);
  Bevel(p, minus.adjusted(-1, -1, 1, 1), kBox, kBoxLight, kBoxShadow);
  Bevel(p, plus.adjusted(-1, -1, 1, 1), kBox, kBoxLight, kBoxShadow);
  Text(p, minus, QStringLiteral("−"), Font(16, true), kInk);
  Text(p, plus, QStringLiteral("+"), Font(16, true), kInk);
  Text(p, QRect(minus.right() + 1, minus.top(), plus.left() - minus.right() - 1, minus.height()),
       QStringLiteral("0"), Font(9, true), kInk);
  // A scale from - through 0 to + under the marks.
  const int y = minus.bottom() + 6;
  p.setPen(kInk);
  p.drawLine(minus.left() + 2, y, plus.right() - 2, y);
  for (int x = minus.left() + 2; x <= plus.right() - 2; x += 6) p.drawLine(x, y, x, y + 2);
  p.drawLine(minus.left() + 2, y, minus.left() + 2, y + 5);
  p.drawLine((minus.left() + plus.right()) / 2, y, (minus.left() + plus.right()) / 2, y + 5);
  p.drawLine(plus.right() - 2, y, plus.right() - 2, y + 5);
  Knob(p, QPoint(757, minus.center().y() + 9), 14);
}

void PowerSwitch(QPainter& p) {
  const QRect area(732, 196, 42, 70);
  Text(p, QRect(area.left(), area.top(), area.width(), 12), QStringLiteral("СЕТЬ"), Font(9, true), kInk);
  Bevel(p, QRect(742, 212, 22, 34), kFaceShadow, kFaceShadow, kFaceLight, true);
  Bevel(p, QRect(745, 215, 16, 14), kBoxLight, QColor(250, 250, 246), kBoxShadow);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(kAccent);
  p.drawEllipse(QPoint(753, 256), 4, 4);
  p.setRenderHint(QPainter::Antialiasing, false);
}

}  // namespace

QImage DrawPanel(QVector<QRgb>* flatColors) {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(kFace);
  QPainter p(&image);
  p.setRenderHint(QPainter::TextAntialiasing, true);

  // The face's own edge: lit on top and left, shadowed at the right; the bottom rows lie
  // below the window's edge and are never seen.
  p.setPen(kFaceLight);
  p.drawLine(0, 0, kWidth - 1, 0);
  p.drawLine(0, 0, 0, kHeight - 1);
  p.setPen(kFaceShadow);
  p.drawLine(kWidth - 1, 1, kWidth - 1, kHeight - 1);

  TitleBlock(p);
  Inputs(p);
  Display(p);
  UpperKeys(p);
  LowerKeys(p);
  LevelControl(p, QStringLiteral("A"), kLevelButtons[0], kLevelButtons[1]);
  LevelControl(p, QStringLiteral("B"), kLevelButtons[2], kLevelButtons[3]);
  PowerSwitch(p);
  p.end();

  if (flatColors) {
    *flatColors = {kFace.rgb(),   kFaceLight.rgb(),    kFaceShadow.rgb(),  kBox.rgb(),
                   kBoxLight.rgb(), kBoxShadow.rgb(), kWell.rgb(),        kInk.rgb(),
                   kGlass.rgb(),   kDisplayBezel.rgb(), kDisplayText.rgb(), kPlate.rgb(),
                   kPlateText.rgb(), kMetal.rgb(),    kMetalDark.rgb(),   kKnob.rgb(),
                   kAccent.rgb()};
  }
  return image;
}
