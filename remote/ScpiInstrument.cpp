#include "remote/ScpiInstrument.h"

#include <chrono>
#include <cmath>
#include <limits>

TScpiInstrument::TScpiInstrument(TRemotePanel& panel, TScpiIdentity identity, TScpiMailbox& mailbox,
                                 std::function<void()> schedule, std::function<void()> wakeNetwork)
    : FPanel(panel),
      FIdentity(std::move(identity)),
      FMailbox(mailbox),
      FSchedule(std::move(schedule)),
      FWakeNetwork(std::move(wakeNetwork)) {}

std::int64_t TScpiInstrument::NowNs() const {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string TScpiInstrument::IdentityText() const {
  return FIdentity.Maker + "," + FIdentity.Model + ",0," + FIdentity.Version;
}

std::string TScpiInstrument::LinkProblem() const {
  switch (FPanel.Link()) {
    case rlLost:
      return "the line to the instrument is lost";
    case rlClosed:
      return "the line to the instrument is closed";
    default:
      return {};
  }
}

void TScpiInstrument::Drain() {
  // A key press may pump the thread's messages and bring us back here: the outer pass goes on.
  if (FStopped || FDraining) return;
  FDraining = true;
  int budget = LinesPerPass;
  const std::int64_t now = NowNs();
  for (auto& [id, session] : FSessions)
    if (session.Tick(*this, now)) FResume = true;
  Resume(budget);
  RunEvents(budget);
  FDraining = false;
  AfterPass();
  if (budget <= 0 || FResume) FSchedule();
}

void TScpiInstrument::RunEvents(int& budget) {
  if (FNextEvent == FEvents.size()) {
    FEvents = FMailbox.TakeEvents();
    FNextEvent = 0;
  }
  while (FNextEvent < FEvents.size() && budget > 0) {
    TScpiEvent& event = FEvents[FNextEvent++];
    switch (event.Kind) {
      case TScpiEvent::evOpened:
        FSessions.try_emplace(event.Client);
        break;
      case TScpiEvent::evClosed:
        FSessions.erase(event.Client);
        break;
      default: {
        const auto found = FSessions.find(event.Client);
        if (found == FSessions.end()) break;
        found->second.AddLine(std::move(event.Line), event.Kind == TScpiEvent::evTooLong);
        RunSession(found->first, found->second, budget);
      }
    }
    if (FNextEvent == FEvents.size() && budget > 0) {
      FEvents = FMailbox.TakeEvents();
      FNextEvent = 0;
    }
  }
}

// Sessions whose wait ended run on with the lines they held back.
void TScpiInstrument::Resume(int& budget) {
  if (!FResume) return;
  FResume = false;
  for (auto& [id, session] : FSessions) {
    if (budget <= 0) {
      FResume = true;
      return;
    }
    if (!session.Waiting() && session.HasLines()) RunSession(id, session, budget);
  }
}

void TScpiInstrument::RunSession(TScpiClientId id, TScpiSession& session, int& budget) {
  int done = 0;
  bool replied = false;
  session.Run(*this, budget, [&](std::string text) {
    FMailbox.Reply(id, text, 0);
    replied = true;
  }, done);
  if (done > 0) FMailbox.Reply(id, {}, done);
  if (replied || done > 0) FWakeNetwork();
  // Out of budget with lines left: the next pass goes on with them.
  if (!session.Waiting() && session.HasLines()) FResume = true;
}

void TScpiInstrument::AfterPass() {
  std::int64_t next = std::numeric_limits<std::int64_t>::max();
  for (const auto& [id, session] : FSessions) next = std::min(next, session.NextTickNs());
  FMailbox.SetWakeAtNs(next);
  if (next != std::numeric_limits<std::int64_t>::max()) FWakeNetwork();
}

void TScpiInstrument::Reading(std::optional<double> value) {
  if (FStopped) return;
  FLast = value;
  const double v = value.value_or(std::numeric_limits<double>::quiet_NaN());
  const std::int64_t now = NowNs();
  bool ended = false;
  for (auto& [id, session] : FSessions) ended = session.Reading(v, now) || ended;
  if (ended) {
    FResume = true;
    FSchedule();
  }
}

void TScpiInstrument::LinkLost() {
  if (FStopped) return;
  bool ended = false;
  for (auto& [id, session] : FSessions) ended = session.LineLost() || ended;
  if (ended) {
    FResume = true;
    FSchedule();
  }
}

void TScpiInstrument::Stop() {
  FStopped = true;
  FSessions.clear();
  FEvents.clear();
  FNextEvent = 0;
}
