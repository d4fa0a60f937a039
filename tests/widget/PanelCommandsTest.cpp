// The window's commands beyond its designed controls, with the real port on a pseudo-terminal:
// recording from Ctrl+R and the strip, failures of the file, publishing's part of the strip,
// copying the reading, the keyboard keys and the context menu.  The designed controls must not move or change.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QTableWidget>
#include <QTest>

#include <unistd.h>

#include <clocale>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/KeyPanel.h"
#include "app/KeyboardHelp.h"
#include "app/KeyboardMap.h"
#include "app/MeasurementsWindow.h"
#include "app/LinkStatusControl.h"
#include "app/PanelLanguage.h"
#include "app/PanelActions.h"
#include "app/PanelPublishing.h"
#include "app/PublishStrip.h"
#include "app/ReadingLook.h"
#include "app/RecordingControl.h"
#include "app/StatusStrip.h"
#include "app/Unit1.h"
#include "dispatch/SioPortName.h"
#include "net/MqttTestSupport.h"
#include "platform/Application.h"
#include "support/QtWait.h"
#include "support/TestPty.h"
#include "ui_Unit1.h"
#include "unit/RecordingPanel.h"
#include "unit/TraceLogFiles.h"

namespace {

constexpr int B = BlankDigit;
// Lamps of frames: F (Pa19), averaging 1 s (Pa6) or 10 s (Pa7), marks 1e-7 s (Pa9), 0.3 s (Pa24).
constexpr std::uint32_t kFrequency1s = (1u << 5) | (1u << 8) | (1u << 18) | (1u << 23);
constexpr std::uint32_t kFrequency10s = (1u << 6) | (1u << 8) | (1u << 18) | (1u << 23);
constexpr std::uint32_t kMemory = 1u << 7;  // Pa8, ПАМЯТЬ
constexpr unsigned kKHz = 1, kCounting = 8;

int CountOf(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class PanelCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetExceptionDisplay([this](const std::string& m) { Shown.push_back(m); });
    SetPortDevicePath(2, Pty.SlavePath());
  }
  void TearDown() override {
    Form.reset();
    SetPortDevicePath(2, "");
  }
  TForm1& Open() {
    Form = std::make_unique<TForm1>();
    Form->show();
    Form->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    Form->Recording().SetFileChooser([this](const QString&) { return Chosen; });
    return *Form;
  }
  // A frame in frequency mode, averaging 1000 ms, kHz lit, with the given digits and point.
  void SendFrame(const std::array<int, 8>& digits, int point, std::uint32_t keys = kFrequency1s, unsigned leds = 1) {
    std::vector<std::uint8_t> bytes{132};
    const auto nibbles = FrameNibblesOf(FrameBytesOf(keys, leds, digits, point));
    bytes.insert(bytes.end(), nibbles.begin(), nibbles.end());
    ASSERT_TRUE(Pty.Write(bytes));
  }
  bool ShowsReading(const char* text) {
    return PumpQtUntil([&] { return Form->Controls().LaRezult->text() == text; });
  }
  QLabel* RecordingSegment() const { return Form->Recording().Segment(); }
  // Where every designed control is (labels size themselves to their text: their places).
  QMap<QString, QRect> DesignedGeometry() const {
    QMap<QString, QRect> where;
    for (QWidget* w : Form->findChildren<QWidget*>()) {
      if (w->objectName().isEmpty() || Form->Strip()->isAncestorOf(w) || w == Form->Strip()) continue;
      if (w->window() != Form.get()) continue;  // in a window of its own
      where[w->objectName()] = qobject_cast<QLabel*>(w) ? QRect(w->pos(), QSize()) : w->geometry();
    }
    return where;
  }
  // Whether Panel2 left of the clock is plain black, as designed, but for the link's state,
  // which is always shown at its left end.
  bool StripLeftPartIsBlack() const {
    const QImage image = Form->Controls().Panel2->grab().toImage();
    const QLabel* link = Form->LinkStatus().Segment();
    const QRect linkArea(link->mapTo(Form->Controls().Panel2, QPoint(0, 0)), link->size());
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < Form->Controls().LaTime->x(); ++x)
        if (!linkArea.contains(x, y) && image.pixelColor(x, y) != QColor(Qt::black)) return false;
    return true;
  }

  TTestPty Pty;
  std::vector<std::string> Shown;
  std::unique_ptr<TForm1> Form;
  TTempFolder Folder;
  std::string Csv = Folder.File("readings.csv");
  QString Chosen = QString::fromStdString(Csv);
};

