#include "terrain.h"

#include <d3dx9tex.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace {

// The optimisation that leaves each cell's two triangles together as one subset.
constexpr DWORD kCellSortFlags = D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_COMPACT | D3DXMESHOPT_VERTEXCACHE;

// Every vertex of the grid must be reachable through a 16-bit index.
constexpr long long kMaxVertices = 65536;

void FailFatally(const char* text) {
  ShowFailure(text);
  PostQuitMessage(0);
}

// b × scale truncated toward zero; a product that does not fit an int (only with an absurd scale)
// becomes 0 rather than an undefined conversion.
int ScaledHeight(int byte, float scale) {
  const float h = (float)byte * scale;
  if (!(std::fabs(h) < 2147483520.0f)) return 0;
  return (int)h;
}

}  // namespace

Terrain::Terrain(IDirect3DDevice9* device, const std::string& heightmapFile, int numVertsPerRow,
                 int numVertsPerCol, int cellSpacing, float heightScale)
    : device(device),
      numVertsPerRow(numVertsPerRow),
      numVertsPerCol(numVertsPerCol),
      cellSpacing(cellSpacing),
      heightScale(heightScale) {
  if (gridUsable()) {
    numCellsPerRow = numVertsPerRow - 1;
    numCellsPerCol = numVertsPerCol - 1;
    width = numCellsPerRow * cellSpacing;
    depth = numCellsPerCol * cellSpacing;
    numVertices = numVertsPerRow * numVertsPerCol;
    numTriangles = numCellsPerRow * numCellsPerCol * 2;
  }

  if (!readRawFile(heightmapFile)) {
    FailFatally("readRawFile - FAILED");
    return;  // nothing to build without heights; the quit request is posted
  }
  scaleHeights();
  if (!computeVertices()) FailFatally("computeVertices - FAILED");
  if (!computeIndices()) FailFatally("computeIndices - FAILED");
}

Terrain::~Terrain() {
  if (vertexBuffer) vertexBuffer->Release();
  if (indexBuffer) indexBuffer->Release();
  for (IDirect3DTexture9*& t : sourceTextures)
    if (t) t->Release();
  if (mesh) mesh->Release();
}

bool Terrain::gridUsable() const {
  if (numVertsPerRow < 2 || numVertsPerCol < 2 || cellSpacing < 1) return false;
  if ((long long)numVertsPerRow * numVertsPerCol > kMaxVertices) return false;
  const long long extent = (long long)std::max(numVertsPerRow, numVertsPerCol) * cellSpacing;
  return extent <= std::numeric_limits<int>::max() && std::isfinite(heightScale);
}

bool Terrain::readRawFile(const std::string& file) {
  if (numVertices == 0) return false;  // no grid to read into
  std::vector<unsigned char> bytes((size_t)numVertices, 0);
  std::FILE* in = std::fopen(file.c_str(), "rb");
  if (!in) return false;
  // A short file leaves the remaining vertices at 0; an error while reading (a directory, say)
  // is a file that cannot be read.
  std::fread(bytes.data(), 1, bytes.size(), in);
  const bool failed = std::ferror(in) != 0;
  std::fclose(in);
  if (failed) return false;
  heightmap.assign(bytes.begin(), bytes.end());
  return true;
}

void Terrain::scaleHeights() {
  for (int& h : heightmap) h = ScaledHeight(h, heightScale);
}

void Terrain::writeVertices(TerrainVertex* out) const {
  const int west = -(width / 2), north = depth / 2;
  for (int i = 0; i < numVertsPerCol; ++i)
    for (int j = 0; j < numVertsPerRow; ++j)
      *out++ = {(float)(west + j * cellSpacing), (float)getHeightmapEntry(i, j),
                (float)(north - i * cellSpacing), TerrainTexCoord(j), TerrainTexCoord(i)};
}

bool Terrain::computeVertices() {
  if (!device || !heightsLoaded()) return false;
  const UINT bytes = (UINT)numVertices * sizeof(TerrainVertex);
  if (FAILED(device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, TerrainVertex::FVF, D3DPOOL_MANAGED,
                                        &vertexBuffer, nullptr)))
    return false;
  if (FAILED(D3DXCreateMeshFVF((DWORD)numTriangles, (DWORD)numVertices, D3DXMESH_MANAGED, TerrainVertex::FVF,
                               device, &mesh))) {
    mesh = nullptr;
    ShowFailure("D3DXCreateMeshFVF() - FAILED");
  }

  void* data = nullptr;
  if (SUCCEEDED(vertexBuffer->Lock(0, 0, &data, 0)) && data) {
    writeVertices((TerrainVertex*)data);
    vertexBuffer->Unlock();
  }
  data = nullptr;
  if (mesh && SUCCEEDED(mesh->LockVertexBuffer(0, &data)) && data) {
    writeVertices((TerrainVertex*)data);
    mesh->UnlockVertexBuffer();
  }
  return true;
}

