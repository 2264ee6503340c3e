// Device creation and destruction, presentation, render targets, scenes and Clear.
#include <skyvale_host.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "device.h"
#include "state_block.h"

namespace d3d9rt {
namespace {

constexpr size_t kRetiredBytes = size_t(16) << 20;  // renamed storage held before a flush frees it
constexpr size_t kSpareStorage = 8;                 // retired buffers kept for reuse

}  // namespace

Device::Device(Direct3D* d3d, const D3DDEVICE_CREATION_PARAMETERS& creation, const D3DPRESENT_PARAMETERS& pp)
    : d3d_(d3d), creation_(creation), pp_(pp), pipeline_(std::make_unique<swr::Pipeline>()) {
  d3d_->AddRef();
  for (int i = 0; i < 256; ++i) {
    WORD v = (WORD)(i * 257);
    gamma_.red[i] = gamma_.green[i] = gamma_.blue[i] = v;
  }
  setDefaults();
}

bool Device::initialise() {
  const FormatInfo* color = formatInfo(pp_.BackBufferFormat);
  backBuffer_ = new Surface(this, true, nullptr, 0, 0, color, pp_.BackBufferWidth, pp_.BackBufferHeight,
                            D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,
                            (pp_.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0);
  backBuffer_->bind();
  if (pp_.EnableAutoDepthStencil) {
    autoDepth_ =
        new Surface(this, true, nullptr, 0, 0, formatInfo(pp_.AutoDepthStencilFormat), pp_.BackBufferWidth,
                    pp_.BackBufferHeight, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, false);
    autoDepth_->bind();
  }
  renderTarget_ = backBuffer_;
  renderTarget_->bind();
  depthStencil_ = autoDepth_;
  if (depthStencil_) depthStencil_->bind();
  DWORD zenable;
  renderStateDefault(D3DRS_ZENABLE, autoDepth_ != nullptr, &zenable);
  state_.renderState[D3DRS_ZENABLE] = zenable;
  updateTargets();
  resetViewportToTarget();
  return true;
}

void Device::releaseBindings() {
  for (TextureCore*& t : textures_)
    if (t) t->unbind(), t = nullptr;
  for (Stream& s : streams_)
    if (s.buffer) s.buffer->unbind(), s.buffer = nullptr;
  if (indices_) indices_->unbind(), indices_ = nullptr;
  if (declaration_) declaration_->unbind(), declaration_ = nullptr;
  if (renderTarget_) renderTarget_->unbind(), renderTarget_ = nullptr;
  if (depthStencil_) depthStencil_->unbind(), depthStencil_ = nullptr;
  if (backBuffer_) backBuffer_->unbind(), backBuffer_ = nullptr;
  if (autoDepth_) autoDepth_->unbind(), autoDepth_ = nullptr;
  for (TextureCore*& t : textures_) t = nullptr;
  for (IDirect3DBaseTexture9*& t : boundInterfaces_) t = nullptr;
  boundStages_ = 0;
  for (int i = 0; i < 8; ++i) state_.texture[i] = nullptr;
}

Device::~Device() {
  flush();
  if (recording_) {
    StateBlock* block = recording_;
    recording_ = nullptr;
    block->unbind();
  }
  releaseBindings();
  flush();
  d3d_->Release();
}

HRESULT Device::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DDevice9) {
    *object = static_cast<IDirect3DDevice9*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG Device::Release() {
  if (refs_ == 0) return 0;
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

void Device::flush() {
  pipeline_->flush();
  ++epoch_;
  for (auto& bytes : retired_)
    if (spare_.size() < kSpareStorage) spare_.push_back(std::move(bytes));
  retired_.clear();
  retiredBytes_ = 0;
}

void Device::renameStorage(std::vector<uint8_t>& bytes) {
  if (retiredBytes_ + bytes.size() > kRetiredBytes) return flush();  // the bytes stay where they are
  std::vector<uint8_t> fresh;
  for (size_t i = 0; i < spare_.size(); ++i)
    if (spare_[i].size() == bytes.size()) {
      std::swap(spare_[i], spare_.back());
      fresh = std::move(spare_.back());
      spare_.pop_back();
      break;
    }
  try {
    if (fresh.size() != bytes.size()) fresh.resize(bytes.size());
    retired_.reserve(retired_.size() + 1);
  } catch (const std::bad_alloc&) {
    return flush();
  }
  retiredBytes_ += bytes.size();
  retired_.push_back(std::move(bytes));
  bytes = std::move(fresh);
}

HRESULT Device::GetDirect3D(IDirect3D9** d3d9) {
  if (!d3d9) return D3DERR_INVALIDCALL;
  *d3d9 = d3d_;
  d3d_->AddRef();
  return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* caps) {
  if (!caps) return D3DERR_INVALIDCALL;
  fillCaps(caps);
  caps->DeviceType = creation_.DeviceType;
  return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
  if (swapChain != 0 || !mode) return D3DERR_INVALIDCALL;
  UINT w, h;
  windowClientSize(pp_.hDeviceWindow ? pp_.hDeviceWindow : creation_.hFocusWindow, &w, &h);
  *mode = {w, h, 60, D3DFMT_X8R8G8B8};
  return D3D_OK;
}

HRESULT Device::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) {
  if (!parameters) return D3DERR_INVALIDCALL;
  *parameters = creation_;
  return D3D_OK;
}

BOOL Device::ShowCursor(BOOL) { return FALSE; }

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* pp) {
  if (!pp || inScene_) return D3DERR_INVALIDCALL;
  D3DPRESENT_PARAMETERS p = *pp;
  if (p.BackBufferFormat == D3DFMT_UNKNOWN && p.Windowed) p.BackBufferFormat = D3DFMT_X8R8G8B8;
  const FormatInfo* color = formatInfo(p.BackBufferFormat);
  if (!color || !color->renderTarget || p.BackBufferCount > 1 || p.MultiSampleType != D3DMULTISAMPLE_NONE)
    return D3DERR_INVALIDCALL;
  if (p.EnableAutoDepthStencil) {
    const FormatInfo* depth = formatInfo(p.AutoDepthStencilFormat);
    if (!depth || !depth->depth) return D3DERR_INVALIDCALL;
  }
  if (p.BackBufferCount == 0) p.BackBufferCount = 1;
  if (p.BackBufferWidth == 0 || p.BackBufferHeight == 0) {
    UINT w, h;
    windowClientSize(p.hDeviceWindow ? p.hDeviceWindow : creation_.hFocusWindow, &w, &h);
    if (p.BackBufferWidth == 0) p.BackBufferWidth = w;
    if (p.BackBufferHeight == 0) p.BackBufferHeight = h;
  }
  if (p.BackBufferWidth > 4096 || p.BackBufferHeight > 4096) return D3DERR_INVALIDCALL;
  flush();
  releaseBindings();
  lights_.clear();
  enabledLights_.clear();
  pp_ = p;
  setDefaults();
  initialise();
  *pp = p;
  return D3D_OK;
}

HRESULT Device::Present(const RECT*, const RECT*, HWND destWindowOverride, const RGNDATA*) {
  if (inScene_) return D3DERR_INVALIDCALL;
  flush();
  HWND window = destWindowOverride ? destWindowOverride
                                   : (pp_.hDeviceWindow ? pp_.hDeviceWindow : creation_.hFocusWindow);
  Image& img = backBuffer_->image();
  if (pp_.SwapEffect == D3DSWAPEFFECT_DISCARD && img.pitch == img.width * 4 &&
      img.bytes.size() == (size_t)img.pitch * img.height) {
    // The back buffer's contents are undefined after Present: the host keeps its bytes instead of
    // copying them and hands back storage for the next frame.
    SkyvalePresentFrame(window, img.bytes, (int)img.width, (int)img.height);
    updateTargets();
  } else {
    SkyvalePresent(window, (const uint32_t*)img.bytes.data(), (int)img.width, (int)img.height,
                   (int)img.pitch);
  }
  return D3D_OK;
}

HRESULT Device::GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                              IDirect3DSurface9** result) {
  if (swapChain != 0 || backBuffer != 0 || !result || (UINT)type > D3DBACKBUFFER_TYPE_RIGHT)
    return D3DERR_INVALIDCALL;
  *result = backBuffer_;
  backBuffer_->AddRef();
  return D3D_OK;
}