TEST_F(PanelCommandsTest, CtrlRRecordsEveryFrameAndTheStripCountsTheRows) {
  TForm1& f = Open();
  const auto designed = DesignedGeometry();
  EXPECT_TRUE(StripLeftPartIsBlack()) << "nothing to say: the strip as designed";
  EXPECT_LE(f.Strip()->geometry().right(), f.Controls().LaTime->x());

  QTest::keyClick(&f, Qt::Key_R, Qt::ControlModifier);
  ASSERT_TRUE(f.Feed().Recorder().Active()) << (Shown.empty() ? "" : Shown.front());
  EXPECT_TRUE(RecordingSegment()->isVisible());
  SendFrame({1, 0, 0, 0, 0, 0, 0, 0}, 8);
  ASSERT_TRUE(ShowsReading("10000.000"));
  SendFrame({1, 0, 0, 0, 0, 0, 0, 1}, 8);
  ASSERT_TRUE(ShowsReading("10000.001"));
  EXPECT_FALSE(StripLeftPartIsBlack());
  const QString strip = RecordingSegment()->text();
  EXPECT_TRUE(strip.contains("REC")) << strip.toStdString();
  EXPECT_TRUE(strip.contains(QString::fromStdString(Csv).section('/', -1))) << strip.toStdString();
  EXPECT_TRUE(strip.contains("2 rows")) << strip.toStdString();
  EXPECT_EQ(f.Actions().Record()->text(), "Stop recording");

  QTest::keyClick(&f, Qt::Key_R, Qt::ControlModifier);
  EXPECT_FALSE(f.Feed().Recorder().Active());
  SendFrame({2, 0, 0, 0, 0, 0, 0, 0}, 8);
  ASSERT_TRUE(ShowsReading("20000.000"));
  const std::string text = ReadWholeFile(Csv);
  EXPECT_EQ(CountOf(text, "\r\n"), 3) << text;
  EXPECT_EQ(CountOf(text, ",10000.000,kHz,10000000,F,1000,132,,1,start,1\r\n"), 1) << text;
  EXPECT_EQ(CountOf(text, ",10000.001,kHz,10000001,F,1000,132,,1,,1\r\n"), 1) << text;
  EXPECT_FALSE(RecordingSegment()->isVisible());
  EXPECT_TRUE(StripLeftPartIsBlack());
  EXPECT_EQ(DesignedGeometry(), designed) << "no designed control moved";
  EXPECT_TRUE(Shown.empty());

  Chosen.clear();  // the dialog cancelled
  QTest::keyClick(&f, Qt::Key_R, Qt::ControlModifier);
  EXPECT_FALSE(f.Feed().Recorder().Active());
  EXPECT_TRUE(Shown.empty());
}

// Without a broker: the strip says the publisher is retrying, why in its tooltip, and counts the
// frames that did not fit its queue; the designed controls stay where they are.
TEST_F(PanelCommandsTest, PublishingShowsItsStateAndItsDropsInTheStrip) {
  TMqttConfig config;
  config.Host = "127.0.0.1";
  config.Port = FreePort();
  config.QueueCapacity = 1;
  config.ReconnectMinMs = config.ReconnectMaxMs = 20;
  TPanelPublishing publishing(config);
  TForm1& f = Open();
  const auto designed = DesignedGeometry();
  publishing.Attach(f.Feed(), *f.SioComPort1());
  auto* strip = new TPublishStrip(&f, *f.Strip(), publishing);
  ASSERT_TRUE(PumpQtUntil([&] { return strip->Segment()->text().contains("MQTT retrying"); })) << strip->Segment()->text().toStdString();
  EXPECT_TRUE(strip->Segment()->toolTip().contains("refused")) << strip->Segment()->toolTip().toStdString();

  SendFrame({1, 0, 0, 0, 0, 0, 0, 0}, 8);
  ASSERT_TRUE(ShowsReading("10000.000"));
  SendFrame({1, 0, 0, 0, 0, 0, 0, 1}, 8);
  ASSERT_TRUE(ShowsReading("10000.001"));
  SendFrame({1, 0, 0, 0, 0, 0, 0, 2}, 8);
  ASSERT_TRUE(ShowsReading("10000.002"));
  EXPECT_TRUE(PumpQtUntil([&] { return strip->Segment()->text().contains("2 dropped"); })) << strip->Segment()->text().toStdString();
  EXPECT_EQ(publishing.Publisher().Stats().Posted, 3u);
  EXPECT_EQ(DesignedGeometry(), designed) << "no designed control moved";
  Form.reset();  // the window goes before the publishing it reports on
}

