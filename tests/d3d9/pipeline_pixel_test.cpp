// Per-pixel operations on known 8-bit inputs: blending, alpha test, stencil, write mask, clears,
// texture-stage operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "pipeline_fixture.h"

using namespace pipetest;

namespace {

swr::DrawState flatState(uint32_t w, uint32_t h) {
  swr::DrawState s = defaultState(w, h);
  s.renderState[D3DRS_LIGHTING] = FALSE;
  s.renderState[D3DRS_ZENABLE] = FALSE;
  diffuseOnly(s);
  return s;
}

// One pixel drawn with colour `src` over `dst`.
uint32_t drawOver(swr::DrawState s, uint32_t src, uint32_t dst, bool dstAlpha = true) {
  Canvas c(4, 4, dst);
  c.hasAlpha = dstAlpha;
  swr::Pipeline p;
  touch(s);
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(0, 0, 4, 4, src), c);
  p.flush();
  return c.at(1, 1);
}

double ch(uint32_t c, int shift) { return double((c >> shift) & 255) / 255.0; }

// Blend factor by the book, for channel at `shift` (24 = alpha).
double bookFactor(int f, uint32_t s, uint32_t d, uint32_t bf, int shift, bool dstAlpha) {
  double sa = ch(s, 24), da = dstAlpha ? ch(d, 24) : 1.0, sc = ch(s, shift),
         dc = shift == 24 ? da : ch(d, shift), b = ch(bf, shift);
  switch (f) {
    case D3DBLEND_ZERO:
      return 0;
    case D3DBLEND_ONE:
      return 1;
    case D3DBLEND_SRCCOLOR:
      return sc;
    case D3DBLEND_INVSRCCOLOR:
      return 1 - sc;
    case D3DBLEND_SRCALPHA:
      return sa;
    case D3DBLEND_INVSRCALPHA:
      return 1 - sa;
    case D3DBLEND_DESTALPHA:
      return da;
    case D3DBLEND_INVDESTALPHA:
      return 1 - da;
    case D3DBLEND_DESTCOLOR:
      return dc;
    case D3DBLEND_INVDESTCOLOR:
      return 1 - dc;
    case D3DBLEND_SRCALPHASAT:
      return shift == 24 ? 1.0 : std::min(sa, 1 - da);
    case D3DBLEND_BLENDFACTOR:
      return b;
    case D3DBLEND_INVBLENDFACTOR:
      return 1 - b;
  }
  return -1;
}

}  // namespace

TEST(PipelinePixel, EveryBlendFactorPair) {
  const uint32_t src = 0x80C04020, dst = 0x40206090, bf = 0x3366CC99;
  for (bool dstAlpha : {true, false}) {
    for (int sf = D3DBLEND_ZERO; sf <= D3DBLEND_INVBLENDFACTOR; ++sf) {
      for (int df = D3DBLEND_ZERO; df <= D3DBLEND_INVBLENDFACTOR; ++df) {
        if (sf == D3DBLEND_BOTHSRCALPHA || sf == D3DBLEND_BOTHINVSRCALPHA || df == D3DBLEND_BOTHSRCALPHA ||
            df == D3DBLEND_BOTHINVSRCALPHA)
          continue;
        swr::DrawState s = flatState(4, 4);
        s.renderState[D3DRS_ALPHABLENDENABLE] = TRUE;
        s.renderState[D3DRS_SRCBLEND] = DWORD(sf);
        s.renderState[D3DRS_DESTBLEND] = DWORD(df);
        s.renderState[D3DRS_BLENDFACTOR] = bf;
        uint32_t got = drawOver(s, src, dst, dstAlpha);
        for (int shift : {0, 8, 16, 24}) {
          double d = shift == 24 && !dstAlpha ? 1.0 : ch(dst, shift);
          double want = ch(src, shift) * bookFactor(sf, src, dst, bf, shift, dstAlpha) +
                        d * bookFactor(df, src, dst, bf, shift, dstAlpha);
          int w8 = int(std::lround(std::clamp(want, 0.0, 1.0) * 255));
          EXPECT_NEAR(int((got >> shift) & 255), w8, 1)
              << "src " << sf << " dst " << df << " channel " << shift << " dstAlpha " << dstAlpha;
        }
      }
    }
  }
}

