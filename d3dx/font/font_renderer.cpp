// The renderer's life: the per-device list, creation of its GDI canvas, sprite and tile
// textures, the Begin/End bracket, lost and reset devices, and destruction.
#include "font_renderer.h"

#include <new>

#include "com_object.h"

namespace d3dx::font {
namespace {

// Renderers of every device, searched by device. Fonts are made and drawn on the device's
// thread, so the list takes no lock.
FontRenderer*& ListHead() {
  static FontRenderer* head = nullptr;
  return head;
}

// Records a block holding only the depth-test switch the text needs off.
IDirect3DStateBlock9* RecordTextState(IDirect3DDevice9* device) {
  if (FAILED(device->BeginStateBlock())) return nullptr;
  device->SetRenderState(D3DRS_ZENABLE, FALSE);
  IDirect3DStateBlock9* block = nullptr;
  if (FAILED(device->EndStateBlock(&block))) return nullptr;
  return block;
}

}  // namespace

FontRenderer* FontRenderer::Find(IDirect3DDevice9* device) {
  for (FontRenderer* r = ListHead(); r; r = r->next_)
    if (r->device_ == device) return r;
  return nullptr;
}

HRESULT FontRenderer::Acquire(IDirect3DDevice9* device, FontRenderer** renderer) {
  if (FontRenderer* found = Find(device)) {
    found->AddRef();
    *renderer = found;
    return S_OK;
  }
  auto* made = new (std::nothrow) FontRenderer(device);
  if (!made) return E_OUTOFMEMORY;
  HRESULT hr = made->create();
  if (FAILED(hr)) {
    made->Release();  // also unlinks it
    return hr;
  }
  *renderer = made;
  return S_OK;
}

FontRenderer::FontRenderer(IDirect3DDevice9* device) : device_(device) {
  next_ = ListHead();
  ListHead() = this;
  device_->AddRef();
  D3DCAPS9 caps{};
  if (SUCCEEDED(device_->GetDeviceCaps(&caps))) useDynamic_ = (caps.Caps2 & D3DCAPS2_DYNAMICTEXTURES) != 0;
}

HRESULT FontRenderer::create() {
  texWidth_ = kTileWidth;
  texHeight_ = kTileHeight;
  texFormat_ = D3DFMT_A8R8G8B8;
  HRESULT hr = OnResetDevice();
  if (FAILED(hr)) return hr;
  if (FAILED(hr = D3DXCreateSprite(device_, &sprite_))) return hr;

  dibHeader_ = {sizeof(BITMAPINFOHEADER), kInitialDibSize, kInitialDibSize, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  hdc_ = CreateCompatibleDC(nullptr);
  if (!hdc_) return E_OUTOFMEMORY;
  BITMAPINFO info{};
  info.bmiHeader = dibHeader_;
  info.bmiHeader.biHeight = -dibHeader_.biHeight;
  void* bits = nullptr;
  dibBitmap_ = CreateDIBSection(hdc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dibBitmap_) return E_OUTOFMEMORY;
  dibBits_ = static_cast<uint32_t*>(bits);

  SetBkMode(hdc_, OPAQUE);
  SetBkColor(hdc_, RGB(0, 0, 0));
  SetTextColor(hdc_, RGB(255, 255, 255));
  previousBitmap_ = SelectObject(hdc_, dibBitmap_);
  return S_OK;
}

FontRenderer::~FontRenderer() {
  SafeRelease(savedState_);
  SafeRelease(textState_);
  releaseTextures();
  SafeRelease(sprite_);
  device_->Release();
  if (hdc_) {
    if (previousFont_) SelectObject(hdc_, previousFont_);
    if (previousBitmap_) SelectObject(hdc_, previousBitmap_);
  }
  if (dibBitmap_) DeleteObject(dibBitmap_);
  if (hdc_) DeleteDC(hdc_);
  for (FontRenderer** link = &ListHead(); *link; link = &(*link)->next_) {
    if (*link == this) {
      *link = next_;
      break;
    }
  }
}

ULONG FontRenderer::Release() {
  ULONG count = --refCount_;
  if (count == 0) delete this;
  return count;
}

void FontRenderer::RestoreFont() {
  if (previousFont_ && hdc_) SelectObject(hdc_, previousFont_);
  previousFont_ = nullptr;
}

void FontRenderer::releaseTextures() {
  for (UINT i = 0; i < kTextureSlots; ++i) {
    SafeRelease(surfaces_[i]);
    SafeRelease(textures_[i]);
  }
  currentTexture_ = 0;
}

HRESULT FontRenderer::OnResetDevice() {
  if (textures_[0]) return S_OK;
  return createTextures();
}

// Dynamic devices get one texture locked with discard per tile; the others get eight managed
// ones used in turn, so consecutive tiles need not wait for the draw of the one before.
HRESULT FontRenderer::createTextures() {
  const DWORD usage = useDynamic_ ? D3DUSAGE_DYNAMIC : 0;
  const D3DPOOL pool = useDynamic_ ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED;
  HRESULT hr =
      D3DXCheckTextureRequirements(device_, &texWidth_, &texHeight_, nullptr, usage, &texFormat_, pool);
  if (FAILED(hr)) return hr;
  const UINT count = useDynamic_ ? 1 : kTextureSlots;
  for (UINT i = 0; i < count; ++i) {
    hr = D3DXCreateTexture(device_, texWidth_, texHeight_, 1, usage, texFormat_, pool, &textures_[i]);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = textures_[i]->GetSurfaceLevel(0, &surfaces_[i]))) return hr;
  }
  return S_OK;
}

HRESULT FontRenderer::OnLostDevice() {
  SafeRelease(savedState_);
  SafeRelease(textState_);
  if (sprite_) sprite_->OnLostDevice();
  if (useDynamic_) releaseTextures();  // managed textures survive a reset
  return S_OK;
}

HRESULT FontRenderer::Begin() {
  if (inBegin_) return D3DERR_INVALIDCALL;
  if (!savedState_ || !textState_) {
    SafeRelease(savedState_);
    SafeRelease(textState_);
    savedState_ = RecordTextState(device_);
    textState_ = RecordTextState(device_);
  }
  sprite_->Begin();
  if (savedState_) savedState_->Capture();
  if (textState_) textState_->Apply();
  inBegin_ = true;
  return S_OK;
}

HRESULT FontRenderer::End() {
  if (!inBegin_) return D3DERR_INVALIDCALL;
  if (savedState_) savedState_->Apply();  // gone when the device was lost inside the bracket
  sprite_->End();
  inBegin_ = false;
  return S_OK;
}

}  // namespace d3dx::font
