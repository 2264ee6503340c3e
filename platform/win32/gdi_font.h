// A GDI font's faces and glyphs: faces found through fontconfig, rasterised by FreeType at the
// size the LOGFONT asks for, with GDI-style metrics and a glyph cache.
#pragma once
#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "windef.h"

namespace win32::gdi {

// What a LOGFONT asks for, the face name in UTF-8.
struct FontRequest {
  std::string face;  // empty: the default face
  LONG height = 0;   // LOGFONT lfHeight
  LONG weight = 0;   // 0: normal
  bool italic = false, underline = false, strikeOut = false;
  BYTE charSet = 0;
  BYTE quality = 0;
};

// Pixel metrics on GDI's model: the cell is ascent + descent, the em is the cell minus the
// internal leading. Positions of the lines are offsets from the baseline, positive downwards.
struct FontMetrics {
  int ascent = 0, descent = 0;
  int internalLeading = 0, externalLeading = 0;
  int aveCharWidth = 0, maxCharWidth = 0;
  int weight = 400;
  int underlineOffset = 0, underlineThickness = 1;
  int strikeOffset = 0, strikeThickness = 1;
  int height() const { return ascent + descent; }
};

// A rasterised glyph: 8-bit coverage, `width` x `rows`, placed at (pen + left, baseline - top).
struct Glyph {
  int32_t advance = 0;  // whole pixels
  int16_t left = 0, top = 0;
  uint16_t width = 0, rows = 0;
  uint32_t offset = 0;  // into the coverage pool
};

struct FaceMatch;  // what fontconfig found

class FontEngine {
 public:
  FontEngine() = default;
  ~FontEngine();
  FontEngine(const FontEngine&) = delete;
  FontEngine& operator=(const FontEngine&) = delete;

  // Finds and loads the primary face; false when not even the default face loads. Once only.
  bool open(const FontRequest& request);
  bool opened() const { return attempted_; }
  bool ready() const { return !faces_.empty(); }
  const FontRequest& request() const { return request_; }
  const FontMetrics& metrics() const { return metrics_; }
  const std::string& family() const { return family_; }
  bool antialiased() const { return request_.quality != 3; }  // NONANTIALIASED_QUALITY

  // The glyph of a character; stays valid until the next trim().
  const Glyph& glyph(char32_t c);
  const uint8_t* coverage(const Glyph& g) const { return pool_.data() + g.offset; }
  // Empties the cache once it has grown past its budget; called before a text is laid out.
  void trim();
  // Counts the times the cache was emptied: glyph references of one generation stay valid.
  uint64_t generation() const { return generation_; }

 private:
  struct Face {
    FT_Face face = nullptr;
    std::string file;
    int index = 0;
    bool emboldened = false;  // synthetic bold: the face is lighter than asked
  };
  bool loadFace(const FaceMatch& match);
  bool setSize(Face& face);
  Face* faceFor(char32_t c, FT_UInt* glyphIndex);
  Glyph render(char32_t c);
  void computeMetrics();

  FontRequest request_;
  bool attempted_ = false;
  FT_Library library_ = nullptr;
  std::vector<Face> faces_;  // [0] the primary face, then fallbacks in the order they were found
  std::string family_;
  double emPixels_ = 0;
  FontMetrics metrics_;

  std::array<Glyph, 128> ascii_{};
  std::bitset<128> asciiReady_;
  std::unordered_map<char32_t, Glyph> others_;
  std::vector<uint8_t> pool_;
  uint64_t generation_ = 0;
};

}  // namespace win32::gdi
