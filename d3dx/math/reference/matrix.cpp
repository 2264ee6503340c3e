// Reference versions of the matrix products, inverse and simple builders.
#include "../adjugate.h"
#include "../dispatch.h"
#include "../mathutil.h"

using namespace mathutil;

namespace mathref {

D3DXMATRIX* MatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  D3DXMATRIX t;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      t.m[r][c] = a->m[r][0] * b->m[0][c] + a->m[r][1] * b->m[1][c] + a->m[r][2] * b->m[2][c] +
                  a->m[r][3] * b->m[3][c];
  *out = t;
  return out;
}

D3DXMATRIX* MatrixMultiplyTranspose(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  D3DXMATRIX t;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      t.m[c][r] = a->m[r][0] * b->m[0][c] + a->m[r][1] * b->m[1][c] + a->m[r][2] * b->m[2][c] +
                  a->m[r][3] * b->m[3][c];
  *out = t;
  return out;
}

D3DXMATRIX* MatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
  D3DXMATRIX t;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) t.m[c][r] = m->m[r][c];
  *out = t;
  return out;
}

FLOAT MatrixDeterminant(const D3DXMATRIX* m) {
  double adj[4][4];
  return (float)Adjugate4(m, adj);
}

D3DXMATRIX* MatrixInverse(D3DXMATRIX* out, FLOAT* determinant, const D3DXMATRIX* m) {
  double adj[4][4];
  const float det = (float)Adjugate4(m, adj);
  if (determinant) *determinant = det;
  if (det == 0.0f) return nullptr;
  const float r = 1.0f / det;
  if (!std::isfinite(r)) return nullptr;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) out->m[i][j] = (float)(r * adj[i][j]);
  return out;
}

D3DXMATRIX* MatrixScaling(D3DXMATRIX* out, FLOAT x, FLOAT y, FLOAT z) {
  *out = D3DXMATRIX(x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* MatrixTranslation(D3DXMATRIX* out, FLOAT x, FLOAT y, FLOAT z) {
  *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
  return out;
}

D3DXMATRIX* MatrixRotationX(D3DXMATRIX* out, FLOAT angle) {
  const float s = std::sin(angle), c = std::cos(angle);
  *out = D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* MatrixRotationY(D3DXMATRIX* out, FLOAT angle) {
  const float s = std::sin(angle), c = std::cos(angle);
  *out = D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* MatrixRotationZ(D3DXMATRIX* out, FLOAT angle) {
  const float s = std::sin(angle), c = std::cos(angle);
  *out = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
  return out;
}

D3DXMATRIX* MatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, FLOAT angle) {
  D3DXVECTOR3 n;
  D3DXVec3Normalize(&n, axis);
  const float s = std::sin(angle), c = std::cos(angle), t = 1.0f - c;
  const float x = n.x, y = n.y, z = n.z;
  *out = D3DXMATRIX(t * x * x + c, t * x * y + z * s, t * x * z - y * s, 0,  //
                    t * x * y - z * s, t * y * y + c, t * y * z + x * s, 0,  //
                    t * x * z + y * s, t * y * z - x * s, t * z * z + c, 0,  //
                    0, 0, 0, 1);
  return out;
}

D3DXMATRIX* MatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q) {
  const float x = q->x, y = q->y, z = q->z, w = q->w;
  *out = D3DXMATRIX(1 - 2 * y * y - 2 * z * z, 2 * x * y + 2 * z * w, 2 * x * z - 2 * y * w, 0,  //
                    2 * x * y - 2 * z * w, 1 - 2 * x * x - 2 * z * z, 2 * y * z + 2 * x * w, 0,  //
                    2 * x * z + 2 * y * w, 2 * y * z - 2 * x * w, 1 - 2 * x * x - 2 * y * y, 0,  //
                    0, 0, 0, 1);
  return out;
}

D3DXMATRIX* MatrixRotationYawPitchRoll(D3DXMATRIX* out, FLOAT yaw, FLOAT pitch, FLOAT roll) {
  D3DXQUATERNION q;
  D3DXQuaternionRotationYawPitchRoll(&q, yaw, pitch, roll);
  return D3DXMatrixRotationQuaternion(out, &q);
}

}  // namespace mathref
