// Registering triggers, saving and restoring them, and the handler-state flags.
#include <gtest/gtest.h>

#include <set>

#include "dispatch/SioPosix.h"
#include "common/SioErrorCodes.h"

namespace {

class TTriggerView : public TSioPosixDispatcher {
 public:
  TTriggerView() : TSioPosixDispatcher(nullptr) {}
  using TSioBaseDispatcher::FDataTriggerList;
  using TSioBaseDispatcher::FPortEventsWanted;
  using TSioBaseDispatcher::FStatusTriggerList;
  using TSioBaseDispatcher::FTimerTriggerList;
};

const std::uint8_t* Bytes(const char* s) { return reinterpret_cast<const std::uint8_t*>(s); }

TEST(TriggerRegistration, HandlesAreUniqueAndStatusHandlesCarryTheirKind) {
  TTriggerView d;
  std::set<int> handles;
  EXPECT_EQ(d.AddTimerTrigger(), 1);
  handles.insert(1);
  for (std::uint32_t round = 0; round < 3; ++round) {
    for (std::uint32_t kind = stNone; kind <= stOutSent; ++kind) {
      const int h = d.AddStatusTrigger(kind);
      ASSERT_GT(h, 0);
      EXPECT_EQ(static_cast<std::uint32_t>(h) & 7, kind);
      EXPECT_TRUE(handles.insert(h).second) << "handle " << h << " given twice";
    }
    EXPECT_TRUE(handles.insert(d.AddDataTrigger(Bytes("OK"), 2, false)).second);
  }
  EXPECT_EQ(d.AddStatusTrigger(6), ecBadArgument);
}

TEST(TriggerRegistration, RefusesWhatCannotBeMatchedOrFound) {
  TTriggerView d;
  EXPECT_EQ(d.AddDataTrigger(Bytes(""), 0, false), ecTriggerTooLong);
  EXPECT_EQ(d.AddDataTrigger(Bytes("0123456789012345678901X"), 23, false), ecTriggerTooLong);
  EXPECT_GT(d.AddDataTrigger(Bytes("0123456789012345678901"), 22, false), 0);
  const int timer = d.AddTimerTrigger();
  const int status = d.AddStatusTrigger(stOutSent);
  EXPECT_EQ(d.SetTimerTrigger(static_cast<std::uint32_t>(status), 1, true), ecBadTriggerHandle);
  EXPECT_EQ(d.SetStatusTrigger(static_cast<std::uint32_t>(timer), 1, true), ecBadTriggerHandle);
  EXPECT_EQ(d.RemoveTrigger(static_cast<std::uint32_t>(timer)), 0);
  EXPECT_EQ(d.RemoveTrigger(static_cast<std::uint32_t>(timer)), ecBadTriggerHandle);
  EXPECT_EQ(d.SetTimerTrigger(static_cast<std::uint32_t>(timer), 1, true), ecBadTriggerHandle);
}

TEST(TriggerRegistration, HandlesStopAtSixteenBitsUntilTheTriggersAreCleared) {
  TTriggerView d;
  int last = 0;
  for (int i = 0; i < 0xFFFF; ++i) last = d.AddTimerTrigger();
  EXPECT_EQ(last, 0xFFFF);
  EXPECT_EQ(d.AddTimerTrigger(), ecNoMoreTriggers);
  EXPECT_EQ(d.AddStatusTrigger(stModem), ecNoMoreTriggers);
  EXPECT_EQ(d.AddDataTrigger(Bytes("A"), 1, false), ecNoMoreTriggers);
  d.ClearAllTriggers();
  EXPECT_EQ(d.AddTimerTrigger(), 1);
}

TEST(TriggerRegistration, RestoreBringsBackTheSavedSetWithoutStaleMatchesOrHandleClashes) {
  TTriggerView from;
  from.SetAvailThreshold(7);
  const int data = from.AddDataTrigger(Bytes("AB"), 2, false);
  const int timer = from.AddTimerTrigger();
  const int status = from.AddStatusTrigger(stOutUsed);
  from.SetStatusTrigger(static_cast<std::uint32_t>(status), 12, true);
  TSioBaseDispatcher::MatchByte(from.FDataTriggerList[0], 'A');  // a partial match in progress
  TSavedTriggers saved;
  from.SaveTriggers(saved);

  TTriggerView to;  // as after the next open: handles start again at 1
  to.AddTimerTrigger();
  to.RestoreTriggers(saved);
  EXPECT_EQ(to.AvailThreshold(), 7u);
  ASSERT_EQ(to.FDataTriggerList.size(), 1u);
  ASSERT_EQ(to.FTimerTriggerList.size(), 1u);
  ASSERT_EQ(to.FStatusTriggerList.size(), 1u);
  EXPECT_EQ(to.FDataTriggerList[0].Handle, static_cast<std::uint32_t>(data));
  EXPECT_EQ(to.FTimerTriggerList[0].Handle, static_cast<std::uint32_t>(timer));
  EXPECT_EQ(to.FStatusTriggerList[0].Value, 12);
  EXPECT_TRUE(to.FStatusTriggerList[0].Armed);
  // "B" alone must not complete "AB" from the "A" seen on the earlier line.
  EXPECT_FALSE(TSioBaseDispatcher::MatchByte(to.FDataTriggerList[0], 'B'));
  const int fresh = to.AddStatusTrigger(stOutUsed);
  EXPECT_GT(fresh, status);

  // A list that was never saved is skipped; the current triggers are dropped all the same.
  TSavedTriggers partial;
  partial.AvailThreshold = 1;
  partial.Timers.emplace(1, TTimerTrigger{});
  to.RestoreTriggers(partial);
  EXPECT_EQ(to.FTimerTriggerList.size(), 1u);
  EXPECT_TRUE(to.FDataTriggerList.empty());
  EXPECT_TRUE(to.FStatusTriggerList.empty());

  TSioBaseDispatcher::FreeSavedTriggers(saved);
  EXPECT_FALSE(saved.Data.has_value());
}

struct THandlerStateCase {
  int Windows;
  bool Procedure;
  bool PortWanted;  // before the call
  std::uint8_t Mode;
  bool Present, WantedAfter;
};

void Noop(std::uint32_t, std::uintptr_t, std::intptr_t) {}

TEST(TriggerRegistration, HandlerStateCountsThePortWindowOnlyWhenThePortWantsEvents) {
  const THandlerStateCase cases[] = {
      {1, false, false, 0, false, false}, {1, false, true, 0, true, true},
      {2, false, false, 0, true, false},  {0, true, false, 0, true, false},
      {1, false, false, 1, true, true},   {1, false, true, 2, false, false},
      {2, false, true, 2, true, false},   {1, true, true, 2, true, false},
  };
  for (const auto& c : cases) {
    TTriggerView d;
    for (int i = 0; i < c.Windows; ++i) d.AddWindowHandler(static_cast<TWindowHandle>(100 + i));
    if (c.Procedure) d.AddProcedureHandler(Noop);
    d.FPortEventsWanted = c.PortWanted;
    d.UpdateHandlerState(c.Mode);
    EXPECT_EQ(d.HandlersPresent(), c.Present) << "windows " << c.Windows << " mode " << int(c.Mode);
    EXPECT_EQ(d.PortEventsWanted(), c.WantedAfter) << "windows " << c.Windows << " mode " << int(c.Mode);
  }
  TTriggerView d;
  d.AddWindowHandler(5);
  d.AddProcedureHandler(Noop);
  d.RemoveProcedureHandler(Noop);  // the port's window alone, unwanted: nobody to tell
  EXPECT_FALSE(d.HandlersPresent());
}

}  // namespace
