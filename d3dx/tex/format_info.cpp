// The format table and the closest-format searches.
#include "format_info.h"

#include "../debug_mute.h"

namespace d3dx {
namespace {

using C = FormatCategory;

// Channel widths as X/A/R/G/B. The order decides ties between equal scores.
constexpr FormatInfo kTable[] = {
    {D3DFMT_R8G8B8, C::RGB, 24, 0, 0, 8, 8, 8, FALSE},
    {D3DFMT_A8R8G8B8, C::RGB, 32, 0, 8, 8, 8, 8, TRUE},
    {D3DFMT_X8R8G8B8, C::RGB, 32, 0, 0, 8, 8, 8, TRUE},
    {D3DFMT_R5G6B5, C::RGB, 16, 0, 0, 5, 6, 5, TRUE},
    {D3DFMT_X1R5G5B5, C::RGB, 16, 0, 0, 5, 5, 5, TRUE},
    {D3DFMT_A8P8, C::PALETTE, 16, 0, 8, 8, 8, 8, TRUE},
    {D3DFMT_P8, C::PALETTE, 8, 0, 8, 8, 8, 8, TRUE},
    {D3DFMT_A1R5G5B5, C::RGB, 16, 0, 1, 5, 5, 5, TRUE},
    {D3DFMT_A4R4G4B4, C::RGB, 16, 0, 4, 4, 4, 4, TRUE},
    {D3DFMT_R3G3B2, C::RGB, 8, 0, 0, 3, 3, 2, TRUE},
    {D3DFMT_A8, C::RGB, 8, 0, 8, 0, 0, 0, TRUE},
    {D3DFMT_A8R3G3B2, C::RGB, 16, 0, 8, 3, 3, 2, TRUE},
    {D3DFMT_X4R4G4B4, C::RGB, 16, 0, 0, 4, 4, 4, TRUE},
    {D3DFMT_A2B10G10R10, C::RGB, 32, 0, 2, 10, 10, 10, TRUE},
    {D3DFMT_A8B8G8R8, C::RGB, 32, 0, 8, 8, 8, 8, TRUE},
    {D3DFMT_X8B8G8R8, C::RGB, 32, 0, 0, 8, 8, 8, TRUE},
    {D3DFMT_G16R16, C::RGB, 32, 0, 0, 16, 16, 0, TRUE},
    {D3DFMT_A2R10G10B10, C::RGB, 32, 0, 2, 10, 10, 10, TRUE},
    {D3DFMT_A16B16G16R16, C::RGB, 64, 0, 16, 16, 16, 16, TRUE},
    {D3DFMT_L8, C::LUMINANCE, 8, 0, 0, 8, 8, 8, TRUE},
    {D3DFMT_A8L8, C::LUMINANCE, 16, 0, 8, 8, 8, 8, TRUE},
    {D3DFMT_A4L4, C::LUMINANCE, 8, 0, 4, 4, 4, 4, TRUE},
    {D3DFMT_L16, C::LUMINANCE, 16, 0, 0, 16, 16, 16, TRUE},
    {D3DFMT_V8U8, C::SIGNED, 16, 0, 0, 0, 8, 8, TRUE},
    {D3DFMT_L6V5U5, C::SIGNED, 16, 6, 0, 0, 5, 5, TRUE},
    {D3DFMT_X8L8V8U8, C::SIGNED, 32, 8, 0, 0, 8, 8, TRUE},
    {D3DFMT_Q8W8V8U8, C::SIGNED, 32, 0, 8, 8, 8, 8, TRUE},
    {D3DFMT_V16U16, C::SIGNED, 32, 0, 0, 0, 16, 16, TRUE},
    {D3DFMT_A2W10V10U10, C::SIGNED, 32, 2, 0, 10, 10, 10, TRUE},
    {D3DFMT_Q16W16V16U16, C::SIGNED, 64, 0, 16, 16, 16, 16, TRUE},
    {D3DFMT_CxV8U8, C::SIGNED, 16, 8, 0, 0, 8, 8, FALSE},
    {D3DFMT_UYVY, C::RGB, 16, 0, 0, 8, 8, 8, FALSE},
    {D3DFMT_R8G8_B8G8, C::RGB, 16, 0, 0, 8, 8, 8, FALSE},
    {D3DFMT_YUY2, C::RGB, 16, 0, 0, 8, 8, 8, FALSE},
    {D3DFMT_G8R8_G8B8, C::RGB, 16, 0, 0, 8, 8, 8, FALSE},
    {D3DFMT_DXT1, C::RGB, 16, 0, 1, 5, 6, 5, FALSE},
    {D3DFMT_DXT2, C::RGB, 16, 0, 4, 5, 6, 5, FALSE},
    {D3DFMT_DXT3, C::RGB, 16, 0, 4, 5, 6, 5, FALSE},
    {D3DFMT_DXT4, C::RGB, 16, 0, 8, 5, 6, 5, FALSE},
    {D3DFMT_DXT5, C::RGB, 16, 0, 8, 5, 6, 5, FALSE},
    {D3DFMT_D16_LOCKABLE, C::DEPTH, 16, 1, 0, 0, 0, 16, TRUE},
    {D3DFMT_D32F_LOCKABLE, C::DEPTH, 32, 1, 0, 0, 0, 32, FALSE},
    {D3DFMT_D32, C::DEPTH, 32, 0, 0, 0, 0, 32, TRUE},
    {D3DFMT_D15S1, C::DEPTH, 16, 0, 0, 0, 1, 15, TRUE},
    {D3DFMT_D24S8, C::DEPTH, 32, 0, 0, 0, 8, 24, TRUE},
    {D3DFMT_D16, C::DEPTH, 16, 0, 0, 0, 0, 16, TRUE},
    {D3DFMT_D24X8, C::DEPTH, 32, 0, 0, 0, 0, 24, TRUE},
    {D3DFMT_D24X4S4, C::DEPTH, 32, 0, 0, 0, 4, 24, TRUE},
    {D3DFMT_D24FS8, C::DEPTH, 32, 0, 0, 0, 8, 24, FALSE},
    {D3DFMT_R16F, C::RGB, 16, 0, 0, 16, 0, 0, FALSE},
    {D3DFMT_G16R16F, C::RGB, 32, 0, 0, 16, 16, 0, FALSE},
    {D3DFMT_A16B16G16R16F, C::RGB, 64, 0, 16, 16, 16, 16, FALSE},
    {D3DFMT_R32F, C::RGB, 32, 0, 0, 32, 0, 0, FALSE},
    {D3DFMT_G32R32F, C::RGB, 64, 0, 0, 32, 32, 0, FALSE},
    {D3DFMT_A32B32G32R32F, C::RGB, 128, 0, 32, 32, 32, 32, FALSE},
    {FMT_A16L16, C::LUMINANCE, 32, 0, 16, 16, 16, 16, FALSE},
    {FMT_R16G16B16, C::RGB, 48, 0, 0, 16, 16, 16, FALSE},
};
static_assert(std::size(kTable) == 57);

// kCompatible[from][to]: may a format of category `from` be replaced by one of category `to`.
constexpr bool kCompatible[5][5] = {
    {true, false, false, false, false},  // RGB
    {true, true, false, false, false},   // PALETTE
    {true, false, true, false, false},   // LUMINANCE
    {false, false, false, true, false},  // SIGNED
    {false, false, false, false, true},  // DEPTH
};

// Keeps the best candidate of a search: lowest score, then fewest bits, then first seen.
struct BestFormat {
  const FormatInfo* info = &kFallbackFormatInfo;
  UINT score = kFormatIncompatible;