TEST(PipelinePixel, BothAlphaFactorsAndOperations) {
  const uint32_t src = 0x40FF8000, dst = 0xC00080FF;
  swr::DrawState s = flatState(4, 4);
  s.renderState[D3DRS_ALPHABLENDENABLE] = TRUE;
  s.renderState[D3DRS_SRCBLEND] = D3DBLEND_BOTHSRCALPHA;  // src * As + dst * (1 - As)
  s.renderState[D3DRS_DESTBLEND] = D3DBLEND_ZERO;         // overridden
  uint32_t got = drawOver(s, src, dst);
  EXPECT_LE(maxChannelDiff(got, 0xA04080BF), 1) << std::hex << got;
  s.renderState[D3DRS_SRCBLEND] = D3DBLEND_BOTHINVSRCALPHA;  // src * (1 - As) + dst * As
  got = drawOver(s, src, dst);
  EXPECT_LE(maxChannelDiff(got, 0x60BF8040), 1) << std::hex << got;

  s.renderState[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  s.renderState[D3DRS_DESTBLEND] = D3DBLEND_ONE;
  s.renderState[D3DRS_BLENDOP] = D3DBLENDOP_SUBTRACT;
  EXPECT_EQ(drawOver(s, src, dst), 0x00FF0000u);
  s.renderState[D3DRS_BLENDOP] = D3DBLENDOP_REVSUBTRACT;
  EXPECT_EQ(drawOver(s, src, dst), 0x800000FFu);
  s.renderState[D3DRS_BLENDOP] = D3DBLENDOP_MIN;
  EXPECT_EQ(drawOver(s, src, dst), 0x40008000u);
  s.renderState[D3DRS_BLENDOP] = D3DBLENDOP_MAX;
  EXPECT_EQ(drawOver(s, src, dst), 0xC0FF80FFu);
  s.renderState[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
  EXPECT_EQ(drawOver(s, src, dst), 0xFFFFFFFFu);  // saturates

  // Separate alpha: colour additive, alpha replaced by the source.
  s.renderState[D3DRS_SEPARATEALPHABLENDENABLE] = TRUE;
  s.renderState[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
  s.renderState[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
  EXPECT_EQ(drawOver(s, src, dst), 0x40FFFFFFu);
}

TEST(PipelinePixel, ColorWriteMask) {
  swr::DrawState s = flatState(4, 4);
  s.renderState[D3DRS_COLORWRITEENABLE] = D3DCOLORWRITEENABLE_RED | D3DCOLORWRITEENABLE_ALPHA;
  EXPECT_EQ(drawOver(s, 0x11223344, 0xAABBCCDD), 0x1122CCDDu);
  s.renderState[D3DRS_COLORWRITEENABLE] = 0;
  EXPECT_EQ(drawOver(s, 0x11223344, 0xAABBCCDD), 0xAABBCCDDu);
}

TEST(PipelinePixel, AlphaTestReference) {
  struct Case {
    DWORD func;
    bool pass7F, pass80, pass81;
  } cases[] = {{D3DCMP_GREATEREQUAL, false, true, true}, {D3DCMP_GREATER, false, false, true},
               {D3DCMP_LESS, true, false, false},        {D3DCMP_EQUAL, false, true, false},
               {D3DCMP_NOTEQUAL, true, false, true},     {D3DCMP_NEVER, false, false, false}};
  for (const Case& k : cases) {
    swr::DrawState s = flatState(4, 4);
    s.renderState[D3DRS_ALPHATESTENABLE] = TRUE;
    s.renderState[D3DRS_ALPHAREF] = 0x80;
    s.renderState[D3DRS_ALPHAFUNC] = k.func;
    EXPECT_EQ(drawOver(s, 0x7F00FF00, 0) != 0, k.pass7F) << k.func;
    EXPECT_EQ(drawOver(s, 0x8000FF00, 0) != 0, k.pass80) << k.func;
    EXPECT_EQ(drawOver(s, 0x8100FF00, 0) != 0, k.pass81) << k.func;
  }
  // A rejected pixel writes no depth either.
  Canvas c(4, 4, 0);
  swr::DrawState s = flatState(4, 4);
  s.renderState[D3DRS_ZENABLE] = TRUE;
  s.renderState[D3DRS_ALPHATESTENABLE] = TRUE;
  s.renderState[D3DRS_ALPHAREF] = 0x80;
  s.renderState[D3DRS_ALPHAFUNC] = D3DCMP_GREATEREQUAL;
  swr::Pipeline p;
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(0, 0, 4, 4, 0x10FFFFFF, 0.25f), c);
  p.flush();
  EXPECT_EQ(c.z(1, 1), 0xFFFFFFu);
}

TEST(PipelinePixel, StencilMarksAndMasks) {
  Canvas c(16, 16, 0, 0xFFFFFF00u);
  swr::Pipeline p;
  swr::DrawState s = flatState(16, 16);
  // Pass 1: write stencil 5 in the left half, no colour.
  s.renderState[D3DRS_STENCILENABLE] = TRUE;
  s.renderState[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  s.renderState[D3DRS_STENCILPASS] = D3DSTENCILOP_REPLACE;
  s.renderState[D3DRS_STENCILREF] = 5;
  s.renderState[D3DRS_COLORWRITEENABLE] = 0;
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(0, 0, 8, 16, 0xFFFFFFFF), c);
  // Pass 2: draw everywhere where stencil == 5, incrementing it.
  s.renderState[D3DRS_COLORWRITEENABLE] = 0xF;
  s.renderState[D3DRS_STENCILFUNC] = D3DCMP_EQUAL;
  s.renderState[D3DRS_STENCILPASS] = D3DSTENCILOP_INCR;
  s.renderState[D3DRS_STENCILFAIL] = D3DSTENCILOP_INVERT;
  touch(s);
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(0, 0, 16, 16, 0xFFFF0000), c);
  p.flush();
  EXPECT_EQ(c.at(3, 3), 0xFFFF0000u);
  EXPECT_EQ(c.stencil(3, 3), 6u);
  EXPECT_EQ(c.at(12, 3), 0u);
  EXPECT_EQ(c.stencil(12, 3), 0xFFu);
  EXPECT_EQ(c.z(12, 3), 0xFFFFFFu);  // stencil writes keep the depth bits

  // Depth failure runs the z-fail operation; the write mask limits which bits change.
  s.renderState[D3DRS_ZENABLE] = TRUE;
  s.renderState[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  s.renderState[D3DRS_STENCILZFAIL] = D3DSTENCILOP_REPLACE;
  s.renderState[D3DRS_STENCILREF] = 0xA5;
  s.renderState[D3DRS_STENCILWRITEMASK] = 0x0F;
  touch(s);
  Canvas d(16, 16, 0, 0x00000030u);  // depth 0: everything fails LESSEQUAL except z == 0
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(0, 0, 16, 16, 0xFFFF0000, 0.5f), d);
  p.flush();
  EXPECT_EQ(d.stencil(4, 4), 0x35u);
  EXPECT_EQ(d.at(4, 4), 0u);

  // Saturating operations and the read mask.
  for (auto [op, start, want] : {std::tuple{D3DSTENCILOP_INCRSAT, 255u, 255u},
                                 {D3DSTENCILOP_DECRSAT, 0u, 0u},
                                 {D3DSTENCILOP_INCR, 255u, 0u},
                                 {D3DSTENCILOP_DECR, 0u, 255u},
                                 {D3DSTENCILOP_ZERO, 77u, 0u},
                                 {D3DSTENCILOP_KEEP, 77u, 77u}}) {
    Canvas e(4, 4, 0, 0xFFFFFF00u | start);
    swr::DrawState t = flatState(4, 4);
    t.renderState[D3DRS_STENCILENABLE] = TRUE;
    t.renderState[D3DRS_STENCILFUNC] = D3DCMP_EQUAL;
    t.renderState[D3DRS_STENCILREF] = 0xF0 | (start & 0x0F);
    t.renderState[D3DRS_STENCILMASK] = 0x0F;
    t.renderState[D3DRS_STENCILPASS] = DWORD(op);
    drawUP(p, t, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(0, 0, 4, 4, 0xFFFFFFFF), e);
    p.flush();
    EXPECT_EQ(e.stencil(1, 1), want) << "op " << op;
    EXPECT_EQ(e.at(1, 1), 0xFFFFFFFFu) << "op " << op;
  }
}

TEST(PipelinePixel, TwoSidedStencilUsesCounterClockwiseOps) {
  Canvas c(16, 16, 0, 0xFFFFFF00u);
  swr::Pipeline p;
  swr::DrawState s = flatState(16, 16);
  s.renderState[D3DRS_CULLMODE] = D3DCULL_NONE;
  s.renderState[D3DRS_STENCILENABLE] = TRUE;
  s.renderState[D3DRS_TWOSIDEDSTENCILMODE] = TRUE;
  s.renderState[D3DRS_STENCILPASS] = D3DSTENCILOP_INCR;
  s.renderState[D3DRS_CCW_STENCILPASS] = D3DSTENCILOP_DECR;
  std::vector<TLVertex> cw = {{0, 0, 0, 1, ~0u, 0, 0}, {8, 0, 0, 1, ~0u, 0, 0}, {0, 8, 0, 1, ~0u, 0, 0}};
  std::vector<TLVertex> ccw = {{16, 16, 0, 1, ~0u, 0, 0}, {16, 8, 0, 1, ~0u, 0, 0}, {8, 16, 0, 1, ~0u, 0, 0}};
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 1, cw, c);
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 1, ccw, c);
  p.flush();
  EXPECT_EQ(c.stencil(1, 1), 1u);
  EXPECT_EQ(c.stencil(14, 14), 255u);
}

