#include "measure/CsvRecorder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "measure/CsvRow.h"
#include "platform/Translatable.h"

namespace {

const char* const kCannotRecord = QT_TRANSLATE_NOOP("CsvRecorder", "Cannot record to %1");

// How far the first line of an existing file is looked for; a longer first line is no header.
constexpr std::size_t kHeaderSearch = 4096;

// The start of the file, up to its first line break, or false when it cannot be read.
bool ReadFileStart(const std::string& path, std::string& start, int& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return false;
  }
  char buffer[kHeaderSearch];
  std::size_t size = 0;
  while (size < sizeof buffer) {
    const ssize_t n = ::read(fd, buffer + size, sizeof buffer - size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    size += static_cast<std::size_t>(n);
    if (std::memchr(buffer, '\n', size) != nullptr) break;
  }
  ::close(fd);
  start.assign(buffer, size);
  return true;
}

// The descriptor we append through is open for writing only, so the last byte is read
// through a descriptor of its own.
bool EndsWithLineBreak(const std::string& path, off_t size) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char last = 0;
  const bool lineBreak = ::pread(fd, &last, 1, size - 1) == 1 && last == '\n';
  ::close(fd);
  return lineBreak;
}

}  // namespace

namespace {

bool StartsWithHeader(std::string_view fileStart, const std::string& header) {
  std::string_view line = fileStart.substr(0, fileStart.find('\n'));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  // A spreadsheet that saved the file may have put a byte-order mark first.
  if (line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
  return line == std::string_view(header).substr(0, header.size() - 2);
}

}  // namespace

bool StartsWithCsvHeader(std::string_view fileStart) { return StartsWithHeader(fileStart, CsvHeader()); }

bool StartsWithNineColumnCsvHeader(std::string_view fileStart) {
  return StartsWithHeader(fileStart, NineColumnCsvHeader());
}

TCsvRecorder::~TCsvRecorder() { Stop(); }

bool TCsvRecorder::Start(const std::string& path, std::int64_t startNs) {
  Stop();
  FPath = path;
  FError.clear();
  FErrorSentence = "";
  FErrorNumber = 0;
  FRows = 0;
  FStartNs = startNs;
  FColumns = kRowColumnCount;
  if (path == "-") {
    FFd = STDOUT_FILENO;
    FOwnsFd = false;
    FRegular = false;
    return WriteAll(CsvHeader()) || Fail(QT_TRANSLATE_NOOP("CsvRecorder", "Cannot record to standard output"), errno);
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return Fail(kCannotRecord, errno);
  FFd = fd;
  FOwnsFd = true;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return Fail(kCannotRecord, errno);
  FRegular = S_ISREG(st.st_mode);
  std::string lead = CsvHeader();
  if (FRegular && st.st_size > 0) {
    std::string start;
    int error = 0;
    if (!ReadFileStart(path, start, error))
      return Fail(QT_TRANSLATE_NOOP("CsvRecorder", "Cannot read the header of %1"), error);
    if (StartsWithNineColumnCsvHeader(start)) {
      FColumns = kNineColumns;
    } else if (!StartsWithCsvHeader(start)) {
      return Fail(QT_TRANSLATE_NOOP("CsvRecorder", "Cannot record to %1: it holds other data (its first line is not "
                                                   "\"%2\"); choose a new file"),
                  0);
    }
    // Appending: no second header; a row cut short by a crash is closed first.
    lead = EndsWithLineBreak(path, st.st_size) ? std::string() : std::string("\r\n");
  }
  return lead.empty() || WriteAll(lead) || Fail(kCannotRecord, errno);
}

bool TCsvRecorder::Write(const TMeasurement& m) {
  if (!Active()) return false;
  const TRowValues values = RowValues(m, FStartNs);
  if (!WriteAll(CsvRecord(std::span<const std::string>(values.data(), FColumns)))) {
    return Fail(FOwnsFd ? QT_TRANSLATE_NOOP("CsvRecorder", "Recording stopped: cannot write to %1")
                        : QT_TRANSLATE_NOOP("CsvRecorder", "Recording stopped: cannot write to standard output"),
                errno);
  }
  // A file removed while open takes every later row with it: say so instead of writing on.
  struct stat st {};
  if (FRegular && ::fstat(FFd, &st) == 0 && st.st_nlink == 0) {
    Fail(QT_TRANSLATE_NOOP("CsvRecorder", "Recording stopped: %1 was removed"), 0);
    return false;
  }
  ++FRows;
  return true;
}

void TCsvRecorder::Stop() {
  if (FFd >= 0 && FOwnsFd) ::close(FFd);
  FFd = -1;
  FOwnsFd = false;
}

bool TCsvRecorder::Fail(const char* sentence, int error) {
  Stop();
  FErrorSentence = sentence;
  FErrorNumber = error;
  FError.clear();
  for (const char* c = sentence; *c != '\0'; ++c) {
    if (c[0] == '%' && (c[1] == '1' || c[1] == '2')) {
      FError += *++c == '1' ? FPath : HeaderLine();
    } else {
      FError += *c;
    }
  }
  if (error != 0) FError += ": " + ErrorReason();
  return false;
}

std::string TCsvRecorder::ErrorReason() const { return FErrorNumber != 0 ? std::strerror(FErrorNumber) : std::string(); }

std::string TCsvRecorder::HeaderLine() { return CsvHeader().substr(0, CsvHeader().size() - 2); }

bool TCsvRecorder::WriteAll(const std::string& line) {
  // Standard output is read by line tools (awk, cut), which would keep the CR in the last
  // field: its lines end in LF alone.  Files keep RFC 4180's CR LF, which appending relies on.
  std::string text = line;
  if (!FOwnsFd && text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.erase(text.size() - 2, 1);
  std::size_t done = 0;
  while (done < text.size()) {
    // EINTR is not tried again: see the header.
    const ssize_t n = ::write(FFd, text.data() + done, text.size() - done);
    if (n <= 0) {
      const int error = n == 0 ? EIO : errno;
      // What went of the row is cut off again: a later append would close it into a broken
      // record.  Our writes append (O_APPEND), so they end where the offset is.
      if (FRegular && done != 0) {
        const off_t end = ::lseek(FFd, 0, SEEK_CUR);
        if (end >= static_cast<off_t>(done)) {
          [[maybe_unused]] const int cut = ::ftruncate(FFd, end - static_cast<off_t>(done));  // the write's error is said
        }
      }
      errno = error;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}
