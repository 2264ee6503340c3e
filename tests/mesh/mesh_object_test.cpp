#include <d3dx9.h>
#include <gtest/gtest.h>

#include "../../d3dx/mesh/triangle_mesh.h"
#include "mesh_fixture.h"

namespace {

using MeshObject = MeshTest;

TEST_F(MeshObject, CreationRefusesBadArguments) {
  ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
  EXPECT_EQ(D3DXCreateMeshFVF(1, 3, 0, 0, device, &mesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateMeshFVF(1, 3, 0, D3DFVF_XYZRHW, device, &mesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateMeshFVF(1, 3, 0, D3DFVF_XYZ | 1, device, &mesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_VB_SHARE, D3DFVF_XYZ, device, &mesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateMeshFVF(1, 3, D3DXMESH_USEHWONLY, D3DFVF_XYZ, device, &mesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateMeshFVF(0, 3, 0, D3DFVF_XYZ, device, &mesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateMeshFVF(1, 0, 0, D3DFVF_XYZ, device, &mesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateMeshFVF(1, 3, 0, D3DFVF_XYZ, nullptr, &mesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateMeshFVF(1, 3, 0, D3DFVF_XYZ, device, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateMesh(1, 3, 0, nullptr, device, &mesh), D3DERR_INVALIDCALL);
  // 16-bit limits: 0xFFFF passes the creation check but not the buffer sizing.
  EXPECT_EQ(D3DXCreateMeshFVF(65535, 3, 0, D3DFVF_XYZ, device, &mesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateMeshFVF(1, 65535, 0, D3DFVF_XYZ, device, &mesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateMeshFVF(70000, 3, 0, D3DFVF_XYZ, device, &mesh), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh, reinterpret_cast<ID3DXMesh*>(1));  // untouched on failure
  ASSERT_EQ(D3DXCreateMeshFVF(65534, 65534, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  EXPECT_EQ(mesh->Release(), 0u);
  ASSERT_EQ(D3DXCreateMeshFVF(70000, 70000, D3DXMESH_32BIT, D3DFVF_XYZ, device, &mesh), D3D_OK);
  EXPECT_EQ(mesh->GetNumFaces(), 70000u);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(MeshObject, AccessorsAndBuffersFollowTheOptions) {
  ID3DXMesh* mesh = nullptr;
  const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
  ASSERT_EQ(D3DXCreateMeshFVF(2, 4,
                              D3DXMESH_32BIT | D3DXMESH_IB_MANAGED | D3DXMESH_VB_SYSTEMMEM |
                                  D3DXMESH_VB_MANAGED | D3DXMESH_VB_WRITEONLY | D3DXMESH_DONOTCLIP,
                              fvf, device, &mesh),
            D3D_OK);
  EXPECT_EQ(mesh->GetNumFaces(), 2u);
  EXPECT_EQ(mesh->GetNumVertices(), 4u);
  EXPECT_EQ(mesh->GetFVF(), fvf);
  EXPECT_EQ(mesh->GetNumBytesPerVertex(), 32u);
  EXPECT_EQ(mesh->GetOptions() & D3DXMESH_32BIT, DWORD(D3DXMESH_32BIT));
  D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
  ASSERT_EQ(mesh->GetDeclaration(decl), D3D_OK);
  EXPECT_EQ(decl[2].Usage, D3DDECLUSAGE_TEXCOORD);
  EXPECT_EQ(decl[3].Stream, 0xFF);
  EXPECT_EQ(mesh->GetDeclaration(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->GetDevice(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->GetVertexBuffer(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->GetIndexBuffer(nullptr), D3DERR_INVALIDCALL);

  IDirect3DIndexBuffer9* ib = nullptr;
  ASSERT_EQ(mesh->GetIndexBuffer(&ib), D3D_OK);
  D3DINDEXBUFFER_DESC ibDesc;
  ib->GetDesc(&ibDesc);
  EXPECT_EQ(ibDesc.Format, D3DFMT_INDEX32);
  EXPECT_EQ(ibDesc.Pool, D3DPOOL_MANAGED);
  EXPECT_EQ(ibDesc.Size, 24u);
  EXPECT_EQ(ibDesc.Usage, DWORD(D3DUSAGE_DONOTCLIP));
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(mesh->GetVertexBuffer(&vb), D3D_OK);
  D3DVERTEXBUFFER_DESC vbDesc;
  vb->GetDesc(&vbDesc);
  EXPECT_EQ(vbDesc.Pool, D3DPOOL_SYSTEMMEM);  // system memory wins over managed
  EXPECT_EQ(vbDesc.Usage, DWORD(D3DUSAGE_WRITEONLY | D3DUSAGE_DONOTCLIP));
  EXPECT_EQ(vbDesc.Size, 128u);
  EXPECT_EQ(vbDesc.FVF, fvf);

  void* object = nullptr;
  EXPECT_EQ(mesh->QueryInterface(IID_ID3DXBaseMesh, &object), S_OK);
  EXPECT_EQ(object, mesh);
  EXPECT_EQ(mesh->QueryInterface(IID_ID3DXBuffer, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(mesh->Release(), 1u);
  // Every object the mesh holds goes with its last release.
  EXPECT_EQ(mesh->Release(), 0u);
  EXPECT_EQ(ib->Release(), 0u);
  EXPECT_EQ(vb->Release(), 0u);
}

TEST_F(MeshObject, DrawSubsetWithoutTableDrawsEachRun) {
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(6, 8, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  EXPECT_EQ(ReadAttributes(mesh), std::vector<DWORD>(6, 0));
  ASSERT_EQ(mesh->DrawSubset(0), D3D_OK);
  ASSERT_EQ(device->draws.size(), 1u);
  EXPECT_EQ(device->draws[0].type, D3DPT_TRIANGLELIST);
  EXPECT_EQ(device->draws[0].vertexCount, 8u);
  EXPECT_EQ(device->draws[0].startIndex, 0u);
  EXPECT_EQ(device->draws[0].primitiveCount, 6u);

  std::vector<DWORD> attributes = {1, 1, 0, 1, 0, 0};
  DWORD* a = nullptr;
  ASSERT_EQ(mesh->LockAttributeBuffer(0, &a), D3D_OK);
  std::copy(attributes.begin(), attributes.end(), a);
  mesh->UnlockAttributeBuffer();
  device->draws.clear();
  ASSERT_EQ(mesh->DrawSubset(1), D3D_OK);
  ASSERT_EQ(device->draws.size(), 2u);
  EXPECT_EQ(device->draws[0].startIndex, 0u);
  EXPECT_EQ(device->draws[0].primitiveCount, 2u);
  EXPECT_EQ(device->draws[1].startIndex, 9u);
  EXPECT_EQ(device->draws[1].primitiveCount, 1u);
  device->draws.clear();
  EXPECT_EQ(mesh->DrawSubset(7), D3D_OK);
  EXPECT_TRUE(device->draws.empty());
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(MeshObject, AttributeTableSlots) {
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(4, 6, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  DWORD size = 99;
  ASSERT_EQ(mesh->GetAttributeTable(nullptr, &size), D3D_OK);
  EXPECT_EQ(size, 0u);
  D3DXATTRIBUTERANGE table[2] = {{0, 0, 2, 0, 4}, {1, 2, 2, 2, 4}};
  EXPECT_EQ(mesh->SetAttributeTable(table, 0), D3DERR_INVALIDCALL);
  ASSERT_EQ(mesh->SetAttributeTable(table, 2), D3D_OK);
  D3DXATTRIBUTERANGE back[2] = {};
  ASSERT_EQ(mesh->GetAttributeTable(back, &size), D3D_OK);
  EXPECT_EQ(size, 2u);
  EXPECT_EQ(back[1].FaceStart, 2u);
  // A table set by hand is not trusted for drawing: the attributes are scanned instead.
  ASSERT_EQ(mesh->DrawSubset(1), D3D_OK);
  EXPECT_TRUE(device->draws.empty());

  DWORD* a = nullptr;
  ASSERT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &a), D3D_OK);
  mesh->UnlockAttributeBuffer();
  ASSERT_EQ(mesh->GetAttributeTable(nullptr, &size), D3D_OK);
  EXPECT_EQ(size, 2u);
  ASSERT_EQ(mesh->LockAttributeBuffer(0, &a), D3D_OK);
  mesh->UnlockAttributeBuffer();
  ASSERT_EQ(mesh->GetAttributeTable(nullptr, &size), D3D_OK);
  EXPECT_EQ(size, 0u);
  ASSERT_EQ(mesh->SetAttributeTable(table, 1), D3D_OK);
  ASSERT_EQ(mesh->SetAttributeTable(nullptr, 0), D3D_OK);
  ASSERT_EQ(mesh->GetAttributeTable(nullptr, &size), D3D_OK);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(MeshObject, UpdateSemanticsKeepsTheVertexSize) {
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(1, 3, 0, D3DFVF_XYZ | D3DFVF_TEX1, device, &mesh), D3D_OK);
  D3DVERTEXELEMENT9 larger[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                                D3DDECL_END()};
  EXPECT_EQ(mesh->UpdateSemantics(larger), D3DERR_INVALIDCALL);
  D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
  mesh->GetDeclaration(decl);
  EXPECT_EQ(decl[1].Usage, D3DDECLUSAGE_TEXCOORD);
  D3DVERTEXELEMENT9 same[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                              {0, 12, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 3},
                              D3DDECL_END()};
  ASSERT_EQ(mesh->UpdateSemantics(same), D3D_OK);
  mesh->GetDeclaration(decl);
  EXPECT_EQ(decl[1].UsageIndex, 3);
  EXPECT_EQ(mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_TEX1));  // the code from creation stays
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(MeshObject, CloneConvertsLayoutAndIndexWidth) {
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(2, 4, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  std::vector<Vertex> vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  Fill<WORD>(mesh, vertices, {0, 1, 2, 2, 1, 3}, {4, 9});

  ID3DXMesh* wide = nullptr;
  ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_32BIT | D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_NORMAL,
                               device, &wide),
            D3D_OK);
  EXPECT_EQ(wide->GetNumBytesPerVertex(), 28u);
  EXPECT_EQ(ReadIndices<DWORD>(wide), (std::vector<DWORD>{0, 1, 2, 2, 1, 3}));
  EXPECT_EQ(ReadAttributes(wide), (std::vector<DWORD>{4, 9}));
  void* data = nullptr;
  ASSERT_EQ(wide->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  const float* v = static_cast<const float*>(data);
  EXPECT_EQ(v[7 * 3 + 0], 1.0f);  // vertex 3's position
  EXPECT_EQ(v[7 * 3 + 1], 1.0f);
  EXPECT_EQ(v[7 * 3 + 3], 0.0f);  // its normal was zero-filled
  DWORD colour;
  std::memcpy(&colour, &v[7 * 3 + 6], 4);
  EXPECT_EQ(colour, 0u);
  wide->UnlockVertexBuffer();

  // And back to 16 bits with the same layout: a byte copy.
  ID3DXMesh* narrow = nullptr;
  ASSERT_EQ(wide->CloneMesh(0, nullptr, device, &narrow), D3D_OK);
  EXPECT_EQ(narrow->GetOptions() & D3DXMESH_32BIT, 0u);
  EXPECT_EQ(ReadIndices<WORD>(narrow), (std::vector<WORD>{0, 1, 2, 2, 1, 3}));
  EXPECT_EQ(narrow->Release(), 0u);
  EXPECT_EQ(wide->Release(), 0u);

  ID3DXMesh* clone = nullptr;
  EXPECT_EQ(mesh->CloneMeshFVF(0x20000, D3DFVF_XYZ, device, &clone), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->CloneMeshFVF(0, D3DFVF_XYZ, device, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->Release(), 0u);

  ASSERT_EQ(D3DXCreateMeshFVF(2, 4, D3DXMESH_VB_WRITEONLY, D3DFVF_XYZ, device, &mesh), D3D_OK);
  EXPECT_EQ(mesh->CloneMeshFVF(0, D3DFVF_XYZ, device, &clone), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(MeshObject, CloneSharingTheVertexBuffer) {
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(2, 4, 0, D3DFVF_XYZ | D3DFVF_NORMAL, device, &mesh), D3D_OK);
  ID3DXMesh* shared = nullptr;
  EXPECT_EQ(mesh->CloneMeshFVF(D3DXMESH_VB_SHARE, D3DFVF_XYZ, device, &shared), D3DERR_INVALIDCALL);
  ASSERT_EQ(
      mesh->CloneMeshFVF(D3DXMESH_VB_SHARE | D3DXMESH_32BIT, D3DFVF_XYZ | D3DFVF_NORMAL, device, &shared),
      D3D_OK);
  IDirect3DVertexBuffer9 *a = nullptr, *b = nullptr;
  mesh->GetVertexBuffer(&a);
  shared->GetVertexBuffer(&b);
  EXPECT_EQ(a, b);
  EXPECT_EQ(b->Release(), 3u);  // the two meshes and `a`
  EXPECT_EQ(mesh->Release(), 0u);
  EXPECT_EQ(a->Release(), 1u);
  EXPECT_EQ(shared->Release(), 0u);
}

TEST_F(MeshObject, EmulatedWideDrawGoesTriangleByTriangle) {
  device->maxVertexIndex = 0xFFFF;  // a device that cannot take 32-bit indices
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(3, 5, D3DXMESH_32BIT, D3DFVF_XYZ, device, &mesh), D3D_OK);
  std::vector<Vertex> vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 2, 0}};
  Fill<DWORD>(mesh, vertices, {0, 1, 2, 2, 1, 3, 3, 1, 4}, {2, 0, 2});
  ASSERT_EQ(mesh->DrawSubset(2), D3D_OK);
  EXPECT_EQ(device->userDraws, 2);
  EXPECT_TRUE(device->draws.empty());
  // Each triangle carries its own three corners: faces 0 (0, 1, 2) and 2 (3, 1, 4).
  const std::vector<std::vector<int>> corners = {{0, 1, 2}, {3, 1, 4}};
  ASSERT_EQ(device->userData.size(), 2u);
  for (size_t t = 0; t < 2; ++t) {
    ASSERT_EQ(device->userData[t].size(), 3 * sizeof(Vertex));
    for (int k = 0; k < 3; ++k) {
      Vertex v;
      std::memcpy(&v, &device->userData[t][k * sizeof(Vertex)], sizeof v);
      const Vertex& e = vertices[corners[t][k]];
      EXPECT_TRUE(v.x == e.x && v.y == e.y && v.z == e.z) << "triangle " << t << " corner " << k;
    }
  }
  EXPECT_EQ(mesh->Release(), 0u);

  device->maxVertexIndex = 0xFFFFFF;
  device->userDraws = 0;
  ASSERT_EQ(D3DXCreateMeshFVF(3, 5, D3DXMESH_32BIT, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<DWORD>(mesh, vertices, {0, 1, 2, 2, 1, 3, 3, 1, 4}, {2, 0, 2});
  ASSERT_EQ(mesh->DrawSubset(2), D3D_OK);
  EXPECT_EQ(device->userDraws, 0);
  EXPECT_EQ(device->draws.size(), 2u);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(MeshObject, ConsistencyCheckSeesTableMismatches) {
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(2, 4, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<WORD>(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 2, 1, 3}, {0, 1});
  auto* object = static_cast<d3dx::TriangleMesh<WORD>*>(mesh);
  EXPECT_TRUE(object->CheckConsistency(nullptr));
  D3DXATTRIBUTERANGE wrong = {1, 0, 2, 0, 4};
  mesh->SetAttributeTable(&wrong, 1);
  EXPECT_FALSE(object->CheckConsistency(nullptr));
  WORD empty[6] = {0xFFFF, 0xFFFF, 3, 2, 1, 3};  // an empty face must be empty throughout
  mesh->SetAttributeTable(nullptr, 0);
  EXPECT_FALSE(object->CheckConsistency(empty));
  EXPECT_EQ(mesh->Release(), 0u);
}

}  // namespace
