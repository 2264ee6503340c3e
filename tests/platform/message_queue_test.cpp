#include <vector>

#include "platform_fixture.h"

namespace {

std::vector<UINT> gSeen;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  gSeen.push_back(msg);
  if (msg == WM_DESTROY) PostQuitMessage(7);
  if (msg == WM_KEYDOWN && wp == VK_ESCAPE) DestroyWindow(hwnd);
  return DefWindowProcA(hwnd, msg, wp, lp);
}

class MessageQueueTest : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    gSeen.clear();
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "TestClass";
    ASSERT_NE(RegisterClassA(&wc), 0);
    window = CreateWindowExA(0, "testclass", "t", 8, 0, 0, 64, 48, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    gSeen.clear();
  }
  HWND window = nullptr;
};

TEST_F(MessageQueueTest, ClassRegistrationRules) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "TESTCLASS";  // names compare without case
  EXPECT_EQ(RegisterClassA(&wc), 0);
  wc.lpszClassName = nullptr;
  EXPECT_EQ(RegisterClassA(&wc), 0);
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  RECT r;
  ASSERT_TRUE(GetClientRect(window, &r));
  EXPECT_EQ(r.right, 64);
  EXPECT_EQ(r.bottom, 48);
}

TEST_F(MessageQueueTest, QuitComesAfterMessagesQueuedBeforeIt) {
  PostMessageA(window, WM_USER + 1, 0, 0);
  PostMessageA(window, WM_USER + 2, 0, 0);
  PostQuitMessage(3);
  PostMessageA(window, WM_USER + 3, 0, 0);
  MSG msg;
  std::vector<UINT> order;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    order.push_back(msg.message);
    if (msg.message == WM_QUIT) {
      EXPECT_EQ(msg.wParam, 3u);
      break;
    }
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_QUIT}));
}

TEST_F(MessageQueueTest, PeekWithoutRemoveLeavesTheMessage) {
  PostMessageA(window, WM_USER, 1, 2);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.lParam, 2);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_FALSE(PostMessageA((HWND)(uintptr_t)0xDEAD, WM_USER, 0, 0));
}

TEST_F(MessageQueueTest, EscapeDestroysTheWindowAndQuits) {
  SkyvaleStopPlatform();
  SkyvaleOptions o;
  o.keys = "ESC@0";
  Start(o);
  WNDCLASSA wc{};
  wc.lpfnWndProc = RecordingProc;
  wc.lpszClassName = "TestClass";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND w = CreateWindowExA(0, "TestClass", "t", 8, 0, 0, 64, 48, nullptr, nullptr, nullptr, nullptr);
  gSeen.clear();
  MSG msg{};
  int dispatched = 0;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    ++dispatched;
  }
  EXPECT_EQ(msg.message, (UINT)WM_QUIT);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_EQ(gSeen, (std::vector<UINT>{WM_KEYDOWN, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(DestroyWindow(w));
}

TEST_F(MessageQueueTest, CloseRequestDestroysThroughDefaultProcedure) {
  PostMessageA(window, WM_CLOSE, 0, 0);
  PostMessageA(window, WM_USER, 0, 0);  // dropped: its window is gone
  MSG msg;
  std::vector<UINT> retrieved;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    retrieved.push_back(msg.message);
    DispatchMessageA(&msg);
  }
  EXPECT_EQ(retrieved, (std::vector<UINT>{WM_CLOSE, WM_QUIT}));
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
