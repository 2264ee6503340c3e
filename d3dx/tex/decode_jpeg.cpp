// JPEG files through libjpeg: grey images into L8, colour images into X8R8G8B8.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "../math/cpu.h"
#include "image_decoders.h"

namespace d3dx {
namespace {

// An entropy-coded block of 64 pixels takes at least a bit with Huffman coding, so no honest
// file holds more than 512 pixels per byte; twice that is allowed. Arithmetic coding can go far
// below a bit per block and gets a looser bound.
constexpr uint64_t kHuffmanPixelsPerByte = 1024;
constexpr uint64_t kArithmeticPixelsPerByte = 65536;

struct ErrorManager {
  jpeg_error_mgr base;  // first: libjpeg hands the routines a pointer to it
  jmp_buf jump;
};

// Serves the file from memory; once it is consumed, an end-of-image marker stands for the rest.
struct MemorySource {
  jpeg_source_mgr base;
  bool ranDry;
};

constexpr BYTE kStartOfImage = 0xD8;
const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

void OutputMessage(j_common_ptr) {}

bool RanDry(j_decompress_ptr cinfo) {
  return cinfo->src && reinterpret_cast<const MemorySource*>(cinfo->src)->ranDry;
}

// Warnings are libjpeg's recovery from damaged data and are tolerated, but a file that ends
// before its end-of-image marker is truncated and refused; a warning after that point stops the
// decode at once.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  if (RanDry(reinterpret_cast<j_decompress_ptr>(cinfo))) cinfo->err->error_exit(cinfo);
  cinfo->err->num_warnings++;
}

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* source = reinterpret_cast<MemorySource*>(cinfo->src);
  source->ranDry = true;
  source->base.next_input_byte = kEndOfImage;
  source->base.bytes_in_buffer = sizeof kEndOfImage;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  jpeg_source_mgr* source = cinfo->src;
  if (count <= 0) return;
  const size_t n = std::min(size_t(count), source->bytes_in_buffer);
  source->next_input_byte += n;
  source->bytes_in_buffer -= n;
}

void UseMemorySource(j_decompress_ptr cinfo, FileData file) {
  auto* source = static_cast<MemorySource*>(
      cinfo->mem->alloc_small(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(MemorySource)));
  source->base.next_input_byte = file.data();
  source->base.bytes_in_buffer = file.size();
  source->base.init_source = InitSource;
  source->base.fill_input_buffer = FillInputBuffer;
  source->base.skip_input_data = SkipInputData;
  source->base.resync_to_restart = jpeg_resync_to_restart;
  source->base.term_source = TermSource;
  source->ranDry = false;
  cinfo->src = &source->base;
}

// Everything after the decompressor exists; libjpeg errors leave through ErrorExit.
HRESULT Decode(j_decompress_ptr cinfo, FileData file, LoadedImage& image) {
  UseMemorySource(cinfo, file);
  jpeg_read_header(cinfo, TRUE);
  if (!IsMmxAvailable()) cinfo->dct_method = JDCT_IFAST;
  const uint64_t pixels = uint64_t(cinfo->image_width) * cinfo->image_height;
  if (ClaimExceedsData(pixels, file.size(),
                       cinfo->arith_code ? kArithmeticPixelsPerByte : kHuffmanPixelsPerByte))
    return E_FAIL;

  // Colour rows come out of libjpeg-turbo in the byte order of X8R8G8B8 (blue, green, red, filler).
  if (cinfo->out_color_space == JCS_RGB) cinfo->out_color_space = JCS_EXT_BGRX;
  // Image information needs only the output description, not the decoded scans.
  if (image.wantPixels)
    jpeg_start_decompress(cinfo);
  else
    jpeg_calc_output_dimensions(cinfo);
  const UINT width = cinfo->output_width, height = cinfo->output_height;
  const bool grey = cinfo->out_color_space == JCS_GRAYSCALE && cinfo->output_components == 1;
  if (!grey && cinfo->out_color_space != JCS_EXT_BGRX) return E_FAIL;  // CMYK and other component counts
  UINT rowPitch;
  size_t bytes;
  if (!DecodedSize(uint64_t(width) * (grey ? 1 : 4), height, &rowPitch, &bytes)) return E_FAIL;
  image.Describe2D(grey ? D3DFMT_L8 : D3DFMT_X8R8G8B8, width, height, rowPitch);
  if (!image.wantPixels) return S_OK;

  BYTE* out = image.AllocatePixels(bytes, false);  // every byte is written below
  if (!out) return E_OUTOFMEMORY;
  // libjpeg-turbo fills the unused byte of X8R8G8B8 rows with 255, as the PNG decoder does.
  while (cinfo->output_scanline < height) {
    JSAMPROW row = out + size_t(cinfo->output_scanline) * rowPitch;
    if (jpeg_read_scanlines(cinfo, &row, 1) != 1) return E_FAIL;
  }
  jpeg_finish_decompress(cinfo);
  return RanDry(cinfo) ? E_FAIL : S_OK;
}

}  // namespace

HRESULT DecodeJpeg(FileData file, LoadedImage& image) {
  // Every JPEG stream starts with the start-of-image marker; anything else is not worth a decompressor.
  if (file.size() < 2 || file[0] != 0xFF || file[1] != kStartOfImage) return E_FAIL;
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  cinfo.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = ErrorExit;
  errors.base.output_message = OutputMessage;
  errors.base.emit_message = EmitMessage;
  cinfo.src = nullptr;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return E_FAIL;
  }
  // Interface 62, and the structure's size as this build lays it out (not a 32-bit figure).
  jpeg_CreateDecompress(&cinfo, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
  const HRESULT hr = Decode(&cinfo, file, image);
  jpeg_destroy_decompress(&cinfo);
  return hr;
}

}  // namespace d3dx
