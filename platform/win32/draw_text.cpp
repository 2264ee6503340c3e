// DrawText: the text is read into cells (prefixes, breaks, tabs, glyphs), broken into lines,
// measured, placed in the rectangle by the format, and drawn into the DC's bitmap with the
// DC's colours: grey coverage blended per channel, so white on black gives the coverage in
// every channel.
#include <winuser.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "draw_text_blend.h"
#include "gdi.h"

namespace win32::gdi {
namespace {

enum class HAlign { Left, Center, Right };
enum class VAlign { Top, Center, Bottom };

// The DT_ flags this layout acts on.
struct Format {
  HAlign h = HAlign::Left;
  VAlign v = VAlign::Top;
  bool singleLine = false, wordBreak = false, calcRect = false, noClip = false;
  bool prefix = true, showPrefix = true;
  bool expandTabs = false, externalLeading = false, fullWidthBreak = true;
  int tabChars = 8;
};

Format ReadFormat(UINT flags) {
  Format f;
  if (flags & DT_TABSTOP) {
    // Bits 8-15 are the tab width, not flags.
    f.tabChars = (int)((flags >> 8) & 0xFF);
    if (f.tabChars == 0) f.tabChars = 8;
    flags &= ~0xFF00u;
  }
  f.h = flags & DT_RIGHT ? HAlign::Right : flags & DT_CENTER ? HAlign::Center : HAlign::Left;
  f.singleLine = flags & DT_SINGLELINE;
  if (f.singleLine)
    f.v = flags & DT_BOTTOM ? VAlign::Bottom : flags & DT_VCENTER ? VAlign::Center : VAlign::Top;
  f.wordBreak = (flags & DT_WORDBREAK) && !f.singleLine;
  f.calcRect = flags & DT_CALCRECT;
  f.noClip = flags & DT_NOCLIP;
  f.prefix = !(flags & DT_NOPREFIX);
  f.showPrefix = !(flags & DT_HIDEPREFIX);
  f.expandTabs = flags & DT_EXPANDTABS;
  f.externalLeading = flags & DT_EXTERNALLEADING;
  f.fullWidthBreak = !(flags & DT_NOFULLWIDTHCHARBREAK);
  return f;
}

// Characters between which a line may wrap without a space: Han, kana, Hangul and full-width
// forms.
bool IsFullWidth(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// Closing punctuation never starts a wrapped line.
bool IsClosingPunctuation(char32_t c) {
  static constexpr char32_t kClosing[] = {U'、', U'。', U'，', U'．', U'：', U'；', U'！',
                                          U'？', U'）', U'］', U'｝', U'」', U'』', U'】',
                                          U'〉', U'》', U'〕', U'…',  U'’',  U'”'};
  return std::find(std::begin(kClosing), std::end(kClosing), c) != std::end(kClosing);
}

// Phase 1: UTF-16 units to cells.
void ReadCells(const std::u16string& units, const Format& f, FontEngine& font, std::vector<Cell>& cells) {
  cells.clear();
  cells.reserve(units.size());
  bool underlineNext = false;
  const int32_t spaceAdvance = font.glyph(U' ').advance;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    if (f.prefix && c == U'&') {
      if (i + 1 >= units.size() || units[i + 1] != u'&') {
        underlineNext = f.showPrefix;  // "&x" draws x underlined
        continue;
      }
      ++i;  // "&&" draws one '&'
    }
    Cell cell;
    if (c == U'\r' || c == U'\n') {
      if (c == U'\r' && i + 1 < units.size() && units[i + 1] == u'\n') ++i;
      cell.kind = f.singleLine ? CellKind::Invisible : CellKind::LineBreak;
    } else if (c == U'\t') {
      cell.kind = f.expandTabs ? CellKind::Tab : CellKind::Space;
      cell.advance = spaceAdvance;
    } else if (c == U' ') {
      cell.kind = CellKind::Space;
      cell.advance = spaceAdvance;
    } else if (c < 0x20 || c == 0x7F) {
      cell.kind = CellKind::Invisible;
    } else {
      cell.glyph = &font.glyph(c);
      cell.advance = cell.glyph->advance;
      cell.breakBefore = f.fullWidthBreak && IsFullWidth(c);
      cell.noBreakBefore = IsClosingPunctuation(c);
    }
    cell.underline = underlineNext && cell.kind == CellKind::Glyph;
    underlineNext = false;
    cells.push_back(cell);
  }
}

bool IsBlank(const Cell& c) { return c.kind == CellKind::Space || c.kind == CellKind::Tab; }

// Whether a wrapped line may start at cell j of a word that began before it.
bool BreaksBefore(const std::vector<Cell>& cells, size_t j) {
  const Cell& c = cells[j];
  if (c.kind != CellKind::Glyph && c.kind != CellKind::Invisible) return true;
  if (c.noBreakBefore) return false;
  return c.breakBefore || cells[j - 1].breakBefore;
}

// Phase 2: cells to lines. Hard breaks always end a line; with wrapping, a word that would
// pass `wrapWidth` starts a new line unless it is the first thing on it, and the blanks before
// it are dropped. A break at the very end adds no empty line. Tab advances are fixed here.
void BreakLines(std::vector<Cell>& cells, bool wrap, int64_t wrapWidth, int32_t tabWidth,
                std::vector<Line>& lines) {
  lines.clear();
  const size_t n = cells.size();
  size_t begin = 0, i = 0;
  int64_t x = 0;
  bool inked = false;  // the line holds more than blanks
  auto finish = [&](size_t end, size_t next, bool dropBlanks) {
    if (dropBlanks)
      while (end > begin && IsBlank(cells[end - 1])) --end;
    int64_t width = 0;
    for (size_t k = begin; k < end; ++k) width += cells[k].advance;
    lines.push_back({begin, end, width});
    begin = next;
    x = 0;
    inked = false;
  };
  while (i < n) {
    Cell& c = cells[i];
    if (c.kind == CellKind::LineBreak) {
      finish(i, i + 1, false);
      ++i;
      continue;
    }
    if (c.kind == CellKind::Tab) c.advance = tabWidth > 0 ? (int32_t)(tabWidth - x % tabWidth) : 0;
    if (!wrap || IsBlank(c)) {
      x += c.advance;
      ++i;
      continue;
    }
    size_t end = i + 1;
    int64_t width = c.advance;
    while (end < n && !BreaksBefore(cells, end)) width += cells[end++].advance;
    if (inked && x + width > wrapWidth) finish(i, i, true);
    x += width;
    inked = true;
    i = end;
  }
  if (begin < n) finish(n, n, false);
}

struct Box {
  int64_t left, top, right, bottom;
};

Box Intersect(const Box& a, const Box& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

uint32_t PixelOf(COLORREF c) {
  return (uint32_t)GetRValue(c) << 16 | (uint32_t)GetGValue(c) << 8 | GetBValue(c);
}

void Fill(Bitmap& bitmap, const Box& clip, Box box, uint32_t pixel) {
  box = Intersect(box, clip);
  if (box.left >= box.right) return;
  const size_t count = (size_t)(box.right - box.left);
  for (int64_t y = box.top; y < box.bottom; ++y) {
    uint32_t* at = bitmap.row((int)y) + box.left;
    if (pixel == 0)
      std::memset(at, 0, count * 4);  // black paper, the font renderer's: memset's wider stores
    else
      std::fill_n(at, count, pixel);
  }
}

void DrawGlyph(Bitmap& bitmap, const Box& clip, int64_t x, int64_t y, const Glyph& g, const uint8_t* coverage,
               uint32_t pixel) {
  const Box box = Intersect({x, y, x + g.width, y + g.rows}, clip);
  if (box.left >= box.right || box.top >= box.bottom) return;
  const CoverageBox area = {bitmap.row((int)box.top) + box.left,
                            bitmap.topDown ? (ptrdiff_t)bitmap.width : -(ptrdiff_t)bitmap.width,
                            coverage + (size_t)(box.top - y) * g.width + (box.left - x),
                            g.width,
                            (size_t)(box.right - box.left),
                            (size_t)(box.bottom - box.top),
                            bitmap.pixels + (size_t)bitmap.width * (size_t)bitmap.height};
  BlendCoverageBox(area, pixel);
}

// Phase 4: the lines into the bitmap, the first line's top at y0.
void DrawLines(Dc& dc, FontEngine& font, const std::vector<Cell>& cells, const std::vector<Line>& lines,
               const Format& f, const RECT& rect, int64_t y0, int64_t lineHeight) {
  Bitmap& bitmap = *dc.bitmap;
  if (!bitmap.pixels) return;
  Box clip = {0, 0, bitmap.width, bitmap.height};
  if (!f.noClip) clip = Intersect(clip, {rect.left, rect.top, rect.right, rect.bottom});
  if (clip.left >= clip.right || clip.top >= clip.bottom) return;
  const FontMetrics& m = font.metrics();
  const FontRequest& r = font.request();
  const uint32_t ink = PixelOf(dc.textColor), paper = PixelOf(dc.bkColor);
  for (size_t k = 0; k < lines.size(); ++k) {
    const Line& line = lines[k];
    const int64_t top = y0 + (int64_t)k * lineHeight, baseline = top + m.ascent;
    if (top >= clip.bottom) break;
    if (top + lineHeight <= clip.top) continue;
    int64_t x = f.h == HAlign::Right    ? rect.right - line.width
                : f.h == HAlign::Center ? rect.left + ((int64_t)rect.right - rect.left - line.width) / 2
                                        : rect.left;
    if (dc.bkMode == OPAQUE) Fill(bitmap, clip, {x, top, x + line.width, top + lineHeight}, paper);
    if (r.underline)
      Fill(bitmap, clip,
           {x, baseline + m.underlineOffset, x + line.width,
            baseline + m.underlineOffset + m.underlineThickness},
           ink);
    if (r.strikeOut)
      Fill(bitmap, clip,
           {x, baseline + m.strikeOffset, x + line.width, baseline + m.strikeOffset + m.strikeThickness},
           ink);
    for (size_t i = line.begin; i < line.end; ++i) {
      const Cell& c = cells[i];
      if (c.glyph)
        DrawGlyph(bitmap, clip, x + c.glyph->left, baseline - c.glyph->top, *c.glyph, font.coverage(*c.glyph),
                  ink);
      if (c.underline)
        Fill(bitmap, clip,
             {x, baseline + m.underlineOffset, x + c.advance,
              baseline + m.underlineOffset + m.underlineThickness},
             ink);
      x += c.advance;
    }
  }
}

int ClampToInt(int64_t v) { return (int)std::clamp<int64_t>(v, INT_MIN, INT_MAX); }

// The layout and drawing of text already in dc.scratch.units.
int DrawUnits(Dc& dc, RECT* rect, UINT flags) {
  Font* font = dc.currentFont();
  if (!font) return 0;
  FontEngine& engine = font->engine;
  engine.trim();
  const Format f = ReadFormat(flags);
  TextScratch& s = dc.scratch;
  const FontMetrics& m = engine.metrics();
  const int64_t wrapWidth = (int64_t)rect->right - rect->left;
  const LayoutKey key = {&engine,
                         engine.generation(),
                         f.prefix,
                         f.showPrefix,
                         f.singleLine,
                         f.expandTabs,
                         f.fullWidthBreak,
                         f.wordBreak,
                         f.wordBreak ? wrapWidth : 0,
                         (int64_t)f.tabChars * m.aveCharWidth};
  if (!s.laidOut || !(s.key == key) || s.laidOutUnits != s.units) {
    ReadCells(s.units, f, engine, s.cells);
    BreakLines(s.cells, f.wordBreak, wrapWidth, f.tabChars * m.aveCharWidth, s.lines);
    s.laidOut = true;
    s.key = key;
    s.laidOutUnits = s.units;
  }

  // Phase 3: measure and place.
  const int64_t lineHeight = m.height() + (f.externalLeading ? m.externalLeading : 0);
  const int64_t textHeight = (int64_t)s.lines.size() * lineHeight;
  if (f.calcRect) {
    int64_t width = 0;
    for (const Line& line : s.lines) width = std::max(width, line.width);
    rect->right = ClampToInt(rect->left + width);
    rect->bottom = ClampToInt(rect->top + textHeight);
    return ClampToInt(textHeight);
  }
  int64_t y0 = rect->top;
  if (f.v == VAlign::Bottom) y0 = rect->bottom - lineHeight;
  if (f.v == VAlign::Center) y0 = rect->top + ((int64_t)rect->bottom - rect->top - lineHeight) / 2;
  DrawLines(dc, engine, s.cells, s.lines, f, *rect, y0, lineHeight);
  return ClampToInt(f.v == VAlign::Top ? textHeight : y0 - rect->top + textHeight);
}

}  // namespace
}  // namespace win32::gdi

using namespace win32;
using namespace win32::gdi;

int DrawTextA(HDC hdc, LPCSTR text, int count, LPRECT rect, UINT format) {
  Dc* dc = FromHandle<Dc>(hdc);
  if (!dc || !text || !rect) return 0;
  dc->ansi.decode(text, BoundedLength(text, count), dc->scratch.units);
  return DrawUnits(*dc, rect, format);
}

int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format) {
  Dc* dc = FromHandle<Dc>(hdc);
  if (!dc || !text || !rect) return 0;
  dc->scratch.units.assign(text, BoundedLength(text, count));
  return DrawUnits(*dc, rect, format);
}
