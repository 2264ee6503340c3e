// The body of the SIMD span routines, included by kernels_simd.cpp once per instruction set
// inside a namespace of its own, with SWR_SIMD naming the compile target. The code is the same;
// with the AVX-512 register file the compiler keeps the routines' constants in registers instead of
// reloading them from the stack.
// No include guard: included more than once on purpose.

namespace {

using namespace kernel;

struct SimdSetup {
  __m256i mulRB, mulAG, addRB, addAG;  // per channel: out = (texel * mul + add) >> 8
};

// The stage combination as a per-channel multiply-add on the texel: texture (256, 0), modulate
// (c + 1, 0), diffuse (0, c << 8), white (0, 255 << 8).
SWR_SIMD inline void channelOp(int mode, uint32_t c, uint16_t& mul, uint16_t& add) {
  switch (mode) {
    case kColorTexture:
      mul = 256, add = 0;
      break;
    case kColorModulate:
      mul = uint16_t(c + 1), add = 0;
      break;
    case kColorDiffuse:
      mul = 0, add = uint16_t(c << 8);
      break;
    default:
      mul = 0, add = uint16_t(255 << 8);
      break;
  }
}

SWR_SIMD inline __m256i pair(uint16_t lo, uint16_t hi) {
  return _mm256_set1_epi32(int32_t(uint32_t(lo) | uint32_t(hi) << 16));
}

SWR_SIMD inline SimdSetup simdSetup(int colorMode, int alphaMode, uint32_t d) {
  uint16_t mb, ab, mg, ag, mr, ar, ma, aa;
  channelOp(colorMode, d & 255, mb, ab);
  channelOp(colorMode, (d >> 8) & 255, mg, ag);
  channelOp(colorMode, (d >> 16) & 255, mr, ar);
  channelOp(alphaMode, d >> 24, ma, aa);
  return {pair(mb, mr), pair(mg, ma), pair(ab, ar), pair(ag, aa)};
}

// (a * fi + b * f + 128) >> 8 in 16-bit lanes: the scalar lerp8's rounding.
SWR_SIMD inline __m256i lerp16(__m256i a, __m256i b, __m256i f, __m256i fi) {
  __m256i sum = _mm256_add_epi16(_mm256_mullo_epi16(a, fi), _mm256_mullo_epi16(b, f));
  return _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(128)), 8);
}

// The same for weights f below 256, given as f << 7: a + ((b - a) * f + 128 >> 8) equals lerp16's
// (a * (256 - f) + b * f + 128) >> 8 because 256 * a leaves the rounding alone; the rounding
// multiply-high computes ((b - a) * (f << 7) + (1 << 14)) >> 15, the same quotient.
SWR_SIMD inline __m256i lerpWeight(__m256i a, __m256i b, __m256i f7) {
  return _mm256_add_epi16(a, _mm256_mulhrs_epi16(_mm256_sub_epi16(b, a), f7));
}

template <int ADDR>
SWR_SIMD inline __m256i address(__m256i i, __m256i mask, __m256i last) {
  if (ADDR == kAddrWrap) return _mm256_and_si256(i, mask);
  return _mm256_max_epi32(_mm256_min_epi32(i, last), _mm256_setzero_si256());
}

// Out-of-range and NaN lanes become INT_MIN, which the addressing below folds into the texture.
SWR_SIMD inline __m256i floorToInt(__m256 f) { return _mm256_cvttps_epi32(_mm256_floor_ps(f)); }

// x * a / 255 rounded, in 16-bit lanes (x, a <= 255).
SWR_SIMD inline __m256i mul8x16(__m256i x, __m256i a) {
  __m256i p = _mm256_add_epi16(_mm256_mullo_epi16(x, a), _mm256_set1_epi16(128));
  return _mm256_srli_epi16(_mm256_add_epi16(p, _mm256_srli_epi16(p, 8)), 8);
}

