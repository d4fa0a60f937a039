// The Measurements window over a series of the panel's measurements: the tables and charts show
// what the statistics code works out (the same figures as the headless summary), the trend
// chart zooms, pans and follows, a reset starts afresh, and the exports write what is shown.
#include <QAction>
#include <QCategoryAxis>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineSeries>
#include <QTableWidget>
#include <QTest>
#include <QWheelEvent>

#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/MeasurementFeed.h"
#include "app/MeasurementsWindow.h"
#include "app/PanelLanguage.h"
#include "app/StatisticsCharts.h"
#include "app/TrendChart.h"
#include "measure/Deviations.h"
#include "measure/NumberText.h"
#include "measure/SeriesTables.h"
#include "platform/Application.h"
#include "support/QtWait.h"
#include "unit/TraceLogFiles.h"

namespace {

constexpr std::int64_t kSpacingNs = 300'000'000;

class MeasurementsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetExceptionDisplay([this](const std::string& m) { Shown.push_back(m); });
    Feed.SetClock([this] { return TTimestamp{0, Ns += kSpacingNs}; });
  }
  // Frequency mode, averaging 1000 ms (Pa6), kHz lit: 10 MHz with white noise of 1e-6, read
  // to 1 Hz as the counter shows it.
  void AddReadings(int count, int gateKey = 6) {
    std::normal_distribution<double> noise(0, 10);
    for (int i = 0; i < count; ++i) {
      TDecodedFrame f;
      f.Keys[19 - 1] = true;
      f.Keys[static_cast<std::size_t>(gateKey - 1)] = true;
      f.Leds[0] = true;
      char text[16];
      std::snprintf(text, sizeof text, "%.3f", std::round(1e7 + noise(Random)) / 1e3);
      f.Reading = text;
      Feed.FrameDecoded(f);
    }
  }
  TMeasurementsWindow& Open() {
    Window = std::make_unique<TMeasurementsWindow>(Feed, nullptr);
    Window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    return Settle();
  }
  // Lets the workers finish and the window take their results, as its timer would.  Thrice: a
  // result the worker was busy with when the choices changed is dropped and asked for again,
  // and the trend is reduced again for the width its new labels leave.
  TMeasurementsWindow& Settle() {
    for (int i = 0; i < 3; ++i) {
      Window->Refresh();
      Window->WaitForAnalysis();
      QApplication::processEvents();
    }
    return *Window;
  }
  static std::vector<std::vector<std::string>> Cells(QTableWidget* t) {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < t->rowCount(); ++r) {
      rows.emplace_back();
      for (int c = 0; c < t->columnCount(); ++c) rows.back().push_back(t->item(r, c)->text().toStdString());
    }
    return rows;
  }
  void Wheel(int steps) {
    TTrendChart* chart = Window->Trend();
    const QPointF at = chart->chart()->plotArea().center();
    QWheelEvent wheel(at, chart->mapToGlobal(at), QPoint(), QPoint(0, 120 * steps), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(chart->viewport(), &wheel);
    QApplication::processEvents();
  }

  std::mt19937 Random{5};
  std::int64_t Ns = 0;
  TMeasurementFeed Feed;
  std::unique_ptr<TMeasurementsWindow> Window;
  std::vector<std::string> Shown;
  TTempFolder Folder;
};

