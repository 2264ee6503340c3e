// timeGetTime: the monotonic clock in milliseconds, or a clock that steps by a fixed amount
// per presented frame (--step-ms) so that runs are deterministic.
#include <time.h>

#include "platform.h"

namespace win32 {
namespace {
int gStepMs = -1;
DWORD gSteppedNow = 0;
}  // namespace

void ResetClock(int stepMs) {
  gStepMs = stepMs;
  gSteppedNow = 0;
}

void ClockFramePresented() {
  if (gStepMs >= 0) gSteppedNow += (DWORD)gStepMs;
}

double ClockSeconds() {
  if (gStepMs >= 0) return gSteppedNow * 1e-3;
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

double ProcessCpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

}  // namespace win32

DWORD timeGetTime() {
  if (win32::gStepMs >= 0) return win32::gSteppedNow;
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (DWORD)((uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u);
}
