#include "measure/SeriesTables.h"

#include "measure/CsvRow.h"
#include "measure/NumberText.h"
#include "platform/Translatable.h"

namespace {

// A reading has at most eight digits, its SI value (kHz to Hz) a few more.
constexpr int kValueDigits = 12;
constexpr int kSpreadDigits = 6;
constexpr int kAdevDigits = 4;

std::string Figure(double value, TFigureForm form, int digits) {
  return form == ffExact ? ShortestText(value) : SignificantText(value, digits);
}

}  // namespace

TTableText StatisticsTable(const TSeriesSummary& summary, const TSeriesAnalysis* analysis, TFigureForm form) {
  const TRunningMoments& m = summary.Moments();
  const bool any = m.Count() > 0;
  const std::string unit = SiUnitText(summary.Unit());
  const auto value = [&](double v, bool present, int digits) { return present ? Figure(v, form, digits) : std::string(); };
  TTableText t{{"quantity", "value", "unit"}, {}};
  // The quantities' names are the saved file's words; the window shows them translated.
  t.Rows.push_back({QT_TRANSLATE_NOOP("SeriesTables", "count"), std::to_string(m.Count()), ""});
  t.Rows.push_back({QT_TRANSLATE_NOOP("SeriesTables", "last"), value(m.Last(), any, kValueDigits), unit});
  t.Rows.push_back({QT_TRANSLATE_NOOP("SeriesTables", "mean"), value(m.Mean(), any, kValueDigits), unit});
  t.Rows.push_back({QT_TRANSLATE_NOOP("SeriesTables", "min"), value(m.Min(), any, kValueDigits), unit});
  t.Rows.push_back({QT_TRANSLATE_NOOP("SeriesTables", "max"), value(m.Max(), any, kValueDigits), unit});
  t.Rows.push_back({QT_TRANSLATE_NOOP("SeriesTables", "peak-to-peak"), value(m.PeakToPeak(), any, kSpreadDigits), unit});
  t.Rows.push_back({QT_TRANSLATE_NOOP("SeriesTables", "standard deviation"),
                    value(m.StdDev(), m.Count() > 1, kSpreadDigits), unit});
  const bool tau0 = analysis != nullptr && analysis->Tau0S > 0;
  t.Rows.push_back({QT_TRANSLATE_NOOP("SeriesTables", "tau0"), value(tau0 ? analysis->Tau0S : 0, tau0, kSpreadDigits),
                    QT_TRANSLATE_NOOP("Units", "s")});
  return t;
}

TTableText AdevTable(const TSeriesAnalysis& analysis, TFigureForm form) {
  TTableText t{{"tau_s", "adev", "terms"}, {}};
  for (const TAdevPoint& p : analysis.Adev)
    t.Rows.push_back({Figure(p.TauS, form, kSpreadDigits), Figure(p.Adev, form, kAdevDigits), std::to_string(p.Terms)});
  return t;
}

std::string TableCsv(const TTableText& table) {
  std::string csv = CsvRecord(table.Header);
  for (const auto& row : table.Rows) csv += CsvRecord(row);
  return csv;
}
