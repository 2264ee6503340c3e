#include "camera.h"

// Any mode other than Free behaves as Ground: horizontal movement, no roll.

void Camera::moveForward(float units) {
  if (mode == Free)
    position += look * units;
  else
    position += D3DXVECTOR3(look.x, 0.0f, look.z) * units;  // horizontal part, not renormalised
}

void Camera::moveSideways(float units) {
  if (mode == Free)
    position += right * units;
  else
    position += D3DXVECTOR3(right.x, 0.0f, right.z) * units;
}

void Camera::moveVertically(float units) {
  if (mode == Free)
    position += up * units;
  else
    position.y += units;
}

void Camera::rotateAboutRight(float angle) {
  D3DXMATRIX t;
  D3DXMatrixRotationAxis(&t, &right, angle);
  D3DXVec3TransformCoord(&up, &up, &t);
  D3DXVec3TransformCoord(&look, &look, &t);
}

void Camera::rotateAboutUp(float angle) {
  D3DXMATRIX t;
  if (mode == Free)
    D3DXMatrixRotationAxis(&t, &up, angle);
  else
    D3DXMatrixRotationY(&t, angle);
  D3DXVec3TransformCoord(&right, &right, &t);
  D3DXVec3TransformCoord(&look, &look, &t);
}

void Camera::rotateAboutLook(float angle) {
  if (mode != Free) return;
  D3DXMATRIX t;
  D3DXMatrixRotationAxis(&t, &look, angle);
  D3DXVec3TransformCoord(&right, &right, &t);
  D3DXVec3TransformCoord(&up, &up, &t);
}

void Camera::buildViewMatrix(D3DXMATRIX* v) {
  D3DXVec3Normalize(&look, &look);
  D3DXVec3Cross(&up, &look, &right);
  D3DXVec3Normalize(&up, &up);
  D3DXVec3Cross(&right, &up, &look);
  D3DXVec3Normalize(&right, &right);

  float x = -D3DXVec3Dot(&right, &position);
  float y = -D3DXVec3Dot(&up, &position);
  float z = -D3DXVec3Dot(&look, &position);

  v->_11 = right.x, v->_12 = up.x, v->_13 = look.x, v->_14 = 0.0f;
  v->_21 = right.y, v->_22 = up.y, v->_23 = look.y, v->_24 = 0.0f;
  v->_31 = right.z, v->_32 = up.z, v->_33 = look.z, v->_34 = 0.0f;
  v->_41 = x, v->_42 = y, v->_43 = z, v->_44 = 1.0f;
}
