// Window classes and windows. Handles are small integers, never reused within a run.
#include <algorithm>
#include <map>

#include "platform.h"

namespace win32 {
namespace {

std::string Lower(const char* s) { return AsciiLower(s ? s : ""); }

}  // namespace

Window* FindWindow(HWND handle) {
  auto& windows = CurrentBackend().windows;
  auto it = windows.find((uintptr_t)handle);
  return it == windows.end() ? nullptr : it->second.get();
}

Window* FindWindowByNative(void* native) {
  for (auto& [id, w] : CurrentBackend().windows)
    if (w->native == native) return w.get();
  return nullptr;
}

std::vector<HWND> AllWindows() {
  std::vector<HWND> handles;
  for (auto& [id, w] : CurrentBackend().windows) handles.push_back(w->handle);
  return handles;
}

Window* FirstWindow() {
  auto& windows = CurrentBackend().windows;
  return windows.empty() ? nullptr : windows.begin()->second.get();
}

void DestroyAllWindows() {
  Backend& backend = CurrentBackend();
  for (auto& [id, w] : backend.windows) backend.destroyWindow(*w);
  backend.windows.clear();
  backend.classes.clear();
}

}  // namespace win32

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (!wc || !wc->lpszClassName || !*wc->lpszClassName || !wc->lpfnWndProc) return 0;
  win32::Backend& backend = win32::CurrentBackend();
  std::string key = win32::Lower(wc->lpszClassName);
  if (backend.classes.count(key)) return 0;  // already registered
  backend.classes[key] = {*wc, wc->lpszClassName};
  return backend.nextAtom++;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  return win32::CurrentBackend().classes.erase(win32::Lower(className)) ? TRUE : FALSE;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND, HMENU, HINSTANCE, LPVOID) {
  win32::Backend& backend = win32::CurrentBackend();
  auto cls = backend.classes.find(win32::Lower(className));
  if (cls == backend.classes.end()) return nullptr;
  auto w = std::make_unique<win32::Window>();
  w->handle = (HWND)backend.nextHandle++;
  w->proc = cls->second.wc.lpfnWndProc;
  w->titleUtf8 = SkyvaleAnsiToUtf8(windowName ? windowName : "");
  w->x = x == CW_USEDEFAULT ? 0 : x;
  w->y = y == CW_USEDEFAULT ? 0 : y;
  w->width = width == CW_USEDEFAULT ? 640 : std::max(width, 1);
  w->height = height == CW_USEDEFAULT ? 480 : std::max(height, 1);
  w->style = style;
  if (!backend.createWindow(*w)) return nullptr;
  HWND handle = w->handle;
  backend.windows[(uintptr_t)handle] = std::move(w);
  SendMessageA(handle, WM_CREATE, 0, 0);
  if (style & WS_VISIBLE) ShowWindow(handle, SW_SHOW);
  return handle;
}

BOOL ShowWindow(HWND hwnd, int cmdShow) {
  win32::Window* w = win32::FindWindow(hwnd);
  if (!w) return FALSE;
  BOOL wasVisible = w->visible;
  w->visible = cmdShow != SW_HIDE;
  win32::CurrentBackend().showWindow(*w, w->visible);
  return wasVisible;
}

BOOL UpdateWindow(HWND hwnd) { return win32::FindWindow(hwnd) ? TRUE : FALSE; }

BOOL IsWindow(HWND hwnd) { return win32::FindWindow(hwnd) ? TRUE : FALSE; }

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
  win32::Window* w = win32::FindWindow(hwnd);
  if (!w || !rect) return FALSE;
  *rect = {0, 0, w->width, w->height};
  return TRUE;
}

BOOL DestroyWindow(HWND hwnd) {
  win32::Window* w = win32::FindWindow(hwnd);
  if (!w || w->destroying) return FALSE;
  w->destroying = true;
  // The procedure sees WM_DESTROY while the window still exists, as on the platform.
  WNDPROC proc = w->proc;
  proc(hwnd, WM_DESTROY, 0, 0);
  proc(hwnd, WM_NCDESTROY, 0, 0);
  if ((w = win32::FindWindow(hwnd)) != nullptr) {
    win32::CurrentBackend().destroyWindow(*w);
    win32::CurrentBackend().windows.erase((uintptr_t)hwnd);
  }
  win32::DropQueuedMessages(hwnd);
  return TRUE;
}

HICON LoadIconA(HINSTANCE, LPCSTR) { return (HICON)(uintptr_t)1; }
HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return (HCURSOR)(uintptr_t)1; }
HGDIOBJ GetStockObject(int object) { return (HGDIOBJ)(uintptr_t)(0x100 + object); }
