#include <d3dx9.h>
#include <gtest/gtest.h>

#include <random>

#include "mesh_fixture.h"

namespace {

using HostileInput = MeshTest;

// Random indices (some out of range or empty), neighbours and subsets through every routine that
// reads them: results may be errors, but nothing may read or write outside the arrays (checked
// under the sanitizer build) or leave a reference behind.
TEST_F(HostileInput, RandomMeshDataNeverEscapesTheArrays) {
  std::mt19937 random(2024);
  for (int round = 0; round < 200; ++round) {
    const bool wide = round % 2;
    const DWORD faces = 1 + random() % 12, vertexCount = 3 + random() % 10;
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(faces, vertexCount, wide ? D3DXMESH_32BIT : 0, D3DFVF_XYZ, device, &mesh),
              D3D_OK);
    std::vector<Vertex> vertices(vertexCount);
    for (Vertex& v : vertices) v = {float(random() % 3), float(random() % 3), float(random() % 2)};
    std::vector<DWORD> indices(3 * faces), attributes(faces), adjacency(3 * faces);
    for (DWORD& i : indices) i = random() % 9 == 0 ? 0xFFFFFFFF : random() % (vertexCount + 2);
    for (DWORD& a : attributes) a = random() % 3;
    for (DWORD& n : adjacency) n = random() % 4 == 0 ? 0xFFFFFFFF : random() % (faces + 2);
    if (wide) {
      Fill<DWORD>(mesh, vertices, indices, attributes);
    } else {
      std::vector<WORD> narrow(indices.begin(), indices.end());
      Fill<WORD>(mesh, vertices, narrow, attributes);
    }

    std::vector<DWORD> out(3 * faces), reps(vertexCount);
    mesh->GenerateAdjacency(0.0f, out.data());
    mesh->GenerateAdjacency(0.5f, out.data());
    mesh->ConvertPointRepsToAdjacency(nullptr, out.data());
    mesh->ConvertAdjacencyToPointReps(adjacency.data(), reps.data());
    ID3DXBuffer* errors = nullptr;
    D3DXValidMesh(mesh, adjacency.data(), &errors);
    if (errors) errors->Release();
    ID3DXMesh* cleaned = nullptr;
    errors = nullptr;
    if (SUCCEEDED(D3DXCleanMesh(mesh, adjacency.data(), &cleaned, out.data(), &errors))) cleaned->Release();
    if (errors) errors->Release();
    mesh->DrawSubset(random() % 3);

    ID3DXMesh* optimized = nullptr;
    std::vector<DWORD> faceRemap(faces);
    ID3DXBuffer* remap = nullptr;
    const DWORD flags[] = {D3DXMESHOPT_COMPACT, D3DXMESHOPT_ATTRSORT, D3DXMESHOPT_VERTEXCACHE,
                           D3DXMESHOPT_STRIPREORDER | D3DXMESHOPT_DONOTSPLIT};
    const DWORD flag = flags[random() % 4];
    if (SUCCEEDED(mesh->Optimize(flag, adjacency.data(), out.data(), faceRemap.data(), &remap, &optimized))) {
      optimized->DrawSubset(0);
      optimized->Release();
      remap->Release();
    }
    remap = nullptr;
    if (SUCCEEDED(mesh->OptimizeInplace(flag, adjacency.data(), adjacency.data(), faceRemap.data(), &remap)))
      remap->Release();
    mesh->DrawSubset(1);
    EXPECT_EQ(mesh->Release(), 0u);
  }
}

}  // namespace
