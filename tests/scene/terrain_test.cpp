#include "terrain.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <set>

#include "scene_fixture.h"

namespace {

constexpr int kRows = 64, kCols = 64, kCells = 63 * 63;

// The mirrored ramp written out: 0 to 1 over 8 vertices, back to 0 over the next 8.
float RampReference(int k) {
  const int m = k % 16;
  return (float)(m <= 8 ? m : 16 - m) / 8.0f;
}

// A bumpy heightmap whose neighbouring vertices all differ, so a wrong corner shows.
std::vector<unsigned char> BumpyBytes() {
  std::vector<unsigned char> b((size_t)kRows * kCols);
  uint32_t s = 12345;
  for (auto& v : b) {
    s = s * 1103515245u + 12345u;
    v = (unsigned char)(s >> 16);
  }
  return b;
}

class TerrainTest : public SceneTest {
 protected:
  std::unique_ptr<Terrain> Build(const std::vector<unsigned char>& bytes, std::vector<std::string>* messages,
                                 bool* quit) {
    const std::string path = WriteScratch("terrain.raw", bytes);
    std::unique_ptr<Terrain> t;
    *messages = Messages([&] { t = std::make_unique<Terrain>(device, path, kCols, kRows, 10, 0.5f); });
    *quit = QuitPosted();
    return t;
  }
  std::unique_ptr<Terrain> Build(const std::vector<unsigned char>& bytes) {
    std::vector<std::string> messages;
    bool quit = false;
    std::unique_ptr<Terrain> t = Build(bytes, &messages, &quit);
    EXPECT_TRUE(messages.empty()) << messages[0];
    EXPECT_FALSE(quit);
    return t;
  }
};

TEST_F(TerrainTest, FileBytesBecomeHeightsAndBands) {
  std::vector<unsigned char> bytes((size_t)kRows * kCols, 100);
  const unsigned char row0[] = {51, 52, 203, 204, 255, 0};
  std::copy(std::begin(row0), std::end(row0), bytes.begin());
  auto t = Build(bytes);
  EXPECT_EQ(t->getNumVertices(), 4096);
  EXPECT_EQ(t->getNumTriangles(), 7938);
  ASSERT_EQ(t->getNumCells(), kCells);
  const int heights[] = {25, 26, 101, 102, 127, 0};
  const TerrainBand bands[] = {TerrainBand::Low,  TerrainBand::Middle, TerrainBand::Middle,
                               TerrainBand::High, TerrainBand::High,   TerrainBand::Low};
  for (int j = 0; j < 6; ++j) {
    EXPECT_EQ(t->getHeightmapEntry(0, j), heights[j]) << j;
    EXPECT_EQ(t->getCellBand(j), bands[j]) << j;
  }
  EXPECT_EQ(t->getHeightmapEntry(63, 63), 50);
  EXPECT_EQ(t->getCellBand(kCells - 1), TerrainBand::Middle);
}

TEST_F(TerrainTest, ShortEmptyAndLongFilesAreNoFailure) {
  {
    auto t = Build(std::vector<unsigned char>(4000, 200));
    // The last 96 vertices, the eastern 32 of row 62 and all of row 63, are at 0.
    EXPECT_EQ(t->getHeightmapEntry(62, 31), 100);
    for (int j = 32; j < kCols; ++j) EXPECT_EQ(t->getHeightmapEntry(62, j), 0) << j;
    for (int j = 0; j < kCols; ++j) EXPECT_EQ(t->getHeightmapEntry(63, j), 0) << j;
    EXPECT_NE(t->getMesh(), nullptr);
  }
  {
    auto t = Build({});
    for (int i = 0; i < kRows; i += 9)
      for (int j = 0; j < kCols; j += 7) EXPECT_EQ(t->getHeightmapEntry(i, j), 0);
    EXPECT_EQ(t->getHeight(12.5f, -40.0f), 0.0f);
    EXPECT_EQ(t->getNumCells(), kCells);
  }
  {
    std::vector<unsigned char> bytes((size_t)kRows * kCols + 500, 40);
    bytes[4096] = 255;  // past the grid: ignored
    auto t = Build(bytes);
    EXPECT_EQ(t->getHeightmapEntry(63, 63), 20);
  }
}

TEST_F(TerrainTest, AMissingUnreadableOrImpossibleHeightmapFailsAndQuits) {
  const std::string missing = TempPath("no_such_heightmap.raw");
  const std::string directory = ::testing::TempDir();
  const std::string good = WriteScratch("good.raw", std::vector<unsigned char>(4096, 90));
  struct Case {
    std::string file;
    int row, col, spacing;
    float scale;
  } cases[] = {{missing, 64, 64, 10, 0.5f},   {directory, 64, 64, 10, 0.5f}, {good, 1, 64, 10, 0.5f},
               {good, 0, 0, 10, 0.5f},        {good, -4, 64, 10, 0.5f},      {good, 300, 300, 10, 0.5f},
               {good, 64, 64, 0, 0.5f},       {good, 64, 64, 1 << 30, 0.5f}, {good, 64, 64, 10, NAN},
               {good, 65536, 65536, 10, 0.5f}};
  for (const Case& c : cases) {
    std::unique_ptr<Terrain> t;
    const auto messages =
        Messages([&] { t = std::make_unique<Terrain>(device, c.file, c.row, c.col, c.spacing, c.scale); });
    EXPECT_EQ(messages, std::vector<std::string>{"readRawFile - FAILED"}) << c.file << " " << c.row;
    EXPECT_TRUE(QuitPosted()) << c.file << " " << c.row;
    // Nothing was built, and nothing reads heights that were never loaded.
    EXPECT_EQ(t->getMesh(), nullptr);
    EXPECT_EQ(t->getNumCells(), 0);
    EXPECT_EQ(t->getHeight(0.0f, 0.0f), 0.0f);
    EXPECT_EQ(t->getHeight(1e30f, -1e30f), 0.0f);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    t->draw(identity, true);
  }
}

TEST_F(TerrainTest, VertexAndIndexTables) {
  const std::vector<unsigned char> bytes = BumpyBytes();
  auto t = Build(bytes);
  ASSERT_NE(t->getVertexBuffer(), nullptr);
  void* data = nullptr;
  ASSERT_EQ(t->getVertexBuffer()->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  const TerrainVertex* v = (const TerrainVertex*)data;
  for (int i = 0; i < kRows; ++i)
    for (int j = 0; j < kCols; ++j, ++v) {
      EXPECT_EQ(v->x, (float)(-315 + 10 * j));
      EXPECT_EQ(v->z, (float)(315 - 10 * i));
      EXPECT_EQ(v->y, (float)(bytes[(size_t)i * kCols + j] / 2));
      EXPECT_EQ(v->u, RampReference(j));
      EXPECT_EQ(v->v, RampReference(i));
    }
  const TerrainVertex* row0 = (const TerrainVertex*)data;
  const int columns[] = {0, 4, 8, 12, 16, 63};
  const float us[] = {0, 0.5f, 1, 0.5f, 0, 0.125f};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(row0[columns[k]].u, us[k]) << columns[k];
  t->getVertexBuffer()->Unlock();

  ASSERT_NE(t->getIndexBuffer(), nullptr);
  ASSERT_EQ(t->getIndexBuffer()->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  const uint16_t* index = (const uint16_t*)data;
  for (int i = 0; i < 63; ++i)
    for (int j = 0; j < 63; ++j) {
      const int a = i * 64 + j, b = a + 1, c = a + 64, d = c + 1;
      const int expected[6] = {a, b, c, c, b, d};
      for (int e : expected) ASSERT_EQ(*index++, e) << "cell " << i << "," << j;
    }
  t->getIndexBuffer()->Unlock();
}

// A triangle as its three positions, starting from the smallest so that a rotated copy (same
// winding) compares equal.
using Tri = std::array<std::array<float, 3>, 3>;
Tri Canonical(Tri t) {
  std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
  return t;
}

TEST_F(TerrainTest, AfterOptimisationEachSubsetIsItsCellsTwoTriangles) {
  const std::vector<unsigned char> bytes = BumpyBytes();
  auto t = Build(bytes);
  ID3DXMesh* mesh = t->getMesh();
  ASSERT_NE(mesh, nullptr);
  DWORD count = 0;
  ASSERT_EQ(mesh->GetAttributeTable(nullptr, &count), D3D_OK);
  ASSERT_EQ(count, (DWORD)kCells);
  std::vector<D3DXATTRIBUTERANGE> table(count);
  mesh->GetAttributeTable(table.data(), &count);

  void *vdata = nullptr, *idata = nullptr;
  ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vdata), D3D_OK);
  ASSERT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &idata), D3D_OK);
  const TerrainVertex* v = (const TerrainVertex*)vdata;
  const uint16_t* index = (const uint16_t*)idata;
  const auto corner = [&](int i, int j) {
    return std::array<float, 3>{(float)(-315 + 10 * j), (float)(bytes[(size_t)i * kCols + j] / 2),
                                (float)(315 - 10 * i)};
  };
  for (int c = 0; c < kCells; ++c) {
    const D3DXATTRIBUTERANGE& r = table[(size_t)c];
    ASSERT_EQ(r.AttribId, (DWORD)c);
    ASSERT_EQ(r.FaceCount, 2u) << c;
    const int i = c / 63, j = c % 63;
    const auto a = corner(i, j), b = corner(i, j + 1), cc = corner(i + 1, j), d = corner(i + 1, j + 1);
    std::set<Tri> expected = {Canonical({a, b, cc}), Canonical({cc, b, d})}, got;
    for (DWORD f = r.FaceStart; f < r.FaceStart + 2; ++f) {
      Tri tri;
      for (int k = 0; k < 3; ++k) {
        const TerrainVertex& p = v[index[3 * f + k]];
        tri[(size_t)k] = {p.x, p.y, p.z};
        // Texture coordinates travel with their vertex.
        const int col = ((int)p.x + 315) / 10, row = (315 - (int)p.z) / 10;
        EXPECT_EQ(p.u, RampReference(col));
        EXPECT_EQ(p.v, RampReference(row));
      }
      got.insert(Canonical(tri));
    }
    EXPECT_EQ(got, expected) << "cell " << c;
  }
  mesh->UnlockIndexBuffer();
  mesh->UnlockVertexBuffer();
}

