// Font faces through fontconfig and glyphs through FreeType, sized and measured the way GDI
// maps a LOGFONT: a positive height is the cell, a negative one the em, 0 the default size.
#include <fontconfig/fontconfig.h>

#include <strings.h>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gdi.h"

#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

namespace win32::gdi {

// What fontconfig found for a request.
struct FaceMatch {
  std::string file;
  int index = 0;
  int weight = FC_WEIGHT_REGULAR;
  int slant = FC_SLANT_ROMAN;
  bool embolden = false;     // fontconfig asks for synthetic bold
  bool transformed = false;  // fontconfig asks for a transform (synthetic oblique)
  FcMatrix matrix = {1, 0, 0, 1};
  bool familyMatches = false;  // one of the face's family names is the one asked for
  bool hasChar = false;        // the face covers the character asked for
};

namespace {

constexpr double kDefaultEmPixels = 16;  // what a height of 0 asks for
constexpr double kMaxEmPixels = 1024;    // larger requests are cut to this
constexpr const char* kDefaultFamily = "sans-serif";
constexpr const char* kDefaultLanguage = "zh-cn";  // the ANSI code page is 936
constexpr size_t kMaxFaces = 8;
constexpr size_t kCacheGlyphs = 4096;
constexpr size_t kCacheBytes = 8u << 20;
// Within one text the cache cannot be emptied; glyphs past this are measured but left blank.
constexpr size_t kPoolLimit = 64u << 20;
constexpr int kSyntheticBoldFrom = 600;     // FW_SEMIBOLD and heavier
constexpr FT_Fixed kObliqueShear = 0x366A;  // tan(12 degrees) in 16.16

// The face fontconfig prefers for a family (or the default family with the Chinese language),
// weight, slant and, when `c` is nonzero, a character it must cover.
bool MatchFace(const std::string& family, int weight, bool italic, char32_t c, FaceMatch* out) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  const bool named = !family.empty();
  FcPatternAddString(pattern, FC_FAMILY, (const FcChar8*)(named ? family.c_str() : kDefaultFamily));
  if (!named) FcPatternAddString(pattern, FC_LANG, (const FcChar8*)kDefaultLanguage);
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight ? weight : 400));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcCharSet* wanted = nullptr;
  if (c) {
    wanted = FcCharSetCreate();
    FcCharSetAddChar(wanted, c);
    FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
  }
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  bool found = false;
  if (match) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
      found = true;
      out->file = (const char*)file;
      if (FcPatternGetInteger(match, FC_INDEX, 0, &out->index) != FcResultMatch) out->index = 0;
      if (FcPatternGetInteger(match, FC_WEIGHT, 0, &out->weight) != FcResultMatch)
        out->weight = FC_WEIGHT_REGULAR;
      if (FcPatternGetInteger(match, FC_SLANT, 0, &out->slant) != FcResultMatch) out->slant = FC_SLANT_ROMAN;
      FcBool embolden = FcFalse;
      out->embolden = FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden) == FcResultMatch && embolden;
      FcMatrix* matrix = nullptr;
      if (FcPatternGetMatrix(match, FC_MATRIX, 0, &matrix) == FcResultMatch && matrix) {
        out->transformed = true;
        out->matrix = *matrix;
      }
      FcChar8* name = nullptr;
      for (int i = 0; named && FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
        out->familyMatches |= strcasecmp((const char*)name, family.c_str()) == 0;
      FcCharSet* covered = nullptr;
      out->hasChar = c && FcPatternGetCharSet(match, FC_CHARSET, 0, &covered) == FcResultMatch &&
                     FcCharSetHasChar(covered, c);
    }
    FcPatternDestroy(match);
  }
  if (wanted) FcCharSetDestroy(wanted);
  FcPatternDestroy(pattern);
  return found;
}

// Coverage rows of a rendered FreeType bitmap as 0..255 bytes, `width` per row.
void CopyCoverage(const FT_Bitmap& bitmap, uint8_t* out) {
  const unsigned width = bitmap.width;
  for (unsigned y = 0; y < bitmap.rows; ++y) {
    const uint8_t* src = bitmap.buffer + (ptrdiff_t)y * bitmap.pitch;
    uint8_t* dst = out + (size_t)y * width;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
      for (unsigned x = 0; x < width; ++x) dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
    } else if (bitmap.num_grays == 256) {
      std::memcpy(dst, src, width);
    } else {
      const unsigned top = bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 1;
      for (unsigned x = 0; x < width; ++x) dst[x] = (uint8_t)std::min(255u, src[x] * 255u / top);
    }
  }
}

}  // namespace

