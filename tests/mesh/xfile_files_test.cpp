// The shared X-file samples load, with face, vertex and material counts made here from each
// file's own Mesh data (read through the parser component, not the loader), and the three
// encodings of the same cube give the same mesh.
#include <dxfile.h>

#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "xfile_fixture.h"

namespace {

const std::string kDir = std::string(SKYVALE_TESTDATA_DIR) + "/xfile/assimp/";

constexpr GUID kMeshId = {0x3d82ab44, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
constexpr GUID kFrameId = {0x3d82ab46, 0x62da, 0x11cf, {0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33}};
constexpr GUID kNormalsId = {0xf6f23f43, 0x7686, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};
constexpr GUID kMaterialListId = {
    0xf6f23f42, 0x7686, 0x11cf, {0x8f, 0x52, 0x00, 0x40, 0x33, 0x35, 0x94, 0xa3}};

struct Counts {
  DWORD faces = 0, vertices = 0, materials = 0;
};

DWORD At(const std::vector<BYTE>& b, size_t offset) {
  DWORD v;
  std::memcpy(&v, b.data() + offset, 4);
  return v;
}

std::vector<BYTE> Blob(IDirectXFileData* d) {
  DWORD size = 0;
  void* data = nullptr;
  EXPECT_EQ(d->GetData(nullptr, &size, &data), DXFILE_OK);
  return std::vector<BYTE>(static_cast<BYTE*>(data), static_cast<BYTE*>(data) + size);
}

// Triangles that survive (no repeated corner) and vertices after every differing normal value at
// a vertex has its own copy.
void CountMesh(IDirectXFileData* mesh, Counts& c) {
  const std::vector<BYTE> b = Blob(mesh);
  const DWORD nV = At(b, 0);
  size_t at = 4 + 12 * size_t(nV);
  const DWORD nF = At(b, at);
  at += 4;
  if (nV == 0 || nF == 0) return;
  std::vector<std::vector<DWORD>> faces(nF);
  for (auto& f : faces) {
    f.resize(At(b, at));
    for (size_t k = 0; k < f.size(); ++k) f[k] = At(b, at + 4 + 4 * k);
    at += 4 + 4 * f.size();
  }
  std::vector<std::set<std::array<float, 3>>> normalsAt(nV);
  bool hasNormals = false;
  DWORD materials = 0;
  IDirectXFileObject* child = nullptr;
  while (mesh->GetNextObject(&child) == DXFILE_OK) {
    IDirectXFileData* data = nullptr;
    if (child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&data)) == S_OK) {
      const GUID* type;
      data->GetType(&type);
      const std::vector<BYTE> cb = Blob(data);
      if (*type == kNormalsId) {
        hasNormals = true;
        const DWORD nN = At(cb, 0);
        size_t p = 8 + 12 * size_t(nN);
        for (const auto& f : faces) {
          for (size_t k = 0; k < f.size(); ++k) {
            std::array<float, 3> n;
            std::memcpy(n.data(), cb.data() + 4 + 12 * size_t(At(cb, p + 4 + 4 * k)), 12);
            normalsAt[f[k]].insert(n);
          }
          p += 4 + 4 * f.size();
        }
      } else if (*type == kMaterialListId) {
        materials = At(cb, 0);
      }
      data->Release();
    }
    child->Release();
  }
  for (const auto& f : faces)
    for (size_t k = 1; k + 1 < f.size(); ++k)
      if (f[0] != f[k] && f[k] != f[k + 1] && f[0] != f[k + 1]) ++c.faces;
  for (DWORD v = 0; v < nV; ++v)
    c.vertices += hasNormals ? std::max<DWORD>(1, DWORD(normalsAt[v].size())) : 1;
  c.materials += materials;
}

void CountObject(IDirectXFileData* object, Counts& c) {
  const GUID* type;
  object->GetType(&type);
  if (*type == kMeshId) return CountMesh(object, c);
  if (*type != kFrameId) return;
  IDirectXFileObject* child = nullptr;
  while (object->GetNextObject(&child) == DXFILE_OK) {
    IDirectXFileData* data = nullptr;
    IDirectXFileDataReference* ref = nullptr;
    if (child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&data)) == S_OK) {
      CountObject(data, c);
      data->Release();
    } else if (child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&ref)) == S_OK) {
      if (ref->Resolve(&data) == DXFILE_OK) {
        CountObject(data, c);
        data->Release();
      }
      ref->Release();
    }
    child->Release();
  }
}

