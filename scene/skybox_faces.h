// The sky box's faces: their order, texture files and corner vertices. The sky box draws this
// table and the asset generator paints each face's texels in exactly this orientation, so the
// two can never disagree about which way up a face is.
#pragma once
#include <array>
#include <cstdint>

enum class SkyBoxFace : int { PosX = 0, NegX = 1, PosY = 2, NegY = 3, PosZ = 4, NegZ = 5 };

// One corner of a face on the unit cube (-1 to 1 on every axis) with its texture coordinates.
struct SkyBoxCorner {
  float x, y, z;
  float u, v;
};

struct SkyBoxFaceDesc {
  SkyBoxFace face;
  const char* file;  // relative to the working directory
  // Bottom-left, top-left, top-right, bottom-right of the image: (u, v) = (0, 1), (0, 0),
  // (1, 0), (1, 1). Seen from the centre each image is unmirrored, the side faces upright.
  std::array<SkyBoxCorner, 4> corners;
};

inline constexpr int kSkyBoxFaceCount = 6;

inline constexpr std::array<SkyBoxFaceDesc, kSkyBoxFaceCount> kSkyBoxFaces = {{
    {SkyBoxFace::PosX,
     "Textures/skybox1_posx.jpg",
     {{{1, -1, 1, 0, 1}, {1, 1, 1, 0, 0}, {1, 1, -1, 1, 0}, {1, -1, -1, 1, 1}}}},
    {SkyBoxFace::NegX,
     "Textures/skybox1_negx.jpg",
     {{{-1, -1, -1, 0, 1}, {-1, 1, -1, 0, 0}, {-1, 1, 1, 1, 0}, {-1, -1, 1, 1, 1}}}},
    {SkyBoxFace::PosY,
     "Textures/skybox1_posy.jpg",
     {{{-1, 1, 1, 0, 1}, {-1, 1, -1, 0, 0}, {1, 1, -1, 1, 0}, {1, 1, 1, 1, 1}}}},
    {SkyBoxFace::NegY,
     "Textures/skybox1_negy.jpg",
     {{{-1, -1, -1, 0, 1}, {-1, -1, 1, 0, 0}, {1, -1, 1, 1, 0}, {1, -1, -1, 1, 1}}}},
    {SkyBoxFace::PosZ,
     "Textures/skybox1_posz.jpg",
     {{{-1, -1, 1, 0, 1}, {-1, 1, 1, 0, 0}, {1, 1, 1, 1, 0}, {1, -1, 1, 1, 1}}}},
    {SkyBoxFace::NegZ,
     "Textures/skybox1_negz.jpg",
     {{{1, -1, -1, 0, 1}, {1, 1, -1, 0, 0}, {-1, 1, -1, 1, 0}, {-1, -1, -1, 1, 1}}}},
}};

// Face k's two triangles are these offsets added to 4k: both clockwise seen from the centre.
inline constexpr std::array<uint16_t, 6> kSkyBoxFaceIndices = {0, 1, 2, 0, 2, 3};
