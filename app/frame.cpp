// One frame: keyboard, camera, the two eye passes into their textures, then the plain view or
// the red-blue composite in the back buffer, the frame-rate line and help texts, and Present.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "d3d_app.h"
#include "d3d_utility.h"

bool gStereo = false;
bool gShowLeftEye = true;
bool gShowRightEye = true;
float gPlaneAngle = 4.712389f;  // 3π/2: the airplane starts at (0, 80, 50)
char gFpsText[32] = "";

namespace {

int64_t frameCount = 0;  // frames at a zero step never reach a second
float timeElapsed = 0.0f;
float fps = 0.0f;

// Held when the key is down now or was pressed since the last query (the sign-extended result
// masked with 0x8000F).
bool Held(int vk) { return ((int32_t)GetAsyncKeyState(vk) & 0x8000F) != 0; }

void ReadKeys(float seconds) {
  if (Held('1')) gStereo = false;
  if (Held('2')) gStereo = true, gShowLeftEye = true, gShowRightEye = true;
  if (Held('3')) gStereo = true, gShowLeftEye = true, gShowRightEye = false;
  if (Held('4')) gStereo = true, gShowLeftEye = false, gShowRightEye = true;
  if (Held('W')) gCamera.moveForward(4.0f * seconds);
  if (Held('S')) gCamera.moveForward(-4.0f * seconds);
  if (Held('A')) gCamera.moveSideways(-4.0f * seconds);
  if (Held('D')) gCamera.moveSideways(4.0f * seconds);
  if (Held('R')) gCamera.moveVertically(4.0f * seconds);
  if (Held('F')) gCamera.moveVertically(-4.0f * seconds);
  if (Held(VK_UP)) gCamera.rotateAboutRight(-1.0f * seconds);
  if (Held(VK_DOWN)) gCamera.rotateAboutRight(1.0f * seconds);
  if (Held(VK_LEFT)) gCamera.rotateAboutUp(-1.0f * seconds);
  if (Held(VK_RIGHT)) gCamera.rotateAboutUp(1.0f * seconds);
  if (Held('N')) gCamera.rotateAboutLook(1.0f * seconds);
  if (Held('M')) gCamera.rotateAboutLook(-1.0f * seconds);
}

// The camera's unit right and up axes, which the eye passes shift along and turn about.
struct EyeAxes {
  D3DXVECTOR3 right, up;
};

// Renders the scene into level 0 of `target` from the view V shifted sideways by `shift`
// (along the camera's right axis) and toed in by `toeIn` about its up axis.
void EyePass(const D3DXMATRIX& view, const EyeAxes& axes, float shift, float toeIn, const D3DLIGHT9& light,
             IDirect3DTexture9* target, float seconds, bool advance) {
  const D3DXVECTOR3& right = axes.right;
  const D3DXVECTOR3& up = axes.up;
  D3DXMATRIX m = view, rotation, eyeView;
  m._41 += right.x * shift;
  m._42 += right.y * shift;
  m._43 += right.z * shift;
  D3DXMatrixRotationAxis(&rotation, &up, toeIn);
  D3DXMatrixMultiply(&eyeView, &m, &rotation);
  gDevice->SetTransform(D3DTS_VIEW, &eyeView);
  gDevice->SetLight(0, &light);

  IDirect3DSurface9* saved = nullptr;
  IDirect3DSurface9* surface = nullptr;
  gDevice->GetRenderTarget(0, &saved);
  if (target) target->GetSurfaceLevel(0, &surface);
  gDevice->SetRenderTarget(0, surface);
  if (surface) surface->Release();
  gDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
  gDevice->BeginScene();
  DrawScene(seconds, advance);
  gDevice->EndScene();
  gDevice->SetRenderTarget(0, saved);
  if (saved) saved->Release();
}

void DrawEyeQuad(IDirect3DTexture9* texture, bool show) {
  gDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
  gDevice->SetTexture(0, texture);
  gDevice->SetStreamSource(0, gQuadBuffer, 0, sizeof(TexturedVertex));
  gDevice->SetFVF(TexturedVertex::FVF);
  if (show) gDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
}

void Composite(const D3DXMATRIX& view) {
  D3DXMATRIX world;
  D3DXMatrixInverse(&world, nullptr, &view);
  gDevice->SetTransform(D3DTS_WORLD, &world);
  DrawEyeQuad(gLeftEyeTexture, gShowLeftEye);
  gDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  gDevice->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  gDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  gDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  DrawEyeQuad(gRightEyeTexture, gShowRightEye);
  gDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
  gDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

// The frame-rate line and the two help texts, each laid out from its rectangle's top-left.
void DrawFrameText() {
  if (!gFont) return;
  RECT fpsRect = {20, 460, 400, 480};
  RECT moveRect = {20, 20, 400, 40};
  RECT viewRect = {20, 40, 400, 160};
  gFont->DrawTextA(gFpsText, -1, &fpsRect, 0, 0xFF00FFFF);
  gFont->DrawTextA(kMoveHelpText, -1, &moveRect, 0, 0xFFFFFF00);
  gFont->DrawTextA(kViewHelpText, -1, &viewRect, 0, 0xFFFF00FF);
}

}  // namespace

void ResetFrameState() {
  gStereo = false;
  gShowLeftEye = gShowRightEye = true;
  gPlaneAngle = 4.712389f;
  frameCount = 0;
  timeElapsed = 0.0f;
  fps = 0.0f;
  gFpsText[0] = 0;
}

void UpdateFrameRate(float seconds) {
  frameCount += 1;
  timeElapsed += seconds;
  if (timeElapsed >= 1.0f) {
    double rate = (double)frameCount / (double)timeElapsed;
    fps = (float)rate;
    char number[64];  // "%f" of any finite float fits; inf and nan are short
    std::snprintf(number, sizeof number, "%f", rate);
    std::snprintf(gFpsText, sizeof gFpsText, "FPS:%.8s", number);
    timeElapsed = 0.0f;
    frameCount = 0;
  }
}

D3DXMATRIX AirplaneWorld() {
  D3DXMATRIX rotation, translation, world;
  D3DXMatrixRotationY(&rotation, -gPlaneAngle);
  D3DXMatrixTranslation(&translation, -std::cos(gPlaneAngle) * 50.0f, 80.0f, -std::sin(gPlaneAngle) * 50.0f);
  D3DXMatrixMultiply(&world, &rotation, &translation);
  return world;
}

bool DrawScene(float seconds, bool advance) {
  D3DXMATRIX scale, translation, sky;
  D3DXVECTOR3 p;
  gCamera.getPosition(&p);
  D3DXMatrixScaling(&scale, 500.0f, 500.0f, 500.0f);
  D3DXMatrixTranslation(&translation, p.x, p.y, p.z);
  D3DXMatrixMultiply(&sky, &scale, &translation);
  gDevice->SetTransform(D3DTS_WORLD, &sky);
  if (gSky) gSky->draw();

  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  if (gTerrain) gTerrain->draw(identity, false);

  if (advance) gPlaneAngle += 0.2f * seconds;
  D3DXMATRIX airplane = AirplaneWorld();
  gDevice->SetTransform(D3DTS_WORLD, &airplane);
  return true;
}

bool RenderFrame(float seconds) {
  if (!gDevice) return true;
  ReadKeys(seconds);

  // The camera stays 10 units above the ground.
  D3DXVECTOR3 p;
  gCamera.getPosition(&p);
  p.y = (gTerrain ? gTerrain->getHeight(p.x, p.z) : 0.0f) + 10.0f;
  gCamera.setPosition(&p);

  D3DXMATRIX view;
  gCamera.buildViewMatrix(&view);
  gDevice->SetTransform(D3DTS_VIEW, &view);

  // Half the eye distance and the toe-in that crosses the two lines of sight 5 units ahead.
  const float t = std::tan(D3DX_PI / 8.0f);
  const float s = t / 12.0f * 5.0f / 2.0f;
  const float a = std::atan(s / 5.0f);
  EyeAxes axes;
  gCamera.getRight(&axes.right);
  gCamera.getUp(&axes.up);
  D3DXVec3Normalize(&axes.right, &axes.right);
  D3DXVec3Normalize(&axes.up, &axes.up);
  EyePass(view, axes, s, a, gLeftEyeLight, gLeftEyeTexture, seconds, true);
  EyePass(view, axes, -s, -a, gRightEyeLight, gRightEyeTexture, seconds, false);

  gDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1.0f, 0);
  gDevice->BeginScene();
  gDevice->SetTransform(D3DTS_VIEW, &view);
  gDevice->SetLight(0, &gWhiteLight);
  if (gStereo)
    Composite(view);
  else
    DrawScene(seconds, false);

  UpdateFrameRate(seconds);
  DrawFrameText();
  gDevice->EndScene();
  gDevice->Present(nullptr, nullptr, nullptr, nullptr);
  return true;
}
