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

#include "app/MeasurementFeed.h"
#include "app/PanelLanguage.h"
#include "app/StatisticsCharts.h"
#include "app/TrendChart.h"
#include "measure/SeriesTables.h"
#include "platform/Application.h"

namespace {

constexpr int kRefreshMs = 250;     // at most four analyses a second
constexpr int kHistogramBins = 60;

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

// Fills the table with `text`.  A column with a translation context holds words (names,
// units), shown in the reader's words and lined up on the left; one without (nullptr) holds
// figures, written as the reader's language writes numbers and lined up on the right.
void Fill(QTableWidget* table, const TTableText& text, const QStringList& header,
          const std::vector<const char*>& contexts) {
  table->setHorizontalHeaderLabels(header);
  table->setRowCount(static_cast<int>(text.Rows.size()));
  for (int r = 0; r < table->rowCount(); ++r) {
    const auto& row = text.Rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < table->columnCount(); ++c) {
      const char* context = contexts[static_cast<std::size_t>(c)];
      QTableWidgetItem* item = table->item(r, c);
      if (item == nullptr) {
        item = new QTableWidgetItem;
        item->setTextAlignment((context != nullptr ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
        table->setItem(r, c, item);
      }
      const std::string& cell = row[static_cast<std::size_t>(c)];
      item->setText(context != nullptr ? QCoreApplication::translate(context, cell.c_str()) : ShownFigure(cell));
    }
  }
}

QString UnitWords(TDisplayUnit unit) { return QCoreApplication::translate("Units", SiUnitText(unit)); }

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
    : QWidget(parent, Qt::Window), FFeed(feed), FTimer(new QTimer(this)) {
  setObjectName(QStringLiteral("MeasurementsWindow"));
  setWindowTitle(tr("Measurements"));
  FChooser = [this](const QString& title, const QString& proposed, const QString& filter) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileDialog::getSaveFileName(this, title, folder + QLatin1Char('/') + proposed, filter);
  };
  BuildLayout();
  FTimer->setInterval(kRefreshMs);
  connect(FTimer, &QTimer::timeout, this, &TMeasurementsWindow::Refresh);
  resize(1000, 600);
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
  QAction* png = tools->addAction(tr("Save chart…"), this, [this] {
    AskToSave(tr("Save the trend chart as PNG"), QStringLiteral("trend.png"), tr("PNG images (*.png)"),
              &TMeasurementsWindow::SaveChart);
  });
  png->setObjectName(QStringLiteral("ActionSaveChart"));
  png->setShortcut(QKeySequence::Save);
  QAction* stats = tools->addAction(tr("Save statistics…"), this, [this] {
    AskToSave(tr("Save the statistics as CSV"), QStringLiteral("statistics.csv"), tr("CSV files (*.csv)"),
              &TMeasurementsWindow::SaveStatistics);
  });
  stats->setObjectName(QStringLiteral("ActionSaveStatistics"));
  stats->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
  QAction* adev = tools->addAction(tr("Save Allan deviation…"), this, [this] {
    AskToSave(tr("Save the Allan deviation as CSV"), QStringLiteral("allan-deviation.csv"), tr("CSV files (*.csv)"),
              &TMeasurementsWindow::SaveAdev);
  });
  adev->setObjectName(QStringLiteral("ActionSaveAdev"));
  adev->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
  for (QAction* a : tools->actions()) addAction(a);  // their shortcuts work anywhere in the window

  FSeriesLabel = new QLabel(this);
  FSeriesLabel->setWordWrap(true);
  FSeriesLabel->setObjectName(QStringLiteral("SeriesLabel"));
  FStatistics = NewTable(QStringLiteral("StatisticsTable"), 3);
  FAdevTable = NewTable(QStringLiteral("AdevTable"), 3);
  FStatistics->setHorizontalHeaderLabels({tr("quantity"), tr("value"), tr("unit")});
  FAdevTable->setHorizontalHeaderLabels({tr("\u03C4, s"), tr("\u03C3y(\u03C4)"), tr("terms")});
  FStatistics->setColumnWidth(0, 120);
  FStatistics->setColumnWidth(1, 115);
  FAdevTable->setColumnWidth(0, 90);
  FAdevTable->setColumnWidth(1, 100);
  for (QTableWidget* t : {FStatistics, FAdevTable}) t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FTrend = new TTrendChart;
  FAdevPlot = new TAdevPlot;
  FHistogram = new THistogramChart;

  auto* tables = new QWidget;
  auto* tableColumn = new QVBoxLayout(tables);
  tableColumn->setContentsMargins(0, 0, 0, 0);
  tableColumn->addWidget(new QLabel(tr("Statistics")));
  tableColumn->addWidget(FStatistics, 0);
  tableColumn->addWidget(new QLabel(tr("Allan deviation (overlapping)")));
  tableColumn->addWidget(FAdevTable, 1);
  // The eight rows of the statistics, without a scroll bar.
  FStatistics->setFixedHeight(FStatistics->horizontalHeader()->sizeHint().height() +
                              8 * FStatistics->verticalHeader()->defaultSectionSize() + 2 * FStatistics->frameWidth());
  FStatistics->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FStatistics->setMinimumWidth(120 + 115 + 40 + 2 * FStatistics->frameWidth());
  auto* lower = new QSplitter(Qt::Horizontal);
  lower->addWidget(FAdevPlot);
  lower->addWidget(FHistogram);
  auto* charts = new QSplitter(Qt::Vertical);
  charts->addWidget(FTrend);
  charts->addWidget(lower);
  charts->setStretchFactor(0, 3);
  charts->setStretchFactor(1, 2);
  auto* body = new QSplitter(Qt::Horizontal);
  body->addWidget(tables);
  body->addWidget(charts);
  body->setStretchFactor(1, 1);
  body->setSizes({310, 690});

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
  if (auto result = FAnalyzer.Take(); result && result->Series == FSeries) {
    FAnalysis = std::move(result->Analysis);
    FNewAnalysis = true;
  }
  const std::size_t count = store->Size();
  if (count != FDrawnCount) {
    FTrend->SetData(store->View(), UnitWords(summary.Unit()));
    FDrawnCount = count;
  }
  // One request at a time: the worker is asked again only once it has answered.  It analyses
  // the current segment: no figure bridges a gap.
  if (!FAnalyzer.Busy() && (!FRequested || count != FRequestedCount)) {
    FAnalyzer.Request({store, FSeries, summary.Resolution(), kHistogramBins, summary.SegmentFirst()});
    FRequested = true;
    FRequestedCount = count;
  }
  ShowTables();
}

void TMeasurementsWindow::ShowTables() {
  const TSeriesSummary& summary = FFeed.Summary();
  const QString unit = UnitWords(summary.Unit());
  QString text;
  if (summary.Moments().Count() == 0) {
    text = tr("No measurement with a value yet.");
  } else {
    text = tr("Series: mode %1, averaging %2 ms, in %3.  Segment %4 of the series, since %5: %6 measurements "
              "(the figures are of this segment; the trend breaks where a segment begins).")
               .arg(QCoreApplication::translate("Measurement", ModeText(summary.Mode())))
               .arg(summary.GateMs())
               .arg(unit.isEmpty() ? tr("no unit") : unit)
               .arg(summary.SegmentsInSeries())
               .arg(SegmentCauseWords(summary.SegmentCause()))
               .arg(summary.Moments().Count());
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
       {tr("quantity"), tr("value"), tr("unit")}, {"SeriesTables", nullptr, "Units"});
  if (!FNewAnalysis) return;
  FNewAnalysis = false;
  const TSeriesAnalysis none;
  const TSeriesAnalysis& a = FAnalysis ? *FAnalysis : none;
  Fill(FAdevTable, AdevTable(a, ffShown), {tr("\u03C4, s"), tr("\u03C3y(\u03C4)"), tr("terms")}, {nullptr, nullptr, nullptr});
  FAdevPlot->SetPoints(a.Adev);
  FHistogram->SetHistogram(a.Histogram, unit);
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

bool TMeasurementsWindow::SaveChart(const QString& path) {
  if (FTrend->grab().save(path, "PNG")) return true;
  Application().ShowMessage(tr("Cannot save the chart to %1").arg(path).toStdString());
  return false;
}

bool TMeasurementsWindow::SaveStatistics(const QString& path) {
  return SaveText(path, TableCsv(StatisticsTable(FFeed.Summary(), FAnalysis ? &*FAnalysis : nullptr, ffExact)));
}

bool TMeasurementsWindow::SaveAdev(const QString& path) {
  return SaveText(path, TableCsv(AdevTable(FAnalysis ? *FAnalysis : TSeriesAnalysis(), ffExact)));
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
