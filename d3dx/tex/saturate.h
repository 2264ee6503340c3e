// The encoders' saturation: [0, 1], with values not below 1 (NaN among them) going to 1.
#pragma once

namespace d3dx {

inline float Saturate(float v) { return !(v < 1.0f) ? 1.0f : v > 0.0f ? v : 0.0f; }

}  // namespace d3dx
