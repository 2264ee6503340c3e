// The thread's message queue: posted messages in FIFO order, WM_QUIT included, so the quit
// message is retrieved after every message queued before it.
#include <deque>

#include "platform.h"

namespace win32 {
namespace {

bool Matches(const MSG& m, HWND hwnd, UINT lo, UINT hi) {
  if (m.message != WM_QUIT && hwnd && m.hwnd != hwnd) return false;
  if (lo == 0 && hi == 0) return true;
  return m.message >= lo && m.message <= hi;
}
}  // namespace

void PostToQueue(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG m{};
  m.hwnd = hwnd;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = timeGetTime();
  CurrentBackend().queue.push_back(m);
}

void DropQueuedMessages(HWND hwnd) {
  std::erase_if(CurrentBackend().queue,
                [hwnd](const MSG& m) { return m.hwnd == hwnd && m.message != WM_QUIT; });
}

}  // namespace win32

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
  win32::PumpKeyScript();
  win32::CurrentBackend().pumpEvents();
  std::deque<MSG>& queue = win32::CurrentBackend().queue;
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    if (!win32::Matches(*it, hwnd, filterMin, filterMax)) continue;
    if (msg) *msg = *it;
    if (removeMsg & PM_REMOVE) queue.erase(it);
    return TRUE;
  }
  return FALSE;
}

BOOL TranslateMessage(const MSG* msg) {
  return msg && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN);
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg) return 0;
  win32::Window* w = win32::FindWindow(msg->hwnd);
  if (!w || !w->proc) return 0;
  return w->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  win32::Window* w = win32::FindWindow(hwnd);
  return w && w->proc ? w->proc(hwnd, message, wParam, lParam) : 0;
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hwnd && !win32::FindWindow(hwnd)) return FALSE;
  win32::PostToQueue(hwnd, message, wParam, lParam);
  return TRUE;
}

void PostQuitMessage(int exitCode) { win32::PostToQueue(nullptr, WM_QUIT, (WPARAM)exitCode, 0); }

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE) DestroyWindow(hwnd);
  return 0;
}
