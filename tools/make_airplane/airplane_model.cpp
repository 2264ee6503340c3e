#include "airplane_model.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr float kPi = 3.14159265f;

class Builder {
 public:
  explicit Builder(AirplaneModel& m) : m_(m) {}

  uint32_t Vertex(const D3DXVECTOR3& p, const D3DXVECTOR3& n, const D3DXVECTOR2& uv) {
    D3DXVECTOR3 unit;
    D3DXVec3Normalize(&unit, &n);
    m_.positions.push_back(p);
    m_.normals.push_back(unit);
    m_.uvs.push_back(uv);
    return uint32_t(m_.positions.size() - 1);
  }

  // A polygon of existing vertices, wound so that its front (clockwise on screen) faces
  // `outward`.
  void Face(std::vector<uint32_t> corners, const D3DXVECTOR3& outward, AirplanePart part) {
    const D3DXVECTOR3 &p0 = m_.positions[corners[0]], &p1 = m_.positions[corners[1]],
                      &p2 = m_.positions[corners[2]];
    D3DXVECTOR3 a = p1 - p0, b = p2 - p0, n;
    D3DXVec3Cross(&n, &a, &b);
    if (D3DXVec3Dot(&n, &outward) < 0) std::reverse(corners.begin() + 1, corners.end());
    m_.faces.push_back(std::move(corners));
    m_.faceParts.push_back(part);
  }

  // A flat polygon with its own vertices: one normal for every corner.
  void FlatFace(const std::vector<D3DXVECTOR3>& points, const std::vector<D3DXVECTOR2>& uvs,
                const D3DXVECTOR3& outward, AirplanePart part) {
    D3DXVECTOR3 a = points[1] - points[0], b = points[2] - points[0], n;
    D3DXVec3Cross(&n, &a, &b);
    if (D3DXVec3Dot(&n, &outward) < 0) n = -n;
    std::vector<uint32_t> corners;
    for (size_t i = 0; i < points.size(); ++i) corners.push_back(Vertex(points[i], n, uvs[i]));
    Face(std::move(corners), n, part);
  }

  // A closed slab between two outlines (top and bottom), each a polygon in the same order;
  // sides join consecutive corners. The centre decides which way is out.
  void Slab(const std::vector<D3DXVECTOR3>& top, const std::vector<D3DXVECTOR3>& bottom,
            const std::vector<D3DXVECTOR2>& uvs, const D3DXVECTOR3& up, AirplanePart part) {
    D3DXVECTOR3 centre(0, 0, 0);
    for (size_t i = 0; i < top.size(); ++i) centre += top[i] + bottom[i];
    centre /= float(2 * top.size());
    FlatFace(top, uvs, up, part);
    FlatFace(bottom, uvs, -up, part);
    for (size_t i = 0; i < top.size(); ++i) {
      const size_t j = (i + 1) % top.size();
      const D3DXVECTOR3 mid = (top[i] + top[j] + bottom[i] + bottom[j]) * 0.25f;
      FlatFace({top[i], top[j], bottom[j], bottom[i]}, {uvs[i], uvs[j], uvs[j], uvs[i]}, mid - centre, part);
    }
  }

 private:
  AirplaneModel& m_;
};

// Fuselage sections from nose to tail: position along z, radius, height of the centre.
struct Section {
  float z, radius, y;
};
constexpr Section kSections[] = {{-7.0f, 0.45f, 0.0f}, {-6.4f, 0.95f, 0.0f}, {-5.2f, 1.2f, 0.0f},
                                 {-3.0f, 1.3f, 0.05f}, {0.0f, 1.25f, 0.1f},  {3.0f, 0.95f, 0.2f},
                                 {5.5f, 0.55f, 0.35f}, {7.0f, 0.2f, 0.45f}};
constexpr int kAround = 12;

