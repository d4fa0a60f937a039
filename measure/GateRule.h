// The rule that tells, frame by frame, when the instrument has finished a gate: each gate's
// result is taken once, from the first frame that shows it.  docs/measurements.md explains the
// rule and its limits; in short:
//
// The instrument counts for the averaging time with ALed4 (СЧЕТ) lit, then holds the result for
// one display period, the period at which it also sends its frames; the reading changes only
// when a gate ends.  So a frame shows a new result when
//   - its reading differs from the one shown before (only a gate's end changes it), or
//   - ALed4 is dark and was lit in a frame since the current result was first shown (a gate
//     counted and ended), or
//   - ALed4 is dark in it and in the frame before (a hold lasts one frame period, so two frames
//     in a row with ALed4 dark show two holds, however the line bunched their arrival).
// The frame period is the median of the last spacings between frames, as they arrived.
//
// A gate goes missing when frames were lost: judged by the spacing of the results (more than
// 1.5 gate spacings) where gates are at least two frame periods apart, else by the frames
// (more than 1.5 frame periods between two frames: where a gate is shorter than a frame
// period, a lost frame may have been the only one to show a gate); and always after an
// unreadable frame, which may have been a hold's only frame.  The caller then starts a new
// segment.
//
// Plain logic over arrival times (monotonic ns); one thread (the caller's).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

enum TGateVerdict : std::uint8_t {
  gvSame,           // the frame shows the result already taken (or none yet)
  gvNew,            // the frame is the first to show a gate's result
  gvNewAfterGap,    // the same, but at least one gate before it went missing
};

class TGateRule {
 public:
  // A new stretch of frames: nothing is known of the frames before.  `needEdge`: the settings
  // just changed or a hold ended, so what the display shows may be from before; only a gate
  // seen to end (or a changed reading) gives the first result.  Otherwise the first frame with
  // ALed4 dark is taken: it shows a hold, which lasts one frame period.  `nominalGateNs`: the
  // gate's length when the lamps tell it (frequency and test modes), else 0.
  void Restart(bool needEdge, std::int64_t nominalGateNs);
  // The next readable frame: its reading (with anything else that tells results apart, such as
  // the unit), its ALed4, when it arrived.
  TGateVerdict Next(const std::string& reading, bool counting, std::int64_t ns);
  // A frame that could not be read (its point code was bad): it may have been the only frame
  // to show a gate, so it counts as lost; the next frame is judged as if it had been dark.
  void Unreadable(std::int64_t ns);

  // The frame period as seen (ns); 0 until two frames came.
  std::int64_t FramePeriodNs() const { return FPeriodNs; }
  // The spacing of gates as seen (the mean over results without a gap between them), or the
  // lamps' gate plus a frame period; 0 when neither is known.
  std::int64_t GateSpacingNs() const;

 private:
  void NotePeriod(std::int64_t spacing);
  bool MissedGate(std::int64_t ns) const;

  static constexpr std::size_t kSpacings = 8;
  std::array<std::int64_t, kSpacings> FSpacings{};
  std::size_t FSpacingCount = 0;  // spacings recorded (the last kSpacings kept)
  std::int64_t FPeriodNs = 0;
  std::int64_t FNominalGateNs = 0;

  bool FHaveFrame = false;
  bool FArmed = false;          // a dark frame after a dark frame may be taken
  bool FPrevCounting = false;
  std::int64_t FPrevNs = 0;
  std::string FShown;           // the reading of the result taken last (or first seen)
  bool FLitSince = false;       // ALed4 lit in a frame since FShown was first shown
  bool FFramesLost = false;     // a spacing of more than 1.5 frame periods since the last result
  bool FUnreadable = false;     // an unreadable frame since the last result

  bool FHaveResult = false;
  std::int64_t FLastResultNs = 0;
  std::int64_t FResultSpacingSum = 0;  // over results without a gap between them
  std::int64_t FResultSpacings = 0;
};
