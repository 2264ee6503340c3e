// Frame captures as PNG files.
#include <png.h>

#include <cstdio>
#include <vector>

#include "platform.h"

bool SkyvaleWritePng(const char* path, const uint32_t* pixels, int width, int height, int pitchBytes) {
  if (!path || !pixels || width <= 0 || height <= 0) return false;
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row((size_t)width * 3);
  volatile bool ok = false;
  if (png && info && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, f);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
      const uint32_t* src = (const uint32_t*)((const uint8_t*)pixels + (size_t)y * pitchBytes);
      for (int x = 0; x < width; ++x) {
        row[x * 3 + 0] = (png_byte)(src[x] >> 16);
        row[x * 3 + 1] = (png_byte)(src[x] >> 8);
        row[x * 3 + 2] = (png_byte)src[x];
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  return std::fclose(f) == 0 && ok;
}
