#include "app/Unit1.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QLocale>
#include <QPalette>
#include <QResizeEvent>
#include <QTime>
#include <QTimer>

#include "ProjectVersion.h"
#include "app/Colors.h"
#include "app/DeviceChooser.h"
#include "app/KeyPanel.h"
#include "app/KeyboardHelp.h"
#include "app/KeyboardMap.h"
#include "app/MeasurementsWindow.h"
#include "app/LinkStatusControl.h"
#include "app/PanelActions.h"
#include "app/OpenFailureText.h"
#include "app/PanelPort.h"
#include "app/PortChoices.h"
#include "app/QtHooks.h"
#include "app/ReadingLook.h"
#include "app/RecordingControl.h"
#include "app/StatusStrip.h"
#include "dispatch/SioPortName.h"
#include "led/ALed.h"
#include "platform/Application.h"
#include "platform/SysUtils.h"
#include "port/SioPort.h"
#include "ui_Unit1.h"

namespace {

void SetBackground(QWidget* w, const QColor& colour) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, colour);
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

void SetTextColour(QWidget* w, const QColor& colour) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, colour);
  w->setPalette(pal);
}

// Runs one handler; an exception goes to the standard exception display, as the toolkit's
// message loop does with an exception that leaves an event handler.
template <typename F>
void Guarded(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    Application().ShowException(e);
  }
}

// The reading's font: the seven-segment face bundled with the program, italic, at the largest
// size at which the design text fits the label's design width, as the original face did.
QFont ReadingFont(const QString& designText, int designWidth) {
  static const int loaded = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/DSEG7Classic-Italic.ttf"));
  (void)loaded;
  QFont font(QStringLiteral("DSEG7 Classic"));
  font.setItalic(true);
  int size = 69;
  for (; size > 8; --size) {
    font.setPixelSize(size);
    if (QFontMetrics(font).horizontalAdvance(designText) <= designWidth) break;
  }
  return font;
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TForm1>()), FComponents(std::make_unique<TComponent>(nullptr)) {
  ui->setupUi(this);
  for (int key = 1; key <= FrameKeys; ++key)
    FPa[static_cast<std::size_t>(key)] = findChild<TKeyPanel*>(QStringLiteral("Pa%1").arg(key));
  for (int led = 1; led <= FrameLeds; ++led)
    FALed[static_cast<std::size_t>(led)] = findChild<TALed*>(QStringLiteral("ALed%1").arg(led));
  ApplyStyle();

  Timer1 = new QTimer(this);
  Timer1->setInterval(1000);

  FSioComPort1 = new TSioComPort(FComponents.get());
  FSioComPort1->SetName("SioComPort1");
  // A failed open is told in plain words (the port's own text after them).
  SetExceptionWording([this](const std::string& message) {
    return QString::fromStdString(PlainMessage(message, *FSioComPort1, auWindow, TLinkStatusControl::Words()));
  });
  TComponent::LoadFromDescription(*FComponents, [this] { ReadPortProperties(); });

  ConnectHandlers();
  AddCommands();
  Timer1->start();
  move(3, 95);
  // The panel has one size: nothing to show in more room, and nothing may be cut off.
  setFixedSize(size());
  Guarded([this] { FormCreate(); });
}

TForm1::~TForm1() {
  SetExceptionWording(nullptr);
  // The port goes first: it writes out a running trace or log, closes the device and stops
  // its workers while the controls still exist.
  FComponents.reset();
}

