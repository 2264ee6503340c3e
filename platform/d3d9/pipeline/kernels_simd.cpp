// AVX2 span routines: eight pixels per step for textured spans with a constant diffuse colour
// (the terrain, the sky, the composite quads and the text all draw so). Chosen at run time when
// the processor has AVX2 (built a second time for processors with AVX-512, whose larger register
// file the routines fill); the scalar routines cover everything else. Results equal the scalar
// routines' except that modulation uses (t * (c + 1)) >> 8, within one step of exact rounding.
#include <immintrin.h>

#include <atomic>

#include "kernels.h"

namespace swr {

using namespace kernel;

namespace avx2 {
#define SWR_SIMD __attribute__((target("avx2")))
#define SWR_SIMD_WIDE 0
#include "kernels_simd_body.h"
#undef SWR_SIMD_WIDE
#undef SWR_SIMD
}  // namespace avx2

namespace avx512 {
#define SWR_SIMD \
  __attribute__((target("avx2,avx512f,avx512vl,avx512bw,avx512dq"), optimize("fp-contract=off")))
#define SWR_SIMD_WIDE 1
// The compiler's AVX-512 intrinsics start some results from an undefined register (the upper half
// of a cast, a gather's unmasked lanes), which its flow analysis takes for an uninitialised read.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include "kernels_simd_body.h"
#pragma GCC diagnostic pop
#undef SWR_SIMD_WIDE
#undef SWR_SIMD
}  // namespace avx512

namespace {

std::atomic<bool> avx2Only{false};
std::atomic<bool> directReadsOff{false};

bool haveAvx2() {
  static const bool yes = __builtin_cpu_supports("avx2");
  return yes;
}

bool haveAvx512() {
  static const bool yes = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
                          __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq");
  return yes;
}

}  // namespace

void limitSpanRoutinesToAvx2(bool on) { avx2Only = on; }
void disableDirectTexelReads(bool on) { directReadsOff = on; }

SpanFn chooseSimdKernel(PixelState& ps, const FastPath& f) {
  if (!haveAvx2() || f.tex == TexPath::None) return nullptr;
  ps.fast.directRows = !directReadsOff;
  if (haveAvx512() && !avx2Only) {
    ps.kernelName = "avx512";
    return avx512::choose(f);
  }
  ps.kernelName = "avx2";
  return avx2::choose(f);
}

}  // namespace swr
