// The SDL2 window system: real windows, keyboard events turned into Win32 messages, frames
// blitted to the window surface (no GPU needed).
#include <SDL.h>

#include "platform.h"

namespace win32 {
namespace {

int VirtualKey(SDL_Keycode k) {
  if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
  if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
  switch (k) {
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_UP:
      return VK_UP;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_RETURN:
      return VK_RETURN;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return VK_CONTROL;
    default:
      return -1;
  }
}

class SdlBackend final : public Backend {
 public:
  ~SdlBackend() override { SDL_QuitSubSystem(SDL_INIT_VIDEO); }
  const char* name() const override { return "sdl"; }

  bool createWindow(Window& w) override {
    SDL_Window* sw = SDL_CreateWindow(w.titleUtf8.c_str(), w.x, w.y, w.width, w.height, SDL_WINDOW_HIDDEN);
    w.native = sw;
    return sw != nullptr;
  }
  void showWindow(Window& w, bool show) override {
    if (show)
      SDL_ShowWindow((SDL_Window*)w.native);
    else
      SDL_HideWindow((SDL_Window*)w.native);
  }
  void destroyWindow(Window& w) override {
    if (w.native) SDL_DestroyWindow((SDL_Window*)w.native);
    w.native = nullptr;
  }

  void pumpEvents() override {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      switch (e.type) {
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
          int vk = VirtualKey(e.key.keysym.sym);
          if (vk >= 0) KeyEvent(vk, e.type == SDL_KEYDOWN, e.key.repeat != 0);
          break;
        }
        case SDL_WINDOWEVENT:
          if (e.window.event == SDL_WINDOWEVENT_CLOSE)
            if (Window* w = FindWindowByNative(SDL_GetWindowFromID(e.window.windowID)))
              PostToQueue(w->handle, WM_CLOSE, 0, 0);
          break;
        case SDL_QUIT:
          // An interrupt or a session ending: ask every window to close, as a close request would.
          for (HWND h : AllWindows()) PostToQueue(h, WM_CLOSE, 0, 0);
          break;
        default:
          break;
      }
    }
  }

  void present(Window* w, const uint32_t* pixels, int width, int height, int pitch) override {
    if (!w || !w->native) return;
    SDL_Window* sw = (SDL_Window*)w->native;
    SDL_Surface* target = SDL_GetWindowSurface(sw);
    SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(pixels), width, height, 32,
                                                          pitch, SDL_PIXELFORMAT_RGB888);
    if (target && src) {
      if (src->w == target->w && src->h == target->h)
        SDL_BlitSurface(src, nullptr, target, nullptr);
      else
        SDL_BlitScaled(src, nullptr, target, nullptr);
      SDL_UpdateWindowSurface(sw);
    }
    if (src) SDL_FreeSurface(src);
  }

  bool messageBox(Window* owner, const std::string& text, const std::string& caption) override {
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(),
                                    owner ? (SDL_Window*)owner->native : nullptr) == 0;
  }
};

}  // namespace

std::unique_ptr<Backend> MakeSdlBackend() {
  // Plain window surfaces: an accelerated one would make SDL recreate the window under a new
  // native handle when the first frame is shown.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  return std::make_unique<SdlBackend>();
}

}  // namespace win32
