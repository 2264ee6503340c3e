// The body of the SIMD span routines, included by kernels_simd.cpp once per instruction set
// inside a namespace of its own, with SWR_SIMD naming the compile target. The code is the same;
// with the AVX-512 register file the compiler keeps the routines' constants in registers instead of
// reloading them from the stack.
// No include guard: included more than once on purpose.

// The helpers and phases live in the span routine's loop: always inlined, so the routine keeps its
// constants in registers across them.
#undef SWR_SIMD_INLINE
#define SWR_SIMD_INLINE SWR_SIMD inline __attribute__((always_inline))

namespace {

using namespace kernel;

struct SimdSetup {
  __m256i mulRB, mulAG, addRB, addAG;  // per channel: out = (texel * mul + add) >> 8
};

// The stage combination as a per-channel multiply-add on the texel: texture (256, 0), modulate
// (c + 1, 0), diffuse (0, c << 8), white (0, 255 << 8).
SWR_SIMD_INLINE void channelOp(StageColor mode, uint32_t c, uint16_t& mul, uint16_t& add) {
  switch (mode) {
    case StageColor::Texture:
      mul = 256, add = 0;
      break;
    case StageColor::Modulate:
      mul = uint16_t(c + 1), add = 0;
      break;
    case StageColor::Diffuse:
      mul = 0, add = uint16_t(c << 8);
      break;
    default:
      mul = 0, add = uint16_t(255 << 8);
      break;
  }
}

SWR_SIMD_INLINE __m256i pair(uint16_t lo, uint16_t hi) {
  return _mm256_set1_epi32(int32_t(uint32_t(lo) | uint32_t(hi) << 16));
}

SWR_SIMD_INLINE SimdSetup simdSetup(StageColor colorMode, StageColor alphaMode, uint32_t d) {
  uint16_t mb, ab, mg, ag, mr, ar, ma, aa;
  channelOp(colorMode, d & 255, mb, ab);
  channelOp(colorMode, (d >> 8) & 255, mg, ag);
  channelOp(colorMode, (d >> 16) & 255, mr, ar);
  channelOp(alphaMode, d >> 24, ma, aa);
  return {pair(mb, mr), pair(mg, ma), pair(ab, ar), pair(ag, aa)};
}

// (a * fi + b * f + 128) >> 8 in 16-bit lanes: the scalar lerp8's rounding.
SWR_SIMD_INLINE __m256i lerp16(__m256i a, __m256i b, __m256i f, __m256i fi) {
  __m256i sum = _mm256_add_epi16(_mm256_mullo_epi16(a, fi), _mm256_mullo_epi16(b, f));
  return _mm256_srli_epi16(_mm256_add_epi16(sum, _mm256_set1_epi16(128)), 8);
}

// The same for weights f below 256, given as f << 7: a + ((b - a) * f + 128 >> 8) equals lerp16's
// (a * (256 - f) + b * f + 128) >> 8 because 256 * a leaves the rounding alone; the rounding
// multiply-high computes ((b - a) * (f << 7) + (1 << 14)) >> 15, the same quotient.
SWR_SIMD_INLINE __m256i lerpWeight(__m256i a, __m256i b, __m256i f7) {
  return _mm256_add_epi16(a, _mm256_mulhrs_epi16(_mm256_sub_epi16(b, a), f7));
}

// Texel indices into [0, n). Any-size wrapping divides in single precision and corrects the
// quotient by one either way, exact while |i| < 2^24; beyond that (coordinates of millions of
// texels, or not numbers) the result is only kept inside the texture.
template <Addressing ADDR>
SWR_SIMD_INLINE __m256i address(__m256i i, int32_t n) {
  const __m256i last = _mm256_set1_epi32(n - 1);
  if (ADDR == Addressing::Wrap) return _mm256_and_si256(i, last);
  if (ADDR == Addressing::WrapAny) {
    const __m256i vn = _mm256_set1_epi32(n);
    // Most groups read inside the texture and need no division.
    const __m256i outside =
        _mm256_or_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), i), _mm256_cmpgt_epi32(i, last));
    if (_mm256_testz_si256(outside, outside)) return i;
    const __m256 q = _mm256_floor_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(i), _mm256_set1_ps(1.0f / float(n))));
    i = _mm256_sub_epi32(i, _mm256_mullo_epi32(_mm256_cvttps_epi32(q), vn));
    i = _mm256_add_epi32(i, _mm256_and_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), i), vn));
    i = _mm256_sub_epi32(i, _mm256_andnot_si256(_mm256_cmpgt_epi32(vn, i), vn));
  }
  return _mm256_max_epi32(_mm256_min_epi32(i, last), _mm256_setzero_si256());
}

// Out-of-range and NaN lanes become INT_MIN, which the addressing below folds into the texture.
SWR_SIMD_INLINE __m256i floorToInt(__m256 f) { return _mm256_cvttps_epi32(_mm256_floor_ps(f)); }

