#include "airplane_textures.h"

#include <cmath>

namespace {

constexpr int kSize = kAirplaneTextureSize;

D3DXCOLOR Mix(const D3DXCOLOR& a, const D3DXCOLOR& b, float t) {
  D3DXCOLOR c;
  D3DXColorLerp(&c, &a, &b, t);
  return c;
}

float Smooth(float edge0, float edge1, float x) {
  const float t = std::fmin(1.0f, std::fmax(0.0f, (x - edge0) / (edge1 - edge0)));
  return t * t * (3 - 2 * t);
}

}  // namespace

// u runs around the fuselage from its right flank (u = 0) over the top, v from nose to
// tail: light grey panels with darker seams, a red stripe along both sides, a dark nose ring.
Image MakeFuselageTexture() {
  const D3DXCOLOR panel(0.86f, 0.87f, 0.88f, 1), seam(0.55f, 0.57f, 0.6f, 1), stripe(0.78f, 0.1f, 0.1f, 1),
      nose(0.2f, 0.2f, 0.22f, 1);
  return PaintImage(kSize, kSize, [&](int x, int y) {
    const float u = (x + 0.5f) / kSize, v = (y + 0.5f) / kSize;
    D3DXCOLOR c = panel;
    // Panel seams every eighth of the length and every sixth of the way around.
    const float along = std::fabs(std::fmod(v * 8, 1.0f) - 0.5f),
                around = std::fabs(std::fmod(u * 6, 1.0f) - 0.5f);
    if (along > 0.46f || around > 0.47f) c = seam;
    // The stripe sits at the sides (u = 0 and 0.5 are the right and left flanks).
    const float side = std::fmin(std::fabs(u - 0.5f), std::fmin(u, 1 - u));
    c = Mix(c, stripe, 1 - Smooth(0.035f, 0.05f, side));
    c = Mix(c, nose, 1 - Smooth(0.06f, 0.08f, v));
    return c;
  });
}

// u runs tip to tip, v from leading to trailing edge: two-tone green camouflage in soft blobs,
// a roundel near each tip and a dark leading edge.
Image MakeWingTexture() {
  const D3DXCOLOR light(0.42f, 0.5f, 0.28f, 1), dark(0.24f, 0.3f, 0.16f, 1), blue(0.12f, 0.2f, 0.55f, 1),
      white(0.95f, 0.95f, 0.95f, 1), red(0.8f, 0.12f, 0.1f, 1), edge(0.15f, 0.15f, 0.15f, 1);
  return PaintImage(kSize, kSize, [&](int x, int y) {
    const float u = (x + 0.5f) / kSize, v = (y + 0.5f) / kSize;
    const float blob = std::sin(u * 19.0f + std::sin(v * 7.0f) * 1.5f) + std::sin(v * 11.0f + u * 5.0f);
    D3DXCOLOR c = Mix(light, dark, Smooth(-0.15f, 0.15f, blob));
    for (float cu : {0.18f, 0.82f}) {
      const float d = std::hypot((u - cu) * 4.0f, v - 0.5f);  // the texture is stretched 4:1 on the wing
      if (d < 0.3f) c = d < 0.1f ? red : d < 0.2f ? white : blue;
    }
    return Mix(c, edge, 1 - Smooth(0.05f, 0.09f, v));
  });
}
