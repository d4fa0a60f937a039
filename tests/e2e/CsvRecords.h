// The records of a CSV text as the program writes it (no quoted fields), for the end-to-end
// tests.  Header-only.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// The CSV text's records split into fields; every record must end in `lineEnd` (CRLF in a
// file, LF on standard output).
inline std::vector<std::vector<std::string>> Records(const std::string& text, const std::string& lineEnd = "\r\n") {
  std::vector<std::vector<std::string>> records;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find(lineEnd, start);
    EXPECT_NE(end, std::string::npos) << "a record without its line break";
    if (end == std::string::npos) break;
    std::vector<std::string> fields;
    std::stringstream line(text.substr(start, end - start));
    std::string field;
    while (std::getline(line, field, ',')) fields.push_back(field);
    if (text[end - 1] == ',') fields.emplace_back();
    records.push_back(fields);
    start = end + lineEnd.size();
  }
  return records;
}
