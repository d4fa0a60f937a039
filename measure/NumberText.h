// Numbers as text for tables, files and JSON.
#pragma once

#include <string>

// The shortest text that reads back as the same double ("0.1", "1.0000000000000002e-06").
std::string ShortestText(double value);
// printf's %.<digits>g.
std::string SignificantText(double value, int digits);
