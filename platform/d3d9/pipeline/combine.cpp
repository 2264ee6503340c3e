// The texture-stage cascade in floating point (the general path).
#include "internal.h"

namespace swr {
namespace {

float sat(float x) { return x > 1.0f ? 1.0f : (x > 0.0f ? x : 0.0f); }

struct Ctx {
  const PixelState& ps;
  const Float4& diffuse;
  const Float4& specular;
  const Float4* tex;
  Float4 cur, temp;
};

Float4 argument(const Ctx& c, int stage, uint32_t sel, bool alpha) {
  static const Float4 white{1, 1, 1, 1};
  Float4 v;
  switch (sel & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE:
      v = c.diffuse;
      break;
    case D3DTA_CURRENT:
      v = c.cur;
      break;
    case D3DTA_TEXTURE:
      v = c.ps.stage[stage].hasTex ? c.tex[stage] : (alpha ? c.diffuse : white);
      break;
    case D3DTA_TFACTOR:
      v = unpackColor(c.ps.tfactor);
      break;
    case D3DTA_SPECULAR:
      v = c.specular;
      break;
    case D3DTA_TEMP:
      v = c.temp;
      break;
    case D3DTA_CONSTANT:
      v = unpackColor(c.ps.stage[stage].constant);
      break;
    default:
      v = c.diffuse;
      break;
  }
  if (sel & D3DTA_ALPHAREPLICATE) v.r = v.g = v.b = v.a;
  if (sel & D3DTA_COMPLEMENT) v = {1 - v.r, 1 - v.g, 1 - v.b, 1 - v.a};
  return v;
}

// One channel of an operation; `a1a` is arg1's alpha (for the *ALPHA_ADDCOLOR family).
float operate(int op, float a0, float a1, float a2, float a1a, const Ctx& c, int stage) {
  switch (op) {
    case D3DTOP_SELECTARG2:
      return a2;
    case D3DTOP_MODULATE:
      return a1 * a2;
    case D3DTOP_MODULATE2X:
      return sat(2 * a1 * a2);
    case D3DTOP_MODULATE4X:
      return sat(4 * a1 * a2);
    case D3DTOP_ADD:
      return sat(a1 + a2);
    case D3DTOP_ADDSIGNED:
      return sat(a1 + a2 - 0.5f);
    case D3DTOP_ADDSIGNED2X:
      return sat(2 * (a1 + a2 - 0.5f));
    case D3DTOP_SUBTRACT:
      return sat(a1 - a2);
    case D3DTOP_ADDSMOOTH:
      return sat(a1 + a2 - a1 * a2);
    case D3DTOP_BLENDDIFFUSEALPHA:
      return a1 * c.diffuse.a + a2 * (1 - c.diffuse.a);
    case D3DTOP_BLENDTEXTUREALPHA: {
      float t = c.ps.stage[stage].hasTex ? c.tex[stage].a : 1.0f;
      return a1 * t + a2 * (1 - t);
    }
    case D3DTOP_BLENDFACTORALPHA: {
      float t = float(c.ps.tfactor >> 24) / 255.0f;
      return a1 * t + a2 * (1 - t);
    }
    case D3DTOP_BLENDTEXTUREALPHAPM: {
      float t = c.ps.stage[stage].hasTex ? c.tex[stage].a : 1.0f;
      return sat(a1 + a2 * (1 - t));
    }
    case D3DTOP_BLENDCURRENTALPHA:
      return a1 * c.cur.a + a2 * (1 - c.cur.a);
    case D3DTOP_MODULATEALPHA_ADDCOLOR:
      return sat(a1 + a1a * a2);
    case D3DTOP_MODULATECOLOR_ADDALPHA:
      return sat(a1 * a2 + a1a);
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
      return sat((1 - a1a) * a2 + a1);
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
      return sat((1 - a1) * a2 + a1a);
    case D3DTOP_MULTIPLYADD:
      return sat(a0 + a1 * a2);
    case D3DTOP_LERP:
      return a0 * a1 + (1 - a0) * a2;
    default:
      return a1;  // SELECTARG1 and the operations this device treats like it
  }
}

}  // namespace

Float4 combineStages(const PixelState& ps, const Float4& diffuse, const Float4& specular, const Float4* tex) {
  Ctx c{ps, diffuse, specular, tex, diffuse, {0, 0, 0, 0}};
  for (int s = 0; s < ps.stageCount; ++s) {
    const Stage& g = ps.stage[s];
    Float4 c0 = argument(c, s, g.colorArg[0], false), c1 = argument(c, s, g.colorArg[1], false),
           c2 = argument(c, s, g.colorArg[2], false);
    Float4 out;
    if (g.colorOp == D3DTOP_DOTPRODUCT3) {
      float d = sat(4 * ((c1.r - 0.5f) * (c2.r - 0.5f) + (c1.g - 0.5f) * (c2.g - 0.5f) +
                         (c1.b - 0.5f) * (c2.b - 0.5f)));
      out = {d, d, d, d};
    } else {
      out.r = sat(operate(g.colorOp, c0.r, c1.r, c2.r, c1.a, c, s));
      out.g = sat(operate(g.colorOp, c0.g, c1.g, c2.g, c1.a, c, s));
      out.b = sat(operate(g.colorOp, c0.b, c1.b, c2.b, c1.a, c, s));
      if (g.alphaOp == D3DTOP_DISABLE || g.alphaOp < 1 || g.alphaOp > D3DTOP_LERP) {
        out.a = c.cur.a;
      } else {
        Float4 a0 = argument(c, s, g.alphaArg[0], true), a1 = argument(c, s, g.alphaArg[1], true),
               a2 = argument(c, s, g.alphaArg[2], true);
        out.a =
            g.alphaOp == D3DTOP_DOTPRODUCT3 ? c.cur.a : sat(operate(g.alphaOp, a0.a, a1.a, a2.a, a1.a, c, s));
      }
    }
    (g.toTemp ? c.temp : c.cur) = out;
  }
  return c.cur;
}

}  // namespace swr
