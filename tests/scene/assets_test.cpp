// The demo's committed data: the heightmap's bands, tileable ground textures, a sky box whose
// faces meet at every edge in the orientation the sky box draws them, and a generator that
// reproduces all of it byte for byte.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "jpeg_file.h"
#include "process.h"
#include "skybox_faces.h"
#include "temp_path.h"
#include "terrain_bands.h"

namespace {

const std::string kAssets = std::string(SKYVALE_SOURCE_DIR) + "/assets";

std::vector<unsigned char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

Image Load(const std::string& relative) {
  std::optional<Image> image = ReadJpeg(kAssets + "/" + relative);
  EXPECT_TRUE(image) << relative;
  return image ? *image : Image();
}

int Diff(uint32_t a, uint32_t b) {
  int d = 0;
  for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(Channel(a, c) - Channel(b, c)));
  return d;
}

// ---- heightmap ----

TEST(TerrainData, BandsAndTextureRampAtTheirLimits) {
  // File byte -> band with the scene's scale: up to 51 low, 52 to 203 middle, 204 on high.
  const float scale = kSceneTerrain.heightScale;
  const struct {
    unsigned char byte;
    int height;
    TerrainBand band;
  } cases[] = {{0, 0, TerrainBand::Low},       {51, 25, TerrainBand::Low},      {52, 26, TerrainBand::Middle},
               {101, 50, TerrainBand::Middle}, {203, 101, TerrainBand::Middle}, {204, 102, TerrainBand::High},
               {255, 127, TerrainBand::High}};
  for (const auto& c : cases) {
    const int h = TerrainScaledHeight(c.byte, scale);
    EXPECT_EQ(h, c.height) << (int)c.byte;
    EXPECT_EQ(TerrainBandOf(h, scale), c.band) << (int)c.byte;
  }
  // u over columns: climbs to 1 over 8 cells and mirrors back, steps of an eighth and no jump,
  // so a texture meets its own mirror image where the ramp turns.
  const int columns[] = {0, 4, 8, 12, 16, 63};
  const float expected[] = {0, 0.5f, 1, 0.5f, 0, 0.125f};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(TerrainTexCoord(columns[k]), expected[k]) << columns[k];
  for (int k = 0; k < 63; ++k) EXPECT_EQ(std::fabs(TerrainTexCoord(k + 1) - TerrainTexCoord(k)), 0.125f) << k;
}

TEST(Heightmap, ACoastRisingToAMountainWithAQuarterInEachOuterBand) {
  const std::vector<unsigned char> bytes = ReadFile(kAssets + "/" + kSceneTerrain.file);
  const int rows = kSceneTerrain.vertsPerCol, cols = kSceneTerrain.vertsPerRow;
  ASSERT_EQ(bytes.size(), (size_t)rows * cols);
  const auto at = [&](int i, int j) { return (int)bytes[(size_t)i * cols + j]; };
  // A cell's band comes from its north-west vertex: every vertex but the last row and column.
  int low = 0, high = 0, cells = 0;
  for (int i = 0; i + 1 < rows; ++i)
    for (int j = 0; j + 1 < cols; ++j) {
      ++cells;
      low += at(i, j) <= 51;
      high += at(i, j) >= 204;
    }
  EXPECT_NEAR((double)low / cells, 0.25, 0.03);
  EXPECT_NEAR((double)high / cells, 0.25, 0.03);
  // The coast lies south-east (large rows and columns), the mountain north-west, and the camera
  // starts between them at the centre on middle ground.
  const auto quadrantMean = [&](int i0, int j0) {
    double sum = 0;
    for (int i = i0; i < i0 + rows / 2; ++i)
      for (int j = j0; j < j0 + cols / 2; ++j) sum += at(i, j);
    return sum / (rows / 2 * cols / 2);
  };
  EXPECT_GT(quadrantMean(0, 0), 170);
  EXPECT_LT(quadrantMean(rows / 2, cols / 2), 70);
  EXPECT_GT(at(rows / 2, cols / 2), 51);
  EXPECT_LT(at(rows / 2, cols / 2), 204);
  // Walkable: no step between neighbouring vertices steeper than about 60 degrees (the camera
  // follows the ground; cells are 10 wide, heights half a byte).
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) {
      if (j + 1 < cols) {
        EXPECT_LE(std::abs(at(i, j + 1) - at(i, j)), 34) << i << "," << j;
      }
      if (i + 1 < rows) {
        EXPECT_LE(std::abs(at(i + 1, j) - at(i, j)), 34) << i << "," << j;
      }
    }
}

// ---- ground textures ----

// The mean absolute step between neighbouring columns, for every pair inside the image and for
// the wrap from the last column to the first.
struct Steps {
  std::vector<double> interior;
  double wrap;
};

Steps ColumnSteps(const Image& image) {
  Steps s{std::vector<double>((size_t)image.width - 1, 0.0), 0};
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x + 1 < image.width; ++x) s.interior[x] += Diff(image.at(x, y), image.at(x + 1, y));
    s.wrap += Diff(image.at(image.width - 1, y), image.at(0, y));
  }
  for (double& d : s.interior) d /= image.height;
  s.wrap /= image.height;
  return s;
}

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[(size_t)(p * (double)(v.size() - 1))];
}

