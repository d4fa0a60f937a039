// TForm1: the program's only window, titled "Частотомер".
//
// The upper part shows the instrument's front panel with the 27 key areas, four LEDs and the
// reading over it; below are the raw read-outs of the link, Reset and the Com1/Com2 choice; a
// black strip at the bottom shows the time of day.  The window owns the port object
// SioComPort1, which talks to the instrument, and the link decoder state.
//
// Everything here runs on the GUI thread.  The port's trigger events reach SioComPort1Trigger on
// the same thread through the port's notification window.  Handlers catch nothing of their own:
// an error raised by the port is shown by the application's standard exception display and the
// handler's remaining steps are skipped.
#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>

#include "app/KeyGroups.h"
#include "app/LinkDecoder.h"
#include "platform/Component.h"

namespace Ui {
class TForm1;
}
class QTimer;
class TALed;
class TKeyPanel;
class TSioComPort;

class TForm1 : public QWidget, private TPanelSink {
  Q_OBJECT

 public:
  // Creates every control, reads the port's stored properties inside the component loading
  // protocol (so the port opens once loading is complete), then runs FormCreate.
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // Handlers, as the window's events call them.
  void PaClick(int key);  // Pa1Click .. Pa27Click
  void Pa19DblClick();
  void Pa20DblClick();
  void SioComPort1Trigger(TComponent* CP, std::uint16_t Msg, std::uint16_t TriggerHandle,
                          std::uint16_t Data);
  void Timer1Timer();
  void BuResetClick();
  void RaBuCom1Click();
  void RaBuCom2Click();
  void FormCreate();

  // Access for tests and the program.
  Ui::TForm1& Controls() { return *ui; }
  TKeyPanel* Pa(int key) const;   // key 1..27
  TALed* ALed(int led) const;     // led 1..4
  TSioComPort* SioComPort1() const { return FSioComPort1; }
  const TLinkState& Link() const { return FLink; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // TPanelSink: the decoder's updates.
  void SetLabelText(TPanelLabel label, const std::string& text) override;
  void SetRsOnVisible(bool visible) override;
  void SetKeyLit(int key, bool lit) override;
  void SetLedOn(int led, bool on) override;

  void ApplyStyle();
  void ConnectHandlers();
  void ReadPortProperties();
  // The key press with `code`, then the window's own lamp change for it.
  void PressKey(int code);
  void ChoosePort(std::uint16_t comNumber);
  TKeyLamps CurrentLamps() const;

  std::unique_ptr<Ui::TForm1> ui;
  QTimer* Timer1 = nullptr;
  TLinkState FLink;
  // The form as the owner of its non-visual components; destroyed first, so the port closes
  // its device before the controls go.
  std::unique_ptr<TComponent> FComponents;
  TSioComPort* FSioComPort1 = nullptr;  // owned by FComponents
};
