// The 512x512 photo every texture benchmark of this program works on: a real photograph from
// the shared test data, scaled bilinearly, with a smooth alpha ramp for the alpha formats.
#pragma once
#include <cstdint>
#include <vector>

namespace texbench {

constexpr unsigned kPhotoSize = 512;

// A8R8G8B8 words, row-major, kPhotoSize x kPhotoSize.
const std::vector<uint32_t>& Photo();

// The photograph at its own size, opaque: the image the texture tests measure quality on.
struct SourceImage {
  std::vector<uint32_t> argb;
  unsigned width, height;
};
const SourceImage& SourcePhoto();

}  // namespace texbench