TEST_F(MeasurementsWindowTest, ShowsTheSeriesFiguresAsTheSummaryGivesThem) {
  AddReadings(3000);
  TMeasurementsWindow& w = Open();
  ASSERT_TRUE(w.Analysis().has_value());
  const TSeriesAnalysis& a = *w.Analysis();
  EXPECT_EQ(a.Count, 3000u);
  EXPECT_EQ(Cells(w.StatisticsTableWidget()), StatisticsTable(Feed.Summary(), &a, ffShown).Rows);
  EXPECT_EQ(w.StatisticsTableWidget()->item(0, 1)->text(), "3000");
  EXPECT_EQ(Cells(w.AdevTableWidget()), DeviationTable(a, ffShown).Rows);
  ASSERT_EQ(a.Adev().size(), 11u) << "m = 1 .. 1024 while 2m < 3000";
  EXPECT_NEAR(a.Adev()[0].TauS, 0.3, 1e-12);
  EXPECT_NEAR(a.Adev()[0].Value, 1e-6, 0.08e-6) << "the noise, read to 1 Hz";

  // The headless summary prints the same figures for the same measurements.
  const std::string json = Feed.Summary().Json();
  std::string pairs;
  for (const TDeviationPoint& p : a.Adev()) pairs += (pairs.empty() ? "[" : ",[") + ShortestText(p.TauS) + "," + ShortestText(p.Value) + "]";
  EXPECT_NE(json.find("\"adev\":[" + pairs + "],"), std::string::npos) << json;

  EXPECT_EQ(w.AdevPlot()->Line()->count(), 11);
  const auto drawn = w.Trend()->Line()->count();
  EXPECT_GT(drawn, 100);
  EXPECT_LE(drawn, 2 * static_cast<int>(w.Trend()->chart()->plotArea().width()) + 2) << "two points per pixel column";
  EXPECT_GT(w.Histogram()->Outline()->count(), 4);
  std::int64_t histogram = 0;
  for (auto c : a.Histogram.Counts) histogram += c;
  EXPECT_EQ(histogram, 3000);
  EXPECT_TRUE(Shown.empty());
}

TEST_F(MeasurementsWindowTest, AGrowingSeriesIsDrawnWhole) {
  // Fewer points than pixel columns: each one is drawn, however the series grew.
  Open();
  std::set<double> ends;  // of the time axis: it moves in steps, not with every point
  for (int round = 0; round < 60; ++round) {
    AddReadings(5);
    Settle();
    const double last = Feed.Summary().Store()->View().Seconds(Feed.Summary().Store()->Size() - 1);
    ASSERT_GE(Window->Trend()->Range().right(), last) << round;
    ASSERT_LE(Window->Trend()->Range().right(), last * 1.2) << round;
    ends.insert(Window->Trend()->Range().right());
  }
  EXPECT_LT(ends.size(), 30u);
  const auto view = Feed.Summary().Store()->View();
  QLineSeries* line = Window->Trend()->Line();
  ASSERT_EQ(line->count(), static_cast<int>(view.Size()));
  for (int i = 0; i < line->count(); ++i) {
    EXPECT_EQ(line->at(i), QPointF(view.Seconds(static_cast<std::size_t>(i)), view.Value(static_cast<std::size_t>(i)))) << i;
  }
}

TEST_F(MeasurementsWindowTest, LeftToItselfTheWindowShowsTheLastOfEachBurst) {
  // Measurements come faster than the window redraws: what it shows after a burst is the
  // whole series (fewer points than pixel columns: each one drawn), with nobody asking it to
  // refresh.
  struct TBurst {
    int Readings;
    int Times;
  };
  Open();
  std::size_t total = 0;
  for (const TBurst& b : {TBurst{2, 1}, TBurst{5, 3}, TBurst{100, 2}}) {
    for (int i = 0; i < b.Times; ++i) {
      AddReadings(b.Readings);
      QApplication::processEvents();
    }
    total += static_cast<std::size_t>(b.Readings * b.Times);
    const auto shown = [&] {
      const auto& a = Window->Analysis();
      return a && a->Count == total && Window->StatisticsTableWidget()->item(0, 1)->text() == QString::number(total) &&
             Window->Trend()->PointCount() == static_cast<int>(total) &&
             Window->Trend()->Range().right() >= Feed.Summary().Store()->View().Seconds(total - 1);
    };
    ASSERT_TRUE(PumpQtUntil(shown, std::chrono::seconds(20))) << b.Readings << " x " << b.Times;
    EXPECT_EQ(Cells(Window->StatisticsTableWidget()), StatisticsTable(Feed.Summary(), &*Window->Analysis(), ffShown).Rows);
    EXPECT_EQ(Cells(Window->AdevTableWidget()), DeviationTable(*Window->Analysis(), ffShown).Rows);
  }
}

