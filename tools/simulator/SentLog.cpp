#include "tools/simulator/SentLog.h"

#include <cerrno>
#include <cstring>

bool TSentLog::Open(const std::string& path, std::string& error) {
  FFile = std::fopen(path.c_str(), "w");
  if (FFile == nullptr) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  std::fputs("# freqsim frames sent whole: number time-ms reading faults gate state\n", FFile);
  return true;
}

void TSentLog::Add(long number, double timeMs, const std::string& reading, const std::string& faults, long gate,
                   const std::string& state) {
  if (FFile == nullptr) return;
  std::fprintf(FFile, "%ld %.3f %s %s %ld %s\n", number, timeMs, reading.empty() ? "_" : reading.c_str(),
               faults.empty() ? "-" : faults.c_str(), gate, state.empty() ? "-" : state.c_str());
}

void TSentLog::Close() {
  if (FFile != nullptr) std::fclose(FFile);
  FFile = nullptr;
}
