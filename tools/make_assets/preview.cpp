#include "preview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "ground_textures.h"
#include "jpeg_file.h"
#include "sky.h"
#include "skyvale_host.h"
#include "terrain_bands.h"

namespace {

bool Save(const std::string& path, const Image& image) {
  const bool ok =
      SkyvaleWritePng(path.c_str(), image.texels.data(), image.width, image.height, image.width * 4);
  if (!ok) std::fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
  return ok;
}

// The mean of each factor x factor block.
Image Shrink(const Image& src, int factor) {
  Image out(src.width / factor, src.height / factor);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      int sum[3] = {0, 0, 0};
      for (int dy = 0; dy < factor; ++dy)
        for (int dx = 0; dx < factor; ++dx)
          for (int c = 0; c < 3; ++c) sum[c] += Channel(src.at(x * factor + dx, y * factor + dy), c);
      const int n = factor * factor;
      out.at(x, y) =
          0xFF000000u | (uint32_t)(sum[0] / n) << 16 | (uint32_t)(sum[1] / n) << 8 | (uint32_t)(sum[2] / n);
    }
  return out;
}

void Blit(Image& dst, const Image& src, int left, int top) {
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x) dst.at(left + x, top + y) = src.at(x, y);
}

Image Tile(const Image& src, int across, int down) {
  Image out(src.width * across, src.height * down);
  for (int j = 0; j < down; ++j)
    for (int i = 0; i < across; ++i) Blit(out, src, i * src.width, j * src.height);
  return out;
}

std::optional<std::vector<unsigned char>> ReadHeightmap(const std::string& assetDir) {
  const TerrainGrid& grid = kSceneTerrain;
  std::vector<unsigned char> bytes((size_t)grid.vertsPerRow * grid.vertsPerCol);
  FILE* f = std::fopen((assetDir + "/" + grid.file).c_str(), "rb");
  const size_t got = f ? std::fread(bytes.data(), 1, bytes.size(), f) : 0;
  if (f) std::fclose(f);
  if (got != bytes.size()) {
    std::fprintf(stderr, "make_assets: cannot read the heightmap back\n");
    return std::nullopt;
  }
  return bytes;
}

// The heightmap magnified, each vertex coloured by its band and brightened with its height.
bool HeightmapPreview(const std::string& assetDir, const std::string& previewDir) {
  const TerrainGrid& grid = kSceneTerrain;
  const std::optional<std::vector<unsigned char>> read = ReadHeightmap(assetDir);
  if (!read) return false;
  const std::vector<unsigned char>& bytes = *read;
  const D3DXCOLOR bandColor[3] = {{0.55f, 0.42f, 0.28f, 1}, {0.25f, 0.55f, 0.2f, 1}, {0.95f, 0.95f, 1.0f, 1}};
  constexpr int kScale = 8;
  const Image map = PaintImage(grid.vertsPerRow * kScale, grid.vertsPerCol * kScale, [&](int x, int y) {
    const int i = y / kScale, j = x / kScale;
    const auto at = [&](int r, int c) {
      r = std::min(std::max(r, 0), grid.vertsPerCol - 1);
      c = std::min(std::max(c, 0), grid.vertsPerRow - 1);
      return (float)bytes[(size_t)r * grid.vertsPerRow + c];
    };
    const unsigned char b = (unsigned char)at(i, j);
    const TerrainBand band = TerrainBandOf(TerrainScaledHeight(b, grid.heightScale), grid.heightScale);
    // Lit from the north-west: slopes facing it brighter, a cell's height difference counted
    // against its 10-unit width at half scale.
    const float slope = ((at(i, j - 1) - at(i, j + 1)) + (at(i - 1, j) - at(i + 1, j))) * 0.5f *
                        grid.heightScale / (float)grid.cellSpacing;
    return bandColor[(int)band] * std::min(1.2f, std::max(0.3f, 0.75f + 0.9f * slope));
  });
  return Save(previewDir + "/heightmap.png", map);
}

bool GroundPreviews(const std::string& assetDir, const std::string& previewDir) {
  // Far: each texture tiled 8 x 8 and shrunk eightfold, about what a slanted stretch of ground
  // shows a few cells away.
  Image far(kGroundTextureSize * (int)kGroundTextureFiles.size(), kGroundTextureSize);
  for (size_t k = 0; k < kGroundTextureFiles.size(); ++k) {
    const std::string name = kGroundTextureFiles[k];
    const std::optional<Image> texture = ReadJpeg(assetDir + "/" + name);
    if (!texture) {
      std::fprintf(stderr, "make_assets: cannot read %s back\n", name.c_str());
      return false;
    }
    const std::string stem = name.substr(name.rfind('/') + 1, name.rfind('.') - name.rfind('/') - 1);
    if (!Save(previewDir + "/" + stem + "_2x2.png", Tile(*texture, 2, 2))) return false;
    Blit(far, Shrink(Tile(*texture, 8, 8), 8), (int)k * kGroundTextureSize, 0);
  }
  return Save(previewDir + "/ground_far.png", far);
}