// Row offsets: a shift when the pitch is a power of two (the usual case), else a multiply.
SWR_SIMD inline __m256i rowOffset(__m256i y, int32_t pitch) {
  if ((pitch & (pitch - 1)) == 0)
    return _mm256_sll_epi32(y, _mm_cvtsi32_si128(__builtin_ctz(unsigned(pitch))));
  return _mm256_mullo_epi32(y, _mm256_set1_epi32(pitch));
}

template <int ADDR>
SWR_SIMD inline __m256i fetchPoint(const TexRef& t, __m256 u, __m256 v) {
  __m256i xi = address<ADDR>(floorToInt(_mm256_mul_ps(u, _mm256_set1_ps(t.fw))), _mm256_set1_epi32(t.wmask),
                             _mm256_set1_epi32(t.w - 1));
  __m256i yi = address<ADDR>(floorToInt(_mm256_mul_ps(v, _mm256_set1_ps(t.fh))), _mm256_set1_epi32(t.hmask),
                             _mm256_set1_epi32(t.h - 1));
  __m256i idx = _mm256_add_epi32(rowOffset(yi, t.pitch), xi);
  return _mm256_or_si256(_mm256_i32gather_epi32(reinterpret_cast<const int32_t*>(t.p), idx, 4),
                         _mm256_set1_epi32(int32_t(t.alphaOr)));
}

SWR_SIMD inline __m256i rbOf(__m256i c) { return _mm256_and_si256(c, _mm256_set1_epi32(0x00FF00FF)); }
SWR_SIMD inline __m256i agOf(__m256i c) {
  return _mm256_and_si256(_mm256_srli_epi32(c, 8), _mm256_set1_epi32(0x00FF00FF));
}
SWR_SIMD inline __m256 sq(__m256 a) { return _mm256_mul_ps(a, a); }

