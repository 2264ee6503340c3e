// Colour adjustments and the Fresnel term (not dispatched).
#include <d3dx9math.h>

#include <algorithm>
#include <cmath>

D3DXCOLOR* D3DXColorAdjustSaturation(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT s) {
  const D3DXCOLOR v = *c;
  const float grey = 0.2125f * v.r + 0.7154f * v.g + 0.0721f * v.b;
  *out = D3DXCOLOR(grey + s * (v.r - grey), grey + s * (v.g - grey), grey + s * (v.b - grey), v.a);
  return out;
}

D3DXCOLOR* D3DXColorAdjustContrast(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT k) {
  const D3DXCOLOR v = *c;
  *out = D3DXCOLOR(0.5f + k * (v.r - 0.5f), 0.5f + k * (v.g - 0.5f), 0.5f + k * (v.b - 0.5f), v.a);
  return out;
}

FLOAT D3DXFresnelTerm(FLOAT cosTheta, FLOAT n) {
  const float c = cosTheta;
  if (c < 1.1754944e-38f) return 1.0f;
  const float g = std::sqrt(std::fabs(n * n - 1.0f + c * c));
  const float a = (g - c) / (g + c);
  const float b = (c * g - (1.0f - c * c)) / (c * g + (1.0f - c * c));
  const float f = 0.5f * a * a * (1.0f + b * b);
  if (!(f > 0.0f)) return 0.0f;
  return std::min(f, 1.0f);
}