  void Offer(const FormatInfo& candidate, UINT candidateScore) {
    if (candidateScore == kFormatIncompatible || candidateScore > score) return;
    if (candidateScore == score && candidate.bitsPerPixel >= info->bitsPerPixel) return;
    info = &candidate;
    score = candidateScore;
  }
};

}  // namespace

const FormatInfo kFallbackFormatInfo = {D3DFMT_UNKNOWN, C::RGB, 32, 0, 8, 8, 8, 8, FALSE};

std::span<const FormatInfo> FormatTable() { return kTable; }

const FormatInfo& LookupFormatInfo(D3DFORMAT format) {
  for (const FormatInfo& info : kTable)
    if (info.format == format) return info;
  return kFallbackFormatInfo;
}

bool IsKnownFormat(D3DFORMAT format) { return &LookupFormatInfo(format) != &kFallbackFormatInfo; }

PixelLayout LayoutOf(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_DXT1:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
      return PixelLayout::Block4x4;
    case D3DFMT_YUY2:
    case D3DFMT_UYVY:
    case D3DFMT_R8G8_B8G8:
    case D3DFMT_G8R8_G8B8:
      return PixelLayout::PackedPair;
    default:
      return PixelLayout::PerPixel;
  }
}

UINT BlockBytes(D3DFORMAT format) {
  if (LayoutOf(format) != PixelLayout::Block4x4) return 0;
  return format == D3DFMT_DXT1 ? 8 : 16;
}