// Bilinear with 8-bit weights, as the scalar sampleBilinear.
template <int ADDR>
SWR_SIMD inline __m256i fetchBilinear(const TexRef& t, __m256 u, __m256 v) {
  const __m256i wmask = _mm256_set1_epi32(t.wmask), hmask = _mm256_set1_epi32(t.hmask);
  const __m256i wlast = _mm256_set1_epi32(t.w - 1), hlast = _mm256_set1_epi32(t.h - 1);
  const __m256i one = _mm256_set1_epi32(1), byte = _mm256_set1_epi32(255);
  const __m256 half = _mm256_set1_ps(127.5f);
  const int32_t* texels = reinterpret_cast<const int32_t*>(t.p);
  __m256i fu = floorToInt(_mm256_sub_ps(_mm256_mul_ps(u, _mm256_set1_ps(t.fw * 256.0f)), half));
  __m256i fv = floorToInt(_mm256_sub_ps(_mm256_mul_ps(v, _mm256_set1_ps(t.fh * 256.0f)), half));
  __m256i xi = _mm256_srai_epi32(fu, 8), yi = _mm256_srai_epi32(fv, 8);
  __m256i fx = _mm256_and_si256(fu, byte), fy = _mm256_and_si256(fv, byte);
  __m256i ya = rowOffset(address<ADDR>(yi, hmask, hlast), t.pitch);
  __m256i yb = rowOffset(address<ADDR>(_mm256_add_epi32(yi, one), hmask, hlast), t.pitch);
  __m256i t00, t10, t01, t11;
  // Horizontal neighbours are adjacent in memory except across a wrapped edge: fetch them as
  // pairs (half the gathered elements). Clamped edges become pairs by moving the weight.
  __m256i xc, above = _mm256_setzero_si256();
  bool pairs = t.w >= 2;
  if (ADDR == kAddrWrap) {
    xc = _mm256_and_si256(xi, wmask);
    pairs = pairs && _mm256_movemask_epi8(_mm256_cmpeq_epi32(xc, wlast)) == 0;
  } else {
    // Past the left edge: all weight on the first texel. Past the right edge: the right texel
    // copied to the left with no weight, so that weights stay below 256.
    __m256i below = _mm256_cmpgt_epi32(_mm256_setzero_si256(), xi);
    above = _mm256_cmpgt_epi32(xi, _mm256_sub_epi32(wlast, one));
    xc = _mm256_max_epi32(_mm256_min_epi32(xi, _mm256_sub_epi32(wlast, one)), _mm256_setzero_si256());
    fx = _mm256_andnot_si256(_mm256_or_si256(below, above), fx);
  }
  // Pixels on texel centres (sprites drawn one texel per pixel) have no weight on the
  // neighbours: the first texel alone is the exact result.
  const __m256i fxUsed = ADDR == kAddrClamp && !pairs ? _mm256_and_si256(fu, byte) : fx;
  if (_mm256_testz_si256(_mm256_or_si256(fxUsed, fy), _mm256_or_si256(fxUsed, fy))) {
    const __m256i idx = _mm256_add_epi32(ya, ADDR == kAddrWrap ? xc : address<ADDR>(xi, wmask, wlast));
    // Eight texels side by side in one row (every index inside the texture): one plain load.
    const __m256i run = _mm256_add_epi32(_mm256_permutevar8x32_epi32(idx, _mm256_setzero_si256()),
                                         _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    const __m256i texel =
        _mm256_movemask_epi8(_mm256_cmpeq_epi32(idx, run)) == -1
            ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texels + _mm256_cvtsi256_si32(idx)))
            : _mm256_i32gather_epi32(texels, idx, 4);
    return _mm256_or_si256(texel, _mm256_set1_epi32(int32_t(t.alphaOr)));
  }
  if (pairs) {
    const long long* base = reinterpret_cast<const long long*>(texels);
    const __m256i split = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
    __m256i a0 = _mm256_add_epi32(ya, xc), a1 = _mm256_add_epi32(yb, xc);
    __m256i p0 =
        _mm256_permutevar8x32_epi32(_mm256_i32gather_epi64(base, _mm256_castsi256_si128(a0), 4), split);
    __m256i q0 =
        _mm256_permutevar8x32_epi32(_mm256_i32gather_epi64(base, _mm256_extracti128_si256(a0, 1), 4), split);
    __m256i p1 =
        _mm256_permutevar8x32_epi32(_mm256_i32gather_epi64(base, _mm256_castsi256_si128(a1), 4), split);
    __m256i q1 =
        _mm256_permutevar8x32_epi32(_mm256_i32gather_epi64(base, _mm256_extracti128_si256(a1, 1), 4), split);
    t00 = _mm256_permute2x128_si256(p0, q0, 0x20), t10 = _mm256_permute2x128_si256(p0, q0, 0x31);
    t01 = _mm256_permute2x128_si256(p1, q1, 0x20), t11 = _mm256_permute2x128_si256(p1, q1, 0x31);
    if (ADDR == kAddrClamp)
      t00 = _mm256_blendv_epi8(t00, t10, above), t01 = _mm256_blendv_epi8(t01, t11, above);
  } else {
    __m256i xa = address<ADDR>(xi, wmask, wlast), xb = address<ADDR>(_mm256_add_epi32(xi, one), wmask, wlast);
    t00 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(ya, xa), 4);
    t10 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(ya, xb), 4);
    t01 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(yb, xa), 4);
    t11 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(yb, xb), 4);
    if (ADDR == kAddrClamp) fx = _mm256_and_si256(fu, byte);  // the unmoved weight for these
  }
  __m256i fx7 = _mm256_slli_epi16(_mm256_or_si256(fx, _mm256_slli_epi32(fx, 16)), 7);
  __m256i fy7 = _mm256_slli_epi16(_mm256_or_si256(fy, _mm256_slli_epi32(fy, 16)), 7);
  __m256i rb = lerpWeight(lerpWeight(rbOf(t00), rbOf(t10), fx7), lerpWeight(rbOf(t01), rbOf(t11), fx7), fy7);
  __m256i ag = lerpWeight(lerpWeight(agOf(t00), agOf(t10), fx7), lerpWeight(agOf(t01), agOf(t11), fx7), fy7);
  return _mm256_or_si256(_mm256_or_si256(rb, _mm256_slli_epi32(ag, 8)),
                         _mm256_set1_epi32(int32_t(t.alphaOr)));
}

