// DXT1..DXT5 block encoding: alpha passes with error diffusion inside the block, the colour block
// in three- or four-colour mode and the alpha block in six- or eight-alpha mode.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "dxt_block.h"
#include "dxt_encoder.h"
#include "dxt_palette.h"
#include "format_info.h"
#include "round_mode.h"
#include "saturate.h"

namespace d3dx {

using namespace dxt;

namespace {

WeightedColor operator+(const WeightedColor& a, const WeightedColor& b) {
  return {a.r + b.r, a.g + b.g, a.b + b.b};
}
WeightedColor operator-(const WeightedColor& a, const WeightedColor& b) {
  return {a.r - b.r, a.g - b.g, a.b - b.b};
}
WeightedColor operator*(const WeightedColor& a, float f) { return {a.r * f, a.g * f, a.b * f}; }
WeightedColor& operator+=(WeightedColor& a, const WeightedColor& b) { return a = a + b; }
float Dot(const WeightedColor& a, const WeightedColor& b) { return a.r * b.r + a.g * b.g + a.b * b.b; }

WeightedColor Weighted(const D3DXCOLOR& c) { return {c.r * kWeightR, c.g, c.b * kWeightB}; }

// Floyd-Steinberg inside the block, texels in row-major order; nothing leaves the block.
template <typename T>
void Diffuse(T* error, UINT i, const T& e) {
  const UINT x = i & 3, y = i >> 2;
  if (x < 3) error[i + 1] += e * (7.0f / 16.0f);
  if (y < 3) {
    if (x > 0) error[i + 3] += e * (3.0f / 16.0f);
    error[i + 4] += e * (5.0f / 16.0f);
    if (x < 3) error[i + 5] += e * (1.0f / 16.0f);
  }
}

// trunc(v * levels + 0.5), kept inside the field.
int Quantise(float v, int levels) { return std::clamp(int(v * float(levels) + 0.5f), 0, levels); }

WORD Pack565(const WeightedColor& weighted) {
  const float r = Saturate(weighted.r * kUnweightR), g = Saturate(weighted.g),
              b = Saturate(weighted.b * kUnweightB);
  return WORD(Quantise(r, 31) << 11 | Quantise(g, 63) << 5 | Quantise(b, 31));
}

void WriteIndices(BYTE* p, uint64_t indices, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = BYTE(indices >> (8 * i));
}

// Palette steps by position along the line: ends first, then the inner steps.
constexpr int kFourColorIndex[4] = {0, 2, 3, 1};
constexpr int kThreeColorIndex[3] = {0, 2, 1};
constexpr int kEightAlphaIndex[8] = {0, 2, 3, 4, 5, 6, 7, 1};
constexpr int kSixAlphaIndex[6] = {0, 2, 3, 4, 5, 1};

// The alpha block from 8-bit alphas whose extremes are minQ and maxQ.
void EncodeAlphaBlock(BYTE* block, const float* alphas, int minQ, int maxQ) {
  if (minQ == 255) {
    block[0] = block[1] = 255;
    WriteIndices(block + 2, 0, 6);
    return;
  }
  const bool six = minQ == 0 || maxQ == 255;
  const int steps = six ? 6 : 8;
  const AlphaRange range = OptimizeAlphaEndpoints(alphas, steps);
  const BYTE low = BYTE(Quantise(range.low, 255)), high = BYTE(Quantise(range.high, 255));
  block[0] = six ? low : high;
  block[1] = six ? high : low;
  if (!six && low == high) {
    WriteIndices(block + 2, 0, 6);
    return;
  }

  float palette[8];
  AlphaPalette(block[0], block[1], palette);
  const float p0 = palette[0], p1 = palette[1];
  const float last = float(steps - 1);
  float error[16] = {};
  uint64_t indices = 0;
  for (UINT i = 0; i < kDxtBlockTexels; ++i) {
    const float a = alphas[i] + error[i];
    const float t = p0 == p1 ? 0.0f : (a - p0) * last / (p1 - p0);
    int index;
    if (t <= 0.0f) {
      // With one interpolated value the exact 1 is still closer for alphas above the middle.
      index = six && a <= p0 * 0.5f ? 6 : six && p0 == p1 && a >= (p1 + 1.0f) * 0.5f ? 7 : 0;
    } else if (t >= last) {
      index = six && a >= (p1 + 1.0f) * 0.5f ? 7 : 1;
    } else {
      const int step = int(t + 0.5f);
      index = six ? kSixAlphaIndex[step] : kEightAlphaIndex[step];
    }
    Diffuse(error, i, a - palette[index]);
    indices |= uint64_t(index) << (3 * i);
  }
  WriteIndices(block + 2, indices, 6);
}

}  // namespace

namespace dxt {

void BlockEncoder::EncodeColorBlock(BYTE* block, const D3DXCOLOR* texels, bool allowTransparent) const {
  // Phase 1: the mode.
  UINT transparent = 0;
  if (allowTransparent)
    for (UINT i = 0; i < kDxtBlockTexels; ++i) transparent += texels[i].a < 0.5f;
  if (transparent == kDxtBlockTexels) {
    WriteWord(block, 0x0000);
    WriteWord(block + 2, 0xFFFF);
    WriteIndices(block + 4, 0xFFFFFFFF, 4);
    return;
  }
  const bool three = transparent > 0;
  const int steps = three ? 3 : 4;

  // Phase 2: the texels on the 5:6:5 grid, rounding errors diffused, in weighted units.
  WeightedBlock points;
  WeightedColor error[16] = {};
  for (UINT i = 0; i < kDxtBlockTexels; ++i) {
    const WeightedColor v = WeightedColor{texels[i].r, texels[i].g, texels[i].b} + error[i];
    const WeightedColor q = {float(int(v.r * 31.0f + 0.5f)) * kUnit5, float(int(v.g * 63.0f + 0.5f)) * kUnit6,
                             float(int(v.b * 31.0f + 0.5f)) * kUnit5};
    Diffuse(error, i, v - q);
    points.r[i] = q.r * kWeightR;
    points.g[i] = q.g;
    points.b[i] = q.b * kWeightB;
  }

  // Transparent texels never use the line: fit it to the opaque ones alone, which stand in for
  // them in turn so the optimiser still sees 16 points.
  if (three) {
    UINT opaque[16], opaqueCount = 0;
    for (UINT i = 0; i < kDxtBlockTexels; ++i)
      if (!(texels[i].a < 0.5f)) opaque[opaqueCount++] = i;
    for (UINT i = 0, next = 0; i < kDxtBlockTexels; ++i) {
      if (!(texels[i].a < 0.5f)) continue;
      const UINT from = opaque[next++ % opaqueCount];
      points.r[i] = points.r[from], points.g[i] = points.g[from], points.b[i] = points.b[from];
    }
  }

  // Phase 3: the endpoints, quantised and ordered for the mode.
  const ColorLine line = optimize_(points, steps);
  WORD c0 = Pack565(line.lo), c1 = Pack565(line.hi);
  if (!three && c0 == c1) {
    WriteWord(block, c0);
    WriteWord(block + 2, c1);
    WriteIndices(block + 4, 0, 4);
    return;
  }
  if (three ? c0 > c1 : c0 < c1) std::swap(c0, c1);
  WriteWord(block, c0);
  WriteWord(block + 2, c1);

  // Phase 4: indices in texel order against the palette of the stored endpoints.
  WeightedColor palette[4] = {Weighted(ColorFrom565(c0)), Weighted(ColorFrom565(c1))};
  const WeightedColor axis = palette[1] - palette[0];
  if (three) {
    palette[2] = (palette[0] + palette[1]) * 0.5f;
  } else {
    palette[2] = palette[0] + axis * kThird;
    palette[3] = palette[0] + axis * kTwoThirds;
  }
  const float length2 = Dot(axis, axis);
  const float last = float(steps - 1);
  std::fill(error, error + 16, WeightedColor{0, 0, 0});
  DWORD indices = 0;
  for (UINT i = 0; i < kDxtBlockTexels; ++i) {
    if (three && texels[i].a < 0.5f) {
      indices |= 3u << (2 * i);
      continue;
    }
    const WeightedColor c = Weighted(texels[i]) + error[i];
    const float t = length2 == 0.0f ? 0.0f : Dot(c - palette[0], axis) * last / length2;
    int index;
    if (t <= 0.0f)
      index = 0;
    else if (t >= last)
      index = 1;
    else
      index = three ? kThreeColorIndex[int(t + 0.5f)] : kFourColorIndex[int(t + 0.5f)];
    Diffuse(error, i, c - palette[index]);
    indices |= DWORD(index) << (2 * i);
  }
  WriteIndices(block + 4, indices, 4);
}

// Alpha first goes to 0 or 1; the colour block then marks the transparent texels.
void BlockEncoder::EncodeDxt1(BYTE* block, const D3DXCOLOR* texels) const {
  D3DXCOLOR binary[16];
  float error[16] = {};
  for (UINT i = 0; i < kDxtBlockTexels; ++i) {
    const float v = texels[i].a + error[i];
    const float q = float(int(v + 0.5f));
    Diffuse(error, i, v - q);
    binary[i] = D3DXCOLOR(texels[i].r, texels[i].g, texels[i].b, q);
  }
  EncodeColorBlock(block, binary, true);
}

void BlockEncoder::EncodeDxt3(BYTE* block, const D3DXCOLOR* texels) const {
  float error[16] = {};
  for (UINT i = 0; i < 8; ++i) block[i] = 0;
  for (UINT i = 0; i < kDxtBlockTexels; ++i) {
    const float v = texels[i].a + error[i];
    const int q = Quantise(v, 15);
    Diffuse(error, i, v - float(q) * kUnit4);
    block[i / 2] |= BYTE(q << (4 * (i & 1)));
  }
  EncodeColorBlock(block + 8, texels, false);
}

void BlockEncoder::EncodeDxt5(BYTE* block, const D3DXCOLOR* texels) const {
  float alphas[16], error[16] = {};
  int minQ = 255, maxQ = 0;
  for (UINT i = 0; i < kDxtBlockTexels; ++i) {
    const float v = texels[i].a + error[i];
    const int q = Quantise(v, 255);
    alphas[i] = float(q) * kUnit8;
    Diffuse(error, i, v - alphas[i]);
    minQ = std::min(minQ, q);
    maxQ = std::max(maxQ, q);
  }
  EncodeColorBlock(block + 8, texels, false);
  EncodeAlphaBlock(block, alphas, minQ, maxQ);
}

void BlockEncoder::Encode(D3DFORMAT format, BYTE* block, const D3DXCOLOR* in16) const {
  const bool premultiply = format == D3DFMT_DXT2 || format == D3DFMT_DXT4;
  D3DXCOLOR texels[16];
  for (UINT i = 0; i < kDxtBlockTexels; ++i) {
    const float a = Saturate(in16[i].a);
    const float scale = premultiply ? a : 1.0f;
    texels[i] =
        D3DXCOLOR(Saturate(in16[i].r) * scale, Saturate(in16[i].g) * scale, Saturate(in16[i].b) * scale, a);
  }
  switch (format) {
    case D3DFMT_DXT1:
      return EncodeDxt1(block, texels);
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
      return EncodeDxt3(block, texels);
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
      return EncodeDxt5(block, texels);
    default:
      return;
  }
}

const BlockEncoder& BlockEncoder::Default() {
  static const BlockEncoder encoder(ColorOptimizerFor(BestEncoderKernel()));
  return encoder;
}

}  // namespace dxt

namespace {

void EncodeWithDefault(D3DFORMAT format, BYTE* block, const D3DXCOLOR* in16) {
  RoundTowardZeroScope rounding;
  BlockEncoder::Default().Encode(format, block, in16);
}

}  // namespace

void EncodeDXT1Block(BYTE* block, const D3DXCOLOR* in16) { EncodeWithDefault(D3DFMT_DXT1, block, in16); }
void EncodeDXT2Block(BYTE* block, const D3DXCOLOR* in16) { EncodeWithDefault(D3DFMT_DXT2, block, in16); }
void EncodeDXT3Block(BYTE* block, const D3DXCOLOR* in16) { EncodeWithDefault(D3DFMT_DXT3, block, in16); }
void EncodeDXT4Block(BYTE* block, const D3DXCOLOR* in16) { EncodeWithDefault(D3DFMT_DXT4, block, in16); }
void EncodeDXT5Block(BYTE* block, const D3DXCOLOR* in16) { EncodeWithDefault(D3DFMT_DXT5, block, in16); }

void EncodeDxtBlock(D3DFORMAT format, BYTE* block, const D3DXCOLOR* in16) {
  if (BlockBytes(format) != 0) EncodeWithDefault(format, block, in16);
}

}  // namespace d3dx
