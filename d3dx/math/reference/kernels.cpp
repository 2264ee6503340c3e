// Reference versions of the two internal kernels of the skinning and N-patch code.
#include "../dispatch.h"

namespace mathref {

D3DXVECTOR3* SkinnedVertexBlend(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* const* bones,
                                const FLOAT* weights, UINT influences) {
  const float x = v->x, y = v->y, z = v->z;
  float r[3] = {0, 0, 0};
  for (UINT i = 0; i < influences; ++i) {
    const D3DXMATRIX& m = *bones[i];
    const float w = weights[i];
    for (int c = 0; c < 3; ++c) r[c] += w * (x * m.m[0][c] + y * m.m[1][c] + z * m.m[2][c] + m.m[3][c]);
  }
  *out = D3DXVECTOR3(r[0], r[1], r[2]);
  return out;
}

// Control points in the order b300, b030, b003, b210, b120, b021, b012, b102, b201, b111.
D3DXVECTOR3* NPatchTessellation(D3DXVECTOR3* out, const D3DXVECTOR3* b, FLOAT u, FLOAT v) {
  const float w = 1.0f - u - v;
  const float k[10] = {w * w * w,     u * u * u,     v * v * v,     3 * w * w * u, 3 * w * u * u,
                       3 * u * u * v, 3 * u * v * v, 3 * w * v * v, 3 * w * w * v, 6 * w * u * v};
  float r[3] = {0, 0, 0};
  for (int i = 0; i < 10; ++i) {
    r[0] += k[i] * b[i].x;
    r[1] += k[i] * b[i].y;
    r[2] += k[i] * b[i].z;
  }
  *out = D3DXVECTOR3(r[0], r[1], r[2]);
  return out;
}

}  // namespace mathref
