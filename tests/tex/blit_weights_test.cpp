// The per-axis weight tables of the linear and triangle filters.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "../../d3dx/tex/filter_weights.h"

using namespace d3dx;

namespace {

// weights[d][s]: how much source s gives destination d.
using Matrix = std::vector<std::vector<double>>;

Matrix TriangleMatrix(UINT src, UINT dst, bool wrap) {
  TriangleWeights w;
  EXPECT_TRUE(w.Build(src, dst, wrap));
  Matrix m(dst, std::vector<double>(src, 0.0));
  for (UINT s = 0; s < src; ++s)
    for (const auto* p = w.Begin(s); p != w.End(s); ++p) {
      EXPECT_LT(p->index, dst);
      if (p->index < dst) m[p->index][s] += p->weight;
    }
  return m;
}

// The tent of every source pixel (peak 1 at its centre, 0 at the neighbouring centres) averaged
// over each destination pixel by plain numerical integration. Without wrapping the first and
// last tents stay at 1 out to the edges; with wrapping the tents continue periodically.
Matrix ReferenceTriangle(UINT src, UINT dst, bool wrap) {
  Matrix m(dst, std::vector<double>(src, 0.0));
  const int steps = 4000;
  for (UINT d = 0; d < dst; ++d)
    for (int k = 0; k < steps; ++k) {
      const double t = (d + (k + 0.5) / steps) * src / dst;  // source position
      for (UINT s = 0; s < src; ++s) {
        double dist = std::fabs(t - (s + 0.5));
        if (wrap)
          dist = std::fmin(dist, std::fmin(std::fabs(t - (s + 0.5) + src), std::fabs(t - (s + 0.5) - src)));
        double tent = std::fmax(0.0, 1.0 - dist);
        if (!wrap && ((s == 0 && t < 0.5) || (s == src - 1 && t > src - 0.5))) tent = 1.0;
        m[d][s] += tent / steps;
      }
    }
  return m;
}

TEST(LinearTaps, TwoToFourWrapsWithoutMirrorAndRepeatsTheEdgeWithIt) {
  auto wrap = BuildLinearTaps(2, 4, true);
  ASSERT_TRUE(wrap);
  // Pixel 0 mixes a quarter of pixel 1 (the far edge) into three quarters of pixel 0.
  EXPECT_EQ(wrap[0].first, 1u);
  EXPECT_EQ(wrap[0].second, 0u);
  EXPECT_FLOAT_EQ(wrap[0].firstWeight, 0.25f);
  EXPECT_FLOAT_EQ(wrap[0].secondWeight, 0.75f);
  EXPECT_EQ(wrap[3].first, 1u);
  EXPECT_EQ(wrap[3].second, 0u);
  EXPECT_FLOAT_EQ(wrap[3].firstWeight, 0.75f);

  auto mirror = BuildLinearTaps(2, 4, false);
  EXPECT_EQ(mirror[0].first, 0u);
  EXPECT_EQ(mirror[0].second, 0u);
  EXPECT_EQ(mirror[3].first, 1u);
  EXPECT_EQ(mirror[3].second, 1u);
  // Inner pixels are the same either way.
  for (UINT i = 1; i < 3; ++i) {
    EXPECT_EQ(wrap[i].first, mirror[i].first);
    EXPECT_EQ(wrap[i].second, mirror[i].second);
    EXPECT_FLOAT_EQ(wrap[i].firstWeight, mirror[i].firstWeight);
  }
  EXPECT_EQ(mirror[1].first, 0u);
  EXPECT_EQ(mirror[1].second, 1u);
  EXPECT_FLOAT_EQ(mirror[1].firstWeight, 0.75f);
}

TEST(LinearTaps, WeightsSumToOneAndIndicesStayInside) {
  for (UINT src : {1u, 2u, 3u, 7u, 64u, 300u})
    for (UINT dst : {1u, 2u, 5u, 13u, 128u, 301u})
      for (bool wrap : {true, false}) {
        auto taps = BuildLinearTaps(src, dst, wrap);
        for (UINT i = 0; i < dst; ++i) {
          EXPECT_LT(taps[i].first, src);
          EXPECT_LT(taps[i].second, src);
          EXPECT_NEAR(taps[i].firstWeight + taps[i].secondWeight, 1.0f, 1e-6f);
          EXPECT_GE(taps[i].firstWeight, 0.0f);
          EXPECT_GE(taps[i].secondWeight, 0.0f);
        }
      }
}

TEST(TriangleWeights, TwoToFiveWithMirror) {
  const Matrix m = TriangleMatrix(2, 5, false);
  const double expected[5][2] = {{1, 0}, {0.8875, 0.1125}, {0.5, 0.5}, {0.1125, 0.8875}, {0, 1}};
  for (int d = 0; d < 5; ++d)
    for (int s = 0; s < 2; ++s) EXPECT_NEAR(m[d][s], expected[d][s], 1e-5) << d << " " << s;
}

TEST(TriangleWeights, TwoToFiveWithoutMirrorWrapsTheEnds) {
  const Matrix m = TriangleMatrix(2, 5, true);
  EXPECT_NEAR(m[0][0], 0.7, 1e-5);
  EXPECT_NEAR(m[0][1], 0.3, 1e-5);
  EXPECT_NEAR(m[4][0], 0.3, 1e-5);
  EXPECT_NEAR(m[4][1], 0.7, 1e-5);
  EXPECT_NEAR(m[2][0], 0.5, 1e-5);
}

TEST(TriangleWeights, EveryDestinationReceivesWeightOneWhetherShrinkingOrGrowing) {
  const UINT sizes[][2] = {{5, 2}, {4, 2}, {1024, 300}, {300, 128}, {3, 7}, {1, 4}, {4, 1}, {100, 50}};
  for (const auto& s : sizes)
    for (bool wrap : {true, false}) {
      const Matrix m = TriangleMatrix(s[0], s[1], wrap);
      for (UINT d = 0; d < s[1]; ++d) {
        double sum = 0;
        for (double w : m[d]) sum += w;
        EXPECT_NEAR(sum, 1.0, 1e-4) << s[0] << "->" << s[1] << " wrap " << wrap << " dest " << d;
      }
    }
}

TEST(TriangleWeights, MatchTheIntegratedTent) {
  const UINT sizes[][2] = {{5, 2}, {7, 3}, {2, 5}, {3, 8}, {6, 6}};
  for (const auto& s : sizes)
    for (bool wrap : {true, false}) {
      const Matrix got = TriangleMatrix(s[0], s[1], wrap), want = ReferenceTriangle(s[0], s[1], wrap);
      for (UINT d = 0; d < s[1]; ++d)
        for (UINT i = 0; i < s[0]; ++i)
          EXPECT_NEAR(got[d][i], want[d][i], 2e-3)
              << s[0] << "->" << s[1] << " wrap " << wrap << " d" << d << " s" << i;
    }
}

}  // namespace

