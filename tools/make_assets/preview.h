// PNG previews of the generated data for a person to look at; never part of the assets.
#pragma once
#include <string>

// Reads the files back from assetDir (so the pictures show what was compressed) and writes into
// previewDir: the heightmap by band, a 2x2 tiling of each ground texture, the ground textures
// as seen minified, the six sky faces in a 3x2 sheet and an all-round panorama of the sky box.
// False when a file cannot be read or written.
bool WritePreviews(const std::string& assetDir, const std::string& previewDir);
