// Array transforms with fused multiply-add, for processors with AVX2 and FMA (chosen at run
// time; the rest of the build stays baseline x86-64).
#pragma once
#include "../dispatch.h"

namespace mathavx2 {
#define SKYVALE_AVX2_DECL(name, ret, params, args) ret name params;
SKYVALE_MATH_SLOTS(SKYVALE_AVX2_DECL)
#undef SKYVALE_AVX2_DECL
}  // namespace mathavx2
