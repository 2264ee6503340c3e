// Key states for GetAsyncKeyState and the scripted keyboard of --keys.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <vector>

#include "platform.h"

namespace win32 {
namespace {

int VirtualKeyFromName(std::string name) {
  for (char& c : name) c = (char)std::toupper((unsigned char)c);
  if (name.size() == 1 && (std::isdigit((unsigned char)name[0]) || std::isupper((unsigned char)name[0])))
    return name[0];
  if (name == "UP") return VK_UP;
  if (name == "DOWN") return VK_DOWN;
  if (name == "LEFT") return VK_LEFT;
  if (name == "RIGHT") return VK_RIGHT;
  if (name == "ESC" || name == "ESCAPE") return VK_ESCAPE;
  if (name == "SPACE") return VK_SPACE;
  return -1;
}

bool ParseFrame(const std::string& text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (!std::isdigit((unsigned char)c)) return false;
  value = std::atoi(text.c_str());
  return true;
}

}  // namespace

void KeyEvent(int vk, bool down, bool repeat) {
  if (vk < 0 || vk > 255) return;
  Backend& backend = CurrentBackend();
  backend.keyDown[vk] = down;
  if (down) backend.keyPressedSinceQuery[vk] = true;
  if (Window* w = FirstWindow()) {
    // lParam: repeat count 1, bit 30 = previously down, bit 31 = being released.
    LPARAM lp = 1 | (repeat || !down ? (1L << 30) : 0) | (down ? 0 : (LPARAM)1u << 31);
    PostToQueue(w->handle, down ? WM_KEYDOWN : WM_KEYUP, (WPARAM)vk, lp);
  }
}

bool SetKeyScript(const std::string& script, std::string& error) {
  std::vector<ScriptEvent>& events = CurrentBackend().keyScript;
  events.clear();
  CurrentBackend().nextScriptEvent = 0;
  // Comma-separated items; an empty item (",," or a trailing comma) is an error.
  for (size_t start = 0; !script.empty();) {
    size_t end = std::min(script.find(',', start), script.size());
    std::string item = script.substr(start, end - start);
    size_t at = item.find('@');
    int vk = at == std::string::npos ? -1 : VirtualKeyFromName(item.substr(0, at));
    if (vk < 0) {
      error = "bad key in --keys: '" + item + "'";
      return false;
    }
    std::string range = item.substr(at + 1);
    size_t dash = range.find('-');
    int from = 0, to = 0;
    bool ok = dash == std::string::npos ? ParseFrame(range, from) && (to = from + 1, true)
                                        : ParseFrame(range.substr(0, dash), from) &&
                                              ParseFrame(range.substr(dash + 1), to) && to > from;
    if (!ok) {
      error = "bad frame range in --keys: '" + item + "'";
      return false;
    }
    events.push_back({from, vk, true});
    events.push_back({to, vk, false});
    if (end == script.size()) break;
    start = end + 1;
  }
  // Releases before presses within a frame, so "W@0-5,W@5-9" re-presses W at frame 5.
  std::stable_sort(events.begin(), events.end(), [](const ScriptEvent& a, const ScriptEvent& b) {
    return a.frame != b.frame ? a.frame < b.frame : (!a.down && b.down);
  });
  return true;
}

void PumpKeyScript() {
  Backend& backend = CurrentBackend();
  const int frame = backend.presented;
  while (backend.nextScriptEvent < backend.keyScript.size() &&
         backend.keyScript[backend.nextScriptEvent].frame <= frame) {
    const ScriptEvent e = backend.keyScript[backend.nextScriptEvent++];
    KeyEvent(e.vk, e.down);
  }
}

}  // namespace win32

SHORT GetAsyncKeyState(int vKey) {
  if (vKey < 0 || vKey > 255) return 0;
  win32::Backend& backend = win32::CurrentBackend();
  SHORT result = (SHORT)((backend.keyDown[vKey] ? 0x8000 : 0) | (backend.keyPressedSinceQuery[vKey] ? 1 : 0));
  backend.keyPressedSinceQuery[vKey] = false;
  return result;
}
