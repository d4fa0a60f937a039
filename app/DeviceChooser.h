// "Port…" (context menu, Ctrl+P): chooses the serial device that Com1 or Com2 stands for.
//
// Lists the devices Com1 and Com2 stand for now (a link with its target), the devices chosen
// before, and the machine's serial devices (app/SerialDevices.h), each with whether it is
// free, busy and by which program, or forbidden and how it may be used (app/DeviceStatus.h);
// the list is kept up to date while it is open, so an adapter plugged in meanwhile appears and
// one pulled out goes.  A field takes any other path, a device server's tcp://host:port or
// rfc2217://host:port too.  The window makes the choice the port's device and remembers it
// (app/PortChoices.h).  GUI thread only.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "app/SerialDevices.h"

class QButtonGroup;
class QLineEdit;
class QTimer;
class QTreeWidget;

class TDeviceChooser : public QDialog {
  Q_OBJECT

 public:
  static constexpr int RescanMs = 1000;

  // A device listed before the machine's own: "Com2" for what Com2 stands for now, "" for one
  // chosen before.
  struct TKnown {
    QString Label;
    QString Path;
  };

  // `comNumber` (1 or 2) and its device `path` are chosen at first; `known` heads the list;
  // `root` is where /dev and /sys are looked for ("" for the machine's own).
  TDeviceChooser(QWidget* parent, unsigned comNumber, const QString& path, std::vector<TKnown> known = {},
                 std::string root = {});

  unsigned ComNumber() const;
  QString Path() const;

  // Lists the devices again, keeping the one chosen (also done every RescanMs while shown).
  void Rescan();
  // One row per device: the device (a link with its target), what it is, whether it may be used now.
  QTreeWidget* List() const { return FList; }
  QLineEdit* PathField() const { return FPath; }

 private:
  // One row of the list.
  struct TRow {
    QString Path;
    QStringList Cells;
    bool Usable;
    bool operator==(const TRow&) const = default;
  };

  std::string FRoot;
  std::vector<TKnown> FKnown;
  std::vector<TRow> FRows;
  QButtonGroup* FCom;
  QTreeWidget* FList;
  QLineEdit* FPath;
  QTimer* FRescan;
};
