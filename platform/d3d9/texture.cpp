#include <algorithm>
#include <atomic>
#include <new>

#include "device.h"
#include "objects.h"

namespace d3d9rt {
namespace {

std::atomic<uint64_t> gNextStamp{1};
uint64_t nextStamp() { return gNextStamp++; }

constexpr UINT kMaxTextureSize = 4096;
constexpr UINT kMaxVolumeExtent = 256;

template <class I>
class TextureBase : public ResourceObject<I, TextureCore> {
 public:
  using ResourceObject<I, TextureCore>::ResourceObject;
  using TextureCore::addRef, TextureCore::autoGenFilter, TextureCore::levelCount_, TextureCore::lod,
      TextureCore::pool_, TextureCore::type_;
  IDirect3DBaseTexture9* iface() override { return this; }
  D3DRESOURCETYPE GetType() override { return type_; }
  DWORD SetLOD(DWORD lodNew) override {
    DWORD old = lod;
    if (pool_ == D3DPOOL_MANAGED) lod = std::min(lodNew, levelCount_ - 1);
    return old;
  }
  DWORD GetLOD() override { return lod; }
  DWORD GetLevelCount() override { return levelCount_; }
  HRESULT SetAutoGenFilterType(D3DTEXTUREFILTERTYPE filter) override {
    if (filter != D3DTEXF_POINT && filter != D3DTEXF_LINEAR) return D3DERR_INVALIDCALL;
    autoGenFilter = filter;
    return D3D_OK;
  }
  D3DTEXTUREFILTERTYPE GetAutoGenFilterType() override { return autoGenFilter; }
  void GenerateMipSubLevels() override {}
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DResource9 || riid == IID_IDirect3DBaseTexture9 ||
        riid == ownIid()) {
      *object = static_cast<I*>(this);
      addRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  virtual const IID& ownIid() const = 0;
};

class Texture : public TextureBase<IDirect3DTexture9> {
 public:
  using TextureBase::TextureBase;
  const IID& ownIid() const override { return IID_IDirect3DTexture9; }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override {
    if (level >= levelCount_) return D3DERR_INVALIDCALL;
    return surface(0, level)->GetDesc(desc);
  }
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** out) override {
    if (!out || level >= levelCount_) return D3DERR_INVALIDCALL;
    *out = surface(0, level);
    addRef();
    return D3D_OK;
  }
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override {
    if (level >= levelCount_) return D3DERR_INVALIDCALL;
    return surface(0, level)->LockRect(locked, rect, flags);
  }
  HRESULT UnlockRect(UINT level) override {
    if (level >= levelCount_) return D3DERR_INVALIDCALL;
    return surface(0, level)->UnlockRect();
  }
  HRESULT AddDirtyRect(const RECT*) override { return D3D_OK; }
};

class CubeTexture : public TextureBase<IDirect3DCubeTexture9> {
 public:
  using TextureBase::TextureBase;
  const IID& ownIid() const override { return IID_IDirect3DCubeTexture9; }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override {
    if (level >= levelCount_) return D3DERR_INVALIDCALL;
    return surface(0, level)->GetDesc(desc);
  }
  HRESULT GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level, IDirect3DSurface9** out) override {
    if (!out || level >= levelCount_ || (UINT)face > 5) return D3DERR_INVALIDCALL;
    *out = surface(face, level);
    addRef();
    return D3D_OK;
  }
  HRESULT LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                   DWORD flags) override {
    if (level >= levelCount_ || (UINT)face > 5) return D3DERR_INVALIDCALL;
    return surface(face, level)->LockRect(locked, rect, flags);
  }
  HRESULT UnlockRect(D3DCUBEMAP_FACES face, UINT level) override {
    if (level >= levelCount_ || (UINT)face > 5) return D3DERR_INVALIDCALL;
    return surface(face, level)->UnlockRect();
  }
  HRESULT AddDirtyRect(D3DCUBEMAP_FACES, const RECT*) override { return D3D_OK; }
};