void TForm1::ApplyStyle() {
  SetBackground(this, kBtnFace);
  SetBackground(ui->Panel1, kSilver);
  SetBackground(ui->Panel3, kSilver);
  SetBackground(ui->Panel2, Qt::black);
  SetTextColour(ui->LaTime, Qt::white);
  SetBackground(ui->LaRezult, Qt::black);
  SetTextColour(ui->LaRezult, Qt::red);
  ui->LaRezult->setFont(ReadingFont(ui->LaRezult->text(), ui->LaRezult->width()));
  ui->LaRezult->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  SetTextColour(ui->LaRsOn, Qt::blue);
  // Labels size themselves to their text.
  for (QLabel* l : findChildren<QLabel*>())
    if (l != ui->Image1 && l != ui->LaRezult) l->adjustSize();
  ui->LaRsOn->setVisible(false);
  ui->Image1->setPixmap(QPixmap(QStringLiteral(":/images/frontpanel.bmp")));
  for (int led = 1; led <= FrameLeds; ++led) {
    TALed* l = ALed(led);
    l->SetTrueColor(clRed);
    l->SetFalseColor(clBlack);
    l->SetBlink(false);
  }
  const TKeyLamps lamps = StartKeyLamps();
  for (int key = 1; key <= FrameKeys; ++key) {
    Pa(key)->SetLit(lamps[static_cast<std::size_t>(key - 1)]);
    SetBackground(Pa(key), kBtnFace);
  }
}

void TForm1::ReadPortProperties() {
  SetPanelPortProperties(*FSioComPort1, 2, [this](TComponent* cp, std::uint16_t msg, std::uint16_t handle, std::uint16_t data) {
    SioComPort1Trigger(cp, msg, handle, data);
  });
}

void TForm1::ConnectHandlers() {
  for (int key = 1; key <= FrameKeys; ++key)
    connect(Pa(key), &TKeyPanel::Click, this, [this, key] { Guarded([this, key] { PaClick(key); }); });
  connect(ui->Pa19, &TKeyPanel::DblClick, this, [this] { Guarded([this] { Pa19DblClick(); }); });
  connect(ui->Pa20, &TKeyPanel::DblClick, this, [this] { Guarded([this] { Pa20DblClick(); }); });
  connect(Timer1, &QTimer::timeout, this, [this] { Guarded([this] { Timer1Timer(); }); });
  connect(ui->BuReset, &QPushButton::clicked, this, [this] { Guarded([this] { BuResetClick(); }); });
  // A radio button reports a change of choice only; clicking the chosen one does nothing.
  connect(ui->RaBuCom1, &QRadioButton::toggled, this, [this](bool on) {
    if (on) Guarded([this] { RaBuCom1Click(); });
  });
  connect(ui->RaBuCom2, &QRadioButton::toggled, this, [this](bool on) {
    if (on) Guarded([this] { RaBuCom2Click(); });
  });
}

void TForm1::AddCommands() {
  FStrip = new TStatusStrip(ui->Panel2, ui->LaTime);
  FLinkStatus = new TLinkStatusControl(this, *FSioComPort1, FLink, *FStrip);
  FFeed.AddListener([this](const TMeasurement&) { FLinkStatus->FrameDecoded(); });
  FReadingLook = new TReadingLook(this, *ui->LaRezult, FFeed, *FSioComPort1, *FStrip);
  // Whatever came before a (re)open is not continued by what comes after it.
  FSioComPort1->AddPortListener(&FFeed, [this](TComponent*, bool) { FFeed.LineInterrupted(); });
  FActions = new TPanelActions(this);
  FRecording = new TRecordingControl(this, FFeed, *FStrip, *FActions->Record());
  auto* everyFrame = new QAction(tr("Record every frame"), this);
  everyFrame->setObjectName(QStringLiteral("ActionRecordEveryFrame"));
  everyFrame->setCheckable(true);
  everyFrame->setToolTip(tr("A row for every frame instead of one per measurement"));
  connect(everyFrame, &QAction::toggled, this, [this](bool on) { FFeed.SetEveryFrame(on); });
  FActions->AddMenuAction(everyFrame);
  connect(FActions->CopyReading(), &QAction::triggered, this, [this] { CopyReading(); });
  connect(FActions->Keyboard(), &QAction::triggered, this, [this] { ShowKeyboard(); });
  connect(FActions->Reconnect(), &QAction::triggered, this, [this] { Guarded([this] { FLinkStatus->ReconnectNow(); }); });
  connect(FActions->About(), &QAction::triggered, this, [this] { ShowAbout(); });
  FActions->AddMenuAction(TMeasurementsWindow::OpenAction(this, FFeed));
  connect(FActions->ChoosePort(), &QAction::triggered, this, [this] { Guarded([this] { ChooseDevice(); }); });
  // A keyboard key is a click on its key area; E, the test mode, is the double click on F.
  connect(FActions, &TPanelActions::KeyPressed, this, [this](int code) {
    Guarded([this, code] { code == KeyCodeTestMode ? Pa19DblClick() : PaClick(code); });
  });
  for (const TKeyboardKey& k : KeyboardKeys()) {
    if (k.Code > FrameKeys) continue;
    Pa(k.Code)->setToolTip(
        tr("%1 \u2014 key %2").arg(QCoreApplication::translate("KeyboardMap", k.Legend), QString::fromLatin1(k.Key)));
  }
  // The test mode has no key area of its own: F and T tell of its key too.
  const TKeyboardKey& test = KeyboardKeys()[KeyCodeTestMode - 1];
  for (int key : {19, 20}) {
    Pa(key)->setToolTip(Pa(key)->toolTip() + tr("; double click: test mode \u2014 key %1").arg(QString::fromLatin1(test.Key)));
  }
}

