// Reference vector operations: normalisation thresholds, transforms, splines and aliasing.
#include "math_test_util.h"

using mt::Near;
using VectorRef = mt::ReferenceOnly;

TEST_F(VectorRef, NormalizeThresholds) {
  D3DXVECTOR3 out(7, 7, 7);
  D3DXVECTOR3 zero(0, 0, 0), tiny(1e-20f, 0, 0), unit(0.6f, 0.8f, 0);
  EXPECT_EQ(D3DXVec3Normalize(&out, &zero), &out);
  EXPECT_EQ(out, D3DXVECTOR3(0, 0, 0));
  out = D3DXVECTOR3(7, 7, 7);
  D3DXVec3Normalize(&out, &tiny);  // n = 1e-40 is below the smallest normal
  EXPECT_EQ(out, D3DXVECTOR3(0, 0, 0));
  D3DXVec3Normalize(&out, &unit);  // n rounds to 1: copied bit for bit
  EXPECT_TRUE(mt::SameBits(out, unit));
  // Just above the smallest normal still scales.
  D3DXVECTOR3 small(2e-19f, 0, 0);
  D3DXVec3Normalize(&out, &small);
  EXPECT_FLOAT_EQ(out.x, 1.0f);
  // A squared length exactly 2^-23 below 1 is still near 1 (inclusive bound): copied.
  D3DXVECTOR3 almost(mt::FromBits(0x3F7FFFFF), 0, 0);
  D3DXVec3Normalize(&out, &almost);
  EXPECT_TRUE(mt::SameBits(out, almost));
  // 2^-22 above 1 is not: the vector is scaled.
  D3DXVECTOR3 above(mt::FromBits(0x3F800001), 0, 0);
  D3DXVec3Normalize(&out, &above);
  EXPECT_EQ(out.x, 1.0f);
  D3DXVECTOR3 v(3, 0, 4);
  D3DXVec3Normalize(&v, &v);  // in place
  EXPECT_TRUE(Near(v, D3DXVECTOR3(0.6f, 0, 0.8f)));
}

TEST_F(VectorRef, NormalizeOtherWidths) {
  D3DXVECTOR2 v2(3, 4), z2(0, 0);
  D3DXVec2Normalize(&v2, &v2);
  EXPECT_TRUE(Near(v2, D3DXVECTOR2(0.6f, 0.8f)));
  D3DXVec2Normalize(&v2, &z2);
  EXPECT_EQ(v2, D3DXVECTOR2(0, 0));
  D3DXVECTOR4 v4(1, 1, 1, 1), z4(0, 0, 0, 0);
  D3DXVec4Normalize(&v4, &v4);
  EXPECT_TRUE(Near(v4, D3DXVECTOR4(0.5f, 0.5f, 0.5f, 0.5f)));
  D3DXVec4Normalize(&v4, &z4);
  EXPECT_EQ(v4, D3DXVECTOR4(0, 0, 0, 0));
  D3DXQUATERNION q(0, 0, 0, 2), zq(0, 0, 0, 0);
  D3DXQuaternionNormalize(&q, &q);
  EXPECT_EQ(q, D3DXQUATERNION(0, 0, 0, 1));
  D3DXQuaternionNormalize(&q, &zq);
  EXPECT_EQ(q, D3DXQUATERNION(0, 0, 0, 0));
}

TEST_F(VectorRef, TransformCoordDividesOnlyAwayFromOne) {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  m._44 = 1.0000001f;  // w' = 1 + 2^-23 is near 1: no division
  D3DXVECTOR3 v(2, 4, 6), out;
  D3DXVec3TransformCoord(&out, &v, &m);
  EXPECT_EQ(out, v);
  m._44 = 2.0f;
  D3DXVec3TransformCoord(&out, &v, &m);
  EXPECT_EQ(out, D3DXVECTOR3(1, 2, 3));
  D3DXVECTOR2 v2(2, 4), o2;
  D3DXVec2TransformCoord(&o2, &v2, &m);
  EXPECT_EQ(o2, D3DXVECTOR2(1, 2));
  m._44 = 1.0000001f;
  D3DXVec2TransformCoord(&o2, &v2, &m);
  EXPECT_EQ(o2, v2);
}