Image Transposed(const Image& image) {
  Image t(image.height, image.width);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) t.at(y, x) = image.at(x, y);
  return t;
}

// Wrapped (the last column beside the first, the last row above the first) the seam is no
// rougher than the rough end of the texture's own steps. The terrain lays the textures mirrored
// instead, where an edge meets its own mirror image (the ramp test above); a texture that tiles
// wrapped is fit for either.
TEST(GroundTextures, TileWithoutSeams) {
  for (const char* name : kGroundTextureFiles) {
    const Image image = Load(name);
    ASSERT_EQ(image.width, 256) << name;
    ASSERT_EQ(image.height, 256) << name;
    const Steps across = ColumnSteps(image), down = ColumnSteps(Transposed(image));
    EXPECT_LE(across.wrap, 1.15 * Percentile(across.interior, 0.95) + 0.5) << name << " left/right";
    EXPECT_LE(down.wrap, 1.15 * Percentile(down.interior, 0.95) + 0.5) << name << " top/bottom";
  }
}

TEST(GroundTextures, EachHasTheColourOfItsMaterial) {
  struct Mean {
    double r, g, b;
    double light() const { return (r + g + b) / 3; }
    double spread() const { return std::max({r, g, b}) - std::min({r, g, b}); }
  };
  std::map<std::string, Mean> mean;
  for (const char* name : kGroundTextureFiles) {
    const Image image = Load(name);
    Mean m{0, 0, 0};
    for (uint32_t t : image.texels) {
      m.r += Channel(t, 0);
      m.g += Channel(t, 1);
      m.b += Channel(t, 2);
    }
    const double n = (double)std::max<size_t>(1, image.texels.size());
    mean[name] = {m.r / n, m.g / n, m.b / n};
  }
  const Mean dirt = mean["Textures/dirt.jpg"], grass = mean["Textures/grass.jpg"],
             snow = mean["Textures/snow.jpg"], mud = mean["Textures/mud.jpg"],
             stone = mean["Textures/stone.jpg"];
  EXPECT_TRUE(dirt.r > dirt.g && dirt.g > dirt.b && dirt.light() > 60) << "dirt is earth brown";
  EXPECT_TRUE(grass.g > grass.r + 20 && grass.g > grass.b + 40) << "grass is green";
  EXPECT_TRUE(snow.light() > 200 && snow.b >= snow.r && snow.spread() < 40) << "snow is white, cool";
  EXPECT_TRUE(mud.r > mud.g && mud.g > mud.b && mud.light() < dirt.light() - 15) << "mud is darker than dirt";
  EXPECT_TRUE(stone.spread() < 20 && stone.light() > 60 && stone.light() < 180) << "stone is grey";
}

// ---- sky box ----

struct FaceFrame {
  D3DXVECTOR3 origin, across, down;  // the point at (u, v) = (0, 0) and its derivatives
};

// Straight from the corner table: the corners at (0, 0), (1, 0) and (0, 1).
FaceFrame FrameOf(const SkyBoxFaceDesc& face) {
  D3DXVECTOR3 at[2][2];
  for (const SkyBoxCorner& c : face.corners) at[(int)c.u][(int)c.v] = D3DXVECTOR3(c.x, c.y, c.z);
  return {at[0][0], at[1][0] - at[0][0], at[0][1] - at[0][0]};
}

