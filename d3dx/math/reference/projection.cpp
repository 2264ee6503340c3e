// Reference versions of project and unproject, single and array.
#include "../dispatch.h"
#include "../mathutil.h"

using mathutil::Step;

namespace {

// W * V * P over the matrices present; identity when none is.
D3DXMATRIX Combine(const D3DXMATRIX* p, const D3DXMATRIX* view, const D3DXMATRIX* world) {
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  if (world) m = *world;
  if (view) D3DXMatrixMultiply(&m, &m, view);
  if (p) D3DXMatrixMultiply(&m, &m, p);
  return m;
}

D3DXVECTOR3 ProjectOne(const D3DXVECTOR3& v, const D3DVIEWPORT9* vp, const D3DXMATRIX& m) {
  D3DXVECTOR3 p;
  D3DXVec3TransformCoord(&p, &v, &m);
  if (vp) {
    p.x = vp->X + (1.0f + p.x) * vp->Width / 2.0f;
    p.y = vp->Y + (1.0f - p.y) * vp->Height / 2.0f;
    p.z = vp->MinZ + p.z * (vp->MaxZ - vp->MinZ);
  }
  return p;
}

// `inverse` is null when the combined matrix has no inverse: the result is then zero.
D3DXVECTOR3 UnprojectOne(const D3DXVECTOR3& v, const D3DVIEWPORT9* vp, const D3DXMATRIX* inverse) {
  if (!inverse) return D3DXVECTOR3(0, 0, 0);
  D3DXVECTOR3 s = v;
  if (vp) {
    s.x = ((v.x - vp->X) / vp->Width) * 2.0f - 1.0f;
    s.y = -(((v.y - vp->Y) / vp->Height) * 2.0f - 1.0f);
    s.z = (v.z - vp->MinZ) / (vp->MaxZ - vp->MinZ);
  }
  D3DXVECTOR3 r;
  D3DXVec3TransformCoord(&r, &s, inverse);
  return r;
}

// The inverse of the combination, or null when it is singular. With no matrix at all there is
// nothing to invert.
const D3DXMATRIX* CombinedInverse(D3DXMATRIX& storage, const D3DXMATRIX* p, const D3DXMATRIX* view,
                                  const D3DXMATRIX* world) {
  D3DXMatrixIdentity(&storage);
  if (!p && !view && !world) return &storage;
  const D3DXMATRIX m = Combine(p, view, world);
  return D3DXMatrixInverse(&storage, nullptr, &m);
}

}  // namespace

namespace mathref {

D3DXVECTOR3* Vec3Project(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* vp, const D3DXMATRIX* p,
                         const D3DXMATRIX* view, const D3DXMATRIX* world) {
  *out = ProjectOne(*v, vp, Combine(p, view, world));
  return out;
}

D3DXVECTOR3* Vec3Unproject(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT9* vp,
                           const D3DXMATRIX* p, const D3DXMATRIX* view, const D3DXMATRIX* world) {
  D3DXMATRIX storage;
  *out = UnprojectOne(*v, vp, CombinedInverse(storage, p, view, world));
  return out;
}

D3DXVECTOR3* Vec3ProjectArray(D3DXVECTOR3* out, UINT os, const D3DXVECTOR3* v, UINT vs,
                              const D3DVIEWPORT9* vp, const D3DXMATRIX* p, const D3DXMATRIX* view,
                              const D3DXMATRIX* world, UINT n) {
  const D3DXMATRIX m = Combine(p, view, world);
  D3DXVECTOR3* o = out;
  for (UINT i = 0; i < n; ++i, o = Step(o, os), v = Step(v, vs)) *o = ProjectOne(*v, vp, m);
  return out;
}

D3DXVECTOR3* Vec3UnprojectArray(D3DXVECTOR3* out, UINT os, const D3DXVECTOR3* v, UINT vs,
                                const D3DVIEWPORT9* vp, const D3DXMATRIX* p, const D3DXMATRIX* view,
                                const D3DXMATRIX* world, UINT n) {
  D3DXMATRIX storage;
  const D3DXMATRIX* inverse = CombinedInverse(storage, p, view, world);
  D3DXVECTOR3* o = out;
  for (UINT i = 0; i < n; ++i, o = Step(o, os), v = Step(v, vs)) *o = UnprojectOne(*v, vp, inverse);
  return out;
}

}  // namespace mathref
