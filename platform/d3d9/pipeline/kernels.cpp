// Specialised span routines for the common state combinations: one texture sampled at a single
// level (point or bilinear, wrap or clamp), combined with the diffuse colour, optional
// less-or-equal depth test and write, and no, additive or source-alpha blending. Fixed-point
// arithmetic on packed pixels; no state lookups inside the loop. Everything else takes the
// general path.
#include <cmath>

#include "internal.h"
#include "kernels.h"

namespace swr {
namespace {

using namespace kernel;

// Level selection as the general sampler makes it, then single-level fetches.
template <int ADDR>
uint32_t sampleMip(const Sampler& s, const TexRef* levels, float u, float v, float dudx, float dvdx,
                   float dudy, float dvdy) {
  float lod = textureLod(s, dudx, dvdx, dudy, dvdy);
  auto fetch = [&](int level, Filter filter) {
    return filter == Filter::Point ? samplePoint<ADDR>(levels[level], u, v)
                                   : sampleBilinear<ADDR>(levels[level], u, v);
  };
  if (lod <= 0.0f || s.mip == MipMode::None) return fetch(s.maxLevel, lod <= 0.0f ? s.mag : s.min);
  int last = s.levels - 1;
  auto clampLevel = [&](int l) { return l < s.maxLevel ? s.maxLevel : (l > last ? last : l); };
  if (s.mip == MipMode::Nearest) return fetch(clampLevel(int(lod + 0.5f)), s.min);
  if (lod > 64.0f) lod = 64.0f;
  int l0 = int(lod);
  uint32_t f = uint32_t((lod - float(l0)) * 256.0f + 0.5f);
  return lerp8(fetch(clampLevel(l0), s.min), fetch(clampLevel(l0 + 1), s.min), f);
}

template <int TEX, int ADDR, int BLEND, int DEPTH>
void fastSpan(const Tri& t, const Target& tg, const Spans& sp) {
  if ((DEPTH != kZNone && !tg.depth) || !tg.color) return generalSpan(t, tg, sp);
  const PixelState& ps = *t.ps;
  const Stage& g = ps.stage[0];
  const TexRef tex = TEX != kTexNone ? texRef(ps.samp[0], ps.fastLevel) : TexRef{};
  TexRef levels[16];
  if (TEX == kTexMip)
    for (int l = 0; l < ps.samp[0].levels; ++l) levels[l] = texRef(ps.samp[0], l);
  const bool gouraud = !t.constDiffuse;
  const int colorMode = ps.fastColor, alphaMode = ps.fastAlpha;
  const uint32_t dstAlpha = tg.colorHasAlpha ? 0u : 0xFF000000u;  // X8R8G8B8 reads alpha 1
  for (int r = 0; r < sp.rows; ++r) {
    const int y = sp.y0 + r, x0 = sp.x0[r], x1 = sp.x1[r];
    if (x0 >= x1) continue;
    const float dy = float(y) - t.refY;
    const float zRow = t.z.c, zdx = t.z.dx, zdy = t.z.dy * dy;
    const float rRow = t.rhw.c + t.rhw.dy * dy, rdx = t.rhw.dx;
    float uRow = 0, udx = 0, vRow = 0, vdx = 0;
    if (TEX != kTexNone) {
      uRow = t.v[g.texSlot].c + t.v[g.texSlot].dy * dy, udx = t.v[g.texSlot].dx;
      vRow = t.v[g.texSlot + 1].c + t.v[g.texSlot + 1].dy * dy, vdx = t.v[g.texSlot + 1].dx;
    }
    float cRow[4] = {0, 0, 0, 0}, cdx[4] = {0, 0, 0, 0};
    if (gouraud)
      for (int i = 0; i < 4; ++i) cRow[i] = t.v[i].c + t.v[i].dy * dy, cdx[i] = t.v[i].dx;
    uint32_t* cp = tg.color + size_t(y) * tg.colorPitch;
    uint32_t* dp = DEPTH != kZNone ? tg.depth + size_t(y) * tg.depthPitch : nullptr;
    for (int x = x0; x < x1; ++x) {
      const float dx = float(x) - t.refX;
      uint32_t zi = 0;
      if (DEPTH != kZNone) {
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
      if (TEX != kTexNone) {
        float u = (uRow + udx * dx) * w, v = (vRow + vdx * dx) * w;
        if (TEX == kTexMip) {
          const Plane &pu = t.v[g.texSlot], &pv = t.v[g.texSlot + 1];
          texel = sampleMip<ADDR>(ps.samp[0], levels, u, v, (pu.dx - u * t.rhw.dx) * w,
                                  (pv.dx - v * t.rhw.dx) * w, (pu.dy - u * t.rhw.dy) * w,
                                  (pv.dy - v * t.rhw.dy) * w);
        } else {
          texel = TEX == kTexPoint ? samplePoint<ADDR>(tex, u, v) : sampleBilinear<ADDR>(tex, u, v);
        }
      }
      uint32_t src = combine(colorMode, alphaMode, texel, diffuse);
      uint32_t out = src;
      if (BLEND == kBlendAdd) out = addSat(src, cp[x] | dstAlpha);
      if (BLEND == kBlendAlpha) out = blendAlpha(src, cp[x] | dstAlpha);
      cp[x] = out;
      if (DEPTH == kZTestWrite) dp[x] = (zi << 8) | (dp[x] & 255);
    }
  }
}

template <int TEX, int ADDR, int BLEND>
SpanFn pickDepth(int depth) {
  switch (depth) {
    case kZTestWrite:
      return fastSpan<TEX, ADDR, BLEND, kZTestWrite>;
    case kZTest:
      return fastSpan<TEX, ADDR, BLEND, kZTest>;
    default:
      return fastSpan<TEX, ADDR, BLEND, kZNone>;
  }
}

template <int TEX, int ADDR>
SpanFn pickBlend(int blend, int depth) {
  switch (blend) {
    case kBlendAdd:
      return pickDepth<TEX, ADDR, kBlendAdd>(depth);
    case kBlendAlpha:
      return pickDepth<TEX, ADDR, kBlendAlpha>(depth);
    default:
      return pickDepth<TEX, ADDR, kBlendNone>(depth);
  }
}

}  // namespace

SpanFn chooseKernel(PixelState& ps) {
  ps.kernelName = "general";
  ps.scalarSpan = generalSpan;
  FastChoice f;
  if (!analyse(ps, f)) return generalSpan;
  ps.fastColor = f.color, ps.fastAlpha = f.alpha, ps.fastLevel = f.level;
  SpanFn scalar;
  if (f.tex == kTexNone)
    scalar = pickBlend<kTexNone, kAddrWrap>(f.blend, f.depth);
  else if (f.tex == kTexPoint)
    scalar = f.addr == kAddrWrap ? pickBlend<kTexPoint, kAddrWrap>(f.blend, f.depth)
                                 : pickBlend<kTexPoint, kAddrClamp>(f.blend, f.depth);
  else if (f.tex == kTexLinear)
    scalar = f.addr == kAddrWrap ? pickBlend<kTexLinear, kAddrWrap>(f.blend, f.depth)
                                 : pickBlend<kTexLinear, kAddrClamp>(f.blend, f.depth);
  else
    scalar = f.addr == kAddrWrap ? pickBlend<kTexMip, kAddrWrap>(f.blend, f.depth)
                                 : pickBlend<kTexMip, kAddrClamp>(f.blend, f.depth);
  ps.scalarSpan = scalar;
  ps.kernelName = "fast";
  if (SpanFn simd = chooseSimdKernel(ps, f)) return simd;
  return scalar;
}

// Which states the specialised routines cover, and how.
bool analyse(const PixelState& ps, FastChoice& f) {
  if (ps.specularAdd || ps.alphaTest || ps.stencil || ps.writeMask != 0xFFFFFFFFu || ps.stageCount > 1)
    return false;
  f.depth = !ps.depthTest                    ? kZNone
            : ps.zfunc != Compare::LessEqual ? -1
            : ps.depthWrite                  ? kZTestWrite
                                             : kZTest;
  if (f.depth < 0) return false;
  f.blend = kBlendNone;
  if (ps.blend) {
    bool sameAlpha = ps.srcBlendA == ps.srcBlend && ps.dstBlendA == ps.dstBlend && ps.blendOpA == ps.blendOp;
    if (!sameAlpha || ps.blendOp != D3DBLENDOP_ADD) return false;
    if (ps.srcBlend == D3DBLEND_ONE && ps.dstBlend == D3DBLEND_ONE)
      f.blend = kBlendAdd;
    else if (ps.srcBlend == D3DBLEND_SRCALPHA && ps.dstBlend == D3DBLEND_INVSRCALPHA)
      f.blend = kBlendAlpha;
    else if (!(ps.srcBlend == D3DBLEND_ONE && ps.dstBlend == D3DBLEND_ZERO))
      return false;
  }
  f.tex = kTexNone, f.addr = kAddrWrap, f.level = 0;
  f.color = kColorDiffuse, f.alpha = kColorDiffuse;
  if (ps.stageCount == 0) return true;
  const Stage& g = ps.stage[0];
  if (g.toTemp) return false;
  // Arguments as this routine understands them: texture or diffuse, no modifiers.
  // A missing texture reads as white in colour arguments and as the diffuse alpha in alpha ones.
  auto kind = [&](uint32_t a, bool alpha) {
    if (a == D3DTA_TEXTURE) return g.hasTex ? 1 : alpha ? 0 : 2;
    if (a == D3DTA_DIFFUSE || a == D3DTA_CURRENT) return 0;
    return -1;
  };
  auto mode = [&](int op, const uint32_t* args, bool alpha, int& out) {
    int a1 = kind(args[1], alpha), a2 = kind(args[2], alpha);
    if (alpha && op == D3DTOP_DISABLE) return out = kColorDiffuse, true;
    int sel = op == D3DTOP_SELECTARG1 ? a1 : op == D3DTOP_SELECTARG2 ? a2 : -2;
    if (sel == 0) return out = kColorDiffuse, true;
    if (sel == 1) return out = kColorTexture, true;
    if (sel == 2) return out = alpha ? kColorDiffuse : kColorWhite, true;
    if (op != D3DTOP_MODULATE) return false;
    if ((a1 == 1 && a2 == 0) || (a1 == 0 && a2 == 1)) return out = kColorModulate, true;
    if ((a1 == 2 && a2 == 0) || (a1 == 0 && a2 == 2)) return out = kColorDiffuse, true;
    return false;
  };
  if (!mode(g.colorOp, g.colorArg, false, f.color) || !mode(g.alphaOp, g.alphaArg, true, f.alpha))
    return false;
  bool sampled = f.color == kColorModulate || f.color == kColorTexture || f.alpha == kColorModulate ||
                 f.alpha == kColorTexture;
  if (!sampled) return true;
  const Sampler& s = ps.samp[0];
  f.level = s.maxLevel;
  bool pow2 = true;
  for (int l = 0; l < s.levels; ++l)
    pow2 = pow2 && (s.w[l] & (s.w[l] - 1)) == 0 && (s.h[l] & (s.h[l] - 1)) == 0;
  if (s.addrU == D3DTADDRESS_WRAP && s.addrV == D3DTADDRESS_WRAP && pow2)
    f.addr = kAddrWrap;
  else if (s.addrU == D3DTADDRESS_CLAMP && s.addrV == D3DTADDRESS_CLAMP)
    f.addr = kAddrClamp;
  else
    return false;
  f.tex = s.mip != MipMode::None || s.mag != s.min ? kTexMip
          : s.mag == Filter::Point                 ? kTexPoint
                                                   : kTexLinear;
  return true;
}

}  // namespace swr
