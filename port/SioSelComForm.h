// TComSelectForm: the modal dialog that tells the operator the configured serial port is
// not valid and lets them choose one of the ports COM1..COM50 present on the machine.
//
// Created through Application().CreateDialog("TComSelectForm") once RegisterComSelectDialog
// has run.  Creating it probes the ports (FormCreate).  ShowModal returns mrOk (1) from
// OkBtn or Enter, mrAbort (3) from AbortBtn, mrCancel (2) when closed from the window frame;
// Escape does nothing.  Main (GUI) thread only.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "port/SioSelCom.h"

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
namespace Ui {
class TComSelectForm;
}

class TComSelectForm : public QDialog, public TComSelectDialog {
  Q_OBJECT

 public:
  // Tells whether port n is present; ProbePort unless a caller supplies another.
  using TPortProbe = std::function<bool(unsigned n)>;

  explicit TComSelectForm(QWidget* parent = nullptr, TPortProbe probe = {});
  ~TComSelectForm() override;

  // Centres the dialog on the screen and runs it modally; returns the modal result.
  int ShowModal() override;
  // The selected entry's text from its 4th character ("COM12" gives 12).  Raises
  // EConvertError "'<text>' is not a valid integer value" when nothing is selected.
  int ChosenPortNumber() override;

  QLabel* Label1;
  QLabel* Label2;
  QPushButton* OkBtn;
  QPushButton* AbortBtn;
  QFrame* Bevel1;
  QComboBox* PortsComboBox;

 public slots:
  // Closing from the frame: no port chosen.
  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormCreate();

  std::unique_ptr<Ui::TComSelectForm> ui;
  TPortProbe FProbe;
};

// Installs on Application() a dialog factory that makes a TComSelectForm for the form
// class "TComSelectForm" (and nothing for any other class).  Call once QApplication exists.
void RegisterComSelectDialog();