// x * a / 255 rounded, in 16-bit lanes (x, a <= 255): the scalar mul8's (p + (p >> 8)) >> 8 with
// p = x * a + 128 equals (p * 257) >> 16, as p + p / 256 never passes the next multiple of 256.
SWR_SIMD_INLINE __m256i mul8x16(__m256i x, __m256i a) {
  const __m256i p = _mm256_add_epi16(_mm256_mullo_epi16(x, a), _mm256_set1_epi16(128));
  return _mm256_mulhi_epu16(p, _mm256_set1_epi16(257));
}

// Row offsets: a shift when the pitch is a power of two (the usual case), else a multiply.
SWR_SIMD_INLINE __m256i rowOffset(__m256i y, int32_t pitch) {
  if ((pitch & (pitch - 1)) == 0)
    return _mm256_sll_epi32(y, _mm_cvtsi32_si128(__builtin_ctz(unsigned(pitch))));
  return _mm256_mullo_epi32(y, _mm256_set1_epi32(pitch));
}

template <Addressing ADDR>
SWR_SIMD_INLINE __m256i fetchPoint(const TexRef& t, __m256 u, __m256 v) {
  __m256i xi = address<ADDR>(floorToInt(_mm256_mul_ps(u, _mm256_set1_ps(t.fw))), t.w);
  __m256i yi = address<ADDR>(floorToInt(_mm256_mul_ps(v, _mm256_set1_ps(t.fh))), t.h);
  __m256i idx = _mm256_add_epi32(rowOffset(yi, t.pitch), xi);
  return _mm256_or_si256(_mm256_i32gather_epi32(reinterpret_cast<const int32_t*>(t.p), idx, 4),
                         _mm256_set1_epi32(int32_t(t.alphaOr)));
}

SWR_SIMD_INLINE __m256i rbOf(__m256i c) { return _mm256_and_si256(c, _mm256_set1_epi32(0x00FF00FF)); }
SWR_SIMD_INLINE __m256i agOf(__m256i c) {
  return _mm256_and_si256(_mm256_srli_epi32(c, 8), _mm256_set1_epi32(0x00FF00FF));
}
SWR_SIMD_INLINE __m256 sq(__m256 a) { return _mm256_mul_ps(a, a); }

// Bilinear with 8-bit weights, as the scalar sampleBilinear. CENTRES: test for groups on texel
// centres, which pre-transformed quads drawn one texel per pixel hit and perspective ones hardly
// ever do.
template <Addressing ADDR, bool CENTRES>
SWR_SIMD_INLINE __m256i fetchBilinear(const TexRef& t, __m256 u, __m256 v) {
  const __m256i wlast = _mm256_set1_epi32(t.w - 1);
  const __m256i one = _mm256_set1_epi32(1), byte = _mm256_set1_epi32(255);
  const __m256 half = _mm256_set1_ps(127.5f);
  const int32_t* texels = reinterpret_cast<const int32_t*>(t.p);
  __m256i fu = floorToInt(_mm256_sub_ps(_mm256_mul_ps(u, _mm256_set1_ps(t.fw * 256.0f)), half));
  __m256i fv = floorToInt(_mm256_sub_ps(_mm256_mul_ps(v, _mm256_set1_ps(t.fh * 256.0f)), half));
  __m256i xi = _mm256_srai_epi32(fu, 8), yi = _mm256_srai_epi32(fv, 8);
  __m256i fx = _mm256_and_si256(fu, byte), fy = _mm256_and_si256(fv, byte);
  __m256i ya = rowOffset(address<ADDR>(yi, t.h), t.pitch);
  __m256i yb = rowOffset(address<ADDR>(_mm256_add_epi32(yi, one), t.h), t.pitch);
  __m256i t00, t10, t01, t11;
  // Horizontal neighbours are adjacent in memory except across a wrapped edge: fetch them as
  // pairs (half the gathered elements). Clamped edges become pairs by moving the weight.
  __m256i xc, above = _mm256_setzero_si256();
  bool pairs = t.w >= 2;
  if (ADDR != Addressing::Clamp) {
    xc = address<ADDR>(xi, t.w);
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
  const __m256i fxUsed = ADDR == Addressing::Clamp && !pairs ? _mm256_and_si256(fu, byte) : fx;
  if (CENTRES && _mm256_testz_si256(_mm256_or_si256(fxUsed, fy), _mm256_or_si256(fxUsed, fy))) {
    const __m256i idx = _mm256_add_epi32(ya, ADDR != Addressing::Clamp ? xc : address<ADDR>(xi, t.w));
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
    if (ADDR == Addressing::Clamp)
      t00 = _mm256_blendv_epi8(t00, t10, above), t01 = _mm256_blendv_epi8(t01, t11, above);
  } else {
    __m256i xa = address<ADDR>(xi, t.w), xb = address<ADDR>(_mm256_add_epi32(xi, one), t.w);
    t00 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(ya, xa), 4);
    t10 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(ya, xb), 4);
    t01 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(yb, xa), 4);
    t11 = _mm256_i32gather_epi32(texels, _mm256_add_epi32(yb, xb), 4);
    if (ADDR == Addressing::Clamp) fx = _mm256_and_si256(fu, byte);  // the unmoved weight for these
  }
  __m256i fx7 = _mm256_slli_epi16(_mm256_or_si256(fx, _mm256_slli_epi32(fx, 16)), 7);
  __m256i fy7 = _mm256_slli_epi16(_mm256_or_si256(fy, _mm256_slli_epi32(fy, 16)), 7);
  __m256i rb = lerpWeight(lerpWeight(rbOf(t00), rbOf(t10), fx7), lerpWeight(rbOf(t01), rbOf(t11), fx7), fy7);
  __m256i ag = lerpWeight(lerpWeight(agOf(t00), agOf(t10), fx7), lerpWeight(agOf(t01), agOf(t11), fx7), fy7);
  return _mm256_or_si256(_mm256_or_si256(rb, _mm256_slli_epi32(ag, 8)),
                         _mm256_set1_epi32(int32_t(t.alphaOr)));
}

