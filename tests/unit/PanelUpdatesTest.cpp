// The window's held updates: however the bytes are grouped into deliveries, every element ends
// as the decoder left it, and each is shown at most once per delivery.
#include <gtest/gtest.h>

#include <vector>

#include "app/PanelUpdates.h"
#include "unit/RecordingPanel.h"

namespace {

std::vector<std::uint8_t> Stream(std::initializer_list<std::vector<std::uint8_t>> parts) {
  std::vector<std::uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

struct TCase {
  const char* Name;
  std::vector<std::uint8_t> Bytes;
  std::size_t Delivery;  // bytes per delivery
};

TEST(PanelUpdatesTest, DeliveriesEndAsTheDecoderLeftEveryElement) {
  const auto lit = FrameNibblesOf(FrameBytesOf(0x5A5A5A5, 0b1011, {1, 2, 3, 4, 5, 6, 7, 8}, 4));
  const auto dark = FrameNibblesOf(FrameBytesOf(0x1, 0b0100, {15, 15, 15, 15, 15, 15, 15, 0}, 0));
  const auto error = FrameNibblesOf(FrameBytesOf(0x2, 0, {9, 9, 9, 9, 9, 9, 9, 9}, 3));
  std::vector<std::uint8_t> garbage;
  for (unsigned i = 0; i < 5000; ++i) garbage.push_back(static_cast<std::uint8_t>((i * 2654435761u) >> 13));
  const TCase cases[] = {
      {"two frames in one delivery", Stream({{132}, lit, {200}, dark, {128}}), 1000},
      {"byte by byte", Stream({{132}, lit, {200}, dark}), 1},
      {"a frame split across deliveries", Stream({{16}, lit, {17}, error, {132, 3}}), 7},
      {"garbage", garbage, 4096},
      {"garbage after a frame", Stream({{16}, lit, garbage}), 333},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TLinkState direct, held;
    TRecordingPanel expected, shown;
    TPanelUpdates updates;
    for (std::size_t i = 0; i < c.Bytes.size(); i += c.Delivery) {
      for (std::size_t j = i; j < std::min(i + c.Delivery, c.Bytes.size()); ++j) {
        ReceiveByte(direct, c.Bytes[j], expected);
        ReceiveByte(held, c.Bytes[j], updates);
      }
      const int before = shown.Calls;
      updates.ShowOn(shown);
      EXPECT_FALSE(updates.Pending());
      EXPECT_LE(shown.Calls - before, 10 + 1 + FrameKeys + FrameLeds) << "each element at most once";
    }
    EXPECT_EQ(shown.Label, expected.Label);
    EXPECT_EQ(shown.RsOnVisible, expected.RsOnVisible);
    EXPECT_EQ(shown.Key, expected.Key);
    EXPECT_EQ(shown.Led, expected.Led);
  }
}

}  // namespace
