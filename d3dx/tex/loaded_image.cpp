// Recognition of image files by content: the decoders are tried in a fixed order until one
// accepts the data.
#include "loaded_image.h"

#include <cstring>
#include <new>

#include "format_info.h"
#include "image_decoders.h"

namespace d3dx {
namespace {

static_assert(sizeof(D3DXIMAGE_INFO) == 28, "the public image information is seven 32-bit fields");

struct Decoder {
  D3DXIMAGE_FILEFORMAT fileFormat;
  HRESULT (*decode)(FileData file, LoadedImage& image);
};

// The order matters: a file that two decoders would accept belongs to the earlier one (a TGA
// header has no signature and the bare DIB only a size field, so they come last).
constexpr Decoder kDecoders[] = {
    {D3DXIFF_BMP, DecodeBmp}, {D3DXIFF_PPM, DecodePpm}, {D3DXIFF_DDS, DecodeDds}, {D3DXIFF_JPG, DecodeJpeg},
    {D3DXIFF_PNG, DecodePng}, {D3DXIFF_TGA, DecodeTga}, {D3DXIFF_DIB, DecodeDib},
};

void SetWholeRegions(LoadedImage& image) {
  for (LoadedImage* face = &image; face; face = face->nextFace.get())
    for (LoadedImage* level = face; level; level = level->nextLevel.get())
      level->region = {0, 0, level->width, level->height, 0, level->depth};
}

}  // namespace

BYTE* LoadedImage::AllocatePixels(size_t bytes, bool zeroed) {
  const Destination* d = destination;
  if (d && d->data && d->format == format && d->width == width && d->height == height &&
      d->rowPitch == rowPitch && bytes <= size_t(rowPitch) * height) {
    ownedPixels_.reset();
    if (zeroed) std::memset(d->data, 0, bytes);
    usesDestination_ = true;
    pixels = d->data;
    return d->data;
  }
  usesDestination_ = false;
  ownedPixels_.reset(zeroed ? new (std::nothrow) BYTE[bytes ? bytes : 1]()
                            : new (std::nothrow) BYTE[bytes ? bytes : 1]);
  pixels = ownedPixels_.get();
  return ownedPixels_.get();
}

PALETTEENTRY* LoadedImage::AllocatePalette() {
  ownedPalette_.reset(new (std::nothrow) PALETTEENTRY[256]);
  if (ownedPalette_)
    for (int i = 0; i < 256; ++i) ownedPalette_[i] = {255, 255, 255, 255};
  palette = ownedPalette_.get();
  return ownedPalette_.get();
}

void LoadedImage::Clear() {
  const bool want = wantPixels;
  usesDestination_ = false;
  nextFace.reset();
  nextLevel.reset();
  ownedPixels_.reset();
  ownedPalette_.reset();
  format = D3DFMT_UNKNOWN;
  pixels = nullptr;
  width = height = depth = 0;
  region = {};
  rowPitch = slicePitch = 0;
  palette = nullptr;
  resourceType = D3DRTYPE_TEXTURE;
  fileFormat = D3DXIFF_BMP;
  wantPixels = want;
}

ImageRegion LoadedImage::Region() const {
  return {const_cast<BYTE*>(pixels),
          format,
          rowPitch,
          slicePitch,
          {0, 0, width, height, 0, depth},
          region,
          FALSE,
          FALSE,
          0,
          palette};
}

UINT LoadedImage::LevelCount() const {
  UINT n = 1;
  for (const LoadedImage* l = nextLevel.get(); l; l = l->nextLevel.get()) ++n;
  return n;
}

UINT LoadedImage::FaceCount() const {
  UINT n = 1;
  for (const LoadedImage* f = nextFace.get(); f; f = f->nextFace.get()) ++n;
  return n;
}

HRESULT LoadImageFromMemory(LoadedImage* image, const void* data, UINT size, D3DXIMAGE_INFO* info,
                            bool wantPixels) {
  if (!image || !data || size == 0) return D3DERR_INVALIDCALL;
  if (!info && !wantPixels) return D3D_OK;

  const FileData file(static_cast<const BYTE*>(data), size);
  bool accepted = false;
  for (const Decoder& decoder : kDecoders) {
    image->Clear();
    image->wantPixels = wantPixels;
    image->fileFormat = decoder.fileFormat;
    if (SUCCEEDED(decoder.decode(file, *image))) {
      accepted = true;
      break;
    }
  }
  if (!accepted) {
    image->Clear();
    return D3DXERR_INVALIDDATA;
  }

  if (info) {
    info->Width = image->width;
    info->Height = image->height;
    info->Depth = image->depth;
    info->MipLevels = image->LevelCount();
    info->Format = ToPublicFormat(image->format);
    info->ResourceType = image->resourceType;
    info->ImageFileFormat = image->fileFormat;
  }
  SetWholeRegions(*image);
  return D3D_OK;
}

}  // namespace d3dx
