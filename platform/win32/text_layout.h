// The records DrawText lays text out in, kept in the DC so that repeated calls reuse them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "gdi_font.h"

namespace win32::gdi {

enum class CellKind : uint8_t {
  Glyph,      // drawn with its glyph
  Space,      // blank; a line may wrap after it
  Tab,        // blank up to the next tab stop
  LineBreak,  // CR, LF or CR LF
  Invisible,  // control characters: no width, nothing drawn
};

// One character of the text after prefix processing.
struct Cell {
  const Glyph* glyph = nullptr;  // Glyph cells only
  int32_t advance = 0;
  CellKind kind = CellKind::Glyph;
  bool breakBefore = false;    // a wrapped line may start here (full-width characters)
  bool noBreakBefore = false;  // closing punctuation that stays with what precedes it
  bool underline = false;      // the character after a prefix '&'
};

// Cells [begin, end) of one line; width in pixels.
struct Line {
  size_t begin = 0, end = 0;
  int64_t width = 0;
};

// What cells and lines depend on besides the text: the font's glyphs, the flags that read the
// cells, and the wrapping.
struct LayoutKey {
  const FontEngine* engine = nullptr;
  uint64_t glyphGeneration = 0;  // the engine's cache generation: glyph pointers live within one
  bool prefix = false, showPrefix = false, singleLine = false, expandTabs = false, fullWidthBreak = false;
  bool wordBreak = false;
  int64_t wrapWidth = 0;  // only with wordBreak
  int64_t tabWidth = 0;
  bool operator==(const LayoutKey&) const = default;
};

struct TextScratch {
  std::u16string units;
  std::vector<Cell> cells;
  std::vector<Line> lines;
  // The cells and lines stay for the next call with the same units and key (a font measures a
  // text, then draws it). Cleared whenever the DC selects another font, so `engine` is alive.
  bool laidOut = false;
  LayoutKey key;
  std::u16string laidOutUnits;
};

}  // namespace win32::gdi