TEST_F(VectorRef, TransformsUseTheRightRowsAndPadding) {
  D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  D3DXVECTOR4 out;
  D3DXVECTOR2 v2(1, 1);
  D3DXVec2Transform(&out, &v2, &m);  // (1, 1, 0, 1): rows 1 + 2 + 4
  EXPECT_EQ(out, D3DXVECTOR4(19, 22, 25, 28));
  D3DXVECTOR3 v3(1, 1, 1);
  D3DXVec3Transform(&out, &v3, &m);  // all four rows
  EXPECT_EQ(out, D3DXVECTOR4(28, 32, 36, 40));
  D3DXVECTOR4 v4(1, 0, 0, 0);
  D3DXVec4Transform(&out, &v4, &m);
  EXPECT_EQ(out, D3DXVECTOR4(1, 2, 3, 4));
  D3DXVECTOR3 n;
  D3DXVec3TransformNormal(&n, &v3, &m);  // upper 3x3 only
  EXPECT_EQ(n, D3DXVECTOR3(15, 18, 21));
  D3DXVECTOR2 n2;
  D3DXVec2TransformNormal(&n2, &v2, &m);
  EXPECT_EQ(n2, D3DXVECTOR2(6, 8));
  D3DXPLANE p(0, 0, 0, 1), pt;
  D3DXPlaneTransform(&pt, &p, &m);
  EXPECT_EQ(pt, D3DXPLANE(13, 14, 15, 16));
  // In place: the output is the input.
  D3DXVECTOR4 w(1, 1, 1, 1);
  D3DXVec4Transform(&w, &w, &m);
  EXPECT_EQ(w, D3DXVECTOR4(28, 32, 36, 40));
}

TEST_F(VectorRef, SplinesHitTheirEndPoints) {
  mt::Rng rng;
  for (int i = 0; i < 50; ++i) {
    D3DXVECTOR3 a = rng.Vec3(), b = rng.Vec3(), c = rng.Vec3(), d = rng.Vec3(), out;
    D3DXVec3Hermite(&out, &a, &b, &c, &d, 0);
    EXPECT_TRUE(Near(out, a));
    D3DXVec3Hermite(&out, &a, &b, &c, &d, 1);
    EXPECT_TRUE(Near(out, c));
    D3DXVec3CatmullRom(&out, &a, &b, &c, &d, 0);
    EXPECT_TRUE(Near(out, b));
    D3DXVec3CatmullRom(&out, &a, &b, &c, &d, 1);
    EXPECT_TRUE(Near(out, c, 1e-5f));
    D3DXVec3BaryCentric(&out, &a, &b, &c, 1, 0);
    EXPECT_TRUE(Near(out, b));
    D3DXVec3BaryCentric(&out, &a, &b, &c, 0, 1);
    EXPECT_TRUE(Near(out, c));
  }
  // The Hermite tangent: derivative at 0 is t1 (finite difference).
  D3DXVECTOR2 p0(0, 0), t0(1, 2), p1(5, 5), t1(0, 0), h;
  D3DXVec2Hermite(&h, &p0, &t0, &p1, &t1, 1e-3f);
  EXPECT_NEAR(h.x / 1e-3f, 1.0f, 0.02f);
  EXPECT_NEAR(h.y / 1e-3f, 2.0f, 0.04f);
  // Catmull-Rom through evenly spaced points on a line stays on the line.
  D3DXVECTOR4 q0(0, 0, 0, 0), q1(1, 1, 1, 1), q2(2, 2, 2, 2), q3(3, 3, 3, 3), r;
  D3DXVec4CatmullRom(&r, &q0, &q1, &q2, &q3, 0.25f);
  EXPECT_TRUE(Near(r, D3DXVECTOR4(1.25f, 1.25f, 1.25f, 1.25f)));
  // Aliasing: the output is also the first input.
  D3DXVec4BaryCentric(&q1, &q1, &q2, &q3, 0.5f, 0.5f);
  EXPECT_TRUE(Near(q1, D3DXVECTOR4(2.5f, 2.5f, 2.5f, 2.5f)));
}

