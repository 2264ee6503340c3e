#include "ground_textures.h"

#include <cmath>
#include <vector>

#include "tiled_fields.h"

// The camera sees a texture span 8 cells (80 units) from 10 units up, mostly at a slant and
// minified: broad patches and shading carry the look, the finest grain only sets the tone.

namespace {

constexpr int kSize = kGroundTextureSize;

D3DXCOLOR Mix(const D3DXCOLOR& a, const D3DXCOLOR& b, float t) {
  D3DXCOLOR out;
  D3DXColorLerp(&out, &a, &b, t);
  return out;
}

float Clamp01(float x) { return x < 0 ? 0 : x > 1 ? 1 : x; }

// A height field sampled on the texel grid, wrapping at the edges like the fields it comes from.
struct Relief {
  std::vector<float> height = std::vector<float>((size_t)kSize * kSize);
  float& at(int x, int y) { return height[(size_t)((y + kSize) % kSize) * kSize + (x + kSize) % kSize]; }
  float at(int x, int y) const { return height[(size_t)((y + kSize) % kSize) * kSize + (x + kSize) % kSize]; }
};

template <typename Field>
Relief MakeRelief(Field&& field) {
  Relief r;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) r.at(x, y) = field((float)x / kSize, (float)y / kSize);
  return r;
}

// Diffuse light on the relief from a low sun in the north-west, 1 on flat ground; `depth` is the
// height difference in texels that one unit of the field stands for.
float Shade(const Relief& r, int x, int y, float depth) {
  D3DXVECTOR3 n(-(r.at(x + 1, y) - r.at(x - 1, y)) * 0.5f * depth, 1.0f,
                -(r.at(x, y + 1) - r.at(x, y - 1)) * 0.5f * depth);
  n /= D3DXVec3Length(&n);
  const D3DXVECTOR3 light(-0.5f, 0.75f, -0.43f);
  const D3DXVECTOR3 flat(0, 1, 0);
  return D3DXVec3Dot(&n, &light) / D3DXVec3Dot(&flat, &light);
}

// Dry earth of the lowland: lumpy brown soil in a few tones, scattered pale stones, a fine grain.
Image PaintDirt() {
  // Stones: a third of the cells hold one, of its own size, its outline roughened by noise.
  const auto stones = [](float u, float v) {
    const CellDistances cell = TiledCells(u, v, 14, 11);
    if (HashUnit(cell.id, 12) >= 0.33f) return 0.0f;
    const float radius = 0.14f + 0.2f * HashUnit(cell.id, 16);
    const float rough = cell.nearest * (1.0f + 0.45f * TiledFbm(u, v, 48, 2, 0.5f, 5.5f));
    return SmoothStep(radius, radius - 0.1f, rough);
  };
  const Relief relief = MakeRelief([&](float u, float v) {
    const float lumps = 1.0f - std::fabs(TiledFbm(u, v, 16, 3, 0.5f, 3.5f));
    return 0.6f * TiledFbm(u, v, 6, 6, 0.6f, 1.5f) + 0.25f * lumps + 0.22f * stones(u, v);
  });
  const D3DXCOLOR dark(0.32f, 0.23f, 0.15f, 1), light(0.56f, 0.44f, 0.30f, 1),
      reddish(0.50f, 0.33f, 0.20f, 1), pebble(0.64f, 0.60f, 0.54f, 1);
  return PaintImage(kSize, kSize, [&](int x, int y) {
    const float u = (float)x / kSize, v = (float)y / kSize;
    const float patches = TiledFbm(u, v, 5, 4, 0.5f, 7.5f);
    const float tint = TiledFbm(u, v, 4, 3, 0.5f, 9.25f);
    D3DXCOLOR c = Mix(dark, light, Clamp01(0.55f + 1.1f * patches));
    c = Mix(c, reddish, Clamp01(0.4f + tint) * 0.4f);
    const CellDistances cell = TiledCells(u, v, 14, 11);
    c = Mix(c, pebble * (0.8f + 0.35f * HashUnit(cell.id, 13)), stones(u, v));
    const float grain = 0.93f + 0.14f * HashUnit((uint32_t)(y * kSize + x), 14);
    return c * (Shade(relief, x, y, 6.0f) * grain);
  });
}

// Meadow: blades as short streaks in two greens, drier yellowish patches, darker clumps.
Image PaintGrass() {
  const D3DXCOLOR deep(0.13f, 0.27f, 0.07f, 1), fresh(0.30f, 0.50f, 0.13f, 1), dry(0.55f, 0.56f, 0.25f, 1),
      tip(0.50f, 0.66f, 0.25f, 1);
  return PaintImage(kSize, kSize, [&](int x, int y) {
    const float u = (float)x / kSize, v = (float)y / kSize;
    const float meadow = TiledFbm(u, v, 3, 4, 0.5f, 21.5f);
    const float dryness = SmoothStep(0.05f, 0.45f, TiledFbm(u, v, 2, 3, 0.5f, 23.5f));
    const float clumps = TiledFbm(u, v, 16, 2, 0.5f, 25.5f);
    // Blades: noise stretched four times along v, at two scales.
    const float bladesA = TiledFbm2(u, v, 64, 16, 2, 0.5f, 27.5f);
    const float bladesB = TiledFbm2(u, v, 40, 10, 2, 0.5f, 29.5f);
    const float blades = std::fmax(bladesA, bladesB);
    D3DXCOLOR c = Mix(deep, fresh, Clamp01(0.55f + 1.2f * meadow + 0.6f * clumps));
    c = Mix(c, dry, 0.55f * dryness);
    c = Mix(c, tip, SmoothStep(0.15f, 0.5f, blades) * 0.6f);
    c = c * (0.72f + 0.5f * SmoothStep(-0.5f, 0.5f, blades));
    return c;
  });
}

