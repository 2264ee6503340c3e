// timeGetTime: the monotonic clock in milliseconds, or a clock that steps by a fixed amount
// per presented frame (--step-ms) so that runs are deterministic.
#include <time.h>

#include "platform.h"

namespace win32 {
namespace {
int gStepMs = -1;
DWORD gSteppedNow = 0;
}  // namespace

void ResetClock(int stepMs, DWORD startMs) {
  gStepMs = stepMs;
  gSteppedNow = startMs;
}

void ClockFramePresented() {
  if (gStepMs >= 0) gSteppedNow += (DWORD)gStepMs;
}

}  // namespace win32

DWORD timeGetTime() {
  if (win32::gStepMs >= 0) return win32::gSteppedNow;
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (DWORD)((uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u);
}
