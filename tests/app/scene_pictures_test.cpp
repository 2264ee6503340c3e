// The scene as the program presents it: the captured frames of the running shell.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app_fixture.h"
#include "image.h"
#include "jpeg_file.h"
#include "readback.h"

namespace {

// The last presented frame, as the capture writer gets it.
Image Presented() {
  const uint32_t* pixels = nullptr;
  int w = 0, h = 0;
  Image image;
  if (!SkyvaleLastFrame(&pixels, &w, &h)) return image;
  image = Image(w, h);
  std::copy(pixels, pixels + (size_t)w * h, image.texels.begin());
  return image;
}

Image FromTarget(const TargetImage& t) {
  Image image((int)t.width, (int)t.height);
  std::copy(t.pixels.begin(), t.pixels.end(), image.texels.begin());
  return image;
}

int Diff(uint32_t a, uint32_t b) {
  int d = 0;
  for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(Channel(a, c) - Channel(b, c)));
  return d;
}

double MeanChannel(const Image& im, int c) {
  double s = 0;
  for (uint32_t t : im.texels) s += Channel(t, c);
  return s / (double)std::max<size_t>(1, im.texels.size());
}

// Share of pixels in which two pictures differ by more than `tolerance` in some channel.
double DifferingShare(const Image& a, const Image& b, int tolerance) {
  size_t n = 0;
  for (size_t k = 0; k < a.texels.size(); ++k) n += Diff(a.texels[k], b.texels[k]) > tolerance;
  return (double)n / (double)std::max<size_t>(1, a.texels.size());
}

class ScenePictureTest : public AppTest {
 protected:
  // The scene drawn again from the current camera without the terrain, into the back buffer.
  Image SkyOnly() {
    Terrain* terrain = gTerrain;
    gTerrain = nullptr;
    IDirect3DDevice9* d = recorder->inner;
    D3DXMATRIX view;
    gCamera.buildViewMatrix(&view);
    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    d->BeginScene();
    d->SetTransform(D3DTS_VIEW, &view);
    d->SetLight(0, &gWhiteLight);
    DrawScene(0.0f, false);
    d->EndScene();
    gTerrain = terrain;
    return FromTarget(ReadBackBuffer(d));
  }
  // Turns a fresh camera to a heading and a pitch (positive: down), standing at `where`.
  static void Aim(float heading, float pitch, D3DXVECTOR3 where = {0, 0, 0}) {
    gCamera = Camera(Camera::Ground);
    gCamera.rotateAboutUp(heading);
    gCamera.rotateAboutRight(pitch);
    gCamera.setPosition(&where);
  }
};

TEST_F(ScenePictureTest, FromTheStartSkyAboveAndGroundBelow) {
  StartApp();
  Frame(0.0f);
  const Image frame = Presented(), sky = SkyOnly();
  ASSERT_EQ(frame.width, 640);
  // Where the terrain leaves the picture as the sky alone draws it, the sky shows.
  int skyTop = 0, groundBottom = 0, blueTop = 0;
  for (int x = 0; x < 640; ++x) {
    const uint32_t top = frame.at(x, 0), bottom = frame.at(x, 479);
    skyTop += top == sky.at(x, 0);
    blueTop += Channel(top, 2) > Channel(top, 0) + 20;
    groundBottom += bottom != sky.at(x, 479);
  }
  EXPECT_GE(skyTop, 630);
  EXPECT_GE(blueTop, 600) << "the sky overhead is blue";
  EXPECT_GE(groundBottom, 600);
}

TEST_F(ScenePictureTest, TheSkyBoxIsClosedInEveryDirection) {
  StartApp();
  Terrain* terrain = gTerrain;
  gTerrain = nullptr;  // nothing in front of the sky: a gap would show the clear colour
  for (int heading = 0; heading < 36; ++heading)
    for (float pitch : {-1.2f, 0.0f, 1.2f}) {
      Aim((float)heading * 2.0f * D3DX_PI / 36.0f, pitch);
      Frame(0.0f);
      const Image frame = Presented();
      ASSERT_EQ(frame.texels.size(), 640u * 480u);
      const size_t clear = std::count_if(frame.texels.begin(), frame.texels.end(),
                                         [](uint32_t p) { return (p & 0xFFFFFF) == 0; });
      ASSERT_EQ(clear, 0u) << "heading " << heading * 10 << " pitch " << pitch;
    }
  gTerrain = terrain;
}