TEST_F(PanelCommandsTest, AFileThatCannotBeUsedIsRefusedWithItsReason) {
  WriteWholeFile(Csv, "time,value\n");
  TForm1& f = Open();
  QTest::keyClick(&f, Qt::Key_R, Qt::ControlModifier);
  EXPECT_FALSE(f.Feed().Recorder().Active());
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_NE(Shown[0].find("holds other data"), std::string::npos) << Shown[0];
  EXPECT_TRUE(RecordingSegment()->text().contains("holds other data"));
  EXPECT_EQ(ReadWholeFile(Csv), "time,value\n");
}

TEST_F(PanelCommandsTest, AFailedWriteStopsRecordingOnceAndThePanelGoesOn) {
  TForm1& f = Open();
  ASSERT_TRUE(f.Recording().StartTo(Chosen));
  SendFrame({1, 0, 0, 0, 0, 0, 0, 0}, 8);
  ASSERT_TRUE(ShowsReading("10000.000"));
  ASSERT_EQ(unlink(Csv.c_str()), 0);
  SendFrame({1, 0, 0, 0, 0, 0, 0, 2}, 8);
  ASSERT_TRUE(ShowsReading("10000.002"));
  EXPECT_FALSE(f.Feed().Recorder().Active());
  // The message waits until the decoder's call has returned.
  EXPECT_TRUE(PumpQtUntil([&] { return !Shown.empty(); }));
  SendFrame({1, 0, 0, 0, 0, 0, 0, 3}, 8);
  EXPECT_TRUE(ShowsReading("10000.003")) << "the panel and the link go on";
  ASSERT_EQ(Shown.size(), 1u);
  EXPECT_EQ(Shown[0], "Recording stopped: " + Csv + " was removed");
  EXPECT_TRUE(RecordingSegment()->text().contains("was removed"));
}

TEST_F(PanelCommandsTest, CtrlCCopiesTheReadingWithItsUnit) {
  TForm1& f = Open();
  QGuiApplication::clipboard()->setText("before");
  QTest::keyClick(&f, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "before") << "no measurement yet: nothing to copy";
  SendFrame({1, 0, 0, 0, 0, 0, 0, 0}, 8);
  ASSERT_TRUE(ShowsReading("10000.000"));
  QTest::keyClick(&f, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "10000.000 kHz");
  SendFrame({B, B, B, B, B, B, B, B}, 0);
  ASSERT_TRUE(PumpQtUntil([&] { return f.Controls().LaRezult->text().trimmed().isEmpty(); }));
  QTest::keyClick(&f, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "") << "a blank reading copies as blank";
}

TEST_F(PanelCommandsTest, EveryKeyboardKeyPressesItsPanelKey) {
  TForm1& f = Open();
  for (const TKeyboardKey& k : KeyboardKeys()) {
    QTest::keyClick(&f, QKeySequence(QString::fromLatin1(k.Key))[0].key());
    EXPECT_EQ(Pty.Read(1), std::vector<std::uint8_t>{static_cast<std::uint8_t>(k.Code)}) << k.Key;
    if (k.Code <= 27) {
      EXPECT_TRUE(f.Pa(k.Code)->toolTip().contains(QStringLiteral("key %1").arg(k.Key)))
          << f.Pa(k.Code)->toolTip().toStdString();
    }
  }
  // E, the test mode, lights F and T together as the double click does.
  EXPECT_TRUE(f.Pa(19)->Lit());
  EXPECT_TRUE(f.Pa(20)->Lit());
  EXPECT_TRUE(f.Pa(19)->toolTip().contains("key F"));
  EXPECT_TRUE(f.Pa(19)->toolTip().contains("key E"));
  EXPECT_TRUE(Shown.empty());
}

