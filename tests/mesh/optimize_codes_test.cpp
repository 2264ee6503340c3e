// The optimiser's failure codes in their order, and point representatives carried through it.
#include <d3dx9.h>
#include <gtest/gtest.h>

#include "../../d3dx/mesh/triangle_mesh.h"
#include "mesh_fixture.h"

namespace {

using OptimizeCodes = MeshTest;
constexpr DWORD kNone = 0xFFFFFFFF;

// Face 0 (attribute 5) and face 1 (attribute 2) share vertices 1 and 2: sorting must split them.
ID3DXMesh* SharedAcrossSubsets(RecordingDevice* device) {
  ID3DXMesh* mesh = nullptr;
  if (FAILED(D3DXCreateMeshFVF(2, 4, 0, D3DFVF_XYZ, device, &mesh))) return nullptr;
  Fill<WORD>(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 2, 1, 3}, {5, 2});
  return mesh;
}

TEST_F(OptimizeCodes, SplitRefusalComesBeforeReorderRequests) {
  ID3DXMesh* mesh = SharedAcrossSubsets(device);
  ASSERT_NE(mesh, nullptr);
  DWORD adjacency[6] = {kNone, 1, kNone, 0, kNone, kNone};
  const DWORD ignore = D3DXMESHOPT_IGNOREVERTS;
  // Both reorderings at once, and a reordering without adjacency: the split is judged first.
  EXPECT_EQ(mesh->OptimizeInplace(ignore | D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER, adjacency,
                                  nullptr, nullptr, nullptr),
            D3DXERR_CANNOTATTRSORT);
  EXPECT_EQ(mesh->OptimizeInplace(ignore | D3DXMESHOPT_VERTEXCACHE, nullptr, nullptr, nullptr, nullptr),
            D3DXERR_CANNOTATTRSORT);
  // Flag validation still comes before everything.
  EXPECT_EQ(mesh->OptimizeInplace(ignore | D3DXMESHOPT_VERTEXCACHE, nullptr, adjacency, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  // Without the split problem the reorder request is refused, and nothing has changed.
  EXPECT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER, adjacency, nullptr,
                                  nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(ReadIndices<WORD>(mesh), (std::vector<WORD>{0, 1, 2, 2, 1, 3}));
  EXPECT_EQ(mesh->GetNumVertices(), 4u);
  EXPECT_EQ(mesh->Release(), 0u);

  // A mesh with nothing to draw says so before its reorder request is looked at.
  ASSERT_EQ(D3DXCreateMeshFVF(1, 3, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<WORD>(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {0xFFFF, 0xFFFF, 0xFFFF});
  EXPECT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE, nullptr, nullptr, nullptr, nullptr),
            D3DXERR_LOADEDMESHASNODATA);
  EXPECT_EQ(mesh->Release(), 0u);
}

std::vector<DWORD> Reps(ID3DXMesh* mesh) {
  return static_cast<d3dx::TriangleMesh<WORD>*>(mesh)->AdoptedPointReps();
}
void SetReps(ID3DXMesh* mesh, const std::vector<WORD>& reps) {
  static_cast<d3dx::TriangleMesh<WORD>*>(mesh)->AdoptPointReps(reps);
}

TEST_F(OptimizeCodes, PointRepsFollowCompactionInPlace) {
  // Vertex 0 is unused and removed; vertices 1 and 3 both named it as representative, so 1
  // (the first kept) stands for itself and for 3. Old 1..4 become new 0..3.
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(2, 5, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<WORD>(mesh, {{9, 9, 9}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {1, 2, 3, 1, 3, 4});
  SetReps(mesh, {0, 0, 2, 0, 2});
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT, nullptr, nullptr, nullptr, nullptr), D3D_OK);
  ASSERT_EQ(mesh->GetNumVertices(), 4u);
  EXPECT_EQ(Reps(mesh), (std::vector<DWORD>{0, 1, 0, 1}));
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(OptimizeCodes, PointRepsFollowSplitsIntoAFreshBuffer) {
  // After the sort (see the remap of the split test): new 0 = old 3, 1 = copy of 2, 2 = copy of
  // 1, 3 = old 0, 4 = old 1, 5 = old 2. Representatives: 1 -> 0 and 3 -> 2, others themselves.
  // Each new vertex takes the new index of its source's representative: old 0 -> 3, old 2 -> 5.
  const std::vector<DWORD> expected = {5, 5, 3, 3, 3, 5};
  ID3DXMesh* mesh = SharedAcrossSubsets(device);
  SetReps(mesh, {0, 0, 2, 2});
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr), D3D_OK);
  ASSERT_EQ(mesh->GetNumVertices(), 6u);
  EXPECT_EQ(Reps(mesh), expected);

  // Optimize carries them into the new mesh the same way and leaves the source's alone.
  ID3DXMesh* source = SharedAcrossSubsets(device);
  SetReps(source, {0, 0, 2, 2});
  ID3DXMesh* made = nullptr;
  ASSERT_EQ(source->Optimize(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr, &made), D3D_OK);
  EXPECT_EQ(Reps(made), expected);
  EXPECT_EQ(Reps(source), (std::vector<DWORD>{0, 0, 2, 2}));
  EXPECT_EQ(made->Release(), 0u);
  EXPECT_EQ(source->Release(), 0u);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(OptimizeCodes, FailedCleaningWritesNoOutputs) {
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(2, 4, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<WORD>(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 2, 1, 9});  // 9 is out of range
  const DWORD adjacency[6] = {kNone, 1, kNone, 0, 0, kNone};  // face 1 also links twice to face 0
  DWORD out[6] = {7, 7, 7, 7, 7, 7};
  ID3DXMesh* sentinel = reinterpret_cast<ID3DXMesh*>(&out);
  ID3DXMesh* cleaned = sentinel;
  ID3DXBuffer* errors = nullptr;
  EXPECT_EQ(D3DXCleanMesh(mesh, adjacency, &cleaned, out, &errors), D3DXERR_INVALIDMESH);
  EXPECT_EQ(cleaned, sentinel);
  EXPECT_EQ(std::vector<DWORD>(out, out + 6), std::vector<DWORD>(6, 7));
  ASSERT_NE(errors, nullptr);  // the messages say why
  errors->Release();
  EXPECT_EQ(mesh->Release(), 0u);
}

}  // namespace
