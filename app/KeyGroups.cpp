#include "app/KeyGroups.h"

namespace {

struct TGroup {
  int First;
  int Last;
};

constexpr TGroup kOneOfGroups[] = {{3, 7}, {9, 13}, {19, 22}, {24, 27}};

}  // namespace

TKeyLamps StartKeyLamps() {
  TKeyLamps lamps{};
  for (int key : {3, 9, 19, 24}) lamps[key - 1] = true;
  return lamps;
}

TKeyLamps LampsAfterClick(const TKeyLamps& lamps, int code) {
  TKeyLamps next = lamps;
  if (code == 28) {
    next[19 - 1] = next[20 - 1] = true;
    next[21 - 1] = next[22 - 1] = false;
    return next;
  }
  if (code < 1 || code > 27) return next;
  for (const TGroup& group : kOneOfGroups) {
    if (code >= group.First && code <= group.Last) {
      for (int key = group.First; key <= group.Last; ++key) next[key - 1] = (key == code);
      return next;
    }
  }
  next[code - 1] = !next[code - 1];
  return next;
}
