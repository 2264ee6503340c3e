// The creation of a texture, cube texture or volume texture from an image file in memory: the
// core that every FromFile, FromResource and FromFileInMemory entry reaches.
#pragma once
#include <d3dx9tex.h>

namespace d3dx {

// The caller's arguments, as given (D3DX_DEFAULT and 0 not yet resolved).
struct TextureFileRequest {
  D3DRESOURCETYPE type;
  UINT width, height, depth;  // depth 1 for textures and cube textures
  UINT mipLevels;
  DWORD usage;
  D3DFORMAT format;
  D3DPOOL pool;
  DWORD filter, mipFilter;
  D3DCOLOR colorKey;
};

// Decodes `data` and creates the texture of `request.type`, filled from the image. The info and
// palette outputs (each optional) and `texture` are written only on success.
HRESULT CreateTextureFromImageFile(IDirect3DDevice9* device, const void* data, UINT size,
                                   const TextureFileRequest& request, D3DXIMAGE_INFO* info,
                                   PALETTEENTRY* palette, IDirect3DBaseTexture9** texture);

}  // namespace d3dx
