// Texture creation from an image file: decode, choose the size, filters, palette and format,
// create the texture (through a system-memory copy where the pool cannot be written), load the
// levels the file holds and make the rest by mip filtering or by loading the image again.
#include "texture_from_image.h"

#include <array>
#include <cstring>

#include "com_ref.h"
#include "format_info.h"
#include "loaded_image.h"
#include "surface_lock.h"
#include "texture_requirements.h"

namespace d3dx {
namespace {

constexpr DWORD kDefaultFilter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
constexpr DWORD kDefaultMipFilter = D3DX_FILTER_BOX;
constexpr PALETTEENTRY kOpaqueWhite = {255, 255, 255, 255};
constexpr PALETTEENTRY kTransparentBlack = {0, 0, 0, 0};

using Palette = std::array<PALETTEENTRY, 256>;

DWORD PaletteWord(const PALETTEENTRY& e) {
  DWORD w;
  std::memcpy(&w, &e, sizeof w);
  return w;
}

// A palette entry holds red first: the ARGB key with red and blue exchanged.
DWORD ColorKeyAsPaletteWord(D3DCOLOR key) {
  return (key & 0xFF00FF00u) | ((key >> 16) & 0xFFu) | ((key & 0xFFu) << 16);
}

bool Equal(const PALETTEENTRY& a, const PALETTEENTRY& b) { return PaletteWord(a) == PaletteWord(b); }

bool IsGreyRamp(const Palette& p) {
  for (UINT i = 0; i < 256; ++i)
    if (!Equal(p[i], {BYTE(i), BYTE(i), BYTE(i), 255})) return false;
  return true;
}

// Entry k spells the R3G3B2 value k.
bool IsR3G3B2Ramp(const Palette& p) {
  static constexpr BYTE kL3[8] = {0, 36, 73, 109, 146, 182, 219, 255};
  static constexpr BYTE kL2[4] = {0, 85, 170, 255};
  for (UINT k = 0; k < 256; ++k)
    if (!Equal(p[k], {kL3[k >> 5], kL3[(k >> 2) & 7], kL2[k & 3], 255})) return false;
  return true;
}

// 0 and D3DX_DEFAULT round the image's size up to a power of two; D3DX_DEFAULT_NONPOW2 keeps it.
UINT ResolveSize(UINT requested, UINT image) {
  if (requested == D3DX_DEFAULT_NONPOW2) return image;
  if (requested != 0 && requested != D3DX_DEFAULT) return requested;
  UINT p = 1;
  while (p < image && p < 0x80000000u) p <<= 1;
  return p < image ? image : p;
}

// The levels of one created texture, whatever its type.
class TextureLevels {
 public:
  TextureLevels(IDirect3DBaseTexture9* texture, D3DRESOURCETYPE type) : texture_(texture), type_(type) {}

  HRESULT Surface(UINT face, UINT level, IDirect3DSurface9** out) const {
    if (type_ == D3DRTYPE_CUBETEXTURE)
      return static_cast<IDirect3DCubeTexture9*>(texture_)->GetCubeMapSurface(D3DCUBEMAP_FACES(face), level,
                                                                              out);
    return static_cast<IDirect3DTexture9*>(texture_)->GetSurfaceLevel(level, out);
  }
  HRESULT Volume(UINT level, IDirect3DVolume9** out) const {
    return static_cast<IDirect3DVolumeTexture9*>(texture_)->GetVolumeLevel(level, out);
  }

 private:
  IDirect3DBaseTexture9* texture_;
  D3DRESOURCETYPE type_;
};

HRESULT CreateOfType(IDirect3DDevice9* device, D3DRESOURCETYPE type, UINT w, UINT h, UINT d, UINT levels,
                     DWORD usage, D3DFORMAT format, D3DPOOL pool, ComRef<IDirect3DBaseTexture9>& out) {
  HRESULT hr;
  if (type == D3DRTYPE_CUBETEXTURE) {
    IDirect3DCubeTexture9* t = nullptr;
    hr = device->CreateCubeTexture(w, levels, usage, format, pool, &t, nullptr);
    if (SUCCEEDED(hr)) *out.Out() = t;
  } else if (type == D3DRTYPE_VOLUMETEXTURE) {
    IDirect3DVolumeTexture9* t = nullptr;
    hr = device->CreateVolumeTexture(w, h, d, levels, usage, format, pool, &t, nullptr);
    if (SUCCEEDED(hr)) *out.Out() = t;
  } else {
    IDirect3DTexture9* t = nullptr;
    hr = device->CreateTexture(w, h, levels, usage, format, pool, &t, nullptr);
    if (SUCCEEDED(hr)) *out.Out() = t;
  }
  return hr;
}

// One call of the core, its phases in the order they run.
class TextureFromImage {
 public:
  TextureFromImage(IDirect3DDevice9* device, const TextureFileRequest& request, bool wantsPalette)
      : device_(device), r_(request), wantsPalette_(wantsPalette) {}

