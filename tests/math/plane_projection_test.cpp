// Reference plane operations and projection.
#include "math_test_util.h"

using mt::Near;
using PlaneRef = mt::ReferenceOnly;

TEST_F(PlaneRef, NormalizeScalesAllFourByTheNormalLength) {
  D3DXPLANE p(0, 3, 4, 10), out;
  D3DXPlaneNormalize(&out, &p);
  EXPECT_TRUE(Near(out, D3DXPLANE(0, 0.6f, 0.8f, 2)));
  const D3DXPLANE degenerate(0, 0, 0, 5);
  D3DXPlaneNormalize(&out, &degenerate);
  EXPECT_EQ(out, D3DXPLANE(0, 0, 0, 0));
  const D3DXPLANE unit(0.6f, 0.8f, 0, 123);
  D3DXPlaneNormalize(&out, &unit);
  EXPECT_TRUE(mt::SameBits(out, unit));
}

TEST_F(PlaneRef, FromPointsAndPointNormal) {
  const D3DXVECTOR3 a(0, 1, 0), b(0, 1, 1), c(1, 1, 0);
  D3DXPLANE p;
  D3DXPlaneFromPoints(&p, &a, &b, &c);
  EXPECT_TRUE(Near(p, D3DXPLANE(0, 1, 0, -1)));  // clockwise seen from +y in a left-handed frame
  const D3DXVECTOR3 n(0, 2, 0);
  D3DXPlaneFromPointNormal(&p, &a, &n);
  EXPECT_EQ(p, D3DXPLANE(0, 2, 0, -2));
  // Collinear points: zero normal, zero plane.
  const D3DXVECTOR3 d(0, 1, 2);
  D3DXPlaneFromPoints(&p, &a, &b, &d);
  EXPECT_EQ(p, D3DXPLANE(0, 0, 0, -0.0f));
}

TEST_F(PlaneRef, IntersectLine) {
  const D3DXPLANE p(0, 1, 0, -2);  // y = 2
  const D3DXVECTOR3 a(1, 0, 1), b(1, 1, 1);
  D3DXVECTOR3 out(9, 9, 9);
  EXPECT_EQ(D3DXPlaneIntersectLine(&out, &p, &a, &b), &out);
  EXPECT_TRUE(Near(out, D3DXVECTOR3(1, 2, 1)));  // beyond the segment: the line is infinite
  const D3DXVECTOR3 c(5, 0, 7);
  out = D3DXVECTOR3(9, 9, 9);
  EXPECT_EQ(D3DXPlaneIntersectLine(&out, &p, &a, &c), nullptr);  // parallel
  EXPECT_EQ(out, D3DXVECTOR3(9, 9, 9));
  // A denominator so small that t overflows: null as well.
  const D3DXVECTOR3 e(1, 1e-38f, 1), f(1, 0, 1);
  const D3DXPLANE far(0, 1, 0, -1e30f);
  EXPECT_EQ(D3DXPlaneIntersectLine(&out, &far, &e, &f), nullptr);
}

TEST_F(PlaneRef, ProjectThenUnprojectReturnsThePoint) {
  mt::Rng rng;
  D3DVIEWPORT9 vp = {10, 20, 640, 480, 0.0f, 1.0f};
  D3DXMATRIX proj, view, world;
  D3DXMatrixPerspectiveFovLH(&proj, D3DX_PI / 3, 4.0f / 3, 1.0f, 100.0f);
  const D3DXVECTOR3 eye(0, 5, -20), at(0, 0, 0), up(0, 1, 0);
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  for (int i = 0; i < 100; ++i) {
    world = rng.Affine();
    const D3DXVECTOR3 v = rng.Vec3(2);
    D3DXVECTOR3 s, back;
    D3DXVec3Project(&s, &v, &vp, &proj, &view, &world);
    D3DXVec3Unproject(&back, &s, &vp, &proj, &view, &world);
    EXPECT_TRUE(Near(back, v, 2e-3f));
  }
  // The screen centre maps to the view axis.
  const D3DXVECTOR3 target(0, 0, 0);
  D3DXVECTOR3 s;
  D3DXVec3Project(&s, &target, &vp, &proj, &view, nullptr);
  EXPECT_NEAR(s.x, 10 + 320, 1e-3f);
  EXPECT_NEAR(s.y, 20 + 240, 1e-3f);
  // No matrices and no viewport: the identity.
  const D3DXVECTOR3 v(1, 2, 3);
  D3DXVec3Project(&s, &v, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(s, v);
  D3DXVec3Unproject(&s, &v, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(s, v);
}

TEST_F(PlaneRef, UnprojectThroughASingularMatrixGivesZeros) {
  D3DXMATRIX flat;
  D3DXMatrixScaling(&flat, 1, 1, 0);
  const D3DXVECTOR3 v[3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  D3DXVECTOR3 out[3];
  D3DXVec3Unproject(&out[0], &v[0], nullptr, &flat, nullptr, nullptr);
  EXPECT_EQ(out[0], D3DXVECTOR3(0, 0, 0));
  D3DVIEWPORT9 vp = {0, 0, 100, 100, 0, 1};
  D3DXVec3UnprojectArray(out, sizeof(D3DXVECTOR3), v, sizeof(D3DXVECTOR3), &vp, nullptr, &flat, nullptr, 3);
  for (const auto& o : out) EXPECT_EQ(o, D3DXVECTOR3(0, 0, 0));
}

TEST_F(PlaneRef, ProjectArraysMatchSingles) {
  mt::Rng rng;
  D3DVIEWPORT9 vp = {0, 0, 800, 600, 0.25f, 0.75f};
  const D3DXMATRIX w = rng.Affine(), v = rng.Affine(), p = rng.General();
  D3DXVECTOR3 in[7], out[7], un[7];
  for (auto& e : in) e = rng.Vec3();
  D3DXVec3ProjectArray(out, sizeof(D3DXVECTOR3), in, sizeof(D3DXVECTOR3), &vp, &p, &v, &w, 7);
  D3DXVec3UnprojectArray(un, sizeof(D3DXVECTOR3), out, sizeof(D3DXVECTOR3), &vp, &p, &v, &w, 7);
  for (int i = 0; i < 7; ++i) {
    D3DXVECTOR3 one;
    D3DXVec3Project(&one, &in[i], &vp, &p, &v, &w);
    EXPECT_TRUE(mt::SameBits(one, out[i]));
    EXPECT_TRUE(Near(un[i], in[i], 1e-3f));
  }
}
