// Pixel formats the device stores, samples, renders to and fills: sizes, capabilities and the
// conversions between stored bytes and 0xAARRGGBB words.
#pragma once
#include <d3d9.h>

#include <cstddef>
#include <cstdint>

namespace d3d9rt {

struct FormatInfo {
  D3DFORMAT format;
  uint8_t bytes;  // per pixel, or per 4x4 block for block formats
  bool block;     // DXT1..DXT5
  bool depth;     // depth-stencil formats (stored as 32-bit words whatever their size)
  bool stencil;
  bool alpha;    // carries alpha (sampling reads it; otherwise alpha reads as 1)
  bool texture;  // may be created as a texture and sampled
  bool renderTarget;
};

// nullptr for a format the device does not know.
const FormatInfo* formatInfo(D3DFORMAT format);

// Bytes between rows (of pixels, or of 4x4 blocks) and the number of such rows.
UINT formatRowPitch(const FormatInfo& info, UINT width);
UINT formatRowCount(const FormatInfo& info, UINT height);

// Converts `width` pixels of a non-block colour format to 0xAARRGGBB.
void decodeRow(const FormatInfo& info, const uint8_t* src, UINT width, uint32_t* dst);
// Converts a whole image of any colour format (block formats included) to 0xAARRGGBB.
void decodeImage(const FormatInfo& info, const uint8_t* src, UINT srcPitch, UINT width, UINT height,
                 uint32_t* dst, UINT dstPitchTexels);
// Converts 0xAARRGGBB to a non-block colour format; false for formats without an encoder.
bool encodeRow(const FormatInfo& info, const uint32_t* src, UINT width, uint8_t* dst);

// One 4x4 block to 16 colours in row-major order.
void decodeDxtBlock(D3DFORMAT format, const uint8_t* block, uint32_t out[16]);

}  // namespace d3d9rt
