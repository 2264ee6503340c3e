// Reference versions of the quaternion operations.
#include "../dispatch.h"
#include "../mathutil.h"

using namespace mathutil;

namespace {

float Dot4(const D3DXQUATERNION& a, const D3DXQUATERNION& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}

// Picks the sign of q so that it lies on the shorter arc from `ref` (squared-distance test).
D3DXQUATERNION Nearer(const D3DXQUATERNION& ref, const D3DXQUATERNION& q) {
  const D3DXQUATERNION diff = ref - q, sum = ref + q;
  return Dot4(diff, diff) > Dot4(sum, sum) ? -q : q;
}

// Mul(q, Exp(-1/4 (Ln(Mul(Inv q, prev)) + Ln(Mul(Inv q, next))))).
D3DXQUATERNION SquadControl(const D3DXQUATERNION& prev, const D3DXQUATERNION& q, const D3DXQUATERNION& next) {
  D3DXQUATERNION inv, a, b;
  D3DXQuaternionInverse(&inv, &q);
  D3DXQuaternionMultiply(&a, &inv, &prev);
  D3DXQuaternionMultiply(&b, &inv, &next);
  D3DXQuaternionLn(&a, &a);
  D3DXQuaternionLn(&b, &b);
  D3DXQUATERNION e = (a + b) * -0.25f;
  D3DXQuaternionExp(&e, &e);
  D3DXQUATERNION r;
  D3DXQuaternionMultiply(&r, &q, &e);
  return r;
}

}  // namespace

namespace mathref {

D3DXQUATERNION* QuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2) {
  const D3DXQUATERNION a = *q1, b = *q2;
  *out = D3DXQUATERNION(
      b.w * a.x + b.x * a.w + b.y * a.z - b.z * a.y, b.w * a.y - b.x * a.z + b.y * a.w + b.z * a.x,
      b.w * a.z + b.x * a.y - b.y * a.x + b.z * a.w, b.w * a.w - b.x * a.x - b.y * a.y - b.z * a.z);
  return out;
}

D3DXQUATERNION* QuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
  const D3DXQUATERNION c(-q->x, -q->y, -q->z, q->w);
  const float n = Dot4(*q, *q);
  if (!(n > kQuatInverseMin)) {
    *out = D3DXQUATERNION(0, 0, 0, 0);
  } else if (NearOne(n)) {
    *out = c;
  } else {
    *out = c / n;
  }
  return out;
}

D3DXQUATERNION* QuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, FLOAT angle) {
  D3DXVECTOR3 n;
  D3DXVec3Normalize(&n, axis);
  const float s = std::sin(angle * 0.5f), c = std::cos(angle * 0.5f);
  *out = D3DXQUATERNION(n.x * s, n.y * s, n.z * s, c);
  return out;
}

D3DXQUATERNION* QuaternionRotationYawPitchRoll(D3DXQUATERNION* out, FLOAT yaw, FLOAT pitch, FLOAT roll) {
  const float sy = std::sin(yaw * 0.5f), cy = std::cos(yaw * 0.5f);
  const float sp = std::sin(pitch * 0.5f), cp = std::cos(pitch * 0.5f);
  const float sr = std::sin(roll * 0.5f), cr = std::cos(roll * 0.5f);
  *out = D3DXQUATERNION(cy * sp * cr + sy * cp * sr, sy * cp * cr - cy * sp * sr, cy * cp * sr - sy * sp * cr,
                        cy * cp * cr + sy * sp * sr);
  return out;
}

D3DXQUATERNION* QuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m) {
  const float t = m->_11 + m->_22 + m->_33;
  float q[4];  // x, y, z, w
  if (t > 0.0f) {
    const float w = std::sqrt(t + 1.0f) * 0.5f, k = 1.0f / (4.0f * w);
    q[0] = (m->_23 - m->_32) * k;
    q[1] = (m->_31 - m->_13) * k;
    q[2] = (m->_12 - m->_21) * k;
    q[3] = w;
  } else {
    const float d[3] = {m->_11 - m->_22 - m->_33, m->_22 - m->_11 - m->_33, m->_33 - m->_22 - m->_11};
    int i = d[0] >= d[1] ? 0 : 1;
    if (d[2] > d[i]) i = 2;
    const int j = (i + 1) % 3, k = (j + 1) % 3;
    const float qi = std::sqrt(d[i] + 1.0f) * 0.5f, r = 1.0f / (4.0f * qi);
    q[i] = qi;
    q[j] = (m->m[i][j] + m->m[j][i]) * r;
    q[k] = (m->m[i][k] + m->m[k][i]) * r;
    q[3] = (m->m[j][k] - m->m[k][j]) * r;
  }
  *out = D3DXQUATERNION(q);
  return out;
}

