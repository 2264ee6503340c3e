// The demo's own frame, measured: the program's Setup and RenderFrame in-process on the headless
// backend (no capture, no pacing) while the camera walks and turns, in each display mode, on one
// and on two pipeline threads. The stereo split runs the frame with its parts taken away in turn
// (text, the composite quads) and reads the pipeline's profile for the scene passes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "../platform/d3d9/device.h"
#include "d3d_app.h"
#include "skyvale_host.h"

namespace {

constexpr float kFrameSeconds = 1.0f / 60;  // the same walk whatever the speed

double processCpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

enum class Mode { Plain, Stereo, LeftOnly, RightOnly };
const char* const kModeNames[] = {"plain", "stereo", "left only", "right only"};

// The program from WinMain's first steps to a finished Setup, once for every benchmark.
struct Demo {
  bool ok = false;
  Demo() {
    if (chdir(SKYVALE_SOURCE_DIR "/assets") != 0) return;
    SkyvaleOptions o;
    o.headless = true;
    o.keys = "W@0-999999999,RIGHT@0-999999999";  // a walk on a circle of radius 4
    std::string error;
    if (!SkyvaleStartPlatform(o, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return;
    }
    static int instance;
    if (!InitD3D((HINSTANCE)&instance, 640, 480, true, D3DDEVTYPE_HAL, &gDevice)) return;
    ok = Setup();
  }
  ~Demo() {
    if (gDevice) {
      Shutdown();
      gDevice->Release();
      gDevice = nullptr;
    }
    SkyvaleStopPlatform();
  }
  swr::Pipeline& pipeline() { return static_cast<d3d9rt::Device*>(gDevice)->pipeline(); }

  static void setMode(Mode m) {
    gStereo = m != Mode::Plain;
    gShowLeftEye = m != Mode::RightOnly;
    gShowRightEye = m != Mode::LeftOnly;
  }
  // One pass of the main loop: the queued messages (scripted keys), then a frame.
  static void frame() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    RenderFrame(kFrameSeconds);
  }
};

Demo& demo() {
  static Demo d;
  return d;
}

void BM_DemoFrame(benchmark::State& st) {
  Demo& d = demo();
  if (!d.ok) return st.SkipWithError("the demo's set-up failed");
  Demo::setMode(Mode(st.range(0)));
  st.SetLabel(kModeNames[st.range(0)]);
  d.pipeline().setThreadCount(unsigned(st.range(1)));
  for (int i = 0; i < 10; ++i) Demo::frame();  // textures resolved, scratch memory grown
  uint64_t frames = 0, draws0 = d.pipeline().drawCount();
  double cpu0 = processCpuSeconds();
  for (auto _ : st) {
    Demo::frame();
    ++frames;
  }
  double cpu = processCpuSeconds() - cpu0;
  st.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
  st.counters["cpu_ms/frame"] = cpu * 1e3 / double(frames);
  st.counters["draws/frame"] = double(d.pipeline().drawCount() - draws0) / double(frames);
  d.pipeline().setThreadCount(2);
}
void ModesAndThreads(benchmark::internal::Benchmark* b) {
  b->ArgNames({"mode", "threads"});
  for (int m = 0; m < 4; ++m)
    for (int t : {1, 2}) b->Args({m, t});
}
BENCHMARK(BM_DemoFrame)->Apply(ModesAndThreads)->UseRealTime()->Unit(benchmark::kMillisecond);

// The stereo frame's CPU time split, in ms per frame: text and composite from frames without
// them; vertex work, setup and binning and rasterisation from the pipeline's profile of the
// remaining frame; per-draw overhead is the rest of it (device and library calls, state
// resolution, index gathering, flushes).
void BM_StereoSplit(benchmark::State& st) {
  Demo& d = demo();
  if (!d.ok) return st.SkipWithError("the demo's set-up failed");
  swr::Pipeline& p = d.pipeline();
  p.setThreadCount(unsigned(st.range(0)));
  // The variants take turns in short runs, and each part is the median over the rounds of what
  // it took within a round: a change in the machine's load falls on the variants of a round
  // alike, and a round it hit hard does not move the median. The profile comes from runs of its
  // own, since its clock reads cost CPU time of their own.
  enum Variant { Full, NoText, SceneOnly, Profiled };
  const int rounds = 41, frames = 6;
  std::vector<double> cpu[4], vertex, setup, raster;  // ms per frame, one entry per round
  auto run = [&](Variant v) {
    Demo::setMode(Mode::Stereo);
    if (v == SceneOnly || v == Profiled) gShowLeftEye = gShowRightEye = false;
    ID3DXFont* font = gFont;
    if (v != Full) gFont = nullptr;
    Demo::frame();  // the first frame of a variant settles its state changes
    if (v == Profiled) p.setProfiling(true);
    double cpu0 = processCpuSeconds();
    for (int i = 0; i < frames; ++i) Demo::frame();
    if (v == Profiled) {
      const swr::PipelineProfile r = p.profile();
      auto ms = [&](uint64_t ns) { return double(ns) * 1e-6 / frames; };
      vertex.push_back(ms(r.vertexNs)), setup.push_back(ms(r.setupNs)), raster.push_back(ms(r.rasterNs));
    }
    cpu[v].push_back((processCpuSeconds() - cpu0) * 1e3 / frames);
    if (v == Profiled) p.setProfiling(false);
    gFont = font;
  };
  auto median = [](std::vector<double> x) {
    std::nth_element(x.begin(), x.begin() + ptrdiff_t(x.size() / 2), x.end());
    return x[x.size() / 2];
  };
  auto perRound = [&](auto part) {
    std::vector<double> x(rounds);
    for (size_t i = 0; i < x.size(); ++i) x[i] = part(i);
    return median(x);
  };
  for (auto _ : st) {
    for (int r = 0; r < rounds; ++r)
      for (Variant v : {Full, NoText, SceneOnly, Profiled}) run(v);
    st.counters["total_ms"] = median(cpu[Full]);
    st.counters["text_ms"] = perRound([&](size_t i) { return cpu[Full][i] - cpu[NoText][i]; });
    st.counters["composite_ms"] = perRound([&](size_t i) { return cpu[NoText][i] - cpu[SceneOnly][i]; });
    st.counters["vertex_ms"] = median(vertex);
    st.counters["setup_bin_ms"] = median(setup);
    st.counters["raster_ms"] = median(raster);
    st.counters["per_draw_ms"] =
        perRound([&](size_t i) { return cpu[SceneOnly][i] - vertex[i] - setup[i] - raster[i]; });
  }
  Demo::setMode(Mode::Plain);
  p.setThreadCount(2);
}
BENCHMARK(BM_StereoSplit)->ArgName("threads")->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
