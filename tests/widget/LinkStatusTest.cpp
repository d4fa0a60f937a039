// The window's link state, with the real port on pseudo-terminals reached through a link
// path, as the simulator's --link makes it: the far end going away and coming back at the same
// path, a key nobody answers, and choosing a device with "Port…".
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/DeviceChooser.h"
#include "app/LinkStatusControl.h"
#include "app/PanelActions.h"
#include "app/PortChoices.h"
#include "app/RecordingControl.h"
#include "app/Unit1.h"
#include "dispatch/SioPortName.h"
#include "measure/CsvRecorder.h"
#include "platform/Application.h"
#include "port/SioPort.h"
#include "support/LoopbackListener.h"
#include "support/QtWait.h"
#include "support/TestPty.h"
#include "ui_Unit1.h"
#include "unit/RecordingPanel.h"
#include "unit/TraceLogFiles.h"

namespace {

using namespace std::chrono_literals;

class LinkStatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetExceptionDisplay([this](const std::string& m) { Shown.push_back(m); });
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(Folder.File("config")));
    NewPeer();
    SetPortDevicePath(2, Link);
  }
  void TearDown() override {
    Form.reset();
    SetPortDevicePath(2, "");
  }
  // A new far end, the port's path linked to it (replacing a stale link).
  void NewPeer() {
    Peer = std::make_unique<TTestPty>(TTestPty::TSlave::NotHeld);
    std::filesystem::remove(Link);
    std::filesystem::create_symlink(Peer->SlavePath(), Link);
  }
  TForm1& Open() {
    Form = std::make_unique<TForm1>();
    Form->show();
    Form->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    return *Form;
  }
  QString State() const { return Form->LinkStatus().Segment()->text(); }
  bool StateShows(const QString& words, std::chrono::milliseconds timeout = 5s) {
    return PumpQtUntil([&] { return State().contains(words); }, timeout);
  }
  // The instrument's frame for the reading 10000.00<lastDigit>.
  static std::vector<std::uint8_t> Frame(int lastDigit) {
    std::vector<std::uint8_t> bytes{132};
    const auto nibbles = FrameNibblesOf(FrameBytesOf((1u << 5) | (1u << 8) | (1u << 18) | (1u << 23), 1,
                                                     {1, 0, 0, 0, 0, 0, 0, lastDigit}, 8));
    bytes.insert(bytes.end(), nibbles.begin(), nibbles.end());
    return bytes;
  }
  void SendFrame(int lastDigit) { ASSERT_TRUE(Peer->Write(Frame(lastDigit))); }
  bool ShowsReading(const char* text) {
    return PumpQtUntil([&] { return Form->Controls().LaRezult->text() == text; });
  }

  TTempFolder Folder;
  std::string Link = Folder.File("COM2");
  std::unique_ptr<TTestPty> Peer;
  std::vector<std::string> Shown;
  std::unique_ptr<TForm1> Form;
};

TEST_F(LinkStatusTest, ALostLineIsShownOnceAndReopenedQuietlyWhileTheRecordingGoesOn) {
  TForm1& f = Open();
  EXPECT_TRUE(StateShows("COM2 " + QString::fromStdString(Link) + " connected")) << State().toStdString();
  ASSERT_TRUE(f.Recording().StartTo(QString::fromStdString(Folder.File("r.csv"))));
  SendFrame(1);
  ASSERT_TRUE(ShowsReading("10000.001"));

  // The simulator is killed and leaves its link behind, which may lead to another program's
  // pseudo-terminal once that gets the same number: the window waits for the link to be made
  // again, saying so in the strip only.
  Peer->CloseMaster();
  ASSERT_TRUE(StateShows(QStringLiteral("line lost \u2014 waiting for the link to be made again (device gone)")))
      << State().toStdString();
  EXPECT_FALSE(f.SioComPort1()->Open());
  PumpQtUntil([] { return false; }, 1500ms);
  EXPECT_TRUE(State().contains(QStringLiteral("waiting for the link"))) << State().toStdString();
  // A key meanwhile is not sent: sending would open the port again at once, wherever the link
  // leads now.  It is said in a box, once.
  QTest::mouseClick(f.Pa(5), Qt::LeftButton);
  EXPECT_FALSE(f.SioComPort1()->Open());
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0].rfind("Key 5 was not sent: the line to the instrument on COM2 is lost.", 0), 0u) << Shown[0];
  Shown.clear();

  NewPeer();  // started again at the same path
  ASSERT_TRUE(StateShows(QStringLiteral("connected"), 10s)) << State().toStdString();
  SendFrame(2);
  ASSERT_TRUE(ShowsReading("10000.002"));
  EXPECT_TRUE(f.Feed().Recorder().Active());
  EXPECT_EQ(f.Feed().Recorder().Rows(), 2);
  EXPECT_TRUE(Shown.empty()) << Shown.front();
}

