#include "app/MeasurementsWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QSaveFile>
#include <QSplitter>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

#include <QDateTime>
#include <QMenu>
#include <QToolButton>

#include "ProjectVersion.h"
#include "app/ChartExport.h"
#include "app/MeasurementFeed.h"
#include "app/PanelLanguage.h"
#include "app/StatisticsCharts.h"
#include "app/TrendChart.h"
#include "measure/SeriesTables.h"
#include "platform/Application.h"

namespace {

// The tables once a second; the trend and the analysis (with the stability plot and the
// histogram) every other second: each redraw of a chart lays its axes and labels out anew and
// repaints it, which at every frame would cost the panel more than all else it does.  The last
// change is shown on the next tick that draws it.
constexpr int kRefreshMs = 1000;
constexpr int kChartTicks = 2;
constexpr int kHistogramBins = 60;
constexpr int kStatisticsRows = 9;

const char* const kChartFilter = QT_TRANSLATE_NOOP("TMeasurementsWindow", "PNG images (*.png);;SVG drawings (*.svg)");

QStringList DeviationHeader() {
  return {TMeasurementsWindow::tr("dev."), TMeasurementsWindow::tr("\u03C4"), TMeasurementsWindow::tr("\u03C3(\u03C4)"),
          TMeasurementsWindow::tr("low"), TMeasurementsWindow::tr("high"), TMeasurementsWindow::tr("terms"),
          TMeasurementsWindow::tr("noise")};
}

QString DeviationMenuText(TDeviationKind kind) {
  switch (kind) {
    case dvAdev: return TMeasurementsWindow::tr("&ADEV (Allan)");
    case dvOadev: return TMeasurementsWindow::tr("&Overlapping ADEV");
    case dvMdev: return TMeasurementsWindow::tr("&MDEV (modified Allan)");
    case dvTdev: return TMeasurementsWindow::tr("&TDEV (time)");
    case dvHdev: return TMeasurementsWindow::tr("&HDEV (Hadamard)");
    case dvOhdev: return TMeasurementsWindow::tr("Overlapping H&DEV");
  }
  return {};
}

QTableWidget* NewTable(const QString& name, int columns) {
  auto* t = new QTableWidget(0, columns);
  t->setObjectName(name);
  t->verticalHeader()->hide();
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setSelectionMode(QAbstractItemView::ContiguousSelection);
  t->horizontalHeader()->setStretchLastSection(true);
  t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
  return t;
}

// What a table's column holds: names (the quantities, the deviations, the noise types) and
// units, shown in the reader's words and lined up on the left, or figures, written as the
// reader's language writes numbers and lined up on the right.  A name without a translation
// (ADEV, WFM) is the same in either language.
enum TColumnKind { ckName, ckUnit, ckFigure };

QString CellText(TColumnKind kind, const std::string& cell) {
  switch (kind) {
    case ckName: return QCoreApplication::translate("SeriesTables", cell.c_str());
    case ckUnit: return ShownUnit(cell);
    case ckFigure: break;
  }
  return ShownFigure(cell);
}

void Fill(QTableWidget* table, const TTableText& text, const QStringList& header, const std::vector<TColumnKind>& kinds) {
  table->setHorizontalHeaderLabels(header);
  table->setRowCount(static_cast<int>(text.Rows.size()));
  for (int r = 0; r < table->rowCount(); ++r) {
    const auto& row = text.Rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < table->columnCount(); ++c) {
      const TColumnKind kind = kinds[static_cast<std::size_t>(c)];
      QTableWidgetItem* item = table->item(r, c);
      if (item == nullptr) {
        item = new QTableWidgetItem;
        item->setTextAlignment((kind == ckFigure ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        table->setItem(r, c, item);
      }
      item->setText(CellText(kind, row[static_cast<std::size_t>(c)]));
    }
  }
}

QString SiUnit(TDisplayUnit unit) { return QString::fromUtf8(SiUnitText(unit)); }

// The mode's symbol (the keys' own, "F", "T") or its word.
QString ModeWords(TMeasureMode mode) { return QCoreApplication::translate("Measurement", ModeText(mode)); }

// Why the current segment began, as the window says it.
QString SegmentCauseWords(TSegmentCause cause) {
  switch (cause) {
    case scLine: return TMeasurementsWindow::tr("the line came back");
    case scGap: return TMeasurementsWindow::tr("a missing gate");
    case scKeys: return TMeasurementsWindow::tr("a key changed the settings");
    case scHold: return TMeasurementsWindow::tr("the hold ended");
    case scOverflow: return TMeasurementsWindow::tr("the overflow ended");
    case scReset: return TMeasurementsWindow::tr("the reset");
    case scStart:
    case scNone: break;
  }
  return TMeasurementsWindow::tr("the start");
}

}  // namespace

TMeasurementsWindow::TMeasurementsWindow(TMeasurementFeed& feed, QWidget* parent)
    : QWidget(parent, Qt::Window),
      FFeed(feed),
      // A result is shown as soon as it is ready, not a tick later (on this thread).  The
      // worker ends with the members, before the object: a post it made is dropped with it.
      FAnalyzer([this] { QMetaObject::invokeMethod(this, [this] { ShowNewAnalysis(); }, Qt::QueuedConnection); }),
      FTimer(new QTimer(this)) {
  setObjectName(QStringLiteral("MeasurementsWindow"));
  setWindowTitle(tr("Measurements"));
  FChooser = [this](const QString& title, const QString& proposed, const QString& filter) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileDialog::getSaveFileName(this, title, folder + QLatin1Char('/') + proposed, filter);
  };
  BuildLayout();
  FTimer->setInterval(kRefreshMs);
  connect(FTimer, &QTimer::timeout, this, &TMeasurementsWindow::Tick);
  resize(1140, 680);
}