// The window keeps its designed size; the strip's segments give up room with an ellipsis and
// show their whole text as a tooltip; a copy is noted there for a while.
TEST_F(PanelCommandsTest, TheWindowKeepsItsSizeAndTheStripElidesWhatDoesNotFit) {
  TForm1& f = Open();
  EXPECT_EQ(f.minimumSize(), f.maximumSize());
  EXPECT_EQ(f.size(), QSize(800, 451));
  QLabel* link = f.findChild<QLabel*>(QStringLiteral("LinkState"));
  ASSERT_NE(link, nullptr);
  auto* segment = qobject_cast<TStripSegment*>(link);
  ASSERT_NE(segment, nullptr);
  EXPECT_FALSE(segment->Elided());
  SendFrame({1, 0, 0, 0, 0, 0, 0, 2}, 8);
  ASSERT_TRUE(ShowsReading("10000.002"));
  QTest::keyClick(&f, Qt::Key_C, Qt::ControlModifier);
  QLabel* note = f.findChild<QLabel*>(QStringLiteral("Note"));
  ASSERT_NE(note, nullptr);
  EXPECT_TRUE(note->isVisible());
  EXPECT_TRUE(note->text().contains("copied 10000.002")) << note->text().toStdString();
  const QString whole = QStringLiteral("a message far too long for the strip ").repeated(6);
  TStatusStrip::SetSegmentText(note, whole.toHtmlEscaped());
  ASSERT_TRUE(PumpQtUntil([&] { return qobject_cast<TStripSegment*>(note)->Elided(); }));
  EXPECT_EQ(qobject_cast<TStripSegment*>(note)->PlainText(), whole);
  EXPECT_LE(f.Strip()->childrenRect().right(), f.Strip()->width()) << "nothing runs past the clock";
}

// The reading keeps its designed red only while it is a live measurement; otherwise the same
// text is drawn in a dark red, and the strip says why when it is held or overflowed.
TEST_F(PanelCommandsTest, TheReadingIsDimmedWhenItIsNoLiveMeasurement) {
  TForm1& f = Open();
  QLabel* reading = f.Controls().LaRezult;
  const auto liveColour = [&] { return reading->palette().color(QPalette::WindowText) == QColor(Qt::red); };
  const auto notice = [&] { return f.ReadingLook().Segment()->isVisible() ? f.ReadingLook().Segment()->text() : QString(); };
  EXPECT_EQ(reading->text(), "123467.89");
  EXPECT_FALSE(liveColour()) << "before the first frame: the design text, dimmed";
  struct TStep {
    const char* Name;
    std::uint32_t Keys;
    unsigned Leds;
    std::array<int, 8> Digits;
    int Point;
    const char* Shown;
    bool Live;
    const char* Notice;
  };
  const TStep steps[] = {
      {"a measurement", kFrequency1s, kKHz, {1, 0, 0, 0, 0, 0, 0, 0}, 8, "10000.000", true, ""},
      {"held", kFrequency1s | kMemory, kKHz, {1, 0, 0, 0, 0, 0, 0, 0}, 8, "10000.000", false, "held"},
      {"the hold over, a gate counting", kFrequency1s, kKHz | kCounting, {1, 0, 0, 0, 0, 0, 0, 0}, 8, "10000.000", false, ""},
      {"its result", kFrequency1s, kKHz, {1, 0, 0, 0, 0, 0, 0, 1}, 8, "10000.001", true, ""},
      {"averaging 10 s, counting", kFrequency10s, kKHz | kCounting, {1, 0, 0, 0, 0, 0, 0, 1}, 8, "10000.001", false, ""},
      {"its result overflowed", kFrequency10s, kKHz, {0, 0, 0, 0, 0, 0, 0, 6}, 16, "0000.0006", false,
       "overflow: choose a shorter averaging time"},
      {"averaging 1 s, counting", kFrequency1s, kKHz | kCounting, {0, 0, 0, 0, 0, 0, 0, 6}, 16, "0000.0006", false, ""},
      {"a live measurement again", kFrequency1s, kKHz, {1, 0, 0, 0, 0, 0, 0, 2}, 8, "10000.002", true, ""},
  };
  int frames = 0;
  f.Feed().AddListener([&](const TMeasurement&) { ++frames; });
  for (const TStep& step : steps) {
    SCOPED_TRACE(step.Name);
    const int before = frames;
    SendFrame(step.Digits, step.Point, step.Keys, step.Leds);
    ASSERT_TRUE(PumpQtUntil([&] { return frames > before; }));
    EXPECT_EQ(f.Feed().Last()->Reading, step.Shown);
    EXPECT_EQ(liveColour(), step.Live);
    EXPECT_TRUE(notice().contains(step.Notice)) << notice().toStdString();
    if (step.Notice[0] == '\0') {
      EXPECT_TRUE(notice().isEmpty()) << notice().toStdString();
    }
  }
  // No frame for three frame periods: the last reading is no longer live.
  EXPECT_TRUE(PumpQtUntil([&] { return !liveColour(); }));
  EXPECT_EQ(reading->text(), "10000.002");
}