  HRESULT Run(const void* data, UINT size) {
    HRESULT hr = Decode(data, size);
    if (FAILED(hr)) return hr;
    ChooseSize();
    ChooseFilters();
    BuildPalette();
    RecogniseIndexedRamps();
    ChooseFormat();
    if (FAILED(hr = CreateTextures())) return hr;
    if (FAILED(hr = FillLevels())) return hr;
    return Upload();
  }

  const D3DXIMAGE_INFO& Info() const { return info_; }
  const Palette& WorkingPalette() const { return palette_; }
  IDirect3DBaseTexture9* Texture() const { return texture_.Get(); }

 private:
  // The file's levels and faces; a cube texture needs exactly six faces.
  HRESULT Decode(const void* data, UINT size) {
    HRESULT hr = LoadImageFromMemory(&image_, data, size, &info_, true);
    if (FAILED(hr)) return hr;
    imageLevels_ = image_.LevelCount();
    if (r_.type == D3DRTYPE_CUBETEXTURE && image_.FaceCount() != 6) return E_FAIL;
    return D3D_OK;
  }

  void ChooseSize() {
    width_ = ResolveSize(r_.width, image_.width);
    height_ = ResolveSize(r_.height, image_.height);
    depth_ = r_.type == D3DRTYPE_VOLUMETEXTURE ? ResolveSize(r_.depth, image_.depth) : 1;
    usage_ = r_.usage == D3DX_DEFAULT ? 0 : r_.usage;
  }

  // Cube faces meet at their edges, so nothing wraps around.
  void ChooseFilters() {
    filter_ = r_.filter == D3DX_DEFAULT ? kDefaultFilter : r_.filter;
    mipFilter_ = r_.mipFilter == D3DX_DEFAULT ? kDefaultMipFilter : r_.mipFilter;
    if (r_.type == D3DRTYPE_CUBETEXTURE) filter_ |= D3DX_FILTER_MIRROR, mipFilter_ |= D3DX_FILTER_MIRROR;
    const DWORD mipType = mipFilter_ & 0xFFFF;
    mipFiltering_ =
        (filter_ & 0xFFFF) == D3DX_FILTER_NONE || mipType == D3DX_FILTER_POINT || mipType == D3DX_FILTER_BOX;
  }

  // A palette image takes the colour key into its palette, after which the key is spent.
  void BuildPalette() {
    colorKey_ = r_.colorKey;
    imageHasPalette_ = image_.palette != nullptr;
    if (!imageHasPalette_) {
      palette_.fill(kOpaqueWhite);
      return;
    }
    const DWORD key = ColorKeyAsPaletteWord(colorKey_);
    for (UINT i = 0; i < 256; ++i)
      palette_[i] = PaletteWord(image_.palette[i]) == key ? kTransparentBlack : image_.palette[i];
    colorKey_ = 0;
  }

  // An 8-bit palette that only spells grey levels or R3G3B2 values is read as that format. The
  // working palette decides, so that a keyed entry keeps the image a palette image.
  void RecogniseIndexedRamps() {
    if (image_.format != D3DFMT_P8 || r_.format == D3DFMT_P8) return;
    D3DFORMAT as = D3DFMT_UNKNOWN;
    if (IsGreyRamp(palette_))
      as = D3DFMT_L8;
    else if (IsR3G3B2Ramp(palette_))
      as = D3DFMT_R3G3B2;
    if (as == D3DFMT_UNKNOWN) return;
    for (LoadedImage* face = &image_; face; face = face->nextFace.get())
      for (LoadedImage* level = face; level; level = level->nextLevel.get()) level->format = as;
  }