// The texel a direction of view meets, looked up through the face table the sky box draws with.
uint32_t SkyBoxTexel(const std::vector<Image>& faces, const D3DXVECTOR3& d) {
  const float ax = std::fabs(d.x), ay = std::fabs(d.y), az = std::fabs(d.z);
  const float major = std::fmax(ax, std::fmax(ay, az));
  const D3DXVECTOR3 p = d / major;
  for (size_t k = 0; k < kSkyBoxFaces.size(); ++k) {
    const SkyBoxFaceDesc& face = kSkyBoxFaces[k];
    const D3DXVECTOR3 origin = SkyFacePoint(face, 0, 0);
    const D3DXVECTOR3 across = SkyFacePoint(face, 1, 0) - origin, down = SkyFacePoint(face, 0, 1) - origin;
    D3DXVECTOR3 normal;
    D3DXVec3Cross(&normal, &across, &down);
    const D3DXVECTOR3 offset = p - origin;
    if (std::fabs(D3DXVec3Dot(&offset, &normal)) > 1e-3f) continue;
    const float u = D3DXVec3Dot(&offset, &across) / D3DXVec3LengthSq(&across);
    const float v = D3DXVec3Dot(&offset, &down) / D3DXVec3LengthSq(&down);
    const Image& image = faces[k];
    const int x = std::min(image.width - 1, std::max(0, (int)(u * (float)image.width)));
    const int y = std::min(image.height - 1, std::max(0, (int)(v * (float)image.height)));
    return image.at(x, y);
  }
  return 0xFFFF00FFu;  // no face: shows as magenta
}

std::optional<std::vector<Image>> ReadSkyFaces(const std::string& assetDir) {
  std::vector<Image> faces;
  for (const SkyBoxFaceDesc& face : kSkyBoxFaces) {
    std::optional<Image> image = ReadJpeg(assetDir + "/" + face.file);
    if (!image) {
      std::fprintf(stderr, "make_assets: cannot read %s back\n", face.file);
      return std::nullopt;
    }
    faces.push_back(std::move(*image));
  }
  return faces;
}

bool SkyPreviews(const std::vector<Image>& faces, const std::string& previewDir) {
  // The sheet: the side faces -x, +z, +x in the order they meet looking round to the right, then
  // -z, the top and the bottom, each as the file holds it.
  const int half = kSkyFaceSize / 2;
  Image sheet(3 * half, 2 * half);
  const SkyBoxFace order[6] = {SkyBoxFace::NegX, SkyBoxFace::PosZ, SkyBoxFace::PosX,
                               SkyBoxFace::NegZ, SkyBoxFace::PosY, SkyBoxFace::NegY};
  for (int k = 0; k < 6; ++k) Blit(sheet, Shrink(faces[(size_t)order[k]], 2), (k % 3) * half, (k / 3) * half);
  if (!Save(previewDir + "/sky_faces.png", sheet)) return false;
  // The panorama: heading across (0 = +z, growing toward +x), elevation down from +90 degrees.
  const int width = 1024, height = 512;
  const Image panorama = PaintImage(width, height, [&](int x, int y) {
    const float heading = ((float)x + 0.5f) / (float)width * 2 * D3DX_PI - D3DX_PI;
    const float elevation = D3DX_PI / 2 - ((float)y + 0.5f) / (float)height * D3DX_PI;
    const D3DXVECTOR3 d(std::sin(heading) * std::cos(elevation), std::sin(elevation),
                        std::cos(heading) * std::cos(elevation));
    return D3DXCOLOR(SkyBoxTexel(faces, d));
  });
  return Save(previewDir + "/sky_panorama.png", panorama);
}

// Bilinear, clamped at the edges: the terrain's sampling (no mip levels, clamped addressing).
D3DXCOLOR SampleClamped(const Image& image, float u, float v) {
  const float x = std::min(std::max(u * (float)image.width - 0.5f, 0.0f), (float)image.width - 1.001f);
  const float y = std::min(std::max(v * (float)image.height - 0.5f, 0.0f), (float)image.height - 1.001f);
  const int x0 = (int)x, y0 = (int)y;
  const float fx = x - (float)x0, fy = y - (float)y0;
  const D3DXCOLOR a(image.at(x0, y0)), b(image.at(x0 + 1, y0)), c(image.at(x0, y0 + 1)),
      d(image.at(x0 + 1, y0 + 1));
  return (a * (1 - fx) + b * fx) * (1 - fy) + (c * (1 - fx) + d * fx) * fy;
}

