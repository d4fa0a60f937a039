// The dispatch log: the byte ring with whole-entry dropping, and the text file it writes.
#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <string>
#include <vector>

#include "TraceLogFiles.h"
#include "dispatch/SioLog.h"
#include "platform/SysErrors.h"

namespace {

constexpr const char* kTitles = "Time      Type      SubType       Data      OtherData\n";
constexpr const char* kRules = "--------  --------  ------------  --------  ---------\n";

class LogTest : public ::testing::Test {
 protected:
  void Record(std::uint32_t ms, std::uint8_t kind, std::uint8_t subkind, std::uint32_t data,
              const std::string& block = "") {
    Log.Record(ms, kind, subkind, data, reinterpret_cast<const std::uint8_t*>(block.data()),
               static_cast<std::uint32_t>(block.size()));
  }
  // The entry lines of a written log; the five header lines are checked on the way.
  std::string WrittenEntries(bool hex = false, bool allHex = false) {
    const std::string name = Folder.File("SIO.LOG");
    EXPECT_EQ(Log.Write(name, false, hex, allHex), 0);
    return EntriesOf(ReadWholeFile(name));
  }
  static std::string EntriesOf(const std::string& file) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (int i = 0; i < 5; ++i) {
      const std::size_t end = file.find('\n', at);
      if (end == std::string::npos) {
        ADD_FAILURE() << "header line " << i << " missing in:\n" << file;
        return "";
      }
      lines.push_back(file.substr(at, end + 1 - at));
      at = end + 1;
    }
    EXPECT_EQ(lines[0], "SIO v3.02\n");
    EXPECT_EQ(lines[1].rfind("Compiler : ", 0), 0u);
    EXPECT_EQ(lines[1].size(), std::string("Compiler : ").size() + 8 + 1);
    utsname names{};
    uname(&names);
    const std::string os = "Operating System : ";
    EXPECT_EQ(lines[2].rfind(os + names.sysname + " ", 0), 0u) << lines[2];
    EXPECT_LE(lines[2].size(), os.size() + 80 + 1);
    EXPECT_EQ(lines[3], kTitles);
    EXPECT_EQ(lines[4], kRules);
    return file.substr(at);
  }

  TTempFolder Folder;
  TDispatchLog Log;
};

TEST_F(LogTest, ReadEntryLine) {
  Log.Create(1000, 100);
  Record(1234, 1, 1, 3, "abc");
  EXPECT_EQ(WrittenEntries(), "0001.234  Dispatch  ReadCom       00000003  abc\n");
}

TEST_F(LogTest, EntriesWithoutDataAndTheirNames) {
  Log.Create(1000, 100);
  Record(0, 2, 8, 0xABCDEF01);
  Record(5, 7, 17, 0x1234);
  Record(6, 9, 16, 1);
  Record(7, 0, 0, 0);
  Record(8, 200, 99, 0);  // no texts for these: blank names
  EXPECT_EQ(WrittenEntries(),
            "0000.000  Trigger   Status        ABCDEF01  \n"
            "0000.005  TrgHdAlc  Window        00001234  \n"
            "0000.006  TrDatChg  Avail         00000001  \n"
            "0000.007  No event                00000000  \n"
            "0000.008                          00000000  \n");
}

struct TTimeCase {
  std::uint32_t Ms;
  const char* Text;
};

class LogTimeTest : public LogTest, public ::testing::WithParamInterface<TTimeCase> {};

