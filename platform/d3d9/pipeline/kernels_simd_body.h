// The body of the SIMD span routines, included by kernels_simd.cpp once per instruction set
// inside a namespace of its own, with SWR_SIMD naming the compile target. SWR_SIMD_WIDE marks the
// AVX-512 build, whose marked paths work on 512-bit registers and masks; with its register file the
// compiler also keeps the routines' constants in registers instead of reloading them from the stack.
// No include guard: included more than once on purpose.

// The helpers and phases live in the span routine's loop: always inlined, so the routine keeps its
// constants in registers across them.
#undef SWR_SIMD_INLINE
#define SWR_SIMD_INLINE SWR_SIMD inline __attribute__((always_inline))

namespace {

using namespace kernel;

// Texel channels as 16-bit lanes, blue, green, red, alpha per pixel: the bilinear weights, the
// stage's multiply-add and the packing all work on four channels at once. With AVX-512 one
// register holds the eight pixels in order; with AVX2 two hold pixels 0, 1, 4, 5 and 2, 3, 6, 7,
// the order byte unpacking and saturating packing give within the 128-bit halves.
#if SWR_SIMD_WIDE
using WordVec = __m512i;
constexpr int kWordVecs = 1;
SWR_SIMD_INLINE WordVec add16(WordVec a, WordVec b) { return _mm512_add_epi16(a, b); }
SWR_SIMD_INLINE WordVec sub16(WordVec a, WordVec b) { return _mm512_sub_epi16(a, b); }
SWR_SIMD_INLINE WordVec mullo16(WordVec a, WordVec b) { return _mm512_mullo_epi16(a, b); }
SWR_SIMD_INLINE WordVec mulhrs16(WordVec a, WordVec b) { return _mm512_mulhrs_epi16(a, b); }
SWR_SIMD_INLINE WordVec high8(WordVec a) { return _mm512_srli_epi16(a, 8); }
SWR_SIMD_INLINE WordVec eachPixel(uint64_t q) { return _mm512_set1_epi64(int64_t(q)); }
// Byte controls for one 128-bit half's two pixels (qwords): the even and the odd one.
SWR_SIMD_INLINE WordVec halfPattern(uint64_t even, uint64_t odd) {
  return _mm512_set4_epi64(int64_t(odd), int64_t(even), int64_t(odd), int64_t(even));
}
SWR_SIMD_INLINE WordVec shuffle8(WordVec a, WordVec ctl) { return _mm512_shuffle_epi8(a, ctl); }
#else
using WordVec = __m256i;
constexpr int kWordVecs = 2;
SWR_SIMD_INLINE WordVec add16(WordVec a, WordVec b) { return _mm256_add_epi16(a, b); }
SWR_SIMD_INLINE WordVec sub16(WordVec a, WordVec b) { return _mm256_sub_epi16(a, b); }
SWR_SIMD_INLINE WordVec mullo16(WordVec a, WordVec b) { return _mm256_mullo_epi16(a, b); }
SWR_SIMD_INLINE WordVec mulhrs16(WordVec a, WordVec b) { return _mm256_mulhrs_epi16(a, b); }
SWR_SIMD_INLINE WordVec high8(WordVec a) { return _mm256_srli_epi16(a, 8); }
SWR_SIMD_INLINE WordVec eachPixel(uint64_t q) { return _mm256_set1_epi64x(int64_t(q)); }
SWR_SIMD_INLINE WordVec halfPattern(uint64_t even, uint64_t odd) {
  return _mm256_setr_epi64x(int64_t(even), int64_t(odd), int64_t(even), int64_t(odd));
}
SWR_SIMD_INLINE WordVec shuffle8(WordVec a, WordVec ctl) { return _mm256_shuffle_epi8(a, ctl); }
#endif

struct Words {
  WordVec v[kWordVecs];
};

// Four channel values, the same for every pixel.
SWR_SIMD_INLINE WordVec eachPixel(const uint16_t (&c)[4]) {
  return eachPixel(uint64_t(c[0]) | uint64_t(c[1]) << 16 | uint64_t(c[2]) << 32 | uint64_t(c[3]) << 48);
}

// Packed 32-bit texels to channel lanes and back (every lane holds 0..255).
SWR_SIMD_INLINE Words wordsOf(__m256i packed) {
#if SWR_SIMD_WIDE
  return {{_mm512_cvtepu8_epi16(packed)}};
#else
  const __m256i zero = _mm256_setzero_si256();
  return {{_mm256_unpacklo_epi8(packed, zero), _mm256_unpackhi_epi8(packed, zero)}};
#endif
}

SWR_SIMD_INLINE __m256i packWords(const Words& w) {
#if SWR_SIMD_WIDE
  return _mm512_cvtepi16_epi8(w.v[0]);
#else
  return _mm256_packus_epi16(w.v[0], w.v[1]);
#endif
}

#if SWR_SIMD_WIDE
// The word index of each pixel's low 16 bits, on all four of its channels' words.
SWR_SIMD_INLINE __m512i pixelWords() {
  return _mm512_set_epi16(14, 14, 14, 14, 12, 12, 12, 12, 10, 10, 10, 10, 8, 8, 8, 8, 6, 6, 6, 6, 4, 4, 4, 4,
                          2, 2, 2, 2, 0, 0, 0, 0);
}
#endif

// Each pixel's low 16 bits (of its 32-bit lane) on all four of its channels.
SWR_SIMD_INLINE Words perPixel(__m256i v) {
#if SWR_SIMD_WIDE
  return {{_mm512_permutexvar_epi16(pixelWords(), _mm512_castsi256_si512(v))}};
#else
  return {{shuffle8(v, halfPattern(0x0100010001000100u, 0x0504050405040504u)),
           shuffle8(v, halfPattern(0x0908090809080908u, 0x0D0C0D0C0D0C0D0Cu))}};
#endif
}

// Texture coordinates of a group. With AVX-512, u and v side by side in one register (u in the
// lower half): the arithmetic that is the same for both is done once.
#if SWR_SIMD_WIDE
struct Coords {
  __m512 uv;
};
SWR_SIMD_INLINE Coords coords(__m256 u, __m256 v) {
  return {_mm512_insertf32x8(_mm512_castps256_ps512(u), v, 1)};
}
#else
struct Coords {
  __m256 u, v;
};
SWR_SIMD_INLINE Coords coords(__m256 u, __m256 v) { return {u, v}; }
#endif

// (a * (256 - f) + b * f + 128) >> 8 with f (per pixel, 0..256) in 16-bit lanes: the scalar
// lerp8's rounding.
SWR_SIMD_INLINE Words lerp16(const Words& a, const Words& b, __m256i f) {
  const Words fw = perPixel(f);
  Words r;
  for (int i = 0; i < kWordVecs; ++i) {
    const WordVec fi = sub16(eachPixel(0x0100010001000100u), fw.v[i]);
    r.v[i] =
        high8(add16(add16(mullo16(a.v[i], fi), mullo16(b.v[i], fw.v[i])), eachPixel(0x0080008000800080u)));
  }
  return r;
}

// The same for weights f below 256, given as f << 7: a + ((b - a) * f + 128 >> 8) equals lerp16's
// (a * (256 - f) + b * f + 128) >> 8 because 256 * a leaves the rounding alone; the rounding
// multiply-high computes ((b - a) * (f << 7) + (1 << 14)) >> 15, the same quotient.
SWR_SIMD_INLINE Words lerpWeight(const Words& a, const Words& b, const Words& f7) {
  Words r;
  for (int i = 0; i < kWordVecs; ++i) r.v[i] = add16(a.v[i], mulhrs16(sub16(b.v[i], a.v[i]), f7.v[i]));
  return r;
}

// Stage 0 with the constant diffuse colour, per channel: out = (texel * mul + add) >> 8.
struct SimdSetup {
  WordVec mul, add;
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

// An opaque texture's texels all have alpha 255, so its alpha channel's result is a constant:
// folded into `add`, the fetches need not set the alpha first.
SWR_SIMD_INLINE SimdSetup simdSetup(StageColor colorMode, StageColor alphaMode, uint32_t d, bool opaque) {
  uint16_t mul[4], add[4];
  channelOp(colorMode, d & 255, mul[0], add[0]);
  channelOp(colorMode, (d >> 8) & 255, mul[1], add[1]);
  channelOp(colorMode, (d >> 16) & 255, mul[2], add[2]);
  channelOp(alphaMode, d >> 24, mul[3], add[3]);
  if (opaque) add[3] = uint16_t(255 * mul[3] + add[3]), mul[3] = 0;
  return {eachPixel(mul), eachPixel(add)};
}

// One texture axis as vectors: the last index, the size and its inverse (any-size wrapping).
struct Axis {
  __m256i last, n;
  __m256 inv;
};

SWR_SIMD_INLINE Axis axisOf(int32_t n) {
  return {_mm256_set1_epi32(n - 1), _mm256_set1_epi32(n), _mm256_set1_ps(1.0f / float(n))};
}

// Texel indices into [0, n). Any-size wrapping divides in single precision and corrects the
// quotient by one either way, exact while |i| < 2^24; beyond that (coordinates of millions of
// texels, or not numbers) the result is only kept inside the texture.
template <Addressing ADDR>
SWR_SIMD_INLINE __m256i address(__m256i i, const Axis& a) {
  if (ADDR == Addressing::Wrap) return _mm256_and_si256(i, a.last);
  if (ADDR == Addressing::WrapAny) {
    // Most groups read inside the texture and need no division.
    const __m256i outside =
        _mm256_or_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), i), _mm256_cmpgt_epi32(i, a.last));
    if (_mm256_testz_si256(outside, outside)) return i;
    const __m256 q = _mm256_floor_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(i), a.inv));
    i = _mm256_sub_epi32(i, _mm256_mullo_epi32(_mm256_cvttps_epi32(q), a.n));
    i = _mm256_add_epi32(i, _mm256_and_si256(_mm256_cmpgt_epi32(_mm256_setzero_si256(), i), a.n));
    i = _mm256_sub_epi32(i, _mm256_andnot_si256(_mm256_cmpgt_epi32(a.n, i), a.n));
  }
  return _mm256_max_epi32(_mm256_min_epi32(i, a.last), _mm256_setzero_si256());
}

