#include <d3dx9.h>
#include <gtest/gtest.h>

#include <string>

#include "mesh_fixture.h"

namespace {

using Validation = MeshTest;
constexpr DWORD kNone = 0xFFFFFFFF;

std::string Text(ID3DXBuffer* buffer) {
  if (!buffer) return "";
  std::string text(static_cast<const char*>(buffer->GetBufferPointer()));
  EXPECT_EQ(buffer->GetBufferSize(), text.size() + 1);
  buffer->Release();
  return text;
}

TEST_F(Validation, IndexAndNeighbourFindings) {
  std::vector<Vertex> vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(3, 4, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<WORD>(mesh, vertices, {0, 1, 7, 2, 2, 3, 0, 3, 0});
  DWORD adjacency[9] = {kNone, 9, kNone, 2, 2, kNone, kNone, kNone, kNone};
  ID3DXBuffer* errors = nullptr;
  EXPECT_EQ(D3DXValidMesh(mesh, adjacency, &errors), D3DXERR_INVALIDMESH);
  EXPECT_EQ(Text(errors),
            "D3DXValidIndices: An invalid index value(7) was found on face 0\n"
            "D3DXValidIndices: An invalid neighbor index value(9) was found on face 0\n"
            "D3DXValidIndices: A point(2) was found more than once in triangle 1\n"
            "D3DXValidIndices: A neighbor triangle index(2) was found more than once on triangle 1\n"
            "D3DXValidIndices:   (Likely problem is that two triangles share same points with opposite "
            "orientations)\n"
            "D3DXValidIndices: A point(0) was found more than once in triangle 2\n");
  EXPECT_EQ(D3DXValidMesh(mesh, adjacency, nullptr), D3DXERR_INVALIDMESH);
  EXPECT_EQ(D3DXValidMesh(mesh, nullptr, &errors), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXValidMesh(nullptr, adjacency, &errors), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(Validation, CleanMeshPassesAndGivesNoText) {
  std::vector<Vertex> vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(2, 4, D3DXMESH_32BIT, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<DWORD>(mesh, vertices, {0, 1, 2, 2, 1, 3});
  DWORD adjacency[6];
  ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacency), D3D_OK);
  ID3DXBuffer* errors = reinterpret_cast<ID3DXBuffer*>(1);
  EXPECT_EQ(D3DXValidMesh(mesh, adjacency, &errors), D3D_OK);
  EXPECT_EQ(errors, nullptr);

  ID3DXMesh* cleaned = nullptr;
  DWORD cleanedAdjacency[6];
  ASSERT_EQ(D3DXCleanMesh(mesh, adjacency, &cleaned, cleanedAdjacency, nullptr), D3D_OK);
  EXPECT_EQ(cleaned, mesh);  // nothing to fix: the same mesh with one more reference
  EXPECT_EQ(cleaned->Release(), 1u);
  EXPECT_EQ(std::vector<DWORD>(cleanedAdjacency, cleanedAdjacency + 6),
            std::vector<DWORD>(adjacency, adjacency + 6));
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(Validation, BowtieIsReportedAndCleanedByDuplication) {
  // Two triangles touching only at vertex 0.
  std::vector<Vertex> vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(2, 5, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<WORD>(mesh, vertices, {0, 1, 2, 0, 3, 4}, {3, 8});
  DWORD adjacency[6];
  ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacency), D3D_OK);
  ID3DXBuffer* errors = nullptr;
  EXPECT_EQ(D3DXValidMesh(mesh, adjacency, &errors), D3DXERR_INVALIDMESH);
  EXPECT_EQ(Text(errors),
            "D3DXValidMesh: A bowtie was found.  Bowties can be fixed by call D3DXCleanMesh\n"
            "D3DXValidMesh:     A bowtie is the usage of a single vertex by two separate fans of triangles.\n"
            "D3DXValidMesh:     The fix is to duplicate the vertex so that each fan has its own vertex.\n"
            "D3DXValidMesh: Bowtie found around vertex 0 shared by faces 1 and 0\n");

  ID3DXMesh* cleaned = nullptr;
  DWORD cleanedAdjacency[6];
  ASSERT_EQ(D3DXCleanMesh(mesh, adjacency, &cleaned, cleanedAdjacency, nullptr), D3D_OK);
  ASSERT_NE(cleaned, mesh);
  EXPECT_EQ(cleaned->GetNumVertices(), 6u);
  EXPECT_EQ(ReadIndices<WORD>(cleaned), (std::vector<WORD>{0, 1, 2, 5, 3, 4}));
  EXPECT_EQ(ReadAttributes(cleaned), (std::vector<DWORD>{3, 8}));
  std::vector<Vertex> out = ReadVertices(cleaned);
  EXPECT_EQ(out[5].x, 0.0f);
  EXPECT_EQ(out[4].y, -1.0f);
  EXPECT_EQ(D3DXValidMesh(cleaned, cleanedAdjacency, nullptr), D3D_OK);
  EXPECT_EQ(cleaned->Release(), 0u);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(Validation, CleaningDropsDoubleLinks) {
  // Two triangles on the same three points with opposite orientation link twice.
  std::vector<Vertex> vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(2, 3, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<WORD>(mesh, vertices, {0, 1, 2, 0, 2, 1});
  DWORD adjacency[6];
  ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacency), D3D_OK);
  ID3DXBuffer* errors = nullptr;
  EXPECT_EQ(D3DXValidMesh(mesh, adjacency, &errors), D3DXERR_INVALIDMESH);
  EXPECT_NE(Text(errors).find("(Likely problem is that two triangles share same points with opposite"),
            std::string::npos);
  ID3DXMesh* cleaned = nullptr;
  ASSERT_EQ(D3DXCleanMesh(mesh, adjacency, &cleaned, adjacency, &errors),
            D3D_OK);  // out and in are one array
  EXPECT_EQ(errors, nullptr);
  EXPECT_EQ(std::vector<DWORD>(adjacency, adjacency + 6), std::vector<DWORD>(6, kNone));
  // Unlinked, the two faces are separate fans on the same points: each point gets a copy.
  EXPECT_EQ(cleaned->GetNumVertices(), 6u);
  EXPECT_EQ(ReadIndices<WORD>(cleaned), (std::vector<WORD>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(cleaned->Release(), 0u);
  EXPECT_EQ(D3DXCleanMesh(mesh, nullptr, &cleaned, adjacency, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->Release(), 0u);
}

}  // namespace
