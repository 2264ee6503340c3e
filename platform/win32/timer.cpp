// timeGetTime: the monotonic clock in milliseconds, or a clock that steps by a fixed amount
// per presented frame (--step-ms) so that runs are deterministic.
#include <time.h>

#include "platform.h"

namespace win32 {

void ClockFramePresented() {
  Backend& backend = CurrentBackend();
  if (backend.stepMs >= 0) backend.steppedNow += (DWORD)backend.stepMs;
}

}  // namespace win32

DWORD timeGetTime() {
  const win32::Backend& backend = win32::CurrentBackend();
  if (backend.stepMs >= 0) return backend.steppedNow;
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (DWORD)((uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u);
}
