// Truevision TGA files: colour-mapped, true-colour and grey images, raw or run-length encoded,
// in any of the four row orders.
#include <algorithm>

#include "image_decoders.h"

namespace d3dx {
namespace {

constexpr size_t kHeaderBytes = 18;
constexpr BYTE kRunLength = 0x8, kTopDown = 0x20, kRightToLeft = 0x10;

D3DFORMAT TrueColorFormat(UINT bits) {
  switch (bits) {
    case 15:
      return D3DFMT_X1R5G5B5;
    case 16:
      return D3DFMT_A1R5G5B5;
    case 24:
      return D3DFMT_R8G8B8;
    case 32:
      return D3DFMT_A8R8G8B8;
    default:
      return D3DFMT_UNKNOWN;
  }
}

BYTE Expand5(UINT v) { return BYTE(v << 3 | v >> 2); }

void FillPalette(PALETTEENTRY* palette, const BYTE* map, UINT first, UINT length, UINT entryBits) {
  const UINT entryBytes = (entryBits + 7) / 8;
  bool anyAlpha = false;
  for (UINT i = 0; i < length; ++i, map += entryBytes) {
    PALETTEENTRY& e = palette[first + i];
    if (entryBytes >= 3) {
      e = {map[2], map[1], map[0], BYTE(entryBytes == 4 ? map[3] : 255)};
    } else {
      const UINT v = ReadLe16(map);
      e = {Expand5(v >> 10 & 31), Expand5(v >> 5 & 31), Expand5(v & 31),
           BYTE(entryBits == 16 ? (v >> 15) * 255 : 255)};
    }
    anyAlpha |= e.peFlags != 0;
  }
  // A map whose alpha is zero throughout carries no alpha at all.
  if (!anyAlpha)
    for (UINT i = 0; i < length; ++i) palette[first + i].peFlags = 255;
}

// Stored pixel i (in file order) goes to its row and column of the decoded image.
struct PixelPlacer {
  BYTE* out;
  UINT width, height, bytesPerPixel, rowPitch;
  bool bottomUp, rightToLeft;

  BYTE* At(uint64_t i) const {
    const uint64_t y = i / width, x = i % width;
    return out + size_t(bottomUp ? height - 1 - y : y) * rowPitch +
           size_t(rightToLeft ? width - 1 - x : x) * bytesPerPixel;
  }
};

// Packets of (count & 0x7F) + 1 pixels, one repeated pixel or raw ones. A packet may run on across
// rows; pixels past the image's end are dropped.
HRESULT DecodePackets(FileData data, const PixelPlacer& place, uint64_t pixels) {
  const UINT bpp = place.bytesPerPixel;
  size_t pos = 0;
  for (uint64_t i = 0; i < pixels;) {
    if (pos >= data.size()) return E_FAIL;
    const BYTE header = data[pos++];
    const uint64_t count = std::min<uint64_t>((header & 0x7F) + 1, pixels - i);
    const bool run = header & 0x80;
    const uint64_t need = run ? bpp : count * bpp;
    if (data.size() - pos < need) return E_FAIL;
    for (uint64_t k = 0; k < count; ++k, ++i) std::memcpy(place.At(i), &data[pos + (run ? 0 : k * bpp)], bpp);
    pos += size_t(need);
  }
  return S_OK;
}

bool AllAlphaClear(const BYTE* pixels, uint64_t count, D3DFORMAT format) {
  for (uint64_t i = 0; i < count; ++i) {
    if (format == D3DFMT_A8R8G8B8 ? pixels[4 * i + 3] != 0 : (pixels[2 * i + 1] & 0x80) != 0) return false;
  }
  return true;
}

}  // namespace

HRESULT DecodeTga(FileData file, LoadedImage& image) {
  if (file.size() < kHeaderBytes) return E_FAIL;
  const BYTE* h = file.data();
  const UINT idLength = h[0], mapType = h[1], imageType = h[2];
  const UINT mapFirst = ReadLe16(h + 3), mapLength = ReadLe16(h + 5), mapEntryBits = h[7];
  const UINT width = ReadLe16(h + 12), height = ReadLe16(h + 14), pixelBits = h[16], descriptor = h[17];
  if (mapType > 1 || (imageType & 0xF4) || width == 0 || height == 0) return E_FAIL;
  if (mapType == 1 && TrueColorFormat(mapEntryBits) == D3DFMT_UNKNOWN) return E_FAIL;

  D3DFORMAT format = D3DFMT_UNKNOWN;
  switch (imageType & 3) {
    case 1:
      if (mapType == 1 && pixelBits == 8) format = D3DFMT_P8;
      break;
    case 2:
      format = TrueColorFormat(pixelBits);
      break;
    case 3:
      if (pixelBits == 8) format = D3DFMT_L8;
      break;
  }
  if (format == D3DFMT_UNKNOWN) return E_FAIL;

  const size_t mapOffset = kHeaderBytes + idLength;
  const size_t mapBytes = mapType ? size_t(mapLength) * ((mapEntryBits + 7) / 8) : 0;
  if (mapOffset + mapBytes > file.size()) return E_FAIL;
  const FileData data = file.subspan(mapOffset + mapBytes);
  const UINT bpp = (pixelBits + 7) / 8;
  UINT rowPitch;
  size_t bytes;
  if (!DecodedSize(uint64_t(bpp) * width, height, &rowPitch, &bytes)) return E_FAIL;

  image.Describe2D(format, width, height, rowPitch);
  if (!image.wantPixels) return S_OK;

  if (format == D3DFMT_P8) {
    if (mapFirst + mapLength > 256) return E_FAIL;
    PALETTEENTRY* palette = image.AllocatePalette();
    if (!palette) return E_OUTOFMEMORY;
    FillPalette(palette, file.data() + mapOffset, mapFirst, mapLength, mapEntryBits);
  }

  const uint64_t pixels = uint64_t(width) * height;
  const bool runLength = imageType & kRunLength, bottomUp = !(descriptor & kTopDown),
             rightToLeft = descriptor & kRightToLeft;
  if (runLength) {
    // A packet takes at least a header and one pixel and covers at most 128 pixels.
    if (ClaimExceedsData(pixels * (1 + bpp), data.size(), 128)) return E_FAIL;
  } else if (pixels * bpp > data.size()) {
    return E_FAIL;
  }
  if (!runLength && !bottomUp && !rightToLeft) {
    image.pixels = data.data();
  } else {
    BYTE* out = image.AllocatePixels(bytes);
    if (!out) return E_OUTOFMEMORY;
    const PixelPlacer place = {out, width, height, bpp, rowPitch, bottomUp, rightToLeft};
    if (runLength) {
      const HRESULT hr = DecodePackets(data, place, pixels);
      if (FAILED(hr)) return hr;
    } else if (!rightToLeft) {
      for (uint64_t y = 0; y < height; ++y)
        std::memcpy(place.At(y * width), &data[size_t(y * rowPitch)], rowPitch);
    } else {
      for (uint64_t i = 0; i < pixels; ++i) std::memcpy(place.At(i), &data[size_t(i * bpp)], bpp);
    }
  }

  if ((format == D3DFMT_A8R8G8B8 || format == D3DFMT_A1R5G5B5) && AllAlphaClear(image.pixels, pixels, format))
    image.format = format == D3DFMT_A8R8G8B8 ? D3DFMT_X8R8G8B8 : D3DFMT_X1R5G5B5;
  return S_OK;
}

}  // namespace d3dx
