// Reference quaternion operations: product order, conversions, interpolation and inverse.
#include "math_test_util.h"

using mt::Near;
using QuaternionRef = mt::ReferenceOnly;

namespace {

// q and -q are the same rotation.
::testing::AssertionResult SameRotation(const D3DXQUATERNION& a, const D3DXQUATERNION& b, float tol = 1e-5f) {
  if (Near(a, b, tol) || Near(a, -b, tol)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ", " << a.w << ") vs ("
                                       << b.x << ", " << b.y << ", " << b.z << ", " << b.w << ")";
}

}  // namespace

TEST_F(QuaternionRef, MultiplyAppliesTheFirstRotationFirst) {
  mt::Rng rng;
  for (int i = 0; i < 50; ++i) {
    const D3DXQUATERNION a = rng.UnitQuat(), b = rng.UnitQuat();
    D3DXQUATERNION ab;
    D3DXQuaternionMultiply(&ab, &a, &b);
    D3DXMATRIX ma, mb, mab, prod;
    D3DXMatrixRotationQuaternion(&ma, &a);
    D3DXMatrixRotationQuaternion(&mb, &b);
    D3DXMatrixRotationQuaternion(&mab, &ab);
    D3DXMatrixMultiply(&prod, &ma, &mb);
    EXPECT_TRUE(Near(mab, prod, 2e-5f));
    D3DXQUATERNION alias = a;
    D3DXQuaternionMultiply(&alias, &alias, &b);
    EXPECT_TRUE(mt::SameBits(alias, ab));
  }
  const D3DXQUATERNION i(1, 0, 0, 0), j(0, 1, 0, 0);
  D3DXQUATERNION r;
  D3DXQuaternionMultiply(&r, &i, &j);  // Hamilton product j * i = -k
  EXPECT_EQ(r, D3DXQUATERNION(0, 0, -1, 0));
}

TEST_F(QuaternionRef, MatrixRoundTripCoversEveryBranch) {
  mt::Rng rng;
  for (int i = 0; i < 400; ++i) {
    const D3DXQUATERNION q = rng.UnitQuat();
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &q);
    D3DXQUATERNION back;
    D3DXQuaternionRotationMatrix(&back, &m);
    EXPECT_TRUE(SameRotation(back, q, 2e-5f));
  }
  // Trace <= 0 with each diagonal element largest in turn (half turns about each axis).
  const D3DXQUATERNION halfTurns[] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
  for (const auto& q : halfTurns) {
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &q);
    D3DXQUATERNION back;
    D3DXQuaternionRotationMatrix(&back, &m);
    EXPECT_TRUE(SameRotation(back, q));
  }
}

TEST_F(QuaternionRef, AxisAngleAndYawPitchRoll) {
  const D3DXVECTOR3 axis(0, 0, 5);
  D3DXQUATERNION q;
  D3DXQuaternionRotationAxis(&q, &axis, 1.0f);
  EXPECT_TRUE(Near(q, D3DXQUATERNION(0, 0, std::sin(0.5f), std::cos(0.5f))));
  D3DXVECTOR3 outAxis;
  float angle = 0;
  D3DXQuaternionToAxisAngle(&q, &outAxis, &angle);
  EXPECT_NEAR(angle, 1.0f, 1e-6f);
  EXPECT_TRUE(Near(outAxis, D3DXVECTOR3(0, 0, std::sin(0.5f))));  // not normalised
  D3DXQuaternionToAxisAngle(&q, nullptr, &angle);
  D3DXQuaternionToAxisAngle(&q, &outAxis, nullptr);

  D3DXQUATERNION ypr;
  D3DXQuaternionRotationYawPitchRoll(&ypr, 0.3f, -0.4f, 1.1f);
  D3DXMATRIX fromQ, direct;
  D3DXMatrixRotationQuaternion(&fromQ, &ypr);
  D3DXMatrixRotationYawPitchRoll(&direct, 0.3f, -0.4f, 1.1f);
  EXPECT_TRUE(Near(fromQ, direct));
}

TEST_F(QuaternionRef, SlerpEndsAndShorterArc) {
  mt::Rng rng;
  for (int i = 0; i < 100; ++i) {
    const D3DXQUATERNION a = rng.UnitQuat(), b = rng.UnitQuat();
    D3DXQUATERNION r;
    D3DXQuaternionSlerp(&r, &a, &b, 0);
    EXPECT_TRUE(Near(r, a));
    D3DXQuaternionSlerp(&r, &a, &b, 1);
    EXPECT_TRUE(SameRotation(r, b));
    // The midpoint lies on the shorter arc: it is at least as close to a as to -b is far.
    D3DXQuaternionSlerp(&r, &a, &b, 0.5f);
    EXPECT_NEAR(D3DXQuaternionLengthSq(&r), 1.0f, 1e-4f);
    EXPECT_GE(D3DXQuaternionDot(&r, &a), std::fabs(D3DXQuaternionDot(&a, &b)) - 1e-5f);
  }
  const D3DXQUATERNION q(0.5f, 0.5f, 0.5f, 0.5f), nq = -q;
  D3DXQUATERNION r;
  D3DXQuaternionSlerp(&r, &q, &nq, 0.5f);
  EXPECT_TRUE(Near(r, q));
  // Equal inputs take the linear weights: exact for any t.
  D3DXQuaternionSlerp(&r, &q, &q, 0.3f);
  EXPECT_TRUE(Near(r, q, 1e-7f));
}