TEST(SkyBox, FacesMeetAtAllTwelveEdges) {
  std::vector<Image> faces;
  for (const SkyBoxFaceDesc& face : kSkyBoxFaces) faces.push_back(Load(face.file));
  const int n = faces[0].width;
  for (const Image& f : faces) {
    ASSERT_EQ(f.width, n);
    ASSERT_EQ(f.height, n);
  }
  ASSERT_GE(n, 64);
  // Walk the border texels of every face; each edge point on the cube is looked up on the other
  // face that holds it, through that face's own corner table, and the two texels compared.
  struct EdgeStats {
    double sum = 0;
    int count = 0, worst = 0;
  };
  std::map<std::pair<int, int>, EdgeStats> edges;
  for (int a = 0; a < kSkyBoxFaceCount; ++a) {
    const FaceFrame fa = FrameOf(kSkyBoxFaces[a]);
    for (int side = 0; side < 4; ++side)
      for (int t = 0; t < n; ++t) {
        const int x = side == 0 ? 0 : side == 1 ? n - 1 : t;
        const int y = side == 2 ? 0 : side == 3 ? n - 1 : t;
        // The texel's centre pushed out to the face's border: exactly on the cube edge.
        const float u = side == 0 ? 0.0f : side == 1 ? 1.0f : ((float)x + 0.5f) / (float)n;
        const float v = side == 2 ? 0.0f : side == 3 ? 1.0f : ((float)y + 0.5f) / (float)n;
        const D3DXVECTOR3 p = fa.origin + fa.across * u + fa.down * v;
        int found = 0;
        for (int b = 0; b < kSkyBoxFaceCount; ++b) {
          if (b == a) continue;
          const FaceFrame fb = FrameOf(kSkyBoxFaces[b]);
          const D3DXVECTOR3 d = p - fb.origin;
          const float ub = D3DXVec3Dot(&d, &fb.across) / D3DXVec3LengthSq(&fb.across);
          const float vb = D3DXVec3Dot(&d, &fb.down) / D3DXVec3LengthSq(&fb.down);
          const D3DXVECTOR3 back = fb.origin + fb.across * ub + fb.down * vb - p;
          if (D3DXVec3Length(&back) > 1e-4f) continue;  // p is not on face b's plane
          const int xb = std::clamp((int)(ub * (float)n), 0, n - 1),
                    yb = std::clamp((int)(vb * (float)n), 0, n - 1);
          EdgeStats& e = edges[{std::min(a, b), std::max(a, b)}];
          const int diff = Diff(faces[a].at(x, y), faces[b].at(xb, yb));
          e.sum += diff;
          e.worst = std::max(e.worst, diff);
          ++e.count;
          ++found;
        }
        // Along an edge one other face holds the point; at a corner two do.
        EXPECT_GE(found, 1) << "face " << a << " texel " << x << "," << y;
      }
  }
  EXPECT_EQ(edges.size(), 12u);
  for (const auto& [pair, e] : edges) {
    EXPECT_LE(e.sum / e.count, 3.0) << "faces " << pair.first << " and " << pair.second;
    EXPECT_LE(e.worst, 16) << "faces " << pair.first << " and " << pair.second;
  }
}

// With every edge matching, a face turned the wrong way shows at its edges; what the edges
// cannot show is the whole sky upside down, or a second sun.
TEST(SkyBox, BlueOverheadWithTheSunInOneSideFace) {
  std::vector<Image> faces;
  for (const SkyBoxFaceDesc& face : kSkyBoxFaces) faces.push_back(Load(face.file));
  const auto meanOf = [](const Image& im, int c) {
    double s = 0;
    for (uint32_t t : im.texels) s += Channel(t, c);
    return s / (double)std::max<size_t>(1, im.texels.size());
  };
  const Image& top = faces[(int)SkyBoxFace::PosY];
  const Image& bottom = faces[(int)SkyBoxFace::NegY];
  EXPECT_GT(meanOf(top, 2), meanOf(top, 0) + 60) << "the zenith is deep blue";
  EXPECT_LT(meanOf(bottom, 2), meanOf(top, 2)) << "the ground side is no sky";
  int sunFaces = 0;
  for (SkyBoxFace side : {SkyBoxFace::PosX, SkyBoxFace::NegX, SkyBoxFace::PosZ, SkyBoxFace::NegZ}) {
    const Image& im = faces[(int)side];
    int bright = 0;
    for (uint32_t t : im.texels) bright += Channel(t, 0) > 250 && Channel(t, 1) > 245 && Channel(t, 2) > 225;
    sunFaces += bright > 8;
  }
  EXPECT_EQ(sunFaces, 1) << "one sun disc, inside one face";
}

// ---- the generator ----

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

TEST(AssetGenerator, RunsTwiceToTheSameBytesAsTheCommittedFiles) {
  std::vector<std::string> files = {kSceneTerrain.file};
  for (const char* name : kGroundTextureFiles) files.push_back(name);
  for (const SkyBoxFaceDesc& face : kSkyBoxFaces) files.push_back(face.file);
  const std::string first = TempPath("assets_a"), second = TempPath("assets_b");
  for (const std::string& dir : {first, second}) {
    ProcessOptions o;
    o.timeoutMs = 300000;
    const ProcessResult r = RunProcess({SKYVALE_ASSET_TOOL, dir}, o);
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  for (const std::string& name : files) {
    ASSERT_TRUE(IsFile(first + "/" + name)) << name;
    const std::vector<unsigned char> a = ReadFile(first + "/" + name);
    EXPECT_EQ(a, ReadFile(second + "/" + name)) << name << " differs between two runs";
    EXPECT_EQ(a, ReadFile(kAssets + "/" + name))
        << name << " is not what the generator makes: run make assets";
    EXPECT_LT(a.size(), 100u * 1024) << name;
  }
  for (const std::string& dir : {first, second}) {
    for (const std::string& name : files) std::remove((dir + "/" + name).c_str());
    rmdir((dir + "/Textures").c_str());
    rmdir(dir.c_str());
  }
}

TEST(AssetGenerator, UnwritableOutputFailsWithAMessage) {
  const ProcessResult r = RunProcess({SKYVALE_ASSET_TOOL, "/proc/skyvale_no_such_dir/out"});
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.err.find("make_assets: cannot create"), std::string::npos) << r.err;
  EXPECT_EQ(RunProcess({SKYVALE_ASSET_TOOL}).exitCode, 2);
}

}  // namespace