void QuaternionToAxisAngle(const D3DXQUATERNION* q, D3DXVECTOR3* axis, FLOAT* angle) {
  const D3DXQUATERNION c = *q;
  if (axis) *axis = D3DXVECTOR3(c.x, c.y, c.z);
  if (angle) *angle = 2.0f * std::acos(c.w);
}

D3DXQUATERNION* QuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2,
                                FLOAT t) {
  const D3DXQUATERNION a = *q1, b = *q2;
  const float d = Dot4(a, b);
  const float sign = d < 0.0f ? -1.0f : 1.0f;
  const float c = sign * d;
  float k1, k2;
  if (1.0f - c > kEpsilon) {
    const float theta = std::atan2(std::sqrt(1.0f - c * c), c);
    const float s = std::sin(theta);
    k1 = std::sin((1.0f - t) * theta) / s;
    k2 = std::sin(t * theta) / s;
  } else {
    k1 = 1.0f - t;
    k2 = t;
  }
  k2 *= sign;
  *out = D3DXQUATERNION(k1 * a.x + k2 * b.x, k1 * a.y + k2 * b.y, k1 * a.z + k2 * b.z, k1 * a.w + k2 * b.w);
  return out;
}

D3DXQUATERNION* QuaternionLn(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
  const D3DXQUATERNION c = *q;
  if (c.w < 1.0f) {
    const float theta = std::acos(c.w), s = std::sin(theta);
    if (!NearZero(s)) {
      const float k = theta / s;
      *out = D3DXQUATERNION(c.x * k, c.y * k, c.z * k, 0.0f);
      return out;
    }
  }
  *out = D3DXQUATERNION(c.x, c.y, c.z, 0.0f);
  return out;
}

D3DXQUATERNION* QuaternionExp(D3DXQUATERNION* out, const D3DXQUATERNION* q) {
  const D3DXQUATERNION c = *q;
  const float theta = std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z);
  const float s = std::sin(theta), w = std::cos(theta);
  if (!NearZero(s)) {
    const float k = s / theta;
    *out = D3DXQUATERNION(c.x * k, c.y * k, c.z * k, w);
  } else {
    *out = D3DXQUATERNION(c.x, c.y, c.z, w);
  }
  return out;
}

D3DXQUATERNION* QuaternionSquad(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* a,
                                const D3DXQUATERNION* b, const D3DXQUATERNION* c, FLOAT t) {
  D3DXQUATERNION s1, s2;
  D3DXQuaternionSlerp(&s1, q1, c, t);
  D3DXQuaternionSlerp(&s2, a, b, t);
  return D3DXQuaternionSlerp(out, &s1, &s2, 2.0f * t * (1.0f - t));
}

void QuaternionSquadSetup(D3DXQUATERNION* aOut, D3DXQUATERNION* bOut, D3DXQUATERNION* cOut,
                          const D3DXQUATERNION* q0, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2,
                          const D3DXQUATERNION* q3) {
  const D3DXQUATERNION p1 = *q1;
  const D3DXQUATERNION p0 = Nearer(p1, *q0);
  const D3DXQUATERNION p2 = Nearer(p1, *q2);
  const D3DXQUATERNION p3 = Nearer(p2, *q3);
  const D3DXQUATERNION a = SquadControl(p0, p1, p2);
  const D3DXQUATERNION b = SquadControl(p1, p2, p3);
  *aOut = a;
  *bOut = b;
  *cOut = p2;
}

D3DXQUATERNION* QuaternionBaryCentric(D3DXQUATERNION* out, const D3DXQUATERNION* q1, const D3DXQUATERNION* q2,
                                      const D3DXQUATERNION* q3, FLOAT f, FLOAT g) {
  const float s = f + g;
  if (NearZero(s)) {
    *out = *q1;
    return out;
  }
  D3DXQUATERNION a, b;
  D3DXQuaternionSlerp(&a, q1, q2, s);
  D3DXQuaternionSlerp(&b, q1, q3, s);
  return D3DXQuaternionSlerp(out, &a, &b, g / s);
}

}  // namespace mathref