TEST_F(PanelCommandsTest, RightClickOpensTheMenuWithoutPressingAKey) {
  TForm1& f = Open();
  const QPoint at = f.Pa(5)->rect().center();
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, f.Pa(5)->mapToGlobal(at));
  QApplication::sendEvent(f.Pa(5), &event);
  QMenu* menu = f.Actions().Menu();
  ASSERT_TRUE(PumpQtUntil([&] { return menu->isVisible(); }));
  QStringList entries;
  for (QAction* a : menu->actions()) entries << a->text() + "|" + a->shortcut().toString();
  EXPECT_EQ(entries, (QStringList{"Record…|Ctrl+R", "Copy reading|Ctrl+C", "Port…|Ctrl+P", "Reconnect now|",
                                  "Keyboard…|", "About…|", "Record every frame|", "Measurements…|Ctrl+M"}));
  EXPECT_TRUE(Pty.Read(1, std::chrono::milliseconds(200)).empty()) << "a right click sends no key";
  menu->close();

  f.Actions().Keyboard()->trigger();
  auto* help = f.findChild<TKeyboardHelp*>();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  // Each key with the legend the panel draws, its keyboard key and its code; then every shortcut
  // of the menu.
  const QTableWidget* table = help->findChild<QTableWidget*>();
  QStringList rows;
  for (int row = 0; row < table->rowCount(); ++row) {
    QStringList cells;
    for (int column = 0; column < 3; ++column) cells << (table->item(row, column) ? table->item(row, column)->text() : "");
    rows << cells.join("|");
  }
  for (const char* row : {"10\u00B3 ms|4|6", "\u041F\u0410\u041C\u042F\u0422\u042C|M|8", "A/B|R|21", "0.3 s|Z|24",
                          "\u0422\u0415\u0421\u0422|E|28", "|Ctrl+R|", "|Ctrl+C|", "|Ctrl+P|", "|Ctrl+M|"})
    EXPECT_TRUE(rows.contains(QString::fromUtf8(row))) << row << "\n" << rows.join("\n").toStdString();
}

TEST_F(PanelCommandsTest, CtrlMOpensTheMeasurementsWindowOverThePanelsReadings) {
  TForm1& f = Open();
  const auto designed = DesignedGeometry();
  const QSize size = f.size();
  SendFrame({1, 0, 0, 0, 0, 0, 0, 0}, 8);
  ASSERT_TRUE(ShowsReading("10000.000"));
  SendFrame({1, 0, 0, 0, 0, 0, 0, 2}, 8);
  ASSERT_TRUE(ShowsReading("10000.002"));
  QTest::keyClick(&f, Qt::Key_M, Qt::ControlModifier);
  auto* window = f.findChild<TMeasurementsWindow*>();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->isWindow()) << "a window of its own";
  const QTableWidget* statistics = window->StatisticsTableWidget();
  EXPECT_EQ(statistics->item(0, 1)->text(), "2");
  EXPECT_EQ(statistics->item(2, 1)->text(), "10.0000010") << "the mean a digit finer than the 1 Hz readings";
  EXPECT_EQ(statistics->item(2, 2)->text(), "MHz");
  EXPECT_EQ(f.size(), size);
  EXPECT_EQ(DesignedGeometry(), designed) << "the panel stays as designed";
  EXPECT_TRUE(Pty.Read(1, std::chrono::milliseconds(100)).empty()) << "Ctrl+M is no key of the instrument";
  window->close();
  QTest::keyClick(&f, Qt::Key_M, Qt::ControlModifier);
  EXPECT_EQ(f.findChildren<TMeasurementsWindow*>().size(), 1) << "opened again, not made again";
  EXPECT_TRUE(window->isVisible());
}

