// The general per-pixel path: any state combination, one pixel at a time in floating point. The
// specialised kernels must agree with it; the reference rasteriser uses it for every pixel.
#include <algorithm>
#include <cmath>

#include "internal.h"

namespace swr {
namespace {

float sat(float x) { return x > 1.0f ? 1.0f : (x > 0.0f ? x : 0.0f); }
float q8(float x) { return std::floor(sat(x) * 255.0f + 0.5f) / 255.0f; }

uint32_t stencilOp(int op, uint32_t s, uint32_t ref) {
  switch (op) {
    case D3DSTENCILOP_ZERO:
      return 0;
    case D3DSTENCILOP_REPLACE:
      return ref;
    case D3DSTENCILOP_INCRSAT:
      return s < 255 ? s + 1 : 255;
    case D3DSTENCILOP_DECRSAT:
      return s > 0 ? s - 1 : 0;
    case D3DSTENCILOP_INVERT:
      return ~s & 255;
    case D3DSTENCILOP_INCR:
      return (s + 1) & 255;
    case D3DSTENCILOP_DECR:
      return (s - 1) & 255;
    default:
      return s;
  }
}

// Blend factor for one channel; `alpha` selects the alpha-channel meaning of SRCALPHASAT.
float factor(int f, float s, float d, float sa, float da, float bf, bool alpha) {
  switch (f) {
    case D3DBLEND_ZERO:
      return 0;
    case D3DBLEND_ONE:
      return 1;
    case D3DBLEND_SRCCOLOR:
      return s;
    case D3DBLEND_INVSRCCOLOR:
      return 1 - s;
    case D3DBLEND_SRCALPHA:
    case D3DBLEND_BOTHSRCALPHA:
      return sa;
    case D3DBLEND_INVSRCALPHA:
    case D3DBLEND_BOTHINVSRCALPHA:
      return 1 - sa;
    case D3DBLEND_DESTALPHA:
      return da;
    case D3DBLEND_INVDESTALPHA:
      return 1 - da;
    case D3DBLEND_DESTCOLOR:
      return d;
    case D3DBLEND_INVDESTCOLOR:
      return 1 - d;
    case D3DBLEND_SRCALPHASAT:
      return alpha ? 1.0f : std::min(sa, 1 - da);
    case D3DBLEND_BLENDFACTOR:
      return bf;
    case D3DBLEND_INVBLENDFACTOR:
      return 1 - bf;
    default:
      return 1;
  }
}

float blendOp(int op, float s, float fs, float d, float fd) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT:
      return s * fs - d * fd;
    case D3DBLENDOP_REVSUBTRACT:
      return d * fd - s * fs;
    case D3DBLENDOP_MIN:
      return std::min(s, d);
    case D3DBLENDOP_MAX:
      return std::max(s, d);
    default:
      return s * fs + d * fd;
  }
}

}  // namespace

// Blends a source colour onto a destination word with the state's factors and operations.
uint32_t blendColor(const PixelState& ps, const Float4& src, uint32_t dstWord, bool dstHasAlpha) {
  Float4 d = unpackColor(dstWord, !dstHasAlpha);
  Float4 bf = unpackColor(ps.blendFactor);
  int sf = ps.srcBlend, df = ps.dstBlend;
  if (sf == D3DBLEND_BOTHSRCALPHA) df = D3DBLEND_INVSRCALPHA;
  if (sf == D3DBLEND_BOTHINVSRCALPHA) df = D3DBLEND_SRCALPHA;
  int sfa = ps.srcBlendA, dfa = ps.dstBlendA;
  if (sfa == D3DBLEND_BOTHSRCALPHA) dfa = D3DBLEND_INVSRCALPHA;
  if (sfa == D3DBLEND_BOTHINVSRCALPHA) dfa = D3DBLEND_SRCALPHA;
  auto ch = [&](float s, float dd, float b) {
    return blendOp(ps.blendOp, s, factor(sf, s, dd, src.a, d.a, b, false), dd,
                   factor(df, s, dd, src.a, d.a, b, false));
  };
  Float4 o{ch(src.r, d.r, bf.r), ch(src.g, d.g, bf.g), ch(src.b, d.b, bf.b),
           blendOp(ps.blendOpA, src.a, factor(sfa, src.a, d.a, src.a, d.a, bf.a, true), d.a,
                   factor(dfa, src.a, d.a, src.a, d.a, bf.a, true))};
  return packColor(o);
}