  void ChooseFormat() {
    format_ = r_.format;
    if (format_ == D3DFMT_UNKNOWN) {
      format_ = image_.format;
      const FormatInfo& info = LookupFormatInfo(format_);
      const bool keyable = info.category == FormatCategory::RGB || info.category == FormatCategory::PALETTE ||
                           info.category == FormatCategory::LUMINANCE;
      // A key on an image without alpha needs somewhere to put its transparency.
      if (colorKey_ && keyable && info.bitsA == 0) {
        FormatInfo withAlpha = info;
        withAlpha.format = D3DFMT_UNKNOWN;
        withAlpha.bitsA = 1;
        const D3DFORMAT match = MatchDeviceFormat(nullptr, 0, r_.type, withAlpha);
        if (match != D3DFMT_UNKNOWN) format_ = match;
      }
      format_ = ToPublicFormat(format_);
      if (r_.pool != D3DPOOL_SCRATCH && format_ == D3DFMT_R8G8B8) format_ = D3DFMT_X8R8G8B8;
    }
    if (wantsPalette_ && imageHasPalette_) return;
    if (format_ == D3DFMT_A8P8) {
      format_ = D3DFMT_A8R8G8B8;
    } else if (format_ == D3DFMT_P8) {
      bool translucent = false;
      for (const PALETTEENTRY& e : palette_) translucent |= e.peFlags != 255;
      format_ = translucent ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    }
  }

  // A default-pool texture cannot be locked unless dynamic: it is loaded through a copy.
  HRESULT CreateTextures() {
    levels_ = r_.mipLevels;
    HRESULT hr = CheckTextureRequirements(device_, r_.type, &width_, &height_, &depth_, &levels_, usage_,
                                          &format_, r_.pool);
    if (FAILED(hr)) return hr;
    hr = CreateOfType(device_, r_.type, width_, height_, depth_, levels_, usage_ & kCreationUsageMask,
                      format_, r_.pool, texture_);
    if (FAILED(hr)) return hr;
    if (r_.pool == D3DPOOL_DEFAULT && !(usage_ & D3DUSAGE_DYNAMIC)) {
      hr = CreateOfType(device_, r_.type, width_, height_, depth_, levels_, 0, format_, D3DPOOL_SYSTEMMEM,
                        staging_);
      if (FAILED(hr)) return hr;
    }
    return D3D_OK;
  }

  IDirect3DBaseTexture9* LoadTarget() const { return staging_ ? staging_.Get() : texture_.Get(); }

  HRESULT LoadLevel(const TextureLevels& levels, UINT face, UINT level, const LoadedImage& source,
                    DWORD filter) const {
    const PALETTEENTRY* destPalette = wantsPalette_ ? palette_.data() : nullptr;
    const ImageBox& b = source.region;
    if (r_.type == D3DRTYPE_VOLUMETEXTURE) {
      ComRef<IDirect3DVolume9> volume;
      HRESULT hr = levels.Volume(level, volume.Out());
      if (FAILED(hr)) return hr;
      const D3DBOX box = {b.left, b.top, b.right, b.bottom, b.front, b.back};
      return D3DXLoadVolumeFromMemory(volume.Get(), destPalette, nullptr, source.pixels, source.format,
                                      source.rowPitch, source.slicePitch, palette_.data(), &box, filter,
                                      colorKey_);
    }
    ComRef<IDirect3DSurface9> surface;
    HRESULT hr = levels.Surface(face, level, surface.Out());
    if (FAILED(hr)) return hr;
    const RECT rect = BoxToRect(b);
    return D3DXLoadSurfaceFromMemory(surface.Get(), destPalette, nullptr, source.pixels, source.format,
                                     source.rowPitch, palette_.data(), &rect, filter, colorKey_);
  }

  // The file's levels first; the rest from the last file level again, or by mip filtering.
  HRESULT FillLevels() {
    const TextureLevels levels(LoadTarget(), r_.type);
    const UINT textureLevels = LoadTarget()->GetLevelCount();
    const UINT faces = r_.type == D3DRTYPE_CUBETEXTURE ? 6 : 1;
    const LoadedImage* face = &image_;
    for (UINT f = 0; f < faces && face; ++f, face = face->nextFace.get()) {
      const LoadedImage* last = face;
      UINT level = 0;
      for (const LoadedImage* l = face; l && level < textureLevels; l = l->nextLevel.get(), ++level) {
        HRESULT hr = LoadLevel(levels, f, level, *l, filter_);
        if (FAILED(hr)) return hr;
        last = l;
      }
      for (; !mipFiltering_ && level < textureLevels; ++level) {
        HRESULT hr = LoadLevel(levels, f, level, *last, filter_);
        if (FAILED(hr)) return hr;
      }
    }
    if (mipFiltering_ && imageLevels_ < textureLevels)
      return D3DXFilterTexture(LoadTarget(), palette_.data(), imageLevels_ - 1, mipFilter_);
    return D3D_OK;
  }

  HRESULT Upload() {
    if (!staging_) return D3D_OK;
    return device_->UpdateTexture(staging_.Get(), texture_.Get());
  }

