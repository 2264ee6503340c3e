// The real SDL window under a virtual X server: size, title and the Escape key.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "process.h"

namespace {

std::string Trim(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

TEST(Window, SdlWindowHasTheCaptionAndSize) {
  std::string xvfb = FindOnPath("Xvfb"), xdotool = FindOnPath("xdotool");
  if (xvfb.empty() || xdotool.empty()) GTEST_SKIP() << "Xvfb or xdotool is not installed; window test skipped";

  // A display number unlikely to be in use; the server exits with the test.
  std::string display = ":" + std::to_string(90 + getpid() % 500);
  pid_t server = StartProcess({xvfb, display, "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
  ASSERT_GT(server, 0);
  std::string socket = "/tmp/.X11-unix/X" + display.substr(1);
  struct stat st;
  for (int i = 0; i < 500 && stat(socket.c_str(), &st) != 0; ++i) usleep(10000);
  ASSERT_EQ(stat(socket.c_str(), &st), 0) << "Xvfb did not start";

  ProcessOptions env;
  env.env = {"DISPLAY=" + display};
  env.unset = {"WAYLAND_DISPLAY", "SKYVALE_D3D9_REFUSE"};
  env.cwd = std::string(SKYVALE_SOURCE_DIR) + "/assets";
  pid_t program = StartProcess({SKYVALE_PROGRAM, "--step-ms", "16"}, env);
  ASSERT_GT(program, 0);

  std::string id;
  for (int i = 0; i < 300 && id.empty(); ++i) {
    id = Trim(RunProcess({xdotool, "search", "--onlyvisible", "--name", "Skyvale"}, env).out);
    if (id.empty()) usleep(20000);
  }
  ASSERT_FALSE(id.empty()) << "no window appeared";
  id = id.substr(0, id.find('\n'));
  EXPECT_EQ(Trim(RunProcess({xdotool, "getwindowname", id}, env).out),
            "Skyvale\xEF\xBC\x88\xE6\xBC\x94\xE7\xA4\xBA\xEF\xBC\x89\xE2\x80\x94" "Dravik");
  std::string geometry = RunProcess({xdotool, "getwindowgeometry", id}, env).out;
  EXPECT_NE(geometry.find("Geometry: 640x480"), std::string::npos) << geometry;

  RunProcess({xdotool, "windowactivate", "--sync", id}, env);
  RunProcess({xdotool, "key", "--window", id, "Escape"}, env);
  int code = WaitProcess(program, 10000);
  EXPECT_EQ(code, 0) << "Escape did not end the program";
  kill(server, SIGTERM);
  WaitProcess(server, 5000);
}

}  // namespace
