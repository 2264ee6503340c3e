// The texture-stage cascade in floating point (the general path).
#include "combine.h"

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

Float4 argument(const Ctx& c, int stage, const StageArg& arg, bool alpha) {
  static const Float4 white{1, 1, 1, 1};
  Float4 v;
  switch (arg.source) {
    case ArgSource::Diffuse:
      v = c.diffuse;
      break;
    case ArgSource::Current:
      v = c.cur;
      break;
    case ArgSource::Texture:
      v = c.ps.stage[stage].hasTex ? c.tex[stage] : (alpha ? c.diffuse : white);
      break;
    case ArgSource::TFactor:
      v = unpackColor(c.ps.tfactor);
      break;
    case ArgSource::Specular:
      v = c.specular;
      break;
    case ArgSource::Temp:
      v = c.temp;
      break;
    case ArgSource::Constant:
      v = unpackColor(c.ps.stage[stage].constant);
      break;
    default:
      v = c.diffuse;
      break;
  }
  if (arg.alphaReplicate) v.r = v.g = v.b = v.a;
  if (arg.complement) v = {1 - v.r, 1 - v.g, 1 - v.b, 1 - v.a};
  return v;
}

// One channel of an operation; `a1a` is arg1's alpha (for the *ALPHA_ADDCOLOR family).
float operate(TextureOp op, float a0, float a1, float a2, float a1a, const Ctx& c, int stage) {
  switch (op) {
    case TextureOp::SelectArg2:
      return a2;
    case TextureOp::Modulate:
      return a1 * a2;
    case TextureOp::Modulate2x:
      return sat(2 * a1 * a2);
    case TextureOp::Modulate4x:
      return sat(4 * a1 * a2);
    case TextureOp::Add:
      return sat(a1 + a2);
    case TextureOp::AddSigned:
      return sat(a1 + a2 - 0.5f);
    case TextureOp::AddSigned2x:
      return sat(2 * (a1 + a2 - 0.5f));
    case TextureOp::Subtract:
      return sat(a1 - a2);
    case TextureOp::AddSmooth:
      return sat(a1 + a2 - a1 * a2);
    case TextureOp::BlendDiffuseAlpha:
      return a1 * c.diffuse.a + a2 * (1 - c.diffuse.a);
    case TextureOp::BlendTextureAlpha: {
      float t = c.ps.stage[stage].hasTex ? c.tex[stage].a : 1.0f;
      return a1 * t + a2 * (1 - t);
    }
    case TextureOp::BlendFactorAlpha: {
      float t = float(c.ps.tfactor >> 24) / 255.0f;
      return a1 * t + a2 * (1 - t);
    }
    case TextureOp::BlendTextureAlphaPm: {
      float t = c.ps.stage[stage].hasTex ? c.tex[stage].a : 1.0f;
      return sat(a1 + a2 * (1 - t));
    }
    case TextureOp::BlendCurrentAlpha:
      return a1 * c.cur.a + a2 * (1 - c.cur.a);
    case TextureOp::ModulateAlphaAddColor:
      return sat(a1 + a1a * a2);
    case TextureOp::ModulateColorAddAlpha:
      return sat(a1 * a2 + a1a);
    case TextureOp::ModulateInvAlphaAddColor:
      return sat((1 - a1a) * a2 + a1);
    case TextureOp::ModulateInvColorAddAlpha:
      return sat((1 - a1) * a2 + a1a);
    case TextureOp::MultiplyAdd:
      return sat(a0 + a1 * a2);
    case TextureOp::Lerp:
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
    Float4 c0 = argument(c, s, g.color.arg0, false), c1 = argument(c, s, g.color.arg1, false),
           c2 = argument(c, s, g.color.arg2, false);
    Float4 out;
    if (g.color.op == TextureOp::DotProduct3) {
      float d = sat(4 * ((c1.r - 0.5f) * (c2.r - 0.5f) + (c1.g - 0.5f) * (c2.g - 0.5f) +
                         (c1.b - 0.5f) * (c2.b - 0.5f)));
      out = {d, d, d, d};
    } else {
      out.r = sat(operate(g.color.op, c0.r, c1.r, c2.r, c1.a, c, s));
      out.g = sat(operate(g.color.op, c0.g, c1.g, c2.g, c1.a, c, s));
      out.b = sat(operate(g.color.op, c0.b, c1.b, c2.b, c1.a, c, s));
      if (g.alpha.op == TextureOp::Disable || !validOp(g.alpha.op)) {
        out.a = c.cur.a;
      } else {
        Float4 a0 = argument(c, s, g.alpha.arg0, true), a1 = argument(c, s, g.alpha.arg1, true),
               a2 = argument(c, s, g.alpha.arg2, true);
        out.a = g.alpha.op == TextureOp::DotProduct3 ? c.cur.a
                                                     : sat(operate(g.alpha.op, a0.a, a1.a, a2.a, a1.a, c, s));
      }
    }
    (g.toTemp ? c.temp : c.cur) = out;
  }
  return c.cur;
}

}  // namespace swr