HRESULT Device::GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* status) {
  if (swapChain != 0 || !status) return D3DERR_INVALIDCALL;
  status->InVBlank = TRUE;
  status->ScanLine = 0;
  return D3D_OK;
}

void Device::SetGammaRamp(UINT swapChain, DWORD, const D3DGAMMARAMP* ramp) {
  if (swapChain == 0 && ramp) gamma_ = *ramp;
}

void Device::GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) {
  if (swapChain == 0 && ramp) *ramp = gamma_;
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* sharedHandle) {
  if (sharedHandle) return D3DERR_INVALIDCALL;
  return createTexture(this, width, height, levels, usage, format, pool, texture);
}

HRESULT Device::CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                                    D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** volumeTexture,
                                    HANDLE* sharedHandle) {
  if (sharedHandle) return D3DERR_INVALIDCALL;
  return createVolumeTexture(this, width, height, depth, levels, usage, format, pool, volumeTexture);
}

HRESULT Device::CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DCubeTexture9** cubeTexture, HANDLE* sharedHandle) {
  if (sharedHandle) return D3DERR_INVALIDCALL;
  return createCubeTexture(this, edgeLength, levels, usage, format, pool, cubeTexture);
}

HRESULT Device::createSurface(UINT width, UINT height, D3DFORMAT format, DWORD usage, D3DPOOL pool,
                              bool lockable, bool depth, IDirect3DSurface9** out) {
  if (!out || width == 0 || height == 0 || width > 4096 || height > 4096) return D3DERR_INVALIDCALL;
  const FormatInfo* f = formatInfo(format);
  if (!f || f->depth != depth) return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_RENDERTARGET) && !f->renderTarget) return D3DERR_INVALIDCALL;
  if (f->block && ((width & 3) || (height & 3))) return D3DERR_INVALIDCALL;
  try {
    *out = new Surface(this, false, nullptr, 0, 0, f, width, height, usage, pool, lockable);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return D3D_OK;
}