template <Addressing ADDR, bool CENTRES>
SWR_SIMD_INLINE __m256i fetch(const TexRef& t, Filter filter, __m256 u, __m256 v) {
  return filter == Filter::Point ? fetchPoint<ADDR>(t, u, v) : fetchBilinear<ADDR, CENTRES>(t, u, v);
}

// log2 for positive finite lanes, to about 1e-7: exponent plus an atanh series of the mantissa.
SWR_SIMD_INLINE __m256 log2v(__m256 x) {
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
SWR_SIMD_INLINE bool uniform(__m256i v, __m256i live) {
  __m256i first = _mm256_permutevar8x32_epi32(v, _mm256_setzero_si256());
  __m256i same = _mm256_or_si256(_mm256_cmpeq_epi32(v, first), _mm256_xor_si256(live, _mm256_set1_epi32(-1)));
  return _mm256_movemask_epi8(same) == -1;
}

// What a span routine reads from the triangle and its state, set up once per call.
struct SpanSetup {
  TexRef tex;            // the single-level variants' level
  const TexRef* levels;  // the mip-mapped variant's, all of them
  SimdSetup stage;       // stage 0's combination with the constant diffuse colour
  __m256i dstAlpha;      // ORed into destinations without alpha
  __m256 zc, zdx, udx, vdx, rdx;
  __m256 udy, vdy, rdy;  // level-of-detail inputs
  __m256 w0, h0, bias;   // of level 0 and the sampler
  __m256i lastLevel, maxLevel;
  bool flatRhw;  // pre-transformed: one rhw along a row
  // The rows' starting values, copied once: read through the triangle, they would be loaded again
  // for every row (the target's stores might alias them).
  float refY;
  Plane z, rhw, u, v;
  uint32_t* color;
  uint32_t* depth;
  size_t colorPitch, depthPitch;
};

// The per-row values of the interpolants.
struct RowSetup {
  __m256 zdy, rRow, wRow, uRow, vRow;
  uint32_t* cp;
  uint32_t* dp;
};

// One group of up to eight pixels in a row.
struct Group {
  int x;
  bool full;     // all eight inside the span: plain loads and stores
  __m256i live;  // lanes inside the span
  __m256 dx;     // x - refX per lane
};

SWR_SIMD_INLINE SpanSetup spanSetup(const Tri& t, const Target& tg) {
  const PixelState& ps = *t.ps;
  const Sampler& sm = ps.samp[0];
  const Plane &pu = t.v[ps.stage[0].texSlot], &pv = t.v[ps.stage[0].texSlot + 1];
  SpanSetup s;
  s.tex = texRef(sm, ps.fast.level);
  s.levels = nullptr;  // set by the mip-mapped variant
  s.stage = simdSetup(ps.fast.color, ps.fast.alpha, t.diffuse8);
  s.dstAlpha = _mm256_set1_epi32(tg.colorHasAlpha ? 0 : int32_t(0xFF000000u));
  s.zc = _mm256_set1_ps(t.z.c), s.zdx = _mm256_set1_ps(t.z.dx);
  s.udx = _mm256_set1_ps(pu.dx), s.vdx = _mm256_set1_ps(pv.dx), s.rdx = _mm256_set1_ps(t.rhw.dx);
  s.udy = _mm256_set1_ps(pu.dy), s.vdy = _mm256_set1_ps(pv.dy), s.rdy = _mm256_set1_ps(t.rhw.dy);
  s.w0 = _mm256_set1_ps(float(sm.level[0].width)), s.h0 = _mm256_set1_ps(float(sm.level[0].height));
  s.bias = _mm256_set1_ps(sm.lodBias);
  s.lastLevel = _mm256_set1_epi32(sm.levelCount - 1), s.maxLevel = _mm256_set1_epi32(sm.maxLevel);
  s.flatRhw = t.rhw.dx == 0.0f;
  s.refY = t.refY;
  s.z = t.z, s.rhw = t.rhw, s.u = pu, s.v = pv;
  s.color = tg.color, s.colorPitch = size_t(tg.colorPitch);
  s.depth = tg.depth, s.depthPitch = size_t(tg.depthPitch);
  return s;
}

template <bool FLAT>
SWR_SIMD_INLINE RowSetup rowSetup(const SpanSetup& s, int y, bool depth) {
  const float dy = float(y) - s.refY;
  RowSetup r;
  r.zdy = _mm256_set1_ps(s.z.dy * dy);
  r.rRow = _mm256_set1_ps(s.rhw.c + s.rhw.dy * dy);
  // Pre-transformed triangles keep one rhw along a row: its reciprocal is the same for every group.
  if (FLAT)
    r.wRow = _mm256_and_ps(_mm256_div_ps(_mm256_set1_ps(1.0f), r.rRow),
                           _mm256_cmp_ps(r.rRow, _mm256_setzero_ps(), _CMP_NEQ_OQ));
  else
    r.wRow = _mm256_setzero_ps();  // unused
  r.uRow = _mm256_set1_ps(s.u.c + s.u.dy * dy);
  r.vRow = _mm256_set1_ps(s.v.c + s.v.dy * dy);
  r.cp = s.color + size_t(y) * s.colorPitch;
  r.dp = depth ? s.depth + size_t(y) * s.depthPitch : nullptr;
  return r;
}

// Depth per lane and the less-or-equal test: `pass` narrows to the lanes that pass.
SWR_SIMD_INLINE void depthTest(const SpanSetup& s, const RowSetup& r, const Group& g, __m256i& pass,
                               __m256i& zi, __m256i& dold) {
  __m256 z = _mm256_add_ps(_mm256_add_ps(s.zc, _mm256_mul_ps(s.zdx, g.dx)), r.zdy);
  z = _mm256_min_ps(_mm256_max_ps(z, _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
  zi =
      _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(z, _mm256_set1_ps(16777215.0f)), _mm256_set1_ps(0.5f)));
  zi = _mm256_min_epi32(zi, _mm256_set1_epi32(0xFFFFFF));  // z = 1 rounds up to 2^24
  dold = g.full ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.dp + g.x))
                : _mm256_maskload_epi32(reinterpret_cast<const int*>(r.dp + g.x), g.live);
  pass = _mm256_andnot_si256(_mm256_cmpgt_epi32(zi, _mm256_srli_epi32(dold, 8)), g.live);
}

