// Window classes and windows. Handles are small integers, never reused within a run.
#include <algorithm>
#include <cctype>
#include <map>

#include "platform.h"

namespace win32 {
namespace {

struct WindowClass {
  WNDCLASSA wc;
  std::string name;
};

std::map<std::string, WindowClass> gClasses;  // keyed by lower-case name
std::map<uintptr_t, std::unique_ptr<Window>> gWindows;
uintptr_t gNextHandle = 0x10;
ATOM gNextAtom = 0xC000;

std::string Lower(const char* s) {
  std::string r = s ? s : "";
  for (char& c : r) c = (char)std::tolower((unsigned char)c);
  return r;
}

}  // namespace

Window* FindWindow(HWND handle) {
  auto it = gWindows.find((uintptr_t)handle);
  return it == gWindows.end() ? nullptr : it->second.get();
}

Window* FindWindowByNative(void* native) {
  for (auto& [id, w] : gWindows)
    if (w->native == native) return w.get();
  return nullptr;
}

std::vector<HWND> AllWindows() {
  std::vector<HWND> handles;
  for (auto& [id, w] : gWindows) handles.push_back(w->handle);
  return handles;
}

Window* FirstWindow() { return gWindows.empty() ? nullptr : gWindows.begin()->second.get(); }

void ResetWindows() {
  for (auto& [id, w] : gWindows) CurrentBackend().destroyWindow(*w);
  gWindows.clear();
  gClasses.clear();
}

}  // namespace win32

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (!wc || !wc->lpszClassName || !*wc->lpszClassName || !wc->lpfnWndProc) return 0;
  std::string key = win32::Lower(wc->lpszClassName);
  if (win32::gClasses.count(key)) return 0;  // already registered
  win32::gClasses[key] = {*wc, wc->lpszClassName};
  return win32::gNextAtom++;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  return win32::gClasses.erase(win32::Lower(className)) ? TRUE : FALSE;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND, HMENU, HINSTANCE, LPVOID) {
  auto cls = win32::gClasses.find(win32::Lower(className));
  if (cls == win32::gClasses.end()) return nullptr;
  auto w = std::make_unique<win32::Window>();
  w->handle = (HWND)win32::gNextHandle++;
  w->proc = cls->second.wc.lpfnWndProc;
  w->titleUtf8 = SkyvaleAnsiToUtf8(windowName ? windowName : "");
  w->x = x == CW_USEDEFAULT ? 0 : x;
  w->y = y == CW_USEDEFAULT ? 0 : y;
  w->width = width == CW_USEDEFAULT ? 640 : std::max(width, 1);
  w->height = height == CW_USEDEFAULT ? 480 : std::max(height, 1);
  w->style = style;
  if (!win32::CurrentBackend().createWindow(*w)) return nullptr;
  HWND handle = w->handle;
  win32::gWindows[(uintptr_t)handle] = std::move(w);
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
    win32::gWindows.erase((uintptr_t)hwnd);
  }
  win32::DropQueuedMessages(hwnd);
  return TRUE;
}

HICON LoadIconA(HINSTANCE, LPCSTR) { return (HICON)(uintptr_t)1; }
HCURSOR LoadCursorA(HINSTANCE, LPCSTR) { return (HCURSOR)(uintptr_t)1; }
HGDIOBJ GetStockObject(int object) { return (HGDIOBJ)(uintptr_t)(0x100 + object); }
