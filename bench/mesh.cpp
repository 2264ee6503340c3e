// Mesh adjacency and optimisation on shuffled grids, with the average cache miss ratio before and
// after, beside meshoptimizer's vertex-cache optimiser on the same index data; X-file loading of
// the largest text sample and the binary cube beside assimp's importer on the same files.
#include <benchmark/benchmark.h>
#include <d3dx9.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "skyvale_host.h"

#ifdef SKYVALE_HAVE_MESHOPTIMIZER
#include <meshoptimizer.h>
#endif
#ifdef SKYVALE_HAVE_ASSIMP
#include <assimp/scene.h>
#include <assimp/Importer.hpp>
#endif

namespace {

constexpr DWORD kFlags = D3DXMESHOPT_ATTRSORT | D3DXMESHOPT_COMPACT | D3DXMESHOPT_VERTEXCACHE;
constexpr size_t kCacheSize = 16;  // the software device's post-transform cache

struct Vertex {
  float x, y, z;
};

struct Grid {
  std::vector<Vertex> vertices;
  std::vector<DWORD> indices;
};

// cells x cells quads on shared vertices, faces in random order.
Grid ShuffledGrid(int cells) {
  Grid g;
  const int side = cells + 1;
  for (int z = 0; z < side; ++z)
    for (int x = 0; x < side; ++x) g.vertices.push_back({float(x), 0, float(z)});
  std::vector<std::array<DWORD, 3>> faces;
  for (int z = 0; z < cells; ++z) {
    for (int x = 0; x < cells; ++x) {
      DWORD a = z * side + x, b = (z + 1) * side + x, c = a + 1, d = b + 1;
      faces.push_back({a, b, c});
      faces.push_back({c, b, d});
    }
  }
  std::mt19937 random(12345);
  std::shuffle(faces.begin(), faces.end(), random);
  for (const auto& f : faces) g.indices.insert(g.indices.end(), f.begin(), f.end());
  return g;
}

// The same grid with four vertices of its own per quad, faces in random order: adjacency has to
// weld the corners that meet before it can pair edges.
Grid ShuffledSeparateQuads(int cells) {
  Grid g;
  std::vector<std::array<DWORD, 3>> faces;
  for (int z = 0; z < cells; ++z) {
    for (int x = 0; x < cells; ++x) {
      const DWORD a = DWORD(g.vertices.size()), b = a + 1, c = a + 2, d = a + 3;
      g.vertices.insert(g.vertices.end(), {{float(x), 0, float(z)},
                                           {float(x), 0, float(z + 1)},
                                           {float(x + 1), 0, float(z)},
                                           {float(x + 1), 0, float(z + 1)}});
      faces.push_back({a, b, c});
      faces.push_back({c, b, d});
    }
  }
  std::mt19937 random(54321);
  std::shuffle(faces.begin(), faces.end(), random);
  for (const auto& f : faces) g.indices.insert(g.indices.end(), f.begin(), f.end());
  return g;
}

double MissRatio(const DWORD* indices, size_t count) {
  std::vector<DWORD> fifo(kCacheSize, 0xFFFFFFFF);
  size_t insert = 0, misses = 0;
  for (size_t i = 0; i < count; ++i) {
    if (std::find(fifo.begin(), fifo.end(), indices[i]) != fifo.end()) continue;
    fifo[insert] = indices[i];
    insert = (insert + 1) % kCacheSize;
    ++misses;
  }
  return double(misses) / double(count / 3);
}

IDirect3DDevice9* gDevice = nullptr;

void Refill(ID3DXMesh* mesh, const Grid& g) {
  void* data;
  mesh->LockVertexBuffer(0, &data);
  std::memcpy(data, g.vertices.data(), g.vertices.size() * sizeof(Vertex));
  mesh->UnlockVertexBuffer();
  mesh->LockIndexBuffer(0, &data);
  std::memcpy(data, g.indices.data(), g.indices.size() * sizeof(DWORD));
  mesh->UnlockIndexBuffer();
  DWORD* attributes;
  mesh->LockAttributeBuffer(0, &attributes);
  std::fill(attributes, attributes + mesh->GetNumFaces(), 0);
  mesh->UnlockAttributeBuffer();
}

ID3DXMesh* Build(const Grid& g) {
  ID3DXMesh* mesh = nullptr;
  if (FAILED(D3DXCreateMeshFVF(DWORD(g.indices.size() / 3), DWORD(g.vertices.size()),
                               D3DXMESH_32BIT | D3DXMESH_MANAGED, D3DFVF_XYZ, gDevice, &mesh)))
    return nullptr;
  Refill(mesh, g);
  return mesh;
}

const Grid& GridOf(int cells) {
  static Grid small = ShuffledGrid(64), large = ShuffledGrid(256);
  return cells == 64 ? small : large;
}

void TimeGenerateAdjacency(benchmark::State& state, const Grid& g) {
  ID3DXMesh* mesh = Build(g);
  std::vector<DWORD> adjacency(g.indices.size());
  for (auto _ : state) {
    mesh->GenerateAdjacency(0.0f, adjacency.data());
    benchmark::DoNotOptimize(adjacency.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(g.indices.size() / 3));
  mesh->Release();
}

void BM_GenerateAdjacency(benchmark::State& state) {
  TimeGenerateAdjacency(state, GridOf(int(state.range(0))));
}

void BM_GenerateAdjacencySeparateQuads(benchmark::State& state) {
  TimeGenerateAdjacency(state, ShuffledSeparateQuads(int(state.range(0))));
}

// Pairing alone, from representatives given (every vertex its own, as read from a file).
void BM_ConvertPointRepsToAdjacency(benchmark::State& state) {
  const Grid& g = GridOf(int(state.range(0)));
  ID3DXMesh* mesh = Build(g);
  std::vector<DWORD> adjacency(g.indices.size()), reps(g.vertices.size());
  for (DWORD v = 0; v < reps.size(); ++v) reps[v] = v;
  for (auto _ : state) {
    mesh->ConvertPointRepsToAdjacency(reps.data(), adjacency.data());
    benchmark::DoNotOptimize(adjacency.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(g.indices.size() / 3));
  mesh->Release();
}

// The plain way to pair the edges of a mesh whose shared corners share indices: a hash map from
// each directed edge to its face, matched against the edge walked the other way.
void PlainEdgePairing(const std::vector<DWORD>& indices, std::vector<DWORD>& adjacency) {
  const size_t faces = indices.size() / 3;
  std::unordered_map<uint64_t, DWORD> open;
  open.reserve(indices.size());
  std::fill(adjacency.begin(), adjacency.end(), 0xFFFFFFFF);
  for (size_t f = 0; f < faces; ++f) {
    for (int e = 0; e < 3; ++e) {
      const uint64_t a = indices[3 * f + e], b = indices[3 * f + (e + 1) % 3];
      auto other = open.find(b << 32 | a);
      if (other != open.end()) {
        adjacency[3 * f + e] = other->second / 3;
        adjacency[other->second] = DWORD(f);
        open.erase(other);
      } else {
        open.emplace(a << 32 | b, DWORD(3 * f + e));
      }
    }
  }
}

void BM_PlainHashMapEdgePairing(benchmark::State& state) {
  const Grid& g = GridOf(int(state.range(0)));
  std::vector<DWORD> adjacency(g.indices.size()), ours(g.indices.size());
  for (auto _ : state) {
    PlainEdgePairing(g.indices, adjacency);
    benchmark::DoNotOptimize(adjacency.data());
  }
  // The library must find the same neighbours on this grid.
  ID3DXMesh* mesh = Build(g);
  mesh->GenerateAdjacency(0.0f, ours.data());
  mesh->Release();
  if (ours != adjacency) state.SkipWithError("GenerateAdjacency differs from the plain pairing");
  state.SetItemsProcessed(state.iterations() * int64_t(g.indices.size() / 3));
}

void BM_OptimizeInplace(benchmark::State& state) {
  const Grid& g = GridOf(int(state.range(0)));
  ID3DXMesh* mesh = Build(g);
  std::vector<DWORD> adjacency(g.indices.size());
  mesh->GenerateAdjacency(0.0f, adjacency.data());
  for (auto _ : state) {
    state.PauseTiming();
    Refill(mesh, g);
    state.ResumeTiming();
    if (FAILED(mesh->OptimizeInplace(kFlags, adjacency.data(), nullptr, nullptr, nullptr)))
      state.SkipWithError("OptimizeInplace failed");
  }
  void* data;
  mesh->LockIndexBuffer(D3DLOCK_READONLY, &data);
  state.counters["acmr_before"] = MissRatio(g.indices.data(), g.indices.size());
  state.counters["acmr_after"] = MissRatio(static_cast<const DWORD*>(data), g.indices.size());
  mesh->UnlockIndexBuffer();
  state.SetItemsProcessed(state.iterations() * int64_t(g.indices.size() / 3));
  mesh->Release();
}

#ifdef SKYVALE_HAVE_MESHOPTIMIZER
void BM_MeshoptOptimizeVertexCache(benchmark::State& state) {
  const Grid& g = GridOf(int(state.range(0)));
  std::vector<unsigned int> out(g.indices.size());
  for (auto _ : state) {
    meshopt_optimizeVertexCache(out.data(), g.indices.data(), g.indices.size(), g.vertices.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["acmr_before"] = MissRatio(g.indices.data(), g.indices.size());
  state.counters["acmr_after"] = MissRatio(out.data(), out.size());
  state.SetItemsProcessed(state.iterations() * int64_t(g.indices.size() / 3));
}
BENCHMARK(BM_MeshoptOptimizeVertexCache)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);
#endif

// The hostile case an X file can hand us: 65 534 faces on one edge, alternately wound, their third
// corners spread around it, so every face has dozens of differently aligned candidates.
void BM_GenerateAdjacencyOneEdge(benchmark::State& state) {
  constexpr DWORD kFaces = 65534;
  Grid g;
  g.vertices = {{0, 0, 0}, {0, 0, 1}};
  std::mt19937 random(5);
  for (DWORD f = 0; f < kFaces; ++f) {
    const double angle = 2 * 3.14159265358979 * double(random() % (1 << 20)) / (1 << 20);
    g.vertices.push_back({float(std::cos(angle)), float(std::sin(angle)), 0.5f});
    g.indices.insert(g.indices.end(), {f % 2, 1 - f % 2, f + 2});
  }
  ID3DXMesh* mesh = Build(g);
  std::vector<DWORD> adjacency(g.indices.size());
  for (auto _ : state) {
    mesh->GenerateAdjacency(0.0f, adjacency.data());
    benchmark::DoNotOptimize(adjacency.data());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kFaces));
  mesh->Release();
}

BENCHMARK(BM_GenerateAdjacency)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenerateAdjacencyOneEdge)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GenerateAdjacencySeparateQuads)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertPointRepsToAdjacency)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainHashMapEdgePairing)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OptimizeInplace)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond);

