// The points of one series (value, monotonic time and the segment each belongs to), kept whole
// for the figures that need every point: the Allan deviation, the histogram and the trend
// chart (which breaks its line where the segment changes).
//
// Append-only, with one writer (the thread that takes the measurements: the GUI thread in the
// window, the main thread in the headless logger) and readers on any thread.  Points live in
// chunks of kSeriesChunkPoints that never move once allocated and a published point is never
// written again, so a view of the first n points stays valid and unchanged while the writer goes
// on appending: readers copy no points and hold no lock while they read them.
//
// Locking: FLock guards only the chunk table and the published count.  The writer fills a
// point's slot first and then takes FLock to publish it (so no reader can see a slot before it
// is written); a reader takes FLock to copy the count and the chunk pointers (62 pointers for a
// million points) and reads the points after letting go.  Nothing is taken while FLock is held,
// and a chunk is allocated before FLock is taken, so the writer waits at most for that copy.
// A view keeps its chunks alive: a store may be dropped (a new series) while a reader still
// works on a view of it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

constexpr std::size_t kSeriesChunkShift = 14;
constexpr std::size_t kSeriesChunkPoints = std::size_t{1} << kSeriesChunkShift;

struct TSeriesChunk {
  std::array<double, kSeriesChunkPoints> Values;
  std::array<std::int64_t, kSeriesChunkPoints> Ns;  // monotonic time, ns
  std::array<std::uint32_t, kSeriesChunkPoints> Segments;  // the measurement's segment, low 32 bits
};

// The first points of a store as they were when the view was taken (from point `first` on for
// a view made by From).  Any thread.
class TSeriesView {
 public:
  TSeriesView() = default;
  std::size_t Size() const { return FSize - FFirst; }
  bool Empty() const { return Size() == 0; }
  double Value(std::size_t i) const { return Chunk(i).Values[Slot(i)]; }
  std::int64_t Ns(std::size_t i) const { return Chunk(i).Ns[Slot(i)]; }
  std::uint32_t Segment(std::size_t i) const { return Chunk(i).Segments[Slot(i)]; }
  // The same points from point `first` of this view on (none when first >= Size()).
  TSeriesView From(std::size_t first) const;
  // Seconds from the first point to point i.
  double Seconds(std::size_t i) const { return static_cast<double>(Ns(i) - Ns(0)) / 1e9; }
  // The first point at or after `seconds` (Size() when none); the times must not decrease.
  std::size_t LowerBound(double seconds) const;

 private:
  friend class TSeriesStore;
  const TSeriesChunk& Chunk(std::size_t i) const { return *FChunks[(i + FFirst) >> kSeriesChunkShift]; }
  static std::size_t SlotOf(std::size_t at) { return at & (kSeriesChunkPoints - 1); }
  std::size_t Slot(std::size_t i) const { return SlotOf(i + FFirst); }
  std::vector<std::shared_ptr<const TSeriesChunk>> FChunks;
  std::size_t FSize = 0;   // points of the store in the view
  std::size_t FFirst = 0;  // the store's index of the view's point 0
};

class TSeriesStore {
 public:
  // Writer thread only.  Times must not decrease (a monotonic clock's).
  void Append(double value, std::int64_t monotonicNs, std::uint32_t segment = 0);
  // Any thread.
  std::size_t Size() const;
  TSeriesView View() const;

 private:
  mutable std::mutex FLock;
  std::vector<std::shared_ptr<TSeriesChunk>> FChunks;  // FLock (the writer may read it without)
  std::size_t FSize = 0;                               // FLock (the writer may read it without)
};
