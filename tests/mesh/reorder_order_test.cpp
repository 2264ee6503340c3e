// Face orders of the vertex-cache and strip reorderings against a plain reference of their rules:
// local adjacency, the face graph's buckets, the cache simulation, the run check with its pending
// branch, and the strip walk's choice of neighbour.
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <list>
#include <numeric>

#include "mesh_builders.h"
#include "mesh_fixture.h"

namespace {

using ReorderOrder = MeshTest;
constexpr DWORD kNone = 0xFFFFFFFF;

struct Span {
  DWORD first, count;
};

// The mesh as the reordering sees it: faces stably sorted by attribute, one span per attribute.
struct Sorted {
  std::vector<DWORD> toOld, fromOld;
  std::vector<Span> spans;
  std::vector<std::array<DWORD, 3>> corners;  // by sorted position
};

Sorted SortByAttribute(const GridData& g) {
  const DWORD faces = DWORD(g.attributes.size());
  Sorted s;
  s.toOld.resize(faces);
  std::iota(s.toOld.begin(), s.toOld.end(), 0u);
  std::stable_sort(s.toOld.begin(), s.toOld.end(),
                   [&](DWORD a, DWORD b) { return g.attributes[a] < g.attributes[b]; });
  s.fromOld.resize(faces);
  for (DWORD k = 0; k < faces; ++k) {
    s.fromOld[s.toOld[k]] = k;
    const DWORD o = s.toOld[k];
    s.corners.push_back({g.indices[3 * o], g.indices[3 * o + 1], g.indices[3 * o + 2]});
    if (k == 0 || g.attributes[o] != g.attributes[s.toOld[k - 1]]) s.spans.push_back({k, 0});
    ++s.spans.back().count;
  }
  return s;
}

// A neighbour counts only inside the same span, listed once, listing the face back, and sharing
// the edge with the opposite winding.
std::vector<DWORD> LocalLinks(const Sorted& s, const std::vector<DWORD>& adjacency) {
  std::vector<DWORD> links(3 * s.toOld.size(), kNone);
  for (const Span& span : s.spans) {
    for (DWORD k = span.first; k < span.first + span.count; ++k) {
      const DWORD o = s.toOld[k];
      for (int e = 0; e < 3; ++e) {
        const DWORD n = adjacency[3 * o + e];
        if (n >= s.toOld.size()) continue;
        const DWORD l = s.fromOld[n];
        if (l < span.first || l >= span.first + span.count) continue;
        if (adjacency[3 * o + (e + 1) % 3] == n || adjacency[3 * o + (e + 2) % 3] == n) continue;
        int j = -1;
        for (int i = 2; i >= 0; --i)
          if (adjacency[3 * n + i] == o) j = i;
        if (j < 0) continue;
        if (s.corners[k][e] != s.corners[l][(j + 1) % 3] || s.corners[k][(e + 1) % 3] != s.corners[l][j])
          continue;
        links[3 * k + e] = l;
      }
    }
  }
  return links;
}

// Free faces in four buckets by their count of free neighbours, newest at the front.
class Graph {
 public:
  explicit Graph(const std::vector<DWORD>& links)
      : links_(links), placed_(links.size() / 3), count_(placed_.size()) {}
  DWORD Link(DWORD f, int e) const { return links_[3 * f + e]; }
  bool Free(DWORD f) const { return f != kNone && !placed_[f]; }
  int Count(DWORD f) const { return count_[f]; }
  int Back(DWORD n, DWORD from) const {
    for (int j = 0; j < 3; ++j)
      if (Link(n, j) == from) return j;
    return 0;
  }
  void Start(Span span) {
    for (auto& b : buckets_) b.clear();
    for (DWORD f = span.first; f < span.first + span.count; ++f) {
      count_[f] = 0;
      for (int e = 0; e < 3; ++e) count_[f] += Free(Link(f, e));
      buckets_[count_[f]].push_front(f);
    }
  }
  DWORD NextStart() const {
    for (const auto& b : buckets_)
      if (!b.empty()) return b.front();
    return kNone;
  }
  void Use(DWORD f) {
    placed_[f] = true;
    buckets_[count_[f]].remove(f);
    for (int e = 0; e < 3; ++e) {
      const DWORD n = Link(f, e);
      if (!Free(n)) continue;
      buckets_[count_[n]].remove(n);
      buckets_[--count_[n]].push_front(n);
    }
  }

