// The tile scheduler: every item runs exactly once whoever owns it, and pictures do not depend on
// the number of threads when render targets switch back and forth and sample each other.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "../../platform/d3d9/pipeline/threads.h"
#include "pipeline_fixture.h"

using namespace pipetest;

namespace {

struct Tally {
  std::vector<std::atomic<int>> runs;
  std::atomic<unsigned> worstThread{0};
  explicit Tally(int n) : runs(size_t(n)) {}
  static void job(void* ctx, int item, unsigned thread) {
    Tally& t = *static_cast<Tally*>(ctx);
    t.runs[size_t(item)]++;
    unsigned w = t.worstThread.load();
    while (thread > w && !t.worstThread.compare_exchange_weak(w, thread)) {
    }
  }
};

}  // namespace

TEST(PipelineSchedule, EveryItemRunsOnceWhateverItsOwner) {
  std::mt19937 rng(7);
  swr::TilePool pool;
  for (int round = 0; round < 200; ++round) {
    int count = int(rng() % 300);
    unsigned workers = rng() % 4;
    std::vector<uint8_t> owner(static_cast<size_t>(count));
    for (auto& o : owner) o = uint8_t(round % 3 == 0 ? 255 : rng() % 6);  // some beyond the threads
    Tally t(count);
    pool.start(count, workers, Tally::job, &t, round % 5 == 0 ? nullptr : owner.data());
    if (round % 2) std::this_thread::yield();  // let the workers run ahead of the caller
    pool.finish();
    for (int i = 0; i < count; ++i)
      ASSERT_EQ(t.runs[size_t(i)].load(), 1) << "round " << round << " item " << i;
    EXPECT_LE(t.worstThread.load(), workers);
    EXPECT_FALSE(pool.running());
  }
}

// Two targets of different sizes drawn in turns, each pass sampling the other as it was left, with
// clears between: the same pictures from 1, 2, 3 and 16 threads.
TEST(PipelineSchedule, InterleavedTargetsGiveTheSamePictureOnAnyThreadCount) {
  std::vector<uint32_t> first[2];
  for (unsigned threads : {1u, 2u, 3u, 16u}) {
    Canvas a(200, 150, 0), b(128, 256, 0xFF102030);
    Texture viewA(1, 1, 1), viewB(1, 1, 1);
    viewA.src.levels[0] = {a.color.data(), 200, 150, 200};
    viewB.src.levels[0] = {b.color.data(), 128, 256, 128};
    swr::Pipeline p;
    p.setThreadCount(threads);
    uint32_t seed = 5;
    auto rnd = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (int pass = 0; pass < 8; ++pass) {
      Canvas& dst = pass % 2 ? b : a;
      Texture& src = pass % 2 ? viewA : viewB;
      swr::DrawState s = defaultState(dst.width, dst.height);
      s.renderState[D3DRS_LIGHTING] = FALSE;
      s.renderState[D3DRS_CULLMODE] = D3DCULL_NONE;
      s.renderState[D3DRS_ZENABLE] = pass % 3 != 0;
      s.renderState[D3DRS_ALPHABLENDENABLE] = pass % 4 == 1;
      s.renderState[D3DRS_SRCBLEND] = D3DBLEND_ONE;
      s.renderState[D3DRS_DESTBLEND] = D3DBLEND_ONE;
      src.src.version++;  // its texels changed since the last pass
      s.texture[0] = &src.src;
      if (pass % 3 == 2) p.clear(dst.targets(), s.viewport, 0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
      int draws = pass < 2 ? 4000 : 800;  // the first passes go to the pool in several pieces
      for (int i = 0; i < draws; ++i) {
        std::vector<TLVertex> v(3);
        float cx = float(rnd() % (dst.width + 40)) - 20, cy = float(rnd() % (dst.height + 40)) - 20;
        for (auto& x : v)
          x = {cx + float(rnd() % 48) - 24,  cy + float(rnd() % 48) - 24, float(rnd() % 1000) / 1000.0f, 1,
               uint32_t(rnd()) | 0x40000000, float(rnd() % 100) / 50.0f,  float(rnd() % 100) / 50.0f};
        drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 1, v, dst);
      }
    }
    p.flush();
    if (threads == 1) {
      first[0] = a.color, first[1] = b.color;
    } else {
      EXPECT_TRUE(a.color == first[0]) << threads << " threads";
      EXPECT_TRUE(b.color == first[1]) << threads << " threads";
    }
  }
}

namespace {

// The profile stays empty while off, and while on counts the work it was given: rasterisation
// grows with the pixels drawn, and no phase exceeds the whole draw time it is part of.
TEST(PipelineProfile, CountsOnlyWhileOnAndGrowsWithTheWork) {
  swr::DrawState s = defaultState(256, 256);
  s.renderState[D3DRS_LIGHTING] = FALSE;
  s.renderState[D3DRS_ZENABLE] = FALSE;
  diffuseOnly(s);
  touch(s);
  Canvas c(256, 256);
  swr::Pipeline p;
  p.setThreadCount(1);
  auto drawQuads = [&](int count, float size) {
    for (int i = 0; i < count; ++i)
      drawUP(p, s, kTLFvf, D3DPT_TRIANGLELIST, 2, rect(0, 0, size, size, 0xFF336699), c);
  };
  drawQuads(64, 256);
  swr::PipelineProfile off = p.profile();
  EXPECT_EQ(off.drawNs + off.vertexNs + off.setupNs + off.rasterNs, 0u);

  p.setProfiling(true);
  drawQuads(64, 8);
  swr::PipelineProfile small = p.profile();
  p.setProfiling(true);  // starts again from zero
  drawQuads(64, 256);
  swr::PipelineProfile large = p.profile();
  EXPECT_GT(large.rasterNs, small.rasterNs);
  EXPECT_GT(large.drawNs, 0u);
  EXPECT_LE(large.vertexNs + large.setupNs, large.drawNs);

  p.setProfiling(false);
  drawQuads(16, 256);
  swr::PipelineProfile after = p.profile();
  EXPECT_EQ(after.drawNs + after.rasterNs, 0u);
}

}  // namespace
