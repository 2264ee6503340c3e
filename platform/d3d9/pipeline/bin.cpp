// Binning: records go into every screen tile they may touch, in submission order.
#include <algorithm>

#include "bin.h"

namespace swr {
namespace {
constexpr size_t kChunkBytes = size_t(1) << 20;
}

void Binner::configure(int w, int h) {
  width = w, height = h;
  tilesX = (w + kTileSize - 1) >> kTileShift;
  tilesY = (h + kTileSize - 1) >> kTileShift;
  if (bins.size() < size_t(tilesX) * tilesY) bins.resize(size_t(tilesX) * tilesY);
}

void* Binner::alloc(size_t bytes) {
  bytes = (bytes + 15) & ~size_t(15);
  if (chunk_ >= chunks_.size() || offset_ + bytes > kChunkBytes) {
    if (chunk_ < chunks_.size() && offset_ > 0) ++chunk_;
    if (chunk_ >= chunks_.size()) chunks_.emplace_back(new uint8_t[kChunkBytes]);
    offset_ = 0;
  }
  void* p = chunks_[chunk_].get() + offset_;
  offset_ += bytes;
  used_ += bytes;
  return p;
}

void Binner::addTri(const Tri* t) {
  ++triangles;
  int tx0 = t->minX >> kTileShift, tx1 = t->maxX >> kTileShift;
  int ty0 = t->minY >> kTileShift, ty1 = t->maxY >> kTileShift;
  if (tx0 == tx1 && ty0 == ty1) {
    bins[size_t(ty0) * tilesX + tx0].push_back(t);
    ++entries_;
    return;
  }
  for (int ty = ty0; ty <= ty1; ++ty) {
    int64_t y0 = std::max(ty << kTileShift, t->minY), y1 = std::min(((ty + 1) << kTileShift) - 1, t->maxY);
    for (int tx = tx0; tx <= tx1; ++tx) {
      int64_t x0 = std::max(tx << kTileShift, t->minX), x1 = std::min(((tx + 1) << kTileShift) - 1, t->maxX);
      bool outside = false;
      for (int e = 0; e < 3 && !outside; ++e) {
        int64_t x = t->ea[e] > 0 ? x1 : x0, y = t->eb[e] > 0 ? y1 : y0;
        outside = t->ea[e] * x + t->eb[e] * y + t->ec[e] < 0;
      }
      if (outside) continue;
      bins[size_t(ty) * tilesX + tx].push_back(t);
      ++entries_;
    }
  }
}

void Binner::addClear(const ClearRec* c) {
  int tx0 = c->x0 >> kTileShift, tx1 = (c->x1 - 1) >> kTileShift;
  int ty0 = c->y0 >> kTileShift, ty1 = (c->y1 - 1) >> kTileShift;
  for (int ty = ty0; ty <= ty1; ++ty)
    for (int tx = tx0; tx <= tx1; ++tx) {
      bins[size_t(ty) * tilesX + tx].push_back(c);
      ++entries_;
    }
}

void Binner::reset() {
  for (auto& b : bins) b.clear();
  chunk_ = 0, offset_ = 0, used_ = 0, entries_ = 0;
}

}  // namespace swr
