// Test meshes: grids of quads, shared or separately indexed, optionally shuffled.
#pragma once
#include <d3dx9.h>

#include <algorithm>
#include <random>
#include <vector>

#include "mesh_fixture.h"

struct GridData {
  std::vector<Vertex> vertices;
  std::vector<DWORD> indices;
  std::vector<DWORD> attributes;
};

// cells x cells quads in the xz plane, two faces each, one attribute per cell when perCell.
// Separate: four vertices per quad (every edge needs position matching to connect).
inline GridData MakeGrid(int cells, bool separate, bool perCell) {
  GridData g;
  const int side = cells + 1;
  if (!separate) {
    for (int z = 0; z < side; ++z)
      for (int x = 0; x < side; ++x) g.vertices.push_back({float(x), 0, float(z)});
  }
  for (int z = 0; z < cells; ++z) {
    for (int x = 0; x < cells; ++x) {
      DWORD a, b, c, d;
      if (separate) {
        DWORD base = static_cast<DWORD>(g.vertices.size());
        g.vertices.push_back({float(x), 0, float(z)});
        g.vertices.push_back({float(x), 0, float(z + 1)});
        g.vertices.push_back({float(x + 1), 0, float(z)});
        g.vertices.push_back({float(x + 1), 0, float(z + 1)});
        a = base, b = base + 1, c = base + 2, d = base + 3;
      } else {
        a = z * side + x, b = (z + 1) * side + x, c = z * side + x + 1, d = (z + 1) * side + x + 1;
      }
      g.indices.insert(g.indices.end(), {a, b, c, c, b, d});
      DWORD id = perCell ? static_cast<DWORD>(z * cells + x) : 0;
      g.attributes.insert(g.attributes.end(), {id, id});
    }
  }
  return g;
}

// Shuffles the faces (keeping each face's corners and attribute together).
inline void ShuffleFaces(GridData& g, unsigned seed) {
  const size_t faces = g.indices.size() / 3;
  std::vector<size_t> order(faces);
  for (size_t i = 0; i < faces; ++i) order[i] = i;
  std::mt19937 random(seed);
  std::shuffle(order.begin(), order.end(), random);
  GridData out;
  out.vertices = g.vertices;
  for (size_t i : order) {
    out.indices.insert(out.indices.end(), g.indices.begin() + 3 * i, g.indices.begin() + 3 * i + 3);
    out.attributes.push_back(g.attributes[i]);
  }
  g = out;
}

template <typename Index>
inline std::vector<Index> Narrow(const std::vector<DWORD>& indices) {
  return std::vector<Index>(indices.begin(), indices.end());
}

// A mesh of the grid's data; 32-bit indices when wide.
inline ID3DXMesh* MakeMesh(IDirect3DDevice9* device, const GridData& g, bool wide = false,
                           DWORD options = 0) {
  ID3DXMesh* mesh = nullptr;
  const DWORD faces = static_cast<DWORD>(g.indices.size() / 3);
  if (FAILED(D3DXCreateMeshFVF(faces, static_cast<DWORD>(g.vertices.size()),
                               options | (wide ? D3DXMESH_32BIT : 0), D3DFVF_XYZ, device, &mesh)))
    return nullptr;
  if (wide)
    Fill<DWORD>(mesh, g.vertices, g.indices, g.attributes);
  else
    Fill<WORD>(mesh, g.vertices, Narrow<WORD>(g.indices), g.attributes);
  return mesh;
}

// Average cache misses per triangle through a FIFO of the given size.
inline double MissRatio(const std::vector<DWORD>& indices, size_t cacheSize) {
  std::vector<DWORD> fifo(cacheSize, 0xFFFFFFFF);
  size_t insert = 0, misses = 0;
  for (DWORD v : indices) {
    if (std::find(fifo.begin(), fifo.end(), v) != fifo.end()) continue;
    fifo[insert] = v;
    insert = (insert + 1) % cacheSize;
    ++misses;
  }
  return double(misses) / double(indices.size() / 3);
}
