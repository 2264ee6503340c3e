// Choice of the row kernel set: SSE2 where the processor has it and the "DisableMMX" switch
// allows processor-specific image paths, else the codecs' portable loops.
#include "row_kernels.h"

#include "../math/cpu.h"
#include "../math/dispatch.h"

namespace d3dx {

RowKernelSet DetectRowKernelSet() {
  if (!IsMmxAvailable()) return RowKernelSet::PORTABLE;
  return MathProcessorHasSse2() ? RowKernelSet::SSE2 : RowKernelSet::PORTABLE;
}

RowKernels FindRowKernels(RowKernelSet set, D3DFORMAT format) {
  switch (set) {
    case RowKernelSet::SSE2:
      return FindSse2RowKernels(format);
    case RowKernelSet::PORTABLE:
      break;
  }
  return {};
}

}  // namespace d3dx
