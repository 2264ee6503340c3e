// The ground: a grid of vertices with heights from a RAW heightmap, drawn as a mesh with one
// subset per cell, each cell textured by the height band of its north-west corner.
#pragma once
#include <d3d9.h>
#include <d3dx9math.h>
#include <d3dx9mesh.h>

#include <array>
#include <string>
#include <vector>

#include "d3d_utility.h"
#include "terrain_bands.h"

// The grid's vertices have the layout of the screen quad's and the sky box's.
using TerrainVertex = TexturedVertex;

inline constexpr int kGroundTextureCount = (int)kGroundTextureFiles.size();
using GroundTextureNames = std::array<const char*, kGroundTextureCount>;

class Terrain {
 public:
  // Failures are shown as messages on the way; the fatal ones also post the quit request.
  Terrain(IDirect3DDevice9* device, const std::string& heightmapFile, int numVertsPerRow, int numVertsPerCol,
          int cellSpacing, float heightScale);
  ~Terrain();
  Terrain(const Terrain&) = delete;
  Terrain& operator=(const Terrain&) = delete;

  // Stops at the first texture that fails to load, keeping the ones loaded before it.
  bool loadTextures(const GroundTextureNames& names);

  // The height of the drawn surface at (x, z); off the grid, that of the nearest edge point.
  float getHeight(float x, float z) const;

  bool draw(const D3DXMATRIX& world, bool drawTris);

  // No bounds check: callers stay inside the grid.
  int getHeightmapEntry(int row, int col) const { return heightmap[(size_t)row * numVertsPerRow + col]; }

  // What was built, for inspection.
  int getNumVertices() const { return numVertices; }
  int getNumTriangles() const { return numTriangles; }
  int getNumCells() const { return (int)cellBands.size(); }
  TerrainBand getCellBand(int cell) const { return (TerrainBand)cellBands[(size_t)cell]; }
  ID3DXMesh* getMesh() const { return mesh; }
  IDirect3DVertexBuffer9* getVertexBuffer() const { return vertexBuffer; }
  IDirect3DIndexBuffer9* getIndexBuffer() const { return indexBuffer; }
  IDirect3DTexture9* getTexture(int k) const { return sourceTextures[(size_t)k]; }

 private:
  bool readRawFile(const std::string& file);
  void scaleHeights();
  bool computeVertices();
  bool computeIndices();
  void writeVertices(TerrainVertex* out) const;
  void writeIndices(uint16_t* out) const;
  void computeCellBands();
  void groupFacesByCell();

  // Whether the grid's counts are usable: at least one cell, every vertex addressable by a
  // 16-bit index, the extents within an int.
  bool gridUsable() const;
  bool heightsLoaded() const { return (int)heightmap.size() == numVertices && numVertices > 0; }

  IDirect3DDevice9* device;  // borrowed
  std::array<IDirect3DTexture9*, kGroundTextureCount> sourceTextures{};
  std::vector<int> cellBands;
  ID3DXMesh* mesh = nullptr;
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;
  IDirect3DIndexBuffer9* indexBuffer = nullptr;
  int numVertsPerRow, numVertsPerCol;
  int cellSpacing;
  int numCellsPerRow = 0, numCellsPerCol = 0;
  int width = 0, depth = 0;
  int numVertices = 0;
  int numTriangles = 0;
  float heightScale;
  std::vector<int> heightmap;
};
