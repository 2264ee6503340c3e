#include "skybox.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <set>

#include "d3d_utility.h"
#include "scene_fixture.h"

namespace {

struct Corner {
  float x, y, z, u, v;
  bool operator<(const Corner& o) const { return std::memcmp(this, &o, sizeof o) < 0; }
  bool operator==(const Corner& o) const { return std::memcmp(this, &o, sizeof o) == 0; }
};

// The cube written out face by face: bottom-left, top-left, top-right, bottom-right of each image.
const Corner kFaces[6][4] = {
    {{1, -1, 1, 0, 1}, {1, 1, 1, 0, 0}, {1, 1, -1, 1, 0}, {1, -1, -1, 1, 1}},
    {{-1, -1, -1, 0, 1}, {-1, 1, -1, 0, 0}, {-1, 1, 1, 1, 0}, {-1, -1, 1, 1, 1}},
    {{-1, 1, 1, 0, 1}, {-1, 1, -1, 0, 0}, {1, 1, -1, 1, 0}, {1, 1, 1, 1, 1}},
    {{-1, -1, -1, 0, 1}, {-1, -1, 1, 0, 0}, {1, -1, 1, 1, 0}, {1, -1, -1, 1, 1}},
    {{-1, -1, 1, 0, 1}, {-1, 1, 1, 0, 0}, {1, 1, 1, 1, 0}, {1, -1, 1, 1, 1}},
    {{1, -1, -1, 0, 1}, {1, 1, -1, 0, 0}, {-1, 1, -1, 1, 0}, {-1, -1, -1, 1, 1}},
};

SkyBoxFaceNames SceneNames(std::vector<std::string>& storage, int missing = -1) {
  const char* files[6] = {"posx", "negx", "posy", "negy", "posz", "negz"};
  storage.clear();
  for (int k = 0; k < 6; ++k)
    storage.push_back(kAssets + "/Textures/skybox1_" + files[k] + (k == missing ? ".missing" : ".jpg"));
  SkyBoxFaceNames names;
  for (int k = 0; k < 6; ++k) names[(size_t)k] = storage[(size_t)k].c_str();
  return names;
}

using Tri = std::array<Corner, 3>;
Tri Canonical(Tri t) {
  std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
  return t;
}

class SkyBoxTest : public SceneTest {};

TEST_F(SkyBoxTest, SubsetKIsFaceKWoundTowardTheCentre) {
  std::vector<std::string> storage;
  SkyBox sky(device, SceneNames(storage));
  ID3DXMesh* mesh = sky.getMesh();
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->GetNumFaces(), 12u);
  EXPECT_EQ(mesh->GetFVF(), (DWORD)(D3DFVF_XYZ | D3DFVF_TEX1));
  DWORD count = 0;
  mesh->GetAttributeTable(nullptr, &count);
  ASSERT_EQ(count, 6u);
  D3DXATTRIBUTERANGE table[6];
  mesh->GetAttributeTable(table, &count);
  void *vdata = nullptr, *idata = nullptr;
  ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vdata), D3D_OK);
  ASSERT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &idata), D3D_OK);
  const Corner* v = (const Corner*)vdata;
  const uint16_t* index = (const uint16_t*)idata;
  for (int k = 0; k < 6; ++k) {
    ASSERT_EQ(table[k].AttribId, (DWORD)k);
    ASSERT_EQ(table[k].FaceCount, 2u);
    const Corner* c = kFaces[k];
    const std::set<Tri> expected = {Canonical({c[0], c[1], c[2]}), Canonical({c[0], c[2], c[3]})};
    std::set<Tri> got;
    for (DWORD f = table[k].FaceStart; f < table[k].FaceStart + 2; ++f) {
      Tri t = {v[index[3 * f]], v[index[3 * f + 1]], v[index[3 * f + 2]]};
      got.insert(Canonical(t));
      // Clockwise seen from the centre: the left-handed normal points back at the viewer.
      const D3DXVECTOR3 p0(t[0].x, t[0].y, t[0].z), p1(t[1].x, t[1].y, t[1].z), p2(t[2].x, t[2].y, t[2].z);
      D3DXVECTOR3 e1 = p1 - p0, e2 = p2 - p0, n;
      D3DXVec3Cross(&n, &e1, &e2);
      EXPECT_LT(D3DXVec3Dot(&n, &p0), 0.0f) << "face " << k;
    }
    EXPECT_EQ(got, expected) << "face " << k;
  }
  mesh->UnlockIndexBuffer();
  mesh->UnlockVertexBuffer();
}