// The X files both loaders read: the largest text sample and the binary cube.
const char* const kXFiles[] = {"anim_test.x", "test_cube_binary.x"};
std::string XFilePath(int64_t index) {
  return std::string(SKYVALE_TESTDATA_DIR) + "/xfile/assimp/" + kXFiles[index];
}

void BM_LoadMeshFromX(benchmark::State& state) {
  const std::string path = XFilePath(state.range(0));
  state.SetLabel(kXFiles[state.range(0)]);
  for (auto _ : state) {
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer *adjacency = nullptr, *materials = nullptr;
    DWORD count = 0;
    if (FAILED(D3DXLoadMeshFromXA(path.c_str(), D3DXMESH_MANAGED, gDevice, &adjacency, &materials, nullptr,
                                  &count, &mesh))) {
      state.SkipWithError("D3DXLoadMeshFromXA failed");
      break;
    }
    mesh->Release();
    adjacency->Release();
    materials->Release();
  }
}
BENCHMARK(BM_LoadMeshFromX)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

#ifdef SKYVALE_HAVE_ASSIMP
// Reads the file with no post-processing steps, as close to our load as its importer comes.
void BM_AssimpReadFile(benchmark::State& state) {
  const std::string path = XFilePath(state.range(0));
  state.SetLabel(kXFiles[state.range(0)]);
  Assimp::Importer importer;
  for (auto _ : state) {
    if (!importer.ReadFile(path, 0)) {
      state.SkipWithError(importer.GetErrorString());
      break;
    }
    importer.FreeScene();
  }
}
BENCHMARK(BM_AssimpReadFile)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);
#endif

