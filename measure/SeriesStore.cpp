#include "measure/SeriesStore.h"

#include <algorithm>

std::size_t TSeriesView::LowerBound(double seconds) const {
  std::size_t first = 0, count = Size();
  while (count > 0) {
    const std::size_t half = count / 2;
    if (Seconds(first + half) < seconds) {
      first += half + 1;
      count -= half + 1;
    } else {
      count = half;
    }
  }
  return first;
}

TSeriesView TSeriesView::From(std::size_t first) const {
  TSeriesView view = *this;
  view.FFirst = std::min(FSize, FFirst + first);
  return view;
}

void TSeriesStore::Append(double value, std::int64_t monotonicNs, std::uint32_t segment) {
  // Only this thread changes FChunks and FSize, so it reads them without the lock.
  const std::size_t slot = FSize & (kSeriesChunkPoints - 1);
  std::shared_ptr<TSeriesChunk> fresh;
  TSeriesChunk* chunk = nullptr;
  if (FSize == FChunks.size() * kSeriesChunkPoints) {
    fresh = std::make_shared<TSeriesChunk>();
    chunk = fresh.get();
  } else {
    chunk = FChunks.back().get();
  }
  chunk->Values[slot] = value;
  chunk->Ns[slot] = monotonicNs;
  chunk->Segments[slot] = segment;
  const std::lock_guard<std::mutex> lock(FLock);
  if (fresh) FChunks.push_back(std::move(fresh));
  ++FSize;
}

std::size_t TSeriesStore::Size() const {
  const std::lock_guard<std::mutex> lock(FLock);
  return FSize;
}

TSeriesView TSeriesStore::View() const {
  TSeriesView view;
  const std::lock_guard<std::mutex> lock(FLock);
  view.FChunks.assign(FChunks.begin(), FChunks.end());
  view.FSize = FSize;
  return view;
}
