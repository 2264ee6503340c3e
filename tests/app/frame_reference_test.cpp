// The demo's own frames as the specialised span routines draw them, on one thread and on two, and
// with the direct texel reads of screen-aligned quads against the general fetch: every pixel the
// same, in every display mode and from views near and far.
#include <vector>

#include "../../platform/d3d9/device.h"
#include "../../platform/d3d9/pipeline/kernels.h"
#include "app_fixture.h"

namespace {

class FrameReferenceTest : public AppTest {
 protected:
  swr::Pipeline& Pipeline() { return static_cast<d3d9rt::Device*>(recorder->inner)->pipeline(); }
  // A frame of zero step from the camera as it is now. Building the view matrix re-orthogonalises
  // the camera's axes, which moves them by a rounding from frame to frame, so the camera is put
  // back afterwards: every frame is drawn from the same input.
  std::vector<uint32_t> Presented() {
    const Camera camera = gCamera;
    Frame(0.0f);
    gCamera = camera;
    const uint32_t* pixels = nullptr;
    int w = 0, h = 0;
    if (!SkyvaleLastFrame(&pixels, &w, &h)) return {};
    return std::vector<uint32_t>(pixels, pixels + (size_t)w * h);
  }
};

size_t Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  if (a.size() != b.size()) return ~size_t(0);
  size_t n = 0;
  for (size_t k = 0; k < a.size(); ++k) n += a[k] != b[k];
  return n;
}

TEST_F(FrameReferenceTest, EveryModeTheSameWithEitherFetchAndThreadCount) {
  StartApp();
  struct View {
    float heading, pitch, x, z;
  };
  // The start; low over the ground with far terrain minified; down at the near ground (magnified
  // texels); up at the sky and the airplane's circle.
  const View views[] = {
      {0, 0, 0, 0}, {2.2f, -0.05f, 150, -200}, {0.7f, 0.9f, -50, 80}, {3.6f, -0.8f, 20, 40}};
  for (const View& v : views) {
    gCamera = Camera(Camera::Ground);
    gCamera.rotateAboutUp(v.heading);
    gCamera.rotateAboutRight(v.pitch);
    D3DXVECTOR3 at(v.x, 0.0f, v.z);
    gCamera.setPosition(&at);
    Frame(0.0f);  // the camera settles on the ground
    for (int mode = 0; mode < 4; ++mode) {
      gStereo = mode != 0;
      gShowLeftEye = mode != 3;
      gShowRightEye = mode != 2;
      Pipeline().setThreadCount(2);
      const std::vector<uint32_t> fast = Presented();
      Pipeline().setThreadCount(1);
      const std::vector<uint32_t> single = Presented();
      swr::disableDirectTexelReads(true);
      const std::vector<uint32_t> general = Presented();
      swr::disableDirectTexelReads(false);
      Pipeline().setThreadCount(2);
      ASSERT_EQ(fast.size(), 640u * 480u);
      EXPECT_EQ(Differing(fast, general), 0u) << "mode " << mode << ", heading " << v.heading;
      EXPECT_EQ(Differing(fast, single), 0u) << "mode " << mode << ", heading " << v.heading;
    }
  }
}

}  // namespace
