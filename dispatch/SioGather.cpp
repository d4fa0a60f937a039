// The receive latency: the rule a device wait gathers bytes by, and the times it saw them
// come, handed to the read that takes them.
#include <algorithm>
#include <mutex>

#include "dispatch/SioDescriptorWaits.h"
#include "dispatch/SioDispatch.h"

namespace {

// Bytes waiting in the device that end a gather whatever the rule: well inside what a
// terminal's line buffer holds (4095) and what one pass reads into the input ring.
constexpr std::uint32_t kGatherMostBytes = 2048;
// The quiet that ends a gather, in character times, and at least kLeastQuietNs: on a fast
// line a few character times are shorter than a wake of the worker is worth.  Each wait of a
// gather lasts that long, so it also sets how often the worker counts the bytes.
constexpr std::int64_t kQuietCharacters = 8;
constexpr std::int64_t kLeastQuietNs = 1'000'000;

}  // namespace

bool TSioBaseDispatcher::GatherReceived(TSioSysCalls& sys, TEvent& closeSignal, std::shared_mutex& fdGuard,
                                        short endEvents, const TReadNotice& reads) {
  const std::uint32_t ms = FReceiveLatencyMs.load();
  if (ms == 0) return true;
  TGatherRule rule;
  rule.LimitNs = static_cast<std::int64_t>(ms) * 1'000'000;
  // Before the line is set (no character time yet) the limit alone ends a gather.
  rule.CharacterNs = FCharacterNs.load();
  rule.QuietNs = std::min(rule.LimitNs, std::max(kLeastQuietNs, kQuietCharacters * rule.CharacterNs));
  // An avail threshold above one byte asks to hear of that many at once: reaching it ends the
  // gather.  One byte (the usual) would end every gather at once, so the latency rules there.
  const std::uint32_t threshold = FTriggers.AvailThreshold();
  rule.Enough = threshold > 1 ? std::min(threshold, kGatherMostBytes) : kGatherMostBytes;
  TGatherSeen seen;
  if (GatherBytes(sys, closeSignal, fdGuard, FDeviceHandle, endEvents, reads, rule, seen) == geClosed) return false;

  // Every device read and purge is made and told (TReadNotice::NoteRead) under InputLock, so
  // here the count of reads is settled: unchanged since the first count, the bytes counted
  // are those after the input ring's last arrival.  Else the counts tell of bytes a read took
  // already (with its own time), and the notes would give later bytes too early a time.  Over
  // telnet the counts include the commands among the data, so a few data bytes behind a
  // command may get a note's time although they came a little later.
  std::lock_guard in(InputLock);
  if (reads.ReadsNow() != seen.Reads || !FInRing.Allocated()) return true;
  const std::uint64_t base = FInRing.Arrived();
  for (std::size_t i = 0; i < seen.Count; ++i) FArrivals.NoteWaiting(base + seen.Seen[i].Waiting, seen.Seen[i].Ns);
  return true;
}
