// The five ground textures, painted from tiled fields so each one repeats without a seam.
#pragma once
#include <array>

#include "image.h"

enum class Ground : int { Dirt = 0, Grass = 1, Snow = 2, Mud = 3, Stone = 4 };
inline constexpr std::array<Ground, 5> kGrounds = {Ground::Dirt, Ground::Grass, Ground::Snow, Ground::Mud,
                                                   Ground::Stone};

inline constexpr int kGroundTextureSize = 256;

Image MakeGroundTexture(Ground ground);
