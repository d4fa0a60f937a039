// TKeyPanel: one of the 27 small key areas laid over the front-panel picture.
//
// A key area is a 22 x 22 panel in the button-face colour with a raised one-pixel bevel.  Lit,
// it has a single border, drawn as a sunken two-pixel edge around the bevel; unlit, it has no
// border.  Clicks and double clicks are reported as the original toolkit does: the first press
// of a double click is a click too, the second press is only a double click.
#pragma once

#include <QFrame>

class TKeyPanel : public QFrame {
  Q_OBJECT

 public:
  explicit TKeyPanel(QWidget* parent = nullptr);

  bool Lit() const { return FLit; }
  // Setting the state the key already has changes nothing on screen.
  void SetLit(bool lit);

 signals:
  void Click();
  void DblClick();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  bool FLit = false;
  bool FPressed = false;        // a left press began inside the key
  bool FSecondOfDouble = false;  // the release that ends a double click is no click
};