template <Addressing ADDR>
SWR_SIMD_INLINE __m256i address(__m256i i, int32_t n) {
  return address<ADDR>(i, axisOf(n));
}

// Out-of-range and NaN lanes become INT_MIN, which the addressing below folds into the texture.
// AVX-512 converts rounding down in one step; the integers are the same.
SWR_SIMD_INLINE __m256i floorToInt(__m256 f) {
#if SWR_SIMD_WIDE
  return _mm512_castsi512_si256(
      _mm512_cvt_roundps_epi32(_mm512_castps256_ps512(f), _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC));
#else
  return _mm256_cvttps_epi32(_mm256_floor_ps(f));
#endif
}

// x * a / 255 rounded, in 16-bit lanes (x, a <= 255): the scalar mul8's (p + (p >> 8)) >> 8 with
// p = x * a + 128 equals (p * 257) >> 16, as p + p / 256 never passes the next multiple of 256.
SWR_SIMD_INLINE __m256i mul8x16(__m256i x, __m256i a) {
  const __m256i p = _mm256_add_epi16(_mm256_mullo_epi16(x, a), _mm256_set1_epi16(128));
  return _mm256_mulhi_epu16(p, _mm256_set1_epi16(257));
}

// Row offsets: a shift when the pitch is a power of two (the usual case), else a multiply.
struct Pitch {
  bool pow2;
  __m256i shift, mul;
};

