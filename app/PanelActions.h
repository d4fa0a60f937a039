// The window's commands beyond its designed controls: a context menu (right click anywhere on
// the window) and keyboard shortcuts.
//
//   Record / Stop recording   Ctrl+R
//   Copy reading              Ctrl+C   the reading with its unit
//   Port…                     Ctrl+P   the serial device of Com1 or Com2 (app/DeviceChooser.h)
//   Reconnect now                      opens a closed or lost port at once
//   Keyboard…                          the table of the keys below and these shortcuts
//   About…                             version, licence, where the manual is
// and one key for each of the 27 key areas and for the test-mode code 28 (app/KeyboardMap.h).
// Later features add their entries with AddMenuAction.  GUI thread only.
#pragma once

#include <QObject>

class QAction;
class QMenu;
class QWidget;

class TPanelActions : public QObject {
  Q_OBJECT

 public:
  // The actions are added to `window`, so their shortcuts work wherever the focus is in it.
  explicit TPanelActions(QWidget* window);

  QAction* Record() const { return FRecord; }
  QAction* CopyReading() const { return FCopyReading; }
  QAction* Keyboard() const { return FKeyboard; }
  QAction* ChoosePort() const { return FChoosePort; }
  QAction* Reconnect() const { return FReconnect; }
  QAction* About() const { return FAbout; }
  QMenu* Menu() const { return FMenu; }
  // Adds an entry (with its shortcut active in the window) to the end of the menu.
  void AddMenuAction(QAction* action);

 signals:
  // One of the 28 keyboard keys was pressed: the key code to send.
  void KeyPressed(int code);

 private:
  QWidget* FWindow;
  QMenu* FMenu;
  QAction* FRecord;
  QAction* FCopyReading;
  QAction* FKeyboard;
  QAction* FChoosePort;
  QAction* FReconnect;
  QAction* FAbout;
};
