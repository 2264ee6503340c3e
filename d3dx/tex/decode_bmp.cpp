// BMP files and bare device-independent bitmaps: the info header (or the old core header), the
// palette, bit-field masks with a generic float path for unusual ones, rows of 1 to 32 bits and
// the two run-length encodings.
#include <algorithm>

#include "image_decoders.h"

namespace d3dx {
namespace {

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };

// How the pixels reach the decoded image.
enum class PixelPath {
  Rows,         // rows of the stored format, used in place when top-down
  Unpack,       // 1- and 4-bit indices widened to one byte each
  RunLength,    // RLE8 or RLE4 indices
  Float,        // unusual bit-field masks, each channel scaled into A32B32G32R32F
  ShiftedBgrx,  // X8R8G8B8 stored one byte further on (the unused byte first)
};

struct MaskFormat {
  UINT bits;
  uint32_t blue, green, red, alpha;
  D3DFORMAT format;
  PixelPath path;
};

// Bit-field masks that name a format of the table; any other combination takes the float path.
constexpr MaskFormat kMaskFormats[] = {
    {16, 0x3, 0x1C, 0xE0, 0xFF00, D3DFMT_A8R3G3B2, PixelPath::Rows},
    {16, 0xF, 0xF0, 0xF00, 0xF000, D3DFMT_A4R4G4B4, PixelPath::Rows},
    {16, 0xF, 0xF0, 0xF00, 0, D3DFMT_X4R4G4B4, PixelPath::Rows},
    {16, 0x1F, 0x7E0, 0xF800, 0, D3DFMT_R5G6B5, PixelPath::Rows},
    {16, 0x1F, 0x3E0, 0x7C00, 0, D3DFMT_X1R5G5B5, PixelPath::Rows},
    {16, 0x1F, 0x3E0, 0x7C00, 0x8000, D3DFMT_A1R5G5B5, PixelPath::Rows},
    {16, 0xFF, 0xFF, 0xFF, 0xFF00, D3DFMT_A8L8, PixelPath::Rows},
    {16, 0xFFFF, 0xFFFF, 0xFFFF, 0, D3DFMT_L16, PixelPath::Rows},
    {24, 0xFF, 0xFF00, 0xFF0000, 0, D3DFMT_R8G8B8, PixelPath::Rows},
    {32, 0, 0xFFFF0000, 0xFFFF, 0, D3DFMT_G16R16, PixelPath::Rows},
    {32, 0xFF, 0xFF00, 0xFF0000, 0, D3DFMT_X8R8G8B8, PixelPath::Rows},
    {32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, D3DFMT_A8R8G8B8, PixelPath::Rows},
    {32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000, D3DFMT_A2R10G10B10, PixelPath::Rows},
    {32, 0xFF00, 0xFF0000, 0xFF000000, 0, D3DFMT_X8R8G8B8, PixelPath::ShiftedBgrx},
    {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, D3DFMT_A8B8G8R8, PixelPath::Rows},
    {32, 0xFF0000, 0xFF00, 0xFF, 0, D3DFMT_X8B8G8R8, PixelPath::Rows},
    {32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000, D3DFMT_A2B10G10R10, PixelPath::Rows},
};

// A run-length file may leave pixels undefined with its move and end codes, so its size does not
// bound the image; claims beyond this many pixels per byte are refused as hostile.
constexpr uint64_t kRunLengthPixelsPerByte = 4096;

struct DibHeader {
  uint32_t headerBytes;
  uint64_t width, height;
  bool bottomUp;
  UINT planes, bitCount;
  uint32_t compression;
  uint64_t paletteCount;
  UINT paletteEntryBytes;
  uint32_t red, green, blue, alpha;  // bit-field masks
};

HRESULT ReadHeader(FileData file, DibHeader& h) {
  if (file.size() < 4) return E_FAIL;
  const BYTE* p = file.data();
  h = {};
  h.headerBytes = ReadLe32(p);
  if (h.headerBytes > file.size()) return E_FAIL;
  uint32_t colorsUsed = 0;
  if (h.headerBytes == 12) {
    h.width = ReadLe16(p + 4);
    h.height = ReadLe16(p + 6);
    h.bottomUp = true;
    h.planes = ReadLe16(p + 8);
    h.bitCount = ReadLe16(p + 10);
    h.compression = kRgb;
    h.paletteEntryBytes = 3;
  } else {
    if (h.headerBytes < 40) return E_FAIL;
    const int32_t width = int32_t(ReadLe32(p + 4)), height = int32_t(ReadLe32(p + 8));
    if (width <= 0) return E_FAIL;
    h.width = uint64_t(width);
    h.height = height < 0 ? uint64_t(-int64_t(height)) : uint64_t(height);
    h.bottomUp = height > 0;
    h.planes = ReadLe16(p + 12);
    h.bitCount = ReadLe16(p + 14);
    h.compression = ReadLe32(p + 16);
    colorsUsed = ReadLe32(p + 32);
    h.paletteEntryBytes = 4;
    if (h.compression == kBitfields && h.headerBytes >= 52) {
      h.red = ReadLe32(p + 40);
      h.green = ReadLe32(p + 44);
      h.blue = ReadLe32(p + 48);
      h.alpha = h.headerBytes >= 56 ? ReadLe32(p + 52) : 0;
    }
  }
  if (h.planes != 1 || h.width == 0 || h.height == 0) return E_FAIL;
  h.paletteCount = colorsUsed ? colorsUsed : h.bitCount <= 8 ? uint64_t(1) << h.bitCount : 0;
  return S_OK;
}

// The stored format and the way to its pixels, from the bit count, compression and masks.
HRESULT ChooseFormat(const DibHeader& h, D3DFORMAT& format, PixelPath& path) {
  if (h.compression <= kRle4) {
    switch (h.bitCount) {
      case 1:
      case 4:
      case 8:
        format = D3DFMT_P8;
        break;
      case 16:
        format = D3DFMT_X1R5G5B5;
        break;
      case 24:
        format = D3DFMT_R8G8B8;
        break;
      case 32:
        format = D3DFMT_X8R8G8B8;
        break;
      default:
        return E_FAIL;
    }
    // Each run-length scheme has its one bit count; any other pairing has no meaning.
    if ((h.compression == kRle8 && h.bitCount != 8) || (h.compression == kRle4 && h.bitCount != 4))
      return E_FAIL;
    path = h.compression != kRgb ? PixelPath::RunLength
           : h.bitCount < 8      ? PixelPath::Unpack
                                 : PixelPath::Rows;
    return S_OK;
  }
  if (h.compression != kBitfields || h.headerBytes < 52) return E_FAIL;
  if (h.bitCount != 16 && h.bitCount != 24 && h.bitCount != 32) return E_FAIL;
  for (const MaskFormat& m : kMaskFormats) {
    if (m.bits == h.bitCount && m.blue == h.blue && m.green == h.green && m.red == h.red &&
        m.alpha == h.alpha) {
      format = m.format;
      path = m.path;
      return S_OK;
    }
  }
  format = D3DFMT_A32B32G32R32F;
  path = PixelPath::Float;
  return S_OK;
}

// One channel of the float path: ((pixel >> shift) & max) / max, or `absent` without a mask.
struct FloatChannel {
  uint32_t shift = 0, max = 0;
  float absent = 1.0f;

