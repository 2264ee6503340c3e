// Facts about vertex data that the device's checks and the pipeline must agree on: the size of
// each element type, the vertices a primitive count needs, and how far into a vertex a layout reads.
#pragma once
#include <algorithm>
#include <cstdint>

#include "pipeline.h"

namespace swr {

// Bytes of one element of a declaration type. Unknown types take no bytes: declarations with
// them are refused, and the vertex decoder reads nothing for them.
inline uint32_t elementTypeSize(uint8_t type) {
  static constexpr uint8_t kSizes[] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8};
  return type < sizeof kSizes ? kSizes[type] : 0;
}

// Vertices that `count` primitives of `type` use; 0 for no primitives or an unknown type.
inline uint64_t verticesForPrimitives(D3DPRIMITIVETYPE type, uint64_t count) {
  if (count == 0) return 0;
  switch (type) {
    case D3DPT_POINTLIST:
      return count;
    case D3DPT_LINELIST:
      return 2 * count;
    case D3DPT_LINESTRIP:
      return count + 1;
    case D3DPT_TRIANGLELIST:
      return 3 * count;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
      return count + 2;
    default:
      return 0;
  }
}

// Bytes from the start of a vertex up to the end of the last element the layout reads.
inline uint32_t layoutExtent(const VertexLayout& l) {
  uint32_t end = uint32_t(std::max<int>(l.positionOffset, 0)) + (l.position == PositionKind::XYZ ? 12u : 16u);
  auto reach = [&end](int16_t offset, uint32_t size) {
    if (offset >= 0) end = std::max(end, uint32_t(offset) + size);
  };
  reach(l.normal, 12);
  reach(l.pointSize, 4);
  reach(l.diffuse, elementTypeSize(l.diffuseType));
  reach(l.specular, elementTypeSize(l.specularType));
  for (int i = 0; i < 8; ++i) reach(l.tex[i], elementTypeSize(l.texType[i]));
  return end;
}

}  // namespace swr
