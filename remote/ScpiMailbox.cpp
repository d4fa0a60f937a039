#include "remote/ScpiMailbox.h"

bool TScpiMailbox::Post(TScpiEvent event) {
  std::lock_guard<std::mutex> lock(FLock);
  if (event.Kind == TScpiEvent::evOpened) FBoxes[event.Client];
  if (event.Kind == TScpiEvent::evLine || event.Kind == TScpiEvent::evTooLong) ++FBoxes[event.Client].Queued;
  FEvents.push_back(std::move(event));
  return FEvents.size() == 1;
}

bool TScpiMailbox::MayRead(TScpiClientId client) const {
  std::lock_guard<std::mutex> lock(FLock);
  const auto box = FBoxes.find(client);
  return box != FBoxes.end() && box->second.Queued < FLineQueueLimit;
}

bool TScpiMailbox::TakeOutput(TScpiClientId client, std::string& out) {
  std::lock_guard<std::mutex> lock(FLock);
  const auto box = FBoxes.find(client);
  if (box == FBoxes.end()) return true;
  if (box->second.Overflowed) return false;
  if (out.empty()) out.swap(box->second.Output);
  return true;
}

bool TScpiMailbox::Idle(TScpiClientId client) const {
  std::lock_guard<std::mutex> lock(FLock);
  const auto box = FBoxes.find(client);
  return box == FBoxes.end() || (box->second.Queued <= 0 && box->second.Output.empty());
}

void TScpiMailbox::Forget(TScpiClientId client) {
  std::lock_guard<std::mutex> lock(FLock);
  FBoxes.erase(client);
}

std::int64_t TScpiMailbox::WakeAtNs() const {
  std::lock_guard<std::mutex> lock(FLock);
  return FWakeAtNs;
}

std::vector<TScpiEvent> TScpiMailbox::TakeEvents() {
  std::lock_guard<std::mutex> lock(FLock);
  std::vector<TScpiEvent> events;
  events.swap(FEvents);
  return events;
}

bool TScpiMailbox::Reply(TScpiClientId client, const std::string& text, int linesDone) {
  std::lock_guard<std::mutex> lock(FLock);
  const auto box = FBoxes.find(client);
  if (box == FBoxes.end()) return false;
  TBox& b = box->second;
  b.Queued -= linesDone;
  if (b.Overflowed || text.empty()) return !b.Overflowed;
  if (b.Output.size() > FOutputLimit) {
    // A client that does not read its replies loses its connection, not our memory.
    b.Overflowed = true;
    b.Output.clear();
    return false;
  }
  b.Output += text;
  b.Output += '\n';
  return true;
}

void TScpiMailbox::SetWakeAtNs(std::int64_t ns) {
  std::lock_guard<std::mutex> lock(FLock);
  FWakeAtNs = ns;
}