// Perspective-correct texture coordinates and w per lane. FLAT: the triangle's rhw is constant
// along a row (s.flatRhw), so w is the row's.
template <bool FLAT>
SWR_SIMD_INLINE void texCoords(const SpanSetup& s, const RowSetup& r, const Group& g, __m256& u, __m256& v,
                               __m256& w) {
  if (FLAT) {
    w = r.wRow;
  } else {
    const __m256 rhw = _mm256_add_ps(r.rRow, _mm256_mul_ps(s.rdx, g.dx));
    w = _mm256_and_ps(_mm256_div_ps(_mm256_set1_ps(1.0f), rhw),
                      _mm256_cmp_ps(rhw, _mm256_setzero_ps(), _CMP_NEQ_OQ));
  }
  u = _mm256_mul_ps(_mm256_add_ps(r.uRow, _mm256_mul_ps(s.udx, g.dx)), w);
  v = _mm256_mul_ps(_mm256_add_ps(r.vRow, _mm256_mul_ps(s.vdx, g.dx)), w);
}

// Level of detail per lane as textureLod computes it.
SWR_SIMD_INLINE __m256 levelOfDetail(const SpanSetup& s, __m256 u, __m256 v, __m256 w) {
  __m256 dudx = _mm256_mul_ps(_mm256_sub_ps(s.udx, _mm256_mul_ps(u, s.rdx)), w);
  __m256 dvdx = _mm256_mul_ps(_mm256_sub_ps(s.vdx, _mm256_mul_ps(v, s.rdx)), w);
  __m256 dudy = _mm256_mul_ps(_mm256_sub_ps(s.udy, _mm256_mul_ps(u, s.rdy)), w);
  __m256 dvdy = _mm256_mul_ps(_mm256_sub_ps(s.vdy, _mm256_mul_ps(v, s.rdy)), w);
  __m256 px = _mm256_add_ps(sq(_mm256_mul_ps(dudx, s.w0)), sq(_mm256_mul_ps(dvdx, s.h0)));
  __m256 py = _mm256_add_ps(sq(_mm256_mul_ps(dudy, s.w0)), sq(_mm256_mul_ps(dvdy, s.h0)));
  __m256 rho2 = _mm256_max_ps(py, px);
  __m256 lod = _mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(0.5f), log2v(rho2)), s.bias);
  __m256 positive = _mm256_cmp_ps(rho2, _mm256_setzero_ps(), _CMP_GT_OQ);
  return _mm256_blendv_ps(_mm256_set1_ps(-100.0f), _mm256_min_ps(lod, _mm256_set1_ps(100.0f)), positive);
}