TEST_F(MeasurementsWindowTest, TheAxesFollowValuesThatJumpByDecadesAndBack) {
  // Steady readings (a span of a hundredth of a hertz) and readings decades away, in turn:
  // each change of the axes must lay out a handful of ticks, not span / old step of them
  // (which stalled the window for minutes).
  Open();
  const char* readings[] = {"10000.000", "0.0086", "10000.000", "10000.001", "0.000", "99999.999", "0.0086", "0.0087"};
  for (int round = 0; round < 3; ++round) {
    for (const char* reading : readings) {
      for (int i = 0; i < 3; ++i) {
        TDecodedFrame f;
        f.Keys[19 - 1] = f.Keys[6 - 1] = f.Leds[0] = true;
        f.Reading = reading;
        Feed.FrameDecoded(f);
      }
      Settle();
      QApplication::processEvents();
      Window->Trend()->grab();
    }
    Window->ResetStatistics();
  }
  const auto view = Feed.Summary().Store()->View();
  EXPECT_EQ(view.Size(), 0u);
  for (const char* reading : {"10000.000", "10000.000"}) {
    TDecodedFrame f;
    f.Keys[19 - 1] = f.Keys[6 - 1] = f.Leds[0] = true;
    f.Reading = reading;
    Feed.FrameDecoded(f);
  }
  Settle();
  EXPECT_LT(Window->Trend()->Range().height(), 1.0);
  EXPECT_GT(Window->Trend()->Range().top(), 9e6);
}