TEST_F(VectorRef, Vec4CrossIsOrthogonalToItsInputs) {
  mt::Rng rng;
  for (int i = 0; i < 50; ++i) {
    D3DXVECTOR4 u = rng.Vec4(1), v = rng.Vec4(1), w = rng.Vec4(1), c;
    D3DXVec4Cross(&c, &u, &v, &w);
    EXPECT_NEAR(D3DXVec4Dot(&c, &u), 0.0f, 1e-5f);
    EXPECT_NEAR(D3DXVec4Dot(&c, &v), 0.0f, 1e-5f);
    EXPECT_NEAR(D3DXVec4Dot(&c, &w), 0.0f, 1e-5f);
  }
  D3DXVECTOR4 x(1, 0, 0, 0), y(0, 1, 0, 0), z(0, 0, 1, 0), c;
  D3DXVec4Cross(&c, &x, &y, &z);
  EXPECT_EQ(c, D3DXVECTOR4(0, 0, 0, -1));
  D3DXVec4Cross(&x, &x, &y, &z);  // output aliases the first input
  EXPECT_EQ(x, D3DXVECTOR4(0, 0, 0, -1));
}

TEST_F(VectorRef, ArraysHonourStridesAndLeaveGapsAlone) {
  mt::Rng rng;
  const D3DXMATRIX m = rng.General();
  struct In {
    D3DXVECTOR3 p;
    float pad;
  } in[5];
  struct Out {
    D3DXVECTOR3 p;
    float guard[2];
  } out[5];
  for (auto& e : in) e = {rng.Vec3(), 99};
  for (auto& e : out) e.guard[0] = e.guard[1] = -1;
  EXPECT_EQ(D3DXVec3TransformCoordArray(&out[0].p, sizeof(Out), &in[0].p, sizeof(In), &m, 5), &out[0].p);
  for (int i = 0; i < 5; ++i) {
    D3DXVECTOR3 one;
    D3DXVec3TransformCoord(&one, &in[i].p, &m);
    EXPECT_TRUE(mt::SameBits(one, out[i].p));
    EXPECT_EQ(out[i].guard[0], -1.0f);
    EXPECT_EQ(out[i].guard[1], -1.0f);
  }
  // A count of zero writes nothing.
  D3DXVECTOR3 untouched(5, 5, 5);
  D3DXVec3TransformNormalArray(&untouched, 12, &in[0].p, sizeof(In), &m, 0);
  EXPECT_EQ(untouched, D3DXVECTOR3(5, 5, 5));
}

TEST(VectorInline, SmallOperations) {
  D3DXVECTOR3 a(1, 2, 3), b(4, 5, 6), c;
  EXPECT_EQ(*D3DXVec3Cross(&c, &a, &b), D3DXVECTOR3(-3, 6, -3));
  EXPECT_EQ(D3DXVec3Dot(&a, &b), 32.0f);
  EXPECT_EQ(D3DXVec3LengthSq(&a), 14.0f);
  EXPECT_EQ(*D3DXVec3Lerp(&c, &a, &b, 0.5f), D3DXVECTOR3(2.5f, 3.5f, 4.5f));
  EXPECT_EQ(*D3DXVec3Subtract(&c, &b, &a), D3DXVECTOR3(3, 3, 3));
  D3DXVec3Cross(&a, &a, &b);  // aliasing keeps the inputs intact until written
  EXPECT_EQ(a, D3DXVECTOR3(-3, 6, -3));
  EXPECT_EQ(D3DXVECTOR3(2, 4, 8) / 2.0f, D3DXVECTOR3(1, 2, 4));
  EXPECT_EQ(2.0f * D3DXVECTOR2(1, 2), D3DXVECTOR2(2, 4));
  D3DXVECTOR2 p(1, 0), q(0, 1);
  EXPECT_EQ(D3DXVec2CCW(&p, &q), 1.0f);
  D3DXPLANE pl(1, 2, 3, 4);
  D3DXVECTOR3 pt(1, 1, 1);
  D3DXVECTOR4 p4(1, 1, 1, 2);
  EXPECT_EQ(D3DXPlaneDotCoord(&pl, &pt), 10.0f);
  EXPECT_EQ(D3DXPlaneDotNormal(&pl, &pt), 6.0f);
  EXPECT_EQ(D3DXPlaneDot(&pl, &p4), 14.0f);
}
