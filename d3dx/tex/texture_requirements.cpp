// Requirement checks and the creation of empty textures: sizes limited and rounded by the
// device's capabilities, the format matched against what it accepts, the level count chosen.
#include "texture_requirements.h"

#include <d3dx9tex.h>

#include <algorithm>
#include <cstdint>

#include "format_info.h"

namespace d3dx {
namespace {

bool IsPowerOfTwo(UINT v) { return v && !(v & (v - 1)); }

UINT NextPowerOfTwo(UINT v) {
  UINT p = 1;
  while (p < v && p < 0x80000000u) p <<= 1;
  return p < v ? v : p;
}

// A limit of 0 is a capability the device did not fill in: no limit.
UINT Limit(UINT value, uint64_t limit) { return limit && value > limit ? UINT(limit) : value; }

// The capability bits that differ between the three resource types.
struct TypeCaps {
  DWORD pow2;
  DWORD mipmap;
};

TypeCaps CapsOf(D3DRESOURCETYPE type) {
  switch (type) {
    case D3DRTYPE_VOLUMETEXTURE:
      return {D3DPTEXTURECAPS_VOLUMEMAP_POW2, D3DPTEXTURECAPS_MIPVOLUMEMAP};
    case D3DRTYPE_CUBETEXTURE:
      return {D3DPTEXTURECAPS_CUBEMAP_POW2, D3DPTEXTURECAPS_MIPCUBEMAP};
    default:
      return {D3DPTEXTURECAPS_POW2, D3DPTEXTURECAPS_MIPMAP};
  }
}

struct Extent {
  UINT width, height, depth;
};

// Sizes given as D3DX_DEFAULT (or null) take 256, or the other size when only one is given.
Extent RequestedExtent(D3DRESOURCETYPE type, const UINT* width, const UINT* height, const UINT* depth) {
  const bool hasWidth = width && *width != D3DX_DEFAULT, hasHeight = height && *height != D3DX_DEFAULT;
  Extent e = {256, 256, 1};
  if (hasWidth && hasHeight)
    e.width = *width, e.height = *height;
  else if (hasWidth)
    e.width = e.height = *width;
  else if (hasHeight)
    e.width = e.height = *height;
  e.width = std::max(e.width, 1u);
  e.height = std::max(e.height, 1u);
  if (type == D3DRTYPE_CUBETEXTURE) e.width = e.height = std::max(e.width, e.height);
  if (type == D3DRTYPE_VOLUMETEXTURE && depth && *depth != D3DX_DEFAULT && *depth != 0) e.depth = *depth;
  return e;
}

// The device's size limits, aspect limit and power-of-two rule.
void FitExtentToCaps(const D3DCAPS9& caps, D3DRESOURCETYPE type, UINT requestedLevels, Extent& e) {
  if (type == D3DRTYPE_VOLUMETEXTURE) {
    e.width = Limit(e.width, caps.MaxVolumeExtent);
    e.height = Limit(e.height, caps.MaxVolumeExtent);
    e.depth = Limit(e.depth, caps.MaxVolumeExtent);
  } else {
    e.width = Limit(e.width, caps.MaxTextureWidth);
    e.height = Limit(e.height, caps.MaxTextureHeight);
    if (type == D3DRTYPE_TEXTURE) {
      const uint64_t aspect =
          (caps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) ? 1 : uint64_t(caps.MaxTextureAspectRatio);
      if (aspect) {
        e.width = Limit(e.width, aspect * e.height);
        e.height = Limit(e.height, aspect * e.width);
      }
    }
  }
  const bool conditional = requestedLevels == 1 && (caps.TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL);
  if ((caps.TextureCaps & CapsOf(type).pow2) && !conditional) {
    e.width = NextPowerOfTwo(e.width);
    e.height = NextPowerOfTwo(e.height);
    e.depth = NextPowerOfTwo(e.depth);
  }
}

bool IsBlockFormat(D3DFORMAT f) { return LayoutOf(f) == PixelLayout::Block4x4; }

UINT ChooseLevels(const D3DCAPS9* caps, D3DRESOURCETYPE type, const Extent& e, UINT requested, DWORD usage) {
  const UINT depth = type == D3DRTYPE_VOLUMETEXTURE ? e.depth : 1;
  UINT levels;
  const bool nonPow2 = !IsPowerOfTwo(e.width) || !IsPowerOfTwo(e.height) || !IsPowerOfTwo(depth);
  if (caps && (!(caps->TextureCaps & CapsOf(type).mipmap) ||
               ((caps->TextureCaps & D3DPTEXTURECAPS_NONPOW2CONDITIONAL) && nonPow2))) {
    levels = 1;
  } else {
    const UINT full = FullChainLevels(e.width, e.height, depth);
    levels = requested != 0 && requested <= full ? requested : full;
  }
  if (levels != 1 && (usage & D3DUSAGE_AUTOGENMIPMAP)) levels = 0;
  return levels;
}

}  // namespace

UINT FullChainLevels(UINT width, UINT height, UINT depth) {
  UINT largest = std::max({width, height, depth}), levels = 0;
  for (; largest; largest >>= 1) ++levels;
  return std::max(levels, 1u);
}

HRESULT CheckTextureRequirements(IDirect3DDevice9* device, D3DRESOURCETYPE type, UINT* width, UINT* height,
                                 UINT* depth, UINT* levels, DWORD usage, D3DFORMAT* format, D3DPOOL pool) {
  if (!device) return D3DERR_INVALIDCALL;
  if (usage == D3DX_DEFAULT) usage = 0;
  if ((usage & kRefusedUsageBits) || UINT(pool) > UINT(D3DPOOL_SCRATCH)) return D3DERR_INVALIDCALL;

  const bool scratch = pool == D3DPOOL_SCRATCH;
  D3DFORMAT chosen = format ? *format : D3DFMT_UNKNOWN;
  if (!scratch) {
    chosen = MatchDeviceFormat(device, usage, type, chosen);
    if (chosen == D3DFMT_UNKNOWN) return D3DERR_NOTAVAILABLE;
  } else if (chosen == D3DFMT_UNKNOWN) {
    chosen = D3DFMT_A8R8G8B8;
  }

  const UINT requestedLevels = levels ? *levels : 0;
  Extent e = RequestedExtent(type, width, height, depth);
  D3DCAPS9 caps = {};
  const bool haveCaps = !scratch && SUCCEEDED(device->GetDeviceCaps(&caps));
  if (haveCaps) FitExtentToCaps(caps, type, requestedLevels, e);
  if (IsBlockFormat(chosen)) {
    e.width = (e.width + 3) & ~3u;
    e.height = (e.height + 3) & ~3u;
  }
  const UINT chosenLevels = ChooseLevels(haveCaps ? &caps : nullptr, type, e, requestedLevels, usage);

  if (width) *width = e.width;
  if (height) *height = e.height;
  if (depth) *depth = e.depth;
  if (levels) *levels = chosenLevels;
  if (format) *format = chosen;
  return D3D_OK;
}

}  // namespace d3dx