TEST_F(TerrainTest, HeightLiesOnTheDrawnSurface) {
  const std::vector<unsigned char> bytes = BumpyBytes();
  auto t = Build(bytes);
  const auto h = [&](int i, int j) { return (float)(bytes[(size_t)i * kCols + j] / 2); };
  // Every vertex, the edges included, gives its own height exactly.
  for (int i = 0; i < kRows; ++i)
    for (int j = 0; j < kCols; ++j)
      ASSERT_EQ(t->getHeight((float)(-315 + 10 * j), (float)(315 - 10 * i)), h(i, j)) << i << "," << j;
  for (int i = 0; i < 63; i += 5)
    for (int j = 0; j < 63; j += 3) {
      const float x = (float)(-315 + 10 * j), z = (float)(315 - 10 * i);
      const float a = h(i, j), b = h(i, j + 1), c = h(i + 1, j), d = h(i + 1, j + 1);
      // The centre lies on the B-C diagonal: the south-east triangle, (B + C) / 2.
      EXPECT_EQ(t->getHeight(x + 5, z - 5), (b + c) / 2) << i << "," << j;
      // A quarter across and half down: north-west of the diagonal.
      EXPECT_EQ(t->getHeight(x + 2.5f, z - 5), a + (b - a) * 0.25f + (c - a) * 0.5f) << i << "," << j;
      // Three quarters across and half down: south-east.
      EXPECT_EQ(t->getHeight(x + 7.5f, z - 5), d + (c - d) * 0.25f + (b - d) * 0.5f) << i << "," << j;
    }
}

