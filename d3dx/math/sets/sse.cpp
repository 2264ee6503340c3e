// The SSE set: vector versions of the hot routines, with hardware reciprocal estimates refined
// once and the special cases the set is documented to drop.
#include "sse.h"

#include <cmath>

#include "../mathutil.h"
#include "simd.h"
#include "simd_blend.h"

using namespace simd;
using mathutil::Step;

namespace mathsse {
#include "sse_routines.inc"
}  // namespace mathsse

void MathInstallSse(MathDispatchTable& t) {
#define SKYVALE_INSTALL(name) SKYVALE_SET_SLOT(t, name, mathsse::name);
  SKYVALE_SSE_SLOTS(SKYVALE_INSTALL)
#undef SKYVALE_INSTALL
}
