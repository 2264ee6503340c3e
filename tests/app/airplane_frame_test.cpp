// The airplane in a headless frame: made by Setup from the committed model, drawn where its
// place on the circle projects to, in its own colours, and nowhere else.
#include <algorithm>
#include <cstring>
#include <string>

#include "airplane_parts.h"
#include "app_fixture.h"
#include "readback.h"

namespace {

// The fixture starts the shell in assets/, where Setup finds the committed model.
class AirplaneFrame : public AppTest {
 protected:
  void StartInAssets() { StartApp(); }
};

struct Box {
  float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
};

D3DXVECTOR3 Project(IDirect3DDevice9* device, const D3DXVECTOR3& model, const D3DXMATRIX& world) {
  D3DVIEWPORT9 viewport;
  D3DXMATRIX view, projection;
  device->GetViewport(&viewport);
  device->GetTransform(D3DTS_VIEW, &view);
  device->GetTransform(D3DTS_PROJECTION, &projection);
  D3DXVECTOR3 screen;
  D3DXVec3Project(&screen, &model, &viewport, &projection, &view, &world);
  return screen;
}

bool Lit(D3DCOLOR c) { return (c & 0xFFFFFF) != 0; }
int Red(D3DCOLOR c) { return (c >> 16) & 0xFF; }
int Green(D3DCOLOR c) { return (c >> 8) & 0xFF; }
int Blue(D3DCOLOR c) { return c & 0xFF; }

TEST_F(AirplaneFrame, SetupLoadsTheModelWithItsTextures) {
  StartInAssets();
  ASSERT_NE(gAirplane, nullptr);
  ASSERT_EQ(gAirplane->getMaterials().size(), size_t(kAirplanePartCount));
  for (int i = 0; i < kAirplanePartCount; ++i) {
    EXPECT_EQ(gAirplane->getTextures()[i] != nullptr, kAirplaneMaterials[i].texture != nullptr) << i;
    // Lit by its diffuse colour in the ambient term too.
    EXPECT_EQ(std::memcmp(&gAirplane->getMaterials()[i].Ambient, &gAirplane->getMaterials()[i].Diffuse,
                          sizeof(D3DCOLORVALUE)),
              0);
  }
}

TEST_F(AirplaneFrame, DrawnAtItsPlaceOnTheCircleInItsColours) {
  StartInAssets();
  ASSERT_NE(gAirplane, nullptr);
  // Looking straight down on the airplane's starting place, (0, 80, 50), from 40 units above.
  D3DXMATRIX view;
  const D3DXVECTOR3 eye(0, 120, 50), at(0, 80, 50), up(0, 0, 1);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  gDevice->SetTransform(D3DTS_VIEW, &view);
  gDevice->SetLight(0, &gWhiteLight);
  gDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  gDevice->BeginScene();
  const D3DXMATRIX world = AirplaneWorld();
  gDevice->SetTransform(D3DTS_WORLD, &world);
  gAirplane->draw();
  gDevice->EndScene();
  const TargetImage image = ReadBackBuffer(gDevice);
  ASSERT_EQ(image.width, 640u);

  // Where every vertex of the model projects to.
  Box box;
  ID3DXMesh* mesh = gAirplane->getMesh();
  void* data = nullptr;
  ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data), D3D_OK);
  for (DWORD v = 0; v < mesh->GetNumVertices(); ++v) {
    D3DXVECTOR3 p;
    std::memcpy(&p, static_cast<const BYTE*>(data) + v * mesh->GetNumBytesPerVertex(), 12);
    const D3DXVECTOR3 s = Project(gDevice, p, world);
    box.left = std::min(box.left, s.x);
    box.right = std::max(box.right, s.x);
    box.top = std::min(box.top, s.y);
    box.bottom = std::max(box.bottom, s.y);
  }
  mesh->UnlockVertexBuffer();
  // The nose leads along -x in the world, so the airplane lies across the screen's width.
  EXPECT_GT(box.right - box.left, 200.0f);
  EXPECT_GT(box.bottom - box.top, 200.0f);

  int inside = 0, outside = 0;
  for (UINT y = 0; y < image.height; ++y)
    for (UINT x = 0; x < image.width; ++x) {
      if (!Lit(image.at(x, y))) continue;
      if (x + 1 >= box.left && x <= box.right + 1 && y + 1 >= box.top && y <= box.bottom + 1)
        ++inside;
      else
        ++outside;
    }
  EXPECT_EQ(outside, 0);
  EXPECT_GT(inside, 5000);

  // Parts seen from above, lit from above: the fuselage's grey panels, the green wings, the red
  // tail plane.
  auto pixel = [&](const D3DXVECTOR3& model) {
    const D3DXVECTOR3 s = Project(gDevice, model, world);
    return image.at(UINT(s.x), UINT(s.y));
  };
  const D3DCOLOR fuselage = pixel(D3DXVECTOR3(0.3f, 1.4f, 1.5f));
  EXPECT_GT(Red(fuselage), 150) << std::hex << fuselage;
  EXPECT_NEAR(Red(fuselage), Blue(fuselage), 30) << std::hex << fuselage;
  const D3DCOLOR wing = pixel(D3DXVECTOR3(2.5f, 0.2f, -0.5f));
  EXPECT_GT(Green(wing), Red(wing)) << std::hex << wing;
  EXPECT_GT(Green(wing), Blue(wing)) << std::hex << wing;
  const D3DCOLOR tail = pixel(D3DXVECTOR3(2.0f, 0.6f, 5.8f));
  EXPECT_GT(Red(tail), 2 * Green(tail) + 40) << std::hex << tail;
}

}  // namespace
