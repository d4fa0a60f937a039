// The byte trace: recording, overwriting, and the text file it writes.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "TraceLogFiles.h"
#include "dispatch/SioTrace.h"
#include "platform/SysErrors.h"

namespace {

class TraceTest : public ::testing::Test {
 protected:
  void RecordAll(char kind, const std::string& bytes) {
    for (char c : bytes) Trace.Record(kind, static_cast<std::uint8_t>(c));
  }
  // Writes the trace to a fresh file and returns what the file holds.
  std::string Written(bool hex = false, bool allHex = false) {
    const std::string name = Folder.File("SIO.TRC");
    EXPECT_EQ(Trace.Write(name, false, hex, allHex), 0);
    return ReadWholeFile(name);
  }

  TTempFolder Folder;
  TTraceQueue Trace;
};

TEST_F(TraceTest, FullQueueKeepsTheNewestEntries) {
  ASSERT_EQ(Trace.Create(3), 0);
  RecordAll('T', "abcde");
  EXPECT_EQ(Trace.Count(), 3u);
  EXPECT_EQ(Written(), "Transmit: \ncde");
}

TEST_F(TraceTest, DirectionChangeEndsTheLineWithCrLfAndAnEmptyLine) {
  ASSERT_EQ(Trace.Create(100), 0);
  RecordAll('T', "AB\r");
  RecordAll('R', "x");
  EXPECT_EQ(Written(), "Transmit: \nAB[13]\r\n\nReceive: \nx");
}

TEST_F(TraceTest, OtherKindsGetASpecialHeaderAndEachChangeAHeader) {
  ASSERT_EQ(Trace.Create(100), 0);
  RecordAll('R', "1");
  RecordAll('Q', "2");
  RecordAll('R', "3");
  EXPECT_EQ(Written(), "Receive: \n1\r\n\nSpecial-Q: \n2\r\n\nReceive: \n3");
}

struct TRenderCase {
  std::uint8_t Value;
  bool Hex;
  bool AllHex;
  const char* Text;
};

class TraceRenderTest : public TraceTest, public ::testing::WithParamInterface<TRenderCase> {};

TEST_P(TraceRenderTest, RendersOneByte) {
  const TRenderCase& c = GetParam();
  ASSERT_EQ(Trace.Create(10), 0);
  Trace.Record('T', c.Value);
  EXPECT_EQ(Written(c.Hex, c.AllHex), std::string("Transmit: \n") + c.Text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, TraceRenderTest,
    ::testing::Values(TRenderCase{'\r', false, false, "[13]"}, TRenderCase{' ', false, false, " "},
                      TRenderCase{'\r', true, false, "[0D]"}, TRenderCase{' ', true, false, "[20]"},
                      TRenderCase{'a', true, true, "[61]"}, TRenderCase{'a', false, false, "a"},
                      TRenderCase{'!', true, false, "!"}, TRenderCase{'~', true, false, "~"},
                      TRenderCase{0x7F, false, false, "[127]"}, TRenderCase{0x7F, true, false, "[7F]"},
                      TRenderCase{0, false, false, "[0]"}, TRenderCase{9, false, false, "[9]"},
                      TRenderCase{10, false, false, "[10]"}, TRenderCase{31, false, false, "[31]"},
                      TRenderCase{255, false, false, "[255]"}, TRenderCase{255, true, false, "[FF]"},
                      TRenderCase{0, false, true, "[00]"}));

TEST_F(TraceTest, The79thCharacterStartsANewLine) {
  ASSERT_EQ(Trace.Create(1000), 0);
  RecordAll('T', std::string(79, 'a'));
  EXPECT_EQ(Written(), "Transmit: \n" + std::string(78, 'a') + "\na");
}

TEST_F(TraceTest, WideValuesWrapWhenTheyWouldPassColumn78) {
  ASSERT_EQ(Trace.Create(1000), 0);
  RecordAll('T', std::string(20, '\r'));  // [0D] is 4 wide: 19 of them take 76 columns
  std::string line;
  for (int i = 0; i < 19; ++i) line += "[0D]";
  EXPECT_EQ(Written(true), "Transmit: \n" + line + "\n[0D]");
}

TEST_F(TraceTest, ColumnRestartsAfterADirectionChange) {
  ASSERT_EQ(Trace.Create(1000), 0);
  RecordAll('T', std::string(70, 'a'));
  RecordAll('R', std::string(78, 'b'));
  EXPECT_EQ(Written(),
            "Transmit: \n" + std::string(70, 'a') + "\r\n\nReceive: \n" + std::string(78, 'b'));
}

TEST_F(TraceTest, NothingRecordedWritesNoFile) {
  const std::string name = Folder.File("SIO.TRC");
  EXPECT_EQ(Trace.Write(name, false, false, false), 0);  // no trace at all
  ASSERT_EQ(Trace.Create(10), 0);
  EXPECT_EQ(Trace.Write(name, false, false, false), 0);  // an empty one
  EXPECT_FALSE(Trace.Exists());
  ASSERT_EQ(Trace.Create(0), 0);  // nothing allocated, nothing recorded
  RecordAll('T', "abc");
  EXPECT_EQ(Trace.Write(name, false, false, false), 0);
  EXPECT_FALSE(FileExists(name));
}

TEST_F(TraceTest, AppendingContinuesTheFilesLastLine) {
  const std::string name = Folder.File("SIO.TRC");
  WriteWholeFile(name, "earlier\nline");
  ASSERT_EQ(Trace.Create(10), 0);
  RecordAll('R', "z");
  EXPECT_EQ(Trace.Write(name, true, false, false), 0);
  EXPECT_EQ(ReadWholeFile(name), "earlier\nlineReceive: \nz");
}

TEST_F(TraceTest, WritingWithoutAppendReplacesTheFile) {
  const std::string name = Folder.File("SIO.TRC");
  WriteWholeFile(name, "a much longer earlier content");
  ASSERT_EQ(Trace.Create(10), 0);
  RecordAll('R', "z");
  EXPECT_EQ(Trace.Write(name, false, false, false), 0);
  EXPECT_EQ(ReadWholeFile(name), "Receive: \nz");
}

TEST_F(TraceTest, CapacityAboveTheLimitIsRefusedAndChangesNothing) {
  EXPECT_EQ(Trace.Create(TTraceQueue::kMaxCapacity + 1), -1002);
  EXPECT_FALSE(Trace.Exists());
  EXPECT_FALSE(Trace.On());
  ASSERT_EQ(Trace.Create(TTraceQueue::kMaxCapacity), 0);
  EXPECT_EQ(Trace.Capacity(), TTraceQueue::kMaxCapacity);
}

TEST_F(TraceTest, CreatingAnExistingQueueEmptiesItAndKeepsItsCapacity) {
  ASSERT_EQ(Trace.Create(4), 0);
  RecordAll('T', "abcdef");
  Trace.Pause();
  ASSERT_EQ(Trace.Create(50), 0);
  EXPECT_TRUE(Trace.On());
  EXPECT_EQ(Trace.Capacity(), 4u);
  EXPECT_EQ(Trace.Count(), 0u);
  RecordAll('T', "xy");
  EXPECT_EQ(Written(), "Transmit: \nxy");
}

TEST_F(TraceTest, StatesFollowPauseResumeResetAndWrite) {
  Trace.Resume();
  EXPECT_FALSE(Trace.On());  // nothing to resume
  ASSERT_EQ(Trace.Create(10), 0);
  RecordAll('T', "ab");
  Trace.Pause();
  EXPECT_FALSE(Trace.On());
  EXPECT_EQ(Trace.Count(), 2u);
  Trace.Resume();
  EXPECT_TRUE(Trace.On());
  Trace.Reset();
  EXPECT_TRUE(Trace.On());
  EXPECT_EQ(Trace.Count(), 0u);
  RecordAll('T', "c");
  EXPECT_EQ(Written(), "Transmit: \nc");
  EXPECT_FALSE(Trace.Exists());
  EXPECT_FALSE(Trace.On());
}

TEST_F(TraceTest, FileThatCannotBeOpenedDiscardsTheTrace) {
  ASSERT_EQ(Trace.Create(10), 0);
  RecordAll('T', "ab");
  EXPECT_EQ(Trace.Write(Folder.File("missing/SIO.TRC"), false, false, false),
            -ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(Trace.Exists());
  EXPECT_FALSE(Trace.On());
}

TEST_F(TraceTest, WriteErrorIsReportedAfterCloseAndTheTraceIsDiscarded) {
  if (!FileExists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ASSERT_EQ(Trace.Create(2000), 0);
  RecordAll('T', std::string(2000, 'x'));  // more than the 512-byte buffer
  EXPECT_EQ(Trace.Write("/dev/full", false, false, false), -SystemErrorFromErrno(ENOSPC));
  EXPECT_FALSE(Trace.Exists());
}

}  // namespace
