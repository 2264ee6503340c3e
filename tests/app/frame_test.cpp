#include <algorithm>
#include <cmath>
#include <cstring>

#include "app_fixture.h"
#include "d3d_utility.h"

namespace {

TEST(Utility, MaterialAndLightMakers) {
  D3DMATERIAL9 m = MakeMaterial(White, White, White, Black, 2.0f);
  EXPECT_EQ(m.Ambient.r, 1.0f);
  EXPECT_EQ(m.Specular.a, 1.0f);
  EXPECT_EQ(m.Emissive.r, 0.0f);
  EXPECT_EQ(m.Emissive.a, 1.0f);
  EXPECT_EQ(m.Power, 2.0f);
  EXPECT_EQ(std::memcmp(&m, &WhiteMaterial, sizeof m), 0);

  D3DLIGHT9 l = MakeDirectionalLight(D3DXVECTOR3(0, -1, 0), D3DXCOLOR(1, 0.5f, 0.5f, 1));
  D3DLIGHT9 expected{};
  expected.Type = D3DLIGHT_DIRECTIONAL;
  expected.Ambient = expected.Diffuse = expected.Specular = {1, 0.5f, 0.5f, 1};
  expected.Direction = {0, -1, 0};
  EXPECT_EQ(std::memcmp(&l, &expected, sizeof l), 0);
  EXPECT_EQ((DWORD)Magenta, 0xFFFF00FFu);
  EXPECT_EQ(YellowMaterial.Diffuse.b, 0.0f);
}

TEST(FrameRate, LineFormats) {
  ResetFrameState();
  for (int i = 0; i < 59; ++i) UpdateFrameRate(0.015625f);
  EXPECT_STREQ(gFpsText, "");  // nothing until a second has gathered
  UpdateFrameRate(0.078125f);  // 60 frames over exactly 1 s
  EXPECT_STREQ(gFpsText, "FPS:60.00000");

  for (int i = 0; i < 9; ++i) UpdateFrameRate(0.0f);
  UpdateFrameRate(1.25f);  // 10 frames in 1.25 s
  EXPECT_STREQ(gFpsText, "FPS:8.000000");

  for (int i = 0; i < 1233; ++i) UpdateFrameRate(0.0f);
  UpdateFrameRate(1.0f);  // the time beyond a second is dropped, 1234 frames
  EXPECT_STREQ(gFpsText, "FPS:1234.000");

  for (int i = 0; i < 1000000; ++i) UpdateFrameRate(0.0f);  // a seven-digit rate
  UpdateFrameRate(1.0f);
  EXPECT_STREQ(gFpsText, "FPS:1000001.");  // never more than 8 characters of the number

  UpdateFrameRate(std::nanf(""));  // a NaN does not count as a second
  EXPECT_STREQ(gFpsText, "FPS:1000001.");
}

class FrameTest : public AppTest {};

TEST_F(FrameTest, CameraStartsTurnedLeftAndUp) {
  StartApp();
  D3DXVECTOR3 look, right;
  gCamera.getLook(&look);
  gCamera.getRight(&right);
  EXPECT_NEAR(look.x, -std::sin(1.0f) * std::cos(0.3f), 1e-5f);
  EXPECT_NEAR(look.y, std::sin(0.3f), 1e-5f);
  EXPECT_NEAR(look.z, std::cos(1.0f) * std::cos(0.3f), 1e-5f);
  EXPECT_NEAR(right.x, std::cos(1.0f), 1e-5f);
  EXPECT_NEAR(right.y, 0.0f, 1e-6f);
  EXPECT_NEAR(right.z, std::sin(1.0f), 1e-5f);
}

TEST_F(FrameTest, HoldingWForOneSecondWalksFourUnitsAtAnyRate) {
  for (int rate : {7, 60, 250}) {
    StartApp("W@0-100000");
    D3DXVECTOR3 look;
    gCamera.getLook(&look);
    D3DXVECTOR3 start = Position();
    for (int i = 0; i < rate; ++i) Frame(1.0f / rate);
    D3DXVECTOR3 end = Position();
    EXPECT_NEAR(end.x - start.x, 4 * look.x, 1e-3f) << rate;
    EXPECT_NEAR(end.z - start.z, 4 * look.z, 1e-3f) << rate;
    EXPECT_EQ(end.y, gTerrain->getHeight(end.x, end.z) + 10.0f);  // the new point's ground + 10
    TearDown();
  }
}

TEST_F(FrameTest, DisplayModeKeys) {
  StartApp("2@0,3@0,3@2,1@3,2@4");
  Frame(0.01f);  // 2 and 3 together: 3 is read later
  EXPECT_TRUE(gStereo);
  EXPECT_TRUE(gShowLeftEye);
  EXPECT_FALSE(gShowRightEye);
  Frame(0.01f);
  Frame(0.01f);  // 3
  Frame(0.01f);  // 1: plain view, eye flags untouched
  EXPECT_FALSE(gStereo);
  EXPECT_FALSE(gShowRightEye);
  Frame(0.01f);  // 2 sets both eyes
  EXPECT_TRUE(gStereo);
  EXPECT_TRUE(gShowLeftEye);
  EXPECT_TRUE(gShowRightEye);
}

TEST_F(FrameTest, VerticalKeysNeverChangeTheHeight) {
  StartApp("R@0-10,F@10-20");
  const float ground = gTerrain->getHeight(0.0f, 0.0f);
  for (int i = 0; i < 20; ++i) {
    Frame(0.1f);
    EXPECT_EQ(Position().y, ground + 10.0f);
  }
}

TEST_F(FrameTest, AirplaneFliesItsCircle) {
  StartApp();
  auto where = [] {
    D3DXMATRIX w = AirplaneWorld();
    return D3DXVECTOR3(w._41, w._42, w._43);
  };
  D3DXVECTOR3 p = where();
  EXPECT_NEAR(p.x, 0, 1e-3f);
  EXPECT_NEAR(p.y, 80, 1e-6f);
  EXPECT_NEAR(p.z, 50, 1e-3f);
  DrawScene(2.5f * D3DX_PI, true);  // a quarter circle
  p = where();
  EXPECT_NEAR(p.x, -50, 1e-3f);
  EXPECT_NEAR(p.z, 0, 1e-3f);
  DrawScene(2.5f * D3DX_PI, false);  // no advance
  DrawScene(2.5f * D3DX_PI, true);
  p = where();
  EXPECT_NEAR(p.x, 0, 1e-3f);
  EXPECT_NEAR(p.z, -50, 1e-3f);
}

TEST_F(FrameTest, AirplaneAdvancesOncePerFrameInEveryMode) {
  StartApp("2@3");
  for (int i = 0; i < 6; ++i) Frame(0.5f);
  EXPECT_NEAR(gPlaneAngle, 4.712389f + 6 * 0.1f, 1e-5f);
}

// The view matrices of one frame: centre, left eye, right eye, then the centre again for the
// back buffer; each eye shifted along right by ±s and toed in by ±a about up.
TEST_F(FrameTest, EyeViewsAreShiftedAndToedIn) {
  StartApp();
  Frame(0.016f);
  std::vector<D3DMATRIX> views;
  for (auto& [state, m] : recorder->transforms)
    if (state == D3DTS_VIEW) views.push_back(m);
  ASSERT_EQ(views.size(), 4u);
  D3DXMATRIX v = views[0];
  D3DXVECTOR3 r, u;
  gCamera.getRight(&r);
  gCamera.getUp(&u);
  const float t = std::tan(D3DX_PI / 8), s = t / 12 * 5 / 2, a = std::atan(s / 5);
  for (int eye = 0; eye < 2; ++eye) {
    float sign = eye == 0 ? 1.0f : -1.0f;
    D3DXMATRIX m = v, rot, expected;
    m._41 += r.x * s * sign;
    m._42 += r.y * s * sign;
    m._43 += r.z * s * sign;
    D3DXMatrixRotationAxis(&rot, &u, a * sign);
    D3DXMatrixMultiply(&expected, &m, &rot);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR((&views[1 + eye]._11)[i], (&expected._11)[i], 1e-6f) << eye;
  }
  EXPECT_EQ(std::memcmp(&views[3], &views[0], sizeof(D3DMATRIX)), 0);
  ASSERT_EQ(recorder->lights.size(), 3u);
  EXPECT_EQ(recorder->lights[0].Diffuse.r, 1.0f);  // left eye: reddish
  EXPECT_EQ(recorder->lights[0].Diffuse.b, 0.5f);
  EXPECT_EQ(recorder->lights[1].Diffuse.b, 1.0f);  // right eye: bluish
  EXPECT_EQ(recorder->lights[1].Diffuse.r, 0.5f);
  EXPECT_EQ(recorder->lights[2].Diffuse.g, 1.0f);  // back buffer: white
}

// The sky first, scaled to a cube of half-size 500 around the eye; then the terrain under the
// identity; then the airplane on its circle.
TEST_F(FrameTest, SceneDrawsTheSkyAroundTheEyeThenTheTerrainThenTheAirplane) {
  StartApp();
  Frame(0.016f);  // the camera stands on the ground now
  const D3DXVECTOR3 eye = Position();
  recorder->Clear();
  recorder->inner->BeginScene();
  DrawScene(0.0f, false);
  recorder->inner->EndScene();
  std::vector<D3DMATRIX> worlds;
  for (auto& [state, m] : recorder->transforms)
    if (state == D3DTS_WORLD) worlds.push_back(m);
  ASSERT_GE(worlds.size(), 3u);
  D3DXMATRIX sky, identity, airplane = AirplaneWorld();
  D3DXMatrixIdentity(&identity);
  D3DXMatrixScaling(&sky, 500, 500, 500);
  sky._41 = eye.x, sky._42 = eye.y, sky._43 = eye.z;
  EXPECT_EQ(D3DXMATRIX(worlds[0]), sky);
  EXPECT_EQ(D3DXMATRIX(worlds[1]), identity);
  EXPECT_EQ(D3DXMATRIX(worlds.back()), airplane);
  // Six sky faces drawn before the terrain's transform, one draw per terrain cell after it.
  std::vector<int> drawsUnder(worlds.size() + 1, 0);  // draws after the n-th world transform
  size_t transforms = 0;
  for (const LoggedCall& c : recorder->calls) {
    if (c.name == "SetTransform" && c.args[0] == D3DTS_WORLD) ++transforms;
    if (c.name == "DrawIndexedPrimitive") ++drawsUnder[transforms];
  }
  EXPECT_EQ(drawsUnder[1], 6);
  EXPECT_EQ(drawsUnder[2], 63 * 63);
}

TEST_F(FrameTest, PlainFrameCallSequence) {
  StartApp();
  // What one scene pass issues, recorded on its own; every pass of the frame draws it.
  DrawScene(0.0f, false);
  const std::vector<std::string> scene = recorder->Names();
  recorder->Clear();
  FrameWithoutText(0.016f);
  std::vector<std::string> eye = {"SetTransform",    "SetLight", "GetRenderTarget",
                                  "SetRenderTarget", "Clear",    "BeginScene"};
  eye.insert(eye.end(), scene.begin(), scene.end());
  eye.insert(eye.end(), {"EndScene", "SetRenderTarget"});
  std::vector<std::string> expected = {"SetTransform"};
  expected.insert(expected.end(), eye.begin(), eye.end());
  expected.insert(expected.end(), eye.begin(), eye.end());
  expected.insert(expected.end(), {"Clear", "BeginScene", "SetTransform", "SetLight"});
  expected.insert(expected.end(), scene.begin(), scene.end());
  expected.insert(expected.end(), {"EndScene", "Present"});
  EXPECT_EQ(recorder->Names(), expected);

  // The eye passes draw into the eye textures and give the back buffer back.
  IDirect3DSurface9 *left, *right, *back;
  gLeftEyeTexture->GetSurfaceLevel(0, &left);
  gRightEyeTexture->GetSurfaceLevel(0, &right);
  recorder->inner->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  std::vector<long long> targets;
  for (auto& c : recorder->calls)
    if (c.name == "SetRenderTarget") targets.push_back(c.args[1]);
  EXPECT_EQ(targets, (std::vector<long long>{(long long)(uintptr_t)left, (long long)(uintptr_t)back,
                                             (long long)(uintptr_t)right, (long long)(uintptr_t)back}));
  left->Release();
  right->Release();
  back->Release();
}

TEST_F(FrameTest, StereoCompositeSequenceAndStateLeftBehind) {
  for (const char* keys : {"2@0", "3@0", "4@0"}) {
    StartApp(keys);
    FrameWithoutText(0.016f);
    std::vector<std::string> names = recorder->Names();
    auto present = std::find(names.begin(), names.end(), "Present");
    auto begin = std::find(names.rbegin(), names.rend(), "BeginScene").base();
    std::vector<std::string> tail(begin, present + 1);
    std::vector<std::string> expected = {
        "SetTransform",    "SetLight",       "SetTransform",   "SetRenderState", "SetTexture",
        "SetStreamSource", "SetFVF",         "DrawPrimitive",  "SetRenderState", "SetRenderState",
        "Clear",           "SetRenderState", "SetRenderState", "SetRenderState", "SetTexture",
        "SetStreamSource", "SetFVF",         "DrawPrimitive",  "SetRenderState", "SetRenderState",
        "EndScene",        "Present"};
    bool left = std::string(keys) != "4@0", right = std::string(keys) != "3@0";
    if (!right) expected.erase(expected.begin() + 17);
    if (!left) expected.erase(expected.begin() + 7);
    EXPECT_EQ(tail, expected) << keys;

    IDirect3DDevice9* d = recorder->inner;
    D3DXMATRIX world, view, inverse;
    d->GetTransform(D3DTS_WORLD, &world);
    d->GetTransform(D3DTS_VIEW, &view);
    D3DXMatrixInverse(&inverse, nullptr, &view);
    EXPECT_EQ(std::memcmp(&world, &inverse, sizeof world), 0);
    IDirect3DBaseTexture9* stage0 = nullptr;
    d->GetTexture(0, &stage0);
    EXPECT_EQ(stage0, gRightEyeTexture);
    if (stage0) stage0->Release();
    DWORD blend, src, dst, lighting;
    d->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
    d->GetRenderState(D3DRS_SRCBLEND, &src);
    d->GetRenderState(D3DRS_DESTBLEND, &dst);
    d->GetRenderState(D3DRS_LIGHTING, &lighting);
    EXPECT_EQ(blend, (DWORD)FALSE);
    EXPECT_EQ(src, (DWORD)D3DBLEND_ONE);
    EXPECT_EQ(dst, (DWORD)D3DBLEND_ONE);
    EXPECT_EQ(lighting, (DWORD)TRUE);
    TearDown();
  }
}

}  // namespace
