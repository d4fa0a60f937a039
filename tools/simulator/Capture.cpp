#include "tools/simulator/Capture.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

bool TCaptureWriter::Open(const std::string& path, std::string& error) {
  FFile = std::fopen(path.c_str(), "w");
  if (FFile == nullptr) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  std::fputs("# freqsim capture: ms since start, I (instrument) or P (panel), bytes in hex\n", FFile);
  std::fflush(FFile);
  return true;
}

void TCaptureWriter::Add(double timeMs, TCaptureSide side, const std::uint8_t* data, std::size_t size) {
  if (FFile == nullptr || size == 0) return;
  std::fprintf(FFile, "%.3f %c", timeMs, static_cast<char>(side));
  for (std::size_t i = 0; i < size; ++i) std::fprintf(FFile, " %02x", data[i]);
  std::fputc('\n', FFile);
  std::fflush(FFile);
}

void TCaptureWriter::Close() {
  if (FFile != nullptr) std::fclose(FFile);
  FFile = nullptr;
}

bool ReadCapture(const std::string& path, std::vector<TCaptureRecord>& records, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    TCaptureRecord record;
    std::string side;
    if (!(fields >> record.TimeMs >> side) || (side != "I" && side != "P")) {
      error = path + ":" + std::to_string(number) + ": expected '<ms> I|P <hex bytes>'";
      return false;
    }
    // Replay times become nanosecond deadlines: keep them to what a session can last.
    if (!(record.TimeMs >= 0 && record.TimeMs <= kMaxCaptureMs)) {
      error = path + ":" + std::to_string(number) + ": time out of range (0 to " +
              std::to_string(static_cast<long long>(kMaxCaptureMs)) + " ms)";
      return false;
    }
    record.Side = static_cast<TCaptureSide>(side[0]);
    std::string hex;
    while (fields >> hex) {
      char* end = nullptr;
      const unsigned long value = std::strtoul(hex.c_str(), &end, 16);
      if (hex.size() > 2 || *end != '\0' || value > 255) {
        error = path + ":" + std::to_string(number) + ": bad byte '" + hex + "'";
        return false;
      }
      record.Bytes.push_back(static_cast<std::uint8_t>(value));
    }
    records.push_back(std::move(record));
  }
  return true;
}
