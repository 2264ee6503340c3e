// The scene's shared helpers: named colours and materials, the light and material makers, and
// the textured vertex used by the screen quad and the sky box.
#pragma once
#include <d3dx9math.h>
#include <windows.h>

struct TexturedVertex {
  float x, y, z;
  float u, v;
  static constexpr DWORD FVF = D3DFVF_XYZ | D3DFVF_TEX1;
};
static_assert(sizeof(TexturedVertex) == 20);

extern const D3DXCOLOR White, Black, Red, Green, Blue, Yellow, Cyan, Magenta;
extern const D3DMATERIAL9 WhiteMaterial, RedMaterial, GreenMaterial, BlueMaterial, YellowMaterial;

D3DLIGHT9 MakeDirectionalLight(const D3DXVECTOR3& direction, const D3DXCOLOR& color);
D3DMATERIAL9 MakeMaterial(const D3DXCOLOR& ambient, const D3DXCOLOR& diffuse, const D3DXCOLOR& specular,
                          const D3DXCOLOR& emissive, float power);

// Every message of the demo: no owner, no caption, an OK button.
void ShowFailure(const char* text);
