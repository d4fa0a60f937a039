// The front panel window with its real port on a pseudo-terminal: start state, key clicks and
// the bytes they send, frames arriving from the instrument, Reset, and port errors.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTest>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/KeyPanel.h"
#include "app/Unit1.h"
#include "dispatch/SioPortName.h"
#include "led/ALed.h"
#include "platform/Application.h"
#include "port/SioPort.h"
#include "support/QtWait.h"
#include "support/TestPty.h"
#include "ui_Unit1.h"

namespace {

// A frame: status byte, then the 18 nibbles of the bytes given (low nibble first).
std::vector<std::uint8_t> Frame(std::uint8_t status, const std::vector<std::uint8_t>& bytes9) {
  std::vector<std::uint8_t> out{status};
  for (std::uint8_t b : bytes9) {
    out.push_back(b & 0x0F);
    out.push_back(b >> 4);
  }
  return out;
}

// Reading "12345.678" (point after digit 5): digits travel high digit in the high nibble.
std::vector<std::uint8_t> FrameBytes(std::uint8_t lamps1, std::uint8_t lamps2, std::uint8_t lamps3,
                                     std::uint8_t byte4, int d1, int d2, int d3, int d4, int d5,
                                     int d6, int d7, int d8, std::uint8_t point) {
  auto pair = [](int hi, int lo) { return static_cast<std::uint8_t>(hi << 4 | lo); };
  return {lamps1, lamps2, lamps3, byte4, pair(d1, d2), pair(d3, d4), pair(d5, d6), pair(d7, d8), point};
}

// A double click as the window system reports it: press, release, double-click press, release.
void DoubleClick(QWidget* w) {
  const QPointF at(w->width() / 2.0, w->height() / 2.0);
  const QPointF global = w->mapToGlobal(at);
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                            QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
    const bool down = type != QEvent::MouseButtonRelease;
    QMouseEvent e(type, at, global, Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
}

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetExceptionDisplay([this](const std::string& m) { Shown.push_back(m); });
    SetPortDevicePath(1, "/nonexistent/frontpanel-test-port-1");
    SetPortDevicePath(2, Pty.SlavePath());
  }
  void TearDown() override {
    Form.reset();
    SetPortDevicePath(1, "");
    SetPortDevicePath(2, "");
  }
  TForm1& Open() {
    Form = std::make_unique<TForm1>();
    Form->show();
    return *Form;
  }
  std::vector<bool> Lamps() const {
    std::vector<bool> lit;
    for (int k = 1; k <= 27; ++k) lit.push_back(Form->Pa(k)->Lit());
    return lit;
  }
  QString Text(QLabel* l) const { return l->text(); }

  TTestPty Pty;
  std::vector<std::string> Shown;
  std::unique_ptr<TForm1> Form;
};

TEST_F(FormTest, StartsWithTheDesignStateAndThePortOpen) {
  TForm1& f = Open();
  EXPECT_TRUE(Shown.empty()) << Shown.front();
  EXPECT_TRUE(f.SioComPort1()->Open());
  for (int k = 1; k <= 27; ++k)
    EXPECT_EQ(f.Pa(k)->Lit(), k == 3 || k == 9 || k == 19 || k == 24) << "Pa" << k;
  EXPECT_TRUE(f.ALed(1)->Value());
  for (int l = 2; l <= 4; ++l) EXPECT_FALSE(f.ALed(l)->Value()) << "ALed" << l;
  EXPECT_EQ(f.Controls().LaRezult->text(), "123467.89");
  EXPECT_FALSE(f.Controls().LaRsOn->isVisible());
  EXPECT_TRUE(f.Controls().RaBuCom2->isChecked());
  EXPECT_EQ(f.windowTitle(), QString::fromUtf8("Частотомер"));
}

