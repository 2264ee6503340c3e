// Specialised span routines for the common state combinations: one texture sampled at a single
// level (point or bilinear, wrap or clamp), combined with the diffuse colour, optional
// less-or-equal depth test and write, and no, additive or source-alpha blending. Fixed-point
// arithmetic on packed pixels; no state lookups inside the loop. Everything else takes the
// general path.
#include <cmath>

#include "kernels.h"
#include "pixel.h"
#include "sample.h"

namespace swr {
namespace {

using namespace kernel;

// Level selection as the general sampler makes it, then single-level fetches.
template <Addressing ADDR>
uint32_t sampleMip(const Sampler& s, const TexRef* levels, float u, float v, float dudx, float dvdx,
                   float dudy, float dvdy) {
  float lod = textureLod(s, dudx, dvdx, dudy, dvdy);
  auto fetch = [&](int level, Filter filter) {
    return filter == Filter::Point ? samplePoint<ADDR>(levels[level], u, v)
                                   : sampleBilinear<ADDR>(levels[level], u, v);
  };
  if (lod <= 0.0f || s.mip == MipMode::None) return fetch(s.maxLevel, lod <= 0.0f ? s.mag : s.min);
  int last = s.levelCount - 1;
  auto clampLevel = [&](int l) { return l < s.maxLevel ? s.maxLevel : (l > last ? last : l); };
  if (s.mip == MipMode::Nearest) return fetch(clampLevel(int(lod + 0.5f)), s.min);
  if (lod > 64.0f) lod = 64.0f;
  int l0 = int(lod);
  uint32_t f = uint32_t((lod - float(l0)) * 256.0f + 0.5f);
  return lerp8(fetch(clampLevel(l0), s.min), fetch(clampLevel(l0 + 1), s.min), f);
}

template <TexPath TEX, Addressing ADDR, BlendPath BLEND, DepthPath DEPTH>
void fastSpan(const Tri& t, const Target& tg, const Spans& sp) {
  if ((DEPTH != DepthPath::None && !tg.depth) || !tg.color) return generalSpan(t, tg, sp);
  const PixelState& ps = *t.ps;
  const Stage& g = ps.stage[0];
  const TexRef tex = TEX != TexPath::None ? texRef(ps.samp[0], ps.fast.level) : TexRef{};
  TexRef levels[16];
  if (TEX == TexPath::Mip)
    for (int l = 0; l < ps.samp[0].levelCount; ++l) levels[l] = texRef(ps.samp[0], l);
  const bool gouraud = !t.constDiffuse;
  const StageColor colorMode = ps.fast.color, alphaMode = ps.fast.alpha;
  const uint32_t dstAlpha = tg.colorHasAlpha ? 0u : 0xFF000000u;  // X8R8G8B8 reads alpha 1
  for (int r = 0; r < sp.rows; ++r) {
    const int y = sp.y0 + r, x0 = sp.x0[r], x1 = sp.x1[r];
    if (x0 >= x1) continue;
    const float dy = float(y) - t.refY;
    const float zRow = t.z.c, zdx = t.z.dx, zdy = t.z.dy * dy;
    const float rRow = t.rhw.c + t.rhw.dy * dy, rdx = t.rhw.dx;
    float uRow = 0, udx = 0, vRow = 0, vdx = 0;
    if (TEX != TexPath::None) {
      uRow = t.v[g.texSlot].c + t.v[g.texSlot].dy * dy, udx = t.v[g.texSlot].dx;
      vRow = t.v[g.texSlot + 1].c + t.v[g.texSlot + 1].dy * dy, vdx = t.v[g.texSlot + 1].dx;
    }
    float cRow[4] = {0, 0, 0, 0}, cdx[4] = {0, 0, 0, 0};
    if (gouraud)
      for (int i = 0; i < 4; ++i) cRow[i] = t.v[i].c + t.v[i].dy * dy, cdx[i] = t.v[i].dx;
    uint32_t* cp = tg.color + size_t(y) * tg.colorPitch;
    uint32_t* dp = DEPTH != DepthPath::None ? tg.depth + size_t(y) * tg.depthPitch : nullptr;
    for (int x = x0; x < x1; ++x) {
      const float dx = float(x) - t.refX;
      uint32_t zi = 0;
      if (DEPTH != DepthPath::None) {
        zi = depthBits((zRow + zdx * dx) + zdy);
        if (zi > (dp[x] >> 8)) continue;
      }
      const float rhw = rRow + rdx * dx;
      const float w = rhw != 0.0f ? 1.0f / rhw : 0.0f;
      uint32_t diffuse = t.diffuse8;
      if (gouraud) {
        diffuse = quantize(cRow[3] + cdx[3] * dx, w) << 24 | quantize(cRow[0] + cdx[0] * dx, w) << 16 |
                  quantize(cRow[1] + cdx[1] * dx, w) << 8 | quantize(cRow[2] + cdx[2] * dx, w);
      }
      uint32_t texel = 0xFFFFFFFFu;
      if (TEX != TexPath::None) {
        float u = (uRow + udx * dx) * w, v = (vRow + vdx * dx) * w;
        if (TEX == TexPath::Mip) {
          const Plane &pu = t.v[g.texSlot], &pv = t.v[g.texSlot + 1];
          texel = sampleMip<ADDR>(ps.samp[0], levels, u, v, (pu.dx - u * t.rhw.dx) * w,
                                  (pv.dx - v * t.rhw.dx) * w, (pu.dy - u * t.rhw.dy) * w,
                                  (pv.dy - v * t.rhw.dy) * w);
        } else {
          texel = TEX == TexPath::Point ? samplePoint<ADDR>(tex, u, v) : sampleBilinear<ADDR>(tex, u, v);
        }
      }
      uint32_t src = combine(colorMode, alphaMode, texel, diffuse);
      uint32_t out = src;
      if (BLEND == BlendPath::Add) out = addSat(src, cp[x] | dstAlpha);
      if (BLEND == BlendPath::Alpha) out = blendAlpha(src, cp[x] | dstAlpha);
      cp[x] = out;
      if (DEPTH == DepthPath::TestWrite) dp[x] = (zi << 8) | (dp[x] & 255);
    }
  }
}

template <TexPath TEX, Addressing ADDR, BlendPath BLEND, DepthPath DEPTH>
struct ScalarFamily {
  static SpanFn get() { return fastSpan<TEX, ADDR, BLEND, DEPTH>; }
};

// Kinds for which the texel is read.
bool samples(const FastPath& f) {
  return f.color == StageColor::Modulate || f.color == StageColor::Texture ||
         f.alpha == StageColor::Modulate || f.alpha == StageColor::Texture;
}

// The blend and depth parts of the state, or false when the routines have no variant for them.
bool analyseTests(const PixelState& ps, FastPath& f) {
  if (ps.depthTest && ps.zfunc != Compare::LessEqual) return false;
  f.depth = !ps.depthTest ? DepthPath::None : ps.depthWrite ? DepthPath::TestWrite : DepthPath::Test;
  f.blend = BlendPath::None;
  if (!ps.blend) return true;
  if (!(ps.alphaBlend == ps.colorBlend) || ps.colorBlend.op != BlendOp::Add) return false;
  const BlendFactor src = ps.colorBlend.src, dst = ps.colorBlend.dst;
  if (src == BlendFactor::One && dst == BlendFactor::One)
    f.blend = BlendPath::Add;
  else if (src == BlendFactor::SrcAlpha && dst == BlendFactor::InvSrcAlpha)
    f.blend = BlendPath::Alpha;
  else if (!(src == BlendFactor::One && dst == BlendFactor::Zero))
    return false;
  return true;
}

// Stage 0's colour and alpha operations as one of the StageColor kinds.
bool analyseStage(const Stage& g, FastPath& f) {
  // Arguments as these routines understand them: texture or diffuse, no modifiers. A missing
  // texture reads as white in colour arguments and as the diffuse alpha in alpha ones.
  enum class Kind { Other, Diffuse, Texel, White };
  auto kind = [&](const StageArg& a, bool alpha) {
    if (a.complement || a.alphaReplicate) return Kind::Other;
    if (a.source == ArgSource::Texture) return g.hasTex ? Kind::Texel : alpha ? Kind::Diffuse : Kind::White;
    if (a.source == ArgSource::Diffuse || a.source == ArgSource::Current) return Kind::Diffuse;
    return Kind::Other;
  };
  auto mode = [&](const StageOperation& o, bool alpha, StageColor& out) {
    const Kind a1 = kind(o.arg1, alpha), a2 = kind(o.arg2, alpha);
    if (alpha && o.op == TextureOp::Disable) return out = StageColor::Diffuse, true;
    if (o.op == TextureOp::SelectArg1 || o.op == TextureOp::SelectArg2) {
      switch (o.op == TextureOp::SelectArg1 ? a1 : a2) {
        case Kind::Diffuse:
          return out = StageColor::Diffuse, true;
        case Kind::Texel:
          return out = StageColor::Texture, true;
        case Kind::White:
          return out = alpha ? StageColor::Diffuse : StageColor::White, true;
        default:
          return false;
      }
    }
    if (o.op != TextureOp::Modulate) return false;
    auto pairOf = [&](Kind x, Kind y) { return (a1 == x && a2 == y) || (a1 == y && a2 == x); };
    if (pairOf(Kind::Texel, Kind::Diffuse)) return out = StageColor::Modulate, true;
    if (pairOf(Kind::White, Kind::Diffuse)) return out = StageColor::Diffuse, true;
    return false;
  };
  return !g.toTemp && mode(g.color, false, f.color) && mode(g.alpha, true, f.alpha);
}

// The sampler of a sampled stage 0: addressing, filter and level.
bool analyseSampler(const Sampler& s, FastPath& f) {
  f.level = s.maxLevel;
  bool pow2 = true;
  for (int l = 0; l < s.levelCount; ++l) {
    const SampledLevel& lv = s.level[l];
    pow2 = pow2 && (lv.width & (lv.width - 1)) == 0 && (lv.height & (lv.height - 1)) == 0;
  }
  if (s.addressU == Address::Wrap && s.addressV == Address::Wrap)
    f.addr = pow2 ? Addressing::Wrap : Addressing::WrapAny;
  else if (s.addressU == Address::Clamp && s.addressV == Address::Clamp)
    f.addr = Addressing::Clamp;
  else
    return false;
  f.tex = s.mip != MipMode::None || s.mag != s.min ? TexPath::Mip
          : s.mag == Filter::Point                 ? TexPath::Point
                                                   : TexPath::Linear;
  return true;
}

}  // namespace

SpanFn chooseKernel(PixelState& ps) {
  ps.kernelName = "general";
  ps.scalarSpan = generalSpan;
  ps.simdSpan = false;
  FastPath f;
  if (!analyse(ps, f)) return generalSpan;
  ps.fast = f;
  ps.scalarSpan = pickRoutine<ScalarFamily>(f);
  ps.kernelName = "fast";
  if (SpanFn simd = chooseSimdKernel(ps, f)) return ps.simdSpan = true, simd;
  return ps.scalarSpan;
}

bool analyse(const PixelState& ps, FastPath& f) {
  f = FastPath{};
  if (ps.specularAdd || ps.alphaTest || ps.stencil || ps.writeMask != 0xFFFFFFFFu || ps.stageCount > 1)
    return false;
  if (!analyseTests(ps, f)) return false;
  if (ps.stageCount == 0) return true;
  if (!analyseStage(ps.stage[0], f)) return false;
  return !samples(f) || analyseSampler(ps.samp[0], f);
}

}  // namespace swr
