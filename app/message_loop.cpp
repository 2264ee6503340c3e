// The main loop: serve every pending message, draw a frame whenever the queue is empty.
#include "d3d_app.h"

namespace {

// The timer value at the previous frame, kept whole: a float would quantise frame steps once
// the uptime passes 2^24 ms, and the unsigned difference stays right across the 49.7-day wrap.
struct FrameClock {
  bool started = false;
  DWORD last = 0;

  float Step(DWORD now) {
    const DWORD elapsed = now - last;  // modulo 2^32
    last = now;
    return (float)(elapsed * 0.001);
  }
};

FrameClock frameClock;

}  // namespace

void ResetMessageLoop() { frameClock = FrameClock{}; }

int RunMessageLoop() {
  if (!frameClock.started) {  // set on the first entry only
    frameClock.started = true;
    frameClock.last = timeGetTime();
  }
  MSG msg{};
  while (msg.message != WM_QUIT) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    } else {
      RenderFrame(frameClock.Step(timeGetTime()));
    }
  }
  return (int)msg.wParam;
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      break;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) DestroyWindow(window);
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