// A Russian user's session: the C library in the Russian locale, as Qt leaves it for a Russian
// user, and the window in Russian.  Its menu and its Measurements window speak Russian and write
// a decimal comma; what it records and copies is the English window's, byte for byte but for the
// time.
TEST_F(PanelCommandsTest, ARussianWindowRecordsAndCopiesAsAnEnglishOne) {
  struct TSeen {
    std::string Csv;
    QString Copied, Record, MeanName, Mean, Unit;
  };
  std::vector<TSeen> seen;
  for (const auto& [language, locale] : {std::pair{lnEnglish, "C"}, std::pair{lnRussian, "ru_RU.UTF-8"}}) {
    ASSERT_NE(std::setlocale(LC_ALL, locale), nullptr) << "the locale " << locale << " is missing (tools/setup.sh makes it)";
    ASSERT_TRUE(UseLanguage(*qApp, language));
    Chosen = QString::fromStdString(Folder.File(std::string("readings-") + LanguageCode(language) + ".csv"));
    TForm1& f = Open();
    QTest::keyClick(&f, Qt::Key_R, Qt::ControlModifier);
    SendFrame({1, 0, 0, 0, 0, 0, 0, 0}, 8);
    ASSERT_TRUE(ShowsReading("10000.000"));
    SendFrame({1, 0, 0, 0, 0, 0, 0, 1}, 8);
    ASSERT_TRUE(ShowsReading("10000.001"));
    QTest::keyClick(&f, Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(&f, Qt::Key_R, Qt::ControlModifier);
    QTest::keyClick(&f, Qt::Key_M, Qt::ControlModifier);
    const QTableWidget* statistics = f.findChild<TMeasurementsWindow*>()->StatisticsTableWidget();
    TSeen s;
    // The time columns differ from run to run: they are checked for their form, then left out.
    std::istringstream rows(ReadWholeFile(Chosen.toStdString()));
    for (std::string row; std::getline(rows, row);) {
      const auto first = row.find(','), second = row.find(',', first + 1);
      const std::string elapsed = row.substr(first + 1, second - first - 1);
      if (!s.Csv.empty()) {
        EXPECT_EQ(elapsed.find_first_not_of("0123456789."), std::string::npos) << row;
      }
      s.Csv += row.substr(second) + "\n";
    }
    s.Copied = QGuiApplication::clipboard()->text();
    s.Record = f.Actions().Record()->text();
    s.MeanName = statistics->item(2, 0)->text();
    s.Mean = statistics->item(2, 1)->text();
    s.Unit = statistics->item(2, 2)->text();
    seen.push_back(s);
    Form.reset();
  }
  std::setlocale(LC_ALL, "C");
  UseLanguage(*qApp, lnEnglish);
  EXPECT_EQ(seen[1].Csv, seen[0].Csv);
  EXPECT_EQ(CountOf(seen[0].Csv, "\n"), 3) << seen[0].Csv;
  EXPECT_EQ(seen[1].Copied, "10000.001 kHz");
  EXPECT_EQ(seen[0].Copied, "10000.001 kHz");
  EXPECT_EQ(seen[0].Record + seen[0].MeanName + seen[0].Mean + seen[0].Unit, "Record…mean10.0000005MHz");
  EXPECT_EQ(seen[1].Record + seen[1].MeanName + seen[1].Mean + seen[1].Unit, "Запись…среднее10,0000005МГц");
}

}  // namespace
