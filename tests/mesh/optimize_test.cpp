#include <d3dx9.h>
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <set>
#include <tuple>

#include "mesh_builders.h"
#include "mesh_fixture.h"

namespace {

using Optimize = MeshTest;
constexpr DWORD kNone = 0xFFFFFFFF;
constexpr DWORD kDemoFlags = D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_COMPACT | D3DXMESHOPT_VERTEXCACHE;

// The rendered picture: per subset, the multiset of triangles as position triples.
using Picture = std::map<DWORD, std::multiset<std::array<float, 9>>>;

template <typename Index>
Picture PictureOf(ID3DXMesh* mesh) {
  std::vector<Index> indices = ReadIndices<Index>(mesh);
  std::vector<Vertex> vertices = ReadVertices(mesh);
  std::vector<DWORD> attributes = ReadAttributes(mesh);
  Picture picture;
  for (size_t f = 0; f < attributes.size(); ++f) {
    std::array<float, 9> t;
    for (int k = 0; k < 3; ++k) {
      const Vertex& v = vertices.at(indices[3 * f + k]);
      t[3 * k] = v.x, t[3 * k + 1] = v.y, t[3 * k + 2] = v.z;
    }
    picture[attributes[f]].insert(t);
  }
  return picture;
}

TEST_F(Optimize, RefusesBadFlagsAndMissingAdjacency) {
  GridData g = MakeGrid(2, false, false);
  ID3DXMesh* mesh = MakeMesh(device, g);
  ASSERT_NE(mesh, nullptr);
  std::vector<DWORD> adjacency(3 * mesh->GetNumFaces());
  ASSERT_EQ(mesh->GenerateAdjacency(0, adjacency.data()), D3D_OK);
  EXPECT_EQ(mesh->OptimizeInplace(0, adjacency.data(), nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->OptimizeInplace(0x80000000, adjacency.data(), nullptr, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE, nullptr, nullptr, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_STRIPREORDER, adjacency.data(),
                                  nullptr, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT, nullptr, adjacency.data(), nullptr, nullptr),
            D3DERR_INVALIDCALL);
  ID3DXMesh* out = nullptr;
  EXPECT_EQ(mesh->Optimize(D3DXMESHOPT_COMPACT | D3DXMESH_32BIT, nullptr, nullptr, nullptr, nullptr, &out),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->Optimize(D3DXMESHOPT_COMPACT, nullptr, nullptr, nullptr, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(ReadIndices<WORD>(mesh), Narrow<WORD>(g.indices));  // nothing changed
  EXPECT_EQ(mesh->Release(), 0u);

  ASSERT_EQ(D3DXCreateMeshFVF(2, 4, D3DXMESH_IB_WRITEONLY, D3DFVF_XYZ, device, &mesh), D3D_OK);
  EXPECT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT, nullptr, nullptr, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(Optimize, CompactRemovesEmptyFacesAndUnusedVertices) {
  std::vector<Vertex> vertices = {{0, 0, 0}, {9, 9, 9}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(3, 5, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<WORD>(mesh, vertices, {3, 2, 4, 0xFFFF, 0xFFFF, 0xFFFF, 0, 2, 3}, {1, 2, 0});
  DWORD adjacency[9] = {2, kNone, kNone, kNone, kNone, kNone, kNone, 0, kNone};
  DWORD adjacencyOut[9], faceRemap[3];
  ID3DXBuffer* remap = nullptr;
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT, adjacency, adjacencyOut, faceRemap, &remap), D3D_OK);
  EXPECT_EQ(mesh->GetNumFaces(), 2u);
  EXPECT_EQ(mesh->GetNumVertices(), 4u);
  EXPECT_EQ(ReadIndices<WORD>(mesh), (std::vector<WORD>{2, 1, 3, 0, 1, 2}));  // order kept, vertex 1 gone
  EXPECT_EQ(ReadAttributes(mesh), (std::vector<DWORD>{1, 0}));
  EXPECT_EQ(std::vector<DWORD>(faceRemap, faceRemap + 2), (std::vector<DWORD>{0, 2}));
  EXPECT_EQ(std::vector<DWORD>(adjacencyOut, adjacencyOut + 6),
            (std::vector<DWORD>{1, kNone, kNone, kNone, 0, kNone}));
  ASSERT_NE(remap, nullptr);
  ASSERT_EQ(remap->GetBufferSize(), 20u);
  const DWORD* entries = static_cast<const DWORD*>(remap->GetBufferPointer());
  EXPECT_EQ(std::vector<DWORD>(entries, entries + 5), (std::vector<DWORD>{0, 2, 3, 4, kNone}));
  remap->Release();
  std::vector<Vertex> out = ReadVertices(mesh);
  EXPECT_EQ(out[1].x, 1.0f);
  EXPECT_EQ(out[3].y, 1.0f);
  DWORD size = 5;
  mesh->GetAttributeTable(nullptr, &size);
  EXPECT_EQ(size, 0u);  // no sort asked for
  EXPECT_EQ(mesh->Release(), 0u);

  // Nothing left to draw.
  ASSERT_EQ(D3DXCreateMeshFVF(1, 5, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<WORD>(mesh, vertices, {0xFFFF, 0xFFFF, 0xFFFF});
  EXPECT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT, nullptr, nullptr, nullptr, nullptr),
            D3DXERR_LOADEDMESHASNODATA);
  Fill<WORD>(mesh, vertices, {0, 1, 7});
  EXPECT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT, nullptr, nullptr, nullptr, nullptr),
            D3DXERR_INVALIDMESH);
  EXPECT_EQ(mesh->Release(), 0u);
}

// Face 0 (attribute 5) and face 1 (attribute 2) share vertices 1 and 2.
ID3DXMesh* SharedAcrossSubsets(RecordingDevice* device) {
  ID3DXMesh* mesh = nullptr;
  if (FAILED(D3DXCreateMeshFVF(2, 4, 0, D3DFVF_XYZ, device, &mesh))) return nullptr;
  Fill<WORD>(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 2, 1, 3}, {5, 2});
  return mesh;
}

TEST_F(Optimize, SplitsVerticesSharedBetweenSubsets) {
  ID3DXMesh* mesh = SharedAcrossSubsets(device);
  ASSERT_NE(mesh, nullptr);
  Picture before = PictureOf<WORD>(mesh);
  ID3DXBuffer* remap = nullptr;
  DWORD faceRemap[2];
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, faceRemap, &remap), D3D_OK);
  EXPECT_EQ(mesh->GetNumVertices(), 6u);
  EXPECT_EQ(std::vector<DWORD>(faceRemap, faceRemap + 2), (std::vector<DWORD>{1, 0}));
  ASSERT_EQ(remap->GetBufferSize(), 24u);
  const DWORD* entries = static_cast<const DWORD*>(remap->GetBufferPointer());
  // Subset 2 first: its own vertex 3 and the copies of 2 and 1; then subset 5 keeps 0, 1, 2.
  EXPECT_EQ(std::vector<DWORD>(entries, entries + 6), (std::vector<DWORD>{3, 2, 1, 0, 1, 2}));
  remap->Release();
  D3DXATTRIBUTERANGE table[2];
  DWORD size = 0;
  mesh->GetAttributeTable(table, &size);
  ASSERT_EQ(size, 2u);
  EXPECT_EQ(table[0].AttribId, 2u);
  EXPECT_EQ(table[0].VertexStart, 0u);
  EXPECT_EQ(table[0].VertexCount, 3u);
  EXPECT_EQ(table[1].AttribId, 5u);
  EXPECT_EQ(table[1].FaceStart, 1u);
  EXPECT_EQ(table[1].VertexStart, 3u);
  EXPECT_EQ(table[1].VertexCount, 3u);
  EXPECT_EQ(PictureOf<WORD>(mesh), before);
  EXPECT_EQ(mesh->Release(), 0u);

