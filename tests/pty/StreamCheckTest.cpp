// The randomized test's check of numbered byte streams: what it takes for a drop, and what it
// still reports.
#include <gtest/gtest.h>

#include <vector>

#include "RandomLine.h"

namespace {

void Receive(TStreamCheck& check, std::uint64_t from, std::uint64_t to) {
  std::vector<std::uint8_t> bytes(to - from);
  FillNumbered(from, bytes.data(), bytes.size());
  check.Received(bytes.data(), bytes.size());
}

void Gap(TStreamCheck& check, std::uint64_t sent) {
  check.BeginGap();
  check.EndGap(sent);
}

// After a drop the stream may go on anywhere, also inside a record.  Near byte 4096 a record's
// second and third bytes are 00 09 (5120: 00 0A), so "80 00" before a flush and "00 09" after
// it read as record 9, and the same again as record 10: bytes that seem to come twice.
TEST(StreamCheck, ARecordIsNeverMadeUpOfBytesFromBothSidesOfAGap) {
  TStreamCheck check("COM4 in");
  check.EndGap(6000);
  Receive(check, 0, 1478);  // ends with the first two bytes of a record
  Gap(check, 6000);
  Receive(check, 4609, 4614);  // 00 09 00, then 80 00 of the next record
  Gap(check, 6000);
  Receive(check, 5121, 5200);  // 00 0A 00, then whole records
  EXPECT_EQ(check.Failure(), "");
  Receive(check, 5200, 6004);
  EXPECT_EQ(check.Failure(), "");
  EXPECT_TRUE(check.Complete(6004));
}

TEST(StreamCheck, BytesThatReallyComeAgainAfterAGapAreReported) {
  TStreamCheck check("COM4 in");
  check.EndGap(2000);
  Receive(check, 0, 1480);
  Gap(check, 2000);
  Receive(check, 36, 48);
  EXPECT_NE(check.Failure().find("bytes from 36 came again after 1480"), std::string::npos) << check.Failure();
}

}  // namespace