TEST_F(FormTest, ClicksSendKeyCodesThenChangeTheLamps) {
  TForm1& f = Open();
  QTest::mouseClick(f.Pa(5), Qt::LeftButton);
  EXPECT_EQ(Pty.Read(1), std::vector<std::uint8_t>{5});
  for (int k = 3; k <= 7; ++k) EXPECT_EQ(f.Pa(k)->Lit(), k == 5);
  const auto before = Lamps();
  QTest::mouseClick(f.Pa(5), Qt::LeftButton);
  EXPECT_EQ(Pty.Read(1), std::vector<std::uint8_t>{5});
  EXPECT_EQ(Lamps(), before);

  QTest::mouseClick(f.Pa(8), Qt::LeftButton);
  QTest::mouseClick(f.Pa(8), Qt::LeftButton);
  EXPECT_EQ(Pty.Read(2), (std::vector<std::uint8_t>{8, 8}));
  EXPECT_EQ(Lamps(), before);
  EXPECT_EQ(f.Link().CommandPending, 1);
  EXPECT_EQ(f.Link().KeyCode, 8);
}

TEST_F(FormTest, DoubleClickOnLitFSendsItsCodeThenTheTestCode) {
  TForm1& f = Open();
  ASSERT_TRUE(f.Pa(19)->Lit());
  // The first press of a double click is a click too.
  DoubleClick(f.Pa(19));
  EXPECT_EQ(Pty.Read(2), (std::vector<std::uint8_t>{19, 28}));
  EXPECT_TRUE(f.Pa(19)->Lit());
  EXPECT_TRUE(f.Pa(20)->Lit());
  EXPECT_FALSE(f.Pa(21)->Lit());
  EXPECT_FALSE(f.Pa(22)->Lit());
  // A double click on A/B sends nothing of its own.
  DoubleClick(f.Pa(21));
  EXPECT_EQ(Pty.Read(1), std::vector<std::uint8_t>{21});
  EXPECT_TRUE(Pty.Read(1, std::chrono::milliseconds(300)).empty());
}

TEST_F(FormTest, FramesFromTheInstrumentSetLampsLedsAndReading) {
  TForm1& f = Open();
  // Lamps Pa1, Pa10, Pa18, Pa27; LEDs ALed4 and ALed2; reading 12345.678, then remote on.
  const auto frame = Frame(132, FrameBytes(0x01, 0x02, 0x02, 0x04 | 0x10 | 0x40, 1, 2, 3, 4, 5, 6, 7, 8, 0x08));
  Pty.Write(frame);
  ASSERT_TRUE(PumpQtUntil([&] { return f.Controls().LaRezult->text() == "12345.678"; }))
      << f.Controls().LaRezult->text().toStdString();
  for (int k = 1; k <= 27; ++k) EXPECT_EQ(f.Pa(k)->Lit(), k == 1 || k == 10 || k == 18 || k == 27) << k;
  EXPECT_FALSE(f.ALed(1)->Value());
  EXPECT_TRUE(f.ALed(2)->Value());
  EXPECT_FALSE(f.ALed(3)->Value());
  EXPECT_TRUE(f.ALed(4)->Value());
  EXPECT_TRUE(f.Controls().LaRsOn->isVisible());
  EXPECT_EQ(f.Controls().LaReady->text(), "132");
  EXPECT_EQ(f.Controls().LaRS0->text(), "1");   // nibble 1: low half of lamps byte 1
  EXPECT_EQ(f.Controls().LaRS7->text(), "5");   // nibble 8: high half of byte 4
  EXPECT_TRUE(Shown.empty());
}

TEST_F(FormTest, BurstOfFramesIsFullyProcessed) {
  TForm1& f = Open();
  std::vector<std::uint8_t> burst;
  for (int i = 0; i < 60; ++i) {
    const auto fr = Frame(128, FrameBytes(0, 0, 0, 0x20, 0, 0, 0, i / 10, i % 10, 1, 2, 3, 0x04));
    burst.insert(burst.end(), fr.begin(), fr.end());
  }
  Pty.Write(burst);
  // The last frame reads 000591.23 (leading zeros are digits, not blanks).
  EXPECT_TRUE(PumpQtUntil([&] { return f.Controls().LaRezult->text() == "000591.23"; }))
      << f.Controls().LaRezult->text().toStdString();
  EXPECT_EQ(f.Link().NibbleCount, 18);
  // Then a flood of status bytes, as a garbled line brings: LaReady ends on the last of them
  // (the only 200), and the frame's lamps, LEDs and reading stay.
  std::vector<std::uint8_t> flood;
  for (unsigned i = 0; i < 3000; ++i) flood.push_back(static_cast<std::uint8_t>(16 + (i * 2654435761u >> 7) % 184));
  flood.push_back(200);
  ASSERT_TRUE(Pty.Write(flood));
  EXPECT_TRUE(PumpQtUntil([&] { return f.Controls().LaReady->text() == "200"; }))
      << f.Controls().LaReady->text().toStdString();
  EXPECT_EQ(f.Controls().LaRezult->text(), "000591.23");
  EXPECT_TRUE(f.ALed(1)->Value());
  EXPECT_EQ(f.Link().NibbleCount, 0);
}