// The mip-mapped fetch; false when the group's live lanes disagree on the level or the filter
// (the scalar routine takes the group then).
template <Addressing ADDR, bool CENTRES>
SWR_SIMD_INLINE bool sampleMip(const SpanSetup& s, const Sampler& sm, __m256i live, __m256 u, __m256 v,
                               __m256 w, __m256i& texel) {
  const __m256 lod = levelOfDetail(s, u, v, w);
  const __m256i minify = _mm256_castps_si256(_mm256_cmp_ps(lod, _mm256_setzero_ps(), _CMP_GT_OQ));
  const int mm = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_and_si256(minify, live)));
  const int lm = _mm256_movemask_ps(_mm256_castsi256_ps(live));
  if (mm == 0 || sm.mip == MipMode::None) {
    if (mm != 0 && mm != lm) return false;
    texel = fetch<ADDR, CENTRES>(s.levels[sm.maxLevel], mm == 0 ? sm.mag : sm.min, u, v);
    return true;
  }
  if (mm != lm) return false;
  if (sm.mip == MipMode::Nearest) {
    __m256i lvl = _mm256_cvttps_epi32(_mm256_add_ps(lod, _mm256_set1_ps(0.5f)));
    lvl = _mm256_max_epi32(_mm256_min_epi32(lvl, s.lastLevel), s.maxLevel);
    if (!uniform(lvl, live)) return false;
    texel = fetch<ADDR, CENTRES>(s.levels[_mm256_cvtsi256_si32(lvl)], sm.min, u, v);
    return true;
  }
  const __m256 lc = _mm256_min_ps(lod, _mm256_set1_ps(64.0f));
  const __m256i l0 = _mm256_cvttps_epi32(lc);
  if (!uniform(l0, live)) return false;
  const __m256i f = _mm256_cvttps_epi32(
      _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(lc, _mm256_cvtepi32_ps(l0)), _mm256_set1_ps(256.0f)),
                    _mm256_set1_ps(0.5f)));
  const int a0 = _mm256_cvtsi256_si32(l0);
  auto clampLevel = [&](int l) {
    return l < sm.maxLevel ? sm.maxLevel : (l > sm.levelCount - 1 ? sm.levelCount - 1 : l);
  };
  const __m256i ta = fetch<ADDR, CENTRES>(s.levels[clampLevel(a0)], sm.min, u, v);
  const __m256i tb = fetch<ADDR, CENTRES>(s.levels[clampLevel(a0 + 1)], sm.min, u, v);
  const __m256i m8 = _mm256_set1_epi32(0x00FF00FF);
  const __m256i f16 = _mm256_or_si256(f, _mm256_slli_epi32(f, 16));
  const __m256i if16 = _mm256_sub_epi16(_mm256_set1_epi16(256), f16);
  const __m256i rbm = lerp16(_mm256_and_si256(ta, m8), _mm256_and_si256(tb, m8), f16, if16);
  const __m256i agm = lerp16(_mm256_and_si256(_mm256_srli_epi32(ta, 8), m8),
                             _mm256_and_si256(_mm256_srli_epi32(tb, 8), m8), f16, if16);
  texel = _mm256_or_si256(rbm, _mm256_slli_epi32(agm, 8));
  return true;
}

// Stage 0: per channel (texel * mul + add) >> 8.
SWR_SIMD_INLINE __m256i combineStage(const SimdSetup& cs, __m256i texel) {
  const __m256i m8 = _mm256_set1_epi32(0x00FF00FF);
  __m256i rb = _mm256_and_si256(texel, m8), ag = _mm256_and_si256(_mm256_srli_epi32(texel, 8), m8);
  rb = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(rb, cs.mulRB), cs.addRB), 8);
  ag = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(ag, cs.mulAG), cs.addAG), 8);
  return _mm256_or_si256(rb, _mm256_slli_epi32(ag, 8));
}

// Source over destination: saturating add, or source alpha and its inverse.
template <BlendPath BLEND>
SWR_SIMD_INLINE __m256i blendGroup(__m256i src, __m256i dst) {
  if (BLEND == BlendPath::Add) return _mm256_adds_epu8(src, dst);
  const __m256i m8 = _mm256_set1_epi32(0x00FF00FF), lim = _mm256_set1_epi16(255);
  __m256i a = _mm256_srli_epi32(src, 24);
  a = _mm256_or_si256(a, _mm256_slli_epi32(a, 16));
  const __m256i ia = _mm256_sub_epi16(lim, a);
  const __m256i srb = _mm256_and_si256(src, m8), sag = _mm256_and_si256(_mm256_srli_epi32(src, 8), m8);
  const __m256i drb = _mm256_and_si256(dst, m8), dag = _mm256_and_si256(_mm256_srli_epi32(dst, 8), m8);
  const __m256i orb = _mm256_min_epu16(_mm256_add_epi16(mul8x16(srb, a), mul8x16(drb, ia)), lim);
  const __m256i oag = _mm256_min_epu16(_mm256_add_epi16(mul8x16(sag, a), mul8x16(dag, ia)), lim);
  return _mm256_or_si256(orb, _mm256_slli_epi32(oag, 8));
}

