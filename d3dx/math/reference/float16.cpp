// Reference 16-bit float conversions. Exponent 31 is an ordinary exponent: no infinity, no NaN,
// largest magnitude 131008.
#include "../dispatch.h"
#include "../mathutil.h"

using namespace mathutil;

namespace mathref {

D3DXFLOAT16* Float32To16Array(D3DXFLOAT16* out, const FLOAT* in, UINT n) {
  for (UINT i = 0; i < n; ++i) {
    const uint32_t bits = Bits(in[i]);
    const uint32_t sign = (bits >> 16) & 0x8000;
    const uint32_t a = bits & 0x7FFFFFFF;
    uint32_t h;
    if (a > 0x47FFEFFF) {
      h = 0x7FFF;
    } else if (a >= 0x38800000) {
      h = (a - 0x38000000 + 0xFFF + ((a >> 13) & 1)) >> 13;
    } else {
      const uint32_t exponent = a >> 23;
      const uint32_t shift = 113 - exponent;  // 1 for the largest subnormal half, more below
      if (shift > 24) {
        h = 0;
      } else {
        const uint32_t significand = (a & 0x7FFFFF) | 0x800000;
        const uint32_t m = significand >> shift;  // still 13 extra bits below the half mantissa
        h = (m + 0xFFF + ((m >> 13) & 1)) >> 13;
      }
    }
    out[i].value = (WORD)(sign | h);
  }
  return out;
}

FLOAT* Float16To32Array(FLOAT* out, const D3DXFLOAT16* in, UINT n) {
  for (UINT i = 0; i < n; ++i) {
    const uint32_t h = in[i].value;
    const uint32_t sign = (h & 0x8000) << 16;
    uint32_t e = (h >> 10) & 0x1F, m = h & 0x3FF;
    uint32_t bits;
    if (e != 0) {
      bits = sign | ((e + 112) << 23) | (m << 13);
    } else if (m != 0) {
      int exponent = -14;
      while (!(m & 0x400)) {
        m <<= 1;
        --exponent;
      }
      bits = sign | (uint32_t)(exponent + 127) << 23 | ((m & 0x3FF) << 13);
    } else {
      bits = sign;
    }
    out[i] = FromBits(bits);
  }
  return out;
}

}  // namespace mathref
