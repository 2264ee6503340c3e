// A JPEG file decoded with libjpeg straight into 8-bit RGB, for tests and benchmarks that need a
// real photograph without going through the library's own loaders.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>
// clang-format off
#include <jpeglib.h>
// clang-format on

struct JpegRgb {
  std::vector<uint8_t> pixels;  // r, g, b per pixel, rows top to bottom
  unsigned width = 0, height = 0;
};

// Empty pixels when the file cannot be opened.
inline JpegRgb ReadJpegRgb(const char* path) {
  JpegRgb out;
  FILE* f = std::fopen(path, "rb");
  if (!f) return out;
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, f);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  out.width = cinfo.output_width;
  out.height = cinfo.output_height;
  out.pixels.resize(size_t(out.width) * out.height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = &out.pixels[size_t(cinfo.output_scanline) * out.width * 3];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::fclose(f);
  return out;
}