// The standard templates the file relies on, registered from this test's own copy.
const char kTemplates[] = R"(xof 0303txt 0032
template Vector { <3D82AB5E-62DA-11CF-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
template Coords2d { <F6F23F44-7686-11CF-8F52-0040333594A3> FLOAT u; FLOAT v; }
template Matrix4x4 { <F6F23F45-7686-11CF-8F52-0040333594A3> array FLOAT matrix[16]; }
template ColorRGBA { <35FF44E0-6C7C-11CF-8F52-0040333594A3> FLOAT r; FLOAT g; FLOAT b; FLOAT a; }
template ColorRGB { <D3E16E81-7835-11CF-8F52-0040333594A3> FLOAT r; FLOAT g; FLOAT b; }
template IndexedColor { <1630B820-7842-11CF-8F52-0040333594A3> DWORD index; ColorRGBA c; }
template TextureFilename { <A42790E1-7810-11CF-8F52-0040333594A3> STRING filename; }
template Material { <3D82AB4D-62DA-11CF-AB39-0020AF71E433> ColorRGBA f; FLOAT p; ColorRGB s; ColorRGB e; [...] }
template MeshFace { <3D82AB5F-62DA-11CF-AB39-0020AF71E433> DWORD n; array DWORD i[n]; }
template MeshTextureCoords { <F6F23F40-7686-11CF-8F52-0040333594A3> DWORD n; array Coords2d c[n]; }
template MeshMaterialList { <F6F23F42-7686-11CF-8F52-0040333594A3> DWORD n; DWORD m; array DWORD i[m]; [Material] }
template MeshNormals { <F6F23F43-7686-11CF-8F52-0040333594A3> DWORD n; array Vector v[n]; DWORD m; array MeshFace f[m]; }
template MeshVertexColors { <1630B821-7842-11CF-8F52-0040333594A3> DWORD n; array IndexedColor c[n]; }
template Mesh { <3D82AB44-62DA-11CF-AB39-0020AF71E433> DWORD n; array Vector v[n]; DWORD m; array MeshFace f[m]; [...] }
template FrameTransformMatrix { <F6F23F41-7686-11CF-8F52-0040333594A3> Matrix4x4 m; }
template Frame { <3D82AB46-62DA-11CF-AB39-0020AF71E433> [...] }
template FloatKeys { <10DD46A9-775B-11CF-8F52-0040333594A3> DWORD n; array FLOAT v[n]; }
template TimedFloatKeys { <F406B180-7B3B-11CF-8F52-0040333594A3> DWORD t; FloatKeys k; }
template AnimationKey { <10DD46A8-775B-11CF-8F52-0040333594A3> DWORD t; DWORD n; array TimedFloatKeys k[n]; }
template AnimationOptions { <E2BF56C0-840F-11CF-8F52-0040333594A3> DWORD o; DWORD q; }
template Animation { <3D82AB4F-62DA-11CF-AB39-0020AF71E433> [...] }
template AnimationSet { <3D82AB50-62DA-11CF-AB39-0020AF71E433> [Animation] }
template XSkinMeshHeader { <3CF169CE-FF7C-44AB-93C0-F78F62D172E2> WORD a; WORD b; WORD c; }
template VertexDuplicationIndices { <B8D65549-D7C9-4995-89CF-53A9A8B031E3> DWORD n; DWORD o; array DWORD i[n]; }
template SkinWeights { <6F0D123B-BAD2-4167-A0D0-80224F25FABB> STRING s; DWORD n; array DWORD i[n]; array FLOAT w[n]; Matrix4x4 m; }
template VertexElement { <F752461C-1E23-48F6-B9F8-8350850F336F> DWORD t; DWORD m; DWORD u; DWORD i; }
template DeclData { <BF22E553-292C-4781-9FEA-62BD554BDD93> DWORD n; array VertexElement e[n]; DWORD m; array DWORD d[m]; }
template AnimTicksPerSecond { <9E415A43-7BA6-4A73-8743-B73D47E88476> DWORD t; }
)";