// The passing lanes' colour (and depth) written.
template <DepthPath DEPTH>
SWR_SIMD_INLINE void storeGroup(const RowSetup& r, const Group& g, __m256i pass, __m256i old, __m256i out,
                                __m256i zi, __m256i dold) {
  const __m256i dnew =
      _mm256_or_si256(_mm256_slli_epi32(zi, 8), _mm256_and_si256(dold, _mm256_set1_epi32(255)));
  if (g.full) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(r.cp + g.x), _mm256_blendv_epi8(old, out, pass));
    if (DEPTH == DepthPath::TestWrite)
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(r.dp + g.x), _mm256_blendv_epi8(dold, dnew, pass));
  } else {
    _mm256_maskstore_epi32(reinterpret_cast<int*>(r.cp + g.x), pass, out);
    if (DEPTH == DepthPath::TestWrite) _mm256_maskstore_epi32(reinterpret_cast<int*>(r.dp + g.x), pass, dnew);
  }
}

// Stage 0, the blend and the store of a group's texels.
template <BlendPath BLEND, DepthPath DEPTH>
SWR_SIMD_INLINE void finishGroup(const SpanSetup& s, const RowSetup& r, const Group& g, __m256i pass,
                                 __m256i texel, __m256i zi, __m256i dold) {
  __m256i out = combineStage(s.stage, texel);
  __m256i old = _mm256_setzero_si256();
  if (BLEND != BlendPath::None || g.full)
    old = g.full ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.cp + g.x))
                 : _mm256_maskload_epi32(reinterpret_cast<const int*>(r.cp + g.x), pass);
  if (BLEND == BlendPath::Alpha && DEPTH != DepthPath::TestWrite &&
      _mm256_testz_si256(_mm256_or_si256(_mm256_srli_epi32(out, 24), _mm256_andnot_si256(old, s.dstAlpha)),
                         pass))
    return;  // a zero alpha blends to the destination itself: nothing to write
  if (BLEND != BlendPath::None) out = blendGroup<BLEND>(out, _mm256_or_si256(old, s.dstAlpha));
  storeGroup<DEPTH>(r, g, pass, old, out, zi, dold);
}

// Quads drawn one texel per pixel (text tiles, sprites, a full-view quad of a render target):
// pre-transformed or flat, v constant along a row. A row then reads one texel row (two when
// bilinear weights fall between rows), found once; groups whose lanes land on eight consecutive
// texels inside the texture read them with plain loads and blend them with the general fetch's
// weights. Everything is decided from the same arithmetic the general fetch does, so either way
// the texels are the same.
struct DirectRow {
  const uint32_t* texels;  // the row's texels, or null: the general fetch for the whole row
  const uint32_t* below;   // bilinear: the next row's, weighted by fy7 (null when fy is 0)
  __m256i fy7;
  bool half;  // fy is 128
};

template <TexPath TEX, Addressing ADDR>
SWR_SIMD_INLINE DirectRow directRow(const SpanSetup& s, const RowSetup& r, const Group& g) {
  __m256 u, v, w;
  texCoords<true>(s, r, g, u, v, w);
  if (TEX == TexPath::Linear) {
    const __m256i fv = floorToInt(
        _mm256_sub_ps(_mm256_mul_ps(v, _mm256_set1_ps(s.tex.fh * 256.0f)), _mm256_set1_ps(127.5f)));
    const __m256i yi = _mm256_srai_epi32(fv, 8), fy = _mm256_and_si256(fv, _mm256_set1_epi32(255));
    const int32_t ya = _mm256_cvtsi256_si32(rowOffset(address<ADDR>(yi, s.tex.h), s.tex.pitch));
    if (_mm256_cvtsi256_si32(fy) == 0) return {s.tex.p + ya, nullptr, _mm256_setzero_si256(), false};
    const __m256i yb =
        rowOffset(address<ADDR>(_mm256_add_epi32(yi, _mm256_set1_epi32(1)), s.tex.h), s.tex.pitch);
    return {s.tex.p + ya, s.tex.p + _mm256_cvtsi256_si32(yb),
            _mm256_slli_epi16(_mm256_or_si256(fy, _mm256_slli_epi32(fy, 16)), 7),
            _mm256_cvtsi256_si32(fy) == 128};
  }
  const __m256i yi = floorToInt(_mm256_mul_ps(v, _mm256_set1_ps(s.tex.fh)));
  const int32_t y = _mm256_cvtsi256_si32(rowOffset(address<ADDR>(yi, s.tex.h), s.tex.pitch));
  return {s.tex.p + y, nullptr, _mm256_setzero_si256(), false};
}

