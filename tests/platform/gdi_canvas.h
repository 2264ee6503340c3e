// A memory DC with a top-down 32-bit DIB section and a font, white text on black, for the
// DrawText tests; the pixels are read back as coverage.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

struct InkBox {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive bounds of nonzero pixels
  bool empty() const { return right < left; }
};

class Canvas {
 public:
  explicit Canvas(int width = 400, int height = 200, const LOGFONTA* lf = nullptr)
      : width_(width), height_(height) {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, (void**)&bits_, nullptr, 0);
    EXPECT_NE(bitmap_, nullptr);
    previousBitmap_ = SelectObject(dc_, bitmap_);
    LOGFONTA zero{};
    font_ = CreateFontIndirectA(lf ? lf : &zero);
    EXPECT_NE(font_, nullptr);
    previousFont_ = SelectObject(dc_, font_);
    SetBkMode(dc_, OPAQUE);
    SetBkColor(dc_, RGB(0, 0, 0));
    SetTextColor(dc_, RGB(255, 255, 255));
  }
  ~Canvas() {
    SelectObject(dc_, previousFont_);
    SelectObject(dc_, previousBitmap_);
    EXPECT_TRUE(DeleteObject(font_));
    EXPECT_TRUE(DeleteObject(bitmap_));
    EXPECT_TRUE(DeleteDC(dc_));
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }
  uint32_t pixel(int x, int y) const { return bits_[(size_t)y * width_ + x]; }
  int coverage(int x, int y) const { return (int)(pixel(x, y) & 0xFF); }
  void clear() { std::memset(bits_, 0, (size_t)width_ * height_ * 4); }

  int draw(const std::u16string& text, RECT r, UINT format = 0) {
    return DrawTextW(dc_, text.c_str(), -1, &r, format);
  }
  // The text's measured rectangle at (0, 0) within `width` x `height`.
  RECT measure(const std::u16string& text, UINT format = 0, LONG width = 400, LONG height = 200) {
    RECT r = {0, 0, width, height};
    DrawTextW(dc_, text.c_str(), -1, &r, format | DT_CALCRECT);
    return r;
  }
  LONG widthOf(const std::u16string& text) { return measure(text, DT_SINGLELINE).right; }
  TEXTMETRICW metrics() const {
    TEXTMETRICW tm{};
    EXPECT_TRUE(GetTextMetricsW(dc_, &tm));
    return tm;
  }

  InkBox ink(int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) const {
    if (x1 < 0) x1 = width_;
    if (y1 < 0) y1 = height_;
    InkBox b;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (coverage(x, y)) {
          b.left = std::min(b.left, x), b.right = std::max(b.right, x);
          b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
        }
    return b;
  }
  // The coverage of every pixel, row by row.
  std::vector<uint8_t> coverageImage() const {
    std::vector<uint8_t> out((size_t)width_ * height_);
    for (size_t i = 0; i < out.size(); ++i) out[i] = bits_[i] & 0xFF;
    return out;
  }
  // The coverage of a text drawn alone at (0, 0).
  std::vector<uint8_t> imageOf(const std::u16string& text, UINT format = 0) {
    clear();
    draw(text, {0, 0, width_, height_}, format);
    return coverageImage();
  }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HFONT font_ = nullptr;
  HGDIOBJ previousBitmap_ = nullptr, previousFont_ = nullptr;
  uint32_t* bits_ = nullptr;
};

// `image` moved right by dx and down by dy, zero where nothing moved in.
inline std::vector<uint8_t> Shifted(const std::vector<uint8_t>& image, int width, int height, int dx,
                                    int dy) {
  std::vector<uint8_t> out(image.size());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      int sx = x - dx, sy = y - dy;
      if (sx >= 0 && sy >= 0 && sx < width && sy < height)
        out[(size_t)y * width + x] = image[(size_t)sy * width + sx];
    }
  return out;
}
