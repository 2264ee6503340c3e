#include "camera.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

constexpr float kPi = 3.14159265358979f;

void ExpectNear(const D3DXVECTOR3& v, float x, float y, float z, float eps = 1e-5f) {
  EXPECT_NEAR(v.x, x, eps);
  EXPECT_NEAR(v.y, y, eps);
  EXPECT_NEAR(v.z, z, eps);
}

D3DXVECTOR3 Get(const Camera& c, void (Camera::*getter)(D3DXVECTOR3*) const) {
  D3DXVECTOR3 v;
  (c.*getter)(&v);
  return v;
}

TEST(Camera, NewCameraGivesIdentityAndPositionGoesToTheLastRow) {
  Camera c;
  D3DXMATRIX v, identity;
  c.buildViewMatrix(&v);
  D3DXMatrixIdentity(&identity);
  // The processor sets normalise through a reciprocal square root estimate: within an ulp or two.
  for (int i = 0; i < 16; ++i) EXPECT_NEAR((&v._11)[i], (&identity._11)[i], 1e-6f) << i;
  D3DXVECTOR3 p(10, 20, 30);
  c.setPosition(&p);
  c.buildViewMatrix(&v);
  EXPECT_NEAR(v._41, -10.0f, 1e-5f);
  EXPECT_NEAR(v._42, -20.0f, 1e-5f);
  EXPECT_NEAR(v._43, -30.0f, 1e-5f);
  EXPECT_EQ(v._44, 1.0f);
}

TEST(Camera, GroundLookingDownCannotWalkForward) {
  Camera c(Camera::Ground);
  c.rotateAboutRight(kPi / 2);
  ExpectNear(Get(c, &Camera::getLook), 0, -1, 0);
  c.moveForward(5);
  ExpectNear(Get(c, &Camera::getPosition), 0, 0, 0, 1e-4f);
  c.moveVertically(5);
  EXPECT_EQ(Get(c, &Camera::getPosition).y, 5.0f);
}

TEST(Camera, GroundUsesTheUnscaledHorizontalPart) {
  Camera c(Camera::Ground);
  c.rotateAboutRight(-0.5f);  // look upward: forward steps shrink by cos(pitch)
  c.moveForward(2);
  ExpectNear(Get(c, &Camera::getPosition), 0, 0, 2 * std::cos(0.5f));
  c.moveSideways(3);
  ExpectNear(Get(c, &Camera::getPosition), 3, 0, 2 * std::cos(0.5f));
}

TEST(Camera, GroundIgnoresRoll) {
  Camera c(Camera::Ground);
  c.rotateAboutUp(0.3f);
  D3DXVECTOR3 r = Get(c, &Camera::getRight), u = Get(c, &Camera::getUp), l = Get(c, &Camera::getLook);
  c.rotateAboutLook(1.0f);
  EXPECT_EQ(Get(c, &Camera::getRight), r);
  EXPECT_EQ(Get(c, &Camera::getUp), u);
  EXPECT_EQ(Get(c, &Camera::getLook), l);
}

TEST(Camera, TurnSigns) {
  Camera free(Camera::Free);
  free.rotateAboutLook(kPi / 2);
  ExpectNear(Get(free, &Camera::getRight), 0, 1, 0);
  ExpectNear(Get(free, &Camera::getUp), -1, 0, 0);

  Camera ground(Camera::Ground);
  ground.rotateAboutUp(kPi / 2);
  ExpectNear(Get(ground, &Camera::getLook), 1, 0, 0);
  ExpectNear(Get(ground, &Camera::getRight), 0, 0, -1);

  Camera tilt(Camera::Ground);
  tilt.rotateAboutRight(0.1f);  // positive: look goes down
  EXPECT_LT(Get(tilt, &Camera::getLook).y, 0.0f);
}

TEST(Camera, FreeMovesAlongItsOwnAxes) {
  Camera c(Camera::Free);
  c.rotateAboutRight(kPi / 2);
  c.moveForward(5);
  ExpectNear(Get(c, &Camera::getPosition), 0, -5, 0, 1e-4f);
  c.moveVertically(2);  // up now points along +z
  ExpectNear(Get(c, &Camera::getPosition), 0, -5, 2, 1e-4f);
}

TEST(Camera, ViewMatrixReorthonormalisesAfterDrift) {
  Camera c(Camera::Free);
  for (int i = 0; i < 10000; ++i) {
    c.rotateAboutUp(0.013f);
    c.rotateAboutRight(0.007f);
    c.rotateAboutLook(0.011f);
  }
  D3DXMATRIX v;
  c.buildViewMatrix(&v);
  D3DXVECTOR3 r = Get(c, &Camera::getRight), u = Get(c, &Camera::getUp), l = Get(c, &Camera::getLook);
  EXPECT_NEAR(D3DXVec3Length(&r), 1.0f, 1e-5f);
  EXPECT_NEAR(D3DXVec3Length(&u), 1.0f, 1e-5f);
  EXPECT_NEAR(D3DXVec3Length(&l), 1.0f, 1e-5f);
  EXPECT_NEAR(D3DXVec3Dot(&r, &u), 0.0f, 1e-5f);
  EXPECT_NEAR(D3DXVec3Dot(&u, &l), 0.0f, 1e-5f);
  EXPECT_NEAR(D3DXVec3Dot(&r, &l), 0.0f, 1e-5f);
  D3DXVECTOR3 cross;
  D3DXVec3Cross(&cross, &r, &u);
  ExpectNear(cross, l.x, l.y, l.z);
  // The view takes the eye's axes to the coordinate axes.
  D3DXVECTOR3 x;
  D3DXVec3TransformNormal(&x, &r, &v);
  ExpectNear(x, 1, 0, 0);
}

}  // namespace
