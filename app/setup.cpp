// Scene set-up and shutdown: eye targets, the screen quad, lights, projection, first camera turn.
#include <cmath>
#include <cstring>

#include "d3d_app.h"
#include "d3d_utility.h"

Camera gCamera(Camera::Ground);
ID3DXFont* gFont = nullptr;
IDirect3DTexture9* gLeftEyeTexture = nullptr;
IDirect3DTexture9* gRightEyeTexture = nullptr;
IDirect3DVertexBuffer9* gQuadBuffer = nullptr;
D3DLIGHT9 gWhiteLight, gLeftEyeLight, gRightEyeLight;
SkyBox* gSky = nullptr;
Terrain* gTerrain = nullptr;

namespace {

template <typename T>
void ReleaseOnce(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

// Six vertices of a quad at view depth 2 that spans the projection's view exactly, texture
// (0, 0) at the top-left; both triangles wind clockwise as seen from the eye.
void FillScreenQuad() {
  const float t = std::tan(D3DX_PI / 8.0f);
  const float w = t * 640.0f / 480.0f;
  const TexturedVertex quad[6] = {
      {-2 * w, -2 * t, 2, 0, 1}, {-2 * w, 2 * t, 2, 0, 0}, {2 * w, 2 * t, 2, 1, 0},
      {-2 * w, -2 * t, 2, 0, 1}, {2 * w, 2 * t, 2, 1, 0},  {2 * w, -2 * t, 2, 1, 1},
  };
  void* data = nullptr;
  if (gQuadBuffer && SUCCEEDED(gQuadBuffer->Lock(0, 0, &data, 0))) {
    std::memcpy(data, quad, sizeof quad);
    gQuadBuffer->Unlock();
  }
}

void CreateSky() {
  SkyBoxFaceNames names;
  for (const SkyBoxFaceDesc& face : kSkyBoxFaces) names[(size_t)face.face] = face.file;
  gSky = new SkyBox(gDevice, names);
}

void CreateTerrain() {
  const TerrainGrid& g = kSceneTerrain;
  gTerrain = new Terrain(gDevice, g.file, g.vertsPerRow, g.vertsPerCol, g.cellSpacing, g.heightScale);
  gTerrain->loadTextures(kGroundTextureFiles);
}

}  // namespace

bool Setup() {
  // The default interface font; without it there is nothing to tell the user, so the program ends.
  LOGFONTA description{};
  if (FAILED(D3DXCreateFontIndirect(gDevice, &description, &gFont))) {
    ShowFailure("D3DXCreateFontIndirect() - FAILED");
    PostQuitMessage(0);
  }
  CreateSky();
  CreateTerrain();

  gDevice->CreateTexture(640, 480, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                         &gLeftEyeTexture, nullptr);
  gDevice->CreateTexture(640, 480, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT,
                         &gRightEyeTexture, nullptr);
  gDevice->CreateVertexBuffer(6 * sizeof(TexturedVertex), D3DUSAGE_WRITEONLY, TexturedVertex::FVF,
                              D3DPOOL_MANAGED, &gQuadBuffer, nullptr);
  FillScreenQuad();

  gDevice->SetRenderState(D3DRS_LIGHTING, TRUE);
  const D3DXVECTOR3 down(0.0f, -1.0f, 0.0f);
  gWhiteLight = MakeDirectionalLight(down, D3DXCOLOR(1.0f, 1.0f, 1.0f, 1.0f));
  gLeftEyeLight = MakeDirectionalLight(down, D3DXCOLOR(1.0f, 0.5f, 0.5f, 1.0f));
  gRightEyeLight = MakeDirectionalLight(down, D3DXCOLOR(0.5f, 0.5f, 1.0f, 1.0f));
  gDevice->SetLight(0, &gWhiteLight);
  gDevice->LightEnable(0, TRUE);
  gDevice->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);

  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4.0f, 640.0f / 480.0f, 1.0f, 1000.0f);
  gDevice->SetTransform(D3DTS_PROJECTION, &projection);

  gCamera.rotateAboutUp(-1.0f);
  gCamera.rotateAboutRight(-0.3f);
  return true;
}

void Shutdown() {
  delete gTerrain;
  gTerrain = nullptr;
  if (gSky) gSky->release();
  delete gSky;
  gSky = nullptr;
  ReleaseOnce(gQuadBuffer);
  ReleaseOnce(gRightEyeTexture);
  ReleaseOnce(gLeftEyeTexture);
  ReleaseOnce(gFont);
}
