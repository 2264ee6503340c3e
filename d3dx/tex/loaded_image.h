// A decoded image file: one node per mip level and cube face, each a pixel rectangle in one of
// the library's formats, ready to be handed to the blitter as a source region.
#pragma once
#include <d3dx9tex.h>

#include <memory>

#include "image_region.h"

namespace d3dx {

struct LoadedImage {
  LoadedImage() = default;
  LoadedImage(const LoadedImage&) = delete;
  LoadedImage& operator=(const LoadedImage&) = delete;

  D3DFORMAT format = D3DFMT_UNKNOWN;  // may be FMT_A16L16 or FMT_R16G16B16
  const BYTE* pixels = nullptr;       // the top-left pixel: owned, or inside the file data
  UINT width = 0, height = 0, depth = 0;
  ImageBox region = {};                   // the part to use: the whole node after a successful load
  UINT rowPitch = 0;                      // bytes between rows (rows of blocks for DXT data)
  UINT slicePitch = 0;                    // bytes between slices, 0 for 2-D data
  const PALETTEENTRY* palette = nullptr;  // 256 entries for P8 and A8P8 data, else null
  bool wantPixels = false;                // false: the decoders parse headers only
  D3DRESOURCETYPE resourceType = D3DRTYPE_TEXTURE;
  D3DXIMAGE_FILEFORMAT fileFormat = D3DXIFF_BMP;
  std::unique_ptr<LoadedImage> nextLevel;  // the next smaller level of the same face
  std::unique_ptr<LoadedImage> nextFace;   // the first level of the next cube face

  // A single 2-D node: its format, size and row pitch (depth 1, no slice pitch).
  void Describe2D(D3DFORMAT f, UINT w, UINT h, UINT pitch) {
    format = f;
    width = w;
    height = h;
    depth = 1;
    rowPitch = pitch;
    slicePitch = 0;
  }

  // Memory a caller offers for this node's pixels (a locked texture level): AllocatePixels takes
  // it instead of allocating when the node, as described so far, fits it exactly.
  struct Destination {
    BYTE* data;
    D3DFORMAT format;
    UINT width, height, rowPitch;
  };
  const Destination* destination = nullptr;
  bool UsesDestination() const { return usesDestination_; }

  bool OwnsPixels() const { return ownedPixels_ != nullptr; }
  bool OwnsPalette() const { return ownedPalette_ != nullptr; }

  // A buffer of `bytes` (zeroed unless the caller writes every byte) that becomes `pixels`; null
  // when memory is exhausted.
  BYTE* AllocatePixels(size_t bytes, bool zeroed = true);
  // 256 entries that become `palette`, all (255, 255, 255, 255); null when memory is exhausted.
  PALETTEENTRY* AllocatePalette();

  // Frees what the node owns and its chains, and resets every field but `wantPixels` and
  // `destination`.
  void Clear();

  // The node as a source region (the caller adds the colour key and flags). Sources are only
  // read, so pixels inside the file data may stand behind the region's writable pointer.
  ImageRegion Region() const;

  // 1 plus the length of the nextLevel chain; 1 plus the length of the nextFace chain.
  UINT LevelCount() const;
  UINT FaceCount() const;

 private:
  std::unique_ptr<BYTE[]> ownedPixels_;
  std::unique_ptr<PALETTEENTRY[]> ownedPalette_;
  bool usesDestination_ = false;
};

// Recognises the file in `data` by content and decodes it into `image` (levels and faces
// chained from it), filling `info` when given; pixels are decoded only when `wantPixels`.
// D3DERR_INVALIDCALL for null data or a zero size, D3DXERR_INVALIDDATA when no decoder accepts
// the data. `info` is written only on success; on failure `image` is left cleared.
HRESULT LoadImageFromMemory(LoadedImage* image, const void* data, UINT size, D3DXIMAGE_INFO* info,
                            bool wantPixels);

}  // namespace d3dx
