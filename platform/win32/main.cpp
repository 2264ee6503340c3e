// The process entry: reads the platform's own options, runs WinMain with the rest of the
// command line and returns its result as the exit code.
#include <cstdio>
#include <cstring>

#include <windows.h>
#include "skyvale_host.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(SkyvaleUsage(), stdout);
      return 0;
    }
  }
  SkyvaleOptions options;
  std::string rest, error;
  if (!SkyvaleParseOptions(argc, argv, options, rest, error) || !SkyvaleStartPlatform(options, error)) {
    std::fprintf(stderr, "skyvale: %s\n%s", error.c_str(), SkyvaleUsage());
    return 2;
  }
  static int instanceTag;
  int result = WinMain((HINSTANCE)&instanceTag, nullptr, rest.data(), SW_SHOWDEFAULT);
  std::string capture = SkyvaleStopPlatform();
  if (!capture.empty()) std::printf("Capture written: %s\n", capture.c_str());
  return result;
}
