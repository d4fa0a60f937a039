// The Measurements window: how stable the measured value is.  Opened with Ctrl+M or from the
// panel's context menu; a window of its own, so the panel keeps its designed look.
//
// It shows the current series of the panel's measurements (measure/Summary.h): the statistics
// table (count, last, mean, min, max, peak-to-peak, standard deviation, tau0, drift), the
// table of the chosen stability deviations with their confidence intervals and the log-log
// plot with error bars (docs/stability.md), the trend chart (app/TrendChart.h) and the
// histogram, figures with SI prefixes.  "Reset statistics" starts a new series; every chart is
// saved as PNG or SVG with a caption, the tables as CSV with the same facts in comment lines.
//
// Threads: everything here runs on the GUI thread except the analysis of the series
// (deviations, tau0, histogram), which a worker (measure/SeriesAnalyzer.h) does over a view of
// the series' points, and the trend chart's reduction, on a worker of its own.  The window
// shows its tables once a second and asks for the analysis and redraws the trend every other
// second, while it is shown; it shows the analysis when the worker tells it is ready, so it
// never waits for it.  The moments come from the
// summary itself (O(1) per measurement).  The window reads the feed's summary only on the GUI
// thread, where the feed adds to it.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

#include "measure/SeriesAnalyzer.h"

class QAction;
class QChartView;
class QLabel;
class QTableWidget;
class QTimer;
class TAdevPlot;
class THistogramChart;
class TMeasurementFeed;
class TTrendChart;
struct TTableText;

class TMeasurementsWindow : public QWidget {
  Q_OBJECT

 public:
  // Chooses the file to save to, given a title and a proposed name; empty: cancelled.
  using TFileChooser = std::function<QString(const QString& title, const QString& proposed, const QString& filter)>;

  // A window (of its own) over the feed's series; `parent` only ties its lifetime.
  TMeasurementsWindow(TMeasurementFeed& feed, QWidget* parent);
  ~TMeasurementsWindow() override;

  // "Measurements…" (Ctrl+M), for the panel's menu: it opens the window over the feed's series,
  // made the first time as a child of `panel`.
  static QAction* OpenAction(QWidget* panel, TMeasurementFeed& feed);

  // Brings the tables and charts up to date: takes a finished analysis, asks for the next.
  void Refresh();
  void ResetStatistics();
  // Save a chart as PNG or SVG (by the suffix), the tables as CSV: false (after showing why) on
  // failure.  SaveChart saves the trend.
  bool SaveChart(const QString& path);
  bool SaveStabilityChart(const QString& path);
  bool SaveHistogram(const QString& path);
  bool SaveStatistics(const QString& path);
  bool SaveAdev(const QString& path);
  // The deviations the plot and the table show (measure/Deviations.h); 95 % intervals instead
  // of 68 %; the linear drift removed first.  Each asks for a new analysis.
  void SetDeviations(TDeviationSet deviations);
  TDeviationSet Deviations() const { return FSettings.Stability.Deviations; }
  void SetConfidence95(bool on);
  void SetRemoveDrift(bool on);
  // The caption under a saved chart: mode, averaging, date, count, program version.
  QString Caption() const;
  // The save dialog by default; tests choose without a dialog.
  void SetFileChooser(TFileChooser chooser) { FChooser = std::move(chooser); }

  // For tests.
  QTableWidget* StatisticsTableWidget() const { return FStatistics; }
  QTableWidget* AdevTableWidget() const { return FAdevTable; }
  TTrendChart* Trend() const { return FTrend; }
  TAdevPlot* AdevPlot() const { return FAdevPlot; }
  THistogramChart* Histogram() const { return FHistogram; }
  const std::optional<TSeriesAnalysis>& Analysis() const { return FAnalysis; }
  // Waits for the workers to finish what they were asked, and shows the trend's points (tests).
  void WaitForAnalysis();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildLayout();
  void ShowTables();
  void Tick();
  // Takes a finished analysis of the series and choices shown; true while one is not shown yet.
  bool TakeAnalysis();
  void ShowNewAnalysis();
  void AskToSave(const QString& title, const QString& name, const QString& filter, bool (TMeasurementsWindow::*save)(const QString&));
  bool SaveText(const QString& path, const std::string& text);
  bool SaveChartView(QChartView* view, const QString& path);
  std::string CsvHead() const;
  void SettingsChanged();

  TMeasurementFeed& FFeed;
  TSeriesAnalyzer FAnalyzer;
  QTimer* FTimer;
  QLabel* FSeriesLabel = nullptr;
  QTableWidget* FStatistics = nullptr;
  QTableWidget* FAdevTable = nullptr;
  TTrendChart* FTrend = nullptr;
  TAdevPlot* FAdevPlot = nullptr;
  THistogramChart* FHistogram = nullptr;
  TFileChooser FChooser;

  std::uint64_t FSeries = UINT64_MAX;  // the series shown; none yet
  std::uint64_t FSettingsNumber = 0;   // counts the changes of FSettings
  // Names a request by the series and the choices it was made with.
  std::uint64_t RequestTag() const { return FSeries * 1000003 + FSettingsNumber; }
  std::size_t FDrawnCount = 0;         // points in the trend chart
  std::size_t FRequestedCount = 0;     // points when the worker was last asked
  bool FRequested = false;
  unsigned FTicks = 0;                 // of the timer, since the window was made
  bool FNewAnalysis = false;            // the charts have not shown FAnalysis yet
  std::optional<TSeriesAnalysis> FAnalysis;  // of the series shown, the newest
  TAnalysisSettings FSettings;               // the user's choices; mode and resolution per request
};
