// A runtime that accepts only some formats for resources, for tests of format choices.
#pragma once
#include <d3d9.h>

#include <algorithm>
#include <utility>
#include <vector>

// The runtime of the device accepts only the formats of `accepted` and remembers the usage it
// was asked with; everything else goes to the real runtime.
class ChoosyDirect3D : public IDirect3D9 {
 public:
  ChoosyDirect3D(IDirect3D9* inner, std::vector<D3DFORMAT> accepted)
      : inner_(inner), accepted_(std::move(accepted)) {
    inner_->AddRef();
  }
  virtual ~ChoosyDirect3D() { inner_->Release(); }
  HRESULT QueryInterface(REFIID iid, void** object) override { return inner_->QueryInterface(iid, object); }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG n = --refs_;
    if (!n) delete this;
    return n;
  }
  HRESULT RegisterSoftwareDevice(void* f) override { return inner_->RegisterSoftwareDevice(f); }
  UINT GetAdapterCount() override { return inner_->GetAdapterCount(); }
  HRESULT GetAdapterIdentifier(UINT a, DWORD f, D3DADAPTER_IDENTIFIER9* i) override {
    return inner_->GetAdapterIdentifier(a, f, i);
  }
  UINT GetAdapterModeCount(UINT a, D3DFORMAT f) override { return inner_->GetAdapterModeCount(a, f); }
  HRESULT EnumAdapterModes(UINT a, D3DFORMAT f, UINT m, D3DDISPLAYMODE* d) override {
    return inner_->EnumAdapterModes(a, f, m, d);
  }
  HRESULT GetAdapterDisplayMode(UINT a, D3DDISPLAYMODE* m) override {
    return inner_->GetAdapterDisplayMode(a, m);
  }
  HRESULT CheckDeviceType(UINT a, D3DDEVTYPE t, D3DFORMAT af, D3DFORMAT bf, BOOL w) override {
    return inner_->CheckDeviceType(a, t, af, bf, w);
  }
  HRESULT CheckDeviceFormat(UINT, D3DDEVTYPE, D3DFORMAT, DWORD usage, D3DRESOURCETYPE, D3DFORMAT f) override {
    lastUsage = usage;
    ++checks;
    return std::count(accepted_.begin(), accepted_.end(), f) ? D3D_OK : D3DERR_NOTAVAILABLE;
  }
  HRESULT CheckDeviceMultiSampleType(UINT a, D3DDEVTYPE t, D3DFORMAT f, BOOL w, D3DMULTISAMPLE_TYPE m,
                                     DWORD* q) override {
    return inner_->CheckDeviceMultiSampleType(a, t, f, w, m, q);
  }
  HRESULT CheckDepthStencilMatch(UINT a, D3DDEVTYPE t, D3DFORMAT af, D3DFORMAT rf, D3DFORMAT df) override {
    return inner_->CheckDepthStencilMatch(a, t, af, rf, df);
  }
  HRESULT CheckDeviceFormatConversion(UINT a, D3DDEVTYPE t, D3DFORMAT s, D3DFORMAT d) override {
    return inner_->CheckDeviceFormatConversion(a, t, s, d);
  }
  HRESULT GetDeviceCaps(UINT a, D3DDEVTYPE t, D3DCAPS9* c) override { return inner_->GetDeviceCaps(a, t, c); }
  HMONITOR GetAdapterMonitor(UINT a) override { return inner_->GetAdapterMonitor(a); }
  HRESULT CreateDevice(UINT a, D3DDEVTYPE t, HWND w, DWORD b, D3DPRESENT_PARAMETERS* p,
                       IDirect3DDevice9** d) override {
    return inner_->CreateDevice(a, t, w, b, p, d);
  }

  DWORD lastUsage = 0;
  int checks = 0;

 private:
  IDirect3D9* inner_;
  std::vector<D3DFORMAT> accepted_;
  ULONG refs_ = 1;
};
