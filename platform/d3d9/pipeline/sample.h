// General texture sampling and the floating-point colours of the general path.
#pragma once
#include <cstdint>

#include "state.h"

namespace swr {

struct Float4 {
  float r, g, b, a;
};

Float4 sampleTexture(const Sampler& s, float u, float v, float dudx, float dvdx, float dudy, float dvdy);
float textureLod(const Sampler& s, float dudx, float dvdx, float dudy, float dvdy);
Float4 unpackColor(uint32_t c, bool opaque = false);
uint32_t packColor(const Float4& c);

}  // namespace swr