HRESULT Device::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                   DWORD, BOOL lockable, IDirect3DSurface9** surface, HANDLE* sharedHandle) {
  if (sharedHandle) return D3DERR_INVALIDCALL;
  if (multiSample != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
  return createSurface(width, height, format, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, lockable != FALSE,
                       false, surface);
}

HRESULT Device::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                          D3DMULTISAMPLE_TYPE multiSample, DWORD, BOOL,
                                          IDirect3DSurface9** surface, HANDLE* sharedHandle) {
  if (sharedHandle) return D3DERR_INVALIDCALL;
  if (multiSample != D3DMULTISAMPLE_NONE) return D3DERR_NOTAVAILABLE;
  if ((format == D3DFMT_D24S8 && refused("D24S8")) || (format == D3DFMT_D16 && refused("D16")))
    return D3DERR_NOTAVAILABLE;
  return createSurface(width, height, format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, false, true, surface);
}

HRESULT Device::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DSurface9** surface, HANDLE* sharedHandle) {
  if (sharedHandle || pool == D3DPOOL_MANAGED || (UINT)pool > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
  return createSurface(width, height, format, 0, pool, true, false, surface);
}

void Device::updateTargets() {
  swr::RenderTargets t;
  if (renderTarget_) {
    Image& img = renderTarget_->image();
    t.color = (uint32_t*)img.bytes.data();
    t.colorPitch = img.pitch / 4;
    t.width = img.width;
    t.height = img.height;
    t.colorHasAlpha = img.info->format == D3DFMT_A8R8G8B8;
  }
  if (depthStencil_) {
    Image& img = depthStencil_->image();
    t.depth = (uint32_t*)img.bytes.data();
    t.depthPitch = img.pitch / 4;
    t.depthWidth = img.width;
    t.depthHeight = img.height;
    t.hasStencil = img.info->stencil;
  }
  targets_ = t;
}

void Device::resetViewportToTarget() {
  D3DVIEWPORT9 vp = {0, 0, targets_.width, targets_.height, 0.0f, 1.0f};
  assignState(state_.viewport, vp, Feeds::Vertex);
  RECT scissor = {0, 0, (LONG)targets_.width, (LONG)targets_.height};
  assignState(state_.scissor, scissor, Feeds::Pixel);
}

// Whatever the pipeline is given from here to the next flush may be read or written late.
void Device::markTargetsUsed() {
  if (renderTarget_) {
    if (TextureCore* t = renderTarget_->container()) {
      t->useEpoch = epoch_;
      t->renderedEpoch = epoch_;
      t->setDirty();
    } else {
      renderTarget_->useEpoch = epoch_;
    }
  }
  if (depthStencil_) depthStencil_->useEpoch = epoch_;
}

HRESULT Device::SetRenderTarget(DWORD index, IDirect3DSurface9* target) {
  if (index != 0 || !target) return D3DERR_INVALIDCALL;
  Surface* s = static_cast<Surface*>(target);
  if (!(s->desc().Usage & D3DUSAGE_RENDERTARGET) || s->device() != this) return D3DERR_INVALIDCALL;
  if (s != renderTarget_) {
    s->bind();
    renderTarget_->unbind();
    renderTarget_ = s;
    updateTargets();
  }
  resetViewportToTarget();
  return D3D_OK;
}

HRESULT Device::GetRenderTarget(DWORD index, IDirect3DSurface9** target) {
  if (!target || index != 0) return D3DERR_INVALIDCALL;
  if (!renderTarget_) return D3DERR_NOTFOUND;
  *target = renderTarget_;
  renderTarget_->AddRef();
  return D3D_OK;
}

HRESULT Device::SetDepthStencilSurface(IDirect3DSurface9* surface) {
  Surface* s = static_cast<Surface*>(surface);
  if (s && (!(s->desc().Usage & D3DUSAGE_DEPTHSTENCIL) || s->device() != this)) return D3DERR_INVALIDCALL;
  if (s == depthStencil_) return D3D_OK;
  if (s) s->bind();
  if (depthStencil_) depthStencil_->unbind();
  depthStencil_ = s;
  updateTargets();
  return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface9** surface) {
  if (!surface) return D3DERR_INVALIDCALL;
  if (!depthStencil_) return D3DERR_NOTFOUND;
  *surface = depthStencil_;
  depthStencil_->AddRef();
  return D3D_OK;
}

HRESULT Device::BeginScene() {
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return D3D_OK;
}

HRESULT Device::EndScene() {
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  return D3D_OK;
}

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                      DWORD stencil) {
  if ((count && !rects) || flags == 0 ||
      (flags & ~(DWORD)(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)))
    return D3DERR_INVALIDCALL;
  if ((flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !depthStencil_) return D3DERR_INVALIDCALL;
  if ((flags & D3DCLEAR_STENCIL) && !targets_.hasStencil) return D3DERR_INVALIDCALL;
  if ((flags & D3DCLEAR_ZBUFFER) && !(z >= 0.0f && z <= 1.0f)) return D3DERR_INVALIDCALL;
  // The viewport bounds the clear, and so does the scissor rectangle while the test is on.
  D3DVIEWPORT9 vp = state_.viewport;
  if (state_.renderState[D3DRS_SCISSORTESTENABLE]) {
    LONG x1 = std::max((LONG)vp.X, state_.scissor.left), y1 = std::max((LONG)vp.Y, state_.scissor.top);
    LONG x2 = std::min((LONG)(vp.X + vp.Width), state_.scissor.right);
    LONG y2 = std::min((LONG)(vp.Y + vp.Height), state_.scissor.bottom);
    if (x2 <= x1 || y2 <= y1) return D3D_OK;
    vp.X = (DWORD)x1, vp.Y = (DWORD)y1, vp.Width = (DWORD)(x2 - x1), vp.Height = (DWORD)(y2 - y1);
  }
  markTargetsUsed();
  pipeline_->clear(targets_, vp, rects ? count : 0, rects, flags, color, z, stencil);
  return D3D_OK;
}

void Device::textureChanged(TextureCore* texture) {
  for (TextureCore* t : textures_) {
    if (t == texture) {
      bumpState(Feeds::Pixel);
      return;
    }
  }
}

}  // namespace d3d9rt
