// View and projection builders (not dispatched).
#include <d3dx9math.h>

#include <cmath>

namespace {

D3DXMATRIX* LookAt(D3DXMATRIX* out, const D3DXVECTOR3& eye, const D3DXVECTOR3& forward,
                   const D3DXVECTOR3& up) {
  D3DXVECTOR3 x, y, z;
  D3DXVec3Normalize(&z, &forward);
  D3DXVec3Cross(&x, &up, &z);
  D3DXVec3Normalize(&x, &x);
  D3DXVec3Cross(&y, &z, &x);
  *out = D3DXMATRIX(x.x, y.x, z.x, 0,  //
                    x.y, y.y, z.y, 0,  //
                    x.z, y.z, z.z, 0,  //
                    -D3DXVec3Dot(&x, &eye), -D3DXVec3Dot(&y, &eye), -D3DXVec3Dot(&z, &eye), 1);
  return out;
}

D3DXMATRIX* Zero(D3DXMATRIX* out) {
  *out = D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  return out;
}

}  // namespace

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
  const D3DXVECTOR3 e = *eye, u = *up;
  return LookAt(out, e, *at - e, u);
}

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up) {
  const D3DXVECTOR3 e = *eye, u = *up;
  return LookAt(out, e, e - *at, u);
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf) {
  const float ys = std::cos(fovy * 0.5f) / std::sin(fovy * 0.5f), xs = ys / aspect;
  Zero(out);
  out->_11 = xs;
  out->_22 = ys;
  out->_33 = zf / (zf - zn);
  out->_34 = 1.0f;
  out->_43 = -zn * zf / (zf - zn);
  return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* out, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf) {
  const float ys = std::cos(fovy * 0.5f) / std::sin(fovy * 0.5f), xs = ys / aspect;
  Zero(out);
  out->_11 = xs;
  out->_22 = ys;
  out->_33 = zf / (zn - zf);
  out->_34 = -1.0f;
  out->_43 = zn * zf / (zn - zf);
  return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
  Zero(out);
  out->_11 = 2 * zn / w;
  out->_22 = 2 * zn / h;
  out->_33 = zf / (zf - zn);
  out->_34 = 1.0f;
  out->_43 = -zn * out->_33;
  return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveRH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
  Zero(out);
  out->_11 = 2 * zn / w;
  out->_22 = 2 * zn / h;
  out->_33 = zf / (zn - zf);
  out->_34 = -1.0f;
  out->_43 = zn * out->_33;
  return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveOffCenterLH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                             FLOAT zf) {
  Zero(out);
  out->_11 = 2 * zn / (r - l);
  out->_22 = 2 * zn / (t - b);
  out->_31 = (l + r) / (l - r);
  out->_32 = (t + b) / (b - t);
  out->_33 = zf / (zf - zn);
  out->_34 = 1.0f;
  out->_43 = -zn * out->_33;
  return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveOffCenterRH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                             FLOAT zf) {
  Zero(out);
  out->_11 = 2 * zn / (r - l);
  out->_22 = 2 * zn / (t - b);
  out->_31 = -(l + r) / (l - r);
  out->_32 = -(t + b) / (b - t);
  out->_33 = zf / (zn - zf);
  out->_34 = -1.0f;
  out->_43 = zn * out->_33;
  return out;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
  Zero(out);
  out->_11 = 2 / w;
  out->_22 = 2 / h;
  out->_33 = 1 / (zf - zn);
  out->_43 = -zn * out->_33;
  out->_44 = 1.0f;
  return out;
}

D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
  Zero(out);
  out->_11 = 2 / w;
  out->_22 = 2 / h;
  out->_33 = 1 / (zn - zf);
  out->_43 = zn * out->_33;
  out->_44 = 1.0f;
  return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                       FLOAT zf) {
  Zero(out);
  out->_11 = 2 / (r - l);
  out->_22 = 2 / (t - b);
  out->_33 = 1 / (zf - zn);
  out->_41 = (l + r) / (l - r);
  out->_42 = (t + b) / (b - t);
  out->_43 = -zn * out->_33;
  out->_44 = 1.0f;
  return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                       FLOAT zf) {
  Zero(out);
  out->_11 = 2 / (r - l);
  out->_22 = 2 / (t - b);
  out->_33 = 1 / (zn - zf);
  out->_41 = (l + r) / (l - r);
  out->_42 = (t + b) / (b - t);
  out->_43 = zn * out->_33;
  out->_44 = 1.0f;
  return out;
}