void TForm1::CopyReading() {
  if (!FFeed.Last()) return;
  const QString reading = QString::fromStdString(ReadingWithUnit(*FFeed.Last()));
  QGuiApplication::clipboard()->setText(reading);
  FStrip->Note(tr("copied %1").arg(reading));
}

void TForm1::ShowKeyboard() {
  auto* help = findChild<TKeyboardHelp*>();
  if (help == nullptr) help = new TKeyboardHelp(this);
  help->show();
  help->raise();
}

void TForm1::ShowAbout() {
  QMessageBox::about(
      this, tr("About %1").arg(windowTitle()),
      tr("<p><b>%1</b> \u2014 the remote front panel of the frequency counter, version %2.</p>"
         "<p>Copyright \u00a9 the front panel's authors. This program is free software under the GNU General "
         "Public License, version 3 or later; it comes with no warranty.</p>"
         "<p>The manual: <tt>man frontpanel</tt> (the logger, the command line, the exit statuses) and "
         "%3; the keys: Keyboard\u2026 in the context menu.</p>")
          .arg(windowTitle(), QString::fromLatin1(kProjectVersion),
               QStringLiteral("<tt>/usr/share/doc/frontpanel/README.md</tt>")));
}

void TForm1::ChooseDevice() {
  const unsigned com = FSioComPort1->ComNumber() == 1 ? 1 : 2;
  std::vector<TDeviceChooser::TKnown> known;
  for (unsigned n : {1u, 2u}) known.push_back({tr("Com%1 now").arg(n), QString::fromStdString(PortDeviceName(n))});
  for (const QString& before : ChosenBefore()) known.push_back({tr("chosen before"), before});
  TDeviceChooser chooser(this, com, QString::fromStdString(PortDeviceName(com)), known);
  if (chooser.exec() != QDialog::Accepted) return;
  UseDevice(chooser.ComNumber(), chooser.Path());
}

void TForm1::UseDevice(unsigned comNumber, const QString& path) {
  RememberPortChoice(comNumber, path);
  if (comNumber == FSioComPort1->ComNumber()) {
    ChoosePort(static_cast<std::uint16_t>(comNumber));  // the same number, its new device
  } else {
    (comNumber == 1 ? ui->RaBuCom1 : ui->RaBuCom2)->setChecked(true);  // as a click on it
  }
}

void TForm1::contextMenuEvent(QContextMenuEvent* event) { FActions->Menu()->popup(event->globalPos()); }

TKeyLamps TForm1::CurrentLamps() const {
  TKeyLamps lamps{};
  for (int key = 1; key <= FrameKeys; ++key) lamps[static_cast<std::size_t>(key - 1)] = Pa(key)->Lit();
  return lamps;
}

void TForm1::PressKey(int code) {
  // Sending would open the port again at once (the port opens itself for a write), on a path
  // that may lead to a stranger's terminal until the device is back.
  if (FLinkStatus->Reconnecting()) {
    throw Exception(tr("Key %1 was not sent: the line to the instrument on COM%2 is lost. The window reconnects "
                       "once the device is back (Reconnect now, in the context menu, tries at once).")
                        .arg(code)
                        .arg(FSioComPort1->ComNumber())
                        .toStdString());
  }
  const std::uint8_t byte = KeyPress(FLink, static_cast<std::uint8_t>(code));
  FSioComPort1->PutBlock(&byte, 1);
  FLinkStatus->KeySent(code);
  const TKeyLamps lamps = LampsAfterClick(CurrentLamps(), code);
  for (int key = 1; key <= FrameKeys; ++key) Pa(key)->SetLit(lamps[static_cast<std::size_t>(key - 1)]);
}

