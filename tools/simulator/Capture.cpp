#include "tools/simulator/Capture.h"

#include <sys/stat.h>

#include <cctype>
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

std::string FormatCaptureRecord(double timeMs, TCaptureSide side, const std::uint8_t* data, std::size_t size) {
  char head[64];
  std::snprintf(head, sizeof head, "%.3f %c", timeMs, static_cast<char>(side));
  std::string line = head;
  static constexpr char kDigits[] = "0123456789abcdef";
  for (std::size_t i = 0; i < size; ++i) {
    line += ' ';
    line += kDigits[data[i] >> 4];
    line += kDigits[data[i] & 0x0F];
  }
  return line;
}

void TCaptureWriter::Add(double timeMs, TCaptureSide side, const std::uint8_t* data, std::size_t size) {
  if (FFile == nullptr || size == 0) return;
  const std::string line = FormatCaptureRecord(timeMs, side, data, size);
  std::fputs(line.c_str(), FFile);
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
  // A stream opens a directory without complaint and then reads nothing, which would replay
  // an empty session and end as if all went well.
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    error = "cannot read " + path + ": " + std::strerror(EISDIR);
    return false;
  }
  if (!ParseCapture(in, path, records, error)) return false;
  if (in.bad()) {
    error = "cannot read " + path;
    return false;
  }
  return true;
}

namespace {

// One or two hex digits and nothing else: strtoul alone would also take "+f" or "-0".
bool ParseHexByte(const std::string& text, std::uint8_t& value) {
  if (text.empty() || text.size() > 2) return false;
  for (const char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  value = static_cast<std::uint8_t>(std::strtoul(text.c_str(), nullptr, 16));
  return true;
}

}  // namespace

bool ParseCapture(std::istream& in, const std::string& name, std::vector<TCaptureRecord>& records,
                  std::string& error) {
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    TCaptureRecord record;
    std::string side;
    if (!(fields >> record.TimeMs >> side) || (side != "I" && side != "P")) {
      error = name + ":" + std::to_string(number) + ": expected '<ms> I|P <hex bytes>'";
      return false;
    }
    // Replay times become nanosecond deadlines: keep them to what a session can last.
    if (!(record.TimeMs >= 0 && record.TimeMs <= kMaxCaptureMs)) {
      error = name + ":" + std::to_string(number) + ": time out of range (0 to " +
              std::to_string(static_cast<long long>(kMaxCaptureMs)) + " ms)";
      return false;
    }
    record.Side = static_cast<TCaptureSide>(side[0]);
    std::string hex;
    while (fields >> hex) {
      std::uint8_t value = 0;
      if (!ParseHexByte(hex, value)) {
        error = name + ":" + std::to_string(number) + ": bad byte '" + hex + "'";
        return false;
      }
      record.Bytes.push_back(value);
    }
    records.push_back(std::move(record));
  }
  return true;
}
