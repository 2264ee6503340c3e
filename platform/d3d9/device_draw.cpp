// Draw calls: argument checks against the bound buffers, the vertex layout, and hand-over to
// the pipeline. Nothing that has not changed since the last draw is recomputed.
#include <algorithm>

#include "device.h"
#include "pipeline/layout.h"

namespace d3d9rt {

bool Device::prepareDraw(UINT stride) {
  if (layoutDirty_) {
    if (declaration_) {
      layout_ = declaration_->layout();
      layoutValid_ = layout_.positionOffset >= 0;
    } else {
      layoutValid_ = layoutFromFvf(fvf_, &layout_);
    }
    layoutExtent_ = layoutValid_ ? swr::layoutExtent(layout_) : 0;
    layoutDirty_ = false;
  }
  if (!layoutValid_ || stride < layoutExtent_) return false;
  layout_.stride = stride;
  for (unsigned bound = boundStages_; bound; bound &= bound - 1) {
    TextureCore* t = textures_[__builtin_ctz(bound)];
    // Drawn into since the last flush: the pipeline draws batches in order, so a texture sampled in
    // place is read after it is drawn; a decoded copy has to wait for the drawing.
    if (t->renderedEpoch == epoch_ && !t->sampledInPlace()) flush();
    if (t->dirty()) {
      t->sampleSource();
      bumpState(Feeds::Pixel);
    }
    t->useEpoch = epoch_;
  }
  markTargetsUsed();
  return true;
}

HRESULT Device::drawChecked(D3DPRIMITIVETYPE type, UINT count, const uint8_t* vertices, UINT vertexCount,
                            const void* indices, bool index32, UINT minIndex, UINT numVertices, UINT stride) {
  if (!prepareDraw(stride)) return D3DERR_INVALIDCALL;
  swr::DrawCall call;
  call.type = type;
  call.primitiveCount = count;
  call.vertices = vertices;
  call.vertexCount = vertexCount;
  call.indices = indices;
  call.index32 = index32;
  call.minIndex = minIndex;
  call.numVertices = numVertices;
  pipeline_->draw(state_, layout_, call, targets_);
  return D3D_OK;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT count) {
  uint64_t need = swr::verticesForPrimitives(type, count);
  const Stream& s = streams_[0];
  if (!inScene_ || need == 0 || !s.buffer || s.stride == 0) return D3DERR_INVALIDCALL;
  UINT size = s.buffer->size();
  uint64_t available = size > s.offset ? (size - s.offset) / s.stride : 0;
  if (startVertex + need > available) return D3DERR_INVALIDCALL;
  return drawChecked(type, count, s.buffer->data() + s.offset + (size_t)startVertex * s.stride,
                     (UINT)(available - startVertex), nullptr, false, 0, (UINT)need, s.stride);
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT numVertices,
                                     UINT startIndex, UINT count) {
  uint64_t need = swr::verticesForPrimitives(type, count);
  const Stream& s = streams_[0];
  if (!inScene_ || need == 0 || !s.buffer || !indices_ || s.stride == 0 || numVertices == 0 || baseVertex < 0)
    return D3DERR_INVALIDCALL;
  UINT indexSize = indices_->index32() ? 4 : 2;
  if ((startIndex + need) * indexSize > indices_->size()) return D3DERR_INVALIDCALL;
  UINT size = s.buffer->size();
  uint64_t available = size > s.offset ? (size - s.offset) / s.stride : 0;
  if ((uint64_t)baseVertex + minIndex + numVertices > available) return D3DERR_INVALIDCALL;
  return drawChecked(type, count, s.buffer->data() + s.offset + (size_t)baseVertex * s.stride,
                     (UINT)(available - (UINT)baseVertex), indices_->data() + (size_t)startIndex * indexSize,
                     indexSize == 4, minIndex, numVertices, s.stride);
}

// After a draw from user memory, stream 0 (and, for indexed draws, the indices) are unset.
void Device::resetUserStreams(bool indexed) {
  if (streams_[0].buffer) streams_[0].buffer->unbind();
  streams_[0].buffer = nullptr;
  streams_[0].offset = streams_[0].stride = 0;
  if (indexed && indices_) indices_->unbind(), indices_ = nullptr;
}

HRESULT Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT count, const void* data, UINT stride) {
  uint64_t need = swr::verticesForPrimitives(type, count);
  if (!inScene_ || need == 0 || !data || stride == 0 || need > 0x7FFFFFFF) return D3DERR_INVALIDCALL;
  HRESULT hr =
      drawChecked(type, count, (const uint8_t*)data, (UINT)need, nullptr, false, 0, (UINT)need, stride);
  resetUserStreams(false);
  return hr;
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT count,
                                       const void* indexData, D3DFORMAT indexFormat, const void* data,
                                       UINT stride) {
  uint64_t need = swr::verticesForPrimitives(type, count);
  if (!inScene_ || need == 0 || !indexData || !data || stride == 0 || numVertices == 0)
    return D3DERR_INVALIDCALL;
  if (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32) return D3DERR_INVALIDCALL;
  uint64_t readable = (uint64_t)minIndex + numVertices;
  if (readable > 0x7FFFFFFF || need > 0x7FFFFFFF) return D3DERR_INVALIDCALL;
  HRESULT hr = drawChecked(type, count, (const uint8_t*)data, (UINT)readable, indexData,
                           indexFormat == D3DFMT_INDEX32, minIndex, numVertices, stride);
  resetUserStreams(true);
  return hr;
}

}  // namespace d3d9rt
