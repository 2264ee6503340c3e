// The sprite: texture rectangles as screen-space quads, one texel per pixel. Two state blocks
// bracket the drawing: one records every state the sprite touches and is captured at Begin and
// applied at End; the other holds the sprite's own values and is applied at Begin.
#include <d3dx9.h>

#include <cmath>
#include <new>
#include <type_traits>

#include "com_object.h"

namespace d3dx {
namespace {

constexpr DWORD kFvfTransformed = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kFvfUntransformed = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Pre-transformed vertices, for devices that clip them.
struct TransformedVertex {
  float x, y, z, rhw;
  D3DCOLOR color;
  float u, v;
};
// Pixel positions that the world matrix set at Begin maps to clip space.
struct UntransformedVertex {
  float x, y, z;
  D3DCOLOR color;
  float u, v;
};
static_assert(sizeof(TransformedVertex) == 28 && sizeof(UntransformedVertex) == 24, "sprite vertex layouts");

// Texture formats whose texels carry alpha (or a palette that may), which make a quad
// translucent whatever its colour.
bool FormatCarriesAlpha(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8:
    case D3DFMT_A8R3G3B2:
    case D3DFMT_A8P8:
    case D3DFMT_P8:
    case D3DFMT_A8L8:
    case D3DFMT_A4L4:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
      return true;
    default:
      return false;
  }
}

class Sprite final : public RefCounted<ID3DXSprite, IID_ID3DXSprite> {
 public:
  explicit Sprite(IDirect3DDevice9* device) : device_(device) {
    device_->AddRef();
    D3DCAPS9 caps = {};
    if (FAILED(device_->GetDeviceCaps(&caps))) caps = {};
    D3DDEVICE_CREATION_PARAMETERS creation = {};
    if (FAILED(device_->GetCreationParameters(&creation))) creation = {};
    useBlend_ =
        (caps.SrcBlendCaps & D3DPBLENDCAPS_SRCALPHA) && (caps.DestBlendCaps & D3DPBLENDCAPS_INVSRCALPHA);
    useRHW_ = (caps.PrimitiveMiscCaps & D3DPMISCCAPS_CLIPTLVERTS) ||
              (creation.BehaviorFlags & D3DCREATE_PUREDEVICE);
  }
  ~Sprite() override {
    SafeRelease(savedState_);
    SafeRelease(spriteState_);
    device_->Release();
  }

  HRESULT GetDevice(LPDIRECT3DDEVICE9* device) override {
    if (!device) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *device = device_;
    return S_OK;
  }

  HRESULT Begin() override;
  HRESULT Draw(LPDIRECT3DTEXTURE9 texture, const RECT* source, const D3DXVECTOR2* scaling,
               const D3DXVECTOR2* rotationCenter, FLOAT rotation, const D3DXVECTOR2* translation,
               D3DCOLOR color) override;
  HRESULT DrawTransform(LPDIRECT3DTEXTURE9 texture, const RECT* source, const D3DXMATRIX* transform,
                        D3DCOLOR color) override;
  HRESULT End() override;
  HRESULT OnLostDevice() override {
    SafeRelease(savedState_);
    SafeRelease(spriteState_);
    return S_OK;
  }
  HRESULT OnResetDevice() override { return S_OK; }

 private:
  enum class Block { Saved, Sprite };
  IDirect3DStateBlock9* record(Block block);
  template <typename Vertex>
  HRESULT drawQuad(const RECT& source, UINT width, UINT height, const D3DXMATRIX* transform, D3DCOLOR color);

  IDirect3DDevice9* device_;
  bool inBegin_ = false;
  IDirect3DStateBlock9* savedState_ = nullptr;
  IDirect3DStateBlock9* spriteState_ = nullptr;
  bool useBlend_ = false;
  bool useRHW_ = false;
};

// Records the sprite's states into a new block. The saved block also records the world
// transform, texture stage 0 and stream 0, which the sprite changes outside the recording.
IDirect3DStateBlock9* Sprite::record(Block block) {
  IDirect3DDevice9* d = device_;
  // When the caller is recording a block of its own, these states must not go into it.
  if (FAILED(d->BeginStateBlock())) return nullptr;
  const bool saved = block == Block::Saved;
  d->SetFVF(useRHW_ ? kFvfTransformed : kFvfUntransformed);
  d->SetVertexShader(nullptr);
  if (!useRHW_) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    d->SetTransform(D3DTS_VIEW, &identity);
    d->SetTransform(D3DTS_PROJECTION, &identity);
    if (saved) d->SetTransform(D3DTS_WORLD, &identity);
  }
  d->SetRenderState(D3DRS_ZENABLE, FALSE);
  d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_WRAP0, 0);
  d->SetRenderState(D3DRS_CLIPPING, TRUE);
  d->SetRenderState(D3DRS_VERTEXBLEND, 0);
  d->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
  d->SetNPatchMode(0);
  d->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
  d->SetRenderState(D3DRS_ENABLEADAPTIVETESSELLATION, FALSE);
  d->SetRenderState(D3DRS_SRGBWRITEENABLE, FALSE);
  d->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
  if (!useRHW_) {
    d->SetRenderState(D3DRS_FOGENABLE, FALSE);
    d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    d->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    d->SetRenderState(D3DRS_LIGHTING, FALSE);
    d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1);
  }
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
  d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
  d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
  if (useBlend_) {
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
  } else {
    d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    d->SetRenderState(D3DRS_ALPHAREF, 127);
  }
  if (saved) {
    d->SetTexture(0, nullptr);
    d->SetStreamSource(0, nullptr, 0, 0);
  }
  IDirect3DStateBlock9* result = nullptr;
  if (FAILED(d->EndStateBlock(&result))) return nullptr;
  return result;
}