  FloatChannel(uint32_t mask, float absentValue) : absent(absentValue) {
    if (!mask) return;
    while (!(mask >> shift & 1)) ++shift;
    max = mask >> shift;
  }
  float operator()(uint32_t pixel) const { return max ? float(pixel >> shift & max) / float(max) : absent; }
};

void DecodeFloatRow(const DibHeader& h, const BYTE* src, float* out) {
  const float absentColor = h.red == 0 && h.green == 0 && h.blue == 0 ? 0.0f : 1.0f;
  const FloatChannel red(h.red, absentColor), green(h.green, absentColor), blue(h.blue, absentColor),
      alpha(h.alpha, 1.0f);
  const UINT bytes = h.bitCount / 8;
  for (uint64_t x = 0; x < h.width; ++x, src += bytes, out += 4) {
    uint32_t pixel = 0;
    for (UINT b = 0; b < bytes; ++b) pixel |= uint32_t(src[b]) << (8 * b);
    out[0] = red(pixel);
    out[1] = green(pixel);
    out[2] = blue(pixel);
    out[3] = alpha(pixel);
  }
}

// RLE8 and RLE4 into one byte per pixel. `rowAt(y)` is the decoded row of file row y.
template <typename RowAt>
HRESULT DecodeRunLength(FileData data, bool fourBit, uint64_t width, uint64_t height, RowAt rowAt) {
  size_t pos = 0;
  uint64_t x = 0, y = 0;
  auto nibbleOrByte = [fourBit](BYTE b, uint64_t i) -> BYTE {
    return fourBit ? (i & 1 ? b & 0xF : b >> 4) : b;
  };
  while (y < height) {  // running past the last row ends the bitmap
    if (data.size() - pos < 2) return E_FAIL;
    const BYTE count = data[pos], code = data[pos + 1];
    pos += 2;
    if (count > 0) {
      if (x + count > width) return E_FAIL;
      BYTE* row = rowAt(y);
      for (uint64_t i = 0; i < count; ++i) row[x + i] = nibbleOrByte(code, i);
      x += count;
      continue;
    }
    switch (code) {
      case 0:  // end of line
        x = 0;
        ++y;
        break;
      case 1:  // end of bitmap
        return S_OK;
      case 2:  // move right and down
        if (data.size() - pos < 2) return E_FAIL;
        x += data[pos];
        y += data[pos + 1];
        pos += 2;
        break;
      default: {  // `code` literal pixels, padded to an even byte count
        const size_t bytes = fourBit ? (code + 1) / 2 : code;
        if (data.size() - pos < bytes || x + code > width) return E_FAIL;
        BYTE* row = rowAt(y);
        for (uint64_t i = 0; i < code; ++i) row[x + i] = nibbleOrByte(data[pos + (fourBit ? i / 2 : i)], i);
        x += code;
        pos += std::min(bytes + (bytes & 1), data.size() - pos);
        break;
      }
    }
  }
  return S_OK;
}

// A 32-bit BI_RGB image keeps alpha in its fourth byte only when some pixel sets it.
bool AnyFourthByteSet(FileData data, uint64_t width, uint64_t height, uint64_t stride) {
  for (uint64_t y = 0; y < height; ++y) {
    const BYTE* row = data.data() + y * stride;
    for (uint64_t x = 0; x < width; ++x)
      if (row[4 * x + 3]) return true;
  }
  return false;
}

}  // namespace