template <int ADDR>
SWR_SIMD inline __m256i fetch(const TexRef& t, Filter filter, __m256 u, __m256 v) {
  return filter == Filter::Point ? fetchPoint<ADDR>(t, u, v) : fetchBilinear<ADDR>(t, u, v);
}

// log2 for positive finite lanes, to about 1e-7: exponent plus an atanh series of the mantissa.
SWR_SIMD inline __m256 log2v(__m256 x) {
  __m256i bits = _mm256_castps_si256(x);
  __m256 e = _mm256_cvtepi32_ps(_mm256_sub_epi32(_mm256_srli_epi32(bits, 23), _mm256_set1_epi32(127)));
  __m256 m = _mm256_castsi256_ps(
      _mm256_or_si256(_mm256_and_si256(bits, _mm256_set1_epi32(0x007FFFFF)), _mm256_set1_epi32(0x3F800000)));
  __m256 big = _mm256_cmp_ps(m, _mm256_set1_ps(1.41421356f), _CMP_GT_OQ);
  m = _mm256_blendv_ps(m, _mm256_mul_ps(m, _mm256_set1_ps(0.5f)), big);
  e = _mm256_add_ps(e, _mm256_and_ps(big, _mm256_set1_ps(1.0f)));
  __m256 sv = _mm256_div_ps(_mm256_sub_ps(m, _mm256_set1_ps(1.0f)), _mm256_add_ps(m, _mm256_set1_ps(1.0f)));
  __m256 s2 = _mm256_mul_ps(sv, sv);
  __m256 poly = _mm256_add_ps(_mm256_set1_ps(1.0f / 7), _mm256_mul_ps(s2, _mm256_set1_ps(1.0f / 9)));
  poly = _mm256_add_ps(_mm256_set1_ps(1.0f / 5), _mm256_mul_ps(s2, poly));
  poly = _mm256_add_ps(_mm256_set1_ps(1.0f / 3), _mm256_mul_ps(s2, poly));
  poly = _mm256_add_ps(_mm256_set1_ps(1.0f), _mm256_mul_ps(s2, poly));
  __m256 ln = _mm256_mul_ps(_mm256_mul_ps(_mm256_set1_ps(2.0f), sv), poly);
  return _mm256_add_ps(e, _mm256_mul_ps(ln, _mm256_set1_ps(1.44269504f)));
}

// All live lanes hold the same value.
SWR_SIMD inline bool uniform(__m256i v, __m256i live) {
  __m256i first = _mm256_permutevar8x32_epi32(v, _mm256_setzero_si256());
  __m256i same = _mm256_or_si256(_mm256_cmpeq_epi32(v, first), _mm256_xor_si256(live, _mm256_set1_epi32(-1)));
  return _mm256_movemask_epi8(same) == -1;
}

