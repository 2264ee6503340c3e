// Math routines per call: the reference version, the version the dispatch table installs on this
// processor, and the same operation written with GLM, in one run.
#define GLM_FORCE_INTRINSICS
#include <benchmark/benchmark.h>
#include <d3dx9.h>

#include <cstring>
#include <glm/glm.hpp>
#include <random>
#include <vector>

#include "../d3dx/math/dispatch.h"

namespace {

constexpr int kInputs = 256;    // inputs cycled per call, so nothing is hoisted
constexpr UINT kPoints = 4096;  // points per array call

struct Inputs {
  std::vector<D3DXMATRIX> m;
  std::vector<glm::mat4> g;
  std::vector<D3DXVECTOR3> v3;
  std::vector<glm::vec3> gv3;
  std::vector<D3DXVECTOR4> v4;
  std::vector<glm::vec4> gv4;
  Inputs() {
    std::mt19937 gen(7);
    std::uniform_real_distribution<float> u(-1, 1);
    for (int i = 0; i < kInputs; ++i) {
      D3DXMATRIX a;
      D3DXQUATERNION q(u(gen), u(gen), u(gen), 1);
      D3DXQuaternionNormalize(&q, &q);
      D3DXMatrixRotationQuaternion(&a, &q);
      a._41 = u(gen), a._42 = u(gen), a._43 = u(gen);
      a._14 = 0.01f * u(gen), a._44 = 1.5f;
      m.push_back(a);
      glm::mat4 gm;
      std::memcpy(&gm, &a, sizeof a);  // the same bytes: our row vectors are its columns
      g.push_back(gm);
    }
    for (UINT i = 0; i < kPoints; ++i) {
      v3.emplace_back(u(gen) * 10, u(gen) * 10, u(gen) * 10);
      gv3.emplace_back(v3.back().x, v3.back().y, v3.back().z);
      v4.emplace_back(u(gen), u(gen), u(gen), 1);
      gv4.emplace_back(v4.back().x, v4.back().y, v4.back().z, v4.back().w);
    }
  }
};

const Inputs& In() {
  static const Inputs in;
  return in;
}

// Each benchmark runs with the table in the given state: "Reference" calls the reference
// versions, "Installed" the public entry after detection.
void Installed() { D3DXCpuOptimizations(TRUE); }

void BM_MatrixMultiply_Reference(benchmark::State& s) {
  const auto& in = In();
  D3DXMATRIX out;
  int i = 0;
  for (auto _ : s) {
    mathref::MatrixMultiply(&out, &in.m[i & 255], &in.m[(i + 1) & 255]);
    benchmark::DoNotOptimize(out);
    ++i;
  }
}
void BM_MatrixMultiply_Installed(benchmark::State& s) {
  Installed();
  const auto& in = In();
  D3DXMATRIX out;
  int i = 0;
  for (auto _ : s) {
    D3DXMatrixMultiply(&out, &in.m[i & 255], &in.m[(i + 1) & 255]);
    benchmark::DoNotOptimize(out);
    ++i;
  }
}
void BM_MatrixMultiply_Glm(benchmark::State& s) {
  const auto& in = In();
  glm::mat4 out;
  int i = 0;
  for (auto _ : s) {
    out = in.g[(i + 1) & 255] * in.g[i & 255];  // column form of A * B
    benchmark::DoNotOptimize(out);
    ++i;
  }
}

void BM_MatrixInverse_Reference(benchmark::State& s) {
  const auto& in = In();
  D3DXMATRIX out;
  int i = 0;
  for (auto _ : s) {
    benchmark::DoNotOptimize(mathref::MatrixInverse(&out, nullptr, &in.m[i & 255]));
    benchmark::DoNotOptimize(out);
    ++i;
  }
}
void BM_MatrixInverse_Installed(benchmark::State& s) {
  Installed();
  const auto& in = In();
  D3DXMATRIX out;
  int i = 0;
  for (auto _ : s) {
    benchmark::DoNotOptimize(D3DXMatrixInverse(&out, nullptr, &in.m[i & 255]));
    benchmark::DoNotOptimize(out);
    ++i;
  }
}
void BM_MatrixInverse_Glm(benchmark::State& s) {
  const auto& in = In();
  glm::mat4 out;
  int i = 0;
  for (auto _ : s) {
    out = glm::inverse(in.g[i & 255]);
    benchmark::DoNotOptimize(out);
    ++i;
  }
}

void BM_Vec3Normalize_Reference(benchmark::State& s) {
  const auto& in = In();
  D3DXVECTOR3 out;
  int i = 0;
  for (auto _ : s) {
    mathref::Vec3Normalize(&out, &in.v3[i & 255]);
    benchmark::DoNotOptimize(out);
    ++i;
  }
}
void BM_Vec3Normalize_Installed(benchmark::State& s) {
  Installed();
  const auto& in = In();
  D3DXVECTOR3 out;
  int i = 0;
  for (auto _ : s) {
    D3DXVec3Normalize(&out, &in.v3[i & 255]);
    benchmark::DoNotOptimize(out);
    ++i;
  }
}
void BM_Vec3Normalize_Glm(benchmark::State& s) {
  const auto& in = In();
  glm::vec3 out;
  int i = 0;
  for (auto _ : s) {
    out = glm::normalize(in.gv3[i & 255]);
    benchmark::DoNotOptimize(out);
    ++i;
  }
}

void BM_Vec3TransformCoord_Reference(benchmark::State& s) {
  const auto& in = In();
  D3DXVECTOR3 out;
  int i = 0;
  for (auto _ : s) {
    mathref::Vec3TransformCoord(&out, &in.v3[i & 255], &in.m[(i >> 8) & 255]);
    benchmark::DoNotOptimize(out);
    ++i;
  }
}
void BM_Vec3TransformCoord_Installed(benchmark::State& s) {
  Installed();
  const auto& in = In();
  D3DXVECTOR3 out;
  int i = 0;
  for (auto _ : s) {
    D3DXVec3TransformCoord(&out, &in.v3[i & 255], &in.m[(i >> 8) & 255]);
    benchmark::DoNotOptimize(out);
    ++i;
  }
}
void BM_Vec3TransformCoord_Glm(benchmark::State& s) {
  const auto& in = In();
  glm::vec3 out;
  int i = 0;
  for (auto _ : s) {
    const glm::vec4 r = in.g[(i >> 8) & 255] * glm::vec4(in.gv3[i & 255], 1.0f);
    out = glm::vec3(r) / r.w;
    benchmark::DoNotOptimize(out);
    ++i;
  }
}

// Array benchmarks report the time per point as "per_point".
void PerPoint(benchmark::State& s) {
  s.counters["per_point"] = benchmark::Counter(
      (double)kPoints, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Vec3TransformCoordArray_Reference(benchmark::State& s) {
  const auto& in = In();
  std::vector<D3DXVECTOR3> out(kPoints);
  for (auto _ : s) {
    mathref::Vec3TransformCoordArray(out.data(), 12, in.v3.data(), 12, &in.m[3], kPoints);
    benchmark::ClobberMemory();
  }
  PerPoint(s);
}
void BM_Vec3TransformCoordArray_Installed(benchmark::State& s) {
  Installed();
  const auto& in = In();
  std::vector<D3DXVECTOR3> out(kPoints);
  for (auto _ : s) {
    D3DXVec3TransformCoordArray(out.data(), 12, in.v3.data(), 12, &in.m[3], kPoints);
    benchmark::ClobberMemory();
  }
  PerPoint(s);
}
void BM_Vec3TransformCoordArray_Glm(benchmark::State& s) {
  const auto& in = In();
  std::vector<glm::vec3> out(kPoints);
  const glm::mat4 m = in.g[3];
  for (auto _ : s) {
    for (UINT i = 0; i < kPoints; ++i) {
      const glm::vec4 r = m * glm::vec4(in.gv3[i], 1.0f);
      out[i] = glm::vec3(r) / r.w;
    }
    benchmark::ClobberMemory();
  }
  PerPoint(s);
}

void BM_Vec4TransformArray_Reference(benchmark::State& s) {
  const auto& in = In();
  std::vector<D3DXVECTOR4> out(kPoints);
  for (auto _ : s) {
    mathref::Vec4TransformArray(out.data(), 16, in.v4.data(), 16, &in.m[3], kPoints);
    benchmark::ClobberMemory();
  }
  PerPoint(s);
}
void BM_Vec4TransformArray_Installed(benchmark::State& s) {
  Installed();
  const auto& in = In();
  std::vector<D3DXVECTOR4> out(kPoints);
  for (auto _ : s) {
    D3DXVec4TransformArray(out.data(), 16, in.v4.data(), 16, &in.m[3], kPoints);
    benchmark::ClobberMemory();
  }
  PerPoint(s);
}
void BM_Vec4TransformArray_Glm(benchmark::State& s) {
  const auto& in = In();
  std::vector<glm::vec4> out(kPoints);
  const glm::mat4 m = in.g[3];
  for (auto _ : s) {
    for (UINT i = 0; i < kPoints; ++i) out[i] = m * in.gv4[i];
    benchmark::ClobberMemory();
  }
  PerPoint(s);
}

}  // namespace

BENCHMARK(BM_MatrixMultiply_Reference);
BENCHMARK(BM_MatrixMultiply_Installed);
BENCHMARK(BM_MatrixMultiply_Glm);
BENCHMARK(BM_MatrixInverse_Reference);
BENCHMARK(BM_MatrixInverse_Installed);
BENCHMARK(BM_MatrixInverse_Glm);
BENCHMARK(BM_Vec3Normalize_Reference);
BENCHMARK(BM_Vec3Normalize_Installed);
BENCHMARK(BM_Vec3Normalize_Glm);
BENCHMARK(BM_Vec3TransformCoord_Reference);
BENCHMARK(BM_Vec3TransformCoord_Installed);
BENCHMARK(BM_Vec3TransformCoord_Glm);
BENCHMARK(BM_Vec3TransformCoordArray_Reference);
BENCHMARK(BM_Vec3TransformCoordArray_Installed);
BENCHMARK(BM_Vec3TransformCoordArray_Glm);
BENCHMARK(BM_Vec4TransformArray_Reference);
BENCHMARK(BM_Vec4TransformArray_Installed);
BENCHMARK(BM_Vec4TransformArray_Glm);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::AddCustomContext("math level", std::to_string(D3DXCpuOptimizations(TRUE)));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
