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

SkyvaleOptions gOptions;
std::unique_ptr<Backend> gBackend;
int gPresented = 0;
std::vector<uint32_t> gLastFrame;
int gLastWidth = 0, gLastHeight = 0;
FrameStats gFrameStats;

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

const SkyvaleOptions& CurrentOptions() { return gOptions; }

}  // namespace win32

using namespace win32;

const char* SkyvaleUsage() {
  return "Usage: skyvale [options]\n"
         "  --headless            no window (the default when no display is available)\n"
         "  --frames N            quit after N presented frames\n"
         "  --step-ms MS          the clock advances exactly MS per presented frame\n"
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
  ResetWindows();
  gOptions = options;
  gBackend.reset();
  bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
  if (!options.headless && display) {
    gBackend = MakeSdlBackend();
    if (!gBackend) std::fprintf(stderr, "No display could be opened; running headless.\n");
  }
  if (!gBackend) {
    gBackend = MakeHeadlessBackend();
    gOptions.headless = true;
  }
  gPresented = 0;
  gFrameStats.reset();
  gLastFrame.clear();
  gLastWidth = gLastHeight = 0;
  ResetQueue();
  ResetKeys();
  ResetClock(options.stepMs);
  if (!options.captureDir.empty() && !MakeDirectories(options.captureDir)) {
    error = "cannot create " + options.captureDir;
    return false;
  }
  return SetKeyScript(options.keys, error);
}

std::string SkyvaleStopPlatform() {
  std::string written;
  if (gOptions.fps) {
    std::fputs(gFrameStats.report().c_str(), stdout);
    std::fflush(stdout);
    gOptions.fps = false;  // once per run
  }
  if (!gOptions.capture.empty()) {
    if (gLastFrame.empty())
      std::fprintf(stderr, "No frame was presented; %s not written.\n", gOptions.capture.c_str());
    else if (SkyvaleWritePng(gOptions.capture.c_str(), gLastFrame.data(), gLastWidth, gLastHeight,
                             gLastWidth * 4))
      written = gOptions.capture;
    else
      std::fprintf(stderr, "Cannot write %s: %s\n", gOptions.capture.c_str(), std::strerror(errno));
  }
  ResetWindows();
  gBackend.reset();
  return written;
}

bool SkyvaleIsHeadless() { return CurrentBackend().name() == std::string("headless"); }

void SkyvalePresent(HWND window, const uint32_t* pixels, int width, int height, int pitchBytes) {
  if (!pixels || width <= 0 || height <= 0 || pitchBytes < width * 4) return;
  CurrentBackend().present(FindWindow(window), pixels, width, height, pitchBytes);
  gLastFrame.resize((size_t)width * height);
  for (int y = 0; y < height; ++y)
    std::memcpy(&gLastFrame[(size_t)y * width], (const uint8_t*)pixels + (size_t)y * pitchBytes,
                (size_t)width * 4);
  gLastWidth = width;
  gLastHeight = height;
  ++gPresented;
  ClockFramePresented();
  if (gOptions.fps) gFrameStats.frame(ClockSeconds(), ProcessCpuSeconds());
  if (gOptions.captureEvery > 0 && !gOptions.captureDir.empty() && gPresented % gOptions.captureEvery == 0) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%05d.png", gPresented);
    std::string path = gOptions.captureDir + name;
    if (!SkyvaleWritePng(path.c_str(), gLastFrame.data(), width, height, width * 4))
      std::fprintf(stderr, "Cannot write %s\n", path.c_str());
  }
  if (gOptions.memoryEvery > 0 && gPresented % gOptions.memoryEvery == 0) {
    std::printf("Resident at frame %d: %llu KiB\n", gPresented, ResidentKiB());
    std::fflush(stdout);  // a long run is watched while it goes
  }
  if (gOptions.frames >= 0 && gPresented == gOptions.frames) PostQuitMessage(0);
}

int SkyvalePresentedFrames() { return gPresented; }

bool SkyvaleLastFrame(const uint32_t** pixels, int* width, int* height) {
  if (gLastFrame.empty()) return false;
  if (pixels) *pixels = gLastFrame.data();
  if (width) *width = gLastWidth;
  if (height) *height = gLastHeight;
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
