// Records measurements as CSV rows (measure/CsvRow.h) to a file or to standard output.
//
// Each row goes to the system in one write as soon as it is made, so a crash of the program
// loses at most the row being written and another reader sees every complete row at once.
// Appending to a file keeps its header: a file whose first line is another header (or any other
// data) is refused and left untouched.  A file recorded before the flags and segments (its
// header is the nine-column one) is appended to in its own nine-column layout, so it stays one
// table its readers can read: NineColumns() then tells the caller, which should keep such a
// file to trusted measurements, since nothing in it can flag the others.  A file that ends in
// the middle of a row (a crash while writing it) gets a line break first, so the new rows stay
// whole.
//
// A write that fails (disk full, file too large, I/O error) or a file removed while recording
// stops the recording; Error() then says why.  What the failed write put in a file of its row
// (or header) is cut off again, so the file ends with its last whole row and a later append
// goes on with whole rows.
//
// A signal handled without SA_RESTART that interrupts a write blocked on a pipe or a FIFO
// (or the open of a FIFO nobody reads) fails it with EINTR: that is how a program with such a
// handler ends a wait it cannot end otherwise (the headless logger's stop signals do), so it
// is not tried again.  Nothing here throws or blocks beyond the write and the open.
// Thread safety: one thread at a time (the program's main thread).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "measure/CsvRow.h"
#include "measure/Measurement.h"

// Whether a file that begins with `fileStart` (its first line and perhaps more) has the
// recorder's header as its first line: CRLF or LF, a leading UTF-8 byte-order mark allowed.
bool StartsWithCsvHeader(std::string_view fileStart);
// The same for the nine-column header of earlier recordings.
bool StartsWithNineColumnCsvHeader(std::string_view fileStart);

class TCsvRecorder {
 public:
  TCsvRecorder() = default;
  ~TCsvRecorder();
  TCsvRecorder(const TCsvRecorder&) = delete;
  TCsvRecorder& operator=(const TCsvRecorder&) = delete;

  // Starts recording to `path` ("-": standard output, which always gets the header and whose
  // lines end in LF alone; files get CR LF); a running
  // recording is stopped first.  elapsed_s counts from startNs (monotonic, ns).  Returns true,
  // or false with Error() naming the file and the reason (nothing is recorded then).
  bool Start(const std::string& path, std::int64_t startNs);
  // Writes the measurement's row.  False when not recording, or when the write failed: the
  // recording has then stopped and Error() says why.
  bool Write(const TMeasurement& m);
  // Ends the recording; the file keeps every row written.  Error() is left as it was.
  void Stop();

  bool Active() const { return FFd >= 0; }
  // Appending to a recording of the nine-column layout: rows keep to its columns.
  bool NineColumns() const { return FColumns == kNineColumns; }
  const std::string& Path() const { return FPath; }  // of the current or last recording
  std::int64_t Rows() const { return FRows; }        // rows written since the last Start
  std::int64_t StartNs() const { return FStartNs; }  // what elapsed_s counts from
  const std::string& Error() const { return FError; }
  // The system's error number behind Error(), 0 when there was none (a refused header).
  int ErrorNumber() const { return FErrorNumber; }
  // Error() in parts, for a window that says it in the reader's words: its sentence in English,
  // marked for translation in the context "CsvRecorder", with %1 for Path() and %2 for the
  // header's line; then, when there is one, a colon and the system's reason (ErrorReason()).
  const char* ErrorSentence() const { return FErrorSentence; }
  std::string ErrorReason() const;
  // The header's line, without its line break.
  static std::string HeaderLine();

 private:
  bool Fail(const char* sentence, int error);
  bool WriteAll(const std::string& line);

  int FFd = -1;
  bool FOwnsFd = false;     // false for standard output, which is never closed here
  bool FRegular = false;    // a regular file: its removal is noticed
  std::size_t FColumns = kRowColumnCount;  // written per row
  std::int64_t FStartNs = 0;
  std::int64_t FRows = 0;
  std::string FPath;
  std::string FError;
  const char* FErrorSentence = "";
  int FErrorNumber = 0;
};
