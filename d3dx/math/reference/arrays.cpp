// Reference transform arrays: the single-element formula per element, strides in bytes.
#include "../dispatch.h"
#include "../mathutil.h"

using mathutil::Step;

namespace {

template <typename Out, typename In, typename Fn>
Out* ForEach(Out* out, UINT os, const In* in, UINT is, UINT n, Fn fn) {
  Out* o = out;
  for (UINT i = 0; i < n; ++i, o = Step(o, os), in = Step(in, is)) fn(o, in);
  return out;
}

}  // namespace

namespace mathref {

D3DXVECTOR4* Vec2TransformArray(D3DXVECTOR4* out, UINT os, const D3DXVECTOR2* v, UINT vs, const D3DXMATRIX* m,
                                UINT n) {
  return ForEach(out, os, v, vs, n, [m](D3DXVECTOR4* o, const D3DXVECTOR2* i) { Vec2Transform(o, i, m); });
}
D3DXVECTOR2* Vec2TransformCoordArray(D3DXVECTOR2* out, UINT os, const D3DXVECTOR2* v, UINT vs,
                                     const D3DXMATRIX* m, UINT n) {
  return ForEach(out, os, v, vs, n,
                 [m](D3DXVECTOR2* o, const D3DXVECTOR2* i) { Vec2TransformCoord(o, i, m); });
}
D3DXVECTOR2* Vec2TransformNormalArray(D3DXVECTOR2* out, UINT os, const D3DXVECTOR2* v, UINT vs,
                                      const D3DXMATRIX* m, UINT n) {
  return ForEach(out, os, v, vs, n,
                 [m](D3DXVECTOR2* o, const D3DXVECTOR2* i) { Vec2TransformNormal(o, i, m); });
}
D3DXVECTOR4* Vec3TransformArray(D3DXVECTOR4* out, UINT os, const D3DXVECTOR3* v, UINT vs, const D3DXMATRIX* m,
                                UINT n) {
  return ForEach(out, os, v, vs, n, [m](D3DXVECTOR4* o, const D3DXVECTOR3* i) { Vec3Transform(o, i, m); });
}
D3DXVECTOR3* Vec3TransformCoordArray(D3DXVECTOR3* out, UINT os, const D3DXVECTOR3* v, UINT vs,
                                     const D3DXMATRIX* m, UINT n) {
  return ForEach(out, os, v, vs, n,
                 [m](D3DXVECTOR3* o, const D3DXVECTOR3* i) { Vec3TransformCoord(o, i, m); });
}
D3DXVECTOR3* Vec3TransformNormalArray(D3DXVECTOR3* out, UINT os, const D3DXVECTOR3* v, UINT vs,
                                      const D3DXMATRIX* m, UINT n) {
  return ForEach(out, os, v, vs, n,
                 [m](D3DXVECTOR3* o, const D3DXVECTOR3* i) { Vec3TransformNormal(o, i, m); });
}
D3DXVECTOR4* Vec4TransformArray(D3DXVECTOR4* out, UINT os, const D3DXVECTOR4* v, UINT vs, const D3DXMATRIX* m,
                                UINT n) {
  return ForEach(out, os, v, vs, n, [m](D3DXVECTOR4* o, const D3DXVECTOR4* i) { Vec4Transform(o, i, m); });
}
D3DXPLANE* PlaneTransformArray(D3DXPLANE* out, UINT os, const D3DXPLANE* p, UINT ps, const D3DXMATRIX* m,
                               UINT n) {
  return ForEach(out, os, p, ps, n, [m](D3DXPLANE* o, const D3DXPLANE* i) { PlaneTransform(o, i, m); });
}

}  // namespace mathref