TEST(PipelinePixel, ClearWithRectanglesAndViewport) {
  Canvas c(32, 32, 0x11111111, 0x12345678);
  swr::Pipeline p;
  D3DVIEWPORT9 vp{0, 0, 32, 32, 0, 1};
  D3DRECT r[2] = {{2, 2, 6, 6}, {20, 20, 40, 40}};
  p.clear(c.targets(), vp, 2, r, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF00FF00, 0.5f, 0);
  p.flush();
  EXPECT_EQ(c.at(3, 3), 0xFF00FF00u);
  EXPECT_EQ(c.at(31, 31), 0xFF00FF00u);
  EXPECT_EQ(c.at(10, 10), 0x11111111u);
  EXPECT_EQ(c.at(6, 6), 0x11111111u);
  EXPECT_EQ(c.z(3, 3), uint32_t(0.5f * 16777215 + 0.5f));
  EXPECT_EQ(c.stencil(3, 3), 0x78u);  // not asked for
  // Stencil alone keeps depth; the viewport bounds a clear without rectangles.
  D3DVIEWPORT9 small{8, 8, 4, 4, 0, 1};
  p.clear(c.targets(), small, 0, nullptr, D3DCLEAR_STENCIL, 0, 0, 0x1FF);
  p.flush();
  EXPECT_EQ(c.stencil(9, 9), 0xFFu);
  EXPECT_EQ(c.z(9, 9), 0x123456u);
  EXPECT_EQ(c.stencil(12, 12), 0x78u);
  // Rectangles far outside the target and inverted ones are harmless.
  D3DRECT odd[2] = {{-100000, -5, 100000, 3}, {10, 10, 5, 5}};
  p.clear(c.targets(), vp, 2, odd, D3DCLEAR_TARGET, 0xFFFFFFFF, 2.0f, 0);
  p.flush();
  EXPECT_EQ(c.at(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(c.at(31, 2), 0xFFFFFFFFu);
  EXPECT_EQ(c.at(31, 3), 0x11111111u);
}

// Clears and draws keep their order inside the deferred bins.
TEST(PipelinePixel, ClearsAndDrawsStayInOrder) {
  Canvas c(128, 128, 0);
  swr::Pipeline p;
  swr::DrawState s = flatState(128, 128);
  D3DVIEWPORT9 vp{0, 0, 128, 128, 0, 1};
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(0, 0, 128, 128, 0xFFFF0000), c);
  p.clear(c.targets(), vp, 0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1, 0);
  drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(0, 0, 64, 64, 0xFF00FF00), c);
  p.flush();
  EXPECT_EQ(c.at(10, 10), 0xFF00FF00u);
  EXPECT_EQ(c.at(100, 100), 0xFF0000FFu);
}