UINT BytesPerPixel(D3DFORMAT format) {
  if (LayoutOf(format) != PixelLayout::PerPixel) return 0;
  return LookupFormatInfo(format).bitsPerPixel / 8;
}

uint64_t RowBytes(D3DFORMAT format, uint64_t width) {
  switch (LayoutOf(format)) {
    case PixelLayout::Block4x4:
      return (width + 3) / 4 * BlockBytes(format);
    case PixelLayout::PackedPair:
      return (width + 1) / 2 * 4;
    case PixelLayout::PerPixel:
      break;
  }
  return width * BytesPerPixel(format);
}

uint64_t StorageRows(D3DFORMAT format, uint64_t height) {
  return LayoutOf(format) == PixelLayout::Block4x4 ? (height + 3) / 4 : height;
}

UINT FormatMismatchScore(const FormatInfo& requested, const FormatInfo& candidate) {
  if (!kCompatible[static_cast<UINT>(requested.category)][static_cast<UINT>(candidate.category)])
    return kFormatIncompatible;
  const UINT q[5] = {requested.bitsX, requested.bitsA, requested.bitsR, requested.bitsG, requested.bitsB};
  const UINT c[5] = {candidate.bitsX, candidate.bitsA, candidate.bitsR, candidate.bitsG, candidate.bitsB};
  UINT score = 0, present = 0;
  for (int i = 0; i < 5; ++i) {
    if (q[i] > 0) ++present;
    if (q[i] < c[i])
      score += q[i] == 0 ? 256u : c[i] - q[i];
    else if (q[i] > c[i])
      score += c[i] == 0 ? (1u << 24) : (q[i] - c[i]) * 65536u;
  }
  if ((score >> 24) == present) return kFormatIncompatible;
  return score;
}

D3DFORMAT MatchFormatFromList(const D3DFORMAT* list, bool allowPalette, const FormatInfo& requested) {
  BestFormat best;
  for (; list && *list != D3DFMT_UNKNOWN; ++list) {
    const FormatInfo& info = LookupFormatInfo(*list);
    if (&info == &kFallbackFormatInfo) continue;
    if (info.category == C::PALETTE && !allowPalette) continue;
    if (info.format == requested.format) return info.format;
    best.Offer(info, FormatMismatchScore(requested, info));
  }
  return best.info->format;
}

D3DFORMAT MatchDeviceFormat(IDirect3DDevice9* device, DWORD usage, D3DRESOURCETYPE resourceType,
                            D3DFORMAT requested) {
  FormatInfo wanted = LookupFormatInfo(requested);
  wanted.format = requested;
  return MatchDeviceFormat(device, usage, resourceType, wanted);
}

D3DFORMAT MatchDeviceFormat(IDirect3DDevice9* device, DWORD usage, D3DRESOURCETYPE resourceType,
                            const FormatInfo& wanted) {
  const D3DFORMAT requested = wanted.format;
  DebugMute(true);
  IDirect3D9* d3d = nullptr;
  D3DCAPS9 caps = {};
  D3DDISPLAYMODE mode = {};
  if (device) {
    // Without the runtime's answers every probe below fails, and nothing qualifies.
    if (FAILED(device->GetDirect3D(&d3d))) d3d = nullptr;
    device->GetDeviceCaps(&caps);
    device->GetDisplayMode(0, &mode);
    if (usage & D3DUSAGE_QUERY_VERTEXTEXTURE) {
      D3DDEVICE_CREATION_PARAMETERS params = {};
      if (SUCCEEDED(device->GetCreationParameters(&params)) &&
          (params.BehaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING))
        usage |= D3DUSAGE_SOFTWAREPROCESSING;
    }
  }
  BestFormat best;
  D3DFORMAT result = D3DFMT_UNKNOWN;
  bool exact = false;
  for (const FormatInfo& info : kTable) {
    if (device) {
      if (!d3d || FAILED(d3d->CheckDeviceFormat(caps.AdapterOrdinal, caps.DeviceType, mode.Format, usage,
                                                resourceType, info.format)))
        continue;
    }
    if (info.format == requested) {
      result = info.format;
      exact = true;
      break;
    }
    if (info.isCandidate) best.Offer(info, FormatMismatchScore(wanted, info));
  }
  if (!exact) result = best.info->format;
  if (d3d) d3d->Release();
  DebugMute(false);
  return result;
}

D3DFORMAT ToPublicFormat(D3DFORMAT format) {
  if (format == FMT_A16L16) return D3DFMT_A8L8;
  if (format == FMT_R16G16B16) return D3DFMT_R8G8B8;
  return format;
}

}  // namespace d3dx
