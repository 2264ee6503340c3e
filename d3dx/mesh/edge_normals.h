// Face normals as edge pairing weighs them: every path that compares two candidates must compute
// the same float values, so the arithmetic lives here once.
#pragma once
#include <d3dx9.h>

#include <cmath>
#include <cstring>

namespace d3dx {

struct Vec3 {
  float x, y, z;
};

inline Vec3 ReadPosition(const BYTE* positions, DWORD stride, DWORD v) {
  Vec3 p;
  std::memcpy(&p, positions + static_cast<size_t>(v) * stride, sizeof(p));
  return p;
}

// Normalised (a - b) x (a - c) of the positions of vertices a, b, c; zero for a degenerate
// triangle or without positions. A component can still be NaN when the cross product overflows.
inline Vec3 FaceNormal(const BYTE* positions, DWORD stride, DWORD a, DWORD b, DWORD c) {
  if (!positions) return {0, 0, 0};
  const Vec3 pa = ReadPosition(positions, stride, a), pb = ReadPosition(positions, stride, b),
             pc = ReadPosition(positions, stride, c);
  const Vec3 u = {pa.x - pb.x, pa.y - pb.y, pa.z - pb.z}, v = {pa.x - pc.x, pa.y - pc.y, pa.z - pc.z};
  const Vec3 n = {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
  const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
  if (!(length > 0)) return {0, 0, 0};
  return {n.x / length, n.y / length, n.z / length};
}

// The alignment score of a candidate's normal with the open edge's own normal.
inline float Dot(const Vec3& candidate, const Vec3& own) {
  return candidate.x * own.x + candidate.y * own.y + candidate.z * own.z;
}

inline bool HasNaN(const Vec3& v) { return std::isnan(v.x) || std::isnan(v.y) || std::isnan(v.z); }

}  // namespace d3dx
