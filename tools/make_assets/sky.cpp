#include "sky.h"

#include <cmath>

#include "math/noise.h"
#include "tiled_fields.h"

namespace {

// Only the library's inline operations: the dispatched ones may round differently from one
// processor to the next, and the generator must write the same bytes everywhere.
D3DXVECTOR3 Unit(const D3DXVECTOR3& v) { return v / D3DXVec3Length(&v); }

D3DXCOLOR Mix(const D3DXCOLOR& a, const D3DXCOLOR& b, float t) {
  D3DXCOLOR out;
  D3DXColorLerp(&out, &a, &b, t);
  return out;
}

// In the north-west and fairly high: the start view, turned toward the north-west and tilted up,
// has it near its upper left.
const D3DXVECTOR3 kSun = Unit(D3DXVECTOR3(-1.0f, 0.62f, 0.3f));

const D3DXCOLOR kZenith(0.16f, 0.34f, 0.70f, 1), kHorizon(0.70f, 0.80f, 0.90f, 1),
    kNadir(0.32f, 0.42f, 0.52f, 1), kSunColor(1.0f, 0.93f, 0.78f, 1), kCloudLit(1.0f, 1.0f, 1.0f, 1),
    kCloudShade(0.62f, 0.66f, 0.74f, 1);

// Cloud density on a flat layer overhead, seen along a direction above the horizon.
float CloudDensity(const D3DXVECTOR3& d) {
  const float reach = 1.0f / (d.y + 0.12f);  // distance to the layer, kept finite near the horizon
  const float x = d.x * reach * 1.3f, z = d.z * reach * 1.3f;
  float sum = 0, amplitude = 1, total = 0, frequency = 1;
  for (int k = 0; k < 5; ++k) {
    const D3DXVECTOR3 p(x * frequency + 3.1f * (float)k, z * frequency - 1.7f * (float)k,
                        5.5f + 2.0f * (float)k);
    sum += amplitude * GradientNoise3(&p);
    total += amplitude;
    amplitude *= 0.5f;
    frequency *= 2.0f;
  }
  return SmoothStep(0.02f, 0.45f, sum / total + 0.08f);
}

}  // namespace

D3DXCOLOR SkyColor(const D3DXVECTOR3& direction) {
  const D3DXVECTOR3 d = Unit(direction);
  const float sunCos = D3DXVec3Dot(&d, &kSun);
  D3DXCOLOR c;
  if (d.y >= 0) {
    c = Mix(kHorizon, kZenith, std::pow(d.y, 0.55f));
  } else {
    c = Mix(kHorizon, kNadir, SmoothStep(0.0f, 0.35f, -d.y));
  }
  // Warm glow around the sun, wide and faint plus narrow and bright.
  const float glow =
      std::pow(std::fmax(sunCos, 0.0f), 6.0f) * 0.22f + std::pow(std::fmax(sunCos, 0.0f), 90.0f) * 0.5f;
  c = Mix(c, kSunColor, glow);
  // The disc: a little over a degree across, with a soft rim.
  const float disc = SmoothStep(0.99990f, 0.99995f, sunCos);
  c = Mix(c, D3DXCOLOR(1.0f, 0.99f, 0.94f, 1), disc);
  if (d.y > 0) {
    const float cover = CloudDensity(d) * SmoothStep(0.02f, 0.22f, d.y);
    if (cover > 0) {
      // Thicker cloud is greyer underneath; cloud toward the sun is lit through.
      const float thickness = CloudDensity(D3DXVECTOR3(d.x * 1.04f, d.y, d.z * 1.04f));
      D3DXCOLOR cloud = Mix(kCloudLit, kCloudShade, 0.55f * thickness);
      cloud = Mix(cloud, kSunColor, 0.5f * std::pow(std::fmax(sunCos, 0.0f), 12.0f));
      c = Mix(c, cloud, cover * 0.9f);
    }
  }
  c.a = 1;
  return c;
}

D3DXVECTOR3 SkyFacePoint(const SkyBoxFaceDesc& face, float u, float v) {
  D3DXVECTOR3 p(0, 0, 0);
  for (const SkyBoxCorner& k : face.corners) {
    const float w = (k.u > 0.5f ? u : 1 - u) * (k.v > 0.5f ? v : 1 - v);
    p += D3DXVECTOR3(k.x, k.y, k.z) * w;
  }
  return p;
}

Image MakeSkyFace(const SkyBoxFaceDesc& face, int size) {
  return PaintImage(size, size, [&](int x, int y) {
    return SkyColor(SkyFacePoint(face, ((float)x + 0.5f) / (float)size, ((float)y + 0.5f) / (float)size));
  });
}