SWR_SIMD_INLINE Pitch pitchOf(int32_t pitch) {
  const bool pow2 = (pitch & (pitch - 1)) == 0;
  return {pow2, _mm256_set1_epi32(pow2 ? __builtin_ctz(unsigned(pitch) | 1u << 31) : 0),
          _mm256_set1_epi32(pitch)};
}

SWR_SIMD_INLINE __m256i rowOffset(__m256i y, const Pitch& p) {
  return p.pow2 ? _mm256_sllv_epi32(y, p.shift) : _mm256_mullo_epi32(y, p.mul);
}

SWR_SIMD_INLINE __m256i rowOffset(__m256i y, int32_t pitch) { return rowOffset(y, pitchOf(pitch)); }

// A level's sampling constants as vectors, made once per span for the single-level routines.
struct TexVec {
  const int32_t* texels;
  int32_t width;
  Axis x, y;
  Pitch pitch;
  __m256 fw, fh, fw256, fh256;  // the size, and in 1/256 texel
  __m256i pairLast;             // w - 2: the last column a horizontal pair may start at
  __m256i alphaOr;
  __m256i fixedLastX, fixedLastY;  // the last column's and row's position in 1/256 texel
#if SWR_SIMD_WIDE
  __m512 fwh256;      // fw256 and fh256 side by side
  __m512i fixedLast;  // fixedLastX and fixedLastY side by side
#endif
};

SWR_SIMD_INLINE TexVec texVec(const TexRef& t) {
  return {
    reinterpret_cast<const int32_t*>(t.p), t.w, axisOf(t.w), axisOf(t.h), pitchOf(t.pitch),
        _mm256_set1_ps(t.fw), _mm256_set1_ps(t.fh), _mm256_set1_ps(t.fw * 256.0f),
        _mm256_set1_ps(t.fh * 256.0f), _mm256_set1_epi32(t.w - 2), _mm256_set1_epi32(int32_t(t.alphaOr)),
        _mm256_set1_epi32((t.w - 1) * 256), _mm256_set1_epi32((t.h - 1) * 256),
#if SWR_SIMD_WIDE
        _mm512_insertf32x8(_mm512_set1_ps(t.fw * 256.0f), _mm256_set1_ps(t.fh * 256.0f), 1),
        _mm512_inserti32x8(_mm512_set1_epi32((t.w - 1) * 256), _mm256_set1_epi32((t.h - 1) * 256), 1),
#endif
  };
}

template <Addressing ADDR>
SWR_SIMD_INLINE __m256i fetchPoint(const TexVec& t, __m256 u, __m256 v) {
  __m256i xi = address<ADDR>(floorToInt(_mm256_mul_ps(u, t.fw)), t.x);
  __m256i yi = address<ADDR>(floorToInt(_mm256_mul_ps(v, t.fh)), t.y);
  __m256i idx = _mm256_add_epi32(rowOffset(yi, t.pitch), xi);
  return _mm256_or_si256(_mm256_i32gather_epi32(t.texels, idx, 4), t.alphaOr);
}

SWR_SIMD_INLINE __m256 sq(__m256 a) { return _mm256_mul_ps(a, a); }

// A horizontal pair of texels as a 64-bit lane: the shuffle controls that take a pair's left or
// right texel into channel lanes (0x80: a zero byte), for the first and second pixel of a half.
constexpr uint64_t kLeftEven = 0x8003800280018000u, kLeftOdd = 0x800B800A80098008u;
constexpr uint64_t kRightEven = 0x8007800680058004u, kRightOdd = 0x800F800E800D800Cu;

// Where bilinear samples fall, in 1/256 texel less half a texel: the upper-left texels' column and
// row, and the weights (0..255) towards the right and the lower neighbours.
struct BilinearAt {
  __m256i xi, yi;
#if SWR_SIMD_WIDE
  __m512i f;  // x weights in the lower half, y weights in the upper
#else
  __m256i fx, fy;
#endif
};

