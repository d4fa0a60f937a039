// The "Keyboard" window: which keyboard key presses which key of the panel, and the window's
// shortcuts.  A window of its own, not modal; GUI thread only.
#pragma once

#include <QDialog>

class TKeyboardHelp : public QDialog {
  Q_OBJECT

 public:
  explicit TKeyboardHelp(QWidget* parent);
};
