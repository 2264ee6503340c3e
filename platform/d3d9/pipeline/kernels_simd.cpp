// AVX2 span routines: eight pixels per step for textured spans with a constant diffuse colour
// (the terrain, the sky, the composite quads and the text all draw so). Chosen at run time when
// the processor has AVX2; the scalar routines cover everything else. Results equal the scalar
// routines' except that modulation uses (t * (c + 1)) >> 8, within one step of exact rounding.
#include <immintrin.h>

#include "kernels.h"

namespace swr {
namespace {

using namespace kernel;

#define SWR_AVX2 __attribute__((target("avx2")))

struct SimdSetup {
  __m256i mulRB, mulAG, addRB, addAG;  // per channel: out = (texel * mul + add) >> 8
};

// The stage combination as a per-channel multiply-add on the texel: texture (256, 0), modulate
// (c + 1, 0), diffuse (0, c << 8), white (0, 255 << 8).
SWR_AVX2 inline void channelOp(int mode, uint32_t c, uint16_t& mul, uint16_t& add) {
  switch (mode) {
    case kColorTexture: mul = 256, add = 0; break;
    case kColorModulate: mul = uint16_t(c + 1), add = 0; break;
    case kColorDiffuse: mul = 0, add = uint16_t(c << 8); break;
    default: mul = 0, add = uint16_t(255 << 8); break;
  }
}

SWR_AVX2 inline __m256i pair(uint16_t lo, uint16_t hi) {
  return _mm256_set1_epi32(int32_t(uint32_t(lo) | uint32_t(hi) << 16));
}

SWR_AVX2 inline SimdSetup simdSetup(int colorMode, int alphaMode, uint32_t d) {
  uint16_t mb, ab, mg, ag, mr, ar, ma, aa;
  channelOp(colorMode, d & 255, mb, ab);
  channelOp(colorMode, (d >> 8) & 255, mg, ag);
  channelOp(colorMode, (d >> 16) & 255, mr, ar);
  channelOp(alphaMode, d >> 24, ma, aa);
  return {pair(mb, mr), pair(mg, ma), pair(ab, ar), pair(ag, aa)};
}

SWR_AVX2 inline __m256i lerp16(__m256i a, __m256i b, __m256i f, __m256i fi) {
  return _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(a, fi), _mm256_mullo_epi16(b, f)), 8);
}

template <int ADDR>
SWR_AVX2 inline __m256i address(__m256i i, __m256i mask, __m256i last) {
  if (ADDR == kAddrWrap) return _mm256_and_si256(i, mask);
  return _mm256_max_epi32(_mm256_min_epi32(i, last), _mm256_setzero_si256());
}

SWR_AVX2 inline __m256i floorToInt(__m256 f) {
  f = _mm256_min_ps(_mm256_max_ps(f, _mm256_set1_ps(-1e9f)), _mm256_set1_ps(1e9f));
  return _mm256_cvttps_epi32(_mm256_floor_ps(f));
}

// x * a / 255 rounded, in 16-bit lanes (x, a <= 255).
SWR_AVX2 inline __m256i mul8x16(__m256i x, __m256i a) {
  __m256i p = _mm256_add_epi16(_mm256_mullo_epi16(x, a), _mm256_set1_epi16(128));
  return _mm256_srli_epi16(_mm256_add_epi16(p, _mm256_srli_epi16(p, 8)), 8);
}