// Clamped positions are kept inside the texture here, so the indices need no clamping of their
// own: past an edge the weight becomes zero, which changes nothing as both texels there are the
// edge's (and a position out of range, INT_MIN, reads the first texel as before).
template <Addressing ADDR>
SWR_SIMD_INLINE BilinearAt bilinearAt(const TexVec& t, const Coords& c) {
#if SWR_SIMD_WIDE
  __m512i fuv = _mm512_cvt_roundps_epi32(_mm512_sub_ps(_mm512_mul_ps(c.uv, t.fwh256), _mm512_set1_ps(127.5f)),
                                         _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
  if (ADDR == Addressing::Clamp)
    fuv = _mm512_max_epi32(_mm512_min_epi32(fuv, t.fixedLast), _mm512_setzero_si512());
  const __m512i i = _mm512_srai_epi32(fuv, 8);
  return {_mm512_castsi512_si256(i), _mm512_extracti32x8_epi32(i, 1),
          _mm512_and_si512(fuv, _mm512_set1_epi32(255))};
#else
  const __m256 half = _mm256_set1_ps(127.5f);
  const __m256i byte = _mm256_set1_epi32(255);
  __m256i fu = floorToInt(_mm256_sub_ps(_mm256_mul_ps(c.u, t.fw256), half));
  __m256i fv = floorToInt(_mm256_sub_ps(_mm256_mul_ps(c.v, t.fh256), half));
  if (ADDR == Addressing::Clamp) {
    fu = _mm256_max_epi32(_mm256_min_epi32(fu, t.fixedLastX), _mm256_setzero_si256());
    fv = _mm256_max_epi32(_mm256_min_epi32(fv, t.fixedLastY), _mm256_setzero_si256());
  }
  return {_mm256_srai_epi32(fu, 8), _mm256_srai_epi32(fv, 8), _mm256_and_si256(fu, byte),
          _mm256_and_si256(fv, byte)};
#endif
}

// No weight on any neighbour: every sample on a texel centre.
SWR_SIMD_INLINE bool noWeights(const BilinearAt& at) {
#if SWR_SIMD_WIDE
  return _mm512_test_epi32_mask(at.f, at.f) == 0;
#else
  const __m256i f = _mm256_or_si256(at.fx, at.fy);
  return _mm256_testz_si256(f, f);
#endif
}

// The weights on every channel, as f << 7 for lerpWeight.
SWR_SIMD_INLINE void weights(const BilinearAt& at, Words& fx7, Words& fy7) {
#if SWR_SIMD_WIDE
  const __m512i f7 = _mm512_slli_epi32(at.f, 7);
  const __m512i lower = pixelWords();
  fx7.v[0] = _mm512_permutexvar_epi16(lower, f7);
  fy7.v[0] = _mm512_permutexvar_epi16(_mm512_add_epi16(lower, _mm512_set1_epi16(16)), f7);
#else
  fx7 = perPixel(_mm256_slli_epi32(at.fx, 7)), fy7 = perPixel(_mm256_slli_epi32(at.fy, 7));
#endif
}

#if !SWR_SIMD_WIDE
// The texel pairs at eight offsets, pixels 0, 1, 4, 5 in the first register and 2, 3, 6, 7 in the
// second. Plain 64-bit loads instead of gathers: some processors that stop at AVX2 take several
// times as long for a gather as for its loads.
SWR_SIMD_INLINE void loadPairs(const int32_t* texels, __m256i offsets, __m256i (&p)[2]) {
  // The offsets leave through 64-bit moves, two at a time: a store and scalar reloads would
  // wait on store forwarding.
  const __m128i lo = _mm256_castsi256_si128(offsets), hi = _mm256_extracti128_si256(offsets, 1);
  auto two = [texels](uint64_t offsetPair) SWR_SIMD {
    const __m128i first = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(texels + uint32_t(offsetPair)));
    const double* second = reinterpret_cast<const double*>(texels + (offsetPair >> 32));
    return _mm_castpd_si128(_mm_loadh_pd(_mm_castsi128_pd(first), second));
  };
  const uint64_t o01 = uint64_t(_mm_cvtsi128_si64(lo)), o23 = uint64_t(_mm_extract_epi64(lo, 1));
  const uint64_t o45 = uint64_t(_mm_cvtsi128_si64(hi)), o67 = uint64_t(_mm_extract_epi64(hi, 1));
  p[0] = _mm256_inserti128_si256(_mm256_castsi128_si256(two(o01)), two(o45), 1);
  p[1] = _mm256_inserti128_si256(_mm256_castsi128_si256(two(o23)), two(o67), 1);
}
#endif

