#include "measure/SeriesTables.h"

#include <cmath>

#include "measure/CsvRow.h"
#include "measure/NoiseIdentification.h"
#include "measure/NumberText.h"
#include "measure/SiFormat.h"
#include "platform/Translatable.h"

namespace {

constexpr int kValueDigits = 10;  // readings without a known resolution
constexpr int kSpreadDigits = 4;
constexpr double kSecondsPerDay = 86400;

struct TFigure {
  std::string Value, Unit;
};

// A figure in the prefix of `magnitude` with `decimals`, or exact in the SI unit.
TFigure Figure(double value, const std::string& unit, TFigureForm form, const TSiPrefix& prefix, int decimals) {
  if (form == ffExact) return {ShortestText(value), unit};
  return {FixedText(value, prefix, decimals), unit.empty() ? std::string() : prefix.Symbol + unit};
}

// Four significant digits in the value's own prefix.
TFigure Spread(double value, const std::string& unit, TFigureForm form) {
  if (form == ffExact || unit.empty()) return {form == ffExact ? ShortestText(value) : ScientificText(value, kSpreadDigits), unit};
  const TSiPrefix prefix = SiPrefixFor(value, unit);
  const double scaled = std::fabs(value) / prefix.Factor;
  const int integer = scaled >= 1 ? static_cast<int>(std::floor(std::log10(scaled))) + 1 : 1;
  return Figure(value, unit, form, prefix, kSpreadDigits - integer);
}

}  // namespace

TTableText StatisticsTable(const TSeriesSummary& summary, const TSeriesAnalysis* analysis, TFigureForm form) {
  const TRunningMoments& m = summary.Moments();
  const bool any = m.Count() > 0;
  const std::string unit = SiUnitText(summary.Unit());
  // Readings share one prefix, that of the mean, with the digits their resolution has.
  const TSiPrefix prefix = unit.empty() ? TSiPrefix{} : SiPrefixFor(m.Mean(), unit);
  int decimals = DecimalsFor(summary.Resolution(), prefix);
  if (summary.Resolution() == 0 && any) {
    const double scaled = std::fabs(m.Mean()) / prefix.Factor;
    decimals = kValueDigits - (scaled >= 1 ? static_cast<int>(std::floor(std::log10(scaled))) + 1 : 1);
  }
  TTableText t{{"quantity", "value", "unit"}, {}};
  const auto row = [&](const char* name, bool present, const TFigure& f) {
    t.Rows.push_back({name, present ? f.Value : std::string(), present ? f.Unit : std::string()});
  };
  const auto reading = [&](double v) { return Figure(v, unit, form, prefix, decimals); };
  // The quantities' names are the saved file's words; the window shows them translated.
  t.Rows.push_back({QT_TRANSLATE_NOOP("SeriesTables", "count"), std::to_string(m.Count()), ""});
  row(QT_TRANSLATE_NOOP("SeriesTables", "last"), any, reading(m.Last()));
  row(QT_TRANSLATE_NOOP("SeriesTables", "mean"), any, Figure(m.Mean(), unit, form, prefix, decimals + 1));
  row(QT_TRANSLATE_NOOP("SeriesTables", "min"), any, reading(m.Min()));
  row(QT_TRANSLATE_NOOP("SeriesTables", "max"), any, reading(m.Max()));
  row(QT_TRANSLATE_NOOP("SeriesTables", "peak-to-peak"), any, Spread(m.PeakToPeak(), unit, form));
  row(QT_TRANSLATE_NOOP("SeriesTables", "standard deviation"), m.Count() > 1, Spread(m.StdDev(), unit, form));
  const bool tau0 = analysis != nullptr && analysis->Tau0S > 0;
  row(QT_TRANSLATE_NOOP("SeriesTables", "tau0"), tau0, Spread(tau0 ? analysis->Tau0S : 0, "s", form));
  const bool drift = analysis != nullptr && std::isfinite(analysis->Facts.DriftPerS);
  const TFigure perDay = Spread(drift ? analysis->Facts.DriftPerS * kSecondsPerDay : 0, "", form);
  row(QT_TRANSLATE_NOOP("SeriesTables", "drift per day"), drift, {perDay.Value, ""});
  return t;
}

TTableText DeviationTable(const TSeriesAnalysis& analysis, TFigureForm form) {
  TTableText t{{"deviation", "tau_s", "value", "low", "high", "terms", "noise"}, {}};
  for (std::size_t k = 0; k < kDeviationKinds; ++k) {
    const auto kind = static_cast<TDeviationKind>(k);
    const std::string unit = kind == dvTdev ? "s" : "";
    for (const TDeviationPoint& p : analysis.Stability.Curves[k]) {
      // With its unit in the same cell: the table has no unit column of its own.
      const auto figure = [&](double v, const std::string& u) -> std::string {
        if (!std::isfinite(v)) return {};
        const TFigure f = Spread(v, u, form);
        return f.Unit.empty() || form == ffExact ? f.Value : f.Value + " " + f.Unit;
      };
      t.Rows.push_back({DeviationName(kind), figure(p.TauS, "s"), figure(p.Value, unit), figure(p.Low, unit),
                        figure(p.High, unit), std::to_string(p.Terms),
                        std::string(form == ffShown ? NoiseTypeAbbreviation(p.Noise) : NoiseTypeName(p.Noise)) +
                            (p.NoiseIdentified ? "" : "*")});
    }
  }
  return t;
}

std::string TableCsv(const TTableText& table) {
  std::string csv = CsvRecord(table.Header);
  for (const auto& row : table.Rows) csv += CsvRecord(row);
  return csv;
}

std::string CsvComment(const TExportFacts& f) {
  const char* mode = ModeText(f.Mode);
  return "# " + f.Program + "\r\n# saved " + f.Date + "\r\n# mode " + (*mode ? mode : "-") + ", averaging " +
         std::to_string(f.GateMs) + " ms, " + std::to_string(f.Count) + " values\r\n";
}
