// Procedural texture filling: every texel of every level (and face or slice) from a callback,
// encoded a row at a time by the level's row codec.
#include <d3dx9tex.h>

#include "blitter.h"
#include "com_ref.h"
#include "row_codec.h"
#include "surface_lock.h"

using namespace d3dx;

namespace {

// The first level is rewritten whole, so a dynamic single-level texture may be discarded.
DWORD FillLockFlags(UINT level) { return level == 0 ? DWORD(kLockRewrite) : 0; }

// Encodes every row of `locked`, each texel's colour from `texel(x, y, z, out)`.
template <class Texel>
HRESULT FillRegion(const ImageRegion& locked, Texel texel) {
  std::unique_ptr<RowCodec> codec;
  HRESULT hr = CreateRowCodec(locked, &codec);
  if (hr == E_FAIL) return D3DERR_INVALIDCALL;
  if (FAILED(hr)) return hr;
  if (FAILED(hr = codec->PrepareFloatInput())) return hr;
  const UINT width = codec->Width();
  std::unique_ptr<D3DXCOLOR[]> row = TryAllocate<D3DXCOLOR>(width);
  if (!row) return E_OUTOFMEMORY;
  for (UINT z = 0; z < codec->Depth(); ++z)
    for (UINT y = 0; y < codec->Height(); ++y) {
      for (UINT x = 0; x < width; ++x) {
        D3DXVECTOR4 colour(0, 0, 0, 0);
        texel(x, y, z, &colour);
        row[x] = D3DXCOLOR(colour.x, colour.y, colour.z, colour.w);
      }
      if (FAILED(hr = codec->EncodeRow(y, z, row.get()))) return hr;
    }
  return D3D_OK;
}

template <class Texel>
HRESULT FillSurface(IDirect3DSurface9* surface, UINT level, Texel texel) {
  SurfaceLock lock;
  ImageRegion locked;
  HRESULT hr = lock.Lock(&locked, surface, nullptr, nullptr, 0, FillLockFlags(level));
  if (FAILED(hr)) return hr;
  hr = FillRegion(locked, texel);
  const HRESULT unlocked = lock.Unlock();
  return FAILED(hr) ? hr : unlocked;
}

// The direction of a cube texel's centre and the texel size on the face's two axes; u and v run
// from -1 to 1 across the face.
struct CubeTexel {
  D3DXVECTOR3 direction, size;
};

CubeTexel CubeFaceTexel(D3DCUBEMAP_FACES face, float u, float v, float step) {
  switch (face) {
    case D3DCUBEMAP_FACE_POSITIVE_X:
      return {{1, -v, -u}, {0, step, step}};
    case D3DCUBEMAP_FACE_NEGATIVE_X:
      return {{-1, -v, u}, {0, step, step}};
    case D3DCUBEMAP_FACE_POSITIVE_Y:
      return {{u, 1, v}, {step, 0, step}};
    case D3DCUBEMAP_FACE_NEGATIVE_Y:
      return {{u, -1, -v}, {step, 0, step}};
    case D3DCUBEMAP_FACE_POSITIVE_Z:
      return {{u, -v, 1}, {step, step, 0}};
    default:
      return {{-u, -v, -1}, {step, step, 0}};
  }
}

}  // namespace

HRESULT WINAPI D3DXFillTexture(LPDIRECT3DTEXTURE9 pTexture, LPD3DXFILL2D pFunction, LPVOID pData) {
  if (!pTexture || !pFunction) return D3DERR_INVALIDCALL;
  const UINT levels = pTexture->GetLevelCount();
  for (UINT level = 0; level < levels; ++level) {
    D3DSURFACE_DESC desc;
    HRESULT hr = pTexture->GetLevelDesc(level, &desc);
    if (FAILED(hr)) return hr;
    ComRef<IDirect3DSurface9> surface;
    if (FAILED(hr = pTexture->GetSurfaceLevel(level, surface.Out()))) return hr;
    const D3DXVECTOR2 size(1.0f / float(desc.Width), 1.0f / float(desc.Height));
    hr = FillSurface(surface.Get(), level, [&](UINT x, UINT y, UINT, D3DXVECTOR4* out) {
      const D3DXVECTOR2 coord((float(x) + 0.5f) / float(desc.Width), (float(y) + 0.5f) / float(desc.Height));
      pFunction(out, &coord, &size, pData);
    });
    if (FAILED(hr)) return hr;
  }
  return D3D_OK;
}

HRESULT WINAPI D3DXFillCubeTexture(LPDIRECT3DCUBETEXTURE9 pCubeTexture, LPD3DXFILL3D pFunction,
                                   LPVOID pData) {
  if (!pCubeTexture || !pFunction) return D3DERR_INVALIDCALL;
  const UINT levels = pCubeTexture->GetLevelCount();
  for (UINT level = 0; level < levels; ++level) {
    D3DSURFACE_DESC desc;
    HRESULT hr = pCubeTexture->GetLevelDesc(level, &desc);
    if (FAILED(hr)) return hr;
    const float s = float(desc.Width), step = 2.0f / s;
    for (UINT f = 0; f < 6; ++f) {
      const D3DCUBEMAP_FACES face = D3DCUBEMAP_FACES(f);
      ComRef<IDirect3DSurface9> surface;
      if (FAILED(hr = pCubeTexture->GetCubeMapSurface(face, level, surface.Out()))) return hr;
      hr = FillSurface(surface.Get(), level, [&](UINT x, UINT y, UINT, D3DXVECTOR4* out) {
        const float u = (2.0f * float(x) + 1.0f) / s - 1.0f, v = (2.0f * float(y) + 1.0f) / s - 1.0f;
        const CubeTexel texel = CubeFaceTexel(face, u, v, step);
        pFunction(out, &texel.direction, &texel.size, pData);
      });
      if (FAILED(hr)) return hr;
    }
  }
  return D3D_OK;
}

HRESULT WINAPI D3DXFillVolumeTexture(LPDIRECT3DVOLUMETEXTURE9 pVolumeTexture, LPD3DXFILL3D pFunction,
                                     LPVOID pData) {
  if (!pVolumeTexture || !pFunction) return D3DERR_INVALIDCALL;
  const UINT levels = pVolumeTexture->GetLevelCount();
  for (UINT level = 0; level < levels; ++level) {
    D3DVOLUME_DESC desc;
    HRESULT hr = pVolumeTexture->GetLevelDesc(level, &desc);
    if (FAILED(hr)) return hr;
    ComRef<IDirect3DVolume9> volume;
    if (FAILED(hr = pVolumeTexture->GetVolumeLevel(level, volume.Out()))) return hr;
    VolumeLock lock;
    ImageRegion locked;
    if (FAILED(hr = lock.Lock(&locked, volume.Get(), nullptr, nullptr, 0, FillLockFlags(level)))) return hr;
    const D3DXVECTOR3 size(1.0f / float(desc.Width), 1.0f / float(desc.Height), 1.0f / float(desc.Depth));
    hr = FillRegion(locked, [&](UINT x, UINT y, UINT z, D3DXVECTOR4* out) {
      const D3DXVECTOR3 coord((float(x) + 0.5f) / float(desc.Width), (float(y) + 0.5f) / float(desc.Height),
                              (float(z) + 0.5f) / float(desc.Depth));
      pFunction(out, &coord, &size, pData);
    });
    const HRESULT unlocked = lock.Unlock();
    if (FAILED(hr) || FAILED(hr = unlocked)) return hr;
  }
  return D3D_OK;
}
