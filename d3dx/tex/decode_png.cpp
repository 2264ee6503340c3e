// PNG files through libpng: every colour type and depth into the library's 8- and 16-bit formats,
// with the file's gamma applied for a 2.2 screen.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <new>

#include "format_info.h"
#include "image_decoders.h"

namespace d3dx {
namespace {

constexpr double kScreenGamma = 2.2;
// Deflate codes at most 258 bytes in two bits, so a file cannot inflate to more than this many
// bytes per byte it holds.
constexpr uint64_t kInflatedBytesPerByte = 1032;

// What the decode shares with its error path: the read position, and the row table to free.
struct PngSession {
  FileData file;
  size_t position = 0;
  png_bytep* rows = nullptr;
};

void ReadData(png_structp png, png_bytep out, size_t length) {
  auto* session = static_cast<PngSession*>(png_get_io_ptr(png));
  if (session->file.size() - session->position < length) png_error(png, "read error");
  std::memcpy(out, session->file.data() + session->position, length);
  session->position += length;
}

[[noreturn]] void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

UINT ChannelCount(D3DFORMAT format) {
  if (format == FMT_R16G16B16) return 3;
  if (format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 || format == D3DFMT_A16B16G16R16) return 4;
  if (format == D3DFMT_A8L8 || format == FMT_A16L16) return 2;
  return 1;
}

D3DFORMAT EightBitFormat(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
      return D3DFMT_L8;
    case PNG_COLOR_TYPE_RGB:
      return D3DFMT_R8G8B8;
    case PNG_COLOR_TYPE_PALETTE:
      return D3DFMT_P8;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return D3DFMT_A8L8;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return D3DFMT_A8R8G8B8;
    default:
      return D3DFMT_UNKNOWN;
  }
}

D3DFORMAT SixteenBitFormat(D3DFORMAT f) {
  switch (f) {
    case D3DFMT_R8G8B8:
      return FMT_R16G16B16;
    case D3DFMT_A8R8G8B8:
      return D3DFMT_A16B16G16R16;
    case D3DFMT_L8:
      return D3DFMT_L16;
    case D3DFMT_A8L8:
      return FMT_A16L16;
    default:
      return D3DFMT_UNKNOWN;
  }
}

D3DFORMAT WithAlpha(D3DFORMAT f) {
  if (f == D3DFMT_R8G8B8) return D3DFMT_A8R8G8B8;
  if (f == D3DFMT_L8) return D3DFMT_A8L8;
  if (f == D3DFMT_L16) return FMT_A16L16;
  if (f == FMT_R16G16B16) return D3DFMT_A16B16G16R16;
  return f;
}

// The file's palette as stored, before libpng corrects it for gamma during its update.
struct StoredPalette {
  png_color colors[256];
  png_byte alpha[256];
  int colorCount = 0, alphaCount = 0;
};

void ReadStoredPalette(png_structp png, png_infop info, StoredPalette& out) {
  png_colorp colors = nullptr;
  if (png_get_PLTE(png, info, &colors, &out.colorCount) && colors) {
    out.colorCount = std::min(out.colorCount, 256);
    std::memcpy(out.colors, colors, sizeof(png_color) * size_t(out.colorCount));
  } else {
    out.colorCount = 0;
  }
  png_bytep alpha = nullptr;
  if (png_get_tRNS(png, info, &alpha, &out.alphaCount, nullptr) && alpha) {
    out.alphaCount = std::min(out.alphaCount, 256);
    std::memcpy(out.alpha, alpha, size_t(out.alphaCount));
  } else {
    out.alphaCount = 0;
  }
}

// Entries from the stored palette through the gamma table (identity without a gamma), alpha
// from tRNS; entries past the palette stay opaque white.
void BuildPalette(const StoredPalette& stored, double fileGamma, bool gammaApplied, PALETTEENTRY* out) {
  BYTE table[256];
  const bool correct = gammaApplied && fileGamma > 1e-6 && kScreenGamma > 1e-6;
  for (int i = 0; i < 256; ++i)
    table[i] = correct ? BYTE(255 * std::pow(i / 255.0, 1 / (fileGamma * kScreenGamma)) + 0.5) : BYTE(i);
  for (int i = 0; i < stored.colorCount; ++i) {
    const png_color& c = stored.colors[i];
    out[i] = {table[c.red], table[c.green], table[c.blue],
              i < stored.alphaCount ? stored.alpha[i] : BYTE(255)};
  }
}

constexpr png_alloc_size_t kMaxChunkBytes = 8u << 20;

// Everything after the read structures exist; libpng errors leave through OnError.
HRESULT Decode(png_structp png, png_infop info, PngSession& session, LoadedImage& image) {
  png_set_read_fn(png, &session, ReadData);
  // Chunks claim their own lengths, and compressed text and profiles inflate to whatever they say:
  // the ones never used are skipped unread, and no chunk gets more than a bounded buffer.
  static const png_byte kUnused[] = "iCCP\0sPLT\0tEXt\0zTXt\0iTXt\0eXIf\0";
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kUnused, 6);
  png_set_chunk_malloc_max(png, kMaxChunkBytes);
  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  D3DFORMAT format = EightBitFormat(colorType);
  if (format == D3DFMT_UNKNOWN) return E_FAIL;
  const uint64_t storedRow = (uint64_t(width) * bitDepth * png_get_channels(png, info) + 7) / 8;
  if (ClaimExceedsData(storedRow * height, session.file.size(), kInflatedBytesPerByte)) return E_FAIL;