template <int TEX, int ADDR, int BLEND, int DEPTH>
SWR_AVX2 void simdSpan(const Tri& t, const Target& tg, const Spans& sp) {
  const PixelState& ps = *t.ps;
  if (!t.constDiffuse || (DEPTH != kZNone && !tg.depth) || !tg.color) return ps.scalarSpan(t, tg, sp);
  const Stage& g = ps.stage[0];
  const TexRef tex = texRef(ps.samp[0], ps.fastLevel);
  const __m256 lanes = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i laneIdx = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const Plane &pu = t.v[g.texSlot], &pv = t.v[g.texSlot + 1];
  const float su = TEX == kTexLinear ? tex.fw * 256.0f : tex.fw, sv = TEX == kTexLinear ? tex.fh * 256.0f : tex.fh;
  const __m256 scaleU = _mm256_set1_ps(su), scaleV = _mm256_set1_ps(sv), half = _mm256_set1_ps(127.5f);
  const __m256i wmask = _mm256_set1_epi32(tex.wmask), hmask = _mm256_set1_epi32(tex.hmask);
  const __m256i wlast = _mm256_set1_epi32(tex.w - 1), hlast = _mm256_set1_epi32(tex.h - 1);
  const __m256i pitch = _mm256_set1_epi32(tex.pitch), alphaOr = _mm256_set1_epi32(int32_t(tex.alphaOr));
  const __m256i m8 = _mm256_set1_epi32(0x00FF00FF), one = _mm256_set1_epi32(1);
  const __m256i w256 = _mm256_set1_epi16(256), byte = _mm256_set1_epi32(255);
  const __m256i dstAlpha = _mm256_set1_epi32(tg.colorHasAlpha ? 0 : int32_t(0xFF000000u));
  const SimdSetup cs = simdSetup(ps.fastColor, ps.fastAlpha, t.diffuse8);
  const int32_t* texels = reinterpret_cast<const int32_t*>(tex.p);
  const __m256 zc = _mm256_set1_ps(t.z.c), zdx = _mm256_set1_ps(t.z.dx);
  const __m256 udx = _mm256_set1_ps(t.v[g.texSlot].dx), vdx = _mm256_set1_ps(t.v[g.texSlot + 1].dx);
  const __m256 rdx = _mm256_set1_ps(t.rhw.dx);
  for (int r = 0; r < sp.rows; ++r) {
    const int y = sp.y0 + r, x0 = sp.x0[r], x1 = sp.x1[r];
    if (x0 >= x1) continue;
    const float dy = float(y) - t.refY;
    const __m256 zdy = _mm256_set1_ps(t.z.dy * dy);
    const __m256 rRow = _mm256_set1_ps(t.rhw.c + t.rhw.dy * dy);
    const __m256 uRow = _mm256_set1_ps(pu.c + pu.dy * dy);
    const __m256 vRow = _mm256_set1_ps(pv.c + pv.dy * dy);
    uint32_t* cp = tg.color + size_t(y) * tg.colorPitch;
    uint32_t* dp = DEPTH != kZNone ? tg.depth + size_t(y) * tg.depthPitch : nullptr;
    for (int x = x0; x < x1; x += 8) {
      const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(x1 - x), laneIdx);
      const __m256 dx = _mm256_add_ps(_mm256_set1_ps(float(x) - t.refX), lanes);
      __m256i pass = live, zi = _mm256_setzero_si256(), dold = _mm256_setzero_si256();
      if (DEPTH != kZNone) {
        __m256 z = _mm256_add_ps(_mm256_add_ps(zc, _mm256_mul_ps(zdx, dx)), zdy);
        z = _mm256_min_ps(_mm256_max_ps(z, _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
        zi = _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(z, _mm256_set1_ps(16777215.0f)), _mm256_set1_ps(0.5f)));
        dold = _mm256_maskload_epi32(reinterpret_cast<const int*>(dp + x), live);
        pass = _mm256_andnot_si256(_mm256_cmpgt_epi32(zi, _mm256_srli_epi32(dold, 8)), live);
        if (_mm256_testz_si256(pass, pass)) continue;
      }
      const __m256 rhw = _mm256_add_ps(rRow, _mm256_mul_ps(rdx, dx));
      __m256 w = _mm256_div_ps(_mm256_set1_ps(1.0f), rhw);
      w = _mm256_and_ps(w, _mm256_cmp_ps(rhw, _mm256_setzero_ps(), _CMP_NEQ_OQ));
      const __m256 u = _mm256_mul_ps(_mm256_add_ps(uRow, _mm256_mul_ps(udx, dx)), w);
      const __m256 v = _mm256_mul_ps(_mm256_add_ps(vRow, _mm256_mul_ps(vdx, dx)), w);
      __m256i texel;
      if (TEX == kTexPoint) {
        __m256i xi = address<ADDR>(floorToInt(_mm256_mul_ps(u, scaleU)), wmask, wlast);
        __m256i yi = address<ADDR>(floorToInt(_mm256_mul_ps(v, scaleV)), hmask, hlast);
        texel = _mm256_i32gather_epi32(texels, _mm256_add_epi32(_mm256_mullo_epi32(yi, pitch), xi), 4);
      } else {
        __m256i fu = floorToInt(_mm256_sub_ps(_mm256_mul_ps(u, scaleU), half));
        __m256i fv = floorToInt(_mm256_sub_ps(_mm256_mul_ps(v, scaleV), half));
        __m256i xi = _mm256_srai_epi32(fu, 8), yi = _mm256_srai_epi32(fv, 8);
        __m256i fx = _mm256_and_si256(fu, byte), fy = _mm256_and_si256(fv, byte);
        __m256i xa = address<ADDR>(xi, wmask, wlast), xb = address<ADDR>(_mm256_add_epi32(xi, one), wmask, wlast);
        __m256i ya = _mm256_mullo_epi32(address<ADDR>(yi, hmask, hlast), pitch);
        __m256i yb = _mm256_mullo_epi32(address<ADDR>(_mm256_add_epi32(yi, one), hmask, hlast), pitch);
        __m256i t00 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(ya, xa), 4);
        __m256i t10 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(ya, xb), 4);
        __m256i t01 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(yb, xa), 4);
        __m256i t11 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(yb, xb), 4);
        __m256i fx16 = _mm256_or_si256(fx, _mm256_slli_epi32(fx, 16)), fy16 = _mm256_or_si256(fy, _mm256_slli_epi32(fy, 16));
        __m256i ifx = _mm256_sub_epi16(w256, fx16), ify = _mm256_sub_epi16(w256, fy16);
        __m256i rbTop = lerp16(_mm256_and_si256(t00, m8), _mm256_and_si256(t10, m8), fx16, ifx);
        __m256i rbBot = lerp16(_mm256_and_si256(t01, m8), _mm256_and_si256(t11, m8), fx16, ifx);
        __m256i agTop = lerp16(_mm256_and_si256(_mm256_srli_epi32(t00, 8), m8), _mm256_and_si256(_mm256_srli_epi32(t10, 8), m8), fx16, ifx);
        __m256i agBot = lerp16(_mm256_and_si256(_mm256_srli_epi32(t01, 8), m8), _mm256_and_si256(_mm256_srli_epi32(t11, 8), m8), fx16, ifx);
        __m256i rb = lerp16(rbTop, rbBot, fy16, ify), ag = lerp16(agTop, agBot, fy16, ify);
        texel = _mm256_or_si256(rb, _mm256_slli_epi32(ag, 8));
      }
      texel = _mm256_or_si256(texel, alphaOr);
      __m256i rb = _mm256_and_si256(texel, m8), ag = _mm256_and_si256(_mm256_srli_epi32(texel, 8), m8);
      rb = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(rb, cs.mulRB), cs.addRB), 8);
      ag = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(ag, cs.mulAG), cs.addAG), 8);
      __m256i out = _mm256_or_si256(rb, _mm256_slli_epi32(ag, 8));
      if (BLEND != kBlendNone) {
        __m256i dst = _mm256_or_si256(_mm256_maskload_epi32(reinterpret_cast<const int*>(cp + x), pass), dstAlpha);
        if (BLEND == kBlendAdd) {
          out = _mm256_adds_epu8(out, dst);
        } else {
          __m256i a = _mm256_srli_epi32(out, 24);
          a = _mm256_or_si256(a, _mm256_slli_epi32(a, 16));
          __m256i ia = _mm256_sub_epi16(_mm256_set1_epi16(255), a);
          __m256i srb = _mm256_and_si256(out, m8), sag = _mm256_and_si256(_mm256_srli_epi32(out, 8), m8);
          __m256i drb = _mm256_and_si256(dst, m8), dag = _mm256_and_si256(_mm256_srli_epi32(dst, 8), m8);
          __m256i lim = _mm256_set1_epi16(255);
          __m256i orb = _mm256_min_epu16(_mm256_add_epi16(mul8x16(srb, a), mul8x16(drb, ia)), lim);
          __m256i oag = _mm256_min_epu16(_mm256_add_epi16(mul8x16(sag, a), mul8x16(dag, ia)), lim);
          out = _mm256_or_si256(orb, _mm256_slli_epi32(oag, 8));
        }
      }
      _mm256_maskstore_epi32(reinterpret_cast<int*>(cp + x), pass, out);
      if (DEPTH == kZTestWrite)
        _mm256_maskstore_epi32(reinterpret_cast<int*>(dp + x), pass,
                               _mm256_or_si256(_mm256_slli_epi32(zi, 8), _mm256_and_si256(dold, byte)));
    }
  }
}

