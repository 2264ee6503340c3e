// The host: platform options, the choice of window backend, presentation, frame captures and
// the --frames limit.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "frame_stats.h"
#include "platform.h"

namespace win32 {
namespace {

// The one backend of the run; everything the platform keeps lives in it.
std::unique_ptr<Backend> gBackend;

bool MakeDirectories(const std::string& path) {
  std::string partial;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      if (!partial.empty() && mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    if (i < path.size()) partial += path[i];
  }
  return true;
}

// The resident set size from /proc/self/statm (0 where it cannot be read).
unsigned long long ResidentKiB() {
  unsigned long long size = 0, resident = 0;
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  if (std::fscanf(f, "%llu %llu", &size, &resident) != 2) resident = 0;
  std::fclose(f);
  return resident * (unsigned long long)sysconf(_SC_PAGESIZE) / 1024;
}

}  // namespace

Backend& CurrentBackend() {
  if (!gBackend) gBackend = MakeHeadlessBackend();  // tests may use the layer without starting it
  return *gBackend;
}

const SkyvaleOptions& CurrentOptions() { return CurrentBackend().options; }

std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return text;
}

}  // namespace win32

using namespace win32;

const char* SkyvaleUsage() {
  return "Usage: skyvale [options]\n"
         "  --headless            no window (the default when no display is available)\n"
         "  --frames N            quit after N presented frames\n"
         "  --step-ms MS          the clock advances exactly MS per presented frame\n"
         "  --clock-start MS      the stepped clock's first value (0 to 4294967295)\n"
         "  --keys SCRIPT         scripted keyboard: KEY@A-B (held from frame A to B) or KEY@A,\n"
         "                        comma-separated; KEY: 1 2 3 4 W S A D R F N M UP DOWN LEFT RIGHT ESC\n"
         "  --capture FILE.png    write the last presented frame when the program ends\n"
         "  --capture-dir DIR     with --capture-every N: write every Nth frame as DIR/frame-NNNNN.png\n"
         "  --capture-every N\n"
         "  --memory-every N      print the resident memory after every Nth presented frame\n"
         "  --fps                 print the frames shown, mean and 1%-low frame rate and CPU time\n"
         "                        per frame when the program ends\n"
         "  --help                show this text\n";
}

bool SkyvaleParseOptions(int argc, char** argv, SkyvaleOptions& o, std::string& rest, std::string& error) {
  auto number = [&](const std::string& name, const char* text, int& out) {
    char* end = nullptr;
    errno = 0;
    long v = text ? std::strtol(text, &end, 10) : -1;
    if (!text || !*text || *end || errno || v < 0 || v > 1000000000) {
      error = name + " needs a non-negative whole number";
      return false;
    }
    out = (int)v;
    return true;
  };
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool inlineValue = false;
    if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
      value = arg.substr(arg.find('=') + 1);
      arg = arg.substr(0, arg.find('='));
      inlineValue = true;
    }
    auto next = [&]() -> const char* {
      if (inlineValue) return value.c_str();
      return i + 1 < argc ? argv[++i] : nullptr;
    };
    if (arg == "--headless") {
      o.headless = true;
    } else if (arg == "--fps") {
      o.fps = true;
    } else if (arg == "--frames") {
      if (!number(arg, next(), o.frames)) return false;
    } else if (arg == "--step-ms") {
      if (!number(arg, next(), o.stepMs)) return false;
    } else if (arg == "--clock-start") {
      const char* text = next();
      char* end = nullptr;
      errno = 0;
      unsigned long long v = text && *text && *text != '-' ? std::strtoull(text, &end, 10) : 0;
      if (!text || !*text || *text == '-' || *end || errno || v > 0xFFFFFFFFull) {
        error = arg + " needs a whole number from 0 to 4294967295";
        return false;
      }
      o.clockStartMs = (DWORD)v;
    } else if (arg == "--capture-every") {
      if (!number(arg, next(), o.captureEvery)) return false;
    } else if (arg == "--memory-every") {
      if (!number(arg, next(), o.memoryEvery)) return false;
    } else if (arg == "--keys" || arg == "--capture" || arg == "--capture-dir") {
      const char* v = next();
      if (!v || !*v) {
        error = arg + " needs a value";
        return false;
      }
      (arg == "--keys" ? o.keys : arg == "--capture" ? o.capture : o.captureDir) = v;
    } else {
      if (!rest.empty()) rest += ' ';
      rest += argv[i];
    }
  }
  if (!o.captureDir.empty() && o.captureEvery <= 0) {
    error = "--capture-dir needs --capture-every N with N > 0";
    return false;
  }
  return true;
}

