#include "remote/ScpiSession.h"

#include <cmath>
#include <limits>

#include "remote/ScpiCommands.h"
#include "remote/ScpiFormat.h"
#include "remote/ScpiInstrument.h"

namespace {

constexpr std::int64_t kKeyPollNs = 20'000'000;
constexpr int kMaxRetries = 40;

std::string Joined(const std::vector<std::string>& header) {
  std::string out;
  for (const std::string& m : header) out += (out.empty() || m[0] == '*' ? "" : ":") + m;
  return out;
}

std::string Seconds(std::int64_t ns) { return std::to_string((ns + 500'000'000) / 1'000'000'000) + " s"; }

}  // namespace

void TScpiSession::AddLine(std::string line, bool tooLong) { FLines.push_back({std::move(line), tooLong}); }

void TScpiSession::StartLine(TScpiInstrument&) {
  TLine line = std::move(FLines.front());
  FLines.pop_front();
  FUnits.clear();
  FNext = 0;
  FPath = TScpiPath();
  if (line.TooLong) {
    Error(seTooMuchData, "line over " + std::to_string(TScpiInstrument::LineLimit) + " bytes");
    return;
  }
  FUnits = ParseScpiLine(line.Text);
}

void TScpiSession::Run(TScpiInstrument& instrument, int& budget, const std::function<void(std::string)>& reply,
                       int& done) {
  while (budget > 0 && !Waiting()) {
    if (!FRunning) {
      if (FLines.empty()) return;
      StartLine(instrument);
      FRunning = true;
    }
    while (FNext < FUnits.size() && !FLineEnded) {
      RunUnit(instrument, FUnits[FNext++]);
      if (Waiting()) {
        if (FWait.Retry) Retry(FUnits[--FNext]);
        return;
      }
      FRetries = 0;
    }
    FinishLine(reply);
    ++done;
    --budget;
  }
}

void TScpiSession::RunUnit(TScpiInstrument& instrument, const TScpiUnit& unit) {
  if (unit.Error != 0) {
    Error(unit.Error, unit.ErrorInfo);
    return;
  }
  const TScpiCommand* command = nullptr;
  const auto candidates = unit.Common ? std::vector<std::vector<std::string>>{unit.Header}
                                      : FPath.Candidates(unit.Rooted, unit.Header);
  for (const auto& header : candidates) {
    command = FindScpiCommand(header, unit.Query);
    if (command != nullptr) {
      if (!unit.Common) FPath.Entered(header);
      break;
    }
  }
  if (command == nullptr) {
    Error(seUndefinedHeader, Joined(unit.Header) + (unit.Query ? "?" : ""));
    return;
  }
  TScpiCall call{instrument, *this, unit, {}};
  try {
    (unit.Query ? command->Query : command->Set)(call);
  } catch (const std::exception& e) {
    // Only the panel raises: a key it could not send.
    Error(seHardware, e.what());
    FWait = TScpiWait();
    call.Reply = Nr3(std::nullopt);
  }
  if (unit.Query && !Waiting() && !FLineEnded) FReplies.push_back(std::move(call.Reply));
}

// A unit that could not press its key yet runs again once the key before it is answered; one
// whose keys the instrument never takes gives up.
void TScpiSession::Retry(const TScpiUnit& unit) {
  if (++FRetries <= kMaxRetries) return;
  FWait = TScpiWait();
  FRetries = 0;
  ++FNext;
  Error(seHardware, "the instrument does not take the keys");
  if (unit.Query) FReplies.push_back(Nr3(std::nullopt));
}

void TScpiSession::FinishLine(const std::function<void(std::string)>& reply) {
  if (!FReplies.empty()) {
    std::string text;
    for (const std::string& r : FReplies) text += (text.empty() ? "" : ";") + r;
    reply(std::move(text));
  }
  FReplies.clear();
  FUnits.clear();
  FNext = 0;
  FLineEnded = false;
  FRunning = false;
}

void TScpiSession::EndWait(std::optional<std::string> reply) {
  if (reply) FReplies.push_back(std::move(*reply));
  FWait = TScpiWait();
}

bool TScpiSession::Reading(double value, std::int64_t nowNs) {
  if (FData.size() >= DataCapacity) {
    FData.pop_front();
    if (!FDataFull) Error(seDataStale, "readings lost: the queue is full");
    FDataFull = true;
  }
  FData.push_back(value);
  switch (FWait.Kind) {
    case TScpiWait::wkReadings:
      FWait.Values.push_back(value);
      FWait.DeadlineNs = nowNs + FWait.StallNs;
      if (FWait.Values.size() < FWait.Needed) return false;
      EndWait(Nr3List(FWait.Values));
      return true;
    case TScpiWait::wkData:
      FWait.DeadlineNs = nowNs + FWait.StallNs;
      if (FData.size() < FWait.Needed) return false;
      EndWait(Nr3List(RemoveData(FWait.Needed)));
      return true;
    default:
      return false;
  }
}

bool TScpiSession::LineLost() {
  switch (FWait.Kind) {
    case TScpiWait::wkReadings:
      Error(seHardware, "the line to the instrument is lost");
      FWait.Values.resize(FWait.Needed, std::numeric_limits<double>::quiet_NaN());
      EndWait(Nr3List(FWait.Values));
      return true;
    case TScpiWait::wkData:
      Error(seHardware, "the line to the instrument is lost");
      EndWait(Nr3(std::nullopt));
      return true;
    default:
      return false;
  }
}

bool TScpiSession::Tick(TScpiInstrument& instrument, std::int64_t nowNs) {
  switch (FWait.Kind) {
    case TScpiWait::wkKeys:
      if (instrument.Panel().KeyPending() && nowNs < FWait.DeadlineNs) {
        FWait.PollNs = nowNs + kKeyPollNs;
        return false;
      }
      EndWait(FWait.Answers ? std::optional<std::string>("1") : std::nullopt);
      return true;
    case TScpiWait::wkReadings:
    case TScpiWait::wkData:
      if (nowNs < FWait.DeadlineNs) return false;
      Error(seDataStale, "no measurement within " + Seconds(FWait.StallNs));
      if (FWait.Kind == TScpiWait::wkData) {
        EndWait(Nr3(std::nullopt));
      } else {
        FWait.Values.resize(FWait.Needed, std::numeric_limits<double>::quiet_NaN());
        EndWait(Nr3List(FWait.Values));
      }
      return true;
    default:
      return false;
  }
}

std::int64_t TScpiSession::NextTickNs() const {
  switch (FWait.Kind) {
    case TScpiWait::wkNone:
      return std::numeric_limits<std::int64_t>::max();
    case TScpiWait::wkKeys:
      // The panel says nothing when a key is answered: look again soon.
      return FWait.PollNs;
    default:
      return FWait.DeadlineNs;
  }
}

void TScpiSession::Error(int code, const std::string& info) {
  FErrors.Push(code, info);
  FEventStatus |= EventBitOf(code);
  if (IsCommandError(code)) FLineEnded = true;
}

std::uint8_t TScpiSession::TakeEventStatus() {
  const std::uint8_t status = FEventStatus;
  FEventStatus = 0;
  return status;
}

void TScpiSession::ClearStatus() {
  FErrors.Clear();
  FEventStatus = 0;
}

std::vector<double> TScpiSession::RemoveData(std::size_t n) {
  std::vector<double> out(FData.begin(), FData.begin() + static_cast<std::ptrdiff_t>(n));
  FData.erase(FData.begin(), FData.begin() + static_cast<std::ptrdiff_t>(n));
  FDataFull = false;
  return out;
}