std::unique_ptr<Font> Font::Create(const FontRequest& request) {
  auto font = std::make_unique<Font>();
  if (!font->engine.open(request)) return nullptr;
  return font;
}

FontEngine::~FontEngine() {
  for (Face& f : faces_) FT_Done_Face(f.face);
  if (library_) FT_Done_FreeType(library_);
}

bool FontEngine::open(const FontRequest& request) {
  if (attempted_) return ready();
  attempted_ = true;
  request_ = request;
  if (FT_Init_FreeType(&library_) != 0) {
    library_ = nullptr;
    return false;
  }
  FaceMatch match;
  bool found = !request.face.empty() && MatchFace(request.face, request.weight, request.italic, 0, &match) &&
               match.familyMatches;
  // A face that does not exist gives the default face, not fontconfig's nearest substitute.
  if (!found) {
    match = FaceMatch();
    found = MatchFace("", request.weight, request.italic, 0, &match);
  }
  if (!found || !loadFace(match)) return false;
  const char* family = faces_[0].face->family_name;
  family_ = family ? family : "";
  computeMetrics();
  return true;
}

bool FontEngine::loadFace(const FaceMatch& match) {
  Face f;
  if (FT_New_Face(library_, match.file.c_str(), match.index, &f.face) != 0) return false;
  f.file = match.file;
  f.index = match.index;
  // Synthetic bold and oblique: as fontconfig's rules ask, or by comparing what was found.
  f.emboldened = match.embolden || (request_.weight >= kSyntheticBoldFrom &&
                                    match.weight < FcWeightFromOpenType(kSyntheticBoldFrom));
  if (match.transformed) {
    auto fixed = [](double v) { return (FT_Fixed)std::lround(v * 0x10000); };
    FT_Matrix m = {fixed(match.matrix.xx), fixed(match.matrix.xy), fixed(match.matrix.yx),
                   fixed(match.matrix.yy)};
    FT_Set_Transform(f.face, &m, nullptr);
  } else if (request_.italic && match.slant == FC_SLANT_ROMAN) {
    FT_Matrix shear = {0x10000, kObliqueShear, 0, 0x10000};
    FT_Set_Transform(f.face, &shear, nullptr);
  }
  if (faces_.empty()) {
    // The primary face decides the size every face is drawn at.
    const FT_Face face = f.face;
    double em = kDefaultEmPixels;
    if (request_.height < 0) {
      em = -(double)request_.height;
    } else if (request_.height > 0) {
      auto* os2 = (TT_OS2*)FT_Get_Sfnt_Table(face, FT_SFNT_OS2);
      double cell = os2 && os2->usWinAscent + os2->usWinDescent > 0 ? os2->usWinAscent + os2->usWinDescent
                                                                    : face->ascender - face->descender;
      em = cell > 0 && face->units_per_EM ? request_.height * (double)face->units_per_EM / cell
                                          : (double)request_.height;
    }
    emPixels_ = std::clamp(em, 1.0, kMaxEmPixels);
  }
  if (!setSize(f)) {
    FT_Done_Face(f.face);
    return false;
  }
  faces_.push_back(std::move(f));
  return true;
}

bool FontEngine::setSize(Face& f) {
  if (FT_IS_SCALABLE(f.face))
    return FT_Set_Char_Size(f.face, 0, (FT_F26Dot6)std::lround(emPixels_ * 64), 72, 72) == 0;
  // A bitmap-only face: the strike nearest the em.
  if (f.face->num_fixed_sizes <= 0) return false;
  int best = 0;
  for (int i = 1; i < f.face->num_fixed_sizes; ++i)
    if (std::abs(f.face->available_sizes[i].y_ppem / 64.0 - emPixels_) <
        std::abs(f.face->available_sizes[best].y_ppem / 64.0 - emPixels_))
      best = i;
  return FT_Select_Size(f.face, best) == 0;
}

