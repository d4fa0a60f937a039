// One client's side of the instrument: its settings (sample count, event status enable), its
// error queue, its queue of measurements for DATA:REMove?, the lines it sent that have not run
// yet, and a query that waits (READ?, DATA:REMove? ..,WAIT, *OPC?, *WAI).
//
// A line runs unit after unit (remote/ScpiParser.h); the replies of its queries go back as one
// line joined by ';'.  A command error ends the line there.  A unit that must wait suspends the
// line, and the client's later lines wait behind it; other clients go on.  The wait ends with
// its reply when the measurements come, the keys are answered, the line to the instrument is
// lost (-240) or time runs out (-230).
//
// Owner thread only (remote/ScpiInstrument.h): no lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "remote/ScpiErrors.h"
#include "remote/ScpiParser.h"
#include "remote/ScpiTree.h"

class TScpiInstrument;

struct TScpiWait {
  enum TKind : std::uint8_t { wkNone, wkReadings, wkData, wkKeys };
  TKind Kind = wkNone;
  std::size_t Needed = 0;              // readings still to come (wkReadings) or to take (wkData)
  std::vector<double> Values;          // wkReadings: the readings so far
  std::int64_t DeadlineNs = 0;         // monotonic; the wait gives up then
  std::int64_t StallNs = 0;            // each new reading moves the deadline this far on
  std::int64_t PollNs = 0;             // wkKeys: when to look at the panel again
  bool Answers = false;                // wkKeys: *OPC? (answers 1) rather than *WAI
  bool Retry = false;                  // wkKeys: the waiting unit runs again when it ends
};

class TScpiSession {
 public:
  // Readings a client's queue keeps for DATA:REMove?; beyond, the oldest are dropped.
  static constexpr std::size_t DataCapacity = 1'000'000;

  // A complete line the client sent; `tooLong`: a line over the limit, of which nothing is run.
  void AddLine(std::string line, bool tooLong);
  // Runs lines, in order, until one waits or none is left; at most `budget` lines (counted down).
  // `reply` takes each finished reply line (without the line end); `done` counts finished lines.
  void Run(TScpiInstrument& instrument, int& budget, const std::function<void(std::string)>& reply,
           int& done);
  bool Waiting() const { return FWait.Kind != TScpiWait::wkNone; }
  bool HasLines() const { return !FLines.empty() || !FUnits.empty(); }

  // ---- Events (the owner thread) ----
  // A new measurement; NaN for one without a value.  True when a wait may have ended.
  bool Reading(double value, std::int64_t nowNs);
  // The line to the instrument is lost: a wait for readings ends with -240.
  bool LineLost();
  // Time has passed: a wait past its deadline gives up; a wait for keys ends once they are
  // answered.  True when a wait ended.
  bool Tick(TScpiInstrument& instrument, std::int64_t nowNs);
  // When Tick is next due; INT64_MAX when nothing waits.
  std::int64_t NextTickNs() const;

  // ---- For the commands (remote/ScpiCommands.h) ----
  void Error(int code, const std::string& info = {});
  TScpiErrorQueue& Errors() { return FErrors; }
  std::uint8_t TakeEventStatus();
  std::uint8_t EventStatus() const { return FEventStatus; }
  std::uint8_t EventEnable() const { return FEventEnable; }
  void SetEventEnable(std::uint8_t mask) { FEventEnable = mask; }
  void ClearStatus();
  long SampleCount() const { return FSampleCount; }
  void SetSampleCount(long n) { FSampleCount = n; }
  std::size_t DataPoints() const { return FData.size(); }
  // Removes and returns the oldest n readings (n <= DataPoints()).
  std::vector<double> RemoveData(std::size_t n);
  // Suspends the running line until the wait ends.
  void Wait(const TScpiWait& wait) { FWait = wait; }

 private:
  struct TLine {
    std::string Text;
    bool TooLong = false;
  };
  void StartLine(TScpiInstrument& instrument);
  void RunUnit(TScpiInstrument& instrument, const TScpiUnit& unit);
  void Retry(const TScpiUnit& unit);
  // Ends the wait, with the reply of a waiting query when it gives one.
  void EndWait(std::optional<std::string> reply);
  void FinishLine(const std::function<void(std::string)>& reply);

  std::deque<TLine> FLines;         // lines not started
  std::vector<TScpiUnit> FUnits;    // the running line's units (empty: none runs)
  std::size_t FNext = 0;            // the next unit of the running line
  std::vector<std::string> FReplies;
  TScpiPath FPath;
  bool FRunning = false;            // a line has started and not finished
  int FRetries = 0;                 // times the running unit has waited to run again
  bool FLineEnded = false;          // a command error ended the running line
  TScpiWait FWait;

  TScpiErrorQueue FErrors;
  std::uint8_t FEventStatus = 0;
  std::uint8_t FEventEnable = 0;
  long FSampleCount = 1;
  std::deque<double> FData;
  bool FDataFull = false;           // readings are being dropped; said once until room is made
};