void Fuselage(Builder& b) {
  constexpr int rings = int(std::size(kSections));
  const float z0 = kSections[0].z, length = kSections[rings - 1].z - z0;
  std::vector<std::vector<uint32_t>> ring(rings);
  for (int r = 0; r < rings; ++r) {
    const Section& s = kSections[r];
    for (int k = 0; k <= kAround; ++k) {
      const float a = 2 * kPi * float(k) / kAround;
      const D3DXVECTOR3 radial(std::cos(a), std::sin(a), 0);
      ring[r].push_back(b.Vertex(D3DXVECTOR3(s.radius * radial.x, s.y + s.radius * radial.y, s.z), radial,
                                 D3DXVECTOR2(float(k) / kAround, (s.z - z0) / length)));
    }
  }
  for (int r = 0; r + 1 < rings; ++r)
    for (int k = 0; k < kAround; ++k) {
      const float a = 2 * kPi * (float(k) + 0.5f) / kAround;
      b.Face({ring[r][k], ring[r][k + 1], ring[r + 1][k + 1], ring[r + 1][k]},
             D3DXVECTOR3(std::cos(a), std::sin(a), 0), AirplanePart::Fuselage);
    }
  // The tail closes in a point; the nose is closed by the propeller's hub.
  const Section& last = kSections[rings - 1];
  const uint32_t tip =
      b.Vertex(D3DXVECTOR3(0, last.y, last.z + 0.25f), D3DXVECTOR3(0, 0, 1), D3DXVECTOR2(0.5f, 1));
  for (int k = 0; k < kAround; ++k)
    b.Face({ring[rings - 1][k], ring[rings - 1][k + 1], tip}, D3DXVECTOR3(0, 0, 1), AirplanePart::Fuselage);
  const uint32_t nose = b.Vertex(D3DXVECTOR3(0, 0, z0), D3DXVECTOR3(0, 0, -1), D3DXVECTOR2(0.5f, 0));
  for (int k = 0; k < kAround; ++k)
    b.Face({ring[0][k], ring[0][k + 1], nose}, D3DXVECTOR3(0, 0, -1), AirplanePart::Fuselage);
}

// A tapered lifting surface from root to tip in `segments` pieces: chord and thickness shrink
// linearly, the leading edge sweeps back. `span` runs along x (wings, stabiliser) or y (fin).
struct Surface {
  D3DXVECTOR3 root;      // leading edge at the root, on the centre plane of the slab
  D3DXVECTOR3 spanDir;   // unit, root to tip
  D3DXVECTOR3 thickDir;  // unit, across the slab
  float span, rootChord, tipChord, sweep, rootThickness, tipThickness;
  int segments;
  float uBase, uScale;  // texture u at the root and per unit of span
};

void SurfacePart(Builder& b, const Surface& s, AirplanePart part) {
  for (int i = 0; i < s.segments; ++i) {
    const float t0 = float(i) / s.segments, t1 = float(i + 1) / s.segments;
    auto station = [&](float t, float side, float along) {
      const float chord = s.rootChord + (s.tipChord - s.rootChord) * t;
      const float thick = s.rootThickness + (s.tipThickness - s.rootThickness) * t;
      return s.root + s.spanDir * (s.span * t) + D3DXVECTOR3(0, 0, s.sweep * t + chord * along) +
             s.thickDir * (0.5f * thick * side);
    };
    const std::vector<D3DXVECTOR2> uvs = {{s.uBase + s.uScale * s.span * t0, 0},
                                          {s.uBase + s.uScale * s.span * t1, 0},
                                          {s.uBase + s.uScale * s.span * t1, 1},
                                          {s.uBase + s.uScale * s.span * t0, 1}};
    const std::vector<D3DXVECTOR3> top = {station(t0, 1, 0), station(t1, 1, 0), station(t1, 1, 1),
                                          station(t0, 1, 1)};
    const std::vector<D3DXVECTOR3> bottom = {station(t0, -1, 0), station(t1, -1, 0), station(t1, -1, 1),
                                             station(t0, -1, 1)};
    b.Slab(top, bottom, uvs, s.thickDir, part);
  }
}

void Wings(Builder& b) {
  for (float side : {1.0f, -1.0f}) {
    const Surface wing = {D3DXVECTOR3(side * 1.0f, -0.45f, -1.8f),
                          D3DXVECTOR3(side, 0.06f, 0),
                          D3DXVECTOR3(0, 1, 0),
                          kAirplaneWingSpan / 2 - 1.0f,
                          3.0f,
                          1.4f,
                          0.9f,
                          0.36f,
                          0.14f,
                          4,
                          0.5f + side * 1.0f / kAirplaneWingSpan,
                          side / kAirplaneWingSpan};
    SurfacePart(b, wing, AirplanePart::Wings);
    const Surface stabiliser = {D3DXVECTOR3(side * 0.3f, 0.4f, 5.1f),
                                D3DXVECTOR3(side, 0, 0),
                                D3DXVECTOR3(0, 1, 0),
                                3.0f,
                                1.6f,
                                0.8f,
                                0.6f,
                                0.14f,
                                0.08f,
                                2,
                                0,
                                0};
    SurfacePart(b, stabiliser, AirplanePart::Tail);
  }
  const Surface fin = {D3DXVECTOR3(0, 0.6f, 4.8f),
                       D3DXVECTOR3(0, 1, 0),
                       D3DXVECTOR3(1, 0, 0),
                       2.6f,
                       2.2f,
                       0.9f,
                       1.1f,
                       0.14f,
                       0.08f,
                       2,
                       0,
                       0};
  SurfacePart(b, fin, AirplanePart::Tail);
}

