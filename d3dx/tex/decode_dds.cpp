// DirectDraw surface files: 2-D, cube and volume textures with their mip levels, every node
// pointing into the file data.
#include <algorithm>
#include <bit>
#include <new>

#include "format_info.h"
#include "image_decoders.h"

namespace d3dx {
namespace {

constexpr uint32_t kMagic = MAKEFOURCC('D', 'D', 'S', ' ');
constexpr size_t kHeaderBytes = 128;
constexpr size_t kPaletteBytes = 256 * sizeof(PALETTEENTRY);
constexpr uint32_t kDepthValid = 0x800000;
constexpr uint32_t kCubeFaces = 0xFC00;
constexpr uint32_t kFourCcFlag = 0x4;

// Pixel-format flags that make each field of the header take part in the match.
constexpr uint32_t kComparesBits = 0xC4462, kComparesRed = 0xE4040, kComparesGreen = 0xC4440,
                   kComparesBlue = 0xC4040, kComparesAlpha = 0x80003;

struct MaskedFormat {
  D3DFORMAT format;
  uint32_t flags, bits, red, green, blue, alpha;
};

// In search order.
constexpr MaskedFormat kMaskedFormats[] = {
    {D3DFMT_R8G8B8, 0x40, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {D3DFMT_A8R8G8B8, 0x41, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {D3DFMT_X8R8G8B8, 0x40, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {D3DFMT_R5G6B5, 0x40, 16, 0xF800, 0x7E0, 0x1F, 0},
    {D3DFMT_X1R5G5B5, 0x40, 16, 0x7C00, 0x3E0, 0x1F, 0},
    {D3DFMT_A1R5G5B5, 0x41, 16, 0x7C00, 0x3E0, 0x1F, 0x8000},
    {D3DFMT_A4R4G4B4, 0x41, 16, 0xF00, 0xF0, 0xF, 0xF000},
    {D3DFMT_R3G3B2, 0x40, 8, 0xE0, 0x1C, 0x3, 0},
    {D3DFMT_A8, 0x2, 8, 0, 0, 0, 0xFF},
    {D3DFMT_A8R3G3B2, 0x41, 16, 0xE0, 0x1C, 0x3, 0xFF00},
    {D3DFMT_X4R4G4B4, 0x40, 16, 0xF00, 0xF0, 0xF, 0},
    {D3DFMT_A2B10G10R10, 0x41, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
    {D3DFMT_A8B8G8R8, 0x41, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {D3DFMT_X8B8G8R8, 0x40, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {D3DFMT_G16R16, 0x40, 32, 0xFFFF, 0xFFFF0000, 0, 0},
    {D3DFMT_A2R10G10B10, 0x41, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {D3DFMT_A8P8, 0x21, 16, 0, 0, 0, 0xFF00},
    {D3DFMT_P8, 0x20, 8, 0, 0, 0, 0},
    {D3DFMT_L8, 0x20000, 8, 0xFF, 0, 0, 0},
    {D3DFMT_A8L8, 0x20001, 16, 0xFF, 0, 0, 0xFF00},
    {D3DFMT_A4L4, 0x20001, 8, 0xF, 0, 0, 0xF0},
    {D3DFMT_L16, 0x20000, 16, 0xFFFF, 0, 0, 0},
    {D3DFMT_V8U8, 0x80000, 16, 0xFF, 0xFF00, 0, 0},
    {D3DFMT_L6V5U5, 0x40000, 16, 0x1F, 0x3E0, 0xFC00, 0},
    {D3DFMT_X8L8V8U8, 0x40000, 32, 0xFF, 0xFF00, 0xFF0000, 0},
    {D3DFMT_Q8W8V8U8, 0x80000, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000},
    {D3DFMT_V16U16, 0x80000, 32, 0xFFFF, 0xFFFF0000, 0, 0},
    {D3DFMT_A2W10V10U10, 0x80001, 32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
    {D3DFMT_D16_LOCKABLE, 0x400, 16, 0, 0xFFFF, 0, 0},
};

// Formats named by their four-character code, which is their D3DFORMAT value.
constexpr D3DFORMAT kFourCcFormats[] = {
    D3DFMT_UYVY,         D3DFMT_R8G8_B8G8,    D3DFMT_YUY2,          D3DFMT_G8R8_G8B8, D3DFMT_DXT1,
    D3DFMT_DXT2,         D3DFMT_DXT3,         D3DFMT_DXT4,          D3DFMT_DXT5,      D3DFMT_D32F_LOCKABLE,
    D3DFMT_A16B16G16R16, D3DFMT_Q16W16V16U16, D3DFMT_R16F,          D3DFMT_G16R16F,   D3DFMT_A16B16G16R16F,
    D3DFMT_R32F,         D3DFMT_G32R32F,      D3DFMT_A32B32G32R32F, D3DFMT_CxV8U8,
};

D3DFORMAT MatchPixelFormat(const BYTE* pf) {
  if (ReadLe32(pf) != 32) return D3DFMT_UNKNOWN;
  uint32_t flags = ReadLe32(pf + 4);
  if (flags & kFourCcFlag) {
    const uint32_t code = ReadLe32(pf + 8);
    for (D3DFORMAT f : kFourCcFormats)
      if (uint32_t(f) == code) return f;
    return D3DFMT_UNKNOWN;
  }
  const uint32_t bits = ReadLe32(pf + 12), red = ReadLe32(pf + 16), green = ReadLe32(pf + 20),
                 blue = ReadLe32(pf + 24), alpha = ReadLe32(pf + 28);
  for (const MaskedFormat& m : kMaskedFormats) {
    if (m.flags != flags) continue;
    if ((flags & kComparesBits) && m.bits != bits) continue;
    if ((flags & kComparesRed) && m.red != red) continue;
    if ((flags & kComparesGreen) && m.green != green) continue;
    if ((flags & kComparesBlue) && m.blue != blue) continue;
    if ((flags & kComparesAlpha) && m.alpha != alpha) continue;
    return m.format;
  }
  return D3DFMT_UNKNOWN;
}

bool IsPaletteFormat(D3DFORMAT f) { return f == D3DFMT_P8 || f == D3DFMT_A8P8; }

}  // namespace

HRESULT DecodeDds(FileData file, LoadedImage& image) {
  if (file.size() < kHeaderBytes || ReadLe32(file.data()) != kMagic) return E_FAIL;
  const BYTE* h = file.data();
  const uint32_t flags = ReadLe32(h + 8), height = ReadLe32(h + 12), width = ReadLe32(h + 16),
                 caps2 = ReadLe32(h + 112);
  const bool volume = flags & kDepthValid;
  const uint32_t depth = std::max<uint32_t>(volume ? ReadLe32(h + 24) : 1, 1);
  const uint32_t levels = std::max<uint32_t>(ReadLe32(h + 28), 1);
  const uint32_t faceBits = caps2 & kCubeFaces;
  if (faceBits != 0 && faceBits != kCubeFaces) return E_FAIL;
  const UINT faces = faceBits ? 6 : 1;
  if (width == 0 || height == 0) return E_FAIL;
  // No level lies below 1x1(x1): a longer chain is damage, and would cost a node per level.
  const uint32_t largest = std::max({width, height, volume ? depth : 1u});
  if (levels > uint32_t(std::bit_width(largest))) return E_FAIL;

  const D3DFORMAT format = MatchPixelFormat(h + 76);
  if (format == D3DFMT_UNKNOWN) return E_FAIL;
  size_t offset = kHeaderBytes;
  const PALETTEENTRY* palette = nullptr;
  if (IsPaletteFormat(format)) {
    if (file.size() - offset < kPaletteBytes) return E_FAIL;
    palette = reinterpret_cast<const PALETTEENTRY*>(file.data() + offset);
    offset += kPaletteBytes;
  }

  const D3DRESOURCETYPE type = volume       ? D3DRTYPE_VOLUMETEXTURE
                               : faces == 6 ? D3DRTYPE_CUBETEXTURE
                                            : D3DRTYPE_TEXTURE;
  LoadedImage* faceNode = &image;
  for (UINT face = 0; face < faces; ++face) {
    LoadedImage* node = faceNode;
    uint32_t w = width, hgt = height, d = depth;
    for (uint32_t level = 0; level < levels; ++level) {
      const uint64_t rowPitch = RowBytes(format, w);
      const uint64_t slice = rowPitch * StorageRows(format, hgt);
      if (slice == 0 || rowPitch > UINT32_MAX || slice > UINT32_MAX || d > UINT32_MAX / slice) return E_FAIL;
      if (uint64_t(d) * slice > file.size() - offset) return E_FAIL;
      node->format = format;
      node->pixels = file.data() + offset;
      node->width = w;
      node->height = hgt;
      node->depth = d;
      node->rowPitch = UINT(rowPitch);
      node->slicePitch = volume ? UINT(slice) : 0;
      node->palette = palette;
      node->resourceType = type;
      node->fileFormat = image.fileFormat;
      node->wantPixels = image.wantPixels;
      offset += size_t(d * slice);
      w = std::max(w / 2, 1u);
      hgt = std::max(hgt / 2, 1u);
      d = std::max(d / 2, 1u);
      if (level + 1 < levels) {
        node->nextLevel.reset(new (std::nothrow) LoadedImage);
        if (!node->nextLevel) return E_OUTOFMEMORY;
        node = node->nextLevel.get();
      }
    }
    if (face + 1 < faces) {
      faceNode->nextFace.reset(new (std::nothrow) LoadedImage);
      if (!faceNode->nextFace) return E_OUTOFMEMORY;
      faceNode = faceNode->nextFace.get();
    }
  }
  return S_OK;
}

}  // namespace d3dx
