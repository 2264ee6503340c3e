#include "d3d_utility.h"

const D3DXCOLOR White(DWORD(0xFFFFFFFF));
const D3DXCOLOR Black(DWORD(0xFF000000));
const D3DXCOLOR Red(DWORD(0xFFFF0000));
const D3DXCOLOR Green(DWORD(0xFF00FF00));
const D3DXCOLOR Blue(DWORD(0xFF0000FF));
const D3DXCOLOR Yellow(DWORD(0xFFFFFF00));
const D3DXCOLOR Cyan(DWORD(0xFF00FFFF));
const D3DXCOLOR Magenta(DWORD(0xFFFF00FF));

namespace {
// Built from the ARGB word directly so the materials do not depend on the order in which the
// colour constants above are initialised.
D3DMATERIAL9 Named(DWORD argb) {
  D3DXCOLOR c(argb);
  return MakeMaterial(c, c, c, D3DXCOLOR(DWORD(0xFF000000)), 2.0f);
}
}  // namespace

const D3DMATERIAL9 WhiteMaterial = Named(0xFFFFFFFF);
const D3DMATERIAL9 RedMaterial = Named(0xFFFF0000);
const D3DMATERIAL9 GreenMaterial = Named(0xFF00FF00);
const D3DMATERIAL9 BlueMaterial = Named(0xFF0000FF);
const D3DMATERIAL9 YellowMaterial = Named(0xFFFFFF00);

D3DLIGHT9 MakeDirectionalLight(const D3DXVECTOR3& direction, const D3DXCOLOR& color) {
  D3DLIGHT9 light{};
  light.Type = D3DLIGHT_DIRECTIONAL;
  light.Ambient = color;
  light.Diffuse = color;
  light.Specular = color;
  light.Direction = direction;
  return light;
}

D3DMATERIAL9 MakeMaterial(const D3DXCOLOR& ambient, const D3DXCOLOR& diffuse, const D3DXCOLOR& specular,
                          const D3DXCOLOR& emissive, float power) {
  D3DMATERIAL9 m{};
  m.Ambient = ambient;
  m.Diffuse = diffuse;
  m.Specular = specular;
  m.Emissive = emissive;
  m.Power = power;
  return m;
}

void ShowFailure(const char* text) { MessageBoxA(nullptr, text, nullptr, MB_OK); }