template <int TEX, int ADDR, int BLEND, int DEPTH>
SWR_SIMD void simdSpan(const Tri& t, const Target& tg, const Spans& sp) {
  const PixelState& ps = *t.ps;
  if (!t.constDiffuse || (DEPTH != kZNone && !tg.depth) || !tg.color) return ps.scalarSpan(t, tg, sp);
  const Stage& g = ps.stage[0];
  const TexRef tex = texRef(ps.samp[0], ps.fastLevel);
  const __m256 lanes = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i laneIdx = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const Plane &pu = t.v[g.texSlot], &pv = t.v[g.texSlot + 1];
  const __m256i m8 = _mm256_set1_epi32(0x00FF00FF);
  const __m256i w256 = _mm256_set1_epi16(256), byte = _mm256_set1_epi32(255);
  const __m256i dstAlpha = _mm256_set1_epi32(tg.colorHasAlpha ? 0 : int32_t(0xFF000000u));
  const SimdSetup cs = simdSetup(ps.fastColor, ps.fastAlpha, t.diffuse8);
  const __m256 zc = _mm256_set1_ps(t.z.c), zdx = _mm256_set1_ps(t.z.dx);
  const __m256 udx = _mm256_set1_ps(t.v[g.texSlot].dx), vdx = _mm256_set1_ps(t.v[g.texSlot + 1].dx);
  const __m256 rdx = _mm256_set1_ps(t.rhw.dx);
  // Level-of-detail inputs for the mip-mapped variant.
  TexRef levels[16];
  if (TEX == kTexMip)
    for (int l = 0; l < ps.samp[0].levels; ++l) levels[l] = texRef(ps.samp[0], l);
  const __m256 udy = _mm256_set1_ps(pu.dy), vdy = _mm256_set1_ps(pv.dy), rdy = _mm256_set1_ps(t.rhw.dy);
  const __m256 w0 = _mm256_set1_ps(float(ps.samp[0].w[0])), h0 = _mm256_set1_ps(float(ps.samp[0].h[0]));
  const __m256 bias = _mm256_set1_ps(ps.samp[0].lodBias);
  const __m256i lastLevel = _mm256_set1_epi32(ps.samp[0].levels - 1),
                maxLevel = _mm256_set1_epi32(ps.samp[0].maxLevel);
  const bool flatRhw = t.rhw.dx == 0.0f;
  for (int r = 0; r < sp.rows; ++r) {
    const int y = sp.y0 + r, x0 = sp.x0[r], x1 = sp.x1[r];
    if (x0 >= x1) continue;
    const float dy = float(y) - t.refY;
    const __m256 zdy = _mm256_set1_ps(t.z.dy * dy);
    const __m256 rRow = _mm256_set1_ps(t.rhw.c + t.rhw.dy * dy);
    // Pre-transformed triangles keep one rhw along a row: its reciprocal is the same for every group.
    const __m256 wRow = _mm256_and_ps(_mm256_div_ps(_mm256_set1_ps(1.0f), rRow),
                                      _mm256_cmp_ps(rRow, _mm256_setzero_ps(), _CMP_NEQ_OQ));
    const __m256 uRow = _mm256_set1_ps(pu.c + pu.dy * dy);
    const __m256 vRow = _mm256_set1_ps(pv.c + pv.dy * dy);
    uint32_t* cp = tg.color + size_t(y) * tg.colorPitch;
    uint32_t* dp = DEPTH != kZNone ? tg.depth + size_t(y) * tg.depthPitch : nullptr;
    for (int x = x0; x < x1; x += 8) {
      // Masked loads and stores are slow on some processors: whole groups inside the span use
      // plain ones and blend.
      const bool full = x + 8 <= x1;
      const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(x1 - x), laneIdx);
      const __m256 dx = _mm256_add_ps(_mm256_set1_ps(float(x) - t.refX), lanes);
      __m256i pass = live, zi = _mm256_setzero_si256(), dold = _mm256_setzero_si256();
      if (DEPTH != kZNone) {
        __m256 z = _mm256_add_ps(_mm256_add_ps(zc, _mm256_mul_ps(zdx, dx)), zdy);
        z = _mm256_min_ps(_mm256_max_ps(z, _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
        zi = _mm256_cvttps_epi32(
            _mm256_add_ps(_mm256_mul_ps(z, _mm256_set1_ps(16777215.0f)), _mm256_set1_ps(0.5f)));
        zi = _mm256_min_epi32(zi, _mm256_set1_epi32(0xFFFFFF));  // z = 1 rounds up to 2^24
        dold = full ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dp + x))
                    : _mm256_maskload_epi32(reinterpret_cast<const int*>(dp + x), live);
        pass = _mm256_andnot_si256(_mm256_cmpgt_epi32(zi, _mm256_srli_epi32(dold, 8)), live);
        if (_mm256_testz_si256(pass, pass)) continue;
      }
      const __m256 rhw = flatRhw ? rRow : _mm256_add_ps(rRow, _mm256_mul_ps(rdx, dx));
      __m256 w = flatRhw ? wRow : _mm256_div_ps(_mm256_set1_ps(1.0f), rhw);
      if (!flatRhw) w = _mm256_and_ps(w, _mm256_cmp_ps(rhw, _mm256_setzero_ps(), _CMP_NEQ_OQ));
      const __m256 u = _mm256_mul_ps(_mm256_add_ps(uRow, _mm256_mul_ps(udx, dx)), w);
      const __m256 v = _mm256_mul_ps(_mm256_add_ps(vRow, _mm256_mul_ps(vdx, dx)), w);
      __m256i texel;
      if (TEX == kTexPoint) {
        texel = fetchPoint<ADDR>(tex, u, v);
      } else if (TEX == kTexLinear) {
        texel = fetchBilinear<ADDR>(tex, u, v);
      } else {
        // Level of detail per lane as textureLod computes it; groups whose lanes disagree on the
        // level or filter go to the scalar routine.
        const Sampler& sm = ps.samp[0];
        __m256 dudx = _mm256_mul_ps(_mm256_sub_ps(udx, _mm256_mul_ps(u, rdx)), w);
        __m256 dvdx = _mm256_mul_ps(_mm256_sub_ps(vdx, _mm256_mul_ps(v, rdx)), w);
        __m256 dudy = _mm256_mul_ps(_mm256_sub_ps(udy, _mm256_mul_ps(u, rdy)), w);
        __m256 dvdy = _mm256_mul_ps(_mm256_sub_ps(vdy, _mm256_mul_ps(v, rdy)), w);
        __m256 px = _mm256_add_ps(sq(_mm256_mul_ps(dudx, w0)), sq(_mm256_mul_ps(dvdx, h0)));
        __m256 py = _mm256_add_ps(sq(_mm256_mul_ps(dudy, w0)), sq(_mm256_mul_ps(dvdy, h0)));
        __m256 rho2 = _mm256_max_ps(py, px);
        __m256 lod = _mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(0.5f), log2v(rho2)), bias);
        __m256 positive = _mm256_cmp_ps(rho2, _mm256_setzero_ps(), _CMP_GT_OQ);
        lod = _mm256_blendv_ps(_mm256_set1_ps(-100.0f), _mm256_min_ps(lod, _mm256_set1_ps(100.0f)), positive);
        __m256i minify = _mm256_castps_si256(_mm256_cmp_ps(lod, _mm256_setzero_ps(), _CMP_GT_OQ));
        int mm = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_and_si256(minify, live)));
        int lm = _mm256_movemask_ps(_mm256_castsi256_ps(live));
        bool ok = true;
        if (mm == 0 || sm.mip == MipMode::None) {
          if (mm != 0 && mm != lm)
            ok = false;
          else
            texel = fetch<ADDR>(levels[sm.maxLevel], mm == 0 ? sm.mag : sm.min, u, v);
        } else if (mm != lm) {
          ok = false;
        } else if (sm.mip == MipMode::Nearest) {
          __m256i lvl = _mm256_cvttps_epi32(_mm256_add_ps(lod, _mm256_set1_ps(0.5f)));
          lvl = _mm256_max_epi32(_mm256_min_epi32(lvl, lastLevel), maxLevel);
          if (!uniform(lvl, live))
            ok = false;
          else
            texel = fetch<ADDR>(levels[_mm256_cvtsi256_si32(lvl)], sm.min, u, v);
        } else {
          __m256 lc = _mm256_min_ps(lod, _mm256_set1_ps(64.0f));
          __m256i l0 = _mm256_cvttps_epi32(lc);
          if (!uniform(l0, live)) {
            ok = false;
          } else {
            __m256i f = _mm256_cvttps_epi32(_mm256_add_ps(
                _mm256_mul_ps(_mm256_sub_ps(lc, _mm256_cvtepi32_ps(l0)), _mm256_set1_ps(256.0f)),
                _mm256_set1_ps(0.5f)));
            int a0 = _mm256_cvtsi256_si32(l0);
            auto clampLevel = [&](int l) {
              return l < sm.maxLevel ? sm.maxLevel : (l > sm.levels - 1 ? sm.levels - 1 : l);
            };
            __m256i ta = fetch<ADDR>(levels[clampLevel(a0)], sm.min, u, v);
            __m256i tb = fetch<ADDR>(levels[clampLevel(a0 + 1)], sm.min, u, v);
            __m256i f16 = _mm256_or_si256(f, _mm256_slli_epi32(f, 16)), if16 = _mm256_sub_epi16(w256, f16);
            __m256i rbm = lerp16(_mm256_and_si256(ta, m8), _mm256_and_si256(tb, m8), f16, if16);
            __m256i agm = lerp16(_mm256_and_si256(_mm256_srli_epi32(ta, 8), m8),
                                 _mm256_and_si256(_mm256_srli_epi32(tb, 8), m8), f16, if16);
            texel = _mm256_or_si256(rbm, _mm256_slli_epi32(agm, 8));
          }
        }
        if (!ok) {
          Spans one;
          one.y0 = y, one.rows = 1, one.x0[0] = x, one.x1[0] = x + 8 < x1 ? x + 8 : x1;
          ps.scalarSpan(t, tg, one);
          continue;
        }
      }
      __m256i rb = _mm256_and_si256(texel, m8), ag = _mm256_and_si256(_mm256_srli_epi32(texel, 8), m8);
      rb = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(rb, cs.mulRB), cs.addRB), 8);
      ag = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(ag, cs.mulAG), cs.addAG), 8);
      __m256i out = _mm256_or_si256(rb, _mm256_slli_epi32(ag, 8));
      __m256i old = _mm256_setzero_si256();
      if (BLEND != kBlendNone || full)
        old = full ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(cp + x))
                   : _mm256_maskload_epi32(reinterpret_cast<const int*>(cp + x), pass);
      if (BLEND == kBlendAlpha && DEPTH != kZTestWrite &&
          _mm256_testz_si256(_mm256_or_si256(_mm256_srli_epi32(out, 24), _mm256_andnot_si256(old, dstAlpha)),
                             pass))
        continue;  // a zero alpha blends to the destination itself: nothing to write
      if (BLEND != kBlendNone) {
        __m256i dst = _mm256_or_si256(old, dstAlpha);
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
      __m256i dnew = _mm256_or_si256(_mm256_slli_epi32(zi, 8), _mm256_and_si256(dold, byte));
      if (full) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(cp + x), _mm256_blendv_epi8(old, out, pass));
        if (DEPTH == kZTestWrite)
          _mm256_storeu_si256(reinterpret_cast<__m256i*>(dp + x), _mm256_blendv_epi8(dold, dnew, pass));
      } else {
        _mm256_maskstore_epi32(reinterpret_cast<int*>(cp + x), pass, out);
        if (DEPTH == kZTestWrite) _mm256_maskstore_epi32(reinterpret_cast<int*>(dp + x), pass, dnew);
      }
    }
  }
}

