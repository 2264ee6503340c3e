// The texture-stage cascade of the general path.
#pragma once
#include "sample.h"
#include "state.h"

namespace swr {

Float4 combineStages(const PixelState& ps, const Float4& diffuse, const Float4& specular, const Float4* tex);

}  // namespace swr