TEST_F(MeasurementsWindowTest, ZoomAndPanPauseTheScrollingUntilReset) {
  AddReadings(1000);
  TMeasurementsWindow& w = Open();
  TTrendChart* chart = w.Trend();
  ASSERT_TRUE(chart->Following());
  const QRectF whole = chart->Range();
  EXPECT_LE(whole.left(), 0.0);
  EXPECT_GE(whole.right(), 999 * 0.3 - 1e-9);

  Wheel(3);
  EXPECT_FALSE(chart->Following());
  const QRectF zoomed = chart->Range();
  EXPECT_LT(zoomed.width(), whole.width() * 0.6);
  EXPECT_GT(zoomed.left(), whole.left());
  AddReadings(500);
  Settle();
  EXPECT_EQ(chart->Range(), zoomed) << "new points do not move a zoomed chart";

  // Shift+drag pans: the same width, further left.
  QWidget* surface = chart->viewport();
  const QPoint from = chart->chart()->plotArea().center().toPoint();
  QTest::mousePress(surface, Qt::LeftButton, Qt::ShiftModifier, from);
  QMouseEvent move(QEvent::MouseMove, QPointF(from + QPoint(100, 0)), chart->mapToGlobal(QPointF(from + QPoint(100, 0))),
                   Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
  QApplication::sendEvent(surface, &move);
  QTest::mouseRelease(surface, Qt::LeftButton, Qt::ShiftModifier, from + QPoint(100, 0));
  QApplication::processEvents();
  EXPECT_LT(chart->Range().left(), zoomed.left());
  EXPECT_NEAR(chart->Range().width(), zoomed.width(), zoomed.width() * 1e-6);

  w.findChild<QAction*>("ActionWholeSeries")->trigger();
  EXPECT_TRUE(chart->Following());
  chart->WaitForPoints();  // reduced on the chart's worker
  EXPECT_GE(chart->Range().right(), 1499 * 0.3 - 1e-9) << "back to the whole series, new points included";
  AddReadings(100);
  Settle();
  EXPECT_GE(chart->Range().right(), 1599 * 0.3 - 1e-9) << "and scrolling on";

  // A rectangle dragged over the plot is zoomed to.
  const QRectF before = chart->Range();
  QTest::mousePress(surface, Qt::LeftButton, Qt::NoModifier, from - QPoint(60, 40));
  QMouseEvent drag(QEvent::MouseMove, QPointF(from + QPoint(60, 40)), chart->mapToGlobal(QPointF(from + QPoint(60, 40))),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(surface, &drag);
  QTest::mouseRelease(surface, Qt::LeftButton, Qt::NoModifier, from + QPoint(60, 40));
  QApplication::processEvents();
  EXPECT_FALSE(chart->Following());
  EXPECT_LT(chart->Range().width(), before.width() / 3);
  EXPECT_LT(chart->Range().height(), before.height() / 2);
}

TEST_F(MeasurementsWindowTest, AResetOrAnotherAveragingTimeStartsAFreshSeries) {
  AddReadings(50);
  TMeasurementsWindow& w = Open();
  w.findChild<QAction*>("ActionResetStatistics")->trigger();
  Settle();
  EXPECT_EQ(w.StatisticsTableWidget()->item(0, 1)->text(), "0");
  EXPECT_EQ(w.StatisticsTableWidget()->item(2, 1)->text(), "") << "no mean of nothing";
  EXPECT_EQ(w.AdevTableWidget()->rowCount(), 0);
  EXPECT_EQ(w.Trend()->Line()->count(), 0);
  AddReadings(10);
  // Averaging 100 ms: values of another resolution.  The first frame after the change shows
  // what the display held before it, not a measurement.
  AddReadings(7, 5);
  Settle();
  EXPECT_EQ(w.StatisticsTableWidget()->item(0, 1)->text(), "6");
  EXPECT_EQ(w.Analysis()->Count, 6u);
  EXPECT_EQ(w.AdevTableWidget()->rowCount(), 2);
}

TEST_F(MeasurementsWindowTest, ShowsErrorBarsForTheChosenDeviations) {
  AddReadings(2000);
  TMeasurementsWindow& w = Open();
  EXPECT_EQ(w.Deviations(), DeviationBit(dvOadev)) << "the overlapping Allan deviation to begin with";
  w.findChild<QAction*>("ActionDeviation_mdev")->trigger();
  w.findChild<QAction*>("ActionDeviation_tdev")->trigger();
  Settle();
  const TSeriesAnalysis& a = *w.Analysis();
  TAdevPlot* plot = w.AdevPlot();
  for (const TDeviationKind kind : {dvOadev, dvMdev, dvTdev}) {
    const auto& curve = a.Stability.Curves[kind];
    ASSERT_GE(curve.size(), 8u) << DeviationName(kind);
    EXPECT_EQ(plot->Line(kind)->count(), static_cast<int>(curve.size()));
    const std::vector<QLineF> bars = plot->ErrorBars(kind);
    ASSERT_EQ(bars.size(), curve.size()) << DeviationName(kind);
    for (std::size_t i = 0; i < bars.size(); ++i) {
      // From the interval's low end up to its high end, through the point, at its tau.
      const QPointF at = plot->chart()->mapToPosition(QPointF(curve[i].TauS, curve[i].Value), plot->Line(kind));
      EXPECT_NEAR(bars[i].x1(), at.x(), 0.01);
      EXPECT_GT(bars[i].y1(), at.y()) << "low is below (greater y)";
      EXPECT_LT(bars[i].y2(), at.y());
    }
  }
  EXPECT_TRUE(plot->ErrorBars(dvHdev).empty());
  EXPECT_FALSE(plot->Line(dvHdev)->isVisible());
  // The table lists each chosen deviation with its interval.
  EXPECT_EQ(Cells(w.AdevTableWidget()), DeviationTable(a, ffShown).Rows);
  EXPECT_EQ(w.AdevTableWidget()->item(0, 0)->text(), "oadev");
  const auto firstMdev = a.Stability.Curves[dvOadev].size();
  EXPECT_EQ(w.AdevTableWidget()->item(static_cast<int>(firstMdev), 0)->text(), "mdev");

  // 95 % intervals are wider than the 68 % ones.
  const double width68 = a.Adev()[0].High - a.Adev()[0].Low;
  w.findChild<QAction*>("ActionConfidence95")->trigger();
  Settle();
  EXPECT_GT(w.Analysis()->Adev()[0].High - w.Analysis()->Adev()[0].Low, 1.8 * width68);
  w.findChild<QAction*>("ActionDeviation_oadev")->trigger();
  Settle();
  EXPECT_FALSE(plot->Line(dvOadev)->isVisible()) << "no longer chosen";
  EXPECT_TRUE(plot->ErrorBars(dvOadev).empty());
  EXPECT_EQ(w.AdevTableWidget()->item(0, 0)->text(), "mdev");
}

TEST_F(MeasurementsWindowTest, SavesEveryChartAndTheTablesAsShown) {
  AddReadings(400);
  TMeasurementsWindow& w = Open();
  w.SetFileChooser([&](const QString&, const QString& proposed, const QString&) {
    return QString::fromStdString(Folder.File(proposed.toStdString()));
  });
  QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
  const QImage image(QString::fromStdString(Folder.File("trend.png")));
  ASSERT_FALSE(image.isNull());
  const QSize chart = w.Trend()->size() * w.Trend()->devicePixelRatio();
  EXPECT_EQ(image.width(), chart.width());
  EXPECT_GT(image.height(), chart.height()) << "a caption under the chart";
  const QString caption = w.Caption();
  EXPECT_TRUE(caption.startsWith("mode F, averaging 1000 ms, ")) << caption.toStdString();
  EXPECT_TRUE(caption.contains(", 400 values, frontpanel ")) << caption.toStdString();
  // Every chart, as PNG or SVG.
  using TSave = bool (TMeasurementsWindow::*)(const QString&);
  for (const TSave save : {&TMeasurementsWindow::SaveChart, &TMeasurementsWindow::SaveStabilityChart, &TMeasurementsWindow::SaveHistogram}) {
    const std::string svg = Folder.File("chart.svg");
    ASSERT_TRUE((w.*save)(QString::fromStdString(svg)));
    const std::string text = ReadWholeFile(svg);
    EXPECT_NE(text.find("<svg"), std::string::npos);
    EXPECT_NE(text.find(", 400 values, frontpanel "), std::string::npos) << "the caption, drawn and described";
    ASSERT_TRUE((w.*save)(QString::fromStdString(Folder.File("chart.png"))));
    EXPECT_FALSE(QImage(QString::fromStdString(Folder.File("chart.png"))).isNull());
  }

  QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyClick(&w, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
  const TSeriesAnalysis& a = *w.Analysis();
  const std::string statistics = ReadWholeFile(Folder.File("statistics.csv"));
  const std::string table = TableCsv(StatisticsTable(Feed.Summary(), &a, ffExact));
  ASSERT_GT(statistics.size(), table.size());
  EXPECT_EQ(statistics.substr(statistics.size() - table.size()), table) << "the table as shown, exact";
  EXPECT_EQ(statistics.rfind("# frontpanel ", 0), 0u) << "after the facts in comment lines";
  EXPECT_NE(statistics.find("\r\n# mode F, averaging 1000 ms, 400 values\r\nquantity,value,unit\r\n"), std::string::npos)
      << statistics;
  const std::string adev = ReadWholeFile(Folder.File("deviations.csv"));
  EXPECT_NE(adev.find("\r\ndeviation,tau_s,value,low,high,terms,noise\r\n"), std::string::npos) << adev;
  EXPECT_NE(adev.find("\r\noadev," + ShortestText(a.Adev()[0].TauS) + "," + ShortestText(a.Adev()[0].Value) + ","), std::string::npos)
      << adev;
  EXPECT_TRUE(Shown.empty());

  EXPECT_FALSE(w.SaveAdev("/nonexistent-folder/adev.csv"));
  EXPECT_FALSE(w.SaveHistogram("/nonexistent-folder/histogram.svg"));
  ASSERT_EQ(Shown.size(), 2u);
  EXPECT_NE(Shown[0].find("Cannot save to /nonexistent-folder/adev.csv"), std::string::npos) << Shown[0];
  EXPECT_NE(Shown[1].find("Cannot save the chart to /nonexistent-folder/histogram.svg"), std::string::npos) << Shown[1];
}

// A Russian reader's window: the tables' names and units in Russian, every figure of the tables
// and the axes with a decimal comma; what the window saves is the English window's, with points.
TEST_F(MeasurementsWindowTest, ARussianWindowWritesItsFiguresAsRussianDoes) {
  ASSERT_TRUE(UseLanguage(*qApp, lnRussian));
  struct TBackToEnglish {
    ~TBackToEnglish() { UseLanguage(*qApp, lnEnglish); }
  } english;
  AddReadings(400);
  TMeasurementsWindow& w = Open();
  w.findChild<QAction*>("ActionDeviation_tdev")->trigger();
  Settle();
  const auto statistics = Cells(w.StatisticsTableWidget());
  EXPECT_EQ(statistics[2][0], "среднее");
  EXPECT_EQ(statistics[2][2], "МГц");
  EXPECT_EQ(statistics[7][2], "мс") << "tau0, 300 ms";
  EXPECT_EQ(statistics[7][1], "300,0");
  // The longer Russian headings are not cut off.
  const QHeaderView* header = w.AdevTableWidget()->horizontalHeader();
  for (int c = 0; c < header->count(); ++c) EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << c;
  const auto deviations = Cells(w.AdevTableWidget());
  ASSERT_FALSE(deviations.empty());
  EXPECT_EQ(deviations[0][1], "300,0 мс");
  const std::size_t tdev = w.Analysis()->Stability.Curves[dvOadev].size();
  ASSERT_LT(tdev, deviations.size());
  EXPECT_EQ(deviations[tdev][0], "tdev");
  EXPECT_TRUE(QString::fromStdString(deviations[tdev][2]).endsWith(" нс")) << deviations[tdev][2];
  // No figure anywhere with a point, each with a comma where it has a fraction.
  QStringList figures;
  for (const auto& row : deviations)
    for (std::size_t c = 1; c < 5; ++c) figures.append(QString::fromStdString(row[c]));
  for (const auto& row : statistics) figures.append(QString::fromStdString(row[1]));
  figures += w.Histogram()->ValueAxis()->categoriesLabels();
  figures += w.Trend()->ValueAxis()->categoriesLabels();
  for (const QString& f : figures) EXPECT_FALSE(f.contains(QLatin1Char('.'))) << f.toStdString();
  EXPECT_TRUE(w.Histogram()->ValueAxis()->titleText().contains("Гц")) << w.Histogram()->ValueAxis()->titleText().toStdString();
  EXPECT_TRUE(w.Trend()->ValueAxis()->titleText().contains("Гц")) << w.Trend()->ValueAxis()->titleText().toStdString();

  ASSERT_TRUE(w.SaveStatistics(QString::fromStdString(Folder.File("statistics.csv"))));
  ASSERT_TRUE(w.SaveAdev(QString::fromStdString(Folder.File("deviations.csv"))));
  const TSeriesAnalysis& a = *w.Analysis();
  for (const auto& [file, table] : {std::pair{"statistics.csv", StatisticsTable(Feed.Summary(), &a, ffExact)},
                                    std::pair{"deviations.csv", DeviationTable(a, ffExact)}}) {
    const std::string saved = ReadWholeFile(Folder.File(file)), csv = TableCsv(table);
    ASSERT_GT(saved.size(), csv.size()) << file;
    EXPECT_EQ(saved.substr(saved.size() - csv.size()), csv) << file;
    EXPECT_NE(saved.find("# mode F, averaging 1000 ms, 400 values\r\n"), std::string::npos) << saved;
  }
  EXPECT_TRUE(Shown.empty());
}

}  // namespace