TMeasurementsWindow::~TMeasurementsWindow() = default;

QAction* TMeasurementsWindow::OpenAction(QWidget* panel, TMeasurementFeed& feed) {
  auto* open = new QAction(tr("Measurements…"), panel);
  open->setObjectName(QStringLiteral("ActionMeasurements"));
  open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
  connect(open, &QAction::triggered, panel, [panel, &feed] {
    auto* window = panel->findChild<TMeasurementsWindow*>();
    if (window == nullptr) window = new TMeasurementsWindow(feed, panel);
    window->show();
    window->raise();
    window->activateWindow();
  });
  return open;
}

void TMeasurementsWindow::BuildLayout() {
  auto* tools = new QToolBar(this);
  tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
  QAction* reset = tools->addAction(tr("Reset statistics"), this, &TMeasurementsWindow::ResetStatistics);
  reset->setObjectName(QStringLiteral("ActionResetStatistics"));
  reset->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Backspace));
  QAction* whole = tools->addAction(tr("Whole series"), this, [this] { FTrend->ResetZoom(); });
  whole->setObjectName(QStringLiteral("ActionWholeSeries"));
  whole->setToolTip(tr("Back to the whole series, scrolling on with new measurements (Home in the chart)"));
  tools->addSeparator();
  // The deviations to show, with their interval and whether the drift goes first.
  auto* choose = new QToolButton(tools);
  choose->setObjectName(QStringLiteral("DeviationsButton"));
  choose->setText(tr("&Deviations"));
  choose->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(choose);
  for (std::size_t k = 0; k < kDeviationKinds; ++k) {
    const auto kind = static_cast<TDeviationKind>(k);
    QAction* a = menu->addAction(DeviationMenuText(kind));
    a->setObjectName(QStringLiteral("ActionDeviation_") + QString::fromLatin1(DeviationName(kind)));
    a->setCheckable(true);
    a->setChecked((FSettings.Stability.Deviations & DeviationBit(kind)) != 0);
    connect(a, &QAction::toggled, this, [this, kind](bool on) {
      const TDeviationSet set = on ? Deviations() | DeviationBit(kind) : Deviations() & ~DeviationBit(kind);
      SetDeviations(set);
    });
  }
  menu->addSeparator();
  QAction* wide = menu->addAction(tr("&95 % intervals"), this, &TMeasurementsWindow::SetConfidence95);
  wide->setObjectName(QStringLiteral("ActionConfidence95"));
  wide->setCheckable(true);
  QAction* drift = menu->addAction(tr("&Remove the linear drift"), this, &TMeasurementsWindow::SetRemoveDrift);
  drift->setObjectName(QStringLiteral("ActionRemoveDrift"));
  drift->setCheckable(true);
  choose->setMenu(menu);
  tools->addWidget(choose);
  tools->addSeparator();
  auto* save = new QToolButton(tools);
  save->setObjectName(QStringLiteral("SaveButton"));
  save->setText(tr("&Save"));
  save->setPopupMode(QToolButton::InstantPopup);
  auto* saves = new QMenu(save);
  const QString chartFilter = tr(kChartFilter);
  QAction* png = saves->addAction(tr("T&rend chart…"), this, [this, chartFilter] {
    AskToSave(tr("Save the trend chart"), QStringLiteral("trend.png"), chartFilter, &TMeasurementsWindow::SaveChart);
  });
  png->setObjectName(QStringLiteral("ActionSaveChart"));
  png->setShortcut(QKeySequence::Save);
  QAction* plot = saves->addAction(tr("S&tability chart…"), this, [this, chartFilter] {
    AskToSave(tr("Save the stability chart"), QStringLiteral("stability.png"), chartFilter,
              &TMeasurementsWindow::SaveStabilityChart);
  });
  plot->setObjectName(QStringLiteral("ActionSaveStabilityChart"));
  QAction* bars = saves->addAction(tr("&Histogram…"), this, [this, chartFilter] {
    AskToSave(tr("Save the histogram"), QStringLiteral("histogram.png"), chartFilter, &TMeasurementsWindow::SaveHistogram);
  });
  bars->setObjectName(QStringLiteral("ActionSaveHistogram"));
  saves->addSeparator();
  QAction* stats = saves->addAction(tr("&Statistics…"), this, [this] {
    AskToSave(tr("Save the statistics as CSV"), QStringLiteral("statistics.csv"), tr("CSV files (*.csv)"),
              &TMeasurementsWindow::SaveStatistics);
  });
  stats->setObjectName(QStringLiteral("ActionSaveStatistics"));
  stats->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  QAction* adev = saves->addAction(tr("&Deviations…"), this, [this] {
    AskToSave(tr("Save the deviations as CSV"), QStringLiteral("deviations.csv"), tr("CSV files (*.csv)"),
              &TMeasurementsWindow::SaveAdev);
  });
  adev->setObjectName(QStringLiteral("ActionSaveAdev"));
  adev->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
  save->setMenu(saves);
  tools->addWidget(save);
  // Their shortcuts work anywhere in the window.
  for (QAction* a : saves->actions()) addAction(a);
  for (QAction* a : tools->actions()) addAction(a);  // their shortcuts work anywhere in the window

  FSeriesLabel = new QLabel(this);
  FSeriesLabel->setWordWrap(true);
  FSeriesLabel->setObjectName(QStringLiteral("SeriesLabel"));
  FStatistics = NewTable(QStringLiteral("StatisticsTable"), 3);
  FAdevTable = NewTable(QStringLiteral("AdevTable"), static_cast<int>(DeviationHeader().size()));
  FStatistics->setHorizontalHeaderLabels({tr("quantity"), tr("value"), tr("unit")});
  FAdevTable->setHorizontalHeaderLabels(DeviationHeader());
  FStatistics->setColumnWidth(0, 120);
  FStatistics->setColumnWidth(1, 115);
  const int adevWidths[] = {44, 66, 70, 70, 70, 40};
  // Wide enough for the figures, and for a heading in a language whose words are longer.
  for (int c = 0; c < 6; ++c)
    FAdevTable->setColumnWidth(c, std::max(adevWidths[c], FAdevTable->horizontalHeader()->sectionSizeHint(c)));
  FStatistics->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FTrend = new TTrendChart;
  FAdevPlot = new TAdevPlot;
  FHistogram = new THistogramChart;

  auto* tables = new QWidget;
  auto* tableColumn = new QVBoxLayout(tables);
  tableColumn->setContentsMargins(0, 0, 0, 0);
  tableColumn->addWidget(new QLabel(tr("Statistics")));
  tableColumn->addWidget(FStatistics, 0);
  tableColumn->addWidget(new QLabel(tr("Stability: deviations and their intervals")));
  tableColumn->addWidget(FAdevTable, 1);
  // The rows of the statistics, without a scroll bar.
  FStatistics->setFixedHeight(FStatistics->horizontalHeader()->sizeHint().height() +
                              kStatisticsRows * FStatistics->verticalHeader()->defaultSectionSize() +
                              2 * FStatistics->frameWidth());
  FStatistics->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FStatistics->setMinimumWidth(120 + 115 + 40 + 2 * FStatistics->frameWidth());
  auto* lower = new QSplitter(Qt::Horizontal);
  lower->addWidget(FAdevPlot);
  lower->addWidget(FHistogram);
  // The stability plot has two axes and a legend of up to six names: the larger share.
  lower->setStretchFactor(0, 3);
  lower->setStretchFactor(1, 2);
  auto* charts = new QSplitter(Qt::Vertical);
  charts->addWidget(FTrend);
  charts->addWidget(lower);
  charts->setStretchFactor(0, 3);
  charts->setStretchFactor(1, 2);
  auto* body = new QSplitter(Qt::Horizontal);
  body->addWidget(tables);
  body->addWidget(charts);
  body->setStretchFactor(1, 1);
  body->setSizes({460, 640});

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 0, 6, 6);
  layout->setSpacing(4);
  layout->addWidget(tools);
  layout->addWidget(FSeriesLabel);
  layout->addWidget(body, 1);
}

void TMeasurementsWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Refresh();
  FTimer->start();
  FTrend->setFocus();  // the wheel and the keys go to the chart
}

void TMeasurementsWindow::hideEvent(QHideEvent* event) {
  FTimer->stop();
  QWidget::hideEvent(event);
}

void TMeasurementsWindow::Refresh() {
  const TSeriesSummary& summary = FFeed.Summary();
  const auto store = summary.Store();
  if (summary.SeriesNumber() != FSeries) {
    FSeries = summary.SeriesNumber();
    FAnalysis.reset();
    FNewAnalysis = true;
    FDrawnCount = SIZE_MAX;
    FRequested = false;
  }
  TakeAnalysis();
  const std::size_t count = store->Size();
  if (count != FDrawnCount) {
    FTrend->SetData(store->View(), SiUnit(summary.Unit()));
    FDrawnCount = count;
  }
  // One request at a time: the worker is asked again only once it has answered.  The histogram
  // is of the current segment, the deviations of the segments measured alike, with no term
  // across a gap.
  if (!FAnalyzer.Busy() && (!FRequested || count != FRequestedCount)) {
    TAnalysisSettings settings = FSettings;
    settings.Mode = summary.Mode();
    settings.Quantum = summary.Resolution();
    settings.MaxBins = kHistogramBins;
    FAnalyzer.Request({store, RequestTag(), settings, summary.SegmentFirst(), summary.RunFirst()});
    FRequested = true;
    FRequestedCount = count;
  }
  ShowTables();
}

