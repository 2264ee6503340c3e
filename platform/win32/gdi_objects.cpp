// GDI objects and the DC's state: memory DCs, DIB sections, fonts, selection and deletion,
// colours, background modes and text metrics.
#include <winbase.h>
#include <winerror.h>
#include <winnls.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "gdi.h"
#include "skyvale_host.h"

namespace win32::gdi {
namespace {

constexpr size_t kMaxDibBytes = 256u << 20;

// LOGFONT fields as a request; the face name is converted to UTF-8 by the caller.
template <typename LogFont>
FontRequest RequestFrom(const LogFont& lf, std::string face) {
  FontRequest r;
  r.face = std::move(face);
  r.height = lf.lfHeight;
  r.weight = lf.lfWeight;
  r.italic = lf.lfItalic != 0;
  r.underline = lf.lfUnderline != 0;
  r.strikeOut = lf.lfStrikeOut != 0;
  r.charSet = lf.lfCharSet;
  r.quality = lf.lfQuality;
  return r;
}

HFONT Publish(std::unique_ptr<Font> font) { return (HFONT)ToHandle(font.release()); }

void Deselect(Object* object) {
  if (object) --object->selections;
}

// A DC's colour: the previous value is returned, CLR_INVALID for a bad handle.
COLORREF SwapColor(HDC hdc, COLORREF Dc::*field, COLORREF color) {
  Dc* dc = FromHandle<Dc>(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF previous = dc->*field;
  dc->*field = color & 0xFFFFFF;
  return previous;
}

COLORREF ReadColor(HDC hdc, COLORREF Dc::*field) {
  Dc* dc = FromHandle<Dc>(hdc);
  return dc ? dc->*field : CLR_INVALID;
}

template <typename TextMetric>
BOOL FillTextMetrics(HDC hdc, TextMetric* tm) {
  Dc* dc = FromHandle<Dc>(hdc);
  Font* font = dc ? dc->currentFont() : nullptr;
  if (!font || !tm) return FALSE;
  const FontMetrics& m = font->engine.metrics();
  const FontRequest& r = font->engine.request();
  *tm = TextMetric{};
  tm->tmHeight = m.height();
  tm->tmAscent = m.ascent;
  tm->tmDescent = m.descent;
  tm->tmInternalLeading = m.internalLeading;
  tm->tmExternalLeading = m.externalLeading;
  tm->tmAveCharWidth = m.aveCharWidth;
  tm->tmMaxCharWidth = m.maxCharWidth;
  tm->tmWeight = m.weight;
  tm->tmDigitizedAspectX = 96;
  tm->tmDigitizedAspectY = 96;
  tm->tmFirstChar = 0x20;
  tm->tmLastChar = sizeof(tm->tmLastChar) == 1 ? 0xFF : 0xFFFF;
  tm->tmDefaultChar = '?';
  tm->tmBreakChar = ' ';
  tm->tmItalic = r.italic;
  tm->tmUnderlined = r.underline;
  tm->tmStruckOut = r.strikeOut;
  tm->tmPitchAndFamily = TMPF_FIXED_PITCH | TMPF_VECTOR | TMPF_TRUETYPE | FF_SWISS;
  tm->tmCharSet = r.charSet == DEFAULT_CHARSET ? GB2312_CHARSET : r.charSet;
  return TRUE;
}

}  // namespace

Bitmap::~Bitmap() { std::free(pixels); }

Dc::Dc() : Object(kKind), bitmap(&defaultBitmap) {
  defaultBitmap.owner = this;
  defaultBitmap.selections = 1;
}

Dc::~Dc() {
  Deselect(bitmap);
  Deselect(font);
}

Font* Dc::selectedFont() {
  if (font) return font;
  // The default font's faces are only looked for when text needs them.
  defaultFont = std::make_unique<Font>();
  defaultFont->owner = this;
  font = defaultFont.get();
  ++font->selections;
  return font;
}

Font* Dc::currentFont() {
  Font* f = selectedFont();
  if (!f->engine.opened()) f->engine.open(FontRequest());
  return f->engine.ready() ? f : nullptr;
}

}  // namespace win32::gdi

using namespace win32;
using namespace win32::gdi;

HDC CreateCompatibleDC(HDC) { return (HDC)ToHandle(new Dc()); }

BOOL DeleteDC(HDC hdc) {
  Dc* dc = FromHandle<Dc>(hdc);
  if (!dc) return FALSE;
  delete dc;
  return TRUE;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD) {
  if (!info || section || (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS)) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN ||
      h.biPlanes != 1 || h.biBitCount != 32 || h.biCompression != BI_RGB)
    return nullptr;
  const size_t width = (size_t)h.biWidth,
               height = (size_t)(h.biHeight < 0 ? -(int64_t)h.biHeight : h.biHeight);
  if (width > kMaxDibBytes / 4 / height) return nullptr;
  auto* pixels = (uint32_t*)std::calloc(width * height, 4);
  if (!pixels) return nullptr;
  auto* bitmap = new Bitmap();
  bitmap->width = (int)width;
  bitmap->height = (int)height;
  bitmap->topDown = h.biHeight < 0;
  bitmap->pixels = pixels;
  if (bits) *bits = pixels;
  return (HBITMAP)ToHandle(bitmap);
}

