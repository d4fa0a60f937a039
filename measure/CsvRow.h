// The row a measurement becomes: its columns, their values as text, and the CSV record
// (RFC 4180) that carries them.  Every output of measurements (the CSV file, a published
// message) takes its fields from RowValues, so they cannot drift apart.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "measure/Measurement.h"

enum TColumnKind : std::uint8_t { ckText, ckNumber };  // a number column's empty value means none

struct TRowColumn {
  const char* Name;
  TColumnKind Kind;
};

constexpr std::size_t kRowColumnCount = 9;
inline constexpr std::array<TRowColumn, kRowColumnCount> kRowColumns{{
    {"timestamp", ckText},   // local time, ISO 8601 with milliseconds and UTC offset
    {"elapsed_s", ckNumber}, // seconds since the recording began (monotonic), 3 decimals
    {"reading", ckText},     // the reading as shown, blanks trimmed ("Error" included)
    {"value", ckNumber},     // the displayed number as a plain decimal
    {"unit", ckText},        // kHz, ms, µs or empty
    {"si_value", ckNumber},  // value in Hz or s, %.12g
    {"mode", ckText},        // F, T, A/B, t, test or empty
    {"gate_ms", ckNumber},   // averaging / count time
    {"status", ckNumber},    // the last status byte
}};

using TRowValues = std::array<std::string, kRowColumnCount>;

// The fields of a measurement's row; elapsed_s counts from recordingStartNs (monotonic).
TRowValues RowValues(const TMeasurement& m, std::int64_t recordingStartNs);

// One CSV record: fields joined by commas, a field quoted when it holds a comma, a quote, CR or
// LF (its quotes doubled), the record ended by CRLF.
std::string CsvRecord(std::span<const std::string> fields);
// The header record: the column names.
const std::string& CsvHeader();