template <int TEX, int ADDR, int BLEND>
SpanFn simdDepth(int depth) {
  switch (depth) {
    case kZTestWrite: return simdSpan<TEX, ADDR, BLEND, kZTestWrite>;
    case kZTest: return simdSpan<TEX, ADDR, BLEND, kZTest>;
    default: return simdSpan<TEX, ADDR, BLEND, kZNone>;
  }
}

template <int TEX, int ADDR>
SpanFn simdBlend(int blend, int depth) {
  switch (blend) {
    case kBlendAdd: return simdDepth<TEX, ADDR, kBlendAdd>(depth);
    case kBlendAlpha: return simdDepth<TEX, ADDR, kBlendAlpha>(depth);
    default: return simdDepth<TEX, ADDR, kBlendNone>(depth);
  }
}

bool haveAvx2() {
  static const bool yes = __builtin_cpu_supports("avx2");
  return yes;
}

}  // namespace

SpanFn chooseSimdKernel(PixelState& ps, const FastChoice& f) {
  if (!haveAvx2() || f.tex == kTexNone) return nullptr;
  ps.kernelName = "avx2";
  if (f.tex == kTexPoint)
    return f.addr == kAddrWrap ? simdBlend<kTexPoint, kAddrWrap>(f.blend, f.depth)
                               : simdBlend<kTexPoint, kAddrClamp>(f.blend, f.depth);
  return f.addr == kAddrWrap ? simdBlend<kTexLinear, kAddrWrap>(f.blend, f.depth)
                             : simdBlend<kTexLinear, kAddrClamp>(f.blend, f.depth);
}

}  // namespace swr
