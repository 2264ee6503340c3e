// The main loop in-process over the stepped clock: frame times, and messages before frames.
#include <algorithm>

#include "../../platform/win32/platform.h"
#include "app_fixture.h"

namespace {

class MessageLoopTest : public AppTest {
 protected:
  int Presents() const {
    auto names = recorder->Names();
    return (int)std::count(names.begin(), names.end(), "Present");
  }
};

constexpr float kPlaneStart = 4.712389f;

TEST_F(MessageLoopTest, FrameTimesStayRightAcrossTheClockWrap) {
  // Nine frames 250 ms apart, the clock wrapping between the second and the third. The first
  // frame comes at the loop's own start time: 0 s, then 8 x 0.25 s.
  SkyvaleOptions o;
  o.stepMs = 250;
  o.clockStartMs = 0xFFFFFFFFu - 300;
  o.frames = 9;
  o.keys = "W@0-100";
  StartApp(o);
  D3DXVECTOR3 look, start = Position();
  gCamera.getLook(&look);
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_EQ(Presents(), 9);
  const D3DXVECTOR3 end = Position();
  EXPECT_NEAR(end.x - start.x, 8 * look.x, 1e-3f);
  EXPECT_NEAR(end.z - start.z, 8 * look.z, 1e-3f);
  EXPECT_NEAR(gPlaneAngle, kPlaneStart + 0.2f * 2.0f, 1e-5f);
  // Five frames reach the first second, the next four the second one.
  EXPECT_STREQ(gFpsText, "FPS:4.000000");
}

TEST_F(MessageLoopTest, MillisecondStepsSurviveLongUptimes) {
  // At 2^31 ms a float timestamp is 256 ms coarse; each 1 ms step must still count as 1 ms.
  SkyvaleOptions o;
  o.stepMs = 1;
  o.clockStartMs = 0x80000000u + 77;
  o.frames = 201;
  StartApp(o);
  RunMessageLoop();
  float angle = kPlaneStart;  // the first frame at 0 s, then 200 frames of 1 ms each
  for (int i = 0; i < 200; ++i) angle += 0.2f * 0.001f;
  EXPECT_FLOAT_EQ(gPlaneAngle, angle);
}

TEST_F(MessageLoopTest, FramesInOneMillisecondTakeNoTime) {
  SkyvaleOptions o;
  o.stepMs = 0;
  o.clockStartMs = 0xFFFFFFF0u;
  o.frames = 50;
  StartApp(o);
  RunMessageLoop();
  EXPECT_EQ(Presents(), 50);
  EXPECT_EQ(gPlaneAngle, kPlaneStart);
  EXPECT_STREQ(gFpsText, "");
}

TEST_F(MessageLoopTest, RepeatedKeyDownsAreServedBeforeTheNextFrame) {
  SkyvaleOptions o;
  o.stepMs = 16;
  StartApp(o);
  // Auto-repeated movement keys, then Escape: all are queued before the loop looks, so Escape
  // is reached before any frame and nothing is drawn.
  for (int i = 0; i < 5; ++i) win32::KeyEvent('W', true, i > 0);
  win32::KeyEvent(VK_ESCAPE, true);
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_EQ(Presents(), 0);
}

TEST_F(MessageLoopTest, EscapeAfterFramesEndsTheLoopWithoutAnotherFrame) {
  SkyvaleOptions o;
  o.stepMs = 16;
  o.keys = "ESC@3";
  StartApp(o);
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_EQ(Presents(), 3);
}

}  // namespace
