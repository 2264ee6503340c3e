#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cmath>

#include "mesh_builders.h"
#include "mesh_fixture.h"

namespace {

using Adjacency = MeshTest;
constexpr DWORD kNone = 0xFFFFFFFF;

TEST_F(Adjacency, SharedEdgeNeedsOppositeWinding) {
  std::vector<Vertex> vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(2, 4, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<WORD>(mesh, vertices, {0, 1, 2, 2, 1, 3});
  DWORD adjacency[6];
  ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacency), D3D_OK);
  EXPECT_EQ(std::vector<DWORD>(adjacency, adjacency + 6),
            (std::vector<DWORD>{kNone, 1, kNone, 0, kNone, kNone}));
  Fill<WORD>(mesh, vertices, {0, 1, 2, 1, 2, 3});  // same direction along 1-2
  ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacency), D3D_OK);
  EXPECT_EQ(std::vector<DWORD>(adjacency, adjacency + 6), std::vector<DWORD>(6, kNone));
  EXPECT_EQ(mesh->GenerateAdjacency(0.0f, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(Adjacency, SeparatelyIndexedGridConnectsFully) {
  for (bool wide : {false, true}) {
    GridData separate = MakeGrid(6, true, false);
    GridData shared = MakeGrid(6, false, false);
    ID3DXMesh* a = MakeMesh(device, separate, wide);
    ID3DXMesh* b = MakeMesh(device, shared, wide);
    ASSERT_TRUE(a && b);
    std::vector<DWORD> adjA(3 * a->GetNumFaces()), adjB(3 * b->GetNumFaces());
    ASSERT_EQ(a->GenerateAdjacency(0.0f, adjA.data()), D3D_OK);
    ASSERT_EQ(b->ConvertPointRepsToAdjacency(nullptr, adjB.data()), D3D_OK);
    EXPECT_EQ(adjA, adjB);
    // Interior edges: 2 per cell diagonal + shared cell sides.
    size_t links = std::count_if(adjA.begin(), adjA.end(), [](DWORD n) { return n != kNone; });
    EXPECT_EQ(links, size_t(2 * (36 + 2 * 6 * 5)));
    // A small epsilon finds the same pairs.
    ASSERT_EQ(a->GenerateAdjacency(0.01f, adjA.data()), D3D_OK);
    EXPECT_EQ(adjA, adjB);
    EXPECT_EQ(a->Release(), 0u);
    EXPECT_EQ(b->Release(), 0u);
  }
}

// Two triangles meeting along an edge whose second copy is offset by `gap` across the plane.
DWORD NeighbourAcrossGap(RecordingDevice* device, float gap, float epsilon) {
  std::vector<Vertex> vertices = {{0, 0, 0}, {1, 0, 0}, {0.5f, 1, 0}, {1, 0, 0}, {0, gap, 0}, {0.5f, -1, 0}};
  ID3DXMesh* mesh = nullptr;
  if (FAILED(D3DXCreateMeshFVF(2, 6, 0, D3DFVF_XYZ, device, &mesh))) return 0xDEAD;
  Fill<WORD>(mesh, vertices, {0, 1, 2, 3, 4, 5});
  DWORD adjacency[6] = {};
  HRESULT hr = mesh->GenerateAdjacency(epsilon, adjacency);
  mesh->Release();
  return FAILED(hr) ? 0xDEAD : adjacency[0];
}

TEST_F(Adjacency, EpsilonBoundaryIsExclusive) {
  EXPECT_EQ(NeighbourAcrossGap(device, 0.125f, 0.25f), 1u);
  EXPECT_EQ(NeighbourAcrossGap(device, 0.25f, 0.25f), kNone);  // distance equal to epsilon
  EXPECT_EQ(NeighbourAcrossGap(device, 0.0f, 0.0f), 1u);
  EXPECT_EQ(NeighbourAcrossGap(device, 1e-6f, 0.0f), kNone);
}

TEST_F(Adjacency, ThreeFacesOnOneEdgePairTheBestAligned) {
  // Face A above the edge 0-1, B below in the same plane, C folded up out of the plane.
  std::vector<Vertex> vertices = {{0, 0, 0}, {1, 0, 0}, {0.5f, 1, 0}, {0.5f, -1, 0}, {0.5f, 0, 1}};
  for (bool foldedFirst : {false, true}) {
    std::vector<WORD> indices = {0, 1, 2, 1, 0, 3, 1, 0, 4};
    if (foldedFirst) std::swap_ranges(indices.begin() + 3, indices.begin() + 6, indices.begin() + 6);
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(3, 5, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
    Fill<WORD>(mesh, vertices, indices);
    DWORD adjacency[9];
    ASSERT_EQ(mesh->ConvertPointRepsToAdjacency(nullptr, adjacency), D3D_OK);
    DWORD flat = foldedFirst ? 2 : 1, folded = foldedFirst ? 1 : 2;
    EXPECT_EQ(adjacency[0], flat);
    EXPECT_EQ(adjacency[3 * flat], 0u);
    EXPECT_EQ(adjacency[3 * folded], kNone);
    EXPECT_EQ(mesh->Release(), 0u);
  }
}

TEST_F(Adjacency, EquallyAlignedCandidatesKeepTheFirstVisited) {
  // B and C lie in A's plane on the far side of edge 0-1: equal scores. Records are visited
  // newest first, so C (added last) is met first and a later equal score does not replace it.
  std::vector<Vertex> vertices = {{0, 0, 0}, {1, 0, 0}, {0.5f, 1, 0}, {0.5f, -1, 0}, {0.3f, -2, 0}};
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(3, 5, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<WORD>(mesh, vertices, {0, 1, 2, 1, 0, 3, 1, 0, 4});
  DWORD adjacency[9];
  ASSERT_EQ(mesh->ConvertPointRepsToAdjacency(nullptr, adjacency), D3D_OK);
  EXPECT_EQ(adjacency[0], 2u);
  EXPECT_EQ(adjacency[6], 0u);
  EXPECT_EQ(adjacency[3], kNone);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(Adjacency, VerticesOfOneTriangleNeverMerge) {
  // Corner 2 of face 0 sits on (or within epsilon of) corner 1: merged, face 0 would collapse
  // and lose its neighbour across edge 0-1.
  for (float epsilon : {0.0f, 0.01f}) {
    const float x = epsilon == 0 ? 1.0f : 1.001f;
    std::vector<Vertex> vertices = {{0, 0, 0}, {1, 0, 0}, {x, 0, 0}, {0.5f, -1, 0}};
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(2, 4, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
    Fill<WORD>(mesh, vertices, {0, 1, 2, 1, 0, 3});
    DWORD adjacency[6];
    ASSERT_EQ(mesh->GenerateAdjacency(epsilon, adjacency), D3D_OK);
    EXPECT_EQ(adjacency[0], 1u) << epsilon;
    EXPECT_EQ(adjacency[3], 0u) << epsilon;
    EXPECT_EQ(mesh->Release(), 0u);
  }
}

TEST_F(Adjacency, DegenerateFaceHasNoNeighbours) {
  std::vector<Vertex> vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(3, 4, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<WORD>(mesh, vertices, {0, 1, 2, 2, 1, 1, 2, 1, 3});
  DWORD adjacency[9];
  ASSERT_EQ(mesh->ConvertPointRepsToAdjacency(nullptr, adjacency), D3D_OK);
  EXPECT_EQ(std::vector<DWORD>(adjacency, adjacency + 9),
            (std::vector<DWORD>{kNone, 2, kNone, kNone, kNone, kNone, 0, kNone, kNone}));
  // Representatives that collapse a face make it degenerate too.
  DWORD reps[4] = {0, 1, 1, 3};
  ASSERT_EQ(mesh->ConvertPointRepsToAdjacency(reps, adjacency), D3D_OK);
  EXPECT_EQ(std::vector<DWORD>(adjacency, adjacency + 9), std::vector<DWORD>(9, kNone));
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(Adjacency, PointRepsRoundTrip) {
  GridData g = MakeGrid(5, true, false);
  ID3DXMesh* mesh = MakeMesh(device, g);
  ASSERT_NE(mesh, nullptr);
  std::vector<DWORD> adjacency(3 * mesh->GetNumFaces()), reps(mesh->GetNumVertices()),
      again(adjacency.size());
  ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacency.data()), D3D_OK);
  ASSERT_EQ(mesh->ConvertAdjacencyToPointReps(adjacency.data(), reps.data()), D3D_OK);
  for (DWORD v = 0; v < reps.size(); ++v) {
    ASSERT_LT(reps[v], reps.size());
    EXPECT_EQ(g.vertices[reps[v]].x, g.vertices[v].x);
    EXPECT_EQ(g.vertices[reps[v]].z, g.vertices[v].z);
  }
  // Interior grid points have up to four copies; they all share one representative.
  std::vector<DWORD> distinct = reps;
  std::sort(distinct.begin(), distinct.end());
  EXPECT_EQ(std::unique(distinct.begin(), distinct.end()) - distinct.begin(), 36);
  ASSERT_EQ(mesh->ConvertPointRepsToAdjacency(reps.data(), again.data()), D3D_OK);
  EXPECT_EQ(again, adjacency);
  EXPECT_EQ(mesh->ConvertAdjacencyToPointReps(nullptr, reps.data()), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->ConvertAdjacencyToPointReps(adjacency.data(), nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->Release(), 0u);
}

// A closed fan of n triangles around vertex 0.
ID3DXMesh* Fan(RecordingDevice* device, DWORD n) {
  std::vector<Vertex> vertices = {{0, 0, 0}};
  std::vector<WORD> indices;
  for (DWORD i = 0; i < n; ++i) {
    double angle = 2 * M_PI * i / n;
    vertices.push_back({float(std::cos(angle)), float(std::sin(angle)), 0});
    indices.insert(indices.end(), {0, WORD(1 + i), WORD(1 + (i + 1) % n)});
  }
  ID3DXMesh* mesh = nullptr;
  if (FAILED(D3DXCreateMeshFVF(n, n + 1, 0, D3DFVF_XYZ, device, &mesh))) return nullptr;
  Fill<WORD>(mesh, vertices, indices);
  return mesh;
}

TEST_F(Adjacency, FanWalkLimit) {
  for (DWORD n : {10000u, 10001u}) {
    ID3DXMesh* mesh = Fan(device, n);
    ASSERT_NE(mesh, nullptr);
    std::vector<DWORD> adjacency(3 * n), reps(n + 1);
    ASSERT_EQ(mesh->ConvertPointRepsToAdjacency(nullptr, adjacency.data()), D3D_OK);
    EXPECT_EQ(mesh->ConvertAdjacencyToPointReps(adjacency.data(), reps.data()),
              n == 10000 ? D3D_OK : D3DXERR_INVALIDMESH);
    EXPECT_EQ(mesh->Release(), 0u);
  }
}

TEST_F(Adjacency, DamagedInputStaysInBounds) {
  std::vector<Vertex> vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(2, 4, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<WORD>(mesh, vertices, {0, 1, 2, 2, 1, 900});
  DWORD adjacency[6];
  ASSERT_EQ(mesh->GenerateAdjacency(0.0f, adjacency), D3D_OK);
  EXPECT_EQ(std::vector<DWORD>(adjacency, adjacency + 6), std::vector<DWORD>(6, kNone));
  DWORD badReps[4] = {0, 1, 70000, 3};
  ASSERT_EQ(mesh->ConvertPointRepsToAdjacency(badReps, adjacency), D3D_OK);
  DWORD badAdjacency[6] = {5000, 1, 1, 0, 77, 0};
  DWORD reps[4];
  ASSERT_EQ(mesh->ConvertAdjacencyToPointReps(badAdjacency, reps), D3D_OK);
  // A table naming faces past the end is refused.
  D3DXATTRIBUTERANGE table = {0, 1, 5, 0, 4};
  mesh->SetAttributeTable(&table, 1);
  EXPECT_EQ(mesh->ConvertPointRepsToAdjacency(nullptr, adjacency), E_FAIL);
  EXPECT_EQ(mesh->Release(), 0u);
}

}  // namespace

namespace {

// The plain x-window sweep, written out directly, as the reference for the representatives.
std::vector<DWORD> ReferenceSweep(const GridData& g, float epsilon) {
  const DWORD n = DWORD(g.vertices.size());
  std::vector<DWORD> sorted(n), reps(n, kNone);
  for (DWORD v = 0; v < n; ++v) sorted[v] = v;
  std::sort(sorted.begin(), sorted.end(), [&](DWORD a, DWORD b) {
    return g.vertices[a].x > g.vertices[b].x || (g.vertices[a].x == g.vertices[b].x && a < b);
  });
  auto shareFace = [&](DWORD a, DWORD b) {
    for (size_t f = 0; f < g.indices.size(); f += 3) {
      bool hasA = false, hasB = false;
      for (int k = 0; k < 3; ++k) hasA |= g.indices[f + k] == a, hasB |= g.indices[f + k] == b;
      if (hasA && hasB) return true;
    }
    return false;
  };
  DWORD w = 0;
  for (DWORD k = 0; k < n; ++k) {
    DWORD v = sorted[k];
    while (w < n && g.vertices[v].x - g.vertices[sorted[w]].x <= epsilon) ++w;
    if (reps[v] != kNone) continue;
    reps[v] = v;
    for (DWORD i = k + 1; i < w; ++i) {
      DWORD u = sorted[i];
      float dx = g.vertices[v].x - g.vertices[u].x, dy = g.vertices[v].y - g.vertices[u].y,
            dz = g.vertices[v].z - g.vertices[u].z;
      if (reps[u] == kNone && dx * dx + dy * dy + dz * dz < epsilon * epsilon && !shareFace(v, u))
        reps[u] = v;
    }
  }
  return reps;
}

TEST_F(Adjacency, EpsilonSweepMatchesThePlainWindow) {
  std::mt19937 random(99);
  std::uniform_real_distribution<float> jitter(-0.04f, 0.04f);
  for (int round = 0; round < 6; ++round) {
    GridData g = MakeGrid(7, true, false);
    for (Vertex& v : g.vertices) {
      if (round % 2) std::swap(v.x, v.y);  // odd rounds lie in a plane of constant x
      v.x += jitter(random);
      v.z += jitter(random);
    }
    const float epsilon = 0.02f + 0.02f * round;
    ID3DXMesh* mesh = MakeMesh(device, g);
    ASSERT_NE(mesh, nullptr);
    std::vector<DWORD> reps = ReferenceSweep(g, epsilon);
    std::vector<DWORD> expected(g.indices.size()), actual(g.indices.size());
    ASSERT_EQ(mesh->ConvertPointRepsToAdjacency(reps.data(), expected.data()), D3D_OK);
    ASSERT_EQ(mesh->GenerateAdjacency(epsilon, actual.data()), D3D_OK);
    EXPECT_EQ(actual, expected) << "round " << round;
    EXPECT_EQ(mesh->Release(), 0u);
  }
}

}  // namespace