TEST_F(QuaternionRef, InverseThresholds) {
  const D3DXQUATERNION tiny(0, 0, 0, 1e-10f);
  D3DXQUATERNION r(9, 9, 9, 9);
  D3DXQuaternionInverse(&r, &tiny);
  EXPECT_EQ(r, D3DXQUATERNION(0, 0, 0, 0));
  const D3DXQUATERNION unit(0.6f, 0, 0, 0.8f);
  D3DXQuaternionInverse(&r, &unit);
  EXPECT_TRUE(mt::SameBits(r, D3DXQUATERNION(-0.6f, -0.0f, -0.0f, 0.8f)));
  const D3DXQUATERNION two(0, 0, 0, 2);
  D3DXQuaternionInverse(&r, &two);
  EXPECT_EQ(r, D3DXQUATERNION(0, 0, 0, 0.5f));
  // Just above 2^-63.
  const D3DXQUATERNION small(0, 0, 0, 4e-10f);
  D3DXQuaternionInverse(&r, &small);
  EXPECT_NEAR(r.w, 2.5e9f, 1e3f);
}

TEST_F(QuaternionRef, LnExpInverseEachOther) {
  mt::Rng rng;
  for (int i = 0; i < 100; ++i) {
    D3DXQUATERNION q = rng.UnitQuat();
    if (q.w < 0) q = -q;
    D3DXQUATERNION l, e;
    D3DXQuaternionLn(&l, &q);
    EXPECT_EQ(l.w, 0.0f);
    D3DXQuaternionExp(&e, &l);
    EXPECT_TRUE(Near(e, q, 1e-4f));
  }
  const D3DXQUATERNION id(0, 0, 0, 1);
  D3DXQUATERNION r;
  D3DXQuaternionLn(&r, &id);
  EXPECT_EQ(r, D3DXQUATERNION(0, 0, 0, 0));
  const D3DXQUATERNION zero(0, 0, 0, 7);  // w ignored by Exp
  D3DXQuaternionExp(&r, &zero);
  EXPECT_EQ(r, D3DXQUATERNION(0, 0, 0, 1));
}

TEST_F(QuaternionRef, SquadAndBaryCentric) {
  mt::Rng rng;
  D3DXQUATERNION q[4];
  for (auto& v : q) v = rng.UnitQuat();
  D3DXQUATERNION a, b, c, r;
  D3DXQuaternionSquadSetup(&a, &b, &c, &q[0], &q[1], &q[2], &q[3]);
  D3DXQuaternionSquad(&r, &q[1], &a, &b, &c, 0);
  EXPECT_TRUE(SameRotation(r, q[1], 1e-4f));
  D3DXQuaternionSquad(&r, &q[1], &a, &b, &c, 1);
  EXPECT_TRUE(SameRotation(r, q[2], 1e-4f));
  EXPECT_TRUE(SameRotation(c, q[2]));
  // Outputs aliasing the inputs give the same answer.
  D3DXQUATERNION x[4] = {q[0], q[1], q[2], q[3]};
  D3DXQuaternionSquadSetup(&x[0], &x[1], &x[2], &x[0], &x[1], &x[2], &x[3]);
  EXPECT_TRUE(mt::SameBits(x[0], a));
  EXPECT_TRUE(mt::SameBits(x[1], b));
  EXPECT_TRUE(mt::SameBits(x[2], c));

  D3DXQuaternionBaryCentric(&r, &q[0], &q[1], &q[2], 0, 0);
  EXPECT_EQ(r, q[0]);
  D3DXQuaternionBaryCentric(&r, &q[0], &q[1], &q[2], 1, 0);
  EXPECT_TRUE(SameRotation(r, q[1], 1e-4f));
  D3DXQuaternionBaryCentric(&r, &q[0], &q[1], &q[2], 0, 1);
  EXPECT_TRUE(SameRotation(r, q[2], 1e-4f));
}

TEST(QuaternionInline, SmallOperations) {
  D3DXQUATERNION q(1, 2, 3, 4), r;
  EXPECT_EQ(*D3DXQuaternionConjugate(&r, &q), D3DXQUATERNION(-1, -2, -3, 4));
  EXPECT_EQ(D3DXQuaternionLengthSq(&q), 30.0f);
  EXPECT_TRUE(D3DXQuaternionIsIdentity(D3DXQuaternionIdentity(&r)));
  EXPECT_EQ(q * r, q);
}