// Cell (i, j) with corners A (north-west), B (north-east), C (south-west), D (south-east): the
// triangles (A, B, C) and (C, B, D), both clockwise seen from above, split along B-C.
void Terrain::writeIndices(uint16_t* out) const {
  const int r = numVertsPerRow;
  for (int i = 0; i < numCellsPerCol; ++i)
    for (int j = 0; j < numCellsPerRow; ++j) {
      const uint16_t a = (uint16_t)(i * r + j), b = (uint16_t)(a + 1), c = (uint16_t)((i + 1) * r + j),
                     d = (uint16_t)(c + 1);
      const uint16_t cell[6] = {a, b, c, c, b, d};
      out = std::copy(std::begin(cell), std::end(cell), out);
    }
}

void Terrain::computeCellBands() {
  cellBands.clear();
  cellBands.reserve((size_t)numCellsPerRow * numCellsPerCol);
  for (int i = 0; i < numCellsPerCol; ++i)
    for (int j = 0; j < numCellsPerRow; ++j)
      cellBands.push_back((int)TerrainBandOf(getHeightmapEntry(i, j), heightScale));
}

// Both triangles of cell c get attribute c; the attribute sort then makes each subset the two
// triangles of one cell, stored together.
void Terrain::groupFacesByCell() {
  DWORD* attributes = nullptr;
  if (SUCCEEDED(mesh->LockAttributeBuffer(0, &attributes)) && attributes) {
    for (int f = 0; f < numTriangles; ++f) attributes[f] = (DWORD)(f / 2);
    mesh->UnlockAttributeBuffer();
  }
  std::vector<DWORD> adjacency(3 * (size_t)mesh->GetNumFaces(), 0);
  mesh->GenerateAdjacency(0.0f, adjacency.data());
  mesh->OptimizeInplace(kCellSortFlags, adjacency.data(), nullptr, nullptr, nullptr);
}

bool Terrain::computeIndices() {
  if (!device || !heightsLoaded()) return false;
  const UINT bytes = (UINT)numTriangles * 3 * sizeof(uint16_t);
  if (FAILED(device->CreateIndexBuffer(bytes, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                       &indexBuffer, nullptr)))
    return false;

  void* data = nullptr;
  if (SUCCEEDED(indexBuffer->Lock(0, 0, &data, 0)) && data) {
    writeIndices((uint16_t*)data);
    indexBuffer->Unlock();
  }
  data = nullptr;
  if (mesh && SUCCEEDED(mesh->LockIndexBuffer(0, &data)) && data) {
    writeIndices((uint16_t*)data);
    mesh->UnlockIndexBuffer();
  }
  computeCellBands();
  if (mesh) groupFacesByCell();
  return true;
}

bool Terrain::loadTextures(const GroundTextureNames& names) {
  for (int k = 0; k < kGroundTextureCount; ++k) {
    IDirect3DTexture9* texture = nullptr;
    if (!names[(size_t)k] || FAILED(D3DXCreateTextureFromFileA(device, names[(size_t)k], &texture))) {
      ShowFailure("CreateTextureFromFile - FAILED");
      return false;
    }
    if (sourceTextures[(size_t)k]) sourceTextures[(size_t)k]->Release();
    sourceTextures[(size_t)k] = texture;
  }
  return true;
}

float Terrain::getHeight(float x, float z) const {
  if (!heightsLoaded()) return 0.0f;
  float sx = ((float)width / 2.0f + x) / (float)cellSpacing;
  float sz = ((float)depth / 2.0f - z) / (float)cellSpacing;
  // Off the grid the point moves to the nearest edge point (NaN to the north-west corner), so
  // the four corners read below always lie inside the heightmap.
  sx = !(sx > 0.0f) ? 0.0f : std::min(sx, (float)numCellsPerRow);
  sz = !(sz > 0.0f) ? 0.0f : std::min(sz, (float)numCellsPerCol);
  const int col = std::min((int)std::floor(sx), numCellsPerRow - 1);
  const int row = std::min((int)std::floor(sz), numCellsPerCol - 1);

  const float a = (float)getHeightmapEntry(row, col);
  const float b = (float)getHeightmapEntry(row, col + 1);
  const float c = (float)getHeightmapEntry(row + 1, col);
  const float d = (float)getHeightmapEntry(row + 1, col + 1);
  const float dx = sx - (float)col;
  const float dz = sz - (float)row;

  // Each product is added to the corner on its own, rounded to single precision in between.
  float result;
  if (1.0f - dx > dz) {
    result = a + (b - a) * dx;
    result = result + (c - a) * dz;
  } else {
    result = d + (c - d) * (1.0f - dx);
    result = result + (b - d) * (1.0f - dz);
  }
  return result;
}

bool Terrain::draw(const D3DXMATRIX& world, bool drawTris) {
  if (!device) return true;
  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetTransform(D3DTS_WORLD, &world);
  device->SetStreamSource(0, vertexBuffer, 0, sizeof(TerrainVertex));
  device->SetFVF(TerrainVertex::FVF);
  device->SetIndices(indexBuffer);

  for (size_t c = 0; c < cellBands.size(); ++c) {
    device->SetTexture(0, sourceTextures[(size_t)cellBands[c]]);
    if (mesh) mesh->DrawSubset((DWORD)c);
  }

  bool drawn = true;
  if (drawTris) {
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    drawn = SUCCEEDED(
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, (UINT)numVertices, 0, (UINT)numTriangles));
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  }
  return drawn;
}
