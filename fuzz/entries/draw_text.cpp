// Text layout and drawing: random strings, format flags, rectangles and font sizes on a memory
// DC with a 32-bit DIB section, through both DrawTextW and DrawTextA (code page 936).
//
// Input: format (4 bytes), rectangle (four signed 16-bit values), font choice, count choice,
// background mode, then the text as UTF-16LE code units (DrawTextW) or bytes (DrawTextA).
#include <windows.h>

#include <cstring>
#include <vector>

#include "fuzz_entries.h"

namespace fuzz {
namespace {

constexpr int kWidth = 160, kHeight = 96;
constexpr LONG kFontHeights[] = {0, 12, -16, 24, 1, -64};
constexpr size_t kHeader = 4 + 8 + 3;

// The DC, its bitmap and one font per height live for the process, like the font renderer's.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HFONT fonts[std::size(kFontHeights)] = {};
  uint32_t* bits = nullptr;

  Canvas() {
    dc = CreateCompatibleDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = kWidth;
    bi.bmiHeader.biHeight = -kHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    if (!dc || !bitmap) Broken("no memory DC for text");
    SelectObject(dc, bitmap);
    for (size_t i = 0; i < std::size(kFontHeights); ++i) {
      LOGFONTA lf{};
      lf.lfHeight = kFontHeights[i];
      fonts[i] = CreateFontIndirectA(&lf);
      if (!fonts[i]) Broken("no font for text");
    }
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 64));
  }
};

int16_t Int16(const uint8_t* p) { return int16_t(p[0] | (p[1] << 8)); }

}  // namespace

int DrawText(const uint8_t* data, size_t size) {
  static Canvas canvas;
  if (size < kHeader) return 0;
  UINT format;
  std::memcpy(&format, data, 4);
  const RECT rect = {Int16(data + 4), Int16(data + 6), Int16(data + 8), Int16(data + 10)};
  SelectObject(canvas.dc, canvas.fonts[data[12] % std::size(kFontHeights)]);
  const uint8_t countChoice = data[13];
  SetBkMode(canvas.dc, (data[14] & 1) ? OPAQUE : TRANSPARENT);
  const uint8_t* text = data + kHeader;
  const size_t textBytes = size - kHeader;

  // Terminated copies: a negative count, or one larger than the text, ends at the terminator.
  std::vector<WCHAR> wide(textBytes / 2 + 1, 0);
  std::memcpy(wide.data(), text, textBytes / 2 * 2);
  std::vector<char> narrow(text, text + textBytes);
  narrow.push_back('\0');
  auto count = [&](size_t length) -> int {
    switch (countChoice % 4) {
      case 0:
        return -1 - countChoice;
      case 1:
        return int(length);
      case 2:
        return int(countChoice % (length + 1));
      default:
        return int(length) + countChoice;  // past the terminator: ends there
    }
  };

  RECT r = rect;
  DrawTextW(canvas.dc, wide.data(), count(wide.size() - 1), &r, format);
  r = rect;
  DrawTextW(canvas.dc, wide.data(), count(wide.size() - 1), &r, format | DT_CALCRECT);
  r = rect;
  DrawTextA(canvas.dc, narrow.data(), count(narrow.size() - 1), &r, format);
  return 0;
}

}  // namespace fuzz
