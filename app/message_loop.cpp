// The main loop: serve every pending message, draw a frame whenever the queue is empty.
#include "d3d_app.h"

int RunMessageLoop() {
  static float lastTime = (float)timeGetTime();  // set on the first entry only
  MSG msg{};
  while (msg.message != WM_QUIT) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    } else {
      DWORD now = timeGetTime();
      // `now` enters the subtraction exactly; only the result is rounded to float.
      float seconds = (float)(((double)now - (double)lastTime) * 0.001);
      RenderFrame(seconds);
      lastTime = (float)now;
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