 private:
  const std::vector<DWORD>& links_;
  std::vector<bool> placed_;
  std::vector<int> count_;
  std::array<std::list<DWORD>, 4> buckets_;
};

struct Step {
  DWORD face = kNone;
  int edge = 0;
};

std::vector<DWORD> VertexCacheOrder(const Sorted& s, const std::vector<DWORD>& links, int cacheSize,
                                    int magic) {
  Graph graph(links);
  std::vector<DWORD> order;
  for (const Span& span : s.spans) {
    std::vector<DWORD> fifo(cacheSize, kNone);
    size_t insert = 0;
    auto access = [&](DWORD v) {
      if (std::find(fifo.begin(), fifo.end(), v) != fifo.end()) return 0;
      fifo[insert] = v;
      insert = (insert + 1) % fifo.size();
      return 1;
    };
    graph.Start(span);
    Step pending;
    long long misses = 0;
    for (DWORD start; (start = graph.NextStart()) != kNone;) {
      Step current{start, graph.Free(graph.Link(start, 0)) ? 1 : graph.Free(graph.Link(start, 1)) ? 2 : 0};
      bool check = true;
      for (;;) {
        if (check && pending.face != kNone) {
          // Next neighbours ahead; a closed fan would go round for ever, so at most the span.
          long long run = 1;
          for (Step walk = current; run <= span.count; ++run) {
            const DWORD n = graph.Link(walk.face, (walk.edge + 2) % 3);
            if (!graph.Free(n)) break;
            walk = {n, graph.Back(n, walk.face)};
          }
          if (run + misses - 1 > cacheSize - magic) {
            if (graph.Free(pending.face)) current = pending;
            pending = Step();
          }
        }
        graph.Use(current.face);
        order.push_back(current.face);
        for (DWORD v : s.corners[current.face]) misses += access(v);
        const DWORD next = graph.Link(current.face, (current.edge + 2) % 3);
        const DWORD alternative = graph.Link(current.face, (current.edge + 1) % 3);
        if (graph.Free(next)) {
          if (graph.Free(alternative) && pending.face == kNone) {
            pending = {alternative, graph.Back(alternative, current.face)};
            misses = 0;
          }
          current = {next, graph.Back(next, current.face)};
          check = false;
        } else if (graph.Free(alternative)) {
          current = {alternative, graph.Back(alternative, current.face)};
          check = true;
        } else {
          current = pending;
          pending = Step();
          if (!graph.Free(current.face)) break;
          check = false;
        }
      }
    }
  }
  return order;
}

std::vector<DWORD> StripOrder(const Sorted& s, const std::vector<DWORD>& links) {
  Graph graph(links);
  std::vector<DWORD> order;
  for (const Span& span : s.spans) {
    graph.Start(span);
    for (DWORD face; (face = graph.NextStart()) != kNone;) {
      while (face != kNone) {
        graph.Use(face);
        order.push_back(face);
        // Fewest free neighbours; then the smallest such count among its own free neighbours.
        DWORD best = kNone;
        std::pair<int, int> bestKey;
        for (int e = 0; e < 3; ++e) {
          const DWORD n = graph.Link(face, e);
          if (!graph.Free(n)) continue;
          int least = -1;
          for (int j = 0; j < 3; ++j) {
            const DWORD m = graph.Link(n, j);
            if (graph.Free(m) && (least < 0 || graph.Count(m) < least)) least = graph.Count(m);
          }
          const std::pair<int, int> key(graph.Count(n), std::max(least, 0));
          if (best == kNone || key < bestKey) best = n, bestKey = key;
        }
        face = best;
      }
    }
  }
  return order;
}

std::vector<DWORD> ToOld(const Sorted& s, const std::vector<DWORD>& order) {
  std::vector<DWORD> out;
  for (DWORD k : order) out.push_back(s.toOld[k]);
  return out;
}

// Test meshes: shuffled grids, with subsets, and with faces turned over under an adjacency that
// still claims their old neighbours.
struct Case {
  GridData grid;
  std::vector<DWORD> adjacency;  // empty: generated from the positions
};

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (int cells : {3, 6, 9}) {
    GridData g = MakeGrid(cells, false, false);
    ShuffleFaces(g, 11u + cells);
    cases.push_back({g, {}});
  }
  GridData subsets = MakeGrid(8, false, false);
  for (size_t f = 0; f < subsets.attributes.size(); ++f) subsets.attributes[f] = DWORD((f / 6) % 3);
  ShuffleFaces(subsets, 5);
  cases.push_back({subsets, {}});
  return cases;
}