// Bilinear with 8-bit weights, as the scalar sampleBilinear, in channel lanes with the alpha as
// stored (the stage sets an opaque texture's). CENTRES: test for groups on texel centres, which
// pre-transformed quads drawn one texel per pixel hit and perspective ones hardly ever do.
template <Addressing ADDR, bool CENTRES>
SWR_SIMD_INLINE Words bilinearWords(const TexVec& t, const Coords& c) {
  const __m256i one = _mm256_set1_epi32(1);
  const BilinearAt at = bilinearAt<ADDR>(t, c);
  const __m256i xi = at.xi, yi = at.yi;
  __m256i ya, yb;
  // Clamped (and the row inside the texture), the lower row is the next one but at the last row.
  if (ADDR == Addressing::Clamp) {
    ya = rowOffset(yi, t.pitch);
#if SWR_SIMD_WIDE
    yb = _mm256_mask_add_epi32(ya, _mm256_cmplt_epi32_mask(yi, t.y.last), ya, t.pitch.mul);
#else
    yb = _mm256_add_epi32(ya, _mm256_and_si256(_mm256_cmpgt_epi32(t.y.last, yi), t.pitch.mul));
#endif
  } else {
    ya = rowOffset(address<ADDR>(yi, t.y), t.pitch);
    yb = rowOffset(address<ADDR>(_mm256_add_epi32(yi, one), t.y), t.pitch);
  }
  // Horizontal neighbours are adjacent in memory except across a wrapped edge: fetch them as
  // pairs (half the gathered elements).
  __m256i xc;
  bool pairs = t.width >= 2;
#if SWR_SIMD_WIDE
  __mmask8 above = 0;
#else
  __m256i above = _mm256_setzero_si256();
#endif
  if (ADDR != Addressing::Clamp) {
    xc = address<ADDR>(xi, t.x);
    pairs = pairs && _mm256_movemask_epi8(_mm256_cmpeq_epi32(xc, t.x.last)) == 0;
  } else {
    // On the last column (weight zero) the pair starts one before it and takes its right texel
    // for the left one.
    xc = _mm256_min_epi32(xi, t.pairLast);
#if SWR_SIMD_WIDE
    above = _mm256_cmpgt_epi32_mask(xi, t.pairLast);
#else
    above = _mm256_cmpgt_epi32(xi, t.pairLast);
#endif
  }
  // Pixels on texel centres (sprites drawn one texel per pixel) have no weight on the
  // neighbours: the first texel alone is the exact result.
  if (CENTRES && noWeights(at)) {
    const __m256i idx = _mm256_add_epi32(ya, ADDR != Addressing::Clamp ? xc : address<ADDR>(xi, t.x));
    // Eight texels side by side in one row (every index inside the texture): one plain load.
    const __m256i run = _mm256_add_epi32(_mm256_permutevar8x32_epi32(idx, _mm256_setzero_si256()),
                                         _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    return wordsOf(
        _mm256_movemask_epi8(_mm256_cmpeq_epi32(idx, run)) == -1
            ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t.texels + _mm256_cvtsi256_si32(idx)))
            : _mm256_i32gather_epi32(t.texels, idx, 4));
  }
  Words l0, r0, l1, r1;  // left and right texels of the upper and the lower row
  if (pairs) {
    const WordVec left = halfPattern(kLeftEven, kLeftOdd), right = halfPattern(kRightEven, kRightOdd);
#if SWR_SIMD_WIDE
    const long long* base = reinterpret_cast<const long long*>(t.texels);
    const __m512i p0 = _mm512_i32gather_epi64(_mm256_add_epi32(ya, xc), base, 4);
    const __m512i p1 = _mm512_i32gather_epi64(_mm256_add_epi32(yb, xc), base, 4);
    const __m512i leftOrRight =
        ADDR == Addressing::Clamp ? _mm512_mask_blend_epi64(above, left, right) : left;
    l0.v[0] = shuffle8(p0, leftOrRight), r0.v[0] = shuffle8(p0, right);
    l1.v[0] = shuffle8(p1, leftOrRight), r1.v[0] = shuffle8(p1, right);
#else
    __m256i p0[2], p1[2];
    loadPairs(t.texels, _mm256_add_epi32(ya, xc), p0);
    loadPairs(t.texels, _mm256_add_epi32(yb, xc), p1);
    // A control byte with 4 added (the zero bytes stay zero) takes the right texel instead.
    const Words moved = perPixel(_mm256_and_si256(above, _mm256_set1_epi32(4 * 0x0101)));
    for (int i = 0; i < 2; ++i) {
      const __m256i leftOrRight = ADDR == Addressing::Clamp ? _mm256_or_si256(left, moved.v[i]) : left;
      l0.v[i] = shuffle8(p0[i], leftOrRight), r0.v[i] = shuffle8(p0[i], right);
      l1.v[i] = shuffle8(p1[i], leftOrRight), r1.v[i] = shuffle8(p1[i], right);
    }
#endif
  } else {
    __m256i xa = address<ADDR>(xi, t.x), xb = address<ADDR>(_mm256_add_epi32(xi, one), t.x);
    l0 = wordsOf(_mm256_i32gather_epi32(t.texels, _mm256_add_epi32(ya, xa), 4));
    r0 = wordsOf(_mm256_i32gather_epi32(t.texels, _mm256_add_epi32(ya, xb), 4));
    l1 = wordsOf(_mm256_i32gather_epi32(t.texels, _mm256_add_epi32(yb, xa), 4));
    r1 = wordsOf(_mm256_i32gather_epi32(t.texels, _mm256_add_epi32(yb, xb), 4));
  }
  Words fx7, fy7;
  weights(at, fx7, fy7);
  return lerpWeight(lerpWeight(l0, r0, fx7), lerpWeight(l1, r1, fx7), fy7);
}

