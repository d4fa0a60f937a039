// The delivery ledger: every handler of a delivery is shown the same bytes, anyone else takes
// bytes after all of theirs for good, and purged bytes count as taken.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dispatch/SioDeliveryLedger.h"

namespace {

// One step of a delivery that shows `Held` bytes: 'n' the next handler starts, 'h' the
// running handler reads Count, 'o' someone else reads Count, 'p' a purge of Held bytes.
struct TStep {
  char What;
  std::uint32_t Count = 0;
};

struct TCase {
  const char* Name;
  std::vector<TStep> Steps;
  std::uint32_t HandlerOffset, OutsiderOffset, Consumed;
};

TEST(DeliveryLedger, HandlersShareTheBytesOutsidersAndPurgesTakeThemForGood) {
  constexpr std::uint32_t kHeld = 100;
  const TCase cases[] = {
      {"nothing read", {{'n'}}, 0, 0, 0},
      {"each handler sees the same bytes", {{'n'}, {'h', 30}, {'n'}, {'h', 10}}, 10, 30, 30},
      {"a handler reads on", {{'n'}, {'h', 30}, {'h', 5}}, 35, 35, 35},
      {"an outsider after a handler", {{'n'}, {'h', 30}, {'o', 20}}, 50, 50, 50},
      {"handlers after an outsider start past it", {{'n'}, {'o', 20}, {'n'}, {'h', 5}}, 25, 25, 25},
      {"a purge", {{'n'}, {'h', 30}, {'p'}, {'n'}}, kHeld, kHeld, kHeld},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TDeliveryLedger ledger;
    ledger.Begin(true);
    for (const TStep& step : c.Steps) {
      switch (step.What) {
        case 'n':
          ledger.AfterHandler();
          ledger.BeforeHandler();
          break;
        case 'p':
          ledger.Purged(kHeld);
          break;
        default: {
          const auto reader = ledger.ReaderFor(step.What == 'h');
          ledger.Took(reader, ledger.Offset(reader), step.Count);
        }
      }
    }
    EXPECT_EQ(ledger.Offset(TDeliveryLedger::rdHandler), c.HandlerOffset);
    EXPECT_EQ(ledger.Offset(TDeliveryLedger::rdOutsider), c.OutsiderOffset);
    EXPECT_EQ(ledger.Consumed(), c.Consumed);
    ledger.End();
    EXPECT_EQ(ledger.ReaderFor(true), TDeliveryLedger::rdPlain) << "after the delivery everyone moves the tail";
    EXPECT_EQ(ledger.Offset(TDeliveryLedger::rdPlain), 0u);
  }
}

TEST(DeliveryLedger, ADeliveryThatShowsNoBytesLeavesReadersAlone) {
  TDeliveryLedger ledger;
  ledger.Begin(false);
  ledger.BeforeHandler();
  EXPECT_FALSE(ledger.Reading());
  EXPECT_EQ(ledger.ReaderFor(true), TDeliveryLedger::rdPlain);
  EXPECT_EQ(ledger.ReaderFor(false), TDeliveryLedger::rdPlain);
}

}  // namespace
