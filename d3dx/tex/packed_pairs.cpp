// Pixel pairs of the packed YUV and RGBG formats: studio-range BT.601 for YUV.
#include "packed_pairs.h"

#include <algorithm>

#include "pixel_layouts.h"

namespace d3dx {

namespace {

// Byte positions inside the word: own byte of the first and second pixel, then the shared ones.
struct PairBytes {
  int own0, own1, shared0, shared1;
};

PairBytes BytesOf(PackedLayout layout) {
  switch (layout) {
    case PackedLayout::Yuy2:
    case PackedLayout::Rgbg:
      return {0, 2, 1, 3};
    case PackedLayout::Uyvy:
    case PackedLayout::Grgb:
      return {1, 3, 0, 2};
  }
  return {0, 2, 1, 3};
}

bool IsYuv(PackedLayout layout) { return layout == PackedLayout::Yuy2 || layout == PackedLayout::Uyvy; }

int ByteAt(DWORD word, int index) { return int(word >> (8 * index)) & 0xFF; }
DWORD AtByte(int value, int index) { return DWORD(std::clamp(value, 0, 255)) << (8 * index); }

constexpr float kUnit8 = FieldScale(layout::A8R8G8B8.a);

D3DXCOLOR YuvToColor(int y, int u, int v) {
  const float luma = float(y - 16) * 0.00456621f;
  const float du = float(u - 128), dv = float(v - 128);
  return D3DXCOLOR(std::clamp(luma + dv * 0.00625893f, 0.0f, 1.0f),
                   std::clamp(luma - du * 0.00153632f - dv * 0.00318811f, 0.0f, 1.0f),
                   std::clamp(luma + du * 0.00791071f, 0.0f, 1.0f), 1.0f);
}

int LumaOf(float r, float g, float b) { return int(65.481f * r + 128.553f * g + 24.966f * b + 0.5f) + 16; }

}  // namespace

bool PackedLayoutOf(D3DFORMAT format, PackedLayout* layout) {
  switch (format) {
    case D3DFMT_YUY2:
      return *layout = PackedLayout::Yuy2, true;
    case D3DFMT_UYVY:
      return *layout = PackedLayout::Uyvy, true;
    case D3DFMT_R8G8_B8G8:
      return *layout = PackedLayout::Rgbg, true;
    case D3DFMT_G8R8_G8B8:
      return *layout = PackedLayout::Grgb, true;
    default:
      return false;
  }
}

void DecodePackedPair(PackedLayout layout, DWORD word, D3DXCOLOR out[2]) {
  const PairBytes at = BytesOf(layout);
  const int own0 = ByteAt(word, at.own0), own1 = ByteAt(word, at.own1);
  const int shared0 = ByteAt(word, at.shared0), shared1 = ByteAt(word, at.shared1);
  if (IsYuv(layout)) {
    out[0] = YuvToColor(own0, shared0, shared1);
    out[1] = YuvToColor(own1, shared0, shared1);
  } else {
    const float r = float(shared0) * kUnit8, b = float(shared1) * kUnit8;
    out[0] = D3DXCOLOR(r, float(own0) * kUnit8, b, 1.0f);
    out[1] = D3DXCOLOR(r, float(own1) * kUnit8, b, 1.0f);
  }
}

DWORD EncodePackedPair(PackedLayout layout, const D3DXCOLOR in[2]) {
  const PairBytes at = BytesOf(layout);
  const float r0 = Saturate(in[0].r, 0.0f, 1.0f), g0 = Saturate(in[0].g, 0.0f, 1.0f),
              b0 = Saturate(in[0].b, 0.0f, 1.0f);
  const float g1 = Saturate(in[1].g, 0.0f, 1.0f);
  int own0, own1, shared0, shared1;
  if (IsYuv(layout)) {
    own0 = LumaOf(r0, g0, b0);
    own1 = LumaOf(Saturate(in[1].r, 0.0f, 1.0f), g1, Saturate(in[1].b, 0.0f, 1.0f));
    shared0 = int(112.0f * b0 - 74.203f * g0 - 37.797f * r0 + 0.5f) + 128;
    shared1 = int(112.0f * r0 - 93.786f * g0 - 18.214f * b0 + 0.5f) + 128;
  } else {
    own0 = int(g0 * 255.0f + 0.5f);
    own1 = int(g1 * 255.0f + 0.5f);
    shared0 = int(r0 * 255.0f + 0.5f);
    shared1 = int(b0 * 255.0f + 0.5f);
  }
  return AtByte(own0, at.own0) | AtByte(own1, at.own1) | AtByte(shared0, at.shared0) |
         AtByte(shared1, at.shared1);
}

}  // namespace d3dx
