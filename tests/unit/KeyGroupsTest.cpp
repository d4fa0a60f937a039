// The window's own lamp changes for clicks on the key areas.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "app/KeyGroups.h"

namespace {

std::set<int> Lit(const TKeyLamps& lamps) {
  std::set<int> lit;
  for (int key = 1; key <= 27; ++key) {
    if (lamps[key - 1]) lit.insert(key);
  }
  return lit;
}

TEST(KeyGroupsTest, StartLightsTheFirstKeyOfEachGroup) {
  EXPECT_EQ(Lit(StartKeyLamps()), (std::set<int>{3, 9, 19, 24}));
}

struct ClickCase {
  std::vector<int> Clicks;  // from the start lamps
  std::set<int> Lit;
};

TEST(KeyGroupsTest, ClicksFollowTheGroups) {
  const ClickCase cases[] = {
      {{5}, {5, 9, 19, 24}},
      {{5, 5}, {5, 9, 19, 24}},
      {{7, 3}, {3, 9, 19, 24}},
      {{13}, {3, 13, 19, 24}},
      {{22}, {3, 9, 22, 24}},
      {{27}, {3, 9, 19, 27}},
      {{8}, {3, 8, 9, 19, 24}},
      {{8, 8}, {3, 9, 19, 24}},
      {{1, 2, 14, 15, 16, 17, 18, 23}, {1, 2, 3, 9, 14, 15, 16, 17, 18, 19, 23, 24}},
      {{21, 28}, {3, 9, 19, 20, 24}},
      {{20, 28}, {3, 9, 19, 20, 24}},
      {{28, 21}, {3, 9, 21, 24}},
      {{0, 29, 255}, {3, 9, 19, 24}},
  };
  for (const ClickCase& c : cases) {
    TKeyLamps lamps = StartKeyLamps();
    for (int code : c.Clicks) lamps = LampsAfterClick(lamps, code);
    EXPECT_EQ(Lit(lamps), c.Lit) << "clicks starting with " << c.Clicks.front();
  }
}

}  // namespace