using namespace d3dx;

HRESULT WINAPI D3DXCheckTextureRequirements(LPDIRECT3DDEVICE9 pDevice, UINT* pWidth, UINT* pHeight,
                                            UINT* pNumMipLevels, DWORD Usage, D3DFORMAT* pFormat,
                                            D3DPOOL Pool) {
  return CheckTextureRequirements(pDevice, D3DRTYPE_TEXTURE, pWidth, pHeight, nullptr, pNumMipLevels, Usage,
                                  pFormat, Pool);
}

HRESULT WINAPI D3DXCheckCubeTextureRequirements(LPDIRECT3DDEVICE9 pDevice, UINT* pSize, UINT* pNumMipLevels,
                                                DWORD Usage, D3DFORMAT* pFormat, D3DPOOL Pool) {
  return CheckTextureRequirements(pDevice, D3DRTYPE_CUBETEXTURE, pSize, pSize, nullptr, pNumMipLevels, Usage,
                                  pFormat, Pool);
}

HRESULT WINAPI D3DXCheckVolumeTextureRequirements(LPDIRECT3DDEVICE9 pDevice, UINT* pWidth, UINT* pHeight,
                                                  UINT* pDepth, UINT* pNumMipLevels, DWORD Usage,
                                                  D3DFORMAT* pFormat, D3DPOOL Pool) {
  return CheckTextureRequirements(pDevice, D3DRTYPE_VOLUMETEXTURE, pWidth, pHeight, pDepth, pNumMipLevels,
                                  Usage, pFormat, Pool);
}

HRESULT WINAPI D3DXCreateTexture(LPDIRECT3DDEVICE9 pDevice, UINT Width, UINT Height, UINT MipLevels,
                                 DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, LPDIRECT3DTEXTURE9* ppTexture) {
  if (!pDevice || !ppTexture) return D3DERR_INVALIDCALL;
  if (Usage == D3DX_DEFAULT) Usage = 0;
  HRESULT hr = D3DXCheckTextureRequirements(pDevice, &Width, &Height, &MipLevels, Usage, &Format, Pool);
  if (FAILED(hr)) return hr;
  return pDevice->CreateTexture(Width, Height, MipLevels, Usage & kCreationUsageMask, Format, Pool, ppTexture,
                                nullptr);
}

HRESULT WINAPI D3DXCreateCubeTexture(LPDIRECT3DDEVICE9 pDevice, UINT Size, UINT MipLevels, DWORD Usage,
                                     D3DFORMAT Format, D3DPOOL Pool, LPDIRECT3DCUBETEXTURE9* ppCubeTexture) {
  if (!pDevice || !ppCubeTexture) return D3DERR_INVALIDCALL;
  if (Usage == D3DX_DEFAULT) Usage = 0;
  HRESULT hr = D3DXCheckCubeTextureRequirements(pDevice, &Size, &MipLevels, Usage, &Format, Pool);
  if (FAILED(hr)) return hr;
  return pDevice->CreateCubeTexture(Size, MipLevels, Usage & kCreationUsageMask, Format, Pool, ppCubeTexture,
                                    nullptr);
}

HRESULT WINAPI D3DXCreateVolumeTexture(LPDIRECT3DDEVICE9 pDevice, UINT Width, UINT Height, UINT Depth,
                                       UINT MipLevels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                       LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture) {
  if (!pDevice || !ppVolumeTexture) return D3DERR_INVALIDCALL;
  if (Usage == D3DX_DEFAULT) Usage = 0;
  HRESULT hr =
      D3DXCheckVolumeTextureRequirements(pDevice, &Width, &Height, &Depth, &MipLevels, Usage, &Format, Pool);
  if (FAILED(hr)) return hr;
  return pDevice->CreateVolumeTexture(Width, Height, Depth, MipLevels, Usage & kCreationUsageMask, Format,
                                      Pool, ppVolumeTexture, nullptr);
}