class VolumeTexture : public TextureBase<IDirect3DVolumeTexture9> {
 public:
  using TextureBase::TextureBase;
  const IID& ownIid() const override { return IID_IDirect3DVolumeTexture9; }
  HRESULT GetLevelDesc(UINT level, D3DVOLUME_DESC* desc) override {
    if (level >= levelCount_) return D3DERR_INVALIDCALL;
    return volume(level)->GetDesc(desc);
  }
  HRESULT GetVolumeLevel(UINT level, IDirect3DVolume9** out) override {
    if (!out || level >= levelCount_) return D3DERR_INVALIDCALL;
    *out = volume(level);
    addRef();
    return D3D_OK;
  }
  HRESULT LockBox(UINT level, D3DLOCKED_BOX* locked, const D3DBOX* box, DWORD flags) override {
    if (level >= levelCount_) return D3DERR_INVALIDCALL;
    return volume(level)->LockBox(locked, box, flags);
  }
  HRESULT UnlockBox(UINT level) override {
    if (level >= levelCount_) return D3DERR_INVALIDCALL;
    return volume(level)->UnlockBox();
  }
  HRESULT AddDirtyBox(const D3DBOX*) override { return D3D_OK; }
};

// The checks every texture creation shares. Returns the format on success.
HRESULT checkTexture(D3DRESOURCETYPE type, UINT w, UINT h, UINT d, UINT* levels, DWORD usage,
                     D3DFORMAT format, D3DPOOL pool, const FormatInfo** info) {
  const FormatInfo* f = formatInfo(format);
  if (!f || !f->texture) return D3DERR_INVALIDCALL;
  if (w == 0 || h == 0 || d == 0) return D3DERR_INVALIDCALL;
  UINT limit = type == D3DRTYPE_VOLUMETEXTURE ? kMaxVolumeExtent : kMaxTextureSize;
  if (w > limit || h > limit || d > limit) return D3DERR_INVALIDCALL;
  if ((UINT)pool > D3DPOOL_SCRATCH) return D3DERR_INVALIDCALL;
  if (usage & ~(DWORD)(D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC | D3DUSAGE_AUTOGENMIPMAP |
                       D3DUSAGE_SOFTWAREPROCESSING | D3DUSAGE_DONOTCLIP | D3DUSAGE_WRITEONLY))
    return D3DERR_INVALIDCALL;  // depth textures and displacement maps are not supported
  if ((usage & D3DUSAGE_RENDERTARGET) &&
      (!f->renderTarget || pool != D3DPOOL_DEFAULT || type == D3DRTYPE_VOLUMETEXTURE))
    return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_DYNAMIC) && (pool == D3DPOOL_MANAGED || pool == D3DPOOL_SCRATCH))
    return D3DERR_INVALIDCALL;
  if ((usage & D3DUSAGE_DYNAMIC) && (usage & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
  if (f->block && ((w & 3) || (h & 3))) return D3DERR_INVALIDCALL;
  UINT full = fullChainLength(w, h, d);
  if (*levels == 0) *levels = full;
  if (*levels > full) return D3DERR_INVALIDCALL;
  *info = f;
  return D3D_OK;
}

template <class T>
T* build(Device* device, D3DRESOURCETYPE type, const FormatInfo* info, UINT w, UINT h, UINT d, UINT levels,
         UINT faces, DWORD usage, D3DPOOL pool) {
  T* t = new T(device, type, info, levels, usage, pool);
  try {
    t->buildLevels(w, h, d, faces);
  } catch (const std::bad_alloc&) {
    t->Release();
    throw;
  }
  return t;
}

}  // namespace

UINT fullChainLength(UINT w, UINT h, UINT d) {
  UINT n = 1;
  while (w > 1 || h > 1 || d > 1) {
    w = std::max(1u, w / 2);
    h = std::max(1u, h / 2);
    d = std::max(1u, d / 2);
    ++n;
  }
  return n;
}

TextureCore::TextureCore(Device* device, D3DRESOURCETYPE type, const FormatInfo* info, UINT levels,
                         DWORD usage, D3DPOOL pool)
    : Counted(device, false), type_(type), info_(info), levelCount_(levels), usage_(usage), pool_(pool) {
  source_.id = nextStamp();
  source_.opaque = !info->alpha;
}

TextureCore::~TextureCore() { device_->flushIfUsing(useEpoch); }