// One level's texels in channel lanes.
template <Addressing ADDR, bool CENTRES>
SWR_SIMD_INLINE Words fetch(const TexVec& t, Filter filter, __m256 u, __m256 v) {
  return filter == Filter::Point ? wordsOf(fetchPoint<ADDR>(t, u, v))
                                 : bilinearWords<ADDR, CENTRES>(t, coords(u, v));
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
  TexVec texv;           // the same as vectors
  const TexRef* levels;  // the mip-mapped variant's, all of them
  SimdSetup stage;       // stage 0's combination with the constant diffuse colour
  __m256i dstAlpha;      // ORed into destinations without alpha
  __m256 zc, zdx, udx, vdx, rdx;
  __m256 udy, vdy, rdy;  // level-of-detail inputs
#if SWR_SIMD_WIDE
  __m512 uvdx;  // udx and vdx side by side
#endif
  __m256 w0, h0, bias;  // of level 0 and the sampler
  __m256i lastLevel, maxLevel;
  bool flatRhw;      // pre-transformed: one rhw along a row
  bool depthPasses;  // Spans::depthPasses: no comparison, every live lane passes
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
#if SWR_SIMD_WIDE
  __m512 uvRow;
#endif
  uint32_t* cp;
  uint32_t* dp;
};

// One group of up to eight pixels in a row.
struct Group {
  int x;
  bool full;     // all eight inside the span: plain loads and stores
  __m256i live;  // lanes inside the span
  __m256 dx;     // x - refX per lane
#if SWR_SIMD_WIDE
  __m512 dx2;  // the same twice over, for u and v side by side
  __mmask8 liveMask;
#endif
};

// The lanes a group writes: a vector, and with AVX-512 also a mask.
struct Pass {
  __m256i v;
#if SWR_SIMD_WIDE
  __mmask8 k;
#endif
};

SWR_SIMD_INLINE Pass passOf(__m256i v) {
#if SWR_SIMD_WIDE
  return {v, _mm256_movepi32_mask(v)};
#else
  return {v};
#endif
}

SWR_SIMD_INLINE Group groupAt(int x, int x1, float refX) {
  const __m256i laneIdx = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(x1 - x), laneIdx);
#if SWR_SIMD_WIDE
  const __m512 dx2 = _mm512_add_ps(_mm512_set1_ps(float(x) - refX),
                                   _mm512_setr_ps(0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7));
  return {x,    x + 8 <= x1,
          live, _mm512_castps512_ps256(dx2),
          dx2,  _mm256_cmpgt_epi32_mask(_mm256_set1_epi32(x1 - x), laneIdx)};
#else
  return {x, x + 8 <= x1, live,
          _mm256_add_ps(_mm256_set1_ps(float(x) - refX), _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7))};
#endif
}

SWR_SIMD_INLINE SpanSetup spanSetup(const Tri& t, const Target& tg) {
  const PixelState& ps = *t.ps;
  const Sampler& sm = ps.samp[0];
  const Plane &pu = t.v[ps.stage[0].texSlot], &pv = t.v[ps.stage[0].texSlot + 1];
  SpanSetup s;
  s.tex = texRef(sm, ps.fast.level);
  s.levels = nullptr;  // set by the mip-mapped variant
  s.texv = texVec(s.tex);
  s.stage = simdSetup(ps.fast.color, ps.fast.alpha, t.diffuse8, s.tex.alphaOr != 0);
  s.dstAlpha = _mm256_set1_epi32(tg.colorHasAlpha ? 0 : int32_t(0xFF000000u));
  s.zc = _mm256_set1_ps(t.z.c), s.zdx = _mm256_set1_ps(t.z.dx);
  s.udx = _mm256_set1_ps(pu.dx), s.vdx = _mm256_set1_ps(pv.dx), s.rdx = _mm256_set1_ps(t.rhw.dx);
#if SWR_SIMD_WIDE
  s.uvdx = _mm512_insertf32x8(_mm512_castps256_ps512(s.udx), s.vdx, 1);
#endif
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
#if SWR_SIMD_WIDE
  r.uvRow = _mm512_insertf32x8(_mm512_castps256_ps512(r.uRow), r.vRow, 1);
#endif
  r.cp = s.color + size_t(y) * s.colorPitch;
  r.dp = depth ? s.depth + size_t(y) * s.depthPitch : nullptr;
  return r;
}

// Depth per lane and the less-or-equal test: `pass` narrows to the lanes that pass.
SWR_SIMD_INLINE void depthTest(const SpanSetup& s, const RowSetup& r, const Group& g, Pass& pass, __m256i& zi,
                               __m256i& dold) {
  __m256 z = _mm256_add_ps(_mm256_add_ps(s.zc, _mm256_mul_ps(s.zdx, g.dx)), r.zdy);
  z = _mm256_min_ps(_mm256_max_ps(z, _mm256_setzero_ps()), _mm256_set1_ps(1.0f));
  zi =
      _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(z, _mm256_set1_ps(16777215.0f)), _mm256_set1_ps(0.5f)));
  zi = _mm256_min_epi32(zi, _mm256_set1_epi32(0xFFFFFF));  // z = 1 rounds up to 2^24
