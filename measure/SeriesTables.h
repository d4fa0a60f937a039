// The Measurements window's statistics and deviation tables as rows of text, for the window
// and for the CSV files it saves, so what is shown and what is saved cannot drift apart.
// Plain functions: any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "measure/SeriesAnalysis.h"
#include "measure/Summary.h"

struct TTableText {
  std::vector<std::string> Header;
  std::vector<std::vector<std::string>> Rows;
};

// Shown: SI prefixes, as many digits as the readings' resolution has and four for spreads and
// deviations, for the eye.  Exact: SI units and the shortest text that reads back as the same
// double, as the headless summary writes it.
enum TFigureForm { ffShown, ffExact };

// quantity, value, unit: count, last, mean, min, max, peak-to-peak, standard deviation, tau0
// and the linear frequency drift per day (from `analysis`, when there is one); a figure the
// series cannot give is left empty.
TTableText StatisticsTable(const TSeriesSummary& summary, const TSeriesAnalysis* analysis, TFigureForm form);
// deviation, tau_s, value, low, high, terms, noise: one row per deviation and tau, the
// deviations in the order of their kinds.  TDEV is in seconds, the others are fractions.  The
// noise type (abbreviated when shown) has a * when it was not identified at that tau
// (measure/StabilityAnalysis.h).
TTableText DeviationTable(const TSeriesAnalysis& analysis, TFigureForm form);
// The table as CSV records (measure/CsvRow.h), header first.
std::string TableCsv(const TTableText& table);
// What a saved table or chart was made from, for the comment lines at the head of the CSV.
struct TExportFacts {
  std::string Program;   // "frontpanel 1.0"
  std::string Date;      // when it was saved, local ISO 8601
  TMeasureMode Mode = mmNone;
  int GateMs = 0;
  std::int64_t Count = 0;
};
// "# frontpanel 1.0\r\n# saved 2026-...\r\n# mode F, averaging 1000 ms, 3000 values\r\n":
// lines a CSV reader skips as comments (frontpanel --analyze does).
std::string CsvComment(const TExportFacts& facts);
