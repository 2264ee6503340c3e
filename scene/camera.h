// The viewer: a position and an orthonormal frame that moves and turns on request and yields
// the view matrix.
#pragma once
#include <d3dx9math.h>

class Camera {
 public:
  enum CameraMode : int32_t { Ground = 0, Free = 1 };

  explicit Camera(CameraMode mode = Ground) : mode(mode) {}

  void moveForward(float units);
  void moveSideways(float units);
  void moveVertically(float units);
  void rotateAboutRight(float angle);
  void rotateAboutUp(float angle);
  void rotateAboutLook(float angle);

  // Re-orthonormalises the axes in place (look trusted, then up, then right) and writes the view.
  void buildViewMatrix(D3DXMATRIX* view);

  void getPosition(D3DXVECTOR3* out) const { *out = position; }
  void setPosition(const D3DXVECTOR3* p) { position = *p; }
  void getRight(D3DXVECTOR3* out) const { *out = right; }
  void getUp(D3DXVECTOR3* out) const { *out = up; }
  void getLook(D3DXVECTOR3* out) const { *out = look; }

 private:
  CameraMode mode;
  D3DXVECTOR3 right{1, 0, 0};
  D3DXVECTOR3 up{0, 1, 0};
  D3DXVECTOR3 look{0, 0, 1};
  D3DXVECTOR3 position{0, 0, 0};
};