namespace {

// Colour of one pixel after stage 0 (and optionally 1) with the given ops on TFACTOR/DIFFUSE.
uint32_t stageResult(DWORD op, DWORD a1, DWORD a2, uint32_t diffuse, uint32_t tfactor,
                     DWORD aop = D3DTOP_SELECTARG1, DWORD aa1 = D3DTA_DIFFUSE, DWORD aa2 = D3DTA_CURRENT) {
  swr::DrawState s = flatState(4, 4);
  s.stageState[0][D3DTSS_COLOROP] = op;
  s.stageState[0][D3DTSS_COLORARG1] = a1;
  s.stageState[0][D3DTSS_COLORARG2] = a2;
  s.stageState[0][D3DTSS_ALPHAOP] = aop;
  s.stageState[0][D3DTSS_ALPHAARG1] = aa1;
  s.stageState[0][D3DTSS_ALPHAARG2] = aa2;
  s.renderState[D3DRS_TEXTUREFACTOR] = tfactor;
  return drawOver(s, diffuse, 0);
}

}  // namespace

TEST(PipelinePixel, StageOperations) {
  const uint32_t d = 0x80402010, f = 0x40808080;
  EXPECT_EQ(stageResult(D3DTOP_SELECTARG1, D3DTA_TFACTOR, 0, d, f), 0x80808080u);
  EXPECT_EQ(stageResult(D3DTOP_SELECTARG2, D3DTA_TFACTOR, D3DTA_DIFFUSE, d, f), 0x80402010u);
  EXPECT_LE(maxChannelDiff(stageResult(D3DTOP_MODULATE, D3DTA_TFACTOR, D3DTA_DIFFUSE, d, f), 0x80201008u), 1);
  EXPECT_LE(maxChannelDiff(stageResult(D3DTOP_MODULATE2X, D3DTA_TFACTOR, D3DTA_DIFFUSE, d, f), 0x80402010u),
            1);
  EXPECT_LE(maxChannelDiff(stageResult(D3DTOP_MODULATE4X, D3DTA_TFACTOR, D3DTA_DIFFUSE, d, f), 0x80804020u),
            1);
  EXPECT_EQ(stageResult(D3DTOP_ADD, D3DTA_TFACTOR, D3DTA_DIFFUSE, d, f), 0x80C0A090u);
  EXPECT_LE(maxChannelDiff(stageResult(D3DTOP_ADDSIGNED, D3DTA_TFACTOR, D3DTA_DIFFUSE, d, f), 0x80412111u),
            1);
  EXPECT_LE(maxChannelDiff(stageResult(D3DTOP_ADDSIGNED2X, D3DTA_TFACTOR, D3DTA_DIFFUSE, d, f), 0x80814121u),
            1);
  EXPECT_EQ(stageResult(D3DTOP_SUBTRACT, D3DTA_TFACTOR, D3DTA_DIFFUSE, d, f), 0x80406070u);
  EXPECT_EQ(stageResult(D3DTOP_SUBTRACT, D3DTA_DIFFUSE, D3DTA_TFACTOR, d, f), 0x80000000u);
  // BLENDDIFFUSEALPHA with diffuse alpha 0x80: halfway between TFACTOR and DIFFUSE.
  EXPECT_LE(
      maxChannelDiff(stageResult(D3DTOP_BLENDDIFFUSEALPHA, D3DTA_TFACTOR, D3DTA_DIFFUSE, d, f), 0x80605048u),
      1);
  // BLENDFACTORALPHA with factor alpha 0x40: a quarter TFACTOR.
  EXPECT_LE(
      maxChannelDiff(stageResult(D3DTOP_BLENDFACTORALPHA, D3DTA_TFACTOR, D3DTA_DIFFUSE, d, f), 0x8050382Cu),
      1);
  EXPECT_LE(
      maxChannelDiff(stageResult(D3DTOP_BLENDCURRENTALPHA, D3DTA_TFACTOR, D3DTA_DIFFUSE, d, f), 0x80605048u),
      1);
  // Modifiers: complement and alpha replicate.
  EXPECT_EQ(stageResult(D3DTOP_SELECTARG1, D3DTA_TFACTOR | D3DTA_COMPLEMENT, 0, d, f), 0x807F7F7Fu);
  EXPECT_EQ(stageResult(D3DTOP_SELECTARG1, D3DTA_TFACTOR | D3DTA_ALPHAREPLICATE, 0, d, f), 0x80404040u);
  EXPECT_EQ(stageResult(D3DTOP_SELECTARG1, D3DTA_TFACTOR | D3DTA_ALPHAREPLICATE | D3DTA_COMPLEMENT, 0, d, f),
            0x80BFBFBFu);
  // Alpha operations run separately.
  EXPECT_LE(maxChannelDiff(stageResult(D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0, d, f, D3DTOP_MODULATE,
                                       D3DTA_TFACTOR, D3DTA_DIFFUSE),
                           0x20402010u),
            1);
  // Stage 0 disabled: the diffuse colour.
  EXPECT_EQ(stageResult(D3DTOP_DISABLE, D3DTA_TFACTOR, 0, d, f), d);
}