// What the demo's first frame roughly shows: the camera at the origin 10 above the ground,
// turned 1 radian left and 0.3 up, the 45-degree 4:3 projection; ground textured by band with
// the mirrored ramp, the sky box beyond the ground or 500 units away.
bool StartViewPreview(const std::string& assetDir, const std::string& previewDir,
                      const std::vector<Image>& faces) {
  const TerrainGrid& grid = kSceneTerrain;
  const std::optional<std::vector<unsigned char>> bytes = ReadHeightmap(assetDir);
  if (!bytes) return false;
  std::vector<Image> ground;
  for (int k = 0; k < 3; ++k) {
    std::optional<Image> texture = ReadJpeg(assetDir + "/" + kGroundTextureFiles[(size_t)k]);
    if (!texture) return false;
    ground.push_back(std::move(*texture));
  }
  const float halfWidth = (float)((grid.vertsPerRow - 1) * grid.cellSpacing / 2);
  const float halfDepth = (float)((grid.vertsPerCol - 1) * grid.cellSpacing / 2);
  const auto vertex = [&](int i, int j) {
    i = std::min(std::max(i, 0), grid.vertsPerCol - 1);
    j = std::min(std::max(j, 0), grid.vertsPerRow - 1);
    return (float)TerrainScaledHeight((*bytes)[(size_t)i * grid.vertsPerRow + j], grid.heightScale);
  };
  const auto groundHeight = [&](float x, float z) {
    const float sx = (halfWidth + x) / (float)grid.cellSpacing,
                sz = (halfDepth - z) / (float)grid.cellSpacing;
    const int j = (int)std::floor(sx), i = (int)std::floor(sz);
    const float dx = sx - (float)j, dz = sz - (float)i;
    return (vertex(i, j) * (1 - dx) + vertex(i, j + 1) * dx) * (1 - dz) +
           (vertex(i + 1, j) * (1 - dx) + vertex(i + 1, j + 1) * dx) * dz;
  };
  const D3DXVECTOR3 eye(0, groundHeight(0, 0) + 10, 0);
  const D3DXVECTOR3 look(-std::sin(1.0f) * std::cos(0.3f), std::sin(0.3f), std::cos(1.0f) * std::cos(0.3f));
  const D3DXVECTOR3 right(std::cos(1.0f), 0, std::sin(1.0f));
  D3DXVECTOR3 up;
  D3DXVec3Cross(&up, &look, &right);
  const float t = std::tan(D3DX_PI / 8), w = t * 640.0f / 480.0f;
  const Image view = PaintImage(640, 480, [&](int px, int py) {
    const float nx = ((float)px + 0.5f) / 320.0f - 1, ny = 1 - ((float)py + 0.5f) / 240.0f;
    D3DXVECTOR3 d = look + right * (nx * w) + up * (ny * t);
    d /= D3DXVec3Length(&d);
    // March until the ray dips below the ground, then halve back onto it.
    const float step = 1.0f,
                reach = 500.0f / std::fmax(std::fabs(d.x), std::fmax(std::fabs(d.y), std::fabs(d.z)));
    float s = 0;
    bool hit = false;
    for (; s < reach; s += step) {
      const D3DXVECTOR3 p = eye + d * s;
      if (std::fabs(p.x) >= halfWidth || std::fabs(p.z) >= halfDepth) break;
      if (p.y < groundHeight(p.x, p.z)) {
        hit = true;
        break;
      }
    }
    if (!hit) return D3DXCOLOR(SkyBoxTexel(faces, d));
    float lo = s - step, hi = s;
    for (int k = 0; k < 12; ++k) {
      const float mid = (lo + hi) / 2;
      const D3DXVECTOR3 p = eye + d * mid;
      (p.y < groundHeight(p.x, p.z) ? hi : lo) = mid;
    }
    const D3DXVECTOR3 p = eye + d * hi;
    const float sx = (halfWidth + p.x) / (float)grid.cellSpacing,
                sz = (halfDepth - p.z) / (float)grid.cellSpacing;
    const int j = (int)sx, i = (int)sz;
    const float dx = sx - (float)j, dz = sz - (float)i;
    const float u = TerrainTexCoord(j) + (TerrainTexCoord(j + 1) - TerrainTexCoord(j)) * dx;
    const float v = TerrainTexCoord(i) + (TerrainTexCoord(i + 1) - TerrainTexCoord(i)) * dz;
    const TerrainBand band = TerrainBandOf((int)vertex(i, j), grid.heightScale);
    return SampleClamped(ground[(size_t)band], u, v);
  });
  return Save(previewDir + "/start_view.png", view);
}

}  // namespace

bool WritePreviews(const std::string& assetDir, const std::string& previewDir) {
  if (!HeightmapPreview(assetDir, previewDir) || !GroundPreviews(assetDir, previewDir)) return false;
  const std::optional<std::vector<Image>> faces = ReadSkyFaces(assetDir);
  return faces && SkyPreviews(*faces, previewDir) && StartViewPreview(assetDir, previewDir, *faces);
}