void TextureCore::buildLevels(UINT w, UINT h, UINT d, UINT faces) {
  bool lockable = pool_ != D3DPOOL_DEFAULT || (usage_ & D3DUSAGE_DYNAMIC);
  for (UINT face = 0; face < faces; ++face) {
    UINT lw = w, lh = h, ld = d;
    for (UINT level = 0; level < levelCount_; ++level) {
      if (type_ == D3DRTYPE_VOLUMETEXTURE)
        volumes_.push_back(std::make_unique<Volume>(this, level, info_, lw, lh, ld, usage_, pool_));
      else
        surfaces_.push_back(std::make_unique<Surface>(device_, true, this, face, level, info_, lw, lh, usage_,
                                                      pool_, lockable));
      lw = std::max(1u, lw / 2);
      lh = std::max(1u, lh / 2);
      ld = std::max(1u, ld / 2);
    }
  }
  decoded_.resize(levelCount_);
}

void TextureCore::markDirty() {
  dirty_ = true;
  device_->textureChanged(this);
}

bool TextureCore::sampledInPlace() const {
  return info_->format == D3DFMT_A8R8G8B8 || info_->format == D3DFMT_X8R8G8B8;
}

void TextureCore::refresh() {
  // Cube maps and volumes are sampled through their first face or slice.
  UINT n = std::min(levelCount_, 16u);
  const bool inPlace = sampledInPlace();
  for (UINT level = 0; level < n; ++level) {
    Image& img = type_ == D3DRTYPE_VOLUMETEXTURE ? volume(level)->image() : surface(0, level)->image();
    swr::TexLevel& out = source_.levels[level];
    out.width = img.width;
    out.height = img.height;
    if (inPlace) {
      out.texels = (const uint32_t*)img.bytes.data();
      out.pitch = img.pitch / 4;
    } else {
      std::vector<uint32_t>& buf = decoded_[level];
      buf.resize((size_t)img.width * img.height);
      decodeImage(*img.info, img.bytes.data(), img.pitch, img.width, img.height, buf.data(), img.width);
      out.texels = buf.data();
      out.pitch = img.width;
    }
  }
  source_.levelCount = n;
  source_.version = nextStamp();
  dirty_ = false;
}

TextureCore* textureCore(IDirect3DBaseTexture9* texture) {
  switch (texture->GetType()) {
    case D3DRTYPE_TEXTURE:
      return static_cast<Texture*>(static_cast<IDirect3DTexture9*>(texture));
    case D3DRTYPE_CUBETEXTURE:
      return static_cast<CubeTexture*>(static_cast<IDirect3DCubeTexture9*>(texture));
    case D3DRTYPE_VOLUMETEXTURE:
      return static_cast<VolumeTexture*>(static_cast<IDirect3DVolumeTexture9*>(texture));
    default:
      return nullptr;
  }
}

HRESULT createTexture(Device* device, UINT w, UINT h, UINT levels, DWORD usage, D3DFORMAT format,
                      D3DPOOL pool, IDirect3DTexture9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  const FormatInfo* info;
  HRESULT hr = checkTexture(D3DRTYPE_TEXTURE, w, h, 1, &levels, usage, format, pool, &info);
  if (FAILED(hr)) return hr;
  try {
    *out = build<Texture>(device, D3DRTYPE_TEXTURE, info, w, h, 1, levels, 1, usage, pool);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return D3D_OK;
}

HRESULT createCubeTexture(Device* device, UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DCubeTexture9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  const FormatInfo* info;
  HRESULT hr = checkTexture(D3DRTYPE_CUBETEXTURE, edge, edge, 1, &levels, usage, format, pool, &info);
  if (FAILED(hr)) return hr;
  try {
    *out = build<CubeTexture>(device, D3DRTYPE_CUBETEXTURE, info, edge, edge, 1, levels, 6, usage, pool);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return D3D_OK;
}

HRESULT createVolumeTexture(Device* device, UINT w, UINT h, UINT d, UINT levels, DWORD usage,
                            D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** out) {
  if (!out) return D3DERR_INVALIDCALL;
  const FormatInfo* info;
  HRESULT hr = checkTexture(D3DRTYPE_VOLUMETEXTURE, w, h, d, &levels, usage, format, pool, &info);
  if (FAILED(hr)) return hr;
  try {
    *out = build<VolumeTexture>(device, D3DRTYPE_VOLUMETEXTURE, info, w, h, d, levels, 1, usage, pool);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return D3D_OK;
}

}  // namespace d3d9rt
