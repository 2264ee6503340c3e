// Placeholder until the drawing pipeline lands: clears work, draws are counted but not drawn.
#include <algorithm>

#include "pipeline.h"

namespace swr {

struct Pipeline::Impl {
  uint64_t draws = 0, triangles = 0;
};

Pipeline::Pipeline() : impl_(std::make_unique<Impl>()) {}
Pipeline::~Pipeline() = default;

void Pipeline::draw(const DrawState&, const VertexLayout&, const DrawCall& call, const RenderTargets&) {
  impl_->draws++;
  impl_->triangles += call.primitiveCount;
}

void Pipeline::clear(const RenderTargets& t, const D3DVIEWPORT9& vp, DWORD rectCount, const D3DRECT* rects,
                     DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  D3DRECT whole = {(LONG)vp.X, (LONG)vp.Y, (LONG)(vp.X + vp.Width), (LONG)(vp.Y + vp.Height)};
  if (!rects || rectCount == 0) {
    rects = &whole;
    rectCount = 1;
  }
  uint32_t zbits = (uint32_t)(std::clamp(z, 0.0f, 1.0f) * 16777215.0f + 0.5f) << 8;
  for (DWORD r = 0; r < rectCount; ++r) {
    LONG x1 = std::max({rects[r].x1, whole.x1, (LONG)0}), y1 = std::max({rects[r].y1, whole.y1, (LONG)0});
    LONG x2 = std::min({rects[r].x2, whole.x2, (LONG)t.width}), y2 = std::min({rects[r].y2, whole.y2, (LONG)t.height});
    for (LONG y = y1; y < y2; ++y) {
      if ((flags & D3DCLEAR_TARGET) && t.color) std::fill(t.color + y * t.colorPitch + x1, t.color + y * t.colorPitch + x2, color);
      if (t.depth && (flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && y < (LONG)t.depthHeight) {
        uint32_t* row = t.depth + y * t.depthPitch;
        for (LONG x = x1; x < std::min(x2, (LONG)t.depthWidth); ++x) {
          if (flags & D3DCLEAR_ZBUFFER) row[x] = (row[x] & 0xFF) | zbits;
          if (flags & D3DCLEAR_STENCIL) row[x] = (row[x] & ~0xFFu) | (stencil & 0xFF);
        }
      }
    }
  }
}

void Pipeline::flush() {}
uint64_t Pipeline::drawCount() const { return impl_->draws; }
uint64_t Pipeline::triangleCount() const { return impl_->triangles; }

}  // namespace swr