SWR_SIMD_INLINE __m256i loadTexels(const uint32_t* p, const Group& g) {
  return g.full ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))
                : _mm256_maskload_epi32(reinterpret_cast<const int*>(p), g.live);
}

// One row of a group's texels, blended with their right neighbours when `across`, as channel pairs.
SWR_SIMD_INLINE void directAcross(const uint32_t* p, const Group& g, bool across, __m256i fx7, __m256i& rb,
                                  __m256i& ag) {
  const __m256i a = loadTexels(p, g);
  if (!across) {
    rb = rbOf(a), ag = agOf(a);
    return;
  }
  const __m256i b = loadTexels(p + 1, g);
  rb = lerpWeight(rbOf(a), rbOf(b), fx7), ag = lerpWeight(agOf(a), agOf(b), fx7);
}

// The group's texels when its live lanes land on consecutive texels inside the texture (with
// their right neighbours when weighted); false otherwise.
template <TexPath TEX>
SWR_SIMD_INLINE bool directGroup(const SpanSetup& s, const RowSetup& r, const DirectRow& d, const Group& g,
                                 __m256i& texel) {
  const __m256 w = r.wRow;
  const __m256 u = _mm256_mul_ps(_mm256_add_ps(r.uRow, _mm256_mul_ps(s.udx, g.dx)), w);
  __m256i xi, fx = _mm256_setzero_si256();
  if (TEX == TexPath::Linear) {
    const __m256i fu = floorToInt(
        _mm256_sub_ps(_mm256_mul_ps(u, _mm256_set1_ps(s.tex.fw * 256.0f)), _mm256_set1_ps(127.5f)));
    fx = _mm256_and_si256(fu, _mm256_and_si256(g.live, _mm256_set1_epi32(255)));
    xi = _mm256_srai_epi32(fu, 8);
  } else {
    xi = floorToInt(_mm256_mul_ps(u, _mm256_set1_ps(s.tex.fw)));
  }
  // Only the live lanes count: the lanes past a span's end never reach the target. A weighted
  // column also reads its right neighbour, which must lie inside the texture too.
  const bool across = TEX == TexPath::Linear && !_mm256_testz_si256(fx, fx);
  const int32_t x = _mm256_cvtsi256_si32(xi);
  const int live = _mm256_movemask_epi8(g.live);
  const __m256i run = _mm256_add_epi32(_mm256_set1_epi32(x), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  if (x < 0 || x > s.tex.w - __builtin_popcount(unsigned(live)) / 4 - int(across) ||
      (_mm256_movemask_epi8(_mm256_cmpeq_epi32(xi, run)) | ~live) != -1)
    return false;
  const __m256i alpha = _mm256_set1_epi32(int32_t(s.tex.alphaOr));
  if (TEX != TexPath::Linear || (!across && !d.below)) {
    texel = _mm256_or_si256(loadTexels(d.texels + x, g), alpha);
    return true;
  }
  // Halfway between centres (a full-view quad of a render target): a weight of 128 rounds as the
  // byte average does, a + ((b - a) * 128 + 128 >> 8) = (a + b + 1) >> 1.
  const __m256i half = _mm256_set1_epi32(128);
  if (across && (!d.below || d.half) &&
      _mm256_movemask_epi8(
          _mm256_cmpeq_epi32(_mm256_or_si256(fx, _mm256_andnot_si256(g.live, half)), half)) == -1) {
    texel = _mm256_avg_epu8(loadTexels(d.texels + x, g), loadTexels(d.texels + x + 1, g));
    if (d.below)
      texel =
          _mm256_avg_epu8(texel, _mm256_avg_epu8(loadTexels(d.below + x, g), loadTexels(d.below + x + 1, g)));
    texel = _mm256_or_si256(texel, alpha);
    return true;
  }
  // The general fetch's blend: across within each row, then down, with the same weights.
  const __m256i fx7 = _mm256_slli_epi16(_mm256_or_si256(fx, _mm256_slli_epi32(fx, 16)), 7);
  __m256i rb, ag;
  directAcross(d.texels + x, g, across, fx7, rb, ag);
  if (d.below) {
    __m256i rb1, ag1;
    directAcross(d.below + x, g, across, fx7, rb1, ag1);
    rb = lerpWeight(rb, rb1, d.fy7), ag = lerpWeight(ag, ag1, d.fy7);
  }
  texel = _mm256_or_si256(_mm256_or_si256(rb, _mm256_slli_epi32(ag, 8)), alpha);
  return true;
}

// The rows of a span. FLAT: rhw constant along each row (pre-transformed triangles), which is what
// the per-row reciprocal, the direct texel reads and the texel-centre test are for; perspective
// triangles are spared all three.
template <TexPath TEX, Addressing ADDR, BlendPath BLEND, DepthPath DEPTH, bool FLAT>
SWR_SIMD_INLINE void spanRows(const Tri& t, const Target& tg, const Spans& sp, const SpanSetup& s) {
  const PixelState& ps = *t.ps;
  const __m256 lanes = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i laneIdx = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  constexpr bool kDirect = FLAT && TEX != TexPath::Mip;
  const bool directRows = kDirect && ps.fast.directRows && t.v[ps.stage[0].texSlot + 1].dx == 0.0f;
  // Texel alpha zero gives a zero source alpha when the stage scales the texel's alpha.
  const bool alphaFromTexel = ps.fast.alpha == StageColor::Modulate || ps.fast.alpha == StageColor::Texture;
  for (int row = 0; row < sp.rows; ++row) {
    const int y = sp.y0 + row, x0 = sp.x0[row], x1 = sp.x1[row];
    if (x0 >= x1) continue;
    const RowSetup r = rowSetup<FLAT>(s, y, DEPTH != DepthPath::None);
    DirectRow direct{nullptr, nullptr, _mm256_setzero_si256(), false};
    for (int x = x0; x < x1; x += 8) {
      // Masked loads and stores are slow on some processors: whole groups inside the span use
      // plain ones and blend.
      const Group g{x, x + 8 <= x1, _mm256_cmpgt_epi32(_mm256_set1_epi32(x1 - x), laneIdx),
                    _mm256_add_ps(_mm256_set1_ps(float(x) - t.refX), lanes)};
      if (kDirect && directRows && x == x0) direct = directRow<TEX, ADDR>(s, r, g);
      __m256i pass = g.live, zi = _mm256_setzero_si256(), dold = _mm256_setzero_si256();
      if (DEPTH != DepthPath::None) {
        depthTest(s, r, g, pass, zi, dold);
        if (_mm256_testz_si256(pass, pass)) continue;
      }
      __m256i texel;
      if (kDirect && direct.texels && directGroup<TEX>(s, r, direct, g, texel)) {
        if (BLEND == BlendPath::Alpha && DEPTH != DepthPath::TestWrite && alphaFromTexel) {
          const __m256i old = g.full ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.cp + x))
                                     : _mm256_maskload_epi32(reinterpret_cast<const int*>(r.cp + x), pass);
          if (_mm256_testz_si256(
                  _mm256_or_si256(_mm256_srli_epi32(texel, 24), _mm256_andnot_si256(old, s.dstAlpha)), pass))
            continue;  // transparent texels over an opaque destination: nothing to write
        }
        finishGroup<BLEND, DEPTH>(s, r, g, pass, texel, zi, dold);
        continue;
      }
      __m256 u, v, w;
      texCoords<FLAT>(s, r, g, u, v, w);
      if (TEX == TexPath::Point) {
        texel = fetchPoint<ADDR>(s.tex, u, v);
      } else if (TEX == TexPath::Linear) {
        texel = fetchBilinear<ADDR, FLAT>(s.tex, u, v);
      } else if (!sampleMip<ADDR, FLAT>(s, ps.samp[0], g.live, u, v, w, texel)) {
        Spans one;
        one.y0 = y, one.rows = 1, one.x0[0] = x, one.x1[0] = x + 8 < x1 ? x + 8 : x1;
        ps.scalarSpan(t, tg, one);
        continue;
      }
      finishGroup<BLEND, DEPTH>(s, r, g, pass, texel, zi, dold);
    }
  }
}

