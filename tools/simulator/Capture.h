// Capture files: what went over the line, with times, so a session can be replayed.
//
// Text, one record a line: the time in ms since the session began (three decimals), the side
// that sent the bytes (I the instrument, P the front panel), then the bytes in hex:
//     12.345 I 84 03 00 01
// Lines starting with '#' and empty lines are comments.
#pragma once

#include <cstdint>
#include <cstdio>
#include <istream>
#include <string>
#include <vector>

enum TCaptureSide : char { csInstrument = 'I', csPanel = 'P' };

// The latest time a capture line may carry: 30 days after the start of the session.
constexpr double kMaxCaptureMs = 30.0 * 24 * 3600 * 1000;

struct TCaptureRecord {
  double TimeMs = 0;
  TCaptureSide Side = csInstrument;
  std::vector<std::uint8_t> Bytes;
};

class TCaptureWriter {
 public:
  TCaptureWriter() = default;
  TCaptureWriter(const TCaptureWriter&) = delete;
  TCaptureWriter& operator=(const TCaptureWriter&) = delete;
  ~TCaptureWriter() { Close(); }

  bool Open(const std::string& path, std::string& error);
  bool IsOpen() const { return FFile != nullptr; }
  // Each record is flushed, so a capture cut off by a crash still replays up to that point.
  void Add(double timeMs, TCaptureSide side, const std::uint8_t* data, std::size_t size);
  void Close();

 private:
  std::FILE* FFile = nullptr;
};

// One record as a line of the file, without the line end ("12.345 I 84 03").
std::string FormatCaptureRecord(double timeMs, TCaptureSide side, const std::uint8_t* data, std::size_t size);

// Reads a whole capture; false with error naming the line when it is malformed, and when
// path is no readable file (a directory, say).
bool ReadCapture(const std::string& path, std::vector<TCaptureRecord>& records, std::string& error);
// The same for capture text from any stream; `name` stands for the file in errors.  Records
// are appended as they are read, also when a later line is malformed.
bool ParseCapture(std::istream& in, const std::string& name, std::vector<TCaptureRecord>& records,
                  std::string& error);