TEST(TriangleGather, HoldsEachDestinationsPairsInTheOrderOfTheSourceWalk) {
  // Growing and shrinking, with and without wrapping; 1 -> 7 wrapped meets destination indices
  // twice for one source index, apart.
  const UINT sizes[][2] = {{1, 7}, {2, 4096}, {3, 8}, {9, 4}, {300, 7}, {5, 5}, {64, 63}};
  for (const auto& s : sizes)
    for (bool wrap : {true, false}) {
      TriangleWeights scatter;
      TriangleGather gather;
      ASSERT_TRUE(scatter.Build(s[0], s[1], wrap));
      ASSERT_TRUE(gather.Build(scatter));
      std::vector<std::vector<std::pair<UINT, float>>> want(s[1]);
      for (UINT src = 0; src < s[0]; ++src)
        for (const auto* p = scatter.Begin(src); p != scatter.End(src); ++p)
          want[p->index].push_back({src, p->weight});
      ASSERT_EQ(gather.DestSize(), s[1]);
      for (UINT d = 0; d < s[1]; ++d) {
        std::vector<std::pair<UINT, float>> got;
        for (const auto* p = gather.Begin(d); p != gather.End(d); ++p) got.push_back({p->index, p->weight});
        EXPECT_EQ(got, want[d]) << s[0] << " -> " << s[1] << (wrap ? " wrapped" : "") << ", destination "
                                << d;
      }
    }
}
