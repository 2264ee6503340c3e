// The real SDL window under a virtual X server: size, title and the Escape key.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "process.h"

namespace {

std::string FirstLine(std::string s) {
  s = s.substr(0, s.find('\n'));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// Kills what the test started on every path out of it.
struct Reaper {
  std::vector<pid_t> pids;
  ~Reaper() {
    for (pid_t p : pids) {
      kill(p, SIGKILL);
      WaitProcess(p, 5000);
    }
  }
};

TEST(Window, SdlWindowHasTheCaptionAndSize) {
  std::string xvfb = FindOnPath("Xvfb"), xdotool = FindOnPath("xdotool");
  if (xvfb.empty() || xdotool.empty())
    GTEST_SKIP() << "Xvfb or xdotool is not installed; window test skipped";

  // -noreset: by default the server resets when its last client leaves, refusing whoever
  // connects in that moment (our readiness probes leave, then the program connects).
  // A free display number: the first whose lock file does not exist.
  int number = 90 + getpid() % 400;
  struct stat st;
  while (stat(("/tmp/.X" + std::to_string(number) + "-lock").c_str(), &st) == 0) ++number;
  std::string display = ":" + std::to_string(number);
  Reaper reaper;
  pid_t server = StartProcess({xvfb, display, "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"});
  ASSERT_GT(server, 0);
  reaper.pids.push_back(server);
  std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
  for (int i = 0; i < 1000 && stat(socket.c_str(), &st) != 0; ++i) usleep(10000);
  ASSERT_EQ(stat(socket.c_str(), &st), 0) << "Xvfb did not start";

  ProcessOptions env;
  env.env = {"DISPLAY=" + display};
  env.unset = {"WAYLAND_DISPLAY", "SKYVALE_D3D9_REFUSE"};
  env.cwd = std::string(SKYVALE_SOURCE_DIR) + "/assets";
  env.timeoutMs = 20000;
  // The socket appears before the server takes connections; wait until a client gets through.
  bool ready = false;
  for (int i = 0; i < 200 && !ready; ++i) {
    ready = RunProcess({xdotool, "getdisplaygeometry"}, env).exitCode == 0;
    if (!ready) usleep(20000);
  }
  ASSERT_TRUE(ready) << "Xvfb does not answer";
  std::string log = ::testing::TempDir() + "skyvale_window_test_" + std::to_string(getpid()) + ".log";
  ProcessOptions programEnv = env;
  programEnv.outputFile = log;
  pid_t program = StartProcess({SKYVALE_PROGRAM, "--step-ms", "16"}, programEnv);
  ASSERT_GT(program, 0);
  reaper.pids.insert(reaper.pids.begin(), program);

  std::string id;
  for (int i = 0; i < 200 && id.empty(); ++i) {
    id = FirstLine(RunProcess({xdotool, "search", "--onlyvisible", "--name", "^Skyvale"}, env).out);
    if (id.empty()) usleep(50000);
  }
  auto programOutput = [&log] {
    std::ifstream file(log);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  };
  ASSERT_FALSE(id.empty()) << "no window appeared; all windows: "
                           << RunProcess({xdotool, "search", "--name", "."}, env).out << "\nprogram output:\n"
                           << programOutput();
  EXPECT_EQ(FirstLine(RunProcess({xdotool, "getwindowname", id}, env).out),
            "Skyvale\xEF\xBC\x88\xE6\xBC\x94\xE7\xA4\xBA\xEF\xBC\x89\xE2\x80\x94"
            "Dravik");
  std::string geometry = RunProcess({xdotool, "getwindowgeometry", id}, env).out;
  EXPECT_NE(geometry.find("Geometry: 640x480"), std::string::npos) << geometry;

  // A key sent before the program serves its window's events can be lost; press again if so.
  int code = -1;
  for (int attempt = 0; attempt < 5 && code == -1; ++attempt) {
    RunProcess({xdotool, "key", "--window", id, "Escape"}, env);
    code = WaitProcess(program, 3000, /*killOnTimeout=*/false);
  }
  EXPECT_EQ(code, 0) << "Escape did not end the program cleanly; its output:\n" << programOutput();
  if (code != -1) reaper.pids.erase(reaper.pids.begin());
  std::remove(log.c_str());
}

}  // namespace
