#include "measure/GateRule.h"

#include <algorithm>

void TGateRule::Restart(bool needEdge, std::int64_t nominalGateNs) {
  // The gate spacing seen so far stays: the instrument keeps its pace across a lost line; a
  // change of settings brings a new nominal gate, and the measured spacing goes with it.
  if (needEdge || nominalGateNs != FNominalGateNs) {
    FResultSpacingSum = 0;
    FResultSpacings = 0;
  }
  FNominalGateNs = nominalGateNs;
  FHaveFrame = false;
  FArmed = !needEdge;
  FShown.clear();
  FLitSince = false;
  FFramesLost = false;
  FUnreadable = false;
  FHaveResult = false;
}

void TGateRule::NotePeriod(std::int64_t spacing) {
  FSpacings[FSpacingCount % kSpacings] = spacing;
  ++FSpacingCount;
  const std::size_t n = std::min(FSpacingCount, kSpacings);
  std::array<std::int64_t, kSpacings> sorted = FSpacings;
  std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(n / 2), sorted.begin() + static_cast<std::ptrdiff_t>(n));
  FPeriodNs = sorted[n / 2];
}

std::int64_t TGateRule::GateSpacingNs() const {
  if (FResultSpacings > 0) return FResultSpacingSum / FResultSpacings;
  return FNominalGateNs > 0 ? FNominalGateNs + FPeriodNs : 0;
}

bool TGateRule::MissedGate(std::int64_t ns) const {
  if (!FHaveResult) return false;
  // Whatever the spacing: it may have been the one frame of a hold, and the gate's reading
  // like the one before.
  if (FUnreadable) return true;
  const std::int64_t gate = GateSpacingNs();
  // Results a frame apart are stamped up to a frame period late: spacings of one gate and of
  // two then overlap unless gates are two frame periods apart or more.
  if (gate > 0 && FPeriodNs > 0 && gate >= 2 * FPeriodNs) return 2 * (ns - FLastResultNs) > 3 * gate;
  return FFramesLost;
}

void TGateRule::Unreadable(std::int64_t ns) {
  if (!FHaveFrame) return;
  if (ns > FPrevNs) NotePeriod(ns - FPrevNs);
  FPrevNs = ns;
  FPrevCounting = false;
  FFramesLost = true;
  FUnreadable = true;
}

TGateVerdict TGateRule::Next(const std::string& reading, bool counting, std::int64_t ns) {
  bool fresh = false;
  if (!FHaveFrame) {
    fresh = FArmed && !counting;
  } else {
    const std::int64_t spacing = ns - FPrevNs;
    if (FPeriodNs > 0 && 2 * spacing > 3 * FPeriodNs) FFramesLost = true;
    if (spacing > 0) NotePeriod(spacing);
    if (reading != FShown) {
      fresh = true;
    } else if (!counting && FLitSince) {
      fresh = true;
    } else if (!counting && !FPrevCounting && FArmed) {
      fresh = true;
    }
  }
  FHaveFrame = true;
  FPrevCounting = counting;
  FPrevNs = ns;
  if (!fresh) {
    if (FShown.empty()) FShown = reading;
    FLitSince = FLitSince || counting;
    return gvSame;
  }
  const bool missed = MissedGate(ns);
  if (FHaveResult && !missed) {
    FResultSpacingSum += ns - FLastResultNs;
    ++FResultSpacings;
  }
  FHaveResult = true;
  FLastResultNs = ns;
  FShown = reading;
  FLitSince = counting;
  FFramesLost = false;
  FUnreadable = false;
  FArmed = true;
  return missed ? gvNewAfterGap : gvNew;
}
