// One procedural sky, a colour per direction of view, and the sky box faces rendered from it.
#pragma once
#include "image.h"
#include "skybox_faces.h"

inline constexpr int kSkyFaceSize = 512;

// The sky seen along a direction (need not be unit length): a gradient from the zenith to a
// hazy horizon, a sun with its glow, soft clouds fading out toward the horizon, and haze below.
D3DXCOLOR SkyColor(const D3DXVECTOR3& direction);

// The cube point a face shows at texture coordinates (u, v), from the face's corner table.
D3DXVECTOR3 SkyFacePoint(const SkyBoxFaceDesc& face, float u, float v);

// Each texel shows the sky along the direction of its centre on the face.
Image MakeSkyFace(const SkyBoxFaceDesc& face, int size);
