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

namespace {

#define SKYVALE_SSE_ROUTINE(name) SKYVALE_ROUTINE(name, mathsse::name),
constexpr SlotInstaller kSseSet[] = {SKYVALE_SSE_SLOTS(SKYVALE_SSE_ROUTINE)};
#undef SKYVALE_SSE_ROUTINE

}  // namespace

void MathInstallSse(MathDispatchTable& t) { MathInstallList(t, kSseSet); }