#if SWR_SIMD_WIDE
  dold = g.full ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.dp + g.x))
                : _mm256_maskz_loadu_epi32(g.liveMask, r.dp + g.x);
  pass.k =
      s.depthPasses ? g.liveMask : _mm256_mask_cmple_epi32_mask(g.liveMask, zi, _mm256_srli_epi32(dold, 8));
  pass.v = _mm256_movm_epi32(pass.k);
#else
  dold = g.full ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.dp + g.x))
                : _mm256_maskload_epi32(reinterpret_cast<const int*>(r.dp + g.x), g.live);
  pass.v = s.depthPasses ? g.live
                         : _mm256_andnot_si256(_mm256_cmpgt_epi32(zi, _mm256_srli_epi32(dold, 8)), g.live);
#endif
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

// The same as one Coords: with AVX-512, u and v are interpolated and divided in one register.
template <bool FLAT>
SWR_SIMD_INLINE Coords texCoords(const SpanSetup& s, const RowSetup& r, const Group& g) {
#if SWR_SIMD_WIDE
  __m256 w = r.wRow;
  if (!FLAT) {
    const __m256 rhw = _mm256_add_ps(r.rRow, _mm256_mul_ps(s.rdx, g.dx));
    w = _mm256_and_ps(_mm256_div_ps(_mm256_set1_ps(1.0f), rhw),
                      _mm256_cmp_ps(rhw, _mm256_setzero_ps(), _CMP_NEQ_OQ));
  }
  const __m512 w2 = _mm512_insertf32x8(_mm512_castps256_ps512(w), w, 1);
  return {_mm512_mul_ps(_mm512_add_ps(r.uvRow, _mm512_mul_ps(s.uvdx, g.dx2)), w2)};
#else
  __m256 u, v, w;
  texCoords<FLAT>(s, r, g, u, v, w);
  return coords(u, v);
#endif
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
                               __m256 w, Words& texel) {
  const __m256 lod = levelOfDetail(s, u, v, w);
  const __m256i minify = _mm256_castps_si256(_mm256_cmp_ps(lod, _mm256_setzero_ps(), _CMP_GT_OQ));
  const int mm = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_and_si256(minify, live)));
  const int lm = _mm256_movemask_ps(_mm256_castsi256_ps(live));
  if (mm == 0 || sm.mip == MipMode::None) {
    if (mm != 0 && mm != lm) return false;
    texel = fetch<ADDR, CENTRES>(texVec(s.levels[sm.maxLevel]), mm == 0 ? sm.mag : sm.min, u, v);
    return true;
  }
  if (mm != lm) return false;
  if (sm.mip == MipMode::Nearest) {
    __m256i lvl = _mm256_cvttps_epi32(_mm256_add_ps(lod, _mm256_set1_ps(0.5f)));
    lvl = _mm256_max_epi32(_mm256_min_epi32(lvl, s.lastLevel), s.maxLevel);
    if (!uniform(lvl, live)) return false;
    texel = fetch<ADDR, CENTRES>(texVec(s.levels[_mm256_cvtsi256_si32(lvl)]), sm.min, u, v);
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
  texel = lerp16(fetch<ADDR, CENTRES>(texVec(s.levels[clampLevel(a0)]), sm.min, u, v),
                 fetch<ADDR, CENTRES>(texVec(s.levels[clampLevel(a0 + 1)]), sm.min, u, v), f);
  return true;
}

// Stage 0: per channel (texel * mul + add) >> 8.
SWR_SIMD_INLINE Words combineStage(const SimdSetup& cs, const Words& texel) {
  Words r;
  for (int i = 0; i < kWordVecs; ++i) r.v[i] = high8(add16(mullo16(texel.v[i], cs.mul), cs.add));
  return r;
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

// The passing lanes' colour (and depth) written. AVX-512's masked stores cost what plain ones do;
// with AVX2 whole groups store plainly the old values blended in.
template <DepthPath DEPTH>
SWR_SIMD_INLINE void storeGroup(const RowSetup& r, const Group& g, const Pass& pass, __m256i old, __m256i out,
                                __m256i zi, __m256i dold) {
  const __m256i dnew =
      _mm256_or_si256(_mm256_slli_epi32(zi, 8), _mm256_and_si256(dold, _mm256_set1_epi32(255)));
#if SWR_SIMD_WIDE
  (void)old;
  _mm256_mask_storeu_epi32(r.cp + g.x, pass.k, out);
  if (DEPTH == DepthPath::TestWrite) _mm256_mask_storeu_epi32(r.dp + g.x, pass.k, dnew);
#else
  if (g.full) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(r.cp + g.x), _mm256_blendv_epi8(old, out, pass.v));
    if (DEPTH == DepthPath::TestWrite)
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(r.dp + g.x), _mm256_blendv_epi8(dold, dnew, pass.v));
  } else {
    _mm256_maskstore_epi32(reinterpret_cast<int*>(r.cp + g.x), pass.v, out);
    if (DEPTH == DepthPath::TestWrite)
      _mm256_maskstore_epi32(reinterpret_cast<int*>(r.dp + g.x), pass.v, dnew);
  }