void TForm1::PaClick(int key) { PressKey(key); }
void TForm1::Pa19DblClick() { PressKey(KeyCodeTestMode); }
void TForm1::Pa20DblClick() { PressKey(KeyCodeTestMode); }

void TForm1::SioComPort1Trigger(TComponent*, std::uint16_t Msg, std::uint16_t TriggerHandle,
                                std::uint16_t) {
  if (FLinkStatus != nullptr) FLinkStatus->BytesReceived();
  // What was taken is shown even when the port fails half-way through.
  struct TShow {
    TForm1& Form;
    ~TShow() { Form.FUpdates.ShowOn(Form); }
  } show{*this};
  TakeAnnouncedBytes(*FSioComPort1, Msg, TriggerHandle, [this](std::uint8_t b, std::int64_t arrivalNs) {
    FFeed.SetArrival(arrivalNs);
    ReceiveByte(FLink, b, FUpdates, &FFeed);
  });
}

void TForm1::Timer1Timer() {
  // The system's long time format without the zone, worked out once: the clock ticks every second.
  static const QString format = [] {
    QString f = QLocale::system().timeFormat(QLocale::LongFormat);
    return f.remove(QStringLiteral(" t")).remove(QLatin1Char('t')).trimmed();
  }();
  ui->LaTime->setText(QTime::currentTime().toString(format));
  ui->LaTime->adjustSize();
}

void TForm1::BuResetClick() {
  // A lost line has nothing to flush, and flushing would open it again (see PressKey).
  if (!FLinkStatus->Reconnecting()) {
    FSioComPort1->FlushInBuffer();
    FSioComPort1->FlushOutBuffer();
  }
  for (QLabel* l : {ui->LaRS0, ui->LaRS1, ui->LaRS2, ui->LaRS3, ui->LaRS4}) {
    l->setText(QStringLiteral("0"));
    l->adjustSize();
  }
  ResetNibbleStore(FLink);
}

void TForm1::FormCreate() {
  ALed(1)->SetValue(true);
  BuResetClick();
}

void TForm1::ChoosePort(std::uint16_t comNumber) {
  FLinkStatus->PortChosen();
  FSioComPort1->SetOpen(false);
  FSioComPort1->SetComNumber(comNumber);
  FSioComPort1->SetOpen(true);
}

void TForm1::RaBuCom1Click() { ChoosePort(1); }
void TForm1::RaBuCom2Click() { ChoosePort(2); }

void TForm1::resizeEvent(QResizeEvent* event) {
  // The window keeps its designed size (setFixedSize in the constructor); a window manager
  // that resizes it all the same gets the strip along the bottom edge.
  // Panel2 is aligned to the bottom edge and spans the whole width.
  ui->Panel2->setGeometry(0, event->size().height() - 33, event->size().width(), 33);
  QWidget::resizeEvent(event);
}

void TForm1::SetLabelText(TPanelLabel label, const std::string& text) {
  QLabel* const labels[] = {ui->LaReady, ui->LaRS0, ui->LaRS1, ui->LaRS2, ui->LaRS3,
                            ui->LaRS4,   ui->LaRS5, ui->LaRS6, ui->LaRS7, ui->LaRezult};
  QLabel* l = labels[label];
  const QString shown = QString::fromStdString(text);
  if (l->text() == shown) return;
  l->setText(shown);
  l->adjustSize();  // labels size themselves to their text
}

void TForm1::SetRsOnVisible(bool visible) {
  if (ui->LaRsOn->isHidden() == visible) ui->LaRsOn->setVisible(visible);
}
void TForm1::SetKeyLit(int key, bool lit) { Pa(key)->SetLit(lit); }
void TForm1::SetLedOn(int led, bool on) { ALed(led)->SetValue(on); }
