// The CSV recorder on real files: rows readable while recording runs, appending under the same
// header only, a row cut short by a crash, and writes that fail.
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "measure/CsvRecorder.h"
#include "unit/TraceLogFiles.h"

namespace {

// Lines without their CRLF; a last line without a line break is kept as it is.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

TMeasurement Reading(const std::string& text, double si) {
  TMeasurement m;
  m.Time = {1796634902123, 2'000'000'000};
  m.Reading = m.Number = text;
  m.Value = si / 1000;
  m.SiValue = si;
  m.Unit = duKHz;
  m.Mode = mmFrequency;
  m.GateMs = 1000;
  m.Status = 132;
  return m;
}

const std::string kNineColumns = "timestamp,elapsed_s,reading,value,unit,si_value,mode,gate_ms,status";
const std::string kHeader = kNineColumns + ",flags,segment,segment_start,new_measurement";

class CsvRecorderTest : public ::testing::Test {
 protected:
  TTempFolder Folder;
  std::string Path = Folder.File("readings.csv");
  TCsvRecorder Recorder;
};

TEST_F(CsvRecorderTest, EachRowIsInTheFileAsSoonAsItIsWritten) {
  ASSERT_TRUE(Recorder.Start(Path, 1'000'000'000)) << Recorder.Error();
  EXPECT_EQ(ReadWholeFile(Path), kHeader + "\r\n");
  for (int i = 1; i <= 3; ++i) {
    ASSERT_TRUE(Recorder.Write(Reading("10000.00" + std::to_string(i), 1e7 + i)));
    // Another reader, while the recording runs: every row complete, the last one just made.
    const std::string text = ReadWholeFile(Path);
    const auto lines = Lines(text);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(1 + i));
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_NE(lines.back().find(",1.000,10000.00"), std::string::npos) << lines.back();
  }
  EXPECT_EQ(Recorder.Rows(), 3);
  Recorder.Stop();
  EXPECT_FALSE(Recorder.Active());
  EXPECT_FALSE(Recorder.Write(Reading("1", 1e3)));
  EXPECT_EQ(Lines(ReadWholeFile(Path)).size(), 4u);
}

struct ExistingCase {
  const char* Name;
  std::string Content;
  bool Accepted;
  std::size_t Columns = 13;  // of the rows appended
};

TEST_F(CsvRecorderTest, AppendsOnlyUnderItsOwnHeader) {
  const std::string row = "2026-12-07T10:15:02.123+01:00,0.100,10000,10000,kHz,10000000,F,1,132";
  const ExistingCase cases[] = {
      {"OurHeaderAndRows", kHeader + "\r\n" + row + "\r\n", true},
      {"OurHeaderWithUnixLineBreaks", kHeader + "\n" + row + "\n", true},
      {"OurHeaderSavedWithAByteOrderMark", "\xEF\xBB\xBF" + kHeader + "\r\n", true},
      // Recorded before the flags and segments: it stays a nine-column table.
      {"TheNineColumnHeader", kNineColumns + "\r\n" + row + "\r\n", true, 9},
      {"TheNineColumnHeaderWithAByteOrderMark", "\xEF\xBB\xBF" + kNineColumns + "\n", true, 9},
      {"Empty", "", true},
      {"AnotherHeader", "time,value\r\n1,2\r\n", false},
      {"OurHeaderWithAColumnMore", kHeader + ",extra\r\n", false},
      {"ALongLineWithoutBreak", std::string(10000, 'x'), false},
  };
  for (const ExistingCase& c : cases) {
    SCOPED_TRACE(c.Name);
    WriteWholeFile(Path, c.Content);
    const bool started = Recorder.Start(Path, 0);
    EXPECT_EQ(started, c.Accepted) << Recorder.Error();
    if (!started) {
      EXPECT_EQ(ReadWholeFile(Path), c.Content) << "a refused file is left alone";
      EXPECT_NE(Recorder.Error().find(Path), std::string::npos) << Recorder.Error();
      EXPECT_NE(Recorder.Error().find("other data"), std::string::npos) << Recorder.Error();
      continue;
    }
    ASSERT_TRUE(Recorder.Write(Reading("10000", 1e7)));
    Recorder.Stop();
    const std::string text = ReadWholeFile(Path);
    EXPECT_EQ(text.rfind(c.Content, 0), 0u) << "appended after what was there";
    const std::string added = text.substr(c.Content.size());
    EXPECT_EQ(added.find(kHeader), c.Content.empty() ? 0u : std::string::npos) << "one header only";
    EXPECT_NE(added.substr(0, 1), "\r") << "no empty line before the new rows";
    const std::string last = Lines(added).back();
    EXPECT_EQ(static_cast<std::size_t>(std::count(last.begin(), last.end(), ',')) + 1, c.Columns) << last;
  }
}

TEST_F(CsvRecorderTest, ARowCutShortByACrashIsClosedBeforeNewRows) {
  const std::string cut = kHeader + "\r\n2026-12-07T10:15:02.123+01:00,0.1";
  WriteWholeFile(Path, cut);
  ASSERT_TRUE(Recorder.Start(Path, 0)) << Recorder.Error();
  ASSERT_TRUE(Recorder.Write(Reading("10000", 1e7)));
  const auto lines = Lines(ReadWholeFile(Path));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "2026-12-07T10:15:02.123+01:00,0.1");
  EXPECT_NE(lines[2].find(",10000,10000,kHz,10000000,F,1000,132"), std::string::npos) << lines[2];
}

// After a write failed: the file ends with the last whole row (nothing of the failed one), so
// appending again adds whole rows under the same header, never a broken record.
void ExpectOnlyWholeRowsAfterAppending(TCsvRecorder& recorder, const std::string& path, std::int64_t rows) {
  const std::string text = ReadWholeFile(path);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << "a failed row is cut off";
  ASSERT_TRUE(recorder.Start(path, 0)) << recorder.Error();
  ASSERT_TRUE(recorder.Write(Reading("10000", 1e7)));
  recorder.Stop();
  const auto lines = Lines(ReadWholeFile(path));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(rows + 2));
  EXPECT_EQ(lines[0], kHeader);
  for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_NE(lines[i].find(",10000,kHz,10000000,F,1000,132"), std::string::npos);
}

TEST_F(CsvRecorderTest, AWriteThatFailsStopsTheRecording) {
  // A file-size limit just past the header: the system refuses the rows that do not fit,
  // as a full disk would.
  ASSERT_TRUE(Recorder.Start(Path, 0)) << Recorder.Error();
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit tiny = old;
  tiny.rlim_cur = kHeader.size() + 2 + 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
  int written = 0;
  while (Recorder.Write(Reading("10000", 1e7)) && written < 10) ++written;
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(written, 1) << "one row fits under the limit";
  EXPECT_EQ(Recorder.Rows(), 1);
  EXPECT_FALSE(Recorder.Active());
  EXPECT_NE(Recorder.Error().find("Recording stopped: cannot write to " + Path + ": File too large"), std::string::npos)
      << Recorder.Error();
  ExpectOnlyWholeRowsAfterAppending(Recorder, Path, 1);
}

TEST_F(CsvRecorderTest, AFullDiskStopsTheRecordingAtTheLastWholeRow) {
  // A file system of two pages (mounting needs root, as CI has).
  const std::string disk = Folder.File("disk"), path = disk + "/readings.csv";
  if (mkdir(disk.c_str(), 0700) != 0 || mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=8k") != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
  const std::unique_ptr<const char, int (*)(const char*)> unmount(disk.c_str(), [](const char* d) { return umount2(d, MNT_DETACH); });
  ASSERT_TRUE(Recorder.Start(path, 0)) << Recorder.Error();
  while (Recorder.Write(Reading("10000", 1e7)) && Recorder.Rows() < 1000) {
  }
  EXPECT_NE(Recorder.Error().find("No space left on device"), std::string::npos) << Recorder.Error();
  ASSERT_EQ(mount("tmpfs", disk.c_str(), "tmpfs", MS_REMOUNT, "size=64k"), 0);
  ExpectOnlyWholeRowsAfterAppending(Recorder, path, Recorder.Rows());
}

TEST_F(CsvRecorderTest, AFileRemovedWhileRecordingStopsIt) {
  ASSERT_TRUE(Recorder.Start(Path, 0)) << Recorder.Error();
  ASSERT_TRUE(Recorder.Write(Reading("10000", 1e7)));
  ASSERT_EQ(unlink(Path.c_str()), 0);
  EXPECT_FALSE(Recorder.Write(Reading("10000", 1e7)));
  EXPECT_FALSE(Recorder.Active());
  EXPECT_EQ(Recorder.Error(), "Recording stopped: " + Path + " was removed");
  EXPECT_EQ(Recorder.Rows(), 1);
}

}  // namespace
