// Specialised span routines for the common state combinations.
#include "internal.h"

namespace swr {

SpanFn chooseKernel(PixelState& ps) {
  ps.kernelName = "general";
  return generalSpan;
}

}  // namespace swr
