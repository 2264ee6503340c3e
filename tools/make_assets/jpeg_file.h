// JPEG files through libjpeg: the generator writes its textures with it and reads them back for
// previews and checks.
#pragma once
#include <optional>
#include <string>

#include "image.h"

// Baseline, optimised Huffman tables, full-resolution colour (no chroma subsampling), so that
// texels at an image's edges keep their own colour. False when the file cannot be written.
bool WriteJpeg(const std::string& path, const Image& image, int quality);

// Nothing when the file is missing, damaged or not three-channel.
std::optional<Image> ReadJpeg(const std::string& path);
