// DXT1..DXT5 block encoding: texels quantised with error diffusion inside the block, the colour
// block in three- or four-colour mode and the alpha block in six- or eight-alpha mode.
//
// The diffusion passes are serial chains from texel to texel; they run on one vector of
// (r, g, b, a) per texel with every loop unrolled, so the errors stay in registers and the
// processor overlaps the texels that do not depend on each other.
#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>

#include "dxt_block.h"
#include "dxt_encoder.h"
#include "dxt_palette.h"
#include "format_info.h"
#include "pixel_layouts.h"
#include "round_mode.h"

namespace d3dx {

using namespace dxt;

namespace {

using V4 = __m128;

inline V4 Splat(float v) { return _mm_set1_ps(v); }
inline V4 Add(V4 a, V4 b) { return _mm_add_ps(a, b); }
inline V4 Sub(V4 a, V4 b) { return _mm_sub_ps(a, b); }
inline V4 Mul(V4 a, V4 b) { return _mm_mul_ps(a, b); }
inline V4 Trunc(V4 v) { return _mm_cvtepi32_ps(_mm_cvttps_epi32(v)); }
inline float Lane(V4 v, int i) {
  alignas(16) float f[4];
  _mm_store_ps(f, v);
  return f[i];
}
// r*r' + g*g' + b*b', summed in that order.
inline float Dot3(V4 a, V4 b) {
  const V4 m = Mul(a, b);
  const V4 rg = _mm_add_ss(m, _mm_shuffle_ps(m, m, 1));
  return _mm_cvtss_f32(_mm_add_ss(rg, _mm_shuffle_ps(m, m, 2)));
}

// The channel weights as a vector; alpha drops out.
inline V4 WeightVector() { return _mm_setr_ps(kWeightR, 1.0f, kWeightB, 0.0f); }

// Floyd-Steinberg inside the block, texels in row-major order; nothing leaves the block.
template <typename T, typename AddScaled>
[[gnu::always_inline]] inline void DiffuseWith(T* error, UINT i, T e, AddScaled add) {
  const UINT x = i & 3, y = i >> 2;
  if (x < 3) add(error[i + 1], e, 7.0f / 16.0f);
  if (y < 3) {
    if (x > 0) add(error[i + 3], e, 3.0f / 16.0f);
    add(error[i + 4], e, 5.0f / 16.0f);
    if (x < 3) add(error[i + 5], e, 1.0f / 16.0f);
  }
}
[[gnu::always_inline]] inline void Diffuse(V4* error, UINT i, V4 e) {
  DiffuseWith(error, i, e, [](V4& to, V4 v, float f) { to = Add(to, Mul(v, Splat(f))); });
}
[[gnu::always_inline]] inline void Diffuse(float* error, UINT i, float e) {
  DiffuseWith(error, i, e, [](float& to, float v, float f) { to += v * f; });
}

// trunc(v * levels + 0.5), kept inside the field.
int Quantise(float v, int levels) { return std::clamp(int(v * float(levels) + 0.5f), 0, levels); }

WORD Pack565(const WeightedColor& weighted) {
  const float r = Saturate(weighted.r * kUnweightR, 0.0f, 1.0f), g = Saturate(weighted.g, 0.0f, 1.0f),
              b = Saturate(weighted.b * kUnweightB, 0.0f, 1.0f);
  return WORD(Quantise(r, 31) << 11 | Quantise(g, 63) << 5 | Quantise(b, 31));
}

inline V4 WeightedVector(WORD c) {
  const D3DXCOLOR d = ColorFrom565(c);
  return Mul(_mm_loadu_ps(&d.r), WeightVector());
}

void WriteIndices(BYTE* p, uint64_t indices, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = BYTE(indices >> (8 * i));
}

// Palette steps by position along the line: ends first, then the inner steps.
constexpr int kFourColorIndex[4] = {0, 2, 3, 1};
constexpr int kThreeColorIndex[3] = {0, 2, 1};
constexpr int kEightAlphaIndex[8] = {0, 2, 3, 4, 5, 6, 7, 1};
constexpr int kSixAlphaIndex[6] = {0, 2, 3, 4, 5, 1};

// The block's texels on the stored grids, each channel's rounding error diffused: colour on the
// 5:6:5 grid (weighted, for the optimiser), alpha on `alphaLevels` steps. The errors are kept in
// units of one step, which takes a multiply off the chain from one texel to the next; a step
// beyond the field is diffused as it is and clamped only where it is stored.
struct QuantisedBlock {
  WeightedBlock points;
  float alpha[16];
  int alphaLevel[16];
};

void QuantiseTexels(const V4* texels, int alphaLevels, float alphaUnit, QuantisedBlock* out) {
  const V4 levels = _mm_setr_ps(31.0f, 63.0f, 31.0f, float(alphaLevels));
  V4 error[16];
  for (V4& e : error) e = _mm_setzero_ps();
  alignas(16) float step[16][4];
  // The rounding offset rides along from the start, so the texel's own value comes off the chain.
  V4 rounded[16];
  for (UINT i = 0; i < kDxtBlockTexels; ++i) rounded[i] = Add(Mul(texels[i], levels), Splat(0.5f));
#pragma GCC unroll 16
  for (UINT i = 0; i < kDxtBlockTexels; ++i) {
    const V4 u = Add(rounded[i], error[i]);
    const V4 steps = Trunc(u);
    Diffuse(error, i, Sub(Sub(u, Splat(0.5f)), steps));
    _mm_store_ps(step[i], _mm_min_ps(steps, levels));
  }
  for (UINT i = 0; i < kDxtBlockTexels; ++i) {
    out->points.r[i] = step[i][0] * kUnit5 * kWeightR, out->points.g[i] = step[i][1] * kUnit6;
    out->points.b[i] = step[i][2] * kUnit5 * kWeightB;
    out->alpha[i] = step[i][3] * alphaUnit;
    out->alphaLevel[i] = int(step[i][3]);
  }
}

// The index passes below are serial chains from texel to texel. A DXT5 block runs its colour
// and alpha passes in one loop, so the two chains overlap.
template <typename... Pass>
[[gnu::always_inline]] inline void RunIndexPasses(Pass&... pass) {
#pragma GCC unroll 16
  for (UINT i = 0; i < kDxtBlockTexels; ++i) (pass.Step(i), ...);
}

// Colour indices: each texel's own colour plus the error diffused to it, placed along the
// palette line at t = (c - e0).(e1 - e0) (N - 1) / |e1 - e0|^2; t <= 0 is the first endpoint,
// t >= N - 1 the second, anything between the nearest step. Only an error's component along
// the line ever moves a later t, and the palette steps lie on the line at t = step, so the
// diffusion carries that component alone: the texel's t minus its step. No branch on t, which
// follows the image and defeats prediction.
class ColorIndexPass {
 public:
  ColorIndexPass(const V4* texels, const V4* palette, int steps, UINT transparent)
      : indexOfStep_(steps == 4 ? kFourColorIndex : kThreeColorIndex),
        lastStep_(steps - 1),
        transparent_(transparent) {
    const V4 axis = Sub(palette[1], palette[0]);
    const float length2 = Dot3(axis, axis);
    const float scale = length2 == 0.0f ? 0.0f : float(steps - 1) / length2;
    const V4 weights = WeightVector();
    // Positions carry the rounding offset, so the step is the chain's next operation.
    for (UINT i = 0; i < kDxtBlockTexels; ++i)
      position_[i] = Dot3(Sub(Mul(texels[i], weights), palette[0]), axis) * scale + 0.5f;
  }