TEST_F(FormTest, ResetClearsTheFirstFiveEchoesAndTheStoreOnly) {
  TForm1& f = Open();
  Pty.Write(Frame(130, FrameBytes(0x21, 0x43, 0x65, 0x87, 1, 2, 3, 4, 5, 6, 7, 8, 0)));
  ASSERT_TRUE(PumpQtUntil([&] { return f.Controls().LaRezult->text() == "12345678"; }));
  QTest::mouseClick(f.Controls().BuReset, Qt::LeftButton);
  const QLabel* rs[] = {f.Controls().LaRS0, f.Controls().LaRS1, f.Controls().LaRS2, f.Controls().LaRS3,
                        f.Controls().LaRS4, f.Controls().LaRS5, f.Controls().LaRS6, f.Controls().LaRS7};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(rs[i]->text(), "0") << i;
  EXPECT_EQ(rs[5]->text(), "6");  // nibbles 6..8: high half of byte 3, both halves of byte 4
  EXPECT_EQ(rs[6]->text(), "7");
  EXPECT_EQ(rs[7]->text(), "8");
  for (int v : f.Link().Nibbles) EXPECT_EQ(v, 0);
  EXPECT_EQ(f.Link().NibbleCount, 18);
  EXPECT_EQ(f.Controls().LaRezult->text(), "12345678");
  EXPECT_EQ(f.Controls().LaReady->text(), "130");
}

TEST_F(FormTest, FailedKeyPressReportsTheErrorAndKeepsTheLamps) {
  SetPortDevicePath(2, "/nonexistent/frontpanel-test-port-2");
  TForm1& f = Open();
  // The open after loading fails, and so does FormCreate's flush, which tries again.
  ASSERT_EQ(Shown.size(), 2u);
  Shown.clear();
  const auto before = Lamps();
  QTest::mouseClick(f.Pa(5), Qt::LeftButton);
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0], "ie_BadId - Specified comport doesn't exist: /nonexistent/frontpanel-test-port-2 was not found");
  EXPECT_EQ(Lamps(), before);
  EXPECT_EQ(f.Link().CommandPending, 1);
  EXPECT_EQ(f.Link().KeyCode, 5);
}

TEST_F(FormTest, ChoosingAMissingCom1ReportsItAndTheNextClickRetries) {
  TForm1& f = Open();
  f.Controls().RaBuCom1->click();
  ASSERT_EQ(Shown.size(), 1u);
  const std::string missing = "ie_BadId - Specified comport doesn't exist: " + PortDeviceName(1) + " was not found";
  EXPECT_EQ(Shown[0], missing);
  EXPECT_FALSE(f.SioComPort1()->Open());
  EXPECT_EQ(f.SioComPort1()->ComNumber(), 1);
  // Clicking the chosen button again does nothing.
  f.Controls().RaBuCom1->click();
  EXPECT_EQ(Shown.size(), 1u);
  QTest::mouseClick(f.Pa(2), Qt::LeftButton);
  ASSERT_EQ(Shown.size(), 2u);
  EXPECT_EQ(Shown[1], missing);
  EXPECT_FALSE(f.Pa(2)->Lit());
  // Back to Com2 reopens the pseudo-terminal.
  f.Controls().RaBuCom2->click();
  EXPECT_EQ(Shown.size(), 2u);
  EXPECT_TRUE(f.SioComPort1()->Open());
}

}  // namespace
