// Numbers as text for tables, files and JSON.
#pragma once

#include <string>

// The shortest digits that read back as the same double, without an exponent from 1e-5 up to
// 1e17 ("0.1", "10000000", "9999998.689", "0.000125") and with one beyond
// ("1.0000000000000002e-06").  Valid JSON for every finite value.
std::string ShortestText(double value);
// printf's %.<digits>g.
std::string SignificantText(double value, int digits);
