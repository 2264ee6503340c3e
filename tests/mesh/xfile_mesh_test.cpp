// Loading meshes from X files: frames and transforms, merging, materials and effect instances,
// triangulation, normals and vertex copies, colours, the index width, and the entry points.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "temp_path.h"
#include "xfile_fixture.h"

namespace {

const std::string kHeader = "xof 0303txt 0032\n";

// A unit quad of four vertices as one face, with optional children.
std::string Quad(const std::string& children = "", const std::string& name = "") {
  return "Mesh " + name + " { 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;; 1; 4;0,1,2,3;;\n" + children + "}\n";
}

// A cube of 8 corners and 6 quads.
std::string CubeMesh(const std::string& children = "") {
  return "Mesh { 8; -1;-1;-1;, 1;-1;-1;, 1;1;-1;, -1;1;-1;, -1;-1;1;, 1;-1;1;, 1;1;1;, -1;1;1;;\n"
         "6; 4;0,3,2,1;, 4;4,5,6,7;, 4;0,1,5,4;, 4;2,3,7,6;, 4;1,2,6,5;, 4;0,4,7,3;;\n" +
         children + "}\n";
}

std::string Materials(int n, const std::string& faceList) {
  std::string s = "MeshMaterialList { " + std::to_string(n) + "; " + faceList + "\n";
  for (int i = 0; i < n; ++i) s += "Material { 0.1;0.2;0.3;1.0;; 5.0; 0.4;0.5;0.6;; 0.7;0.8;0.9;; }\n";
  return s + "}\n";
}

using XMeshLoad = XMeshTest;

TEST_F(XMeshLoad, AMeshWithoutMaterialsGetsTheGreyDefault) {
  Loaded l = FromMemory(kHeader + Quad());
  ASSERT_EQ(l.hr, D3D_OK);
  ASSERT_EQ(l.count, 1u);
  const D3DMATERIAL9& m = l.Material(0)->MatD3D;
  EXPECT_EQ(m.Diffuse.r, 0.5f);
  EXPECT_EQ(m.Diffuse.a, 0.0f);
  EXPECT_EQ(m.Specular.g, 0.5f);
  EXPECT_EQ(m.Ambient.r, 0.0f);
  EXPECT_EQ(m.Emissive.b, 0.0f);
  EXPECT_EQ(m.Power, 0.0f);
  EXPECT_EQ(l.Material(0)->pTextureFilename, nullptr);
  for (DWORD a : ReadAttributes(l.mesh)) EXPECT_EQ(a, 0u);
  // Its effect instance names the material's values, in a fixed order.
  const D3DXEFFECTINSTANCE* e = l.Effect(0);
  EXPECT_EQ(e->pEffectFilename, nullptr);
  ASSERT_EQ(e->NumDefaults, 5u);
  const char* names[] = {"Diffuse", "Power", "Specular", "Emissive", "Ambient"};
  const DWORD sizes[] = {16, 4, 16, 16, 16};
  for (int i = 0; i < 5; ++i) {
    EXPECT_STREQ(e->pDefaults[i].pParamName, names[i]);
    EXPECT_EQ(e->pDefaults[i].Type, D3DXEDT_FLOATS);
    EXPECT_EQ(e->pDefaults[i].NumBytes, sizes[i]);
  }
  EXPECT_EQ(static_cast<const float*>(e->pDefaults[0].pValue)[1], 0.5f);
}

TEST_F(XMeshLoad, TwoMeshesMergeTheirMaterialsAndOffsetTheSecondsAttributes) {
  const std::string first = Quad(Materials(2, "1; 1;;"));  // one face, material 1
  const std::string second =
      "Mesh { 3; 0;0;1;, 1;0;1;, 0;1;1;; 1; 3;0,1,2;;\n" + Materials(3, "1; 2;;") + "}\n";
  Loaded l = FromMemory(kHeader + first + second);
  ASSERT_EQ(l.hr, D3D_OK);
  EXPECT_EQ(l.count, 5u);
  EXPECT_EQ(l.mesh->GetNumFaces(), 3u);
  EXPECT_EQ(l.mesh->GetNumVertices(), 7u);
  // The quad's two triangles keep material 1; the triangle's material 2 becomes 2 + 2.
  EXPECT_EQ(ReadAttributes(l.mesh), (std::vector<DWORD>{1, 1, 4}));
  // The second mesh's indices point past the first mesh's vertices.
  EXPECT_EQ(MeshIndices(l.mesh), (std::vector<DWORD>{0, 1, 2, 0, 2, 3, 4, 5, 6}));
  // Adjacency of the merged faces stays within each part.
  const DWORD* adj = static_cast<const DWORD*>(l.adjacency->GetBufferPointer());
  for (int e = 0; e < 3; ++e) EXPECT_EQ(adj[6 + e], 0xFFFFFFFFu);
}

TEST_F(XMeshLoad, FrameTransformsMoveOnlyTheMeshesAfterThem) {
  const std::string up = "FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0,10,0,1;; }\n";
  Loaded moved = FromMemory(kHeader + "Frame { " + up + Quad() + "}");
  ASSERT_EQ(moved.hr, D3D_OK);
  std::vector<float> p = ReadElement(moved.mesh, D3DDECLUSAGE_POSITION);
  ASSERT_EQ(p.size(), 12u);
  const float expected[] = {0, 10, 0, 1, 10, 0};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(p[i], expected[i], 1e-5f) << i;

  Loaded before = FromMemory(kHeader + "Frame { " + Quad() + up + "}");
  ASSERT_EQ(before.hr, D3D_OK);
  p = ReadElement(before.mesh, D3DDECLUSAGE_POSITION);
  EXPECT_EQ(p[1], 0.0f);
  EXPECT_EQ(p[4], 0.0f);

  // Nested frames compose: the inner translation is applied before the outer scale.
  const std::string scale = "FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 0,0,0,1;; }\n";
  Loaded nested = FromMemory(kHeader + "Frame { " + scale + "Frame { " + up + Quad() + "} }");
  ASSERT_EQ(nested.hr, D3D_OK);
  p = ReadElement(nested.mesh, D3DDECLUSAGE_POSITION);
  EXPECT_NEAR(p[1], 20.0f, 1e-5f);
  EXPECT_NEAR(p[3], 2.0f, 1e-5f);

  // A transform of fewer than 16 floats is malformed.
  const std::string shortMatrix = "template Short { <F6F23F41-7686-11CF-8F52-0040333594A3> FLOAT a; }\n";
  EXPECT_EQ(FromMemory(kHeader + shortMatrix + "Frame { Short { 1.0; } " + Quad() + "}").hr, E_FAIL);
}

TEST_F(XMeshLoad, FramesReachMeshesByReference) {
  Loaded l = FromMemory(kHeader + Quad("", "Plane") +
                        "Frame { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 5,0,0,1;; } { Plane } }");
  ASSERT_EQ(l.hr, D3D_OK);
  // The mesh itself and the frame's placed copy.
  EXPECT_EQ(l.mesh->GetNumVertices(), 8u);
  const std::vector<float> p = ReadElement(l.mesh, D3DDECLUSAGE_POSITION);
  EXPECT_EQ(p[0], 0.0f);
  EXPECT_NEAR(p[12], 5.0f, 1e-5f);
  // A reference to nothing the file defines ends the load.
  EXPECT_TRUE(FAILED(FromMemory(kHeader + "Frame { { Missing } }" + Quad()).hr));
}

TEST_F(XMeshLoad, FilesWithoutGeometryFail) {
  EXPECT_EQ(FromMemory(kHeader + "Mesh { 0;; 0;; }").hr, E_FAIL);
  EXPECT_EQ(FromMemory(kHeader + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 0;; }").hr, E_FAIL);
  EXPECT_EQ(FromMemory(kHeader + "Frame { }").hr, E_FAIL);
  // A mesh whose every triangle is degenerate has nothing to draw.
  EXPECT_EQ(FromMemory(kHeader + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,0,1;; }").hr, E_FAIL);
  // An empty mesh beside a real one is skipped.
  Loaded l = FromMemory(kHeader + "Mesh { 0;; 0;; }" + Quad());
  ASSERT_EQ(l.hr, D3D_OK);
  EXPECT_EQ(l.mesh->GetNumFaces(), 2u);
}

TEST_F(XMeshLoad, OnlyTheFileEntryKnowsTheExtraTemplates) {
  const std::string withFvf = kHeader + Quad("FVFData { 256; 8; 0,0, 0,0, 0,0, 0,0; }");
  EXPECT_TRUE(FAILED(FromMemory(withFvf).hr));
  const std::string withEffect =
      kHeader + Quad(
                    "MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 1; 0;0;0;; 0;0;0;; "
                    "EffectInstance { \"shade.fx\"; } } }");
  EXPECT_TRUE(FAILED(FromMemory(withEffect).hr));
  EXPECT_TRUE(FAILED(FromMemory(kHeader + Quad("VertexDuplicationIndices { 4; 4; 0,1,2,3; }")).hr));

  const std::string path = TempPath("extra.x");
  for (const std::string* text : {&withFvf, &withEffect}) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text->data(), 1, text->size(), f);
    std::fclose(f);
    EXPECT_EQ(FromFile(path).hr, D3D_OK);
  }
  std::remove(path.c_str());
}

TEST_F(XMeshLoad, EntryPointsCheckTheirArgumentsAndReadEverySource) {
  ID3DXMesh* mesh = nullptr;
  EXPECT_EQ(D3DXLoadMeshFromXA(nullptr, 0, device, nullptr, nullptr, nullptr, nullptr, &mesh),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXLoadMeshFromXA("a.x", 0, device, nullptr, nullptr, nullptr, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXLoadMeshFromXInMemory(nullptr, 4, 0, device, nullptr, nullptr, nullptr, nullptr, &mesh),
            D3DERR_INVALIDCALL);
  EXPECT_TRUE(
      FAILED(D3DXLoadMeshFromXA("no/such/file.x", 0, device, nullptr, nullptr, nullptr, nullptr, &mesh)));
  EXPECT_EQ(mesh, nullptr);

  // Every out but the mesh may be null.
  const std::string text = kHeader + Quad();
  ASSERT_EQ(D3DXLoadMeshFromXInMemory(text.data(), DWORD(text.size()), D3DXMESH_MANAGED, device, nullptr,
                                      nullptr, nullptr, nullptr, &mesh),
            D3D_OK);
  EXPECT_EQ(mesh->GetNumFaces(), 2u);
  mesh->Release();

  SkyvaleRegisterResource(nullptr, "QUAD", "XFILE", text.data(), DWORD(text.size()));
  DWORD count = 0;
  ASSERT_EQ(D3DXLoadMeshFromXResource(nullptr, "QUAD", "XFILE", D3DXMESH_MANAGED, device, nullptr, nullptr,
                                      nullptr, &count, &mesh),
            D3D_OK);
  EXPECT_EQ(count, 1u);
  mesh->Release();
  SkyvaleRegisterResource(nullptr, "QUAD", "XFILE", nullptr, 0);

  const std::string path = TempPath("quad.x");
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  const std::u16string wide(path.begin(), path.end());
  ASSERT_EQ(
      D3DXLoadMeshFromXW(wide.c_str(), D3DXMESH_MANAGED, device, nullptr, nullptr, nullptr, nullptr, &mesh),
      D3D_OK);
  EXPECT_EQ(mesh->GetNumVertices(), 4u);
  mesh->Release();
  std::remove(path.c_str());
}

using XMeshData = XMeshTest;

TEST_F(XMeshData, PolygonsBecomeFansOfTriangles) {
  Loaded l = FromMemory(kHeader + Quad());
  ASSERT_EQ(l.hr, D3D_OK);
  EXPECT_EQ(MeshIndices(l.mesh), (std::vector<DWORD>{0, 1, 2, 0, 2, 3}));
  const std::string pentagon = "Mesh { 5; 0;0;0;, 1;0;0;, 2;1;0;, 1;2;0;, 0;1;0;; 1; 5;0,1,2,3,4;; }";
  Loaded p = FromMemory(kHeader + pentagon);
  ASSERT_EQ(p.hr, D3D_OK);
  EXPECT_EQ(MeshIndices(p.mesh), (std::vector<DWORD>{0, 1, 2, 0, 2, 3, 0, 3, 4}));
}

TEST_F(XMeshData, FaceNormalsCopyEveryCornerOfACube) {
  const std::string normals =
      "MeshNormals { 6; 0;0;-1;, 0;0;1;, 0;-1;0;, 0;1;0;, 1;0;0;, -1;0;0;;\n"
      "6; 4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;; }";
  Loaded l = FromMemory(kHeader + CubeMesh(normals));
  ASSERT_EQ(l.hr, D3D_OK);
  EXPECT_EQ(l.mesh->GetNumVertices(), 24u);
  EXPECT_EQ(l.mesh->GetNumFaces(), 12u);
  EXPECT_EQ(l.mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL));
  // Every triangle's corners carry its face's normal, and each copy keeps its corner's position.
  const std::vector<float> n = ReadElement(l.mesh, D3DDECLUSAGE_NORMAL);
  const std::vector<float> p = ReadElement(l.mesh, D3DDECLUSAGE_POSITION);
  const std::vector<DWORD> idx = MeshIndices(l.mesh);
  for (size_t t = 0; t < 12; ++t) {
    const DWORD a = idx[3 * t];
    for (int c = 1; c < 3; ++c)
      for (int k = 0; k < 3; ++k) EXPECT_EQ(n[3 * idx[3 * t + c] + k], n[3 * a + k]) << t;
    // The normal points away from the centre, like the corner it sits on.
    EXPECT_GT(n[3 * a] * p[3 * a] + n[3 * a + 1] * p[3 * a + 1] + n[3 * a + 2] * p[3 * a + 2], 0.0f);
  }

  Loaded plain = FromMemory(kHeader + CubeMesh());
  ASSERT_EQ(plain.hr, D3D_OK);
  EXPECT_EQ(plain.mesh->GetNumVertices(), 8u);
  EXPECT_EQ(plain.mesh->GetFVF(), DWORD(D3DFVF_XYZ));
}

TEST_F(XMeshData, DegenerateTrianglesAreDroppedAndTheRestKeepTheirMaterials) {
  const std::string mesh =
      "Mesh { 6; 0;0;0;, 1;0;0;, 0;1;0;, 2;0;0;, 3;0;0;, 2;1;0;; 3; 3;0,1,2;, 3;4,4,5;, 3;3,4,5;;\n" +
      Materials(3, "3; 0,1,2;;") + "}";
  Loaded l = FromMemory(kHeader + mesh);
  ASSERT_EQ(l.hr, D3D_OK);
  EXPECT_EQ(l.mesh->GetNumFaces(), 2u);
  EXPECT_EQ(ReadAttributes(l.mesh), (std::vector<DWORD>{0, 2}));
  EXPECT_EQ(MeshIndices(l.mesh), (std::vector<DWORD>{0, 1, 2, 3, 4, 5}));
}

TEST_F(XMeshData, MaterialListsCheckTheirCounts) {
  const std::string twoOfThree =
      "MeshMaterialList { 2; 1; 0;;\n"
      "Material { 1;1;1;1;; 1; 0;0;0;; 0;0;0;; }\n"
      "Material { 1;1;1;1;; 1; 0;0;0;; 0;0;0;; }\n"
      "Material { 1;1;1;1;; 1; 0;0;0;; 0;0;0;; } }";
  EXPECT_EQ(FromMemory(kHeader + Quad(twoOfThree)).hr, D3DERR_INVALIDCALL);
  const std::string oneOfTwo = "MeshMaterialList { 2; 1; 0;; Material { 1;1;1;1;; 1; 0;0;0;; 0;0;0;; } }";
  EXPECT_EQ(FromMemory(kHeader + Quad(oneOfTwo)).hr, E_FAIL);
  // A face index naming a material past the list.
  EXPECT_EQ(FromMemory(kHeader + Quad(Materials(1, "1; 1;;"))).hr, E_FAIL);
}

TEST_F(XMeshData, MaterialsTakeTheirColoursTexturesAndEffects) {
  const std::string list =
      "MeshMaterialList { 2; 1; 1;;\n"
      "Material { 0.1;0.2;0.3;0.4;; 7.0; 0.5;0.6;0.7;; 0.01;0.02;0.03;; TextureFilename { \"wing.bmp\"; } }\n"
      "Material { 1;0;0;1;; 2.0; 0;0;0;; 0;0;0;;\n"
      "  EffectInstance { \"shade.fx\"; EffectParamFloats { \"Scale\"; 2; 1.5, 2.5; }\n"
      "    EffectParamString { \"Mode\"; \"fast\"; } EffectParamDWord { \"Passes\"; 3; }\n"
      "    EffectDWord { 9; } EffectDWord Level { 4; } } } }";
  const std::string path = TempPath("materials.x");
  const std::string text = kHeader + Quad(list);
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  Loaded l = FromFile(path);
  std::remove(path.c_str());
  ASSERT_EQ(l.hr, D3D_OK);
  ASSERT_EQ(l.count, 2u);
  const D3DMATERIAL9& m = l.Material(0)->MatD3D;
  EXPECT_EQ(m.Diffuse.a, 0.4f);
  EXPECT_EQ(m.Power, 7.0f);
  EXPECT_EQ(m.Ambient.r, 0.0f);
  EXPECT_EQ(m.Ambient.a, 1.0f);
  EXPECT_EQ(m.Specular.b, 0.7f);
  EXPECT_EQ(m.Specular.a, 1.0f);
  EXPECT_EQ(m.Emissive.g, 0.02f);
  EXPECT_EQ(m.Emissive.a, 1.0f);
  ASSERT_NE(l.Material(0)->pTextureFilename, nullptr);
  EXPECT_STREQ(l.Material(0)->pTextureFilename, "wing.bmp");
  EXPECT_EQ(l.Material(1)->pTextureFilename, nullptr);
  // The names live inside the buffer.
  const BYTE* base = static_cast<const BYTE*>(l.materials->GetBufferPointer());
  const BYTE* name = reinterpret_cast<const BYTE*>(l.Material(0)->pTextureFilename);
  EXPECT_TRUE(name > base && name < base + l.materials->GetBufferSize());

  // The textured material's default effect names its texture.
  const D3DXEFFECTINSTANCE* e0 = l.Effect(0);
  ASSERT_EQ(e0->NumDefaults, 6u);
  EXPECT_STREQ(e0->pDefaults[5].pParamName, "Texture0@Name");
  EXPECT_EQ(e0->pDefaults[5].Type, D3DXEDT_STRING);
  EXPECT_EQ(e0->pDefaults[5].NumBytes, 9u);
  EXPECT_STREQ(static_cast<const char*>(e0->pDefaults[5].pValue), "wing.bmp");

  // The file's effect instance: the unnamed EffectDWord is skipped.
  const D3DXEFFECTINSTANCE* e1 = l.Effect(1);
  EXPECT_STREQ(e1->pEffectFilename, "shade.fx");
  ASSERT_EQ(e1->NumDefaults, 4u);
  EXPECT_STREQ(e1->pDefaults[0].pParamName, "Scale");
  EXPECT_EQ(e1->pDefaults[0].Type, D3DXEDT_FLOATS);
  EXPECT_EQ(e1->pDefaults[0].NumBytes, 8u);
  EXPECT_EQ(static_cast<const float*>(e1->pDefaults[0].pValue)[1], 2.5f);
  EXPECT_STREQ(e1->pDefaults[1].pParamName, "Mode");
  EXPECT_STREQ(static_cast<const char*>(e1->pDefaults[1].pValue), "fast");
  EXPECT_EQ(e1->pDefaults[1].NumBytes, 5u);
  EXPECT_EQ(e1->pDefaults[2].Type, D3DXEDT_DWORD);
  EXPECT_EQ(*static_cast<const DWORD*>(e1->pDefaults[2].pValue), 3u);
  EXPECT_STREQ(e1->pDefaults[3].pParamName, "Level");
  EXPECT_EQ(*static_cast<const DWORD*>(e1->pDefaults[3].pValue), 4u);
  // The only face has material 1.
  for (DWORD a : ReadAttributes(l.mesh)) EXPECT_EQ(a, 1u);
}

TEST_F(XMeshData, VertexColoursAreQuantizedAndDefaultToWhiteWithoutAlpha) {
  const std::string colours = "MeshVertexColors { 2; 0; 1.0;0.5;0.0;1.0;;, 2; 2.0;-1.0;0.25;0.2;;; }";
  Loaded l = FromMemory(kHeader + Quad(colours));
  ASSERT_EQ(l.hr, D3D_OK);
  ASSERT_EQ(l.mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_DIFFUSE));
  void* data = nullptr;
  ASSERT_EQ(l.mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  DWORD c[4];
  for (int v = 0; v < 4; ++v) std::memcpy(&c[v], static_cast<BYTE*>(data) + 16 * v + 12, 4);
  l.mesh->UnlockVertexBuffer();
  EXPECT_EQ(c[0], 0xFFFF8000u);  // 0.5 -> 128
  EXPECT_EQ(c[1], 0x00FFFFFFu);
  EXPECT_EQ(c[2], 0x33FF0040u);  // 0.25 -> 64, 0.2 -> 51
  EXPECT_EQ(c[3], 0x00FFFFFFu);
  EXPECT_EQ(FromMemory(kHeader + Quad("MeshVertexColors { 1; 4; 1;1;1;1;;; }")).hr, E_FAIL);
}

TEST_F(XMeshData, TextureCoordinatesComeFirstAndMustMatchTheVertices) {
  Loaded l = FromMemory(kHeader + Quad("MeshTextureCoords { 4; 0;1;, 1;1;, 1;0;, 0;0;; }"));
  ASSERT_EQ(l.hr, D3D_OK);
  EXPECT_EQ(l.mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_TEX1));
  EXPECT_EQ(ReadElement(l.mesh, D3DDECLUSAGE_TEXCOORD), (std::vector<float>{0, 1, 1, 1, 1, 0, 0, 0}));
  EXPECT_EQ(FromMemory(kHeader + Quad("MeshTextureCoords { 3; 0;1;, 1;1;, 1;0;; }")).hr, E_FAIL);
}