void TMeasurementsWindow::Tick() {
  // A new series at once: the tables must not show it with the analysis of the one before.
  if (++FTicks % kChartTicks == 0 || FFeed.Summary().SeriesNumber() != FSeries) {
    Refresh();
  } else {
    ShowTables();
  }
}

bool TMeasurementsWindow::TakeAnalysis() {
  // A result of another series, or made with choices since changed, is not shown.
  if (auto result = FAnalyzer.Take(); result && result->Series == RequestTag()) {
    FAnalysis = std::move(result->Analysis);
    FNewAnalysis = true;
  }
  return FNewAnalysis;
}

void TMeasurementsWindow::ShowNewAnalysis() {
  // Of the series shown: a new series is taken up by Refresh, which asks again.
  if (isVisible() && FFeed.Summary().SeriesNumber() == FSeries && TakeAnalysis()) ShowTables();
}

void TMeasurementsWindow::ShowTables() {
  const TSeriesSummary& summary = FFeed.Summary();
  const QString unit = SiUnit(summary.Unit());
  QString text;
  if (summary.Moments().Count() == 0) {
    text = tr("No measurement with a value yet.");
  } else {
    text = tr("Series: mode %1, averaging %2 ms, in %3.  Segment %4 of the series, since %5: %6 measurements "
              "(the statistics and the histogram are of this segment; the trend breaks where a segment "
              "begins).")
               .arg(ModeWords(summary.Mode()))
               .arg(summary.GateMs())
               .arg(unit.isEmpty() ? tr("no unit") : ShownUnit(SiUnitText(summary.Unit())))
               .arg(summary.SegmentsInSeries())
               .arg(SegmentCauseWords(summary.SegmentCause()))
               .arg(summary.Moments().Count());
    if (FAnalysis && FAnalysis->Facts.Segments > 1) {
      text += QLatin1Char(' ') + tr("The deviations take the %1 segments measured with these settings, no term "
                                    "across a gap.")
                                     .arg(FAnalysis->Facts.Segments);
    }
  }
  const TLeftOut& out = summary.LeftOut();
  if (out.Total() > 0) {
    text += QLatin1Char(' ') + tr("Left out of the statistics: %1 held, %2 overflowed, %3 bad frames.")
                                   .arg(out.Held)
                                   .arg(out.Overflow)
                                   .arg(out.Error);
  }
  FSeriesLabel->setText(text);
  Fill(FStatistics, StatisticsTable(summary, FAnalysis ? &*FAnalysis : nullptr, ffShown),
       {tr("quantity"), tr("value"), tr("unit")}, {ckName, ckFigure, ckUnit});
  if (!FNewAnalysis) return;
  FNewAnalysis = false;
  const TSeriesAnalysis none;
  const TSeriesAnalysis& a = FAnalysis ? *FAnalysis : none;
  Fill(FAdevTable, DeviationTable(a, ffShown), DeviationHeader(),
       {ckName, ckFigure, ckFigure, ckFigure, ckFigure, ckFigure, ckName});
  // The charts a pass of the event loop later: each lays itself out anew, and the trend's new
  // points may be due in this pass too; so the window answers in between.
  QTimer::singleShot(0, this, [this, unit] {
    const TSeriesAnalysis none;
    const TSeriesAnalysis& shown = FAnalysis ? *FAnalysis : none;
    FAdevPlot->SetCurves(shown.Stability);
    FHistogram->SetHistogram(shown.Histogram, unit);
  });
}