  IDirect3DDevice9* device_;
  const TextureFileRequest& r_;
  const bool wantsPalette_;
  LoadedImage image_;
  D3DXIMAGE_INFO info_ = {};
  UINT imageLevels_ = 0;
  UINT width_ = 0, height_ = 0, depth_ = 0, levels_ = 0;
  DWORD usage_ = 0;
  DWORD filter_ = 0, mipFilter_ = 0;
  bool mipFiltering_ = true;
  D3DCOLOR colorKey_ = 0;
  bool imageHasPalette_ = false;
  Palette palette_ = {};
  D3DFORMAT format_ = D3DFMT_UNKNOWN;
  ComRef<IDirect3DBaseTexture9> texture_;
  ComRef<IDirect3DBaseTexture9> staging_;
};

}  // namespace

HRESULT CreateTextureFromImageFile(IDirect3DDevice9* device, const void* data, UINT size,
                                   const TextureFileRequest& request, D3DXIMAGE_INFO* info,
                                   PALETTEENTRY* palette, IDirect3DBaseTexture9** texture) {
  if (!device || !data || !size || !texture) return D3DERR_INVALIDCALL;
  TextureFromImage creation(device, request, palette != nullptr);
  const HRESULT hr = creation.Run(data, size);
  if (FAILED(hr)) return hr;
  if (info) *info = creation.Info();
  if (palette) std::memcpy(palette, creation.WorkingPalette().data(), sizeof(Palette));
  *texture = creation.Texture();
  (*texture)->AddRef();
  return D3D_OK;
}

}  // namespace d3dx

using namespace d3dx;

HRESULT WINAPI D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                   UINT SrcDataSize, UINT Width, UINT Height, UINT MipLevels,
                                                   DWORD Usage, D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                   DWORD MipFilter, D3DCOLOR ColorKey,
                                                   D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                   LPDIRECT3DTEXTURE9* ppTexture) {
  const TextureFileRequest request = {D3DRTYPE_TEXTURE, Width, Height, 1,         MipLevels, Usage,
                                      Format,           Pool,  Filter, MipFilter, ColorKey};
  IDirect3DBaseTexture9* texture = nullptr;
  const HRESULT hr = CreateTextureFromImageFile(pDevice, pSrcData, SrcDataSize, request, pSrcInfo, pPalette,
                                                ppTexture ? &texture : nullptr);
  if (SUCCEEDED(hr)) *ppTexture = static_cast<IDirect3DTexture9*>(texture);
  return hr;
}

HRESULT WINAPI D3DXCreateCubeTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                       UINT SrcDataSize, UINT Size, UINT MipLevels,
                                                       DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                                       DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                                       D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                       LPDIRECT3DCUBETEXTURE9* ppCubeTexture) {
  const TextureFileRequest request = {
      D3DRTYPE_CUBETEXTURE, Size, Size, 1, MipLevels, Usage, Format, Pool, Filter, MipFilter, ColorKey};
  IDirect3DBaseTexture9* texture = nullptr;
  const HRESULT hr = CreateTextureFromImageFile(pDevice, pSrcData, SrcDataSize, request, pSrcInfo, pPalette,
                                                ppCubeTexture ? &texture : nullptr);
  if (SUCCEEDED(hr)) *ppCubeTexture = static_cast<IDirect3DCubeTexture9*>(texture);
  return hr;
}

HRESULT WINAPI D3DXCreateVolumeTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData,
                                                         UINT SrcDataSize, UINT Width, UINT Height,
                                                         UINT Depth, UINT MipLevels, DWORD Usage,
                                                         D3DFORMAT Format, D3DPOOL Pool, DWORD Filter,
                                                         DWORD MipFilter, D3DCOLOR ColorKey,
                                                         D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                         LPDIRECT3DVOLUMETEXTURE9* ppVolumeTexture) {
  const TextureFileRequest request = {D3DRTYPE_VOLUMETEXTURE,
                                      Width,
                                      Height,
                                      Depth,
                                      MipLevels,
                                      Usage,
                                      Format,
                                      Pool,
                                      Filter,
                                      MipFilter,
                                      ColorKey};
  IDirect3DBaseTexture9* texture = nullptr;
  const HRESULT hr = CreateTextureFromImageFile(pDevice, pSrcData, SrcDataSize, request, pSrcInfo, pPalette,
                                                ppVolumeTexture ? &texture : nullptr);
  if (SUCCEEDED(hr)) *ppVolumeTexture = static_cast<IDirect3DVolumeTexture9*>(texture);
  return hr;
}