// Snow fields: soft drifts shaded blue on their lee side, faint sparkle.
Image PaintSnow() {
  const Relief relief = MakeRelief([](float u, float v) {
    return TiledFbm(u, v, 3, 4, 0.4f, 41.5f) + 0.04f * TiledFbm2(u, v, 24, 8, 2, 0.5f, 43.5f);
  });
  const D3DXCOLOR shadow(0.66f, 0.74f, 0.88f, 1), lit(0.97f, 0.98f, 1.0f, 1);
  return PaintImage(kSize, kSize, [&](int x, int y) {
    const float light = Shade(relief, x, y, 45.0f);
    D3DXCOLOR c = Mix(shadow, lit, Clamp01(0.35f + 0.65f * light));
    const float sparkle = HashUnit((uint32_t)(y * kSize + x), 45);
    if (sparkle > 0.985f) c = Mix(c, D3DXCOLOR(1, 1, 1, 1), 0.7f);
    return c * (0.97f + 0.03f * HashUnit((uint32_t)(y * kSize + x), 46));
  });
}

// Wet mud: dark brown ruts and ridges with a wet gloss, puddles of brown water in the hollows
// that mirror a pale sky, darker soaked rims round them.
Image PaintMud() {
  const Relief relief = MakeRelief([](float u, float v) {
    return TiledFbm(u, v, 4, 5, 0.55f, 61.5f) + 0.35f * TiledFbm2(u, v, 6, 2, 3, 0.5f, 63.5f);
  });
  const D3DXCOLOR dark(0.17f, 0.12f, 0.08f, 1), brown(0.36f, 0.26f, 0.16f, 1), water(0.19f, 0.14f, 0.09f, 1),
      sky(0.50f, 0.52f, 0.54f, 1);
  return PaintImage(kSize, kSize, [&](int x, int y) {
    const float u = (float)x / kSize, v = (float)y / kSize;
    const float h = relief.at(x, y);
    const float light = Shade(relief, x, y, 7.0f);
    D3DXCOLOR c = Mix(dark, brown, Clamp01(0.55f + 1.4f * h)) * light;
    const float gloss = std::pow(Clamp01(light - 0.9f) * 4.0f, 3.0f);
    c = Mix(c, sky, 0.15f * Clamp01(gloss));
    c = Mix(c, dark * 0.7f, SmoothStep(-0.12f, -0.22f, h) * 0.7f);
    // Puddle surfaces are flat: no relief shading, a soft reflection that varies slowly.
    const float reflection = 0.08f + 0.12f * (0.5f + 0.5f * TiledFbm(u, v, 4, 2, 0.5f, 65.5f));
    c = Mix(c, Mix(water, sky, reflection), SmoothStep(-0.24f, -0.28f, h));
    return c * (0.94f + 0.12f * HashUnit((uint32_t)(y * kSize + x), 66));
  });
}

// Rock: plates of grey stone split by dark cracks, each plate its own tone, lichen in places.
Image PaintStone() {
  const Relief relief = MakeRelief([](float u, float v) {
    const CellDistances plates = TiledCells(u, v, 7, 81);
    const float crack = SmoothStep(0.0f, 0.12f, plates.second - plates.nearest);
    return 0.6f * crack + 0.35f * TiledFbm(u, v, 8, 5, 0.55f, 83.5f) + 0.15f * HashUnit(plates.id, 84);
  });
  const D3DXCOLOR grey(0.42f, 0.41f, 0.39f, 1), pale(0.64f, 0.62f, 0.58f, 1), lichen(0.45f, 0.48f, 0.30f, 1),
      crackColor(0.12f, 0.11f, 0.10f, 1);
  return PaintImage(kSize, kSize, [&](int x, int y) {
    const float u = (float)x / kSize, v = (float)y / kSize;
    const CellDistances plates = TiledCells(u, v, 7, 81);
    const float tone = HashUnit(plates.id, 85);
    const float speckle = TiledFbm(u, v, 64, 2, 0.5f, 87.5f);
    D3DXCOLOR c = Mix(grey, pale, Clamp01(0.25f + 0.5f * tone + 0.8f * speckle));
    const float moss = SmoothStep(0.25f, 0.5f, TiledFbm(u, v, 4, 4, 0.5f, 89.5f));
    c = Mix(c, lichen, 0.6f * moss);
    const float crack = SmoothStep(0.06f, 0.0f, plates.second - plates.nearest);
    c = Mix(c, crackColor, crack);
    return c * Shade(relief, x, y, 10.0f);
  });
}

}  // namespace

Image MakeGroundTexture(Ground ground) {
  switch (ground) {
    case Ground::Dirt:
      return PaintDirt();
    case Ground::Grass:
      return PaintGrass();
    case Ground::Snow:
      return PaintSnow();
    case Ground::Mud:
      return PaintMud();
    case Ground::Stone:
      return PaintStone();
  }
  return {};
}
