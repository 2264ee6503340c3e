// Reference versions of the composite matrix builders.
#include "../dispatch.h"
#include "../mathutil.h"

namespace {

void AddToTranslation(D3DXMATRIX& m, const D3DXVECTOR3& v, float sign) {
  m._41 += sign * v.x;
  m._42 += sign * v.y;
  m._43 += sign * v.z;
}

}  // namespace

namespace mathref {

// Scaling in the frame of the scaling rotation, then rotation about the rotation centre, then
// translation. The scaling centre only counts together with a scaling rotation: callers rely on
// a centre given with a plain scaling having no effect.
D3DXMATRIX* MatrixTransformation(D3DXMATRIX* out, const D3DXVECTOR3* sc, const D3DXQUATERNION* sr,
                                 const D3DXVECTOR3* s, const D3DXVECTOR3* rc, const D3DXQUATERNION* r,
                                 const D3DXVECTOR3* t) {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  if (s) {
    D3DXMatrixScaling(&m, s->x, s->y, s->z);
    if (sr) {
      D3DXMATRIX rot, rotT;
      D3DXMatrixRotationQuaternion(&rot, sr);
      D3DXMatrixTranspose(&rotT, &rot);
      D3DXMatrixMultiply(&m, &rotT, &m);
      D3DXMatrixMultiply(&m, &m, &rot);
      if (sc) {
        const D3DXVECTOR3 c = *sc;
        D3DXMATRIX toOrigin;
        D3DXMatrixTranslation(&toOrigin, -c.x, -c.y, -c.z);
        D3DXMatrixMultiply(&m, &toOrigin, &m);
        AddToTranslation(m, c, 1.0f);
      }
    }
  }
  if (r) {
    D3DXMATRIX q;
    D3DXMatrixRotationQuaternion(&q, r);
    if (rc) {
      const D3DXVECTOR3 c = *rc;
      AddToTranslation(m, c, -1.0f);
      D3DXMatrixMultiply(&m, &m, &q);
      AddToTranslation(m, c, 1.0f);
    } else {
      D3DXMatrixMultiply(&m, &m, &q);
    }
  }
  if (t) AddToTranslation(m, *t, 1.0f);
  *out = m;
  return out;
}

D3DXMATRIX* MatrixAffineTransformation(D3DXMATRIX* out, FLOAT s, const D3DXVECTOR3* rc,
                                       const D3DXQUATERNION* r, const D3DXVECTOR3* t) {
  D3DXMATRIX m;
  D3DXMatrixScaling(&m, s, s, s);
  if (r) {
    D3DXMATRIX q;
    D3DXMatrixRotationQuaternion(&q, r);
    if (rc) {
      const D3DXVECTOR3 c = *rc;
      AddToTranslation(m, c, -1.0f);
      D3DXMatrixMultiply(&m, &m, &q);
      AddToTranslation(m, c, 1.0f);
    } else {
      D3DXMatrixMultiply(&m, &m, &q);
    }
  }
  if (t) AddToTranslation(m, *t, 1.0f);
  *out = m;
  return out;
}

D3DXMATRIX* MatrixShadow(D3DXMATRIX* out, const D3DXVECTOR4* light, const D3DXPLANE* plane) {
  D3DXPLANE p;
  D3DXPlaneNormalize(&p, plane);
  const float P[4] = {p.a, p.b, p.c, p.d};
  const float L[4] = {light->x, light->y, light->z, light->w};
  const float d = P[0] * L[0] + P[1] * L[1] + P[2] * L[2] + P[3] * L[3];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) out->m[r][c] = (r == c ? d : 0.0f) - P[r] * L[c];
  return out;
}

D3DXMATRIX* MatrixReflect(D3DXMATRIX* out, const D3DXPLANE* plane) {
  D3DXPLANE p;
  D3DXPlaneNormalize(&p, plane);
  const float P[3] = {p.a, p.b, p.c};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) out->m[r][c] = (r == c ? 1.0f : 0.0f) - 2.0f * P[r] * P[c];
    out->m[r][3] = 0.0f;
  }
  for (int c = 0; c < 3; ++c) out->m[3][c] = -2.0f * p.d * P[c];
  out->m[3][3] = 1.0f;
  return out;
}

}  // namespace mathref