  [[gnu::always_inline]] void Step(UINT i) {
    // Transparent texels take index 3 and diffuse nothing.
    if (transparent_ >> i & 1) {
      indices_ |= 3u << (2 * i);
      return;
    }
    const float u = position_[i] + error_[i];
    const int step = std::clamp(int(u), 0, lastStep_);
    Diffuse(error_, i, (u - 0.5f) - float(step));
    indices_ |= DWORD(indexOfStep_[step]) << (2 * i);
  }
  void Write(BYTE* block) const { WriteIndices(block + 4, indices_, 4); }

 private:
  const int* indexOfStep_;
  int lastStep_;
  UINT transparent_;
  float position_[16], error_[16] = {};
  DWORD indices_ = 0;
};

// Eight-alpha indices, as the colour pass: the eight alphas lie evenly along the line from
// alpha0 to alpha1, so the diffusion carries the error in steps, the texel's t minus its step.
class EightAlphaIndexPass {
 public:
  EightAlphaIndexPass(const float* alphas, const BYTE* endpoints) {
    float palette[8];
    AlphaPalette(endpoints[0], endpoints[1], palette);
    const float p0 = palette[0], scale = 7.0f / (palette[1] - p0);  // the endpoints differ
    for (UINT i = 0; i < kDxtBlockTexels; ++i) position_[i] = (alphas[i] - p0) * scale + 0.5f;
  }

  [[gnu::always_inline]] void Step(UINT i) {
    const float u = position_[i] + error_[i];
    const int step = std::clamp(int(u), 0, 7);
    Diffuse(error_, i, (u - 0.5f) - float(step));
    indices_ |= uint64_t(kEightAlphaIndex[step]) << (3 * i);
  }
  void Write(BYTE* block) const { WriteIndices(block + 2, indices_, 6); }

