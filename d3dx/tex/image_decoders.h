// The seven image-file decoders and the byte-level helpers they share. Each decoder reads the
// whole file and fills the node (and, for DDS, its chains) or fails; a failed decoder may leave
// partial state, which LoadImageFromMemory clears before trying the next one.
#pragma once
#include <cstdint>
#include <cstring>
#include <span>

#include "loaded_image.h"

namespace d3dx {

using FileData = std::span<const BYTE>;

HRESULT DecodeBmp(FileData file, LoadedImage& image);
HRESULT DecodePpm(FileData file, LoadedImage& image);
HRESULT DecodeDds(FileData file, LoadedImage& image);
HRESULT DecodeJpeg(FileData file, LoadedImage& image);
HRESULT DecodePng(FileData file, LoadedImage& image);
HRESULT DecodeTga(FileData file, LoadedImage& image);
HRESULT DecodeDib(FileData file, LoadedImage& image);

// Little-endian fields at any alignment.
inline uint16_t ReadLe16(const BYTE* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t ReadLe32(const BYTE* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// The row pitch and total bytes of a decoded image, when both fit the 32-bit offsets that image
// regions address pixels with. False for images that cannot be described.
inline bool DecodedSize(uint64_t rowPitch, uint64_t rows, UINT* pitchOut, size_t* bytesOut) {
  if (rowPitch == 0 || rows == 0 || rowPitch > UINT32_MAX || rows > UINT32_MAX / rowPitch) return false;
  *pitchOut = UINT(rowPitch);
  *bytesOut = size_t(rowPitch * rows);
  return true;
}

// A compressed stream of `dataBytes` can describe at most `unitsPerByte` units (pixels or bytes)
// per byte; a header that claims more is refused before anything of its size is allocated.
inline bool ClaimExceedsData(uint64_t units, size_t dataBytes, uint64_t unitsPerByte) {
  return units / unitsPerByte > dataBytes;
}

}  // namespace d3dx
