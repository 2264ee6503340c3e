// Reference matrix operations: products, inverse, builders and the composite transformations.
#include "math_test_util.h"

using mt::Near;
using MatrixRef = mt::ReferenceOnly;

namespace {

D3DXMATRIX Identity() {
  D3DXMATRIX m;
  return *D3DXMatrixIdentity(&m);
}

D3DXMATRIX Mul(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  D3DXMATRIX r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double s = 0;
      for (int k = 0; k < 4; ++k) s += (double)a.m[i][k] * b.m[k][j];
      r.m[i][j] = (float)s;
    }
  return r;
}

D3DXMATRIX Translation(const D3DXVECTOR3& v) {
  D3DXMATRIX m = Identity();
  m._41 = v.x, m._42 = v.y, m._43 = v.z;
  return m;
}

D3DXMATRIX Scaling(const D3DXVECTOR3& v) {
  D3DXMATRIX m = Identity();
  m._11 = v.x, m._22 = v.y, m._33 = v.z;
  return m;
}

D3DXMATRIX Rotation(const D3DXQUATERNION& q) {
  D3DXMATRIX m;
  return *D3DXMatrixRotationQuaternion(&m, &q);
}

D3DXMATRIX Transpose(const D3DXMATRIX& a) {
  D3DXMATRIX t;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) t.m[j][i] = a.m[i][j];
  return t;
}

}  // namespace

TEST_F(MatrixRef, InverseSpecialCases) {
  D3DXMATRIX zeroRow(1, 2, 3, 4, 0, 0, 0, 0, 5, 6, 7, 8, 9, 1, 2, 3);
  D3DXMATRIX out(7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7);
  const D3DXMATRIX before = out;
  float det = 42;
  EXPECT_EQ(D3DXMatrixInverse(&out, &det, &zeroRow), nullptr);
  EXPECT_EQ(det, 0.0f);
  EXPECT_EQ(out, before);

  const D3DXMATRIX id = Identity();
  EXPECT_EQ(D3DXMatrixInverse(&out, &det, &id), &out);
  EXPECT_EQ(out, id);
  EXPECT_EQ(det, 1.0f);

  // A determinant whose reciprocal overflows: null, determinant still written.
  D3DXMATRIX tiny = Identity();
  tiny._11 = tiny._22 = tiny._33 = tiny._44 = 1e-10f;  // det 1e-40: 1/det overflows
  det = 0;
  EXPECT_EQ(D3DXMatrixInverse(&out, &det, &tiny), nullptr);
  EXPECT_GT(det, 0.0f);
  EXPECT_EQ(out, id);

  // In place, and without a determinant output.
  D3DXMATRIX m(2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8, 0, 1, 2, 3, 1);
  EXPECT_EQ(D3DXMatrixInverse(&m, nullptr, &m), &m);
  EXPECT_TRUE(Near(m, D3DXMATRIX(0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 0.125f, 0, -0.5f, -0.5f, -0.375f, 1)));
}