TEST(PipelinePixel, TwoStagesAndTempRegister) {
  swr::DrawState s = flatState(4, 4);
  s.renderState[D3DRS_TEXTUREFACTOR] = 0xFF404040;
  // Stage 0 -> TEMP = tfactor; stage 1: current (still diffuse) + temp.
  s.stageState[0][D3DTSS_COLOROP] = D3DTOP_SELECTARG1;
  s.stageState[0][D3DTSS_COLORARG1] = D3DTA_TFACTOR;
  s.stageState[0][D3DTSS_RESULTARG] = D3DTA_TEMP;
  s.stageState[1][D3DTSS_COLOROP] = D3DTOP_ADD;
  s.stageState[1][D3DTSS_COLORARG1] = D3DTA_CURRENT;
  s.stageState[1][D3DTSS_COLORARG2] = D3DTA_TEMP;
  s.stageState[1][D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
  s.stageState[1][D3DTSS_ALPHAARG1] = D3DTA_CURRENT;
  EXPECT_EQ(drawOver(s, 0xFF102030, 0), 0xFF506070u);
  // A stage without a texture reads TEXTURE as white.
  s.stageState[1][D3DTSS_COLOROP] = D3DTOP_MODULATE;
  s.stageState[1][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
  s.stageState[1][D3DTSS_COLORARG2] = D3DTA_CURRENT;
  EXPECT_EQ(drawOver(s, 0xFF102030, 0), 0xFF102030u);
}

TEST(PipelinePixel, SpecularIsAddedWhenEnabled) {
  Canvas c(4, 4, 0);
  swr::DrawState s = flatState(4, 4);
  s.renderState[D3DRS_SPECULARENABLE] = TRUE;
  struct V {
    float x, y, z, rhw;
    uint32_t diffuse, specular;
  };
  std::vector<V> v = {{0, 0, 0, 1, 0xFF102030, 0x00202020},
                      {4, 0, 0, 1, 0xFF102030, 0x00202020},
                      {0, 4, 0, 1, 0xFF102030, 0x00202020}};
  swr::Pipeline p;
  drawUP(p, s, D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR, D3DPT_TRIANGLELIST, 1, v, c);
  p.flush();
  EXPECT_EQ(c.at(0, 0), 0xFF304050u);
}