void TMeasurementsWindow::WaitForAnalysis() {
  FAnalyzer.WaitIdle();
  FTrend->WaitForPoints();
}

void TMeasurementsWindow::ResetStatistics() {
  FFeed.ResetSeries();
  Refresh();
}

void TMeasurementsWindow::AskToSave(const QString& title, const QString& name, const QString& filter,
                                    bool (TMeasurementsWindow::*save)(const QString&)) {
  const QString path = FChooser(title, name, filter);
  if (!path.isEmpty()) (this->*save)(path);
}

bool TMeasurementsWindow::SaveChart(const QString& path) { return SaveChartView(FTrend, path); }
bool TMeasurementsWindow::SaveStabilityChart(const QString& path) { return SaveChartView(FAdevPlot, path); }
bool TMeasurementsWindow::SaveHistogram(const QString& path) { return SaveChartView(FHistogram, path); }

bool TMeasurementsWindow::SaveChartView(QChartView* view, const QString& path) {
  QString error;
  if (SaveChartFile(view, path, Caption(), error)) return true;
  Application().ShowMessage(tr("Cannot save the chart to %1: %2").arg(path, error).toStdString());
  return false;
}

QString TMeasurementsWindow::Caption() const {
  const TSeriesSummary& summary = FFeed.Summary();
  const char* mode = ModeText(summary.Mode());
  return tr("mode %1, averaging %2 ms, %3, %4 values, frontpanel %5")
      .arg(*mode ? ModeWords(summary.Mode()) : QStringLiteral("-"))
      .arg(summary.GateMs())
      .arg(QDateTime::currentDateTime().toString(Qt::ISODate))
      .arg(summary.Moments().Count())
      .arg(QString::fromLatin1(kProjectVersion));
}

std::string TMeasurementsWindow::CsvHead() const {
  const TSeriesSummary& summary = FFeed.Summary();
  return CsvComment({std::string("frontpanel ") + kProjectVersion,
                     QDateTime::currentDateTime().toString(Qt::ISODate).toStdString(), summary.Mode(), summary.GateMs(),
                     summary.Moments().Count()});
}

bool TMeasurementsWindow::SaveStatistics(const QString& path) {
  return SaveText(path, CsvHead() + TableCsv(StatisticsTable(FFeed.Summary(), FAnalysis ? &*FAnalysis : nullptr, ffExact)));
}

bool TMeasurementsWindow::SaveAdev(const QString& path) {
  return SaveText(path, CsvHead() + TableCsv(DeviationTable(FAnalysis ? *FAnalysis : TSeriesAnalysis(), ffExact)));
}

void TMeasurementsWindow::SetDeviations(TDeviationSet deviations) {
  FSettings.Stability.Deviations = deviations;
  SettingsChanged();
}

void TMeasurementsWindow::SetConfidence95(bool on) {
  FSettings.Stability.Confidence = on ? kConfidence95 : kConfidence68;
  SettingsChanged();
}

void TMeasurementsWindow::SetRemoveDrift(bool on) {
  FSettings.Input.RemoveDrift = on;
  SettingsChanged();
}

// The analysis shown was made with other choices: ask again (the series stays).
void TMeasurementsWindow::SettingsChanged() {
  ++FSettingsNumber;
  FRequested = false;
  if (isVisible()) Refresh();
}

bool TMeasurementsWindow::SaveText(const QString& path, const std::string& text) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size()) &&
      file.commit()) {
    return true;
  }
  Application().ShowMessage(tr("Cannot save to %1: %2").arg(path, file.errorString()).toStdString());
  return false;
}