TEST_F(XMeshData, ChildCountsThatDisagreeWithTheMeshAreRefused) {
  const std::string path = TempPath("children.x");
  auto load = [&](const std::string& children) {
    const std::string text = kHeader + Quad(children);
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    const HRESULT hr = FromFile(path).hr;
    std::remove(path.c_str());
    return hr;
  };
  EXPECT_EQ(load("VertexDuplicationIndices { 3; 3; 0,1,2; }"), D3DERR_INVALIDCALL);
  EXPECT_EQ(load("VertexDuplicationIndices { 4; 5; 0,1,2,3; }"), D3DERR_INVALIDCALL);
  EXPECT_EQ(load("VertexDuplicationIndices { 4; 4; 0,1,2,7; }"), E_FAIL);
  EXPECT_EQ(load("VertexDuplicationIndices { 4; 4; 0,0,1,2; }"), D3DERR_INVALIDCALL);  // 2 -> 1 -> 0
  EXPECT_EQ(load("VertexDuplicationIndices { 4; 3; 0,1,2,0; }"), D3D_OK);
  EXPECT_EQ(load("FaceAdjacency { 3; 1,2,3; }"), D3DERR_INVALIDCALL);
  EXPECT_EQ(load("FaceAdjacency { 6; 1,-1,-1, -1,-1,0; }"), D3D_OK);
  EXPECT_EQ(load("DeclData { 0; 0; }"), D3DERR_INVALIDCALL);
  EXPECT_EQ(load("DeclData { 1; 2;0;6;0;; 4; 0,0,0,0; }"), D3DERR_INVALIDCALL);  // rows of 4 bytes
  EXPECT_EQ(load("DeclData { 1; 2;0;0;0;; 12; 0,0,0,0,0,0,0,0,0,0,0,0; }"),
            D3DERR_INVALIDCALL);  // a 2nd position
  // Rows shorter than their own FVF code are refused rather than read past.
  EXPECT_EQ(load("FVFData { 274; 4; 0,0,0,0; }"), E_FAIL);
  EXPECT_EQ(load("MeshNormals { 1; 0;0;1;; 1; 3;0,0,0;; }"), E_FAIL);    // 3 indices for a quad
  EXPECT_EQ(load("MeshNormals { 1; 0;0;1;; 1; 4;0,0,0,1;; }"), E_FAIL);  // normal 1 of 1
}