HRESULT Sprite::Begin() {
  if (inBegin_) return D3DERR_INVALIDCALL;
  if (!savedState_ || !spriteState_) {
    SafeRelease(savedState_);
    SafeRelease(spriteState_);
    savedState_ = record(Block::Saved);
    spriteState_ = record(Block::Sprite);
  }
  if (savedState_) savedState_->Capture();
  if (spriteState_) spriteState_->Apply();
  if (!useRHW_) {
    // Pixel coordinates to clip space, shifted by half a pixel so texel centres meet pixel
    // centres; z is dropped.
    D3DVIEWPORT9 vp;
    if (SUCCEEDED(device_->GetViewport(&vp)) && vp.Width && vp.Height) {
      D3DXMATRIX world(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1);
      world._11 = 2.0f / vp.Width;
      world._22 = -2.0f / vp.Height;
      world._41 = -(2.0f * vp.X + 1) / vp.Width - 1;
      world._42 = (2.0f * vp.Y + 1) / vp.Height + 1;
      device_->SetTransform(D3DTS_WORLD, &world);
    }
  }
  inBegin_ = true;
  return S_OK;
}

HRESULT Sprite::End() {
  if (!inBegin_) return D3DERR_INVALIDCALL;
  if (savedState_) savedState_->Apply();  // gone when the device was lost inside the bracket
  inBegin_ = false;
  return S_OK;
}

HRESULT Sprite::Draw(LPDIRECT3DTEXTURE9 texture, const RECT* source, const D3DXVECTOR2* scaling,
                     const D3DXVECTOR2* rotationCenter, FLOAT rotation, const D3DXVECTOR2* translation,
                     D3DCOLOR color) {
  D3DXVECTOR3 scale, centre, offset;
  D3DXQUATERNION turn(0, 0, std::sin(-rotation / 2), std::cos(-rotation / 2));
  if (scaling) scale = D3DXVECTOR3(scaling->x, scaling->y, 1);
  if (rotationCenter) centre = D3DXVECTOR3(rotationCenter->x, rotationCenter->y, 0);
  if (translation) offset = D3DXVECTOR3(translation->x, translation->y, 0);
  D3DXMATRIX m;
  D3DXMatrixTransformation(&m, nullptr, nullptr, scaling ? &scale : nullptr,
                           rotationCenter ? &centre : nullptr, rotation != 0 ? &turn : nullptr,
                           translation ? &offset : nullptr);
  return DrawTransform(texture, source, &m, color);
}

HRESULT Sprite::DrawTransform(LPDIRECT3DTEXTURE9 texture, const RECT* source, const D3DXMATRIX* transform,
                              D3DCOLOR color) {
  if (!texture) return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC desc;
  HRESULT hr = texture->GetLevelDesc(0, &desc);
  if (FAILED(hr)) return hr;
  const RECT src = source ? *source : RECT{0, 0, (LONG)desc.Width, (LONG)desc.Height};
  // The far edges may pass the texture; the sampler clamps what lies beyond.
  if (src.left < 0 || src.left > src.right || (int64_t)src.left > desc.Width || src.top < 0 ||
      src.top > src.bottom || (int64_t)src.top > desc.Height)
    return D3DERR_INVALIDCALL;
  const bool translucent = (color >> 24) < 0xFF || FormatCarriesAlpha(desc.Format);

  const bool bracket = !inBegin_;
  if (bracket && FAILED(hr = Begin())) return hr;
  device_->SetTexture(0, texture);
  device_->SetRenderState(useBlend_ ? D3DRS_ALPHABLENDENABLE : D3DRS_ALPHATESTENABLE, translucent);
  hr = useRHW_ ? drawQuad<TransformedVertex>(src, desc.Width, desc.Height, transform, color)
               : drawQuad<UntransformedVertex>(src, desc.Width, desc.Height, transform, color);
  if (bracket) {
    HRESULT endResult = End();
    if (SUCCEEDED(hr)) hr = endResult;
  }
  return hr;
}

template <typename Vertex>
HRESULT Sprite::drawQuad(const RECT& source, UINT width, UINT height, const D3DXMATRIX* transform,
                         D3DCOLOR color) {
  const float w = (float)(source.right - source.left), h = (float)(source.bottom - source.top);
  const float u0 = (float)source.left / width, u1 = (float)source.right / width;
  const float v0 = (float)source.top / height, v1 = (float)source.bottom / height;
  const float corners[4][4] = {{0, 0, u0, v0}, {w, 0, u1, v0}, {w, h, u1, v1}, {0, h, u0, v1}};
  Vertex quad[4];
  for (int i = 0; i < 4; ++i) {
    D3DXVECTOR3 p(corners[i][0], corners[i][1], 0);
    if (transform) {
      const D3DXVECTOR3 corner = p;
      D3DXVec3TransformCoord(&p, &corner, transform);
    }
    Vertex& v = quad[i];
    if constexpr (std::is_same_v<Vertex, TransformedVertex>) {
      v.x = p.x - 0.5f;
      v.y = p.y - 0.5f;
      v.z = 0;
      v.rhw = 1;
    } else {
      v.x = p.x;
      v.y = p.y;
      v.z = p.z;
    }
    v.color = color;
    v.u = corners[i][2];
    v.v = corners[i][3];
  }
  return device_->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(Vertex));
}

}  // namespace
}  // namespace d3dx

HRESULT WINAPI D3DXCreateSprite(LPDIRECT3DDEVICE9 device, LPD3DXSPRITE* sprite) {
  if (!device || !sprite) return D3DERR_INVALIDCALL;
  auto* object = new (std::nothrow) d3dx::Sprite(device);
  if (!object) return E_OUTOFMEMORY;
  *sprite = object;
  return S_OK;
}