#endif
}

// Stage 0, the blend and the store of a group's texels in channel lanes.
template <BlendPath BLEND, DepthPath DEPTH>
SWR_SIMD_INLINE void finishWords(const SpanSetup& s, const RowSetup& r, const Group& g, const Pass& pass,
                                 const Words& texel, __m256i zi, __m256i dold) {
  __m256i out = packWords(combineStage(s.stage, texel));
  __m256i old = _mm256_setzero_si256();
  if (BLEND != BlendPath::None || (!SWR_SIMD_WIDE && g.full))
    old = g.full ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.cp + g.x))
                 : _mm256_maskload_epi32(reinterpret_cast<const int*>(r.cp + g.x), pass.v);
  if (BLEND == BlendPath::Alpha && DEPTH != DepthPath::TestWrite &&
      _mm256_testz_si256(_mm256_or_si256(_mm256_srli_epi32(out, 24), _mm256_andnot_si256(old, s.dstAlpha)),
                         pass.v))
    return;  // a zero alpha blends to the destination itself: nothing to write
  if (BLEND != BlendPath::None) out = blendGroup<BLEND>(out, _mm256_or_si256(old, s.dstAlpha));
  storeGroup<DEPTH>(r, g, pass, old, out, zi, dold);
}

// The same for packed texels.
template <BlendPath BLEND, DepthPath DEPTH>
SWR_SIMD_INLINE void finishGroup(const SpanSetup& s, const RowSetup& r, const Group& g, __m256i pass,
                                 __m256i texel, __m256i zi, __m256i dold) {
  finishWords<BLEND, DEPTH>(s, r, g, passOf(pass), wordsOf(texel), zi, dold);
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

// One row of a group's texels in channel lanes, blended with their right neighbours when `across`.
SWR_SIMD_INLINE Words directAcross(const uint32_t* p, const Group& g, bool across, const Words& fx7) {
  const Words a = wordsOf(loadTexels(p, g));
  return across ? lerpWeight(a, wordsOf(loadTexels(p + 1, g)), fx7) : a;
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
  const Words fx7 = perPixel(_mm256_slli_epi32(fx, 7));
  Words t = directAcross(d.texels + x, g, across, fx7);
  if (d.below) t = lerpWeight(t, directAcross(d.below + x, g, across, fx7), perPixel(d.fy7));
  texel = _mm256_or_si256(packWords(t), alpha);
  return true;
}

// The rows of a span. FLAT: rhw constant along each row (pre-transformed triangles), which is what
// the per-row reciprocal, the direct texel reads and the texel-centre test are for; perspective
// triangles are spared all three.
template <TexPath TEX, Addressing ADDR, BlendPath BLEND, DepthPath DEPTH, bool FLAT>
SWR_SIMD_INLINE void spanRows(const Tri& t, const Target& tg, const Spans& sp, const SpanSetup& s) {
  const PixelState& ps = *t.ps;
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
      // AVX2's masked loads and stores are slow on some processors: whole groups inside the span
      // use plain ones and blend.
      const Group g = groupAt(x, x1, t.refX);
      if (kDirect && directRows && x == x0) direct = directRow<TEX, ADDR>(s, r, g);
#if SWR_SIMD_WIDE
      Pass lanes{g.live, g.liveMask};
#else
      Pass lanes{g.live};
#endif
      __m256i zi = _mm256_setzero_si256(), dold = _mm256_setzero_si256();
      if (DEPTH != DepthPath::None) {
        depthTest(s, r, g, lanes, zi, dold);
#if SWR_SIMD_WIDE
        if (lanes.k == 0) continue;
#else
        if (_mm256_testz_si256(lanes.v, lanes.v)) continue;
#endif
      }
      const __m256i pass = lanes.v;
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
      if (TEX == TexPath::Linear) {
        finishWords<BLEND, DEPTH>(s, r, g, lanes, bilinearWords<ADDR, FLAT>(s.texv, texCoords<FLAT>(s, r, g)),
                                  zi, dold);
        continue;
      }
      __m256 u, v, w;
      texCoords<FLAT>(s, r, g, u, v, w);
      Words texels;
      if (TEX == TexPath::Point) {
        texels = wordsOf(fetchPoint<ADDR>(s.texv, u, v));
      } else if (!sampleMip<ADDR, FLAT>(s, ps.samp[0], g.live, u, v, w, texels)) {
        Spans one;
        one.y0 = y, one.rows = 1, one.x0[0] = x, one.x1[0] = x + 8 < x1 ? x + 8 : x1;
        ps.scalarSpan(t, tg, one);
        continue;
      }
      finishWords<BLEND, DEPTH>(s, r, g, lanes, texels, zi, dold);
    }
  }
}

template <TexPath TEX, Addressing ADDR, BlendPath BLEND, DepthPath DEPTH>
SWR_SIMD void simdSpan(const Tri& t, const Target& tg, const Spans& sp) {
  const PixelState& ps = *t.ps;
  if (!simdDraws(t, tg, DEPTH != DepthPath::None)) return ps.scalarSpan(t, tg, sp);
  SpanSetup s = spanSetup(t, tg);
  s.depthPasses = sp.depthPasses;
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
