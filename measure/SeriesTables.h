// The Measurements window's statistics and Allan deviation tables as rows of text, for the
// window and for the CSV files it saves, so what is shown and what is saved cannot drift apart.
// Plain functions: any thread.
#pragma once

#include <string>
#include <vector>

#include "measure/SeriesAnalysis.h"
#include "measure/Summary.h"

struct TTableText {
  std::vector<std::string> Header;
  std::vector<std::vector<std::string>> Rows;
};

// Shown: as many digits as a reading has and a few for spreads, for the eye.  Exact: the
// shortest text that reads back as the same double, as the headless summary writes it.
enum TFigureForm { ffShown, ffExact };

// quantity, value, unit: count, last, mean, min, max, peak-to-peak, standard deviation and
// tau0 (from `analysis`, when there is one); a figure the series cannot give is left empty.
TTableText StatisticsTable(const TSeriesSummary& summary, const TSeriesAnalysis* analysis, TFigureForm form);
// tau_s, adev, terms (N - 2m + 1): one row per tau.
TTableText AdevTable(const TSeriesAnalysis& analysis, TFigureForm form);
// The table as CSV records (measure/CsvRow.h), header first.
std::string TableCsv(const TTableText& table);
