// The font object: a GDI font made from a LOGFONTA, forwarding its drawing to the renderer that
// every font of the device shares.
#include <d3dx9.h>

#include <new>

#include "com_object.h"
#include "font_renderer.h"

namespace d3dx {
namespace {

using font::FontRenderer;
using font::TextEncoding;

class Font final : public RefCounted<ID3DXFont, IID_ID3DXFont> {
 public:
  ~Font() override {
    if (renderer_) {
      renderer_->RestoreFont();  // the DC must not keep a font that is about to be deleted
      renderer_->Release();
    }
    if (hFont_) DeleteObject(hFont_);
    SafeRelease(device_);
  }

  HRESULT Create(IDirect3DDevice9* device, const LOGFONTA* description) {
    if (!device || !description) return D3DERR_INVALIDCALL;
    HRESULT hr = FontRenderer::Acquire(device, &renderer_);
    if (FAILED(hr)) return hr;
    hFont_ = CreateFontIndirectA(description);
    if (!hFont_) return E_OUTOFMEMORY;
    device_ = device;
    device_->AddRef();
    logFont_ = *description;
    return S_OK;
  }

  HRESULT GetDevice(LPDIRECT3DDEVICE9* device) override {
    if (!device) return D3DERR_INVALIDCALL;
    device_->AddRef();
    *device = device_;
    return S_OK;
  }
  HRESULT GetLogFont(LOGFONTA* logFont) override {
    if (!logFont) return D3DERR_INVALIDCALL;
    *logFont = logFont_;
    return S_OK;
  }
  HRESULT Begin() override { return renderer_->Begin(); }
  HRESULT End() override { return renderer_->End(); }
  INT DrawTextA(LPCSTR text, INT count, LPRECT rect, DWORD format, D3DCOLOR color) override {
    return renderer_->DrawText(hFont_, {text, count, TextEncoding::Ansi}, rect, format, color);
  }
  INT DrawTextW(LPCWSTR text, INT count, LPRECT rect, DWORD format, D3DCOLOR color) override {
    return renderer_->DrawText(hFont_, {text, count, TextEncoding::Wide}, rect, format, color);
  }
  HRESULT OnLostDevice() override { return renderer_->OnLostDevice(); }
  HRESULT OnResetDevice() override { return renderer_->OnResetDevice(); }

 private:
  HFONT hFont_ = nullptr;
  LOGFONTA logFont_{};
  FontRenderer* renderer_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
};

}  // namespace
}  // namespace d3dx

HRESULT WINAPI D3DXCreateFontIndirect(LPDIRECT3DDEVICE9 device, const LOGFONTA* logFont, LPD3DXFONT* font) {
  if (!device || !logFont || !font) return D3DERR_INVALIDCALL;
  auto* object = new (std::nothrow) d3dx::Font();
  if (!object) return E_OUTOFMEMORY;
  HRESULT hr = object->Create(device, logFont);
  if (FAILED(hr)) {
    object->Release();
    return hr;
  }
  *font = object;
  return S_OK;
}
