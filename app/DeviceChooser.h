// "Port…" (context menu, Ctrl+P): chooses the serial device that Com1 or Com2 stands for.
//
// Lists the machine's serial devices (app/SerialDevices.h) and keeps the list up to date
// while it is open, so an adapter plugged in meanwhile appears and one pulled out goes; a
// field takes any other path, a device server's tcp://host:port or rfc2217://host:port too.  The window makes the choice the port's device and remembers
// it (app/PortChoices.h).  GUI thread only.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "app/SerialDevices.h"

class QButtonGroup;
class QLineEdit;
class QListWidget;
class QTimer;

class TDeviceChooser : public QDialog {
  Q_OBJECT

 public:
  static constexpr int RescanMs = 1000;

  // `comNumber` (1 or 2) and its device `path` are chosen at first; `root` is where /dev and
  // /sys are looked for ("" for the machine's own).
  TDeviceChooser(QWidget* parent, unsigned comNumber, const QString& path, std::string root = {});

  unsigned ComNumber() const;
  QString Path() const;

  // Lists the devices again, keeping the one chosen (also done every RescanMs while shown).
  void Rescan();
  QListWidget* List() const { return FList; }
  QLineEdit* PathField() const { return FPath; }

 private:
  std::string FRoot;
  std::vector<TSerialDevice> FDevices;
  QButtonGroup* FCom;
  QListWidget* FList;
  QLineEdit* FPath;
  QTimer* FRescan;
};
