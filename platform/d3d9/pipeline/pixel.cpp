// The general per-pixel path: any state combination, one pixel at a time in floating point. The
// specialised kernels must agree with it; the reference rasteriser uses it for every pixel.
#include <algorithm>
#include <cmath>

#include "pixel.h"

#include "combine.h"

namespace swr {
namespace {

float sat(float x) { return x > 1.0f ? 1.0f : (x > 0.0f ? x : 0.0f); }
float q8(float x) { return std::floor(sat(x) * 255.0f + 0.5f) / 255.0f; }

uint32_t stencilOp(StencilOp op, uint32_t s, uint32_t ref) {
  switch (op) {
    case StencilOp::Zero:
      return 0;
    case StencilOp::Replace:
      return ref;
    case StencilOp::IncrSat:
      return s < 255 ? s + 1 : 255;
    case StencilOp::DecrSat:
      return s > 0 ? s - 1 : 0;
    case StencilOp::Invert:
      return ~s & 255;
    case StencilOp::Incr:
      return (s + 1) & 255;
    case StencilOp::Decr:
      return (s - 1) & 255;
    default:
      return s;
  }
}

// Blend factor for one channel; `alpha` selects the alpha-channel meaning of SRCALPHASAT.
float factor(BlendFactor f, float s, float d, float sa, float da, float bf, bool alpha) {
  switch (f) {
    case BlendFactor::Zero:
      return 0;
    case BlendFactor::One:
      return 1;
    case BlendFactor::SrcColor:
      return s;
    case BlendFactor::InvSrcColor:
      return 1 - s;
    case BlendFactor::SrcAlpha:
    case BlendFactor::BothSrcAlpha:
      return sa;
    case BlendFactor::InvSrcAlpha:
    case BlendFactor::BothInvSrcAlpha:
      return 1 - sa;
    case BlendFactor::DestAlpha:
      return da;
    case BlendFactor::InvDestAlpha:
      return 1 - da;
    case BlendFactor::DestColor:
      return d;
    case BlendFactor::InvDestColor:
      return 1 - d;
    case BlendFactor::SrcAlphaSat:
      return alpha ? 1.0f : std::min(sa, 1 - da);
    case BlendFactor::Factor:
      return bf;
    case BlendFactor::InvFactor:
      return 1 - bf;
    default:
      return 1;
  }
}

float blendOp(BlendOp op, float s, float fs, float d, float fd) {
  switch (op) {
    case BlendOp::Subtract:
      return s * fs - d * fd;
    case BlendOp::RevSubtract:
      return d * fd - s * fs;
    case BlendOp::Min:
      return std::min(s, d);
    case BlendOp::Max:
      return std::max(s, d);
    default:
      return s * fs + d * fd;
  }
}

}  // namespace

uint32_t blendColor(const PixelState& ps, const Float4& src, uint32_t dstWord, bool dstHasAlpha) {
  Float4 d = unpackColor(dstWord, !dstHasAlpha);
  Float4 bf = unpackColor(ps.blendFactor);
  // The BOTH factors set the destination factor too.
  auto both = [](BlendEquation e) {
    if (e.src == BlendFactor::BothSrcAlpha) e.dst = BlendFactor::InvSrcAlpha;
    if (e.src == BlendFactor::BothInvSrcAlpha) e.dst = BlendFactor::SrcAlpha;
    return e;
  };
  const BlendEquation ce = both(ps.colorBlend), ae = both(ps.alphaBlend);
  auto ch = [&](float s, float dd, float b) {
    return blendOp(ce.op, s, factor(ce.src, s, dd, src.a, d.a, b, false), dd,
                   factor(ce.dst, s, dd, src.a, d.a, b, false));
  };
  Float4 o{ch(src.r, d.r, bf.r), ch(src.g, d.g, bf.g), ch(src.b, d.b, bf.b),
           blendOp(ae.op, src.a, factor(ae.src, src.a, d.a, src.a, d.a, bf.a, true), d.a,
                   factor(ae.dst, src.a, d.a, src.a, d.a, bf.a, true))};
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
  if (const int k = ps.specularSlot; k >= 0)
    specular = {sat(val[k]), sat(val[k + 1]), sat(val[k + 2]), sat(val[k + 3])};
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
    const StencilFace& face = t.back ? ps.stencilBack : ps.stencilFront;
    auto writeStencil = [&](StencilOp op) {
      uint32_t n = stencilOp(op, st, ps.stencilRef);
      st = (st & ~ps.stencilWriteMask) | (n & ps.stencilWriteMask);
    };
    if (stencil && !compare(face.func, ps.stencilRef & ps.stencilMask, st & ps.stencilMask)) {
      writeStencil(face.fail);
      *dp = (word & ~255u) | st;
      return;
    }
    if (ps.depthTest && !compare(ps.zfunc, zi, word >> 8)) {
      if (stencil) {
        writeStencil(face.zFail);
        *dp = (word & ~255u) | st;
      }
      return;
    }
    if (stencil) writeStencil(face.pass);
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
