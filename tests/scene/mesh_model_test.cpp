// MeshModel: materials and textures joined to the model's directory, the subsets it draws, and
// the files it cannot load.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "call_log_device.h"
#include "headless_d3d.h"
#include "jpeg_file.h"
#include "mesh_model.h"
#include "temp_path.h"

namespace {

// Three triangles, one per material; the first and last name textures, the second none.
const char kModel[] = R"(xof 0303txt 0032
Mesh { 5; 0;0;0;, 1;0;0;, 0;1;0;, 2;0;0;, 2;1;0;; 3; 3;0,2,1;, 3;1,2,4;, 3;1,4,3;;
  MeshMaterialList { 3; 3; 0,1,2;;
    Material { 1;0;0;1;; 2; 0;0;0;; 0;0;0;; TextureFilename { "skin.jpg"; } }
    Material { 0;1;0;1;; 2; 0;0;0;; 0;0;0;; }
    Material { 0;0;1;1;; 2; 0;0;0;; 0;0;0;; TextureFilename { "skin.jpg"; } } } }
)";

class MeshModelTest : public HeadlessD3DTest {
 protected:
  void SetUp() override {
    HeadlessD3DTest::SetUp();
    if (HasFatalFailure()) return;
    D3DPRESENT_PARAMETERS pp = WindowedParams(D3DFMT_UNKNOWN, D3DFMT_UNKNOWN, 64, 64);
    IDirect3DDevice9* real = nullptr;
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &real),
              D3D_OK);
    device = new CallLogDevice(real);
    real->Release();
    dir = TempPath("model") + "/";
    mkdir(dir.c_str(), 0755);
    Write(dir + "model.x", kModel);
    Image texel(8, 8);
    ASSERT_TRUE(WriteJpeg(dir + "skin.jpg", texel, 90));
  }
  void TearDown() override {
    std::remove((dir + "model.x").c_str());
    std::remove((dir + "skin.jpg").c_str());
    rmdir(dir.c_str());
    if (device) {
      EXPECT_EQ(device->Release(), 0u);
    }
    HeadlessD3DTest::TearDown();
  }
  static void Write(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  CallLogDevice* device = nullptr;
  std::string dir;
};

TEST_F(MeshModelTest, EveryMaterialHasItsOwnTextureOrNone) {
  MeshModel model(device, dir.c_str(), "model.x");
  ASSERT_TRUE(model.loaded());
  ASSERT_EQ(model.getMaterials().size(), 3u);
  ASSERT_EQ(model.getTextures().size(), 3u);
  EXPECT_NE(model.getTextures()[0], nullptr);
  EXPECT_EQ(model.getTextures()[1], nullptr);
  EXPECT_NE(model.getTextures()[2], nullptr);
  EXPECT_NE(model.getTextures()[0], model.getTextures()[2]);  // one texture object per material
  // The ambient colour is the diffuse one, whatever the loader gave.
  const D3DMATERIAL9& red = model.getMaterials()[0];
  EXPECT_EQ(red.Ambient.r, 1.0f);
  EXPECT_EQ(red.Ambient.g, 0.0f);
  EXPECT_EQ(red.Ambient.a, 1.0f);
  EXPECT_EQ(model.getMaterials()[1].Ambient.g, 1.0f);
}

TEST_F(MeshModelTest, DrawsEachSubsetWithItsMaterialAndTexture) {
  MeshModel model(device, dir.c_str(), "model.x");
  ASSERT_TRUE(model.loaded());
  device->Clear();
  device->BeginScene();
  EXPECT_TRUE(model.draw());
  device->EndScene();
  std::vector<std::string> names = device->Names();
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& n) {
                               return n != "SetSamplerState" && n != "SetMaterial" && n != "SetTexture" &&
                                      n != "DrawIndexedPrimitive";
                             }),
              names.end());
  std::vector<std::string> expected(4, "SetSamplerState");
  for (int i = 0; i < 3; ++i)
    for (const char* n : {"SetMaterial", "SetTexture", "DrawIndexedPrimitive"}) expected.push_back(n);
  EXPECT_EQ(names, expected);
  std::vector<long long> bound;
  for (const LoggedCall& c : device->calls)
    if (c.name == "SetTexture") bound.push_back(c.args.at(1));
  ASSERT_EQ(bound.size(), 3u);
  EXPECT_NE(bound[0], 0);
  EXPECT_EQ(bound[1], 0);  // the untextured subset unbinds stage 0
  EXPECT_NE(bound[2], 0);
  // The filters and wrapping stay set.
  DWORD mag = 0, wrap = 0;
  device->inner->GetSamplerState(0, D3DSAMP_MAGFILTER, &mag);
  device->inner->GetSamplerState(0, D3DSAMP_ADDRESSU, &wrap);
  EXPECT_EQ(mag, DWORD(D3DTEXF_LINEAR));
  EXPECT_EQ(wrap, DWORD(D3DTADDRESS_WRAP));
  model.release();
  EXPECT_FALSE(model.loaded());
  EXPECT_TRUE(model.getTextures().empty());
}

TEST_F(MeshModelTest, MissingFilesAndOverlongPathsLeaveAnEmptyModel) {
  MeshModel missing(device, dir.c_str(), "absent.x");
  EXPECT_FALSE(missing.loaded());
  EXPECT_TRUE(missing.getMaterials().empty());
  EXPECT_TRUE(missing.getTextures().empty());
  device->Clear();
  EXPECT_TRUE(missing.draw());
  for (const LoggedCall& c : device->calls) EXPECT_EQ(c.name, "SetSamplerState");
  missing.release();

  // A directory and name that do not fit the 256-character path are refused, not truncated.
  const std::string deep = dir + std::string(250, 'd') + "/";
  MeshModel tooLong(device, deep.c_str(), "model.x");
  EXPECT_FALSE(tooLong.loaded());
  const std::string name = std::string(300, 'n') + ".x";
  MeshModel longName(device, dir.c_str(), name.c_str());
  EXPECT_FALSE(longName.loaded());

  // A texture that cannot be found leaves its subset untextured.
  Write(dir + "model.x", std::string(kModel).replace(std::string(kModel).find("skin.jpg"), 8, "gone.jpg"));
  MeshModel partial(device, dir.c_str(), "model.x");
  ASSERT_TRUE(partial.loaded());
  EXPECT_EQ(partial.getTextures()[0], nullptr);
  EXPECT_NE(partial.getTextures()[2], nullptr);
}

}  // namespace
