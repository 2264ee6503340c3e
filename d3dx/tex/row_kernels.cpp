// Choice of the row kernel set: AVX2 or SSE2 as the processor has them, when the "DisableMMX"
// switch allows processor-specific image paths; else the codecs' portable loops.
#include "row_kernels.h"

#include "../math/cpu.h"
#include "../math/dispatch.h"

namespace d3dx {

RowKernelSet DetectRowKernelSet() {
  if (!IsMmxAvailable()) return RowKernelSet::PORTABLE;
  // The processor is asked once: every codec comes here, and CPUID is slow under virtualisation.
  static const RowKernelSet best = MathProcessorHasAvx2Fma() ? RowKernelSet::AVX2
                                   : MathProcessorHasSse2()  ? RowKernelSet::SSE2
                                                             : RowKernelSet::PORTABLE;
  return best;
}

RowKernels FindRowKernels(RowKernelSet set, D3DFORMAT format) {
  switch (set) {
    case RowKernelSet::SSE2:
      return FindSse2RowKernels(format);
    case RowKernelSet::AVX2:
      return FindAvx2RowKernels(format);
    case RowKernelSet::PORTABLE:
      break;
  }
  return {};
}

}  // namespace d3dx