 private:
  float position_[16], error_[16] = {};
  uint64_t indices_ = 0;
};

// Six-alpha indices from each alpha plus the error diffused to it: t <= 0 is the first endpoint,
// t >= 5 the second, anything between the nearest step; alphas beyond the ends and nearer exact
// 0 or 1 take those instead, so the error is carried as alpha.
class SixAlphaIndexPass {
 public:
  SixAlphaIndexPass(const float* alphas, const BYTE* endpoints) : alphas_(alphas) {
    float palette[8];
    AlphaPalette(endpoints[0], endpoints[1], palette);
    for (int s = 0; s < 6; ++s) valueOfStep_[s] = palette[kSixAlphaIndex[s]];
    p0_ = palette[0], p1_ = palette[1];
    scale_ = p0_ == p1_ ? 0.0f : 5.0f / (p1_ - p0_);
    nearZero_ = p0_ * 0.5f, nearOne_ = (p1_ + 1.0f) * 0.5f;
    for (UINT i = 0; i < kDxtBlockTexels; ++i) offset_[i] = alphas[i] - p0_;
  }

  [[gnu::always_inline]] void Step(UINT i) {
    const float a = alphas_[i] + error_[i];
    const float t = (offset_[i] + error_[i]) * scale_;
    const int step = std::clamp(int(t + 0.5f), 0, 5);
    int index = kSixAlphaIndex[step];
    float value = valueOfStep_[step];
    // With one interpolated value (p0 = p1) the exact 1 is still closer for alphas above the
    // middle.
    const bool first = t <= 0.0f, second = t >= 5.0f;
    if (first && a <= nearZero_)
      index = 6, value = 0.0f;
    else if ((second || (first && p0_ == p1_)) && a >= nearOne_)
      index = 7, value = 1.0f;
    Diffuse(error_, i, a - value);
    indices_ |= uint64_t(index) << (3 * i);
  }
  void Write(BYTE* block) const { WriteIndices(block + 2, indices_, 6); }

