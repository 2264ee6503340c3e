// Frame-rate figures of a run (--fps): frames shown, mean and 1%-low frame rate, CPU time per
// frame. Frame times go into a fixed logarithmic histogram, so a run of any length uses the same
// memory; each bucket also sums its exact times, so a steady rate reads back exactly.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace win32 {

class FrameStats {
 public:
  struct Summary {
    int frames = 0;
    bool timed = false;        // at least one interval of positive length
    double meanFps = 0;        // intervals / their total time
    double lowFps = 0;         // from the mean of the slowest 1% of intervals (at least one)
    double cpuMsPerFrame = 0;  // process CPU time (every thread) per interval
  };

  FrameStats();
  void reset();
  // One presented frame at clock time `now`, with the process CPU time `cpu` so far (seconds).
  void frame(double now, double cpu);
  Summary summary() const;
  // The four lines printed when the program ends.
  std::string report() const;

 private:
  static int bucketOf(double seconds);

  int frames_ = 0;
  double firstNow_ = 0, lastNow_ = 0, firstCpu_ = 0, lastCpu_ = 0;
  std::vector<uint32_t> counts_;
  std::vector<double> sums_;
};

}  // namespace win32