bool SkyvaleStartPlatform(const SkyvaleOptions& options, std::string& error) {
  if (gBackend) DestroyAllWindows();
  gBackend.reset();
  bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
  if (!options.headless && display) {
    gBackend = MakeSdlBackend();
    if (!gBackend) std::fprintf(stderr, "No display could be opened; running headless.\n");
  }
  if (!gBackend) gBackend = MakeHeadlessBackend();
  Backend& backend = *gBackend;
  backend.options = options;
  backend.options.headless = backend.name() == std::string("headless");
  backend.stepMs = options.stepMs;
  backend.steppedNow = options.clockStartMs;
  if (!options.captureDir.empty() && !MakeDirectories(options.captureDir)) {
    error = "cannot create " + options.captureDir;
    return false;
  }
  return SetKeyScript(options.keys, error);
}

namespace {

// The last frame's bytes as the 0xAARRGGBB words they hold.
const uint32_t* LastPixels(const Backend& backend) {
  return reinterpret_cast<const uint32_t*>(backend.lastFrame.data());
}

}  // namespace

std::string SkyvaleStopPlatform() {
  std::string written;
  Backend& backend = CurrentBackend();
  if (backend.options.fps) {
    std::fputs(backend.frameStats.report().c_str(), stdout);
    std::fflush(stdout);
    backend.options.fps = false;  // once per run
  }
  const SkyvaleOptions& o = backend.options;
  if (!o.capture.empty()) {
    if (backend.lastFrame.empty())
      std::fprintf(stderr, "No frame was presented; %s not written.\n", o.capture.c_str());
    else if (SkyvaleWritePng(o.capture.c_str(), LastPixels(backend), backend.lastWidth, backend.lastHeight,
                             backend.lastWidth * 4))
      written = o.capture;
    else
      std::fprintf(stderr, "Cannot write %s: %s\n", o.capture.c_str(), std::strerror(errno));
  }
  DestroyAllWindows();
  gBackend.reset();
  return written;
}

bool SkyvaleIsHeadless() { return CurrentBackend().name() == std::string("headless"); }

namespace {

// What every presented frame does once it is the last frame: count it, the clock and frame
// statistics, captures, memory reports and --frames.
void FramePresented(Backend& backend, int width, int height) {
  backend.lastWidth = width;
  backend.lastHeight = height;
  const uint32_t* pixels = LastPixels(backend);
  const int presented = ++backend.presented;
  ClockFramePresented();
  const SkyvaleOptions& o = backend.options;
  if (o.fps) backend.frameStats.frame(ClockSeconds(), ProcessCpuSeconds());
  if (o.captureEvery > 0 && !o.captureDir.empty() && presented % o.captureEvery == 0) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%05d.png", presented);
    std::string path = o.captureDir + name;
    if (!SkyvaleWritePng(path.c_str(), pixels, width, height, width * 4))
      std::fprintf(stderr, "Cannot write %s\n", path.c_str());
  }
  if (o.memoryEvery > 0 && presented % o.memoryEvery == 0) {
    std::printf("Resident at frame %d: %llu KiB\n", presented, ResidentKiB());
    std::fflush(stdout);  // a long run is watched while it goes
  }
  if (o.frames >= 0 && presented == o.frames) PostQuitMessage(0);
}

}  // namespace

void SkyvalePresent(HWND window, const uint32_t* pixels, int width, int height, int pitchBytes) {
  if (!pixels || width <= 0 || height <= 0 || pitchBytes < width * 4) return;
  Backend& backend = CurrentBackend();
  backend.present(FindWindow(window), pixels, width, height, pitchBytes);
  const size_t row = (size_t)width * 4;
  backend.lastFrame.resize(row * height);
  for (int y = 0; y < height; ++y)
    std::memcpy(&backend.lastFrame[y * row], (const uint8_t*)pixels + (size_t)y * pitchBytes, row);
  FramePresented(backend, width, height);
}

void SkyvalePresentFrame(HWND window, std::vector<uint8_t>& frame, int width, int height) {
  if (width <= 0 || height <= 0 || frame.size() != (size_t)width * height * 4) return;
  Backend& backend = CurrentBackend();
  backend.present(FindWindow(window), reinterpret_cast<const uint32_t*>(frame.data()), width, height,
                  width * 4);
  backend.lastFrame.resize(frame.size());  // what the caller gets back
  backend.lastFrame.swap(frame);
  FramePresented(backend, width, height);
}

int SkyvalePresentedFrames() { return CurrentBackend().presented; }

bool SkyvaleLastFrame(const uint32_t** pixels, int* width, int* height) {
  const Backend& backend = CurrentBackend();
  if (backend.lastFrame.empty()) return false;
  if (pixels) *pixels = LastPixels(backend);
  if (width) *width = backend.lastWidth;
  if (height) *height = backend.lastHeight;
  return true;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT) {
  std::string utf8 = SkyvaleAnsiToUtf8(text ? text : "");
  std::fprintf(stderr, "MessageBox: %s\n", utf8.c_str());
  std::fflush(stderr);
  if (!SkyvaleIsHeadless())
    CurrentBackend().messageBox(FindWindow(owner), utf8, caption ? SkyvaleAnsiToUtf8(caption) : "Error");
  return IDOK;
}