  mesh = SharedAcrossSubsets(device);
  EXPECT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_IGNOREVERTS, nullptr, nullptr, nullptr,
                                  nullptr),
            D3DXERR_CANNOTATTRSORT);
  EXPECT_EQ(ReadIndices<WORD>(mesh), (std::vector<WORD>{0, 1, 2, 2, 1, 3}));
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_DONOTSPLIT, nullptr, nullptr, nullptr,
                                  nullptr),
            D3D_OK);
  EXPECT_EQ(mesh->GetNumVertices(), 4u);
  EXPECT_EQ(PictureOf<WORD>(mesh), before);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(Optimize, TerrainGridGetsOneDrawPerCell) {
  for (bool wide : {false, true}) {
    GridData g = MakeGrid(64, false, true);
    ShuffleFaces(g, 7);
    ID3DXMesh* mesh = MakeMesh(device, g, wide);
    ASSERT_NE(mesh, nullptr);
    std::vector<DWORD> adjacency(3 * mesh->GetNumFaces());
    ASSERT_EQ(mesh->GenerateAdjacency(0, adjacency.data()), D3D_OK);
    Picture before = wide ? PictureOf<DWORD>(mesh) : PictureOf<WORD>(mesh);
    ASSERT_EQ(mesh->OptimizeInplace(kDemoFlags, adjacency.data(), nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(wide ? PictureOf<DWORD>(mesh) : PictureOf<WORD>(mesh), before);
    DWORD size = 0;
    mesh->GetAttributeTable(nullptr, &size);
    ASSERT_EQ(size, 4096u);
    std::vector<D3DXATTRIBUTERANGE> table(size);
    mesh->GetAttributeTable(table.data(), &size);
    for (DWORD i = 0; i < size; ++i) {
      EXPECT_EQ(table[i].AttribId, i);
      EXPECT_EQ(table[i].FaceStart, 2 * i);
      EXPECT_EQ(table[i].FaceCount, 2u);
      EXPECT_EQ(table[i].VertexCount, 4u);
    }
    device->draws.clear();
    for (DWORD id : {0u, 1234u, 4095u}) {
      ASSERT_EQ(mesh->DrawSubset(id), D3D_OK);
      ASSERT_EQ(device->draws.size(), 1u);
      EXPECT_EQ(device->draws[0].startIndex, 6 * id);
      EXPECT_EQ(device->draws[0].primitiveCount, 2u);
      EXPECT_EQ(device->draws[0].minIndex, table[id].VertexStart);
      device->draws.clear();
    }
    EXPECT_EQ(mesh->Release(), 0u);
  }
}

TEST_F(Optimize, VertexCacheOrderLowersMisses) {
  GridData g = MakeGrid(32, false, false);
  double ordered = MissRatio(g.indices, 16);
  ShuffleFaces(g, 3);
  double shuffled = MissRatio(g.indices, 16);
  for (GridData* input : {&g}) {
    ID3DXMesh* mesh = MakeMesh(device, *input);
    ASSERT_NE(mesh, nullptr);
    std::vector<DWORD> adjacency(3 * mesh->GetNumFaces()), adjacencyOut(adjacency.size());
    ASSERT_EQ(mesh->GenerateAdjacency(0, adjacency.data()), D3D_OK);
    Picture before = PictureOf<WORD>(mesh);
    std::vector<DWORD> faceRemap(mesh->GetNumFaces());
    ASSERT_EQ(
        mesh->OptimizeInplace(kDemoFlags, adjacency.data(), adjacencyOut.data(), faceRemap.data(), nullptr),
        D3D_OK);
    std::vector<WORD> indices = ReadIndices<WORD>(mesh);
    double after = MissRatio(std::vector<DWORD>(indices.begin(), indices.end()), 16);
    EXPECT_LT(after, shuffled * 0.6) << "before " << shuffled << " after " << after;
    EXPECT_LE(after, ordered) << "ordered grid " << ordered;
    EXPECT_EQ(PictureOf<WORD>(mesh), before);
    // Each new face is the old face the remap names, and the adjacency follows the faces.
    std::vector<DWORD> regenerated(adjacency.size());
    ASSERT_EQ(mesh->GenerateAdjacency(0, regenerated.data()), D3D_OK);
    EXPECT_EQ(adjacencyOut, regenerated);
    std::vector<Vertex> vertices = ReadVertices(mesh);
    for (size_t f = 0; f < faceRemap.size(); ++f) {
      const Vertex& now = vertices[indices[3 * f]];
      const Vertex& then = input->vertices[input->indices[3 * faceRemap[f]]];
      ASSERT_EQ(now.x, then.x);
      ASSERT_EQ(now.z, then.z);
    }
    // Vertices are numbered in order of first use.
    WORD next = 0;
    for (WORD v : indices) {
      ASSERT_LE(v, next);
      if (v == next) ++next;
    }
    EXPECT_EQ(mesh->Release(), 0u);
  }
}

TEST_F(Optimize, AdjacencyOutMayBeTheInputArray) {
  GridData g = MakeGrid(8, false, false);
  ShuffleFaces(g, 11);
  ID3DXMesh* a = MakeMesh(device, g);
  ID3DXMesh* b = MakeMesh(device, g);
  std::vector<DWORD> adjacency(3 * a->GetNumFaces()), separate(adjacency.size());
  ASSERT_EQ(a->GenerateAdjacency(0, adjacency.data()), D3D_OK);
  std::vector<DWORD> inPlace = adjacency;
  ASSERT_EQ(a->OptimizeInplace(kDemoFlags, adjacency.data(), separate.data(), nullptr, nullptr), D3D_OK);
  ASSERT_EQ(b->OptimizeInplace(kDemoFlags, inPlace.data(), inPlace.data(), nullptr, nullptr), D3D_OK);
  EXPECT_EQ(inPlace, separate);
  EXPECT_EQ(ReadIndices<WORD>(a), ReadIndices<WORD>(b));
  EXPECT_EQ(a->Release(), 0u);
  EXPECT_EQ(b->Release(), 0u);
}

TEST_F(Optimize, StripPreferringDeviceGetsStripOrder) {
  GridData g = MakeGrid(10, false, false);
  ShuffleFaces(g, 5);
  auto run = [&](DWORD flags, const D3DDEVINFO_VCACHE* answer) {
    device->cacheAnswer = answer;
    d3dx::ForgetVertexCacheRecord();
    ID3DXMesh* mesh = MakeMesh(device, g);
    std::vector<DWORD> adjacency(3 * mesh->GetNumFaces());
    mesh->GenerateAdjacency(0, adjacency.data());
    EXPECT_EQ(mesh->OptimizeInplace(flags, adjacency.data(), nullptr, nullptr, nullptr), D3D_OK);
    std::vector<WORD> indices = ReadIndices<WORD>(mesh);
    mesh->Release();
    return indices;
  };
  const D3DDEVINFO_VCACHE strips = {MAKEFOURCC('C', 'A', 'C', 'H'), 0, 0, 0};
  const D3DDEVINFO_VCACHE cache12 = {MAKEFOURCC('C', 'A', 'C', 'H'), 1, 12, 7};
  auto stripOrder = run(D3DXMESHOPT_STRIPREORDER, nullptr);
  EXPECT_EQ(run(D3DXMESHOPT_VERTEXCACHE, &strips), stripOrder);
  auto independent = run(D3DXMESHOPT_VERTEXCACHE | D3DXMESHOPT_DEVICEINDEPENDENT, &strips);
  EXPECT_NE(independent, stripOrder);
  EXPECT_EQ(run(D3DXMESHOPT_VERTEXCACHE, &cache12), independent);
  // A device that cannot answer is taken to have a 12-entry cache.
  device->failCacheQuery = true;
  EXPECT_EQ(run(D3DXMESHOPT_VERTEXCACHE, nullptr), independent);
  device->failCacheQuery = false;
  device->cacheAnswer = nullptr;
}

TEST_F(Optimize, OptimizeMakesANewMeshAndLeavesTheSource) {
  GridData g = MakeGrid(6, false, true);
  ShuffleFaces(g, 9);
  ID3DXMesh* mesh = MakeMesh(device, g);
  std::vector<DWORD> adjacency(3 * mesh->GetNumFaces());
  ASSERT_EQ(mesh->GenerateAdjacency(0, adjacency.data()), D3D_OK);
  Picture before = PictureOf<WORD>(mesh);
  ID3DXMesh* optimized = nullptr;
  ID3DXBuffer* remap = nullptr;
  ASSERT_EQ(
      mesh->Optimize(kDemoFlags | D3DXMESH_MANAGED, adjacency.data(), nullptr, nullptr, &remap, &optimized),
      D3D_OK);
  EXPECT_EQ(optimized->GetOptions(), DWORD(D3DXMESH_MANAGED));
  EXPECT_EQ(ReadIndices<WORD>(mesh), Narrow<WORD>(g.indices));
  EXPECT_EQ(PictureOf<WORD>(optimized), before);
  std::vector<Vertex> vertices = ReadVertices(optimized);
  const DWORD* entries = static_cast<const DWORD*>(remap->GetBufferPointer());
  for (DWORD i = 0; i < optimized->GetNumVertices(); ++i) {
    ASSERT_LT(entries[i], g.vertices.size());
    EXPECT_EQ(vertices[i].x, g.vertices[entries[i]].x);
    EXPECT_EQ(vertices[i].z, g.vertices[entries[i]].z);
  }
  remap->Release();
  EXPECT_EQ(optimized->Release(), 0u);

  // Sharing the vertex buffer: vertices are left alone, faces are still sorted.
  GridData single = MakeGrid(6, false, false);
  ID3DXMesh* plain = MakeMesh(device, single);
  std::vector<DWORD> plainAdjacency(3 * plain->GetNumFaces());
  plain->GenerateAdjacency(0, plainAdjacency.data());
  ASSERT_EQ(plain->Optimize(kDemoFlags | D3DXMESH_VB_SHARE, plainAdjacency.data(), nullptr, nullptr, nullptr,
                            &optimized),
            D3D_OK);
  IDirect3DVertexBuffer9 *a = nullptr, *b = nullptr;
  plain->GetVertexBuffer(&a);
  optimized->GetVertexBuffer(&b);
  EXPECT_EQ(a, b);
  a->Release();
  b->Release();
  EXPECT_EQ(optimized->GetNumVertices(), plain->GetNumVertices());
  EXPECT_EQ(PictureOf<WORD>(optimized), PictureOf<WORD>(plain));
  // The source now shares too, so its own optimisation keeps the vertices where they are.
  ASSERT_EQ(plain->OptimizeInplace(kDemoFlags, plainAdjacency.data(), nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(ReadVertices(plain)[7].x, single.vertices[7].x);
  EXPECT_EQ(optimized->Release(), 0u);
  EXPECT_EQ(plain->Release(), 0u);
  EXPECT_EQ(mesh->Release(), 0u);
}

}  // namespace

namespace {

TEST_F(Optimize, CompactingASortedMeshKeepsItsRangesTrue) {
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(2, 7, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<WORD>(mesh, {{9, 9, 9}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}, {3, 0, 0}, {2, 1, 0}},
             {1, 2, 3, 4, 5, 6}, {1, 0});
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_IGNOREVERTS, nullptr, nullptr, nullptr,
                                  nullptr),
            D3D_OK);
  EXPECT_EQ(mesh->GetNumVertices(), 7u);  // vertices left where they were
  ASSERT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_COMPACT, nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(mesh->GetNumVertices(), 6u);
  D3DXATTRIBUTERANGE table[2];
  DWORD size = 0;
  mesh->GetAttributeTable(table, &size);
  ASSERT_EQ(size, 2u);
  EXPECT_EQ(table[0].VertexStart, 3u);
  EXPECT_EQ(table[1].VertexStart, 0u);
  ASSERT_EQ(mesh->DrawSubset(0), D3D_OK);
  ASSERT_EQ(device->draws.size(), 1u);
  EXPECT_EQ(device->draws[0].minIndex, 3u);
  EXPECT_EQ(device->draws[0].vertexCount, 3u);
  EXPECT_EQ(mesh->Release(), 0u);
}

}  // namespace

namespace {

TEST_F(Optimize, NarrowMeshRefusesSplitsPastItsIndexRange) {
  const DWORD triangles = 13000, vertexCount = 3 * triangles;
  std::vector<Vertex> vertices(vertexCount);
  for (DWORD v = 0; v < vertexCount; ++v) vertices[v] = {float(v), 0, 0};
  std::vector<WORD> indices;
  std::vector<DWORD> attributes;
  for (DWORD copy = 0; copy < 2; ++copy) {
    for (DWORD t = 0; t < triangles; ++t) {
      indices.insert(indices.end(), {WORD(3 * t), WORD(3 * t + 1), WORD(3 * t + 2)});
      attributes.push_back(copy);
    }
  }
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3DXCreateMeshFVF(2 * triangles, vertexCount, 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  Fill<WORD>(mesh, vertices, indices, attributes);
  // Every vertex would need a copy for subset 1: 78 000 vertices do not fit 16-bit indices.
  EXPECT_EQ(mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(ReadIndices<WORD>(mesh), indices);
  EXPECT_EQ(mesh->GetNumVertices(), vertexCount);
  // The same data in a 32-bit clone splits.
  ID3DXMesh* wide = nullptr;
  ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_32BIT, D3DFVF_XYZ, device, &wide), D3D_OK);
  ASSERT_EQ(wide->OptimizeInplace(D3DXMESHOPT_ATTRSORT, nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(wide->GetNumVertices(), 2 * vertexCount);
  EXPECT_EQ(wide->Release(), 0u);
  EXPECT_EQ(mesh->Release(), 0u);
}

TEST_F(Optimize, ClonesKeepTheSortedTable) {
  GridData g = MakeGrid(4, false, true);
  ID3DXMesh* mesh = MakeMesh(device, g);
  std::vector<DWORD> adjacency(3 * mesh->GetNumFaces());
  mesh->GenerateAdjacency(0, adjacency.data());
  ASSERT_EQ(mesh->OptimizeInplace(kDemoFlags, adjacency.data(), nullptr, nullptr, nullptr), D3D_OK);
  ID3DXMesh* clone = nullptr;
  ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_32BIT, D3DFVF_XYZ | D3DFVF_NORMAL, device, &clone), D3D_OK);
  DWORD size = 0;
  clone->GetAttributeTable(nullptr, &size);
  EXPECT_EQ(size, 16u);
  ASSERT_EQ(clone->DrawSubset(5), D3D_OK);
  ASSERT_EQ(device->draws.size(), 1u);
  EXPECT_EQ(device->draws[0].startIndex, 30u);
  EXPECT_EQ(device->draws[0].primitiveCount, 2u);
  EXPECT_EQ(clone->Release(), 0u);
  EXPECT_EQ(mesh->Release(), 0u);
}

}  // namespace

namespace {

// The X-file loader's call: sort faces by subset, vertices untouched, adjacency rewritten in place.
TEST_F(Optimize, SortWithoutTouchingVertices) {
  GridData g = MakeGrid(5, false, false);
  for (size_t f = 0; f < g.attributes.size(); ++f) g.attributes[f] = DWORD(f % 3);
  ID3DXMesh* mesh = MakeMesh(device, g, true);
  std::vector<DWORD> adjacency(3 * mesh->GetNumFaces());
  ASSERT_EQ(mesh->GenerateAdjacency(0, adjacency.data()), D3D_OK);
  Picture before = PictureOf<DWORD>(mesh);
  const DWORD flags = D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_IGNOREVERTS | D3DXMESHOPT_DONOTSPLIT;
  ASSERT_EQ(mesh->OptimizeInplace(flags, adjacency.data(), adjacency.data(), nullptr, nullptr), D3D_OK);
  EXPECT_EQ(mesh->GetNumVertices(), g.vertices.size());
  std::vector<Vertex> vertices = ReadVertices(mesh);
  for (size_t v = 0; v < vertices.size(); ++v) EXPECT_EQ(vertices[v].x, g.vertices[v].x);
  EXPECT_EQ(PictureOf<DWORD>(mesh), before);
  std::vector<DWORD> attributes = ReadAttributes(mesh);
  EXPECT_TRUE(std::is_sorted(attributes.begin(), attributes.end()));
  std::vector<DWORD> regenerated(adjacency.size());
  ASSERT_EQ(mesh->GenerateAdjacency(0, regenerated.data()), D3D_OK);
  EXPECT_EQ(adjacency, regenerated);
  EXPECT_EQ(mesh->Release(), 0u);
}

}  // namespace
