// The front panel program's logic end to end: the real window, port and dispatcher against the
// instrument simulator on a pseudo-terminal.
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/KeyPanel.h"
#include "app/LinkDecoder.h"
#include "app/Unit1.h"
#include "dispatch/SioPortName.h"
#include "led/ALed.h"
#include "platform/Application.h"
#include "pty/SimulatorProcess.h"
#include "support/QtWait.h"
#include "ui_Unit1.h"
#include "unit/RecordingPanel.h"

namespace {

// How long the panel may take to show what the simulator sent.
constexpr auto kPanelWait = std::chrono::seconds(8);

// The bytes one side sent, in order, from a simulator capture ("12.345 I 84 03 ...").
std::vector<std::uint8_t> CapturedBytes(const std::string& path, char side) {
  std::vector<std::uint8_t> bytes;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string time, who, hex;
    fields >> time >> who;
    if (who.size() != 1 || who[0] != side) continue;
    while (fields >> hex) bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex, nullptr, 16)));
  }
  return bytes;
}

std::string TempPath(const char* name) {
  return (std::string(::testing::TempDir()) + "/" + name + "-" + std::to_string(::getpid()));
}

class PanelSimulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetExceptionDisplay([this](const std::string& m) { Shown.push_back(m); });
  }
  void TearDown() override {
    Form.reset();
    SetPortDevicePath(2, "");
  }
  TForm1& OpenPanelOn(const std::string& path) {
    SetPortDevicePath(2, path);
    Form = std::make_unique<TForm1>();
    Form->show();
    return *Form;
  }

  std::vector<std::string> Shown;
  std::unique_ptr<TForm1> Form;
};

TEST_F(PanelSimulatorTest, ClicksReachTheInstrumentAndItsFramesDriveThePanel) {
  const std::string capture = TempPath("keys.cap");
  TSimulatorProcess sim({"--period-ms", "100", "--record", capture});
  ASSERT_FALSE(sim.Path().empty());
  TForm1& f = OpenPanelOn(sim.Path());
  ASSERT_TRUE(Shown.empty()) << Shown.front();

  // Frequency mode: the reading in kHz.
  ASSERT_TRUE(PumpQtUntil([&] { return f.Controls().LaRezult->text() != "123467.89"; }, kPanelWait));
  EXPECT_TRUE(f.ALed(1)->Value());
  EXPECT_TRUE(f.Pa(19)->Lit());
  EXPECT_NE(f.Controls().LaRezult->text(), "Error");

  // Period mode: T lit by the instrument, F out, the reading in µs.
  QTest::mouseClick(f.Pa(20), Qt::LeftButton);
  EXPECT_TRUE(PumpQtUntil([&] {
    return f.Link().CommandPending == 0 && f.Pa(20)->Lit() && !f.Pa(19)->Lit() && f.ALed(3)->Value();
  }, kPanelWait));
  EXPECT_EQ(f.Controls().LaReady->text(), "132");  // remote mode

  // Averaging 100: one of five, as the instrument reports it.
  QTest::mouseClick(f.Pa(5), Qt::LeftButton);
  EXPECT_TRUE(PumpQtUntil([&] { return f.Link().CommandPending == 0 && f.Pa(5)->Lit() && !f.Pa(3)->Lit(); }, kPanelWait));

  EXPECT_EQ(sim.Stop(SIGTERM), 0);
  EXPECT_EQ(CapturedBytes(capture, 'P'), (std::vector<std::uint8_t>{20, 5}));
  EXPECT_TRUE(Shown.empty());
  std::remove(capture.c_str());
}

TEST_F(PanelSimulatorTest, BurstOfManyFramesIsFullyProcessed) {
  const std::string capture = TempPath("burst.cap");
  // Frames written at once, 2 ms apart, each reading different.
  TSimulatorProcess sim({"--burst", "--period-ms", "2", "--frames", "200", "--noise-ppm", "300",
                         "--record", capture});
  ASSERT_FALSE(sim.Path().empty());
  TForm1& f = OpenPanelOn(sim.Path());
  // The simulator stops once the panel has read every byte it sent.
  ASSERT_TRUE(PumpQtUntil([&] { return sim.Wait(0) >= 0; }, std::chrono::seconds(20)));
  ASSERT_EQ(sim.Wait(0), 0);

  // What the instrument's last frame says, decoded on the side from the capture.
  TLinkState expectedState;
  TRecordingPanel expected;
  for (std::uint8_t b : CapturedBytes(capture, 'I')) ReceiveByte(expectedState, b, expected);
  ASSERT_GE(expected.FramesDecoded, 150);
  EXPECT_TRUE(PumpQtUntil([&] {
    return f.Controls().LaRezult->text().toStdString() == expected.Label[plRezult];
  }, std::chrono::seconds(2))) << f.Controls().LaRezult->text().toStdString() << " vs " << expected.Label[plRezult];
  for (int k = 1; k <= 27; ++k) EXPECT_EQ(f.Pa(k)->Lit(), expected.Key[k]) << "Pa" << k;
  for (int l = 1; l <= 4; ++l) EXPECT_EQ(f.ALed(l)->Value(), expected.Led[l]) << "ALed" << l;
  EXPECT_EQ(f.Link().NibbleCount, expectedState.NibbleCount);
  std::remove(capture.c_str());
}

}  // namespace
