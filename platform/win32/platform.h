// Internal state of the Win32 layer shared by its files: windows, the message queue, key
// states, the clock and the window backend.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "skyvale_host.h"

namespace win32 {

struct Window {
  HWND handle = nullptr;
  WNDPROC proc = nullptr;
  std::string titleUtf8;
  int x = 0, y = 0, width = 0, height = 0;
  DWORD style = 0;
  bool visible = false;
  bool destroying = false;
  void* native = nullptr;  // the backend's window object
};

// One window system behind the Win32 calls: SDL2 when a display exists, headless otherwise.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* name() const = 0;
  virtual bool createWindow(Window& window) = 0;
  virtual void showWindow(Window& window, bool show) = 0;
  virtual void destroyWindow(Window& window) = 0;
  // Turns pending native events into key states and posted messages.
  virtual void pumpEvents() = 0;
  virtual void present(Window* window, const uint32_t* pixels, int width, int height, int pitchBytes) = 0;
  // Shows a blocking message box; returns false when it could not be shown.
  virtual bool messageBox(Window* owner, const std::string& text, const std::string& caption) = 0;
};

std::unique_ptr<Backend> MakeSdlBackend();  // nullptr when no display can be opened
std::unique_ptr<Backend> MakeHeadlessBackend();

Backend& CurrentBackend();
const SkyvaleOptions& CurrentOptions();
Window* FindWindow(HWND handle);
Window* FirstWindow();
std::vector<HWND> AllWindows();
Window* FindWindowByNative(void* native);
void ResetWindows();

void PostToQueue(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void DropQueuedMessages(HWND hwnd);
void ResetQueue();

// A key went down or up: updates GetAsyncKeyState and posts WM_KEYDOWN/WM_KEYUP to the first
// window. `repeat` marks auto-repeated key-down events.
void KeyEvent(int vk, bool down, bool repeat = false);
void ResetKeys();
// Fires the scripted key events due at the current presented-frame count.
void PumpKeyScript();
bool SetKeyScript(const std::string& script, std::string& error);

void ResetClock(int stepMs);
void ClockFramePresented();
// The clock timeGetTime reads, in seconds at full resolution (the stepped one when stepping).
double ClockSeconds();
// CPU time of every thread of the process so far.
double ProcessCpuSeconds();

}  // namespace win32
