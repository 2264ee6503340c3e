#include "platform_fixture.h"

namespace {

class KeyboardTest : public PlatformTest {
 protected:
  void Script(const char* keys) {
    SkyvaleStopPlatform();
    SkyvaleOptions o;
    o.keys = keys;
    Start(o);
  }
  void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
};

TEST_F(KeyboardTest, HeldKeyReportsDownAndPressedSinceLastQuery) {
  Script("W@0-2");
  EXPECT_EQ(GetAsyncKeyState('W'), 0);  // nothing fires before the queue is looked at
  Pump();
  EXPECT_EQ((uint16_t)GetAsyncKeyState('W'), 0x8001);
  EXPECT_EQ((uint16_t)GetAsyncKeyState('W'), 0x8000);
  PresentFrame();
  Pump();
  EXPECT_EQ((uint16_t)GetAsyncKeyState('W'), 0x8000);
  PresentFrame();
  Pump();
  EXPECT_EQ(GetAsyncKeyState('W'), 0);
}

TEST_F(KeyboardTest, TapBetweenQueriesLeavesOnlyThePressedBit) {
  Script("A@0");
  Pump();
  PresentFrame();
  Pump();
  EXPECT_EQ(GetAsyncKeyState('A'), 1);
  EXPECT_EQ(GetAsyncKeyState('A'), 0);
  EXPECT_EQ(GetAsyncKeyState(-1), 0);
  EXPECT_EQ(GetAsyncKeyState(256), 0);
}

TEST_F(KeyboardTest, ScriptedKeysPostMessagesToTheWindow) {
  Script("UP@1-2,3@1");
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "K";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(0, "K", "", 0, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // frame 0: nothing due yet
  PresentFrame();
  std::vector<std::pair<UINT, WPARAM>> seen;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) seen.push_back({msg.message, msg.wParam});
  PresentFrame();
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) seen.push_back({msg.message, msg.wParam});
  using P = std::pair<UINT, WPARAM>;
  EXPECT_EQ(seen,
            (std::vector<P>{P{WM_KEYDOWN, VK_UP}, P{WM_KEYDOWN, '3'}, P{WM_KEYUP, VK_UP}, P{WM_KEYUP, '3'}}));
  EXPECT_EQ(msg.hwnd, w);
}

TEST_F(KeyboardTest, MalformedScriptsAreRefused) {
  for (const char* bad : {"Q@", "W@x", "W@5-5", "W@6-2", "@1", "F1@0", "W@1,", "W"}) {
    SkyvaleOptions o;
    o.headless = true;
    o.keys = bad;
    std::string error;
    EXPECT_FALSE(SkyvaleStartPlatform(o, error)) << bad;
    EXPECT_FALSE(error.empty());
  }
  SkyvaleOptions o;
  o.keys = "w@0-1,esc@3,LEFT@2";
  std::string error;
  EXPECT_TRUE(SkyvaleStartPlatform(o, error)) << error;
}

}  // namespace
