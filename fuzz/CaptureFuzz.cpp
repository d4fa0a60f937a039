// Simulator capture files: any text read as a capture, and what is read written back.
// Checked: a capture that reads holds only times within a session, the two sides and bytes
// written as hex digits; written again (the writer's line format) it reads back to the same
// records, times to the millisecond's thousandth, and from then on exactly.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/FuzzRequire.h"
#include "tools/simulator/Capture.h"

namespace {

// The records as the writer puts them down; records without bytes are not written.
std::string Written(const std::vector<TCaptureRecord>& records) {
  std::string text = "# written again\n";
  for (const TCaptureRecord& r : records) {
    if (r.Bytes.empty()) continue;
    text += FormatCaptureRecord(r.TimeMs, r.Side, r.Bytes.data(), r.Bytes.size()) + "\n";
  }
  return text;
}

std::vector<TCaptureRecord> Read(const std::string& text) {
  std::istringstream in(text);
  std::vector<TCaptureRecord> records;
  std::string error;
  FUZZ_REQUIRE(ParseCapture(in, "again", records, error));
  return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::vector<TCaptureRecord> records;
  std::string error;
  if (!ParseCapture(in, "fuzz", records, error)) {
    FUZZ_REQUIRE(error.rfind("fuzz:", 0) == 0);
    return 0;
  }
  // Every byte taken was written as one or two hex digits (no sign, no prefix).
  std::istringstream lines(std::string(reinterpret_cast<const char*>(data), size));
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string token;
    fields >> token >> token;
    while (fields >> token) {
      FUZZ_REQUIRE(token.size() <= 2 && token.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos);
    }
  }
  std::vector<TCaptureRecord> sent;
  for (const TCaptureRecord& r : records) {
    FUZZ_REQUIRE(r.TimeMs >= 0 && r.TimeMs <= kMaxCaptureMs);
    FUZZ_REQUIRE(r.Side == csInstrument || r.Side == csPanel);
    if (!r.Bytes.empty()) sent.push_back(r);
  }
  const std::vector<TCaptureRecord> once = Read(Written(records));
  FUZZ_REQUIRE(once.size() == sent.size());
  for (std::size_t i = 0; i < once.size(); ++i) {
    FUZZ_REQUIRE(once[i].Side == sent[i].Side && once[i].Bytes == sent[i].Bytes);
    FUZZ_REQUIRE(std::fabs(once[i].TimeMs - sent[i].TimeMs) <= 0.0005 + 1e-12 * sent[i].TimeMs);
  }
  const std::vector<TCaptureRecord> twice = Read(Written(once));
  FUZZ_REQUIRE(twice.size() == once.size());
  for (std::size_t i = 0; i < twice.size(); ++i) {
    FUZZ_REQUIRE(twice[i].TimeMs == once[i].TimeMs && twice[i].Side == once[i].Side && twice[i].Bytes == once[i].Bytes);
  }
  return 0;
}
