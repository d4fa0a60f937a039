// The trigger table as a table: registering triggers, saving and restoring them, what fires,
// and the handler lists with their delivery flags.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <string>

#include "common/SioErrorCodes.h"
#include "dispatch/SioRings.h"
#include "dispatch/SioTriggerTable.h"

namespace {

const std::uint8_t* Bytes(const char* s) { return reinterpret_cast<const std::uint8_t*>(s); }

TEST(TriggerTable, HandlesAreUniqueAndStatusHandlesCarryTheirKind) {
  TTriggerTable t;
  std::set<int> handles;
  EXPECT_EQ(t.AddTimer(), 1);
  handles.insert(1);
  for (std::uint32_t round = 0; round < 3; ++round) {
    for (std::uint32_t kind = stNone; kind <= stOutSent; ++kind) {
      const int h = t.AddStatus(kind);
      ASSERT_GT(h, 0);
      EXPECT_EQ(static_cast<std::uint32_t>(h) & 7, kind);
      EXPECT_TRUE(handles.insert(h).second) << "handle " << h << " given twice";
    }
    EXPECT_TRUE(handles.insert(t.AddData(Bytes("OK"), 2, false)).second);
  }
  EXPECT_EQ(t.AddStatus(6), ecBadArgument);
}

TEST(TriggerTable, RefusesWhatCannotBeMatchedOrFound) {
  TTriggerTable t;
  EXPECT_EQ(t.AddData(Bytes(""), 0, false), ecTriggerTooLong);
  EXPECT_EQ(t.AddData(Bytes("0123456789012345678901X"), 23, false), ecTriggerTooLong);
  EXPECT_GT(t.AddData(Bytes("0123456789012345678901"), 22, false), 0);
  const int timer = t.AddTimer();
  const int status = t.AddStatus(stOutSent);
  EXPECT_EQ(t.SetTimer(static_cast<std::uint32_t>(status), 1, true, 0), ecBadTriggerHandle);
  EXPECT_EQ(t.SetStatus(static_cast<std::uint32_t>(timer), 1, true), ecBadTriggerHandle);
  EXPECT_EQ(t.SetStatus(static_cast<std::uint32_t>(status), 1, true), static_cast<int>(stOutSent));
  EXPECT_EQ(t.Remove(static_cast<std::uint32_t>(timer)), tkTimer);
  EXPECT_EQ(t.Remove(static_cast<std::uint32_t>(timer)), tkNone);
  EXPECT_EQ(t.SetTimer(static_cast<std::uint32_t>(timer), 1, true, 0), ecBadTriggerHandle);
  EXPECT_EQ(t.Remove(static_cast<std::uint32_t>(status)), tkStatus);
  EXPECT_EQ(t.Remove(1), tkData);
}

TEST(TriggerTable, HandlesStopAtSixteenBitsUntilTheTriggersAreCleared) {
  TTriggerTable t;
  int last = 0;
  for (int i = 0; i < 0xFFFF; ++i) last = t.AddTimer();
  EXPECT_EQ(last, 0xFFFF);
  EXPECT_EQ(t.AddTimer(), ecNoMoreTriggers);
  EXPECT_EQ(t.AddStatus(stModem), ecNoMoreTriggers);
  EXPECT_EQ(t.AddData(Bytes("A"), 1, false), ecNoMoreTriggers);
  t.Clear();
  EXPECT_EQ(t.AddTimer(), 1);
}

TEST(TriggerTable, RestoreBringsBackTheSavedSetWithoutStaleMatchesOrHandleClashes) {
  TTriggerTable from;
  from.SetAvailThreshold(7);
  const int data = from.AddData(Bytes("AB"), 2, false);
  const int timer = from.AddTimer();
  const int status = from.AddStatus(stOutUsed);
  from.SetStatus(static_cast<std::uint32_t>(status), 12, true);
  TInputRing ring;
  ring.Allocate();
  *ring.HeadBytes() = 'A';
  ring.Added(1);
  std::uint32_t longest = 0;
  from.Scan(ring, 0, ring.Head(), longest);  // a partial match in progress
  TSavedTriggers saved;
  from.Save(saved);

  TTriggerTable to;  // as after the next open: handles start again at 1
  to.AddTimer();
  to.Restore(saved);
  EXPECT_EQ(to.AvailThreshold(), 7u);
  ASSERT_EQ(to.DataTriggers().size(), 1u);
  ASSERT_EQ(to.Timers().size(), 1u);
  ASSERT_EQ(to.StatusTriggers().size(), 1u);
  EXPECT_EQ(to.DataTriggers()[0].Handle, static_cast<std::uint32_t>(data));
  EXPECT_EQ(to.Timers()[0].Handle, static_cast<std::uint32_t>(timer));
  EXPECT_EQ(to.StatusTriggers()[0].Value, 12);
  EXPECT_TRUE(to.StatusTriggers()[0].Armed);
  // "B" alone must not complete "AB" from the "A" seen on the earlier line.
  TDataTrigger restored = to.DataTriggers()[0];
  EXPECT_FALSE(TTriggerTable::MatchByte(restored, 'B'));
  const int fresh = to.AddStatus(stOutUsed);
  EXPECT_GT(fresh, status);

  // A list that was never saved is skipped; the current triggers are dropped all the same.
  TSavedTriggers partial;
  partial.AvailThreshold = 1;
  partial.Timers.emplace(1, TTimerTrigger{});
  to.Restore(partial);
  EXPECT_EQ(to.Timers().size(), 1u);
  EXPECT_TRUE(to.DataTriggers().empty());
  EXPECT_TRUE(to.StatusTriggers().empty());
}

// A scan stops on the byte that completes a string, and the matched triggers are handed out
// from the last registered to the first, each once.
TEST(TriggerTable, ScanStopsOnACompletedStringAndHandsOutEachMatchOnce) {
  TTriggerTable t;
  const int ab = t.AddData(Bytes("AB"), 2, false);
  const int b = t.AddData(Bytes("b"), 1, true);
  t.AddData(Bytes("XYZ"), 3, false);
  TInputRing ring;
  ring.Allocate();
  const char input[] = "xxABxx";
  std::memcpy(ring.HeadBytes(), input, 6);
  ring.Added(6);
  std::uint32_t longest = 0;
  EXPECT_EQ(t.Scan(ring, 0, ring.Head(), longest), 3u);
  EXPECT_EQ(longest, 2u);
  std::size_t i = t.DataCount();
  std::uint32_t handle = 0;
  std::uint32_t length = 0;
  ASSERT_TRUE(t.NextMatched(i, handle, length));
  EXPECT_EQ(handle, static_cast<std::uint32_t>(b));
  ASSERT_TRUE(t.NextMatched(i, handle, length));
  EXPECT_EQ(handle, static_cast<std::uint32_t>(ab));
  EXPECT_EQ(length, 2u);
  EXPECT_FALSE(t.NextMatched(i, handle, length));
  EXPECT_EQ(t.Scan(ring, 4, ring.Head(), longest), ring.Head());
  EXPECT_EQ(longest, 0u);

  // A handler that removes more than its own trigger: the matches below are still handed out,
  // and none is left to be announced again by the next scan.
  TTriggerTable u;
  const int first = u.AddData(Bytes("A"), 1, false);
  const int second = u.AddData(Bytes("A"), 1, false);
  const int third = u.AddData(Bytes("A"), 1, false);
  const int fourth = u.AddData(Bytes("A"), 1, false);
  EXPECT_EQ(u.Scan(ring, 0, ring.Head(), longest), 2u);
  i = u.DataCount();
  ASSERT_TRUE(u.NextMatched(i, handle, length));
  EXPECT_EQ(handle, static_cast<std::uint32_t>(fourth));
  u.Remove(static_cast<std::uint32_t>(fourth));
  u.Remove(static_cast<std::uint32_t>(third));
  ASSERT_TRUE(u.NextMatched(i, handle, length));
  EXPECT_EQ(handle, static_cast<std::uint32_t>(second));
  ASSERT_TRUE(u.NextMatched(i, handle, length));
  EXPECT_EQ(handle, static_cast<std::uint32_t>(first));
  EXPECT_EQ(u.Scan(ring, 4, ring.Head(), longest), ring.Head());
}

struct TStatusCase {
  const char* What;
  std::uint32_t Kind;
  std::uint16_t Value;
  TStatusInputs Inputs;
  bool Sent;            // bytes went out before the check
  bool Fires;
  std::uint32_t Count;  // handed out with the fire
};

TEST(TriggerTable, StatusTriggersFireOnlyWhenTheirConditionHolds) {
  const TStatusCase cases[] = {
      {"modem line changed", stModem, 0x10 | (0x10 << 8), {0x00, 0, false, 0, 0, nullptr}, false, true, 0},
      {"modem line as referenced", stModem, 0x10 | (0x10 << 8), {0x10, 0, false, 0, 0, nullptr}, false, false, 0},
      {"line error in the mask", stLineError, CE_FRAME, {0, CE_FRAME | CE_BREAK, false, 0, 0, nullptr}, false, true, 0},
      {"line error outside it", stLineError, CE_FRAME, {0, CE_BREAK, false, 0, 0, nullptr}, false, false, 0},
      {"enough output free", stOutFree, 100, {0, 0, true, 150, 10, nullptr}, false, true, 150},
      {"too little free", stOutFree, 100, {0, 0, true, 50, 110, nullptr}, false, false, 0},
      {"free not counted", stOutFree, 0, {0, 0, false, 150, 0, nullptr}, false, false, 0},
      {"little enough used", stOutUsed, 10, {0, 0, true, 150, 10, nullptr}, false, true, 10},
      {"too much used", stOutUsed, 10, {0, 0, true, 150, 11, nullptr}, false, false, 0},
      {"bytes went out", stOutSent, 0, {}, true, true, 0},
      {"nothing went out", stOutSent, 0, {}, false, false, 0},
  };
  for (const TStatusCase& c : cases) {
    TTriggerTable t;
    const int h = t.AddStatus(c.Kind);
    std::atomic<bool> sent{c.Sent};
    TStatusInputs inputs = c.Inputs;
    inputs.OutputSent = &sent;
    std::uint32_t handle = 0;
    std::uint32_t count = 0;
    EXPECT_FALSE(t.FireStatus(inputs, handle, count)) << c.What << ": disarmed";
    t.SetStatus(static_cast<std::uint32_t>(h), c.Value, true);
    EXPECT_EQ(t.WantsOutputCounts(), c.Kind == stOutFree || c.Kind == stOutUsed) << c.What;
    ASSERT_EQ(t.FireStatus(inputs, handle, count), c.Fires) << c.What;
    if (!c.Fires) continue;
    EXPECT_EQ(handle, static_cast<std::uint32_t>(h)) << c.What;
    EXPECT_EQ(count, c.Count) << c.What;
    EXPECT_FALSE(sent.load()) << c.What;
    // Fired once: disarmed, and a fired one waits for the marks to be reset.
    EXPECT_FALSE(t.FireStatus(inputs, handle, count)) << c.What;
    t.SetStatus(static_cast<std::uint32_t>(h), c.Value, true);
    sent = c.Sent;
    EXPECT_FALSE(t.FireStatus(inputs, handle, count)) << c.What << ": fired in this pass";
    t.ResetStatusFired();
    EXPECT_TRUE(t.FireStatus(inputs, handle, count)) << c.What << ": again";
  }
}

TEST(TriggerTable, ATimerFiresOnceWhenItsTimeHasComeAndWhatIsArmedIsWatched) {
  TTriggerTable t;
  const int timer = t.AddTimer();
  const int free = t.AddStatus(stOutFree);
  const int used = t.AddStatus(stOutUsed);
  const int sent = t.AddStatus(stOutSent);
  const int modem = t.AddStatus(stModem);
  EXPECT_FALSE(t.Watch().Timed);
  EXPECT_EQ(t.Watch().LeastFree, kNoOutFreeWatch);
  EXPECT_EQ(t.Watch().MostUsed, -1);

  ASSERT_EQ(t.SetTimer(static_cast<std::uint32_t>(timer), 2, true, 1000), 0);
  EXPECT_TRUE(t.Watch().Timed);
  std::uint32_t handle = 0;
  EXPECT_FALSE(t.FireTimer(1002, handle));
  ASSERT_TRUE(t.FireTimer(1003, handle));
  EXPECT_EQ(handle, static_cast<std::uint32_t>(timer));
  EXPECT_FALSE(t.FireTimer(1003, handle));
  EXPECT_FALSE(t.Watch().Timed);

  t.SetStatus(static_cast<std::uint32_t>(free), 300, true);
  t.SetStatus(static_cast<std::uint32_t>(used), 20, true);
  t.SetStatus(static_cast<std::uint32_t>(sent), 0, true);
  const TTriggerWatch output = t.Watch();
  EXPECT_FALSE(output.Timed);
  EXPECT_EQ(output.LeastFree, 300u);
  EXPECT_EQ(output.MostUsed, 20);
  EXPECT_TRUE(output.Sent);
  t.SetStatus(static_cast<std::uint32_t>(modem), 0x1010, true);
  EXPECT_TRUE(t.Watch().Timed);
}

struct THandlerStateCase {
  int Windows;
  bool Procedure;
  bool PortWanted;  // before the call
  std::uint8_t Mode;
  bool Present, WantedAfter;
};

void Noop(std::uint32_t, std::uintptr_t, std::intptr_t) {}

TEST(TriggerTable, HandlerStateCountsThePortWindowOnlyWhenThePortWantsEvents) {
  const THandlerStateCase cases[] = {
      {1, false, false, 0, false, false}, {1, false, true, 0, true, true},
      {2, false, false, 0, true, false},  {0, true, false, 0, true, false},
      {1, false, false, 1, true, true},   {1, false, true, 2, false, false},
      {2, false, true, 2, true, false},   {1, true, true, 2, true, false},
  };
  for (const auto& c : cases) {
    TTriggerTable t;
    for (int i = 0; i < c.Windows; ++i) t.AddWindow(static_cast<TWindowHandle>(100 + i));
    if (c.Procedure) t.AddProcedure(Noop);
    t.UpdateHandlerState(c.PortWanted ? 1 : 2);
    t.UpdateHandlerState(c.Mode);
    EXPECT_EQ(t.HandlersPresent(), c.Present) << "windows " << c.Windows << " mode " << int(c.Mode);
    EXPECT_EQ(t.PortEventsWanted(), c.WantedAfter) << "windows " << c.Windows << " mode " << int(c.Mode);
  }
  TTriggerTable t;
  t.AddWindow(5);
  t.AddProcedure(Noop);
  t.RemoveProcedure(Noop, false);
  t.UpdateHandlerState(0);  // the port's window alone, unwanted: nobody to tell
  EXPECT_FALSE(t.HandlersPresent());
  TWindowHandle window = 0;
  EXPECT_EQ(t.WindowAt(0, window), TTriggerTable::slEnd);
}

// During a delivery the lists keep their places: a removed handler is skipped, not taken
// out, until the delivery ends; a lent method comes back where it was.
TEST(TriggerTable, HandlersRemovedDuringADeliveryGoWhenItEnds) {
  TTriggerTable t;
  t.AddWindow(7);
  t.AddWindow(8);
  t.AddProcedure(Noop);
  int calls = 0;
  t.AddMethod(&calls, [&calls](std::uint32_t, std::uintptr_t, std::intptr_t) { ++calls; }, true);

  TTriggerMethod method;
  bool synchronized = false;
  ASSERT_EQ(t.LendMethod(0, method, synchronized), TTriggerTable::slTaken);
  EXPECT_TRUE(synchronized);
  method(0, 0, 0);
  t.ReturnMethod(0, std::move(method));
  EXPECT_EQ(t.LendMethod(1, method, synchronized), TTriggerTable::slEnd);

  EXPECT_TRUE(t.RemoveWindow(7, true));
  EXPECT_FALSE(t.RemoveWindow(7, true));
  EXPECT_TRUE(t.RemoveProcedure(Noop, true));
  EXPECT_TRUE(t.RemoveMethod(&calls, true));
  TWindowHandle window = 0;
  TTriggerProc proc = nullptr;
  EXPECT_EQ(t.WindowAt(0, window), TTriggerTable::slSkip);
  ASSERT_EQ(t.WindowAt(1, window), TTriggerTable::slTaken);
  EXPECT_EQ(window, 8u);
  EXPECT_EQ(t.ProcedureAt(0, proc), TTriggerTable::slSkip);
  EXPECT_EQ(t.LendMethod(0, method, synchronized), TTriggerTable::slSkip);

  EXPECT_TRUE(t.EndDelivery());
  EXPECT_FALSE(t.EndDelivery());
  ASSERT_EQ(t.Windows().size(), 1u);
  EXPECT_EQ(t.Windows()[0].Window, 8u);
  EXPECT_EQ(t.ProcedureAt(0, proc), TTriggerTable::slEnd);
  EXPECT_EQ(t.LendMethod(0, method, synchronized), TTriggerTable::slEnd);
  EXPECT_EQ(calls, 1);
}

}  // namespace