Counts CountFile(const std::string& path) {
  Counts c;
  typedef HRESULT(WINAPI * Create)(LPDIRECTXFILE*);
  auto create = reinterpret_cast<Create>(
      reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("d3dxof.dll"), "DirectXFileCreate")));
  IDirectXFile* parser = nullptr;
  EXPECT_EQ(create(&parser), DXFILE_OK);
  EXPECT_EQ(parser->RegisterTemplates(const_cast<char*>(kTemplates), DWORD(sizeof kTemplates - 1)),
            DXFILE_OK);
  IDirectXFileEnumObject* objects = nullptr;
  EXPECT_EQ(parser->CreateEnumObject(const_cast<char*>(path.c_str()), DXFILELOAD_FROMFILE, &objects),
            DXFILE_OK);
  if (objects) {
    IDirectXFileData* data = nullptr;
    while (objects->GetNextDataObject(&data) == DXFILE_OK) {
      CountObject(data, c);
      data->Release();
    }
    objects->Release();
  }
  parser->Release();
  if (c.materials == 0) c.materials = 1;  // the default material
  return c;
}

class XFileSamples : public XMeshTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(XFileSamples, LoadWithTheCountsOfTheirOwnMeshData) {
  const std::string path = kDir + GetParam();
  const Counts expected = CountFile(path);
  ASSERT_GT(expected.faces, 0u);
  Loaded l = FromFile(path);
  ASSERT_EQ(l.hr, D3D_OK) << std::hex << l.hr;
  EXPECT_EQ(l.mesh->GetNumFaces(), expected.faces);
  EXPECT_EQ(l.mesh->GetNumVertices(), expected.vertices);
  EXPECT_EQ(l.count, expected.materials);
  EXPECT_EQ(l.materials->GetBufferSize() >= l.count * sizeof(D3DXMATERIAL), true);
  EXPECT_EQ(l.adjacency->GetBufferSize(), 12 * l.mesh->GetNumFaces());
  // Every face's corners are vertices of the mesh and every attribute names a material.
  for (DWORD i : MeshIndices(l.mesh)) EXPECT_LT(i, l.mesh->GetNumVertices());
  for (DWORD a : ReadAttributes(l.mesh)) EXPECT_LT(a, l.count);
}

INSTANTIATE_TEST_SUITE_P(Mesh, XFileSamples,
                         ::testing::Values("test.x", "test_cube_text.x", "test_cube_binary.x",
                                           "test_cube_compressed.x", "kwxport_test_cubewithvcolors.x",
                                           "anim_test.x", "BCN_Epileptic.X"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

std::vector<BYTE> VertexBytes(ID3DXMesh* mesh) {
  void* data = nullptr;
  EXPECT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  std::vector<BYTE> out(static_cast<BYTE*>(data),
                        static_cast<BYTE*>(data) + mesh->GetNumVertices() * mesh->GetNumBytesPerVertex());
  mesh->UnlockVertexBuffer();
  return out;
}

using XFileEncodings = XMeshTest;

TEST_F(XFileEncodings, TextBinaryAndCompressedCubesGiveTheSameMesh) {
  Loaded text = FromFile(kDir + "test_cube_text.x");
  Loaded binary = FromFile(kDir + "test_cube_binary.x");
  Loaded compressed = FromFile(kDir + "test_cube_compressed.x");
  ASSERT_EQ(text.hr, D3D_OK);
  ASSERT_EQ(binary.hr, D3D_OK);
  ASSERT_EQ(compressed.hr, D3D_OK);
  for (Loaded* other : {&binary, &compressed}) {
    EXPECT_EQ(other->mesh->GetFVF(), text.mesh->GetFVF());
    EXPECT_EQ(other->count, text.count);
    EXPECT_EQ(MeshIndices(other->mesh), MeshIndices(text.mesh));
    EXPECT_EQ(ReadAttributes(other->mesh), ReadAttributes(text.mesh));
    // Text decimals and binary floats of one exporter can differ in the last place.
    const std::vector<float> a = ReadElement(text.mesh, D3DDECLUSAGE_POSITION);
    const std::vector<float> b = ReadElement(other->mesh, D3DDECLUSAGE_POSITION);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(a[i], b[i], 1e-5f) << i;
    const float* ma = &text.Material(0)->MatD3D.Diffuse.r;
    const float* mb = &other->Material(0)->MatD3D.Diffuse.r;
    for (int k = 0; k < 17; ++k) EXPECT_NEAR(ma[k], mb[k], 1e-5f) << k;
  }
  EXPECT_EQ(VertexBytes(binary.mesh), VertexBytes(compressed.mesh));
}

}  // namespace
