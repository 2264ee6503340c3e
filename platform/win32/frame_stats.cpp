#include "frame_stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace win32 {
namespace {

// Buckets 1% wide from 10 µs up; the first and last take everything beyond.
constexpr double kFirstBucket = 1e-5;
constexpr double kBucketRatio = 1.01;
constexpr int kBuckets = 1800;  // up to about 600 s

}  // namespace

FrameStats::FrameStats() : counts_(kBuckets), sums_(kBuckets) {}

void FrameStats::reset() {
  frames_ = 0;
  firstNow_ = lastNow_ = firstCpu_ = lastCpu_ = 0;
  std::fill(counts_.begin(), counts_.end(), 0u);
  std::fill(sums_.begin(), sums_.end(), 0.0);
}

int FrameStats::bucketOf(double seconds) {
  if (!(seconds > kFirstBucket)) return 0;
  double b = std::floor(std::log(seconds / kFirstBucket) / std::log(kBucketRatio));
  return int(std::min(b, double(kBuckets - 1)));
}

void FrameStats::frame(double now, double cpu) {
  if (frames_ == 0) {
    firstNow_ = now, firstCpu_ = cpu;
  } else {
    double interval = std::max(0.0, now - lastNow_);
    int b = bucketOf(interval);
    ++counts_[size_t(b)];
    sums_[size_t(b)] += interval;
  }
  lastNow_ = now, lastCpu_ = cpu;
  ++frames_;
}

FrameStats::Summary FrameStats::summary() const {
  Summary s;
  s.frames = frames_;
  const int intervals = frames_ - 1;
  const double elapsed = lastNow_ - firstNow_;
  if (intervals < 1 || !(elapsed > 0)) return s;
  s.timed = true;
  s.meanFps = intervals / elapsed;
  s.cpuMsPerFrame = std::max(0.0, lastCpu_ - firstCpu_) * 1e3 / intervals;
  // The slowest 1% of intervals, from the top bucket down; a partly taken bucket gives its mean.
  int want = std::max(1, (intervals + 99) / 100), taken = 0;
  double time = 0;
  for (int b = kBuckets - 1; b >= 0 && taken < want; --b) {
    uint32_t n = counts_[size_t(b)];
    if (n == 0) continue;
    int use = std::min<int>(int(n), want - taken);
    time += sums_[size_t(b)] * use / n;
    taken += use;
  }
  s.lowFps = time > 0 ? taken / time : 0;
  return s;
}

std::string FrameStats::report() const {
  Summary s = summary();
  char text[256];
  if (!s.timed) {
    std::snprintf(
        text, sizeof text,
        "Frames shown: %d\nMean frame rate: n/a\n1%% low frame rate: n/a\nCPU time per frame: n/a\n",
        s.frames);
  } else {
    std::snprintf(text, sizeof text,
                  "Frames shown: %d\nMean frame rate: %.2f fps\n1%% low frame rate: %.2f fps\n"
                  "CPU time per frame: %.3f ms\n",
                  s.frames, s.meanFps, s.lowFps, s.cpuMsPerFrame);
  }
  return text;
}

}  // namespace win32
