// The generator's picture: 32-bit X8R8G8B8 texels, rows top to bottom, as the device and the
// capture writer store them.
#pragma once
#include <d3dx9math.h>

#include <cstdint>
#include <vector>

struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> texels;

  Image() = default;
  Image(int w, int h) : width(w), height(h), texels((size_t)w * h, 0xFF000000u) {}
  uint32_t& at(int x, int y) { return texels[(size_t)y * width + x]; }
  uint32_t at(int x, int y) const { return texels[(size_t)y * width + x]; }
};

// Fills every texel from paint(x, y) -> D3DXCOLOR, rounded and clamped to bytes.
template <typename Paint>
Image PaintImage(int width, int height, Paint&& paint) {
  Image image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.at(x, y) = (DWORD)paint(x, y) | 0xFF000000u;
  return image;
}

// One channel of a texel: 0 red, 1 green, 2 blue.
inline int Channel(uint32_t texel, int c) { return (int)(texel >> (16 - 8 * c)) & 0xFF; }