  if (bitDepth == 16) {
    png_set_swap(png);
    format = SixteenBitFormat(format);
    if (format == D3DFMT_UNKNOWN) return E_FAIL;
  } else if (bitDepth < 8) {
    png_set_packing(png);
    if (colorType == PNG_COLOR_TYPE_GRAY) png_set_expand_gray_1_2_4_to_8(png);
  }

  // An sRGB file is taken as it is; a gamma alone is corrected for the screen. Image information
  // does not depend on it, and libpng's tables for 16-bit data take a while to build.
  double fileGamma = 0;
  bool gammaApplied = false;
  if (image.wantPixels && !png_get_valid(png, info, PNG_INFO_sRGB) && png_get_gAMA(png, info, &fileGamma)) {
    png_set_gamma(png, kScreenGamma, fileGamma);
    gammaApplied = true;
  }
  if (format != D3DFMT_P8 && png_get_valid(png, info, PNG_INFO_tRNS)) {
    png_set_tRNS_to_alpha(png);
    format = WithAlpha(format);
  }
  if (format == D3DFMT_R8G8B8 || format == D3DFMT_A8R8G8B8 || format == FMT_R16G16B16) png_set_bgr(png);
  if (format == D3DFMT_R8G8B8) {
    png_set_filler(png, 255, PNG_FILLER_AFTER);
    format = D3DFMT_X8R8G8B8;
  }
  png_set_interlace_handling(png);

  StoredPalette stored;
  if (format == D3DFMT_P8 && image.wantPixels) ReadStoredPalette(png, info, stored);
  png_read_update_info(png, info);
  if (png_get_channels(png, info) != ChannelCount(format)) return E_FAIL;
  UINT rowPitch;
  size_t bytes;
  if (!DecodedSize(png_get_rowbytes(png, info), height, &rowPitch, &bytes)) return E_FAIL;
  image.Describe2D(format, width, height, rowPitch);
  if (!image.wantPixels) return S_OK;

  BYTE* out = image.AllocatePixels(bytes, false);  // png_read_image writes every row whole
  session.rows = new (std::nothrow) png_bytep[height];
  if (!out || !session.rows) return E_OUTOFMEMORY;
  for (png_uint_32 y = 0; y < height; ++y) session.rows[y] = out + size_t(y) * rowPitch;
  png_read_image(png, session.rows);

  if (format == D3DFMT_P8) {
    PALETTEENTRY* palette = image.AllocatePalette();
    if (!palette) return E_OUTOFMEMORY;
    BuildPalette(stored, fileGamma, gammaApplied, palette);
  }
  return S_OK;
}

}  // namespace

HRESULT DecodePng(FileData file, LoadedImage& image) {
  if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0) return E_FAIL;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!png) return E_OUTOFMEMORY;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return E_OUTOFMEMORY;
  }
  PngSession session;
  session.file = file;
  HRESULT hr = E_FAIL;
  if (!setjmp(png_jmpbuf(png))) hr = Decode(png, info, session, image);
  delete[] session.rows;
  png_destroy_read_struct(&png, &info, nullptr);
  return hr;
}

}  // namespace d3dx
