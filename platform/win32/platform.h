// Internal state of the Win32 layer shared by its files: windows, the message queue, key
// states, the clock and the window backend.
#pragma once
#include <windows.h>

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "frame_stats.h"
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

struct WindowClass {
  WNDCLASSA wc;
  std::string name;
};

struct ScriptEvent {
  int frame;
  int vk;
  bool down;
};

// One window system behind the Win32 calls: SDL2 when a display exists, headless otherwise.
// The backend object also holds everything the run keeps (windows, queue, keys, clock, frames):
// starting the platform makes a fresh backend, so nothing else needs resetting.
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

  SkyvaleOptions options;

  std::map<std::string, WindowClass> classes;  // keyed by lower-case name
  std::map<uintptr_t, std::unique_ptr<Window>> windows;
  uintptr_t nextHandle = 0x10;
  ATOM nextAtom = 0xC000;

  std::deque<MSG> queue;  // posted messages, FIFO, WM_QUIT included

  std::array<bool, 256> keyDown{};
  std::array<bool, 256> keyPressedSinceQuery{};
  std::vector<ScriptEvent> keyScript;
  size_t nextScriptEvent = 0;

  int stepMs = -1;  // the stepped clock of --step-ms; negative: the real clock
  DWORD steppedNow = 0;

  int presented = 0;
  std::vector<uint8_t> lastFrame;  // 0xAARRGGBB words, rows packed
  int lastWidth = 0, lastHeight = 0;
  FrameStats frameStats;  // --fps
};

std::unique_ptr<Backend> MakeSdlBackend();  // nullptr when no display can be opened
std::unique_ptr<Backend> MakeHeadlessBackend();

Backend& CurrentBackend();
const SkyvaleOptions& CurrentOptions();
Window* FindWindow(HWND handle);
Window* FirstWindow();
std::vector<HWND> AllWindows();
Window* FindWindowByNative(void* native);
// Destroys every window (before the backend that made them goes).
void DestroyAllWindows();

void PostToQueue(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void DropQueuedMessages(HWND hwnd);

// A key went down or up: updates GetAsyncKeyState and posts WM_KEYDOWN/WM_KEYUP to the first
// window. `repeat` marks auto-repeated key-down events.
void KeyEvent(int vk, bool down, bool repeat = false);
// Fires the scripted key events due at the current presented-frame count.
void PumpKeyScript();
bool SetKeyScript(const std::string& script, std::string& error);

void ClockFramePresented();
// The clock timeGetTime reads, in seconds at full resolution (the stepped one when stepping).
double ClockSeconds();
// CPU time of every thread of the process so far.
double ProcessCpuSeconds();

// ASCII lower case: registry paths and value names, class names and module names.
std::string AsciiLower(std::string text);

}  // namespace win32
