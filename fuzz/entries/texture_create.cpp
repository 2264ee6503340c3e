// Texture creation from image files in memory on a headless device: plain, cube and volume
// textures with sizes, levels, usages, formats, pools, filters and colour keys taken from the
// input's last eight bytes (the whole input is the file, so the decoders also meet trailing data).
// Every level of a created texture is described and, where the pool allows, locked and read.
#include <d3dx9.h>

#include <algorithm>
#include <bit>

#include "fuzz_entries.h"
#include "headless_device.h"

namespace fuzz {
namespace {

constexpr UINT kSizes[] = {0, D3DX_DEFAULT, D3DX_DEFAULT_NONPOW2, D3DX_FROM_FILE, 1, 3, 16, 64, 100, 256};
constexpr UINT kLevels[] = {0, D3DX_DEFAULT, D3DX_FROM_FILE, 1, 2, 5};
constexpr DWORD kUsages[] = {0, D3DUSAGE_DYNAMIC, D3DUSAGE_RENDERTARGET, D3DUSAGE_AUTOGENMIPMAP, 0x80000000u};
constexpr D3DFORMAT kFormats[] = {
    D3DFMT_UNKNOWN, D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8,      D3DFMT_R5G6B5,  D3DFMT_A4R4G4B4,      D3DFMT_A8,
    D3DFMT_L8,      D3DFMT_P8,       D3DFMT_DXT1,          D3DFMT_DXT5,    D3DFMT_A16B16G16R16F, D3DFMT_V8U8,
    D3DFMT_YUY2,    D3DFMT_D24S8,    D3DFMT_A32B32G32R32F, D3DFMT_Q8W8V8U8};
constexpr D3DPOOL kPools[] = {D3DPOOL_MANAGED, D3DPOOL_DEFAULT, D3DPOOL_SYSTEMMEM, D3DPOOL_SCRATCH};
constexpr DWORD kFilters[] = {D3DX_DEFAULT,
                              D3DX_FILTER_NONE,
                              D3DX_FILTER_POINT,
                              D3DX_FILTER_LINEAR,
                              D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER,
                              D3DX_FILTER_BOX | D3DX_FILTER_MIRROR,
                              D3DX_FILTER_LINEAR | D3DX_FILTER_SRGB,
                              7};

// Bigger textures spend their memory and time in the same code per texel, so the entry keeps
// every texture within kMaxTexels texels (faces and slices included) by asking for smaller sizes
// outright, and leaves images of more than kMaxImageTexels to the image_info target: each unit
// stays far inside the campaign's 256 MiB and 1 s. The device's size limits (4096, and 256 for
// volumes) and requests beyond them have their ordinary tests. The DXT encoder costs several
// times a plain conversion per texel under the sanitizers, so block-compressed textures (asked
// for, or kept from the file) get a quarter of the texels.
constexpr uint64_t kMaxTexels = uint64_t(1) << 16;
constexpr uint64_t kMaxBlockTexels = kMaxTexels / 4;
constexpr uint64_t kMaxImageTexels = uint64_t(1) << 18;

// At least the edge that a request of `pick` gives for an image edge `image`, at most the
// device's `limit`: the image's edge rounded up to a power of two for the sizes taken from the
// file, else the request itself (a huge one such as D3DX_FROM_FILE is cut to the limit).
UINT EdgeBound(UINT pick, UINT image, UINT limit) {
  uint64_t edge = pick;
  if (pick == 0 || pick == D3DX_DEFAULT || pick == D3DX_DEFAULT_NONPOW2)
    edge = std::bit_ceil(uint64_t(std::max(image, 1u)));
  return UINT(std::min<uint64_t>(edge, limit));
}

enum class Kind { Plain, Cube, Volume };

struct Request {
  UINT width, height, depth;  // a cube's edge is its width
};

bool IsBlockCompressed(D3DFORMAT format) {
  return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
         format == D3DFMT_DXT5;
}

// The request itself when its texture fits `budget` texels, else explicit sizes halved, the
// largest edge first, until it does.
Request Bounded(const Request& asked, Kind kind, const D3DXIMAGE_INFO& image, uint64_t budget) {
  const UINT limit = kind == Kind::Volume ? 256 : 4096;
  Request r = {
      EdgeBound(asked.width, kind == Kind::Cube ? std::max(image.Width, image.Height) : image.Width, limit),
      EdgeBound(asked.height, image.Height, limit), EdgeBound(asked.depth, image.Depth, limit)};
  if (kind == Kind::Cube) r.height = r.width;
  if (kind != Kind::Volume) r.depth = 1;
  auto texels = [&] { return uint64_t(r.width) * r.height * r.depth * (kind == Kind::Cube ? 6 : 1); };
  if (texels() <= budget) return asked;
  while (texels() > budget) {
    UINT& largest =
        r.width >= r.height && r.width >= r.depth ? r.width : (r.height >= r.depth ? r.height : r.depth);
    largest = std::max(largest / 2, 1u);
    if (kind == Kind::Cube) r.height = r.width;
  }
  return r;
}

template <typename T, size_t N>
const T& Pick(const T (&table)[N], uint8_t choice) {
  return table[choice % N];
}

volatile unsigned gSink;

// Rows the lock spans: rows of 4 x 4 blocks for the block-compressed formats.
UINT LockedRows(const D3DSURFACE_DESC& desc) {
  switch (desc.Format) {
    case D3DFMT_DXT1:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
      return (desc.Height + 3) / 4;
    default:
      return desc.Height;
  }
}

void ReadRect(const D3DLOCKED_RECT& rect, UINT rows) {
  const BYTE* bytes = static_cast<const BYTE*>(rect.pBits);
  if (!bytes || !rows) return;
  // The first and the last byte of the first and the last row the lock hands out.
  gSink = gSink + bytes[0] + bytes[size_t(rows - 1) * rect.Pitch];
}

void CheckPlain(IDirect3DTexture9* texture, bool lockable) {
  for (DWORD level = 0; level < texture->GetLevelCount(); ++level) {
    D3DSURFACE_DESC desc;
    if (texture->GetLevelDesc(level, &desc) != D3D_OK) Broken("a created level has no description");
    D3DLOCKED_RECT rect;
    if (lockable && texture->LockRect(level, &rect, nullptr, D3DLOCK_READONLY) == D3D_OK) {
      ReadRect(rect, LockedRows(desc));
      texture->UnlockRect(level);
    }
  }
}

}  // namespace

int TextureCreate(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  const uint8_t* p = data + size - 8;
  const Kind kind = Kind((p[5] >> 2) % 3);
  D3DXIMAGE_INFO image = {};
  if (D3DXGetImageInfoFromFileInMemory(data, UINT(size), &image) == D3D_OK &&
      uint64_t(image.Width) * image.Height * image.Depth > kMaxImageTexels)
    return 0;
  const D3DFORMAT format = Pick(kFormats, p[4]);
  const bool blocks = IsBlockCompressed(format == D3DFMT_UNKNOWN ? image.Format : format);
  const Request request = Bounded({Pick(kSizes, p[0]), Pick(kSizes, p[1]), Pick(kSizes, p[3] >> 4)}, kind,
                                  image, blocks ? kMaxBlockTexels : kMaxTexels);
  const UINT width = request.width, height = request.height;
  const UINT levels = Pick(kLevels, p[2]);
  const DWORD usage = Pick(kUsages, p[3]);
  const D3DPOOL pool = Pick(kPools, p[5] & 3);
  const DWORD filter = Pick(kFilters, p[6]), mipFilter = Pick(kFilters, p[6] >> 4);
  const D3DCOLOR colorKey = (p[7] & 1) ? 0xFF000000u | (p[7] * 0x010101u) : 0;
  const bool lockable = pool != D3DPOOL_DEFAULT;

  D3DXIMAGE_INFO info;
  PALETTEENTRY palette[256];
  if (kind == Kind::Plain) {
    IDirect3DTexture9* texture = nullptr;
    if (D3DXCreateTextureFromFileInMemoryEx(HeadlessDevice(), data, UINT(size), width, height, levels, usage,
                                            format, pool, filter, mipFilter, colorKey, &info, palette,
                                            &texture) == D3D_OK) {
      CheckPlain(texture, lockable);
      texture->Release();
    }
  } else if (kind == Kind::Cube) {
    IDirect3DCubeTexture9* cube = nullptr;
    if (D3DXCreateCubeTextureFromFileInMemoryEx(HeadlessDevice(), data, UINT(size), width, levels, usage,
                                                format, pool, filter, mipFilter, colorKey, &info, palette,
                                                &cube) == D3D_OK) {
      D3DSURFACE_DESC desc;
      for (DWORD level = 0; level < cube->GetLevelCount(); ++level) {
        if (cube->GetLevelDesc(level, &desc) != D3D_OK) Broken("a created cube level has no description");
        D3DLOCKED_RECT rect;
        if (lockable &&
            cube->LockRect(D3DCUBEMAP_FACE_NEGATIVE_Z, level, &rect, nullptr, D3DLOCK_READONLY) == D3D_OK) {
          ReadRect(rect, LockedRows(desc));
          cube->UnlockRect(D3DCUBEMAP_FACE_NEGATIVE_Z, level);
        }
      }
      cube->Release();
    }
  } else {
    IDirect3DVolumeTexture9* volume = nullptr;
    if (D3DXCreateVolumeTextureFromFileInMemoryEx(HeadlessDevice(), data, UINT(size), width, height,
                                                  request.depth, levels, usage, format, pool, filter,
                                                  mipFilter, colorKey, &info, palette, &volume) == D3D_OK) {
      D3DVOLUME_DESC desc;
      for (DWORD level = 0; level < volume->GetLevelCount(); ++level) {
        if (volume->GetLevelDesc(level, &desc) != D3D_OK) Broken("a created volume level has no description");
        D3DLOCKED_BOX box;
        if (lockable && volume->LockBox(level, &box, nullptr, D3DLOCK_READONLY) == D3D_OK) {
          const BYTE* bytes = static_cast<const BYTE*>(box.pBits);
          if (bytes) gSink = gSink + bytes[size_t(desc.Depth - 1) * box.SlicePitch];
          volume->UnlockBox(level);
        }
      }
      volume->Release();
    }
  }
  return 0;
}

}  // namespace fuzz
