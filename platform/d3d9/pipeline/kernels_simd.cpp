// SIMD span routines, chosen at run time when the processor has AVX2.
#include "kernels.h"

namespace swr {

SpanFn chooseSimdKernel(PixelState&, const FastChoice&) { return nullptr; }

}  // namespace swr