TEST_F(MatrixRef, InverseTimesMatrixIsIdentity) {
  mt::Rng rng;
  for (int i = 0; i < 200; ++i) {
    const D3DXMATRIX m = i % 2 ? rng.General() : rng.Affine();
    D3DXMATRIX inv;
    float det = 0;
    ASSERT_NE(D3DXMatrixInverse(&inv, &det, &m), nullptr);
    EXPECT_TRUE(Near(Mul(m, inv), Identity(), 2e-5f));
    EXPECT_TRUE(Near(Mul(inv, m), Identity(), 2e-5f));
    EXPECT_NEAR(det, D3DXMatrixDeterminant(&m), 1e-6f * std::fabs(det));
    // det(A B) = det A det B
    const D3DXMATRIX n = rng.General();
    D3DXMATRIX p;
    D3DXMatrixMultiply(&p, &m, &n);
    EXPECT_TRUE(mt::Close(D3DXMatrixDeterminant(&p), det * D3DXMatrixDeterminant(&n), 1e-4f));
  }
  D3DXMATRIX perm(0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  EXPECT_EQ(D3DXMatrixDeterminant(&perm), -1.0f);
}

TEST_F(MatrixRef, ProductsAndTransposeAlias) {
  mt::Rng rng;
  D3DXMATRIX a = rng.General(), b = rng.General();
  const D3DXMATRIX expect = Mul(a, b);
  D3DXMATRIX out;
  D3DXMatrixMultiply(&out, &a, &b);
  EXPECT_TRUE(Near(out, expect, 1e-6f));
  D3DXMATRIX a2 = a;
  D3DXMatrixMultiply(&a2, &a2, &b);  // output is the first input
  EXPECT_TRUE(mt::SameBits(a2, out));
  D3DXMATRIX b2 = b;
  D3DXMatrixMultiply(&b2, &a, &b2);  // output is the second input
  EXPECT_TRUE(mt::SameBits(b2, out));
  D3DXMATRIX sq = a;
  D3DXMatrixMultiply(&sq, &sq, &sq);
  EXPECT_TRUE(Near(sq, Mul(a, a), 1e-6f));

  D3DXMatrixMultiplyTranspose(&out, &a, &b);
  EXPECT_TRUE(Near(out, Transpose(expect), 1e-6f));
  D3DXMATRIX t = a;
  D3DXMatrixTranspose(&t, &t);
  EXPECT_EQ(t, Transpose(a));
  EXPECT_EQ(a * b, *D3DXMatrixMultiply(&out, &a, &b));
}

TEST_F(MatrixRef, RotationBuildersAgree) {
  const float angle = 0.7f;
  D3DXMATRIX rx, ry, rz, axis;
  D3DXMatrixRotationX(&rx, angle);
  D3DXMatrixRotationY(&ry, angle);
  D3DXMatrixRotationZ(&rz, angle);
  const D3DXVECTOR3 ax(2, 0, 0), ay(0, 3, 0), az(0, 0, 0.5f);  // unnormalised on purpose
  EXPECT_TRUE(Near(*D3DXMatrixRotationAxis(&axis, &ax, angle), rx));
  EXPECT_TRUE(Near(*D3DXMatrixRotationAxis(&axis, &ay, angle), ry));
  EXPECT_TRUE(Near(*D3DXMatrixRotationAxis(&axis, &az, angle), rz));
  // Left-handed: rotating +x about +z by 90 degrees gives +y.
  D3DXMatrixRotationZ(&rz, D3DX_PI / 2);
  D3DXVECTOR3 x(1, 0, 0), r;
  D3DXVec3TransformNormal(&r, &x, &rz);
  EXPECT_TRUE(Near(r, D3DXVECTOR3(0, 1, 0)));
  // Yaw, pitch, roll: roll about z first, then pitch about x, then yaw about y.
  D3DXMATRIX ypr, expect;
  D3DXMatrixRotationYawPitchRoll(&ypr, 0.3f, -0.4f, 1.1f);
  D3DXMatrixRotationZ(&rz, 1.1f);
  D3DXMatrixRotationX(&rx, -0.4f);
  D3DXMatrixRotationY(&ry, 0.3f);
  expect = Mul(Mul(rz, rx), ry);
  EXPECT_TRUE(Near(ypr, expect));
  D3DXMATRIX tr, sc;
  EXPECT_EQ(*D3DXMatrixTranslation(&tr, 1, 2, 3), Translation(D3DXVECTOR3(1, 2, 3)));
  EXPECT_EQ(*D3DXMatrixScaling(&sc, 1, 2, 3), Scaling(D3DXVECTOR3(1, 2, 3)));
}

TEST_F(MatrixRef, TransformationScalingCentreWithoutScalingRotationHasNoEffect) {
  const D3DXVECTOR3 s(2, 2, 2), c(1, 0, 0);
  D3DXMATRIX out;
  D3DXMatrixTransformation(&out, &c, nullptr, &s, nullptr, nullptr, nullptr);
  EXPECT_EQ(out, Scaling(s));
}

TEST_F(MatrixRef, TransformationAgainstHandBuiltProducts) {
  mt::Rng rng;
  for (int mask = 0; mask < 64; ++mask) {
    const D3DXVECTOR3 sc = rng.Vec3(3), s(rng.Uniform(0.5f, 2), rng.Uniform(0.5f, 2), rng.Uniform(0.5f, 2));
    const D3DXVECTOR3 rc = rng.Vec3(3), t = rng.Vec3(3);
    const D3DXQUATERNION sr = rng.UnitQuat(), r = rng.UnitQuat();
    const bool hasSc = mask & 1, hasSr = mask & 2, hasS = mask & 4, hasRc = mask & 8, hasR = mask & 16,
               hasT = mask & 32;
    D3DXMATRIX out;
    D3DXMatrixTransformation(&out, hasSc ? &sc : nullptr, hasSr ? &sr : nullptr, hasS ? &s : nullptr,
                             hasRc ? &rc : nullptr, hasR ? &r : nullptr, hasT ? &t : nullptr);
    D3DXMATRIX e = Identity();
    if (hasS) {
      const D3DXMATRIX R = hasSr ? Rotation(sr) : Identity();
      // The scaling centre only counts together with a scaling rotation.
      const D3DXVECTOR3 c = hasSc && hasSr ? sc : D3DXVECTOR3(0, 0, 0);
      e = Mul(Mul(Mul(Mul(Translation(-c), Transpose(R)), Scaling(s)), R), Translation(c));
    }
    if (hasR) {
      const D3DXVECTOR3 c = hasRc ? rc : D3DXVECTOR3(0, 0, 0);
      e = Mul(Mul(Mul(e, Translation(-c)), Rotation(r)), Translation(c));
    }
    if (hasT) e = Mul(e, Translation(t));
    EXPECT_TRUE(Near(out, e, 2e-5f)) << "mask " << mask;
  }
}

TEST_F(MatrixRef, AffineTransformation) {
  mt::Rng rng;
  const D3DXVECTOR3 rc = rng.Vec3(3), t = rng.Vec3(3);
  const D3DXQUATERNION r = rng.UnitQuat();
  D3DXMATRIX out;
  D3DXMatrixAffineTransformation(&out, 2.5f, &rc, &r, &t);
  const D3DXMATRIX e = Mul(
      Mul(Mul(Mul(Scaling(D3DXVECTOR3(2.5f, 2.5f, 2.5f)), Translation(-rc)), Rotation(r)), Translation(rc)),
      Translation(t));
  EXPECT_TRUE(Near(out, e, 2e-5f));
  D3DXMatrixAffineTransformation(&out, 3.0f, &rc, nullptr, nullptr);  // centre without rotation: no effect
  EXPECT_EQ(out, Scaling(D3DXVECTOR3(3, 3, 3)));
  D3DXMatrixAffineTransformation(&out, 1.0f, nullptr, &r, nullptr);
  EXPECT_TRUE(Near(out, Rotation(r)));
}

TEST_F(MatrixRef, ShadowAndReflect) {
  // The plane y = 0 written unnormalised; a directional light from above and to the side.
  const D3DXPLANE ground(0, 2, 0, 0);
  const D3DXVECTOR4 light(1, 1, 0, 0);
  D3DXMATRIX shadow;
  D3DXMatrixShadow(&shadow, &light, &ground);
  D3DXVECTOR3 p(3, 5, 2), s;
  D3DXVec3TransformCoord(&s, &p, &shadow);
  EXPECT_TRUE(Near(s, D3DXVECTOR3(-2, 0, 2)));  // moved along -light until y = 0
  // A point light: the shadow lies on the line from the light through the point.
  const D3DXVECTOR4 bulb(0, 10, 0, 1);
  D3DXMatrixShadow(&shadow, &bulb, &ground);
  D3DXVECTOR3 q(1, 5, 1);
  D3DXVec3TransformCoord(&s, &q, &shadow);
  EXPECT_TRUE(Near(s, D3DXVECTOR3(2, 0, 2)));

  const D3DXPLANE mirror(0, 0, 3, -3);  // z = 1
  D3DXMATRIX refl;
  D3DXMatrixReflect(&refl, &mirror);
  D3DXVECTOR3 a(1, 2, 4), b;
  D3DXVec3TransformCoord(&b, &a, &refl);
  EXPECT_TRUE(Near(b, D3DXVECTOR3(1, 2, -2)));
  D3DXMATRIX twice;
  D3DXMatrixMultiply(&twice, &refl, &refl);
  EXPECT_TRUE(Near(twice, Identity()));
}

TEST(MatrixInline, IdentityAndOperators) {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  EXPECT_TRUE(D3DXMatrixIsIdentity(&m));
  m._42 = 1e-30f;
  EXPECT_FALSE(D3DXMatrixIsIdentity(&m));
  D3DXMATRIX a(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  EXPECT_EQ((a + a) / 2.0f, a);
  EXPECT_EQ(a(3, 0), 13.0f);
  EXPECT_EQ(a - a, a * 0.0f);
  D3DXMATRIXA16 aligned(a);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(&aligned) % 16, 0u);
  EXPECT_EQ(static_cast<D3DXMATRIX&>(aligned), a);
}

TEST_F(MatrixRef, InternalKernels) {
  D3DXMATRIX a, b;
  D3DXMatrixTranslation(&a, 1, 0, 0);
  D3DXMatrixScaling(&b, 2, 2, 2);
  const D3DXMATRIX* bones[2] = {&a, &b};
  const float weights[2] = {0.5f, 0.5f};
  const D3DXVECTOR3 v(1, 1, 1);
  D3DXVECTOR3 out;
  EXPECT_EQ(SkinnedVertexBlendKernel(&out, &v, bones, weights, 2), &out);
  EXPECT_TRUE(Near(out, D3DXVECTOR3(2, 1.5f, 1.5f)));  // halfway between (2, 1, 1) and (2, 2, 2)
  EXPECT_EQ(SkinnedVertexBlendKernel(&out, &v, bones, weights, 0), &out);  // no influences: origin
  EXPECT_EQ(out, D3DXVECTOR3(0, 0, 0));
  // The cubic patch reproduces its corners and, for a flat control net, stays in the plane.
  D3DXVECTOR3 c[10];
  for (int i = 0; i < 10; ++i) c[i] = D3DXVECTOR3((float)i, (float)(i * i), 0);
  NPatchTessellationKernel(&out, c, 0, 0);
  EXPECT_EQ(out, c[0]);
  NPatchTessellationKernel(&out, c, 1, 0);
  EXPECT_EQ(out, c[1]);
  NPatchTessellationKernel(&out, c, 0, 1);
  EXPECT_EQ(out, c[2]);
  NPatchTessellationKernel(&out, c, 0.3f, 0.3f);
  EXPECT_EQ(out.z, 0.0f);
}