// Looking along +z with up +y the +z face shows its image upright and unmirrored: texture u grows
// toward +x, v toward -y.
TEST_F(ScenePictureTest, TheFrontFaceIsUprightAndUnmirrored) {
  StartApp();
  const std::optional<Image> face = ReadJpeg(kAssetFolder + "/Textures/skybox1_posz.jpg");
  ASSERT_TRUE(face);
  Aim(0.0f, 0.0f);
  const Image frame = SkyOnly();
  const float t = std::tan(D3DX_PI / 8), w = t * 640.0f / 480.0f;
  double straight = 0, flippedU = 0, flippedV = 0;
  int n = 0;
  for (int y = 40; y < 480; y += 40)
    for (int x = 40; x < 640; x += 40) {
      // The ray through the pixel meets the face z = 1 at (X, Y).
      const float X = (2.0f * ((float)x + 0.5f) / 640.0f - 1.0f) * w,
                  Y = (1.0f - 2.0f * ((float)y + 0.5f) / 480.0f) * t;
      const float u = (X + 1) / 2, v = (1 - Y) / 2;
      const auto texel = [&](float uu, float vv) {
        return face->at(std::clamp((int)(uu * (float)face->width), 0, face->width - 1),
                        std::clamp((int)(vv * (float)face->height), 0, face->height - 1));
      };
      straight += Diff(frame.at(x, y), texel(u, v));
      flippedU += Diff(frame.at(x, y), texel(1 - u, v));
      flippedV += Diff(frame.at(x, y), texel(u, 1 - v));
      ++n;
    }
  EXPECT_LT(straight / n, 8.0);
  EXPECT_GT(flippedV / n, straight / n + 8.0) << "upside down";
  EXPECT_GT(flippedU / n, straight / n) << "mirrored";
}

TEST_F(ScenePictureTest, FourDisplayModesFourPicturesTintedAsTheLightsSay) {
  StartApp("1@0,2@1,3@2,4@3");
  Image plain, stereo, left, right;
  for (Image* mode : {&plain, &stereo, &left, &right}) {
    Frame(0.0f);
    *mode = Presented();
  }
  const Image* all[] = {&plain, &stereo, &left, &right};
  for (int a = 0; a < 4; ++a)
    for (int b = a + 1; b < 4; ++b) EXPECT_GT(DifferingShare(*all[a], *all[b], 8), 0.3) << a << " vs " << b;

  // The left eye under (1, 0.5, 0.5): red kept, green and blue halved; the right eye under
  // (0.5, 0.5, 1). The eye views differ a little from the centre's, so the means match loosely.
  const double r = MeanChannel(plain, 0), g = MeanChannel(plain, 1), b = MeanChannel(plain, 2);
  EXPECT_NEAR(MeanChannel(left, 0), r, 0.08 * r);
  EXPECT_NEAR(MeanChannel(left, 1), g / 2, 0.08 * g);
  EXPECT_NEAR(MeanChannel(left, 2), b / 2, 0.08 * b);
  EXPECT_NEAR(MeanChannel(right, 0), r / 2, 0.08 * r);
  EXPECT_NEAR(MeanChannel(right, 1), g / 2, 0.08 * g);
  EXPECT_NEAR(MeanChannel(right, 2), b, 0.08 * b);
  EXPECT_GT(MeanChannel(left, 0), MeanChannel(left, 2) * 1.5);
  EXPECT_GT(MeanChannel(right, 2), MeanChannel(right, 0) * 1.5);

  // Both eyes: the two tinted images added channel by channel, saturating.
  size_t off = 0;
  for (size_t k = 0; k < stereo.texels.size(); ++k)
    for (int c = 0; c < 3; ++c) {
      const int sum = std::min(255, Channel(left.texels[k], c) + Channel(right.texels[k], c));
      off += std::abs(Channel(stereo.texels[k], c) - sum) > 3;
    }
  EXPECT_LT((double)off / (3.0 * (double)stereo.texels.size()), 0.01);
}

TEST_F(ScenePictureTest, WalkingKeepsTheEyeTenAboveTheGround) {
  StartApp("W@0-200");
  const D3DXVECTOR3 start = Position();
  float lowest = 1e9f, highest = -1e9f;
  for (int frame = 0; frame < 200; ++frame) {
    Frame(0.1f);
    const D3DXVECTOR3 p = Position();
    const float ground = gTerrain->getHeight(p.x, p.z);
    ASSERT_EQ(p.y, ground + 10.0f) << "frame " << frame;
    lowest = std::min(lowest, ground);
    highest = std::max(highest, ground);
  }
  const D3DXVECTOR3 end = Position();
  EXPECT_GT(std::hypot(end.x - start.x, end.z - start.z), 50.0f) << "the walk crossed several cells";
  EXPECT_GT(highest - lowest, 1.0f) << "over ground that is not flat";
}

}  // namespace