template <int TEX, int ADDR, int BLEND>
SpanFn simdDepth(int depth) {
  switch (depth) {
    case kZTestWrite:
      return simdSpan<TEX, ADDR, BLEND, kZTestWrite>;
    case kZTest:
      return simdSpan<TEX, ADDR, BLEND, kZTest>;
    default:
      return simdSpan<TEX, ADDR, BLEND, kZNone>;
  }
}

template <int TEX, int ADDR>
SpanFn simdBlend(int blend, int depth) {
  switch (blend) {
    case kBlendAdd:
      return simdDepth<TEX, ADDR, kBlendAdd>(depth);
    case kBlendAlpha:
      return simdDepth<TEX, ADDR, kBlendAlpha>(depth);
    default:
      return simdDepth<TEX, ADDR, kBlendNone>(depth);
  }
}

}  // namespace

SpanFn choose(const FastChoice& f) {
  if (f.tex == kTexPoint)
    return f.addr == kAddrWrap ? simdBlend<kTexPoint, kAddrWrap>(f.blend, f.depth)
                               : simdBlend<kTexPoint, kAddrClamp>(f.blend, f.depth);
  if (f.tex == kTexMip)
    return f.addr == kAddrWrap ? simdBlend<kTexMip, kAddrWrap>(f.blend, f.depth)
                               : simdBlend<kTexMip, kAddrClamp>(f.blend, f.depth);
  return f.addr == kAddrWrap ? simdBlend<kTexLinear, kAddrWrap>(f.blend, f.depth)
                             : simdBlend<kTexLinear, kAddrClamp>(f.blend, f.depth);
}