TEST_F(TerrainTest, OffTheGridTheHeightOfTheNearestEdgePoint) {
  const std::vector<unsigned char> bytes = BumpyBytes();
  auto t = Build(bytes);
  const auto h = [&](int i, int j) { return (float)(bytes[(size_t)i * kCols + j] / 2); };
  for (int k = 0; k < 63; ++k) {
    const float along = (float)(-315 + 10 * k), across = (float)(315 - 10 * k);
    EXPECT_EQ(t->getHeight(-400, across), h(k, 0)) << k;     // west
    EXPECT_EQ(t->getHeight(315, across), h(k, 63)) << k;     // the east edge itself
    EXPECT_EQ(t->getHeight(1e6f, across), h(k, 63)) << k;    // east
    EXPECT_EQ(t->getHeight(along, 5000), h(0, k)) << k;      // north
    EXPECT_EQ(t->getHeight(along, -315.5f), h(63, k)) << k;  // south
    EXPECT_EQ(t->getHeight(-1000, across - 5), (h(k, 0) + h(k + 1, 0)) / 2) << k;
    EXPECT_EQ(t->getHeight(along + 5, -700), (h(63, k) + h(63, k + 1)) / 2) << k;
  }
  EXPECT_EQ(t->getHeight(-1e30f, 1e30f), h(0, 0));
  EXPECT_EQ(t->getHeight(INFINITY, -INFINITY), h(63, 63));
  EXPECT_EQ(t->getHeight(-INFINITY, -INFINITY), h(63, 0));
  EXPECT_EQ(t->getHeight(NAN, NAN), h(0, 0));
}

