#include "jpeg_file.h"

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace {

// libjpeg reports fatal errors by calling error_exit; ours jumps back into the caller instead
// of ending the process.
struct ErrorTrap {
  jpeg_error_mgr manager;
  jmp_buf jump;
};

void TrapExit(j_common_ptr info) { longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1); }
void Quiet(j_common_ptr) {}

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

}  // namespace

bool WriteJpeg(const std::string& path, const Image& image, int quality) {
  if (image.width <= 0 || image.height <= 0) return false;
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  jpeg_compress_struct info;
  ErrorTrap trap;
  info.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = TrapExit;
  trap.manager.output_message = Quiet;
  std::vector<JSAMPLE> row((size_t)image.width * 3);
  if (setjmp(trap.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file.get());
  info.image_width = (JDIMENSION)image.width;
  info.image_height = (JDIMENSION)image.height;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  info.optimize_coding = TRUE;
  info.dct_method = JDCT_ISLOW;  // the exact integer transform: the same bytes on every processor
  for (int c = 0; c < 3; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    const int y = (int)info.next_scanline;
    for (int x = 0; x < image.width; ++x)
      for (int c = 0; c < 3; ++c) row[(size_t)x * 3 + c] = (JSAMPLE)Channel(image.at(x, y), c);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fflush(file.get()) == 0 && !std::ferror(file.get());
}

std::optional<Image> ReadJpeg(const std::string& path) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  jpeg_decompress_struct info;
  ErrorTrap trap;
  info.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = TrapExit;
  trap.manager.output_message = Quiet;
  // Declared before the jump point so that a longjmp leaves them in a defined state.
  Image image;
  std::vector<JSAMPLE> row;
  if (setjmp(trap.jump)) {
    jpeg_destroy_decompress(&info);
    return std::nullopt;
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file.get());
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  info.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&info);
  if (info.output_components != 3 || info.output_width > 8192 || info.output_height > 8192) {
    jpeg_destroy_decompress(&info);
    return std::nullopt;
  }
  image = Image((int)info.output_width, (int)info.output_height);
  row.resize((size_t)image.width * 3);
  while (info.output_scanline < info.output_height) {
    const int y = (int)info.output_scanline;
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    for (int x = 0; x < image.width; ++x) {
      const JSAMPLE* p = &row[(size_t)x * 3];
      image.at(x, y) = 0xFF000000u | (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return image;
}