template <TexPath TEX, Addressing ADDR, BlendPath BLEND, DepthPath DEPTH>
SWR_SIMD void simdSpan(const Tri& t, const Target& tg, const Spans& sp) {
  const PixelState& ps = *t.ps;
  if (!t.constDiffuse || (DEPTH != DepthPath::None && !tg.depth) || !tg.color)
    return ps.scalarSpan(t, tg, sp);
  SpanSetup s = spanSetup(t, tg);
  TexRef levels[16];
  if (TEX == TexPath::Mip) {
    for (int l = 0; l < ps.samp[0].levelCount; ++l) levels[l] = texRef(ps.samp[0], l);
    s.levels = levels;
  }
  if (s.flatRhw)
    spanRows<TEX, ADDR, BLEND, DEPTH, true>(t, tg, sp, s);
  else
    spanRows<TEX, ADDR, BLEND, DEPTH, false>(t, tg, sp, s);
}

template <TexPath TEX, Addressing ADDR, BlendPath BLEND, DepthPath DEPTH>
struct SimdFamily {
  static SpanFn get() {
    if constexpr (TEX == TexPath::None)
      return nullptr;  // the untextured states are the scalar routines' alone
    else
      return simdSpan<TEX, ADDR, BLEND, DEPTH>;
  }
};

}  // namespace

SpanFn choose(const FastPath& f) { return pickRoutine<SimdFamily>(f); }
