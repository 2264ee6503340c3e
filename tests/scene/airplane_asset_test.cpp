// The committed airplane: what its generator makes, loadable with the materials and textures of
// the parts table, and shaped like an airplane.
#include <d3dx9.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "airplane_parts.h"
#include "headless_d3d.h"
#include "jpeg_file.h"
#include "process.h"
#include "temp_path.h"

namespace {

const std::string kAirplaneDir = std::string(SKYVALE_SOURCE_DIR) + "/assets/" + kAirplaneDirectory;

std::vector<unsigned char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> AirplaneFiles() {
  std::vector<std::string> files = {kAirplaneFile};
  for (const AirplaneMaterial& m : kAirplaneMaterials)
    if (m.texture) files.push_back(m.texture);
  return files;
}

TEST(AirplaneGenerator, RunsTwiceToTheSameBytesAsTheCommittedFiles) {
  const std::string first = TempPath("airplane_a"), second = TempPath("airplane_b");
  for (const std::string& dir : {first, second}) {
    const ProcessResult r = RunProcess({SKYVALE_AIRPLANE_TOOL, dir});
    ASSERT_EQ(r.exitCode, 0) << r.err;
  }
  for (const std::string& name : AirplaneFiles()) {
    const std::string a = first + "/" + kAirplaneDirectory + name,
                      b = second + "/" + kAirplaneDirectory + name;
    const std::vector<unsigned char> bytes = ReadFile(a);
    ASSERT_FALSE(bytes.empty()) << name;
    EXPECT_EQ(bytes, ReadFile(b)) << name << " differs between two runs";
    EXPECT_EQ(bytes, ReadFile(kAirplaneDir + name))
        << name << " is not what the generator makes: run make assets";
    std::remove(a.c_str());
    std::remove(b.c_str());
  }
  for (const std::string& dir : {first, second}) {
    rmdir((dir + "/" + kAirplaneDirectory).c_str());
    rmdir(dir.c_str());
  }
  EXPECT_EQ(RunProcess({SKYVALE_AIRPLANE_TOOL}).exitCode, 2);
}

TEST(AirplaneTextures, AreColourPicturesTheModelNames) {
  for (const AirplaneMaterial& m : kAirplaneMaterials) {
    if (!m.texture) continue;
    std::optional<Image> image = ReadJpeg(kAirplaneDir + m.texture);
    ASSERT_TRUE(image) << m.texture;
    EXPECT_EQ(image->width, 128);
    EXPECT_EQ(image->height, 128);
  }
}

class AirplaneModelFile : public HeadlessD3DTest {
 protected:
  void SetUp() override {
    HeadlessD3DTest::SetUp();
    if (HasFatalFailure()) return;
    D3DPRESENT_PARAMETERS pp = WindowedParams(D3DFMT_UNKNOWN, D3DFMT_UNKNOWN, 64, 64);
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
  }
  void TearDown() override {
    if (device) {
      EXPECT_EQ(device->Release(), 0u);
    }
    HeadlessD3DTest::TearDown();
  }
  IDirect3DDevice9* device = nullptr;
};

TEST_F(AirplaneModelFile, LoadsWithThePartsMaterialsAndTextures) {
  ID3DXMesh* mesh = nullptr;
  ID3DXBuffer *adjacency = nullptr, *materials = nullptr;
  DWORD count = 0;
  const std::string path = kAirplaneDir + kAirplaneFile;
  ASSERT_EQ(D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_MANAGED, device, &adjacency, &materials, nullptr,
                               &count, &mesh),
            D3D_OK);
  EXPECT_EQ(count, DWORD(kAirplanePartCount));
  EXPECT_GE(mesh->GetNumFaces(), 300u);
  EXPECT_LE(mesh->GetNumFaces(), 1000u);
  EXPECT_EQ(mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
  const auto* records = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
  for (int i = 0; i < kAirplanePartCount; ++i) {
    const AirplaneMaterial& m = kAirplaneMaterials[i];
    EXPECT_NEAR(records[i].MatD3D.Diffuse.r, float((m.diffuse >> 16) & 0xFF) / 255, 1e-5f) << i;
    EXPECT_NEAR(records[i].MatD3D.Diffuse.g, float((m.diffuse >> 8) & 0xFF) / 255, 1e-5f) << i;
    EXPECT_NEAR(records[i].MatD3D.Diffuse.b, float(m.diffuse & 0xFF) / 255, 1e-5f) << i;
    EXPECT_EQ(records[i].MatD3D.Power, m.power) << i;
    if (m.texture) {
      ASSERT_NE(records[i].pTextureFilename, nullptr) << i;
      EXPECT_STREQ(records[i].pTextureFilename, m.texture);
      struct stat st;
      EXPECT_EQ(stat((kAirplaneDir + m.texture).c_str(), &st), 0) << m.texture;
    } else {
      EXPECT_EQ(records[i].pTextureFilename, nullptr) << i;
    }
  }
  // Every part has faces, and the model spans its length and wings with the nose along -z.
  D3DXATTRIBUTERANGE table[kAirplanePartCount];
  DWORD ranges = kAirplanePartCount;
  ASSERT_EQ(mesh->GetAttributeTable(table, &ranges), D3D_OK);
  EXPECT_EQ(ranges, DWORD(kAirplanePartCount));
  void* data = nullptr;
  ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  D3DXVECTOR3 low(1e9f, 1e9f, 1e9f), high(-1e9f, -1e9f, -1e9f);
  for (DWORD v = 0; v < mesh->GetNumVertices(); ++v) {
    const float* p = reinterpret_cast<const float*>(static_cast<const BYTE*>(data) + 32 * v);
    D3DXVECTOR3 q(p[0], p[1], p[2]);
    D3DXVec3Minimize(&low, &low, &q);
    D3DXVec3Maximize(&high, &high, &q);
    EXPECT_NEAR(std::sqrt(p[3] * p[3] + p[4] * p[4] + p[5] * p[5]), 1.0f, 1e-3f);
  }
  mesh->UnlockVertexBuffer();
  EXPECT_NEAR(high.x - low.x, kAirplaneWingSpan, 0.6f);
  EXPECT_NEAR(-low.z, kAirplaneLength / 2 + 0.8f, 0.2f);  // the propeller hub leads
  EXPECT_GT(high.z, kAirplaneLength / 2 - 0.5f);
  mesh->Release();
  adjacency->Release();
  materials->Release();
}

}  // namespace