 private:
  const float* alphas_;
  float valueOfStep_[6], p0_, p1_, scale_, nearZero_, nearOne_;
  float offset_[16], error_[16] = {};
  uint64_t indices_ = 0;
};

// The endpoints of the alpha block from 8-bit alphas whose extremes are minQ and maxQ. True when
// indices remain to be assigned (six-alpha mode, or eight alphas with distinct endpoints); the
// block is complete otherwise.
bool WriteAlphaEndpoints(BYTE* block, const float* alphas, int minQ, int maxQ, bool* six) {
  if (minQ == 255) {
    block[0] = block[1] = 255;
    WriteIndices(block + 2, 0, 6);
    return false;
  }
  *six = minQ == 0 || maxQ == 255;
  const AlphaRange range = OptimizeAlphaEndpoints(alphas, *six ? 6 : 8);
  const BYTE low = BYTE(Quantise(range.low, 255)), high = BYTE(Quantise(range.high, 255));
  block[0] = *six ? low : high;
  block[1] = *six ? high : low;
  if (!*six && low == high) {
    WriteIndices(block + 2, 0, 6);
    return false;
  }
  return true;
}

// Texels with a < 0.5 after the alpha pass (DXT1 only), bit i for texel i.
UINT TransparentMask(const QuantisedBlock& q) {
  UINT mask = 0;
  for (UINT i = 0; i < kDxtBlockTexels; ++i) mask |= UINT(q.alphaLevel[i] == 0) << i;
  return mask;
}

// The endpoints of the colour block of texels whose pre-quantised points are given;
// `transparent` marks the texels that take index 3 (none outside DXT1). True, with the palette
// and its size, when indices remain to be assigned; the block is complete otherwise.
bool WriteColorEndpoints(ColorOptimizer optimize, BYTE* block, WeightedBlock& points, UINT transparent,
                         V4* palette, int* steps) {
  // Phase 1: the mode.
  if (transparent == 0xFFFF) {
    WriteWord(block, 0x0000);
    WriteWord(block + 2, 0xFFFF);
    WriteIndices(block + 4, 0xFFFFFFFF, 4);
    return false;
  }
  const bool three = transparent != 0;
  *steps = three ? 3 : 4;

  // Transparent texels never use the line: fit it to the opaque ones alone, which stand in for
  // them in turn so the optimiser still sees 16 points.
  if (three) {
    UINT opaque[16], opaqueCount = 0;
    for (UINT i = 0; i < kDxtBlockTexels; ++i)
      if (!(transparent >> i & 1)) opaque[opaqueCount++] = i;
    for (UINT i = 0, next = 0; i < kDxtBlockTexels; ++i) {
      if (!(transparent >> i & 1)) continue;
      const UINT from = opaque[next++ % opaqueCount];
      points.r[i] = points.r[from], points.g[i] = points.g[from], points.b[i] = points.b[from];
    }
  }

  // Phase 2: the endpoints, quantised and ordered for the mode.
  const ColorLine line = optimize(points, *steps);
  WORD c0 = Pack565(line.lo), c1 = Pack565(line.hi);
  if (!three && c0 == c1) {
    WriteWord(block, c0);
    WriteWord(block + 2, c1);
    WriteIndices(block + 4, 0, 4);
    return false;
  }
  if (three ? c0 > c1 : c0 < c1) std::swap(c0, c1);
  WriteWord(block, c0);
  WriteWord(block + 2, c1);

  // Phase 3: the palette of the stored endpoints, in weighted units.
  palette[0] = WeightedVector(c0), palette[1] = WeightedVector(c1);
  const V4 axis = Sub(palette[1], palette[0]);
  if (three) {
    palette[2] = Mul(Add(palette[0], palette[1]), Splat(0.5f));
    palette[3] = _mm_setzero_ps();
  } else {
    palette[2] = Add(palette[0], Mul(axis, Splat(kThird)));
    palette[3] = Add(palette[0], Mul(axis, Splat(kTwoThirds)));
  }
  return true;
}

void EncodeColorBlock(ColorOptimizer optimize, BYTE* block, const V4* texels, WeightedBlock& points,
                      UINT transparent) {
  V4 palette[4];
  int steps;
  if (!WriteColorEndpoints(optimize, block, points, transparent, palette, &steps)) return;
  ColorIndexPass color(texels, palette, steps, transparent);
  RunIndexPasses(color);
  color.Write(block);
}

}  // namespace

namespace dxt {

void BlockEncoder::Encode(D3DFORMAT format, BYTE* block, const D3DXCOLOR* in16) const {
  const UINT blockBytes = BlockBytes(format);
  if (blockBytes == 0) return;
  // Saturate (NaN to 1) and, for the premultiplied formats, scale the colour by alpha.
  const bool premultiply = format == D3DFMT_DXT2 || format == D3DFMT_DXT4;
  V4 texels[16];
  for (UINT i = 0; i < kDxtBlockTexels; ++i) {
    const V4 c = _mm_loadu_ps(&in16[i].r);
    const V4 s = _mm_max_ps(_mm_min_ps(c, Splat(1.0f)), _mm_setzero_ps());
    // minps keeps its second operand for NaN: NaN lanes come out as 1, then max keeps them.
    const float a = Lane(s, 3);
    texels[i] = premultiply ? Mul(s, _mm_setr_ps(a, a, a, 1.0f)) : s;
  }

  // DXT1 takes alpha to 0 or 1 and marks the transparent texels; DXT3 stores 4-bit alphas; DXT5
  // 8-bit alphas that its alpha block then fits.
  const bool dxt1 = format == D3DFMT_DXT1, explicitAlpha = format == D3DFMT_DXT2 || format == D3DFMT_DXT3;
  QuantisedBlock q;
  if (dxt1)
    QuantiseTexels(texels, 1, 1.0f, &q);
  else if (explicitAlpha)
    QuantiseTexels(texels, 15, kUnit4, &q);
  else
    QuantiseTexels(texels, 255, kUnit8, &q);

  if (dxt1) {
    EncodeColorBlock(optimize_, block, texels, q.points, TransparentMask(q));
    return;
  }
  if (explicitAlpha) {
    EncodeColorBlock(optimize_, block + 8, texels, q.points, 0);
    for (UINT i = 0; i < 8; ++i) block[i] = BYTE(q.alphaLevel[2 * i] | q.alphaLevel[2 * i + 1] << 4);
    return;
  }
  const auto [minQ, maxQ] = std::minmax_element(q.alphaLevel, q.alphaLevel + 16);
  bool six = false;
  const bool alphaIndices = WriteAlphaEndpoints(block, q.alpha, *minQ, *maxQ, &six);
  V4 palette[4];
  int steps;
  const bool colorIndices = WriteColorEndpoints(optimize_, block + 8, q.points, 0, palette, &steps);
  auto run = [&](auto& alpha) {
    if (colorIndices) {
      ColorIndexPass color(texels, palette, steps, 0);
      RunIndexPasses(color, alpha);
      color.Write(block + 8);
    } else {
      RunIndexPasses(alpha);
    }
    alpha.Write(block);
  };
  if (alphaIndices && six) {
    SixAlphaIndexPass alpha(q.alpha, block);
    run(alpha);
  } else if (alphaIndices) {
    EightAlphaIndexPass alpha(q.alpha, block);
    run(alpha);
  } else if (colorIndices) {
    ColorIndexPass color(texels, palette, steps, 0);
    RunIndexPasses(color);
    color.Write(block + 8);
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
