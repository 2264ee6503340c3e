// The airplane's geometry: a lofted fuselage, tapered wings and tail surfaces, a propeller and a
// canopy, as polygons with per-corner normals and texture coordinates, one material per part.
#pragma once
#include <d3dx9math.h>

#include <cstdint>
#include <vector>

#include "airplane_parts.h"

struct AirplaneModel {
  std::vector<D3DXVECTOR3> positions;
  std::vector<D3DXVECTOR3> normals;  // one per position
  std::vector<D3DXVECTOR2> uvs;      // one per position
  std::vector<std::vector<uint32_t>> faces;
  std::vector<AirplanePart> faceParts;
};

AirplaneModel MakeAirplaneModel();