void Propeller(Builder& b) {
  // Hub: a cone over the nose.
  constexpr int hubSides = 8;
  const float baseZ = kSections[0].z + 0.05f, tipZ = baseZ - 0.8f, radius = 0.5f;
  const uint32_t tip = b.Vertex(D3DXVECTOR3(0, 0, tipZ), D3DXVECTOR3(0, 0, -1), D3DXVECTOR2(0, 0));
  std::vector<uint32_t> base;
  for (int k = 0; k <= hubSides; ++k) {
    const float a = 2 * kPi * float(k) / hubSides;
    base.push_back(b.Vertex(D3DXVECTOR3(radius * std::cos(a), radius * std::sin(a), baseZ),
                            D3DXVECTOR3(std::cos(a), std::sin(a), -0.6f), D3DXVECTOR2(0, 0)));
  }
  for (int k = 0; k < hubSides; ++k) {
    const float a = 2 * kPi * (float(k) + 0.5f) / hubSides;
    b.Face({base[k], base[k + 1], tip}, D3DXVECTOR3(std::cos(a), std::sin(a), -0.6f),
           AirplanePart::Propeller);
  }
  // Three blades, each a thin slab twisted a little about its own axis.
  for (int blade = 0; blade < 3; ++blade) {
    const float a = 2 * kPi * float(blade) / 3 + 0.3f;
    const D3DXVECTOR3 out(std::cos(a), std::sin(a), 0), across(-std::sin(a), std::cos(a), 0);
    const D3DXVECTOR3 centre(0, 0, baseZ - 0.35f);
    const D3DXVECTOR3 thick = D3DXVECTOR3(0, 0, 1) * 0.06f + across * 0.02f;
    auto at = [&](float r, float w) { return centre + out * r + across * w; };
    const std::vector<D3DXVECTOR3> mid = {at(0.3f, -0.2f), at(2.3f, -0.12f), at(2.3f, 0.12f), at(0.3f, 0.2f)};
    std::vector<D3DXVECTOR3> front, back;
    for (const D3DXVECTOR3& p : mid) {
      front.push_back(p - thick);
      back.push_back(p + thick);
    }
    b.Slab(back, front, std::vector<D3DXVECTOR2>(4, D3DXVECTOR2(0, 0)), D3DXVECTOR3(0, 0, 1),
           AirplanePart::Propeller);
  }
}

void Canopy(Builder& b) {
  constexpr int across = 8, along = 6;
  const D3DXVECTOR3 centre(0, 1.05f, -1.8f), radii(0.7f, 0.75f, 1.8f);
  std::vector<std::vector<uint32_t>> grid(along + 1);
  for (int j = 0; j <= along; ++j) {
    const float v = (float(j) / along - 0.5f) * 0.84f * kPi;
    for (int i = 0; i <= across; ++i) {
      const float u = kPi * float(i) / across;
      const D3DXVECTOR3 unit(std::cos(u) * std::cos(v), std::sin(u) * std::cos(v), std::sin(v));
      const D3DXVECTOR3 p(centre.x + radii.x * unit.x, centre.y + radii.y * unit.y,
                          centre.z + radii.z * unit.z);
      const D3DXVECTOR3 n(unit.x / radii.x, unit.y / radii.y, unit.z / radii.z);
      grid[j].push_back(b.Vertex(p, n, D3DXVECTOR2(0, 0)));
    }
  }
  for (int j = 0; j < along; ++j)
    for (int i = 0; i < across; ++i) {
      const float v = ((float(j) + 0.5f) / along - 0.5f) * 0.84f * kPi, u = kPi * (float(i) + 0.5f) / across;
      b.Face({grid[j][i], grid[j][i + 1], grid[j + 1][i + 1], grid[j + 1][i]},
             D3DXVECTOR3(std::cos(u) * std::cos(v), std::sin(u) * std::cos(v), std::sin(v)),
             AirplanePart::Canopy);
    }
}

}  // namespace

AirplaneModel MakeAirplaneModel() {
  AirplaneModel model;
  Builder b(model);
  Fuselage(b);
  Wings(b);
  Propeller(b);
  Canopy(b);
  return model;
}
