// Reference versions of the plane operations.
#include "../dispatch.h"
#include "../mathutil.h"

using namespace mathutil;

namespace mathref {

D3DXPLANE* PlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p) {
  const D3DXPLANE c = *p;
  const float n = c.a * c.a + c.b * c.b + c.c * c.c;
  if (NearOne(n)) {
    *out = c;
  } else if (!(n > kMinNormal)) {
    *out = D3DXPLANE(0, 0, 0, 0);
  } else {
    *out = c * (1.0f / std::sqrt(n));
  }
  return out;
}

D3DXVECTOR3* PlaneIntersectLine(D3DXVECTOR3* out, const D3DXPLANE* p, const D3DXVECTOR3* v1,
                                const D3DXVECTOR3* v2) {
  const D3DXVECTOR3 a = *v1, b = *v2;
  const float d1 = p->a * a.x + p->b * a.y + p->c * a.z;
  const float d2 = p->a * b.x + p->b * b.y + p->c * b.z;
  const float den = d1 - d2;
  if (den == 0.0f) return nullptr;
  const float t = (d1 + p->d) / den;
  if (!std::isfinite(t)) return nullptr;
  *out = D3DXVECTOR3(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z));
  return out;
}

D3DXPLANE* PlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* p, const D3DXVECTOR3* n) {
  const D3DXVECTOR3 a = *p, b = *n;
  *out = D3DXPLANE(b.x, b.y, b.z, -(a.x * b.x + a.y * b.y + a.z * b.z));
  return out;
}

D3DXPLANE* PlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2,
                           const D3DXVECTOR3* v3) {
  const D3DXVECTOR3 a = *v1;
  const D3DXVECTOR3 e1 = a - *v2, e2 = a - *v3;
  D3DXVECTOR3 n;
  D3DXVec3Cross(&n, &e1, &e2);
  D3DXVec3Normalize(&n, &n);
  *out = D3DXPLANE(n.x, n.y, n.z, -(n.x * a.x + n.y * a.y + n.z * a.z));
  return out;
}

}  // namespace mathref
