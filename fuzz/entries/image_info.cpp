// Image files: the header-only query, the full decode, every byte each decoded node claims, and
// a conversion of small nodes to 32-bit ARGB through the blitter.
#include <d3dx9.h>

#include <memory>
#include <vector>

#include "blitter.h"
#include "format_info.h"
#include "fuzz_entries.h"
#include "loaded_image.h"

namespace fuzz {
namespace {

// Larger nodes are only touched, not converted, so one input stays well under a second.
constexpr uint64_t kConvertLimit = 1u << 18;

// Reads every storage byte of the node, so a pitch or extent that runs past the decoder's
// buffer (or past the file data the node points into) is reported.
unsigned TouchNode(const d3dx::LoadedImage& node) {
  const uint64_t rowBytes = d3dx::RowBytes(node.format, node.width);
  const uint64_t rows = d3dx::StorageRows(node.format, node.height);
  const UINT depth = node.depth ? node.depth : 1;
  unsigned sum = 0;
  for (UINT z = 0; z < depth; ++z)
    for (uint64_t y = 0; y < rows; ++y) {
      const BYTE* row = node.pixels + z * uint64_t(node.slicePitch) + y * node.rowPitch;
      for (uint64_t x = 0; x < rowBytes; ++x) sum += row[x];
    }
  if (node.palette)
    for (int i = 0; i < 256; ++i) sum += node.palette[i].peRed;
  return sum;
}

void ConvertNode(const d3dx::LoadedImage& node) {
  const UINT depth = node.depth ? node.depth : 1;
  if (uint64_t(node.width) * node.height * depth > kConvertLimit) return;
  std::vector<uint32_t> argb(size_t(node.width) * node.height * depth + 1);
  d3dx::ImageRegion dest = {};
  dest.data = reinterpret_cast<BYTE*>(argb.data());
  dest.format = D3DFMT_A8R8G8B8;
  dest.rowPitch = node.width * 4;
  dest.slicePitch = node.depth > 1 ? dest.rowPitch * node.height : 0;
  dest.bounds = {0, 0, node.width, node.height, 0, depth};
  dest.region = dest.bounds;
  d3dx::Blit(dest, node.Region(), D3DX_FILTER_NONE);
}

volatile unsigned gSink;

}  // namespace

int ImageInfo(const uint8_t* data, size_t size) {
  // Exactly the input's bytes, so reads past its end are caught.
  std::unique_ptr<uint8_t[]> copy(new uint8_t[size ? size : 1]);
  std::copy(data, data + size, copy.get());
  const UINT length = UINT(size);

  D3DXIMAGE_INFO info;
  const HRESULT headers = D3DXGetImageInfoFromFileInMemory(copy.get(), length, &info);

  d3dx::LoadedImage image;
  D3DXIMAGE_INFO decodedInfo;
  if (FAILED(d3dx::LoadImageFromMemory(&image, copy.get(), length, &decodedInfo, true))) return 0;
  // Whatever decodes in full also parses by its headers alone.
  if (FAILED(headers)) Broken("an image decodes but its headers are refused");
  for (const d3dx::LoadedImage* face = &image; face; face = face->nextFace.get())
    for (const d3dx::LoadedImage* level = face; level; level = level->nextLevel.get()) {
      gSink = gSink + TouchNode(*level);
      ConvertNode(*level);
    }
  return 0;
}

}  // namespace fuzz
