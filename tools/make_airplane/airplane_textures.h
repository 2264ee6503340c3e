// The two painted textures of the airplane: the fuselage's panels and stripe, the wings' camouflage
// with roundels.
#pragma once
#include "image.h"

inline constexpr int kAirplaneTextureSize = 128;

Image MakeFuselageTexture();
Image MakeWingTexture();