HRESULT DecodeBmp(FileData file, LoadedImage& image) {
  if (file.size() < 14 || file[0] != 'B' || file[1] != 'M') return E_FAIL;
  if (ReadLe32(&file[2]) > file.size()) return E_FAIL;
  // bfOffBits is not consulted: the pixels follow the header and palette.
  return DecodeDib(file.subspan(14), image);
}

HRESULT DecodeDib(FileData file, LoadedImage& image) {
  DibHeader h;
  HRESULT hr = ReadHeader(file, h);
  if (FAILED(hr)) return hr;
  D3DFORMAT format;
  PixelPath path;
  hr = ChooseFormat(h, format, path);
  if (FAILED(hr)) return hr;

  const uint64_t sourceRow = h.bitCount == 1   ? (h.width + 7) / 8
                             : h.bitCount == 4 ? (h.width + 1) / 2
                                               : h.width * h.bitCount / 8;
  const uint64_t stride = (sourceRow + 3) & ~uint64_t(3);
  const uint64_t decodedRow = path == PixelPath::Unpack || path == PixelPath::RunLength ? h.width
                              : path == PixelPath::Float                                ? h.width * 16
                                                                                        : sourceRow;
  UINT rowPitch;
  size_t bytes;
  if (!DecodedSize((decodedRow + 3) & ~uint64_t(3), h.height, &rowPitch, &bytes)) return E_FAIL;

  const uint64_t paletteOffset = h.headerBytes;
  const uint64_t dataOffset = paletteOffset + h.paletteCount * h.paletteEntryBytes;
  if (dataOffset > file.size()) return E_FAIL;
  const FileData data = file.subspan(size_t(dataOffset));
  if (path == PixelPath::RunLength) {
    if (ClaimExceedsData(h.width * h.height, data.size(), kRunLengthPixelsPerByte)) return E_FAIL;
  } else if ((h.height - 1) * stride + sourceRow > data.size()) {
    return E_FAIL;
  }
  if (h.compression == kRgb && h.bitCount == 32 && AnyFourthByteSet(data, h.width, h.height, stride))
    format = D3DFMT_A8R8G8B8;

  image.Describe2D(format, UINT(h.width), UINT(h.height), rowPitch);
  if (!image.wantPixels) return S_OK;

  if (format == D3DFMT_P8) {
    PALETTEENTRY* palette = image.AllocatePalette();
    if (!palette) return E_OUTOFMEMORY;
    const uint64_t count = std::min<uint64_t>(h.paletteCount, 256);
    for (uint64_t i = 0; i < count; ++i) {
      const BYTE* e = file.data() + paletteOffset + i * h.paletteEntryBytes;
      palette[i] = {e[2], e[1], e[0], 255};
    }
  }

  if (path == PixelPath::Rows && !h.bottomUp) {
    image.pixels = data.data();
    return S_OK;
  }
  BYTE* out = image.AllocatePixels(bytes);
  if (!out) return E_OUTOFMEMORY;
  auto rowAt = [&](uint64_t y) { return out + size_t(h.bottomUp ? h.height - 1 - y : y) * rowPitch; };
  if (path == PixelPath::RunLength)
    return DecodeRunLength(data, h.compression == kRle4, h.width, h.height, rowAt);

  for (uint64_t y = 0; y < h.height; ++y) {
    const BYTE* src = data.data() + y * stride;
    BYTE* dst = rowAt(y);
    switch (path) {
      case PixelPath::Rows:
        std::memcpy(dst, src, size_t(sourceRow));
        break;
      case PixelPath::Unpack:
        for (uint64_t x = 0; x < h.width; ++x)
          dst[x] = h.bitCount == 1 ? src[x / 8] >> (7 - x % 8) & 1
                   : x & 1         ? src[x / 2] & 0xF
                                   : src[x / 2] >> 4;
        break;
      case PixelPath::Float:
        DecodeFloatRow(h, src, reinterpret_cast<float*>(dst));
        break;
      case PixelPath::ShiftedBgrx:
        // The unused byte of the last pixel would lie past the row; it is not read.
        for (uint64_t x = 0; x < h.width; ++x) {
          std::memcpy(dst + 4 * x, src + 4 * x + 1, 3);
          dst[4 * x + 3] = 0;
        }
        break;
      case PixelPath::RunLength:
        break;
    }
  }
  return S_OK;
}

}  // namespace d3dx