TEST_P(LogTimeTest, TimeTextKeepsThePointBeforeTheLastThreeDigits) {
  Log.Create(1000, 100);
  Record(GetParam().Ms, 1, 2, 0);
  const std::string line = WrittenEntries();
  EXPECT_EQ(line.substr(0, line.find("  Dispatch")), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(Times, LogTimeTest,
                         ::testing::Values(TTimeCase{0, "0000.000"}, TTimeCase{1234, "0001.234"},
                                           TTimeCase{9'999'999, "9999.999"},
                                           TTimeCase{12'345'678, "12345.678"},
                                           TTimeCase{4'294'967'295u, "4294967.295"}));

struct TModemCase {
  std::uint32_t Data;
  const char* Names;
};

class LogModemTest : public LogTest, public ::testing::WithParamInterface<TModemCase> {};

TEST_P(LogModemTest, ModemStatusBitsFollowTheBytes) {
  Log.Create(1000, 100);
  Record(0, 1, 4, GetParam().Data, "\x01");
  const std::string line = WrittenEntries(true);
  EXPECT_EQ(line.substr(44), std::string("[01]") + GetParam().Names + "\n");
}

INSTANTIATE_TEST_SUITE_P(Bits, LogModemTest,
                         ::testing::Values(TModemCase{0x00, "()"}, TModemCase{0x01, "(DCTS)"},
                                           TModemCase{0x11, "(DCTS CTS)"},
                                           TModemCase{0x180, "(DCD)"},
                                           TModemCase{0xFF, "(DCTS DDSR TERI DDCD CTS DSR RI DCD)"}));

TEST_F(LogTest, StatusTriggerTypesOfAllocationAndDisposal) {
  Log.Create(1000, 100);
  Record(0, 5, 15, 1, std::string(1, '\x03'));
  Record(0, 6, 15, 1, std::string(1, '\x05'));
  Record(0, 5, 15, 1, std::string(1, '\x09'));
  EXPECT_EQ(WrittenEntries(),
            "0000.000  TrigAllc  Status        00000001  (Output buffer free)\n"
            "0000.000  TrigDisp  Status        00000001  (Output sent)\n"
            "0000.000  TrigAllc  Status        00000001  \n");
}

TEST_F(LogTest, TelnetEntriesNameTheirOption) {
  Log.Create(1000, 100);
  Record(0, 10, 20, 1);
  Record(0, 10, 20, 42);
  Record(0, 10, 20, 43);
  EXPECT_EQ(WrittenEntries(),
            "0000.000  Telnet    Sent WILL     00000001  [Echo]\n"
            "0000.000  Telnet    Sent WILL     0000002A  [Character Set]\n"
            "0000.000  Telnet    Sent WILL     0000002B  []\n");
}

TEST_F(LogTest, LongBlocksContinueUnderTheDataColumn) {
  Log.Create(1000, 100);
  Record(0, 1, 2, 40, std::string(40, 'w'));
  const std::string prefix = "0000.000  Dispatch  WriteCom      00000028  ";
  EXPECT_EQ(WrittenEntries(),
            prefix + std::string(33, 'w') + "\n" + std::string(44, ' ') + std::string(7, 'w') + "\n");
}

TEST_F(LogTest, AllHexRendersUserBytesAsCharacters) {
  Log.Create(1000, 100);
  Record(0, 19, 0, 2, "ok");
  Record(0, 1, 1, 2, "ok");
  EXPECT_EQ(WrittenEntries(false, true),
            "0000.000  User                    00000002  ok\n"
            "0000.000  Dispatch  ReadCom       00000002  [6F][6B]\n");
}

TEST_F(LogTest, FullRingDropsWholeOldestEntries) {
  // Entries of 14 + 3 bytes in a 60-byte ring: three fit, and the ring's end falls inside
  // the fourth, so its bytes wrap to the start.
  Log.Create(60, 100);
  for (std::uint32_t i = 1; i <= 5; ++i) Record(i, 1, 1, i, std::string(3, static_cast<char>('a' + i)));
  EXPECT_EQ(WrittenEntries(),
            "0000.003  Dispatch  ReadCom       00000003  ddd\n"
            "0000.004  Dispatch  ReadCom       00000004  eee\n"
            "0000.005  Dispatch  ReadCom       00000005  fff\n");
}

TEST_F(LogTest, EntryOneByteLargerThanTheFreeSpaceDropsTheOldest) {
  Log.Create(29, 100);  // after one 15-byte entry 14 bytes are free
  Record(1, 1, 1, 1, "a");
  Record(2, 1, 1, 1, "b");
  EXPECT_EQ(WrittenEntries(), "0000.002  Dispatch  ReadCom       00000001  b\n");
}

TEST_F(LogTest, LargeEntryDropsAsManyOldEntriesAsItNeeds) {
  Log.Create(60, 100);
  Record(1, 1, 1, 1, "a");
  Record(2, 1, 1, 1, "b");
  Record(3, 1, 1, 1, "c");
  Record(4, 1, 2, 30, std::string(30, 'x'));  // 44 bytes: leaves room for one 15-byte entry
  EXPECT_EQ(WrittenEntries(),
            "0000.003  Dispatch  ReadCom       00000001  c\n"
            "0000.004  Dispatch  WriteCom      0000001E  " + std::string(30, 'x') + "\n");
}

TEST_F(LogTest, BlockLargerThanTheScratchIsCutToIt) {
  // A device read may return more than the input size the scratch was sized by.
  Log.Create(1000, 4);
  EXPECT_EQ(Log.ScratchSize(), 4u);
  Record(1, 1, 1, 10, "0123456789");
  Record(2, 1, 1, 2, "ok");
  EXPECT_EQ(WrittenEntries(),
            "0000.001  Dispatch  ReadCom       0000000A  0123\n"
            "0000.002  Dispatch  ReadCom       00000002  ok\n");
}

TEST_F(LogTest, BlockLargerThanTheRingHoldsIsCutToFitWithItsHeader) {
  Log.Create(40, 100);
  EXPECT_EQ(Log.ScratchSize(), 40u - TDispatchLog::kHeaderSize);
  Record(1, 1, 1, 1, "a");
  Record(2, 1, 2, 30, std::string(30, 'x'));
  EXPECT_EQ(WrittenEntries(),
            "0000.002  Dispatch  WriteCom      0000001E  " + std::string(26, 'x') + "\n");
}

TEST_F(LogTest, RingNoLargerThanAHeaderStoresNothing) {
  Log.Create(TDispatchLog::kHeaderSize, 100);
  Record(1, 1, 1, 0);
  EXPECT_EQ(Log.Free(), TDispatchLog::kHeaderSize);
  const std::string name = Folder.File("SIO.LOG");
  EXPECT_EQ(Log.Write(name, false, false, false), 0);
  EXPECT_FALSE(FileExists(name));
}

TEST_F(LogTest, EmptyOrAbsentLogWritesNoFile) {
  const std::string name = Folder.File("SIO.LOG");
  EXPECT_EQ(Log.Write(name, false, false, false), 0);
  Log.Create(100, 10);
  EXPECT_EQ(Log.Write(name, false, false, false), 0);
  EXPECT_FALSE(Log.Exists());
  EXPECT_FALSE(FileExists(name));
}

TEST_F(LogTest, AppendingAddsAWholeLogAfterTheFile) {
  const std::string name = Folder.File("SIO.LOG");
  WriteWholeFile(name, "before");
  Log.Create(100, 10);
  Record(1, 1, 1, 0);
  EXPECT_EQ(Log.Write(name, true, false, false), 0);
  const std::string file = ReadWholeFile(name);
  ASSERT_EQ(file.rfind("beforeSIO v3.02\n", 0), 0u) << file;
  EXPECT_EQ(EntriesOf(file.substr(6)), "0000.001  Dispatch  ReadCom       00000000  \n");
}

TEST_F(LogTest, CreatingAnExistingLogOnlyEmptiesIt) {
  Log.Create(100, 10);
  Record(1, 1, 1, 0);
  Log.Pause();
  Log.Create(500, 10);
  EXPECT_FALSE(Log.On());
  EXPECT_EQ(Log.Size(), 100u);
  EXPECT_EQ(Log.Free(), 100u);
  Log.Resume();
  EXPECT_TRUE(Log.On());
  Record(2, 1, 1, 0);
  Log.Reset();
  EXPECT_TRUE(Log.On());
  EXPECT_EQ(Log.Free(), 100u);
  Log.Discard();
  EXPECT_FALSE(Log.Exists());
  Log.Resume();
  EXPECT_FALSE(Log.On());
}

TEST_F(LogTest, FileThatCannotBeOpenedKeepsTheLogPaused) {
  Log.Create(100, 10);
  Record(1, 1, 1, 2, "hi");
  EXPECT_EQ(Log.Write(Folder.File("missing/SIO.LOG"), false, false, false), -ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(Log.Exists());
  EXPECT_FALSE(Log.On());
  EXPECT_EQ(WrittenEntries(), "0000.001  Dispatch  ReadCom       00000002  hi\n");
}

TEST_F(LogTest, WriteErrorIsReportedAndTheLogDiscarded) {
  if (!FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  Log.Create(1000, 100);
  Record(1, 1, 1, 2, "hi");
  EXPECT_EQ(Log.Write("/dev/full", false, false, false), -SystemErrorFromErrno(ENOSPC));
  EXPECT_FALSE(Log.Exists());
}

}  // namespace