// The figures of one optimisation per grid, ours and meshoptimizer's, side by side.
void PrintMissRatios() {
  std::printf("average cache miss ratio (misses per triangle, FIFO of %zu)\n", kCacheSize);
  std::printf("%-10s %10s %10s %14s\n", "grid", "shuffled", "ours", "meshoptimizer");
  for (int cells : {64, 256}) {
    const Grid& g = GridOf(cells);
    ID3DXMesh* mesh = Build(g);
    std::vector<DWORD> adjacency(g.indices.size());
    mesh->GenerateAdjacency(0.0f, adjacency.data());
    mesh->OptimizeInplace(kFlags, adjacency.data(), nullptr, nullptr, nullptr);
    void* data;
    mesh->LockIndexBuffer(D3DLOCK_READONLY, &data);
    double ours = MissRatio(static_cast<const DWORD*>(data), g.indices.size());
    mesh->UnlockIndexBuffer();
    mesh->Release();
    double theirs = -1;
#ifdef SKYVALE_HAVE_MESHOPTIMIZER
    std::vector<unsigned int> out(g.indices.size());
    meshopt_optimizeVertexCache(out.data(), g.indices.data(), g.indices.size(), g.vertices.size());
    theirs = MissRatio(out.data(), out.size());
#endif
    std::string name = std::to_string(cells) + "x" + std::to_string(cells);
    std::printf("%-10s %10.3f %10.3f %14.3f\n", name.c_str(), MissRatio(g.indices.data(), g.indices.size()),
                ours, theirs);
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  SkyvaleOptions options;
  options.headless = true;
  std::string error;
  if (!SkyvaleStartPlatform(options, error)) {
    std::fprintf(stderr, "platform: %s\n", error.c_str());
    return 1;
  }
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "MeshBench";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, "MeshBench", "", 0, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS pp{};
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.BackBufferWidth = 64;
  pp.BackBufferHeight = 64;
  pp.hDeviceWindow = window;
  if (!d3d || FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                       D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &gDevice))) {
    std::fprintf(stderr, "no device\n");
    return 1;
  }
  PrintMissRatios();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  gDevice->Release();
  d3d->Release();
  DestroyWindow(window);
  SkyvaleStopPlatform();
  return 0;
}