void shadePixel(const Tri& t, const Target& tg, int px, int py) {
  const PixelState& ps = *t.ps;
  float dx = float(px) - t.refX, dy = float(py) - t.refY;
  auto ev = [&](const Plane& p) { return p.c + p.dx * dx + p.dy * dy; };
  uint32_t zi = depthBits(ev(t.z));
  float rhw = ev(t.rhw);
  float w = rhw != 0.0f ? 1.0f / rhw : 0.0f;
  float val[kMaxVaryings];
  for (int i = t.constDiffuse ? 4 : 0; i < t.nv; ++i) val[i] = ev(t.v[i]) * w;
  Float4 diffuse =
      t.constDiffuse ? unpackColor(t.diffuse8) : Float4{sat(val[0]), sat(val[1]), sat(val[2]), sat(val[3])};
  Float4 specular{0, 0, 0, 0};
  if (ps.specSlot >= 0)
    specular = {sat(val[ps.specSlot]), sat(val[ps.specSlot + 1]), sat(val[ps.specSlot + 2]),
                sat(val[ps.specSlot + 3])};
  Float4 tex[8];
  for (int s = 0; s < ps.stageCount; ++s) {
    const Stage& g = ps.stage[s];
    if (!g.hasTex) continue;
    float u = val[g.texSlot], v = val[g.texSlot + 1];
    const Plane &pu = t.v[g.texSlot], &pv = t.v[g.texSlot + 1];
    float dudx = (pu.dx - u * t.rhw.dx) * w, dudy = (pu.dy - u * t.rhw.dy) * w;
    float dvdx = (pv.dx - v * t.rhw.dx) * w, dvdy = (pv.dy - v * t.rhw.dy) * w;
    tex[s] = sampleTexture(ps.samp[s], u, v, dudx, dvdx, dudy, dvdy);
  }
  Float4 c = ps.stageCount ? combineStages(ps, diffuse, specular, tex) : diffuse;
  if (ps.specularAdd) c.r = sat(c.r + specular.r), c.g = sat(c.g + specular.g), c.b = sat(c.b + specular.b);
  c = {q8(c.r), q8(c.g), q8(c.b), q8(c.a)};
  if (ps.alphaTest && !compare(ps.alphaFunc, uint32_t(c.a * 255.0f + 0.5f), ps.alphaRef)) return;

  uint32_t* dp = tg.depth ? tg.depth + size_t(py) * tg.depthPitch + px : nullptr;
  if (dp) {
    uint32_t word = *dp, st = word & 255;
    bool stencil = ps.stencil && tg.hasStencil;
    int side = t.back ? 1 : 0;
    auto writeStencil = [&](int op) {
      uint32_t n = stencilOp(op, st, ps.sRef);
      st = (st & ~ps.sWriteMask) | (n & ps.sWriteMask);
    };
    if (stencil && !compare(ps.sFunc[side], ps.sRef & ps.sMask, st & ps.sMask)) {
      writeStencil(ps.sFail[side]);
      *dp = (word & ~255u) | st;
      return;
    }
    if (ps.depthTest && !compare(ps.zfunc, zi, word >> 8)) {
      if (stencil) {
        writeStencil(ps.sZFail[side]);
        *dp = (word & ~255u) | st;
      }
      return;
    }
    if (stencil) writeStencil(ps.sPass[side]);
    uint32_t z = ps.depthWrite ? zi << 8 : word & ~255u;
    *dp = z | st;
  }
  if (!tg.color) return;
  uint32_t* cp = tg.color + size_t(py) * tg.colorPitch + px;
  uint32_t out = ps.blend ? blendColor(ps, c, *cp, tg.colorHasAlpha) : packColor(c);
  *cp = (*cp & ~ps.writeMask) | (out & ps.writeMask);
}

void generalSpan(const Tri& t, const Target& tg, const Spans& s) {
  for (int r = 0; r < s.rows; ++r)
    for (int x = s.x0[r]; x < s.x1[r]; ++x) shadePixel(t, tg, x, s.y0 + r);
}

}  // namespace swr