TEST_F(XMeshData, DeclDataRowsFollowTheLayout) {
  // Tangents per vertex: four rows of three floats.
  const std::string path = TempPath("decl.x");
  const std::string text = kHeader + Quad(
                                         "DeclData { 1; 2;0;6;0;; 12; 1065353216,0,0, 0,1065353216,0, "
                                         "0,0,1065353216, 1065353216,1065353216,0; }");
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  Loaded l = FromFile(path);
  std::remove(path.c_str());
  ASSERT_EQ(l.hr, D3D_OK);
  EXPECT_EQ(l.mesh->GetNumBytesPerVertex(), 24u);
  EXPECT_EQ(ReadElement(l.mesh, D3DDECLUSAGE_TANGENT),
            (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1, 1, 1, 0}));
}

TEST_F(XMeshData, ManyTrianglesMakeA32BitMesh) {
  // One polygon of 65537 corners over three vertices: 65535 triangles, none degenerate.
  std::string face = "65537;0";
  for (int i = 1; i < 65537; ++i) face += i % 2 ? ",1" : ",2";
  Loaded l =
      FromMemory(kHeader + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; " + face + ";; }", D3DXMESH_SYSTEMMEM);
  ASSERT_EQ(l.hr, D3D_OK);
  EXPECT_EQ(l.mesh->GetNumFaces(), 65535u);
  EXPECT_TRUE(l.mesh->GetOptions() & D3DXMESH_32BIT);
  Loaded small = FromMemory(kHeader + Quad(), D3DXMESH_SYSTEMMEM);
  EXPECT_FALSE(small.mesh->GetOptions() & D3DXMESH_32BIT);
}

TEST_F(XMeshData, TheNumericLocaleIsRestored) {
  const char* before = std::setlocale(LC_NUMERIC, "C.UTF-8");
  if (!before) GTEST_SKIP() << "no C.UTF-8 locale";
  Loaded l = FromMemory(kHeader + Quad());
  EXPECT_EQ(l.hr, D3D_OK);
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C.UTF-8");
  std::setlocale(LC_NUMERIC, "C");
}

}  // namespace