TEST_F(LinkStatusTest, AKeyNobodyAnswersIsGivenUpAfter2SecondsAndFramesAreDecodedAgain) {
  TForm1& f = Open();
  QTest::mouseClick(f.Pa(5), Qt::LeftButton);
  EXPECT_EQ(f.Link().CommandPending, 1);
  ASSERT_TRUE(StateShows(QStringLiteral("no answer to key 5"))) << State().toStdString();
  EXPECT_EQ(f.Link().CommandPending, 0);
  SendFrame(3);
  EXPECT_TRUE(ShowsReading("10000.003"));
}

TEST_F(LinkStatusTest, PortChoosesAnyDeviceRemembersItAndTheCommandLineWins) {
  // The chooser follows the devices of its tree while it is open.
  TTempFolder root;
  std::filesystem::create_directories(root.Path() / "dev");
  TDeviceChooser chooser(nullptr, 2, QString(), {}, root.Path().string());
  EXPECT_EQ(chooser.List()->topLevelItemCount(), 0);
  std::ofstream(root.Path() / "dev/ttyACM0") << "";
  ASSERT_TRUE(PumpQtUntil([&] { return chooser.List()->topLevelItemCount() == 1; }));
  chooser.List()->setCurrentItem(chooser.List()->topLevelItem(0));
  EXPECT_EQ(chooser.Path(), QString::fromStdString((root.Path() / "dev/ttyACM0").string()));

  // Ctrl+P: the device typed in becomes Com2's, the port reopens on it.
  TForm1& f = Open();
  auto other = std::make_unique<TTestPty>(TTestPty::TSlave::NotHeld);
  const QString otherPath = QString::fromStdString(other->SlavePath());
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* d = qobject_cast<TDeviceChooser*>(w)) {
        d->PathField()->setText(otherPath);
        d->accept();
      }
    }
  });
  QTest::keyClick(&f, Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(f.SioComPort1()->DeviceName(), other->SlavePath());
  EXPECT_EQ(f.SioComPort1()->PortState(), psOpen);
  EXPECT_EQ(RememberedPortChoice(2), otherPath);

  // Next run: remembered, unless the command line says otherwise.
  SetPortDevicePath(2, "");
  ApplyPortChoices({});
  EXPECT_EQ(PortDeviceName(2), other->SlavePath());
  ApplyPortChoices({{2, Link}});
  EXPECT_EQ(PortDeviceName(2), Link);
  EXPECT_TRUE(Shown.empty()) << Shown.front();
}

TEST_F(LinkStatusTest, ANetworkPathTypedInIsRememberedAndAServerThatClosesIsSaidToHaveClosed) {
  TForm1& f = Open();
  TLoopbackListener server;
  for (const char* scheme : {"rfc2217", "tcp"}) {
    const QString url = QString::fromStdString(server.Url(scheme));
    SCOPED_TRACE(url.toStdString());
    QTimer::singleShot(0, [&] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* d = qobject_cast<TDeviceChooser*>(w)) {
          d->PathField()->setText(QStringLiteral("  ") + url + QStringLiteral(" "));
          d->accept();
        }
      }
    });
    f.findChild<QAction*>(QStringLiteral("ActionChoosePort"))->trigger();  // "Port…"
    EXPECT_EQ(f.SioComPort1()->DeviceName(), url.toStdString());
    EXPECT_EQ(f.SioComPort1()->PortState(), psOpen);
    EXPECT_EQ(RememberedPortChoice(2), url);
  }
  // The raw line reads the instrument's frames; the server closing is no pulled device.
  const int telnet = server.Accept();  // the rfc2217 line's, closed by the switch to tcp://
  const int raw = server.Accept();
  ASSERT_GE(raw, 0);
  close(telnet);
  const std::vector<std::uint8_t> frame = Frame(4);
  ASSERT_EQ(send(raw, frame.data(), frame.size(), MSG_NOSIGNAL), static_cast<ssize_t>(frame.size()));
  EXPECT_TRUE(ShowsReading("10000.004"));
  close(raw);
  EXPECT_TRUE(StateShows(QStringLiteral("line lost \u2014 reconnecting (connection closed by the server)")))
      << State().toStdString();
  EXPECT_TRUE(StateShows(QStringLiteral("connected"))) << State().toStdString();
  // Next run: the network path is remembered like a device's.
  SetPortDevicePath(2, "");
  ApplyPortChoices({});
  EXPECT_EQ(PortDeviceName(2), RememberedPortChoice(2).toStdString());
}

}  // namespace