void FontEngine::computeMetrics() {
  const FT_Face face = faces_[0].face;
  FontMetrics& m = metrics_;
  const double scale = face->units_per_EM ? emPixels_ / face->units_per_EM : 0;
  auto* os2 = (TT_OS2*)FT_Get_Sfnt_Table(face, FT_SFNT_OS2);
  auto* hhea = (TT_HoriHeader*)FT_Get_Sfnt_Table(face, FT_SFNT_HHEA);
  double ascent, descent;
  if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
    ascent = os2->usWinAscent * scale;
    descent = os2->usWinDescent * scale;
  } else if (FT_IS_SCALABLE(face)) {
    ascent = face->ascender * scale;
    descent = -face->descender * scale;
  } else {
    ascent = face->size->metrics.ascender / 64.0;
    descent = -face->size->metrics.descender / 64.0;
  }
  m.ascent = (int)std::lround(ascent);
  // A cell height asked for is met: the ascent and descent add up to it, so their roundings do.
  m.descent = (int)std::lround(descent);
  m.internalLeading = std::max(0, m.height() - (int)std::lround(emPixels_));
  m.externalLeading = 0;
  if (os2 && hhea) {
    double gap =
        hhea->Line_Gap - ((os2->usWinAscent + os2->usWinDescent) - (hhea->Ascender - hhea->Descender));
    m.externalLeading = std::max(0, (int)std::lround(gap * scale));
  }
  m.maxCharWidth = std::max(1, (int)std::lround(face->max_advance_width * scale));
  m.aveCharWidth = os2 && os2->xAvgCharWidth > 0 ? std::max(1, (int)std::lround(os2->xAvgCharWidth * scale))
                                                 : std::max(1, glyph(U'x').advance);
  m.weight = request_.weight ? (int)request_.weight : FW_NORMAL;
  m.underlineThickness = std::max(1, (int)std::lround(face->underline_thickness * scale));
  m.underlineOffset = std::max(1, (int)std::lround(-face->underline_position * scale));
  if (os2 && os2->yStrikeoutSize > 0) {
    m.strikeThickness = std::max(1, (int)std::lround(os2->yStrikeoutSize * scale));
    m.strikeOffset = -(int)std::lround(os2->yStrikeoutPosition * scale);
  } else {
    m.strikeThickness = m.underlineThickness;
    m.strikeOffset = -m.ascent / 3;
  }
}

FontEngine::Face* FontEngine::faceFor(char32_t c, FT_UInt* glyphIndex) {
  for (Face& f : faces_) {
    if ((*glyphIndex = FT_Get_Char_Index(f.face, c)) != 0) return &f;
  }
  if (faces_.size() >= kMaxFaces) return nullptr;
  FaceMatch match;
  if (!MatchFace("", request_.weight, request_.italic, c, &match) || !match.hasChar) return nullptr;
  for (const Face& f : faces_)
    if (f.file == match.file && f.index == match.index) return nullptr;  // already asked; it lacks c
  if (!loadFace(match)) return nullptr;
  Face& f = faces_.back();
  *glyphIndex = FT_Get_Char_Index(f.face, c);
  return *glyphIndex ? &f : nullptr;
}

Glyph FontEngine::render(char32_t c) {
  Glyph g;
  FT_UInt index = 0;
  Face* f = faceFor(c, &index);
  if (!f) {
    f = &faces_[0];  // the missing-glyph box of the primary face
    index = 0;
  }
  const bool mono = !antialiased();
  if (FT_Load_Glyph(f->face, index, FT_LOAD_DEFAULT | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL)) !=
      0)
    return g;
  FT_GlyphSlot slot = f->face->glyph;
  if (f->emboldened) FT_GlyphSlot_Embolden(slot);
  if (slot->format != FT_GLYPH_FORMAT_BITMAP &&
      FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
    return g;
  const FT_Bitmap& bitmap = slot->bitmap;
  g.advance = (int32_t)((slot->advance.x + 32) >> 6);
  const size_t bytes = (size_t)bitmap.width * bitmap.rows;
  if (bitmap.width > 0xFFFF || bitmap.rows > 0xFFFF || !bitmap.buffer || pool_.size() + bytes > kPoolLimit)
    return g;
  g.left = (int16_t)std::clamp(slot->bitmap_left, -32768, 32767);
  g.top = (int16_t)std::clamp(slot->bitmap_top, -32768, 32767);
  g.width = (uint16_t)bitmap.width;
  g.rows = (uint16_t)bitmap.rows;
  g.offset = (uint32_t)pool_.size();
  pool_.resize(pool_.size() + bytes);
  CopyCoverage(bitmap, pool_.data() + g.offset);
  return g;
}

const Glyph& FontEngine::glyph(char32_t c) {
  if (c < 128) {
    if (!asciiReady_[c]) {
      ascii_[c] = render(c);
      asciiReady_[c] = true;
    }
    return ascii_[c];
  }
  auto it = others_.find(c);
  if (it != others_.end()) return it->second;
  return others_.emplace(c, render(c)).first->second;
}

void FontEngine::trim() {
  if (others_.size() <= kCacheGlyphs && pool_.size() <= kCacheBytes) return;
  others_.clear();
  asciiReady_.reset();
  pool_.clear();
  ++generation_;
}

}  // namespace win32::gdi
