// The pixel formats the texture library knows: one record per format with its category and
// channel widths, and the closest-format searches built on them.
#pragma once
#include <d3d9.h>

#include <cstdint>
#include <span>

namespace d3dx {

// Library-internal formats that only image files produce (16-bit grey with alpha, 16-bit RGB
// stored as b, g, r words); they never reach a device.
constexpr D3DFORMAT FMT_A16L16 = static_cast<D3DFORMAT>(MAKEFOURCC('A', 'L', '1', '6'));
constexpr D3DFORMAT FMT_R16G16B16 = static_cast<D3DFORMAT>(MAKEFOURCC(' ', 'R', '1', '6'));

enum class FormatCategory : uint32_t { RGB = 0, PALETTE = 1, LUMINANCE = 2, SIGNED = 3, DEPTH = 4 };

struct FormatInfo {
  D3DFORMAT format;
  FormatCategory category;
  UINT bitsPerPixel;  // the tie-break of the searches; 16 for the block and packed-pair formats
  UINT bitsX;         // the channel without a slot below (L, A of A2W10V10U10, Cx, lockable marker)
  UINT bitsA;         // alpha (Q for signed formats)
  UINT bitsR;         // red (W)
  UINT bitsG;         // green (V; stencil for depth formats)
  UINT bitsB;         // blue (U; depth for depth formats)
  BOOL isCandidate;   // may replace another format in MatchDeviceFormat
};

// The table in its fixed order (the order decides ties), and the record of unknown formats.
std::span<const FormatInfo> FormatTable();
extern const FormatInfo kFallbackFormatInfo;

// The record of `format`, or kFallbackFormatInfo.
const FormatInfo& LookupFormatInfo(D3DFORMAT format);
bool IsKnownFormat(D3DFORMAT format);

// How a format lays out its pixels in memory.
enum class PixelLayout : uint32_t {
  PerPixel,    // every pixel at its own address, bitsPerPixel / 8 bytes
  Block4x4,    // DXT1-DXT5: 4x4 texel blocks of 8 or 16 bytes
  PackedPair,  // YUY2, UYVY, R8G8_B8G8, G8R8_G8B8: two pixels per 32-bit word
};
PixelLayout LayoutOf(D3DFORMAT format);
// Bytes of one 4x4 block (8 for DXT1, 16 for DXT2-DXT5), 0 for other formats.
UINT BlockBytes(D3DFORMAT format);
// Bytes of one pixel of a per-pixel format (bitsPerPixel / 8), 0 for the other layouts.
UINT BytesPerPixel(D3DFORMAT format);
// Bytes that `width` pixels occupy in one row (for block formats: one row of blocks), in 64
// bits so that callers can refuse sizes beyond 32 bits.
uint64_t RowBytes(D3DFORMAT format, uint64_t width);
// Rows of storage that `height` pixel rows occupy (rows of blocks for block formats).
uint64_t StorageRows(D3DFORMAT format, uint64_t height);

// The score of replacing `requested` by `candidate`: lower is better, kFormatIncompatible when
// the categories do not allow it or nothing of the request would survive.
constexpr UINT kFormatIncompatible = 0xFFFFFFFFu;
UINT FormatMismatchScore(const FormatInfo& requested, const FormatInfo& candidate);

// The best format of `list` (ended by 0) for `requested`; palette formats only when
// `allowPalette`. D3DFMT_UNKNOWN when none qualifies.
D3DFORMAT MatchFormatFromList(const D3DFORMAT* list, bool allowPalette, const FormatInfo& requested);

// The best table format that `device` accepts for `usage` and `resourceType` (every format
// when `device` is null). D3DFMT_UNKNOWN when none qualifies.
D3DFORMAT MatchDeviceFormat(IDirect3DDevice9* device, DWORD usage, D3DRESOURCETYPE resourceType,
                            D3DFORMAT requested);
// The same for a description that need not be a table record (a format with channels changed).
D3DFORMAT MatchDeviceFormat(IDirect3DDevice9* device, DWORD usage, D3DRESOURCETYPE resourceType,
                            const FormatInfo& requested);

// The format reported to callers for an image file: the internal formats become A8L8 and R8G8B8.
D3DFORMAT ToPublicFormat(D3DFORMAT format);

}  // namespace d3dx