void FlipSomeFaces(Case& c, ID3DXMesh* mesh) {
  c.adjacency.resize(c.grid.indices.size());
  mesh->GenerateAdjacency(0, c.adjacency.data());
  for (size_t f = 0; f < c.grid.attributes.size(); f += 5)
    std::swap(c.grid.indices[3 * f + 1], c.grid.indices[3 * f + 2]);
}

// Links the local adjacency must drop: a neighbour listed across two edges, and a neighbour
// that no longer lists the face back.
void DamageLinks(Case& c, ID3DXMesh* mesh) {
  c.adjacency.resize(c.grid.indices.size());
  mesh->GenerateAdjacency(0, c.adjacency.data());
  std::vector<DWORD>& a = c.adjacency;
  for (size_t f = 0; f < c.grid.attributes.size(); f += 4) {
    if (a[3 * f] != kNone) a[3 * f + 1] = a[3 * f];
    const size_t g = f + 2;
    if (g >= c.grid.attributes.size() || a[3 * g] == kNone) continue;
    for (int j = 0; j < 3; ++j)
      if (a[3 * a[3 * g] + j] == g) a[3 * a[3 * g] + j] = kNone;
  }
}

std::vector<DWORD> Optimised(RecordingDevice* device, const Case& c, DWORD flags,
                             std::vector<DWORD>* adjacency) {
  ID3DXMesh* mesh = MakeMesh(device, c.grid);
  EXPECT_NE(mesh, nullptr);
  if (!mesh) return {};
  const DWORD faces = mesh->GetNumFaces();
  adjacency->assign(3 * faces, kNone);
  if (c.adjacency.empty())
    mesh->GenerateAdjacency(0, adjacency->data());
  else
    *adjacency = c.adjacency;
  std::vector<DWORD> remap(faces);
  EXPECT_EQ(mesh->OptimizeInplace(flags, adjacency->data(), nullptr, remap.data(), nullptr), D3D_OK);
  EXPECT_EQ(mesh->Release(), 0u);
  return remap;
}

std::vector<Case> AllCases(RecordingDevice* device) {
  std::vector<Case> cases = Cases();
  Case flipped{MakeGrid(6, false, false), {}};
  ShuffleFaces(flipped.grid, 3);
  ID3DXMesh* mesh = MakeMesh(device, flipped.grid);
  FlipSomeFaces(flipped, mesh);
  mesh->Release();
  cases.push_back(flipped);
  Case damaged{MakeGrid(6, false, false), {}};
  ShuffleFaces(damaged.grid, 8);
  mesh = MakeMesh(device, damaged.grid);
  DamageLinks(damaged, mesh);
  mesh->Release();
  cases.push_back(damaged);
  return cases;
}

TEST_F(ReorderOrder, VertexCacheOrderFollowsTheRules) {
  struct Cache {
    DWORD size, magic;
  };
  for (Cache cache : {Cache{12, 7}, Cache{16, 8}, Cache{6, 3}, Cache{24, 20}}) {
    const D3DDEVINFO_VCACHE answer = {MAKEFOURCC('C', 'A', 'C', 'H'), 1, cache.size, cache.magic};
    device->cacheAnswer = &answer;
    d3dx::ForgetVertexCacheRecord();
    std::vector<Case> cases = AllCases(device);
    for (size_t i = 0; i < cases.size(); ++i) {
      std::vector<DWORD> adjacency;
      const std::vector<DWORD> got =
          Optimised(device, cases[i], D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_VERTEXCACHE, &adjacency);
      const Sorted s = SortByAttribute(cases[i].grid);
      const std::vector<DWORD> expected =
          ToOld(s, VertexCacheOrder(s, LocalLinks(s, adjacency), int(cache.size), int(cache.magic)));
      EXPECT_EQ(got, expected) << "case " << i << ", cache " << cache.size << "/" << cache.magic;
    }
  }
  device->cacheAnswer = nullptr;
}

TEST_F(ReorderOrder, StripOrderFollowsTheRules) {
  std::vector<Case> cases = AllCases(device);
  for (size_t i = 0; i < cases.size(); ++i) {
    std::vector<DWORD> adjacency;
    const std::vector<DWORD> got =
        Optimised(device, cases[i], D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_STRIPREORDER, &adjacency);
    const Sorted s = SortByAttribute(cases[i].grid);
    EXPECT_EQ(got, ToOld(s, StripOrder(s, LocalLinks(s, adjacency)))) << "case " << i;
  }
}

}  // namespace
