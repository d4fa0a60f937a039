// TALed: a small lamp control in six shapes, lit in one colour and dark in another, that can
// blink while lit.
//
// The control has no native window of its own (a plain child QWidget paints into its parent's
// surface).  It keeps two prepared pictures made from the style's built-in bitmap, the lit one
// with the lens in TrueColor and the dark one with the lens in FalseColor; painting copies the
// one DarkShown selects, stretched to the control's size.
//
// Threads: like every widget, a TALed is created, used and destroyed on the GUI thread only.
// Events (OnTimer, OnMouseEnter, OnMouseLeave, OnClick) run on that thread with the LED as sender.
#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>

#include "led/Colors.h"

class QTimer;

enum TLEDStyle : std::uint8_t {
  LEDSmall,       // 16 x 16, round lens, bitmap "ALEDSM"
  LEDLarge,       // 22 x 22, round lens, "ALEDLG"
  LEDSqSmall,     // 16 x 16, square lens, "ALEDSQSM"
  LEDSqLarge,     // 22 x 22, square lens, "ALEDSQLG"
  LEDVertical,    // 14 x 22, upright lens, "ALEDVT"
  LEDHorizontal,  // 22 x 14, lying lens, "ALEDHZ"
};

// The bitmap name and control size of a style; out-of-range values are treated as LEDSmall.
const char* LEDStyleResourceName(TLEDStyle style);
QSize LEDStyleSize(TLEDStyle style);
// Qt resource path of a built-in bitmap by name, e.g. ":/images/ALEDSM.bmp".
QString LEDResourcePath(const char* name);

class TALed : public QWidget {
  Q_OBJECT
  // Properties a form description may set (uic: stdset="0").
  Q_PROPERTY(uint TrueColor READ TrueColor WRITE SetTrueColor)
  Q_PROPERTY(uint FalseColor READ FalseColor WRITE SetFalseColor)
  Q_PROPERTY(bool Blink READ Blink WRITE SetBlink)
  Q_PROPERTY(bool Value READ Value WRITE SetValue)
  Q_PROPERTY(int Interval READ Interval WRITE SetInterval)
  Q_PROPERTY(int LEDStyle READ LEDStyleOrdinal WRITE SetLEDStyleOrdinal)
  Q_PROPERTY(qlonglong Tag READ Tag WRITE SetTag)
  Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)

 public:
  using TNotifyEvent = std::function<void(TALed* sender)>;

  // 16 x 16, lime lit, silver dark, Blink True, Value False, LEDSmall, Interval 1000 ms,
  // DarkShown True, no blink timer; the pictures are built at once.
  explicit TALed(QWidget* owner = nullptr);
  ~TALed() override;

  // Lens colour when lit.  A change stops blinking for the rebuild, rebuilds both pictures
  // (which also restores the style's size), resumes blinking from the lit phase if the LED is
  // lit and blinking, and repaints.  Setting the current colour does nothing.
  TColor TrueColor() const { return FTrueColor; }
  void SetTrueColor(TColor c);
  // Lens colour when dark; as SetTrueColor.
  TColor FalseColor() const { return FFalseColor; }
  void SetFalseColor(TColor c);

  // Blink while lit.  A change draws the picture of the current Value at once, then starts or
  // stops the blink timer so that it runs exactly while Value and Blink are both true.
  bool Blink() const { return FBlink; }
  void SetBlink(bool b);

  // Lit or dark.  A change draws the new picture at once (synchronous repaint); switching on
  // with Blink starts blinking, switching off stops it.  Setting the current value does nothing.
  bool Value() const { return FValue; }
  void SetValue(bool v);

  // Blink half-period in milliseconds; 0 or less means the timer never ticks and a blinking
  // LED stays lit.  Always stored; a running blink timer takes the new interval (and restarts
  // its count).
  int Interval() const { return FInterval; }
  void SetInterval(int ms);

  // Shape and size.  A change rebuilds the pictures, sets the control to the style's size
  // whatever size it had, and repaints.
  TLEDStyle LEDStyle() const { return FLEDStyle; }
  void SetLEDStyle(TLEDStyle s);

  // Which picture painting uses: true for the dark one.
  bool DarkShown() const { return FDarkShown; }

  void SetOnTimer(TNotifyEvent e) { FOnTimer = std::move(e); }
  void SetOnMouseEnter(TNotifyEvent e) { FOnMouseEnter = std::move(e); }
  void SetOnMouseLeave(TNotifyEvent e) { FOnMouseLeave = std::move(e); }
  // A left-button press and release inside the control.
  void SetOnClick(TNotifyEvent e) { FOnClick = std::move(e); }

  // The inherited control properties under their form names.
  QString Name() const { return objectName(); }
  void SetName(const QString& name) { setObjectName(name); }
  qlonglong Tag() const { return FTag; }
  void SetTag(qlonglong tag) { FTag = tag; }
  int Left() const { return x(); }
  int Top() const { return y(); }
  int Width() const { return width(); }
  int Height() const { return height(); }
  void SetBounds(int left, int top, int width, int height) { setGeometry(left, top, width, height); }
  QString Hint() const { return toolTip(); }
  void SetHint(const QString& hint) { setToolTip(hint); }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool show) { FShowHint = show; }

  // Design mode (the LED sits on a form being edited): blinking never starts.
  bool IsDesigning() const { return FDesigning; }
  void SetDesigning(bool designing) { FDesigning = designing; }

  // For tests and tools: the prepared pictures (32-bit, the style's size), the picture the last
  // paint used (null before the first paint), the number of paints so far, and the blink timer
  // (nullptr when not blinking).
  const QImage& LitPicture() const { return FLitBitmap; }
  const QImage& DarkPicture() const { return FDarkBitmap; }
  const QImage& LastPainted() const { return FLastPainted; }
  int PaintCount() const { return FPaintCount; }
  const QTimer* BlinkTimer() const { return FBlinkTimer.get(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  int LEDStyleOrdinal() const { return FLEDStyle; }
  void SetLEDStyleOrdinal(int s);
  void BuildPictures();
  // Selects the lit or dark picture and paints it before returning.
  void DrawPicture(bool lit);
  void StartBlink();
  void StopBlink();
  void BlinkStep();
  void ApplyColor(TColor& field, TColor c);

  QImage FLitBitmap;
  QImage FDarkBitmap;
  std::unique_ptr<QTimer> FBlinkTimer;
  TColor FTrueColor = clLime;
  TColor FFalseColor = clSilver;
  bool FBlink = true;
  TLEDStyle FLEDStyle = LEDSmall;
  int FInterval = 1000;
  bool FValue = false;
  bool FDarkShown = true;
  TNotifyEvent FOnTimer;
  TNotifyEvent FOnMouseEnter;
  TNotifyEvent FOnMouseLeave;
  TNotifyEvent FOnClick;

  qlonglong FTag = 0;
  bool FShowHint = false;
  bool FDesigning = false;
  bool FPressed = false;
  QImage FLastPainted;
  int FPaintCount = 0;
};