TEST_F(TerrainTest, GroundTexturesLoadInOrderAndStopAtTheFirstFailure) {
  auto t = Build(BumpyBytes());
  std::array<std::string, 5> paths;
  GroundTextureNames names;
  for (int k = 0; k < 5; ++k) {
    paths[(size_t)k] = kAssets + "/" + kGroundTextureFiles[(size_t)k];
    names[(size_t)k] = paths[(size_t)k].c_str();
  }
  bool loaded = false;
  EXPECT_TRUE(Messages([&] { loaded = t->loadTextures(names); }).empty());
  EXPECT_TRUE(loaded);
  for (int k = 0; k < 5; ++k) EXPECT_NE(t->getTexture(k), nullptr) << k;

  auto u = Build(BumpyBytes());
  const std::string damaged = WriteScratch("damaged_ground.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0x00});
  names[2] = damaged.c_str();
  const auto messages = Messages([&] { loaded = u->loadTextures(names); });
  EXPECT_FALSE(loaded);
  EXPECT_EQ(messages, std::vector<std::string>{"CreateTextureFromFile - FAILED"});
  for (int k = 0; k < 5; ++k) EXPECT_EQ(u->getTexture(k) != nullptr, k < 2) << k;
  EXPECT_FALSE(QuitPosted());
}

TEST_F(TerrainTest, DrawSequenceAndWhatStaysSet) {
  CallLogDevice* recorder = new CallLogDevice(device);
  {
    auto path = WriteScratch("draw.raw", BumpyBytes());
    Terrain t(recorder, path, kCols, kRows, 10, 0.5f);
    std::array<std::string, 5> paths;
    GroundTextureNames names;
    for (int k = 0; k < 5; ++k) {
      paths[(size_t)k] = kAssets + "/" + kGroundTextureFiles[(size_t)k];
      names[(size_t)k] = paths[(size_t)k].c_str();
    }
    ASSERT_TRUE(t.loadTextures(names));
    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 1, 2, 3);
    recorder->Clear();
    EXPECT_TRUE(t.draw(world, false));
    const auto& calls = recorder->calls;
    ASSERT_GE(calls.size(), 6u);
    const std::vector<std::string> head = {"SetSamplerState", "SetSamplerState", "SetTransform",
                                           "SetStreamSource", "SetFVF",          "SetIndices"};
    for (size_t k = 0; k < head.size(); ++k) EXPECT_EQ(calls[k].name, head[k]) << k;
    EXPECT_EQ(calls[0].args, (std::vector<long long>{0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR}));
    EXPECT_EQ(calls[1].args, (std::vector<long long>{0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR}));
    EXPECT_EQ(calls[3].args, (std::vector<long long>{0, (long long)(uintptr_t)t.getVertexBuffer(), 0, 20}));
    EXPECT_EQ(calls[4].args[0], 0x102);
    EXPECT_EQ(calls[5].args[0], (long long)(uintptr_t)t.getIndexBuffer());
    // One texture change and one two-triangle draw per cell, in cell order.
    int textures = 0, draws = 0;
    for (size_t k = head.size(); k < calls.size(); ++k) {
      if (calls[k].name == "SetTexture") {
        const IDirect3DTexture9* expected = t.getTexture((int)t.getCellBand(textures));
        EXPECT_EQ(calls[k].args[1], (long long)(uintptr_t)expected) << textures;
        ++textures;
        EXPECT_EQ(draws, textures - 1);
      } else if (calls[k].name == "DrawIndexedPrimitive") {
        EXPECT_EQ(calls[k].args[5], 2) << draws;
        ++draws;
      }
      EXPECT_NE(calls[k].name, "SetRenderState");
    }
    EXPECT_EQ(textures, kCells);
    EXPECT_EQ(draws, kCells);
    D3DXMATRIX got;
    device->GetTransform(D3DTS_WORLD, &got);
    EXPECT_EQ(got, world);
    IDirect3DBaseTexture9* stage0 = nullptr;
    device->GetTexture(0, &stage0);
    EXPECT_EQ(stage0, t.getTexture((int)t.getCellBand(kCells - 1)));  // the last cell's, left set
    if (stage0) stage0->Release();

    // The wire-frame overlay: the whole grid again from the terrain's own buffers, then solid.
    recorder->Clear();
    device->BeginScene();
    EXPECT_TRUE(t.draw(world, true));
    device->EndScene();
    const size_t n = calls.size();
    ASSERT_GT(n, 3u);
    EXPECT_EQ(calls[n - 3].args, (std::vector<long long>{D3DRS_FILLMODE, D3DFILL_WIREFRAME}));
    EXPECT_EQ(calls[n - 2].name, "DrawIndexedPrimitive");
    EXPECT_EQ(calls[n - 2].args, (std::vector<long long>{D3DPT_TRIANGLELIST, 0, 0, 4096, 0, 7938}));
    EXPECT_EQ(calls[n - 1].args, (std::vector<long long>{D3DRS_FILLMODE, D3DFILL_SOLID}));
    device->SetTexture(0, nullptr);
  }
  EXPECT_EQ(recorder->Release(), 0u);
}

}  // namespace