HFONT CreateFontIndirectA(const LOGFONTA* lf) {
  if (!lf) return nullptr;
  char face[LF_FACESIZE + 1] = {};
  std::memcpy(face, lf->lfFaceName, LF_FACESIZE);
  std::unique_ptr<Font> font = Font::Create(RequestFrom(*lf, SkyvaleAnsiToUtf8(face)));
  if (font) font->description = *lf;
  return Publish(std::move(font));
}

HFONT CreateFontIndirectW(const LOGFONTW* lf) {
  if (!lf) return nullptr;
  std::string face;
  size_t n = BoundedLength(lf->lfFaceName, LF_FACESIZE);
  if (n > 0) {
    Converter toUtf8(CodePage::Utf8, Converter::Direction::FromUtf16);
    toUtf8.run((const char*)lf->lfFaceName, n * 2, face, kReplacementUtf8, false);
  }
  std::unique_ptr<Font> font = Font::Create(RequestFrom(*lf, std::move(face)));
  if (font) {
    LOGFONTA& d = font->description;
    std::memcpy(&d, lf, offsetof(LOGFONTA, lfFaceName));  // the numeric fields share one layout
    const int bytes = n ? WideCharToMultiByte(CP_ACP, 0, lf->lfFaceName, (int)n, d.lfFaceName,
                                              LF_FACESIZE - 1, nullptr, nullptr)
                        : 0;
    d.lfFaceName[bytes > 0 ? bytes : 0] = 0;
  }
  return Publish(std::move(font));
}

int GetObjectA(HGDIOBJ handle, int size, LPVOID buffer) {
  const Font* font = FromHandle<Font>(handle);
  if (!font) return 0;
  if (!buffer) return (int)sizeof(LOGFONTA);
  if (size < (int)sizeof(LOGFONTA)) return 0;
  std::memcpy(buffer, &font->description, sizeof(LOGFONTA));
  return (int)sizeof(LOGFONTA);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ handle) {
  Dc* dc = FromHandle<Dc>(hdc);
  if (!dc) return nullptr;
  if (Font* font = FromHandle<Font>(handle)) {
    if (font->owner && font->owner != dc) return nullptr;
    Font* previous = dc->selectedFont();
    ++font->selections;
    Deselect(previous);
    if (font != previous) dc->scratch.laidOut = false;  // its cells may point at the old font's glyphs
    dc->font = font;
    return ToHandle(previous);
  }
  if (Bitmap* bitmap = FromHandle<Bitmap>(handle)) {
    if (bitmap == dc->bitmap) return handle;
    if ((bitmap->owner && bitmap->owner != dc) || bitmap->selections > 0) return nullptr;  // one DC at a time
    Bitmap* previous = dc->bitmap;
    ++bitmap->selections;
    Deselect(previous);
    dc->bitmap = bitmap;
    return ToHandle(previous);
  }
  return nullptr;
}

BOOL DeleteObject(HGDIOBJ handle) {
  Object* object = FromHandle<Font>(handle);
  if (!object) object = FromHandle<Bitmap>(handle);
  if (!object) return FALSE;
  if (object->owner) return TRUE;  // a DC's default object lives as long as the DC
  if (object->selections > 0) return FALSE;
  if (object->kind == ObjectKind::Font)
    delete static_cast<Font*>(object);
  else
    delete static_cast<Bitmap*>(object);
  return TRUE;
}

int SetBkMode(HDC hdc, int mode) {
  Dc* dc = FromHandle<Dc>(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int previous = dc->bkMode;
  dc->bkMode = mode;
  return previous;
}

int GetBkMode(HDC hdc) {
  Dc* dc = FromHandle<Dc>(hdc);
  return dc ? dc->bkMode : 0;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) { return SwapColor(hdc, &Dc::bkColor, color); }
COLORREF GetBkColor(HDC hdc) { return ReadColor(hdc, &Dc::bkColor); }
COLORREF SetTextColor(HDC hdc, COLORREF color) { return SwapColor(hdc, &Dc::textColor, color); }
COLORREF GetTextColor(HDC hdc) { return ReadColor(hdc, &Dc::textColor); }

BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA metrics) { return FillTextMetrics(hdc, metrics); }
BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW metrics) { return FillTextMetrics(hdc, metrics); }

BOOL GdiFlush() { return TRUE; }
