// TForm1: the program's only window, titled "Частотомер".
//
// The upper part shows the instrument's front panel with the 27 key areas, four LEDs and the
// reading over it; below are the raw read-outs of the link, Reset and the Com1/Com2 choice; a
// black strip at the bottom shows the time of day.  The window owns the port object
// SioComPort1, which talks to the instrument, and the link decoder state.
//
// Beyond the designed controls: every decoded frame becomes a measurement (app/MeasurementFeed.h)
// that can be recorded to a CSV file; a context menu and keyboard shortcuts (app/PanelActions.h)
// record, copy the reading and press the panel's keys; the free left part of the bottom strip
// shows what is going on (app/StatusStrip.h): the link's state (app/LinkStatusControl.h, which
// also reconnects a lost line quietly) and the recording.  "Port…" chooses any serial device
// for Com1 or Com2 (app/DeviceChooser.h).  None of it moves or changes a designed control.
//
// Everything here runs on the GUI thread.  The port's trigger events reach SioComPort1Trigger on
// the same thread through the port's notification window.  Handlers catch nothing of their own:
// an error raised by the port is shown by the application's standard exception display and the
// handler's remaining steps are skipped.
#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

#include "app/KeyGroups.h"
#include "app/LinkDecoder.h"
#include "app/MeasurementFeed.h"
#include "app/PanelUpdates.h"
#include "platform/Component.h"

namespace Ui {
class TForm1;
}
class QTimer;
class TALed;
class TKeyPanel;
class TLinkStatusControl;
class TPanelActions;
class TReadingLook;
class TRecordingControl;
class TSioComPort;
class TStatusStrip;

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

  // Beyond the designed window.
  void CopyReading();   // the last measurement's reading with its unit, to the clipboard
  void ShowKeyboard();  // the "Keyboard" window
  void ChooseDevice();  // the "Port" window; its choice goes to UseDevice
  void ShowAbout();     // version, licence, where the manual is
  // Makes `path` the device of Com`comNumber` (remembered for later runs) and opens it: the
  // port reopens when that is its number, else the choice switches to it.
  void UseDevice(unsigned comNumber, const QString& path);

  // Access for tests and the program.
  Ui::TForm1& Controls() { return *ui; }
  TKeyPanel* Pa(int key) const { return FPa[static_cast<std::size_t>(key)]; }  // key 1..27
  TALed* ALed(int led) const { return FALed[static_cast<std::size_t>(led)]; }    // led 1..4
  TSioComPort* SioComPort1() const { return FSioComPort1; }
  const TLinkState& Link() const { return FLink; }
  TMeasurementFeed& Feed() { return FFeed; }
  TPanelActions& Actions() const { return *FActions; }
  TRecordingControl& Recording() const { return *FRecording; }
  TStatusStrip* Strip() const { return FStrip; }
  TLinkStatusControl& LinkStatus() const { return *FLinkStatus; }
  TReadingLook& ReadingLook() const { return *FReadingLook; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // TPanelSink: the decoder's updates.
  void SetLabelText(TPanelLabel label, const std::string& text) override;
  void SetRsOnVisible(bool visible) override;
  void SetKeyLit(int key, bool lit) override;
  void SetLedOn(int led, bool on) override;

  void ApplyStyle();
  void ConnectHandlers();
  void ReadPortProperties();
  void AddCommands();
  // The key press with `code`, then the window's own lamp change for it.
  void PressKey(int code);
  void ChoosePort(std::uint16_t comNumber);
  TKeyLamps CurrentLamps() const;

  std::unique_ptr<Ui::TForm1> ui;
  QTimer* Timer1 = nullptr;
  TLinkState FLink;
  // The decoder's updates while the bytes of one delivery are taken; shown once it is over.
  TPanelUpdates FUpdates;
  std::array<TKeyPanel*, FrameKeys + 1> FPa{};  // [n] is Pa<n>
  std::array<TALed*, FrameLeds + 1> FALed{};    // [n] is ALed<n>
  TMeasurementFeed FFeed;
  TStatusStrip* FStrip = nullptr;
  TLinkStatusControl* FLinkStatus = nullptr;
  TPanelActions* FActions = nullptr;
  TRecordingControl* FRecording = nullptr;
  TReadingLook* FReadingLook = nullptr;
  // The form as the owner of its non-visual components; destroyed first, so the port closes
  // its device before the controls go.
  std::unique_ptr<TComponent> FComponents;
  TSioComPort* FSioComPort1 = nullptr;  // owned by FComponents
};
