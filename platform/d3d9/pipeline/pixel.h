// The general per-pixel path (also the reference's).
#pragma once
#include <cstdint>

#include "bin.h"
#include "sample.h"
#include "span.h"
#include "state.h"

namespace swr {

void shadePixel(const Tri& t, const Target& tg, int px, int py);
void generalSpan(const Tri& t, const Target& tg, const Spans& s);
// Blends a source colour onto a destination word with the state's factors and operations.
uint32_t blendColor(const PixelState& ps, const Float4& src, uint32_t dstWord, bool dstHasAlpha);

}  // namespace swr
