// Edge pairing on edges shared by many faces, against a plain pairing written out here: records
// newest first, the first candidate kept unless a later one aligns strictly better.
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "mesh_fixture.h"

namespace {

using EdgePairing = MeshTest;
constexpr DWORD kNone = 0xFFFFFFFF;

struct Normal3 {
  float x, y, z;
};

Normal3 ReferenceNormal(const Vertex& a, const Vertex& b, const Vertex& c) {
  const float ux = a.x - b.x, uy = a.y - b.y, uz = a.z - b.z;
  const float vx = a.x - c.x, vy = a.y - c.y, vz = a.z - c.z;
  const float nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
  const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (!(length > 0)) return {0, 0, 0};
  return {nx / length, ny / length, nz / length};
}

// The pairing as described: one list of records, visited newest first, each face's own record
// spent with the one it pairs.
std::vector<DWORD> ReferencePairing(const std::vector<Vertex>& vertices, const std::vector<DWORD>& indices,
                                    const std::vector<DWORD>& reps,
                                    const std::vector<D3DXATTRIBUTERANGE>& ranges, DWORD emptyMarker) {
  const size_t faces = indices.size() / 3;
  struct Record {
    DWORD start, end, third, corner;
  };
  auto repsOf = [&](size_t f, DWORD r[3]) {
    if (indices[3 * f] == emptyMarker) return false;
    for (int k = 0; k < 3; ++k) r[k] = reps.empty() ? indices[3 * f + k] : reps[indices[3 * f + k]];
    return r[0] != r[1] && r[1] != r[2] && r[0] != r[2];
  };
  std::vector<Record> records;
  for (const D3DXATTRIBUTERANGE& range : ranges) {
    for (DWORD f = range.FaceStart; f < range.FaceStart + range.FaceCount; ++f) {
      DWORD r[3];
      if (!repsOf(f, r)) continue;
      for (int e = 0; e < 3; ++e) records.push_back({r[e], r[(e + 1) % 3], r[(e + 2) % 3], 3 * f + e});
    }
  }
  std::vector<DWORD> out(3 * faces, kNone);
  auto normal = [&](DWORD a, DWORD b, DWORD c) {
    return ReferenceNormal(vertices[a], vertices[b], vertices[c]);
  };
  auto dot = [](Normal3 a, Normal3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
  for (const D3DXATTRIBUTERANGE& range : ranges) {
    for (DWORD f = range.FaceStart; f < range.FaceStart + range.FaceCount; ++f) {
      DWORD r[3];
      if (!repsOf(f, r)) continue;
      for (int e = 0; e < 3; ++e) {
        if (out[3 * f + e] != kNone) continue;
        const Normal3 own = normal(r[e], r[(e + 1) % 3], r[(e + 2) % 3]);
        const Record* chosen = nullptr;
        float best = 0;
        for (size_t i = records.size(); i-- > 0;) {
          const Record& c = records[i];
          if (c.start != r[(e + 1) % 3] || c.end != r[e] || out[c.corner] != kNone) continue;
          const float score = dot(normal(c.start, c.end, c.third), own);
          if (!chosen || score > best) {
            chosen = &c;
            best = score;
          }
        }
        if (!chosen) continue;
        out[3 * f + e] = chosen->corner / 3;
        out[chosen->corner] = f;
      }
    }
  }
  return out;
}

struct Case {
  std::vector<Vertex> vertices;
  std::vector<DWORD> indices;
  std::vector<DWORD> reps;                 // empty: every vertex stands for itself
  std::vector<D3DXATTRIBUTERANGE> ranges;  // empty: one range of all faces
};

// How the mesh under test finds its adjacency.
enum class Source { kPointReps, kExactPositions };

std::vector<DWORD> Pair(RecordingDevice* device, const Case& c, bool wide,
                        Source source = Source::kPointReps) {
  const DWORD faces = DWORD(c.indices.size() / 3), count = DWORD(c.vertices.size());
  ID3DXMesh* mesh = nullptr;
  EXPECT_EQ(D3DXCreateMeshFVF(faces, count, wide ? D3DXMESH_32BIT : 0, D3DFVF_XYZ, device, &mesh), D3D_OK);
  if (!mesh) return {};
  if (wide) {
    Fill<DWORD>(mesh, c.vertices, c.indices);
  } else {
    std::vector<WORD> narrow;
    for (DWORD i : c.indices) narrow.push_back(i == kNone ? 0xFFFF : WORD(i));
    Fill<WORD>(mesh, c.vertices, narrow);
  }
  if (!c.ranges.empty()) {
    EXPECT_EQ(mesh->SetAttributeTable(c.ranges.data(), DWORD(c.ranges.size())), D3D_OK);
  }
  std::vector<DWORD> out(3 * faces);
  if (source == Source::kPointReps)
    EXPECT_EQ(mesh->ConvertPointRepsToAdjacency(c.reps.empty() ? nullptr : c.reps.data(), out.data()),
              D3D_OK);
  else
    EXPECT_EQ(mesh->GenerateAdjacency(0.0f, out.data()), D3D_OK);
  EXPECT_EQ(mesh->Release(), 0u);
  return out;
}

std::vector<DWORD> Expected(const Case& c) {
  std::vector<D3DXATTRIBUTERANGE> ranges = c.ranges;
  if (ranges.empty()) ranges.push_back({0, 0, DWORD(c.indices.size() / 3), 0, DWORD(c.vertices.size())});
  return ReferencePairing(c.vertices, c.indices, c.reps, ranges, kNone);
}

// Few vertices and many faces: every edge is shared by dozens of faces both ways round. Positions
// on a coarse grid give equal normals and equal scores; a few far or collinear points give NaN
// and zero normals.
Case RandomNonManifold(std::mt19937& random, DWORD vertexCount, DWORD faceCount) {
  Case c;
  for (DWORD v = 0; v < vertexCount; ++v) {
    switch (random() % 8) {
      case 0:
        c.vertices.push_back({float(random() % 3), float(random() % 3), float(random() % 3)});
        break;
      case 1:
      case 2: {  // far out on an axis: some cross products overflow in one component (NaN normals)
        float p[3] = {0, 0, 0};
        p[random() % 3] = (random() % 2 ? 1e18f : 1e21f) * (random() % 2 ? 1 : -1);
        c.vertices.push_back({p[0], p[1], p[2]});
        break;
      }
      case 3:
        c.vertices.push_back({float(v), 0, 0});
        break;  // on one line with the other such points
      default:
        c.vertices.push_back(
            {float(random() % 1000) / 100, float(random() % 1000) / 100, float(random() % 1000) / 100});
    }
  }
  for (DWORD f = 0; f < faceCount; ++f) {
    if (random() % 40 == 0) {
      c.indices.insert(c.indices.end(), {kNone, 0, 1});  // empty face
      continue;
    }
    DWORD a = random() % vertexCount, b, d;
    do b = random() % vertexCount;
    while (b == a);
    do d = random() % vertexCount;
    while (d == a || d == b);
    c.indices.insert(c.indices.end(), {a, b, d});
  }
  if (random() % 2) {  // representatives that fold some vertices onto others (some faces degenerate)
    for (DWORD v = 0; v < vertexCount; ++v) c.reps.push_back(random() % 4 == 0 ? random() % vertexCount : v);
  }
  if (random() % 3 == 0) {  // ranges out of face order, overlapping, with faces outside all of them
    const DWORD third = faceCount / 3;
    c.ranges = {{0, 2 * third, third, 0, vertexCount}, {1, third + third / 2, third, 0, vertexCount}};
  }
  return c;
}

TEST_F(EdgePairing, ManyFacesPerEdgeMatchThePlainPairing) {
  std::mt19937 random(16);
  for (int round = 0; round < 40; ++round) {
    const bool wide = round % 2;
    const DWORD vertexCount = 5 + random() % 6, faceCount = 50 + random() % 900;
    const Case c = RandomNonManifold(random, vertexCount, faceCount);
    EXPECT_EQ(Pair(device, c, wide), Expected(c)) << "round " << round;
  }
}

// One edge shared by every face, both ways round, the third corners spread around it: many
// distinct normals, some of them equal, in the order the seed gives.
Case Book(std::mt19937& random, DWORD faces, int angleSteps) {
  Case c;
  c.vertices = {{0, 0, 0}, {0, 0, 1}};
  for (DWORD f = 0; f < faces; ++f) {
    const double angle = 2 * M_PI * double(random() % angleSteps) / angleSteps;
    c.vertices.push_back({float(std::cos(angle)), float(std::sin(angle)), float(random() % 5) / 4});
    const DWORD page = DWORD(c.vertices.size() - 1);
    if (random() % 2)
      c.indices.insert(c.indices.end(), {0, 1, page});
    else
      c.indices.insert(c.indices.end(), {1, 0, page});
  }
  return c;
}

TEST_F(EdgePairing, OneEdgeOfThousandsOfFacesMatchesThePlainPairing) {
  std::mt19937 random(11);
  for (int angleSteps : {3, 40, 100000}) {
    const Case c = Book(random, 3000, angleSteps);
    EXPECT_EQ(Pair(device, c, angleSteps % 2 == 0), Expected(c)) << angleSteps << " angles";
  }
}

// The hostile size: with a choice weighed against every candidate for every face this takes
// seconds. Every face is paired across the shared edge with one walked the other way.
TEST_F(EdgePairing, SixtyFiveThousandFacesOnOneEdgeFinish) {
  std::mt19937 random(5);
  for (int angleSteps : {2, 1 << 20}) {
    Case c = Book(random, 65534, angleSteps);
    for (size_t f = 0; f < 65534; ++f) {  // alternate the direction so every face has a partner
      c.indices[3 * f] = f % 2 ? 1 : 0;
      c.indices[3 * f + 1] = f % 2 ? 0 : 1;
    }
    const std::vector<DWORD> out = Pair(device, c, true);
    ASSERT_EQ(out.size(), 3 * 65534u);
    for (DWORD f = 0; f < 65534; ++f) {
      const DWORD g = out[3 * f];
      ASSERT_LT(g, 65534u) << f;
      EXPECT_EQ(out[3 * g], f);
      EXPECT_NE(g % 2, f % 2);
      EXPECT_EQ(out[3 * f + 1], kNone);
    }
  }
}

// Exact welding written out: each vertex, in index order, takes the newest earlier representative
// at an equal position (as floats: -0 is 0, NaN equals nothing) that no face uses together with it.
std::vector<DWORD> ReferenceWeld(const Case& c, DWORD emptyMarker) {
  const DWORD n = DWORD(c.vertices.size());
  auto shareFace = [&](DWORD a, DWORD b) {
    for (size_t f = 0; f < c.indices.size(); f += 3) {
      const DWORD* face = &c.indices[f];
      if (face[0] == emptyMarker) continue;
      const bool hasA = face[0] == a || face[1] == a || face[2] == a;
      if (hasA && (face[0] == b || face[1] == b || face[2] == b)) return true;
    }
    return false;
  };
  std::vector<DWORD> reps(n);
  for (DWORD v = 0; v < n; ++v) {
    reps[v] = v;
    const Vertex& p = c.vertices[v];
    if (std::isnan(p.x) || std::isnan(p.y) || std::isnan(p.z)) continue;
    for (DWORD u = v; u-- > 0;) {
      const Vertex& q = c.vertices[u];
      if (reps[u] != u || q.x != p.x || q.y != p.y || q.z != p.z || shareFace(u, v)) continue;
      reps[v] = u;
      break;
    }
  }
  return reps;
}

// Vertices on a few places (some with -0 coordinates, some NaN), faces among them with repeats,
// reversed copies and two corners on one place, so welded edges are shared by many faces.
Case RandomWeldedMesh(std::mt19937& random, DWORD vertexCount, DWORD faceCount) {
  Case c;
  std::vector<Vertex> places;
  const DWORD placeCount = 3 + vertexCount / 4;
  for (DWORD i = 0; i < placeCount; ++i)
    places.push_back({float(random() % 5), float(random() % 3) / 2, float(random() % 4)});
  for (DWORD v = 0; v < vertexCount; ++v) {
    Vertex p = places[random() % placeCount];
    switch (random() % 16) {
      case 0:  // the same place written with negative zeros
        if (p.x == 0) p.x = -0.0f;
        if (p.z == 0) p.z = -0.0f;
        break;
      case 1:
        p.y = std::nanf("");
        break;
      default:
        break;
    }
    c.vertices.push_back(p);
  }
  for (DWORD f = 0; f < faceCount; ++f) {
    const size_t faces = c.indices.size() / 3;
    const DWORD pick = random() % 16;
    if (pick == 0) {
      c.indices.insert(c.indices.end(), {kNone, 1, 2});  // empty face
    } else if (pick <= 2 && faces) {                     // a copy of an earlier face, as it was or reversed
      const size_t g = random() % faces;
      const DWORD a = c.indices[3 * g], b = c.indices[3 * g + 1], d = c.indices[3 * g + 2];
      if (a == kNone) continue;
      if (pick == 1)
        c.indices.insert(c.indices.end(), {a, b, d});
      else
        c.indices.insert(c.indices.end(), {b, a, d});
    } else {
      DWORD a = random() % vertexCount, b, d;
      do b = random() % vertexCount;
      while (b == a);
      do d = random() % vertexCount;
      while (d == a || d == b);
      c.indices.insert(c.indices.end(), {a, b, d});
    }
  }
  if (random() % 3 == 0) {  // ranges out of face order, overlapping, with faces outside all of them
    const DWORD third = DWORD(c.indices.size() / 9);
    c.ranges = {{0, 2 * third, third, 0, vertexCount}, {1, third + third / 2, third, 0, vertexCount}};
  }
  return c;
}

TEST_F(EdgePairing, ExactPositionsMatchThePlainWeldAndPairing) {
  std::mt19937 random(23);
  for (int round = 0; round < 60; ++round) {
    const bool wide = round % 2;
    const DWORD vertexCount = 4 + random() % (round < 30 ? 20 : 400), faceCount = 10 + random() % 600;
    Case c = RandomWeldedMesh(random, vertexCount, faceCount);
    std::vector<D3DXATTRIBUTERANGE> ranges = c.ranges;
    if (ranges.empty()) ranges.push_back({0, 0, DWORD(c.indices.size() / 3), 0, vertexCount});
    const std::vector<DWORD> reps = ReferenceWeld(c, kNone);
    const std::vector<DWORD> expected = ReferencePairing(c.vertices, c.indices, reps, ranges, kNone);
    EXPECT_EQ(Pair(device, c, wide, Source::kExactPositions), expected) << "round " << round;
  }
}

// Triangles over distinct places, each corner a vertex of its own or one already at its place
// (some written with -0), with repeated and reversed faces: welding joins them, and no face ever
// has two corners on one place.
Case SplitCornerMesh(std::mt19937& random, DWORD placeCount, DWORD faceCount) {
  Case c;
  std::vector<Vertex> places;
  for (DWORD i = 0; i < placeCount; ++i) places.push_back({float(i % 7), 0, float(i / 7)});
  std::vector<std::vector<DWORD>> at(placeCount);  // the vertices made at each place
  for (DWORD f = 0; f < faceCount; ++f) {
    const size_t faces = c.indices.size() / 3;
    if (faces && random() % 8 == 0) {  // an earlier face again, as it was or reversed
      const size_t g = random() % faces;
      const DWORD a = c.indices[3 * g], b = c.indices[3 * g + 1], d = c.indices[3 * g + 2];
      c.indices.insert(c.indices.end(), {a, random() % 2 ? b : d, random() % 2 ? d : b});
      if (c.indices[c.indices.size() - 2] == c.indices.back()) c.indices.resize(c.indices.size() - 3);
      continue;
    }
    DWORD place[3];
    place[0] = random() % placeCount;
    do place[1] = random() % placeCount;
    while (place[1] == place[0]);
    do place[2] = random() % placeCount;
    while (place[2] == place[0] || place[2] == place[1]);
    for (DWORD p : place) {
      if (!at[p].empty() && random() % 2) {
        c.indices.push_back(at[p][random() % at[p].size()]);
        continue;
      }
      Vertex v = places[p];
      if (random() % 4 == 0 && v.x == 0) v.x = -0.0f;
      at[p].push_back(DWORD(c.vertices.size()));
      c.indices.push_back(DWORD(c.vertices.size()));
      c.vertices.push_back(v);
    }
  }
  return c;
}

TEST_F(EdgePairing, ExactPositionsOfSplitCornersMatchThePlainWeldAndPairing) {
  std::mt19937 random(31);
  for (int round = 0; round < 30; ++round) {
    const Case c = SplitCornerMesh(random, 4 + random() % 60, 10 + random() % 300);
    const std::vector<D3DXATTRIBUTERANGE> ranges = {{0, 0, DWORD(c.indices.size() / 3), 0, 0}};
    const std::vector<DWORD> expected =
        ReferencePairing(c.vertices, c.indices, ReferenceWeld(c, kNone), ranges, kNone);
    EXPECT_EQ(Pair(device, c, round % 2, Source::kExactPositions), expected) << "round " << round;
  }
}

}  // namespace