TEST_F(SkyBoxTest, AMissingFaceIsReportedOnceAndTheOtherFivesAreTextured) {
  std::vector<std::string> storage;
  std::unique_ptr<SkyBox> sky;
  const auto messages = Messages([&] { sky = std::make_unique<SkyBox>(device, SceneNames(storage, 3)); });
  EXPECT_EQ(messages, std::vector<std::string>{"CreateTextureFromFile - FAILED"});
  EXPECT_FALSE(QuitPosted());
  for (int k = 0; k < 6; ++k) EXPECT_EQ(sky->getTexture((SkyBoxFace)k) != nullptr, k != 3) << k;
  EXPECT_NE(sky->getMesh(), nullptr);
  // A damaged file and an absent name fail alike, each once; the rest still load.
  const std::string damaged = WriteScratch("damaged_face.jpg", std::vector<unsigned char>(700, 0xFF));
  SkyBoxFaceNames names = SceneNames(storage);
  names[0] = damaged.c_str();
  names[5] = nullptr;
  const auto more = Messages([&] { sky = std::make_unique<SkyBox>(device, names); });
  EXPECT_EQ(more.size(), 2u);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(sky->getTexture((SkyBoxFace)k) != nullptr, k != 0 && k != 5) << k;
  device->BeginScene();
  EXPECT_TRUE(sky->draw());  // untextured faces draw without a texture
  device->EndScene();
}

TEST_F(SkyBoxTest, DrawSequenceAndWhatStaysSet) {
  CallLogDevice* recorder = new CallLogDevice(device);
  {
    std::vector<std::string> storage;
    SkyBox sky(recorder, SceneNames(storage));
    recorder->Clear();
    device->BeginScene();
    EXPECT_TRUE(sky.draw());
    device->EndScene();
    const auto& calls = recorder->calls;
    ASSERT_GE(calls.size(), 4u);
    const long long samplers[4][3] = {{0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR},
                                      {0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR},
                                      {0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP},
                                      {0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP}};
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(calls[(size_t)k].name, "SetSamplerState");
      EXPECT_EQ(calls[(size_t)k].args, std::vector<long long>(samplers[k], samplers[k] + 3));
    }
    // Per face: the white material, the face's texture, then one two-triangle draw.
    std::vector<std::string> perFace;
    int face = -1, draws = 0;
    for (size_t k = 4; k < calls.size(); ++k) {
      const LoggedCall& c = calls[k];
      if (c.name == "SetMaterial") {
        ++face;
        EXPECT_EQ(draws, face);
      } else if (c.name == "SetTexture") {
        EXPECT_EQ(calls[k - 1].name, "SetMaterial");
        EXPECT_EQ(c.args[1], (long long)(uintptr_t)sky.getTexture((SkyBoxFace)face));
      } else if (c.name == "DrawIndexedPrimitive") {
        EXPECT_EQ(c.args[5], 2);
        ++draws;
      }
    }
    EXPECT_EQ(face, 5);
    EXPECT_EQ(draws, 6);
    D3DMATERIAL9 m;
    device->GetMaterial(&m);
    EXPECT_EQ(std::memcmp(&m, &WhiteMaterial, sizeof m), 0);
    DWORD u = 0, addressV = 0;
    device->GetSamplerState(0, D3DSAMP_ADDRESSU, &u);
    device->GetSamplerState(0, D3DSAMP_ADDRESSV, &addressV);
    EXPECT_EQ(u, (DWORD)D3DTADDRESS_CLAMP);
    EXPECT_EQ(addressV, (DWORD)D3DTADDRESS_CLAMP);
    IDirect3DBaseTexture9* stage0 = nullptr;
    device->GetTexture(0, &stage0);
    EXPECT_EQ(stage0, sky.getTexture(SkyBoxFace::NegZ));
    if (stage0) stage0->Release();
    device->SetTexture(0, nullptr);
  }
  EXPECT_EQ(recorder->Release(), 0u);
}

TEST_F(SkyBoxTest, ReleaseTwiceAndDrawAfterwardsAreHarmless) {
  std::vector<std::string> storage;
  SkyBox sky(device, SceneNames(storage));
  sky.release();
  sky.release();
  EXPECT_EQ(sky.getMesh(), nullptr);
  device->BeginScene();
  EXPECT_TRUE(sky.draw());
  device->EndScene();
}

}  // namespace
