// DrawText keeps a text's layout for the next call with the same text: every change that alters
// the layout (font, flags, wrapping width, text, the font's glyph cache emptied) must lay it out
// again, so each result equals that of a DC that never drew before.
#include <string>

#include "gdi_canvas.h"

namespace {

LOGFONTA Sized(LONG height) {
  LOGFONTA lf{};
  lf.lfHeight = height;
  return lf;
}

// What a DC that has drawn nothing before makes of the text: the image and the measured box.
struct Fresh {
  std::vector<uint8_t> image;
  RECT box;
};
Fresh FreshResult(const LOGFONTA& lf, const std::u16string& text, UINT format, LONG width = 400) {
  Fresh r;
  {
    Canvas canvas(400, 200, &lf);
    canvas.draw(text, {0, 0, width, 200}, format);
    r.image = canvas.coverageImage();
  }
  Canvas canvas(400, 200, &lf);
  r.box = {0, 0, width, 200};
  DrawTextW(canvas.dc(), (LPCWSTR)text.c_str(), -1, &r.box, format | DT_CALCRECT);
  return r;
}

TEST(DrawTextReuse, FlagsWidthsAndTextsEachGetTheirOwnLayout) {
  const LOGFONTA lf = Sized(0);
  Canvas canvas(400, 200, &lf);
  const std::u16string wrapping = u"&Words that wrap\tat some width 进退 &&x";
  struct Step {
    std::u16string text;
    UINT format;
    LONG width;
  };
  // Each step follows one that shares the text, so a stale layout would be taken.
  const Step steps[] = {
      {wrapping, 0, 400},
      {wrapping, DT_HIDEPREFIX, 400},
      {wrapping, DT_NOPREFIX, 400},
      {wrapping, DT_EXPANDTABS, 400},
      {wrapping, DT_EXPANDTABS | DT_TABSTOP | 0x300, 400},
      {wrapping, DT_WORDBREAK, 400},
      {wrapping, DT_WORDBREAK, 90},
      {wrapping, DT_WORDBREAK, 150},
      {wrapping, DT_WORDBREAK | DT_SINGLELINE, 150},
      {u"Two\nlines", 0, 400},
      {u"Two\nlines", DT_SINGLELINE, 400},
      {u"Two\nline", DT_SINGLELINE, 400},
      {u"进进进进进进进进进进进进进进进进进进", DT_WORDBREAK, 100},
      {u"进进进进进进进进进进进进进进进进进进", DT_WORDBREAK | DT_NOFULLWIDTHCHARBREAK, 100},
  };
  for (const Step& step : steps) {
    const Fresh expected = FreshResult(lf, step.text, step.format, step.width);
    RECT box = {0, 0, step.width, 200};
    DrawTextW(canvas.dc(), (LPCWSTR)step.text.c_str(), -1, &box, step.format | DT_CALCRECT);
    EXPECT_EQ(box.right, expected.box.right) << step.format << " width " << step.width;
    EXPECT_EQ(box.bottom, expected.box.bottom) << step.format << " width " << step.width;
    canvas.clear();
    canvas.draw(step.text, {0, 0, step.width, 200}, step.format);
    EXPECT_EQ(canvas.coverageImage(), expected.image) << step.format << " width " << step.width;
  }
}

TEST(DrawTextReuse, AnotherFontEvenAtTheSameAddressLaysTheTextOutAgain) {
  // Upright and slanted: the same metrics, so only the glyphs tell the layouts apart.
  const LOGFONTA upright = Sized(-16);
  LOGFONTA slanted = upright;
  slanted.lfItalic = TRUE;
  ASSERT_NE(FreshResult(upright, u"Same text 进退", 0).image,
            FreshResult(slanted, u"Same text 进退", 0).image);
  Canvas canvas(400, 200, &upright);
  const std::u16string text = u"Same text 进退";
  const std::vector<uint8_t> uprightImage = canvas.imageOf(text);
  // Fonts of two sizes in turn, each deleted before the next is made, so that one lands where the
  // one before was; nothing is drawn in between.
  HGDIOBJ original = nullptr;
  int reused = 0;
  const void* last = nullptr;
  for (int i = 0; i < 8; ++i) {
    HFONT f = CreateFontIndirectA(i % 2 ? &upright : &slanted);
    reused += f == last;
    last = f;
    HGDIOBJ previous = SelectObject(canvas.dc(), f);
    if (!original) original = previous;
    EXPECT_EQ(canvas.imageOf(text), FreshResult(i % 2 ? upright : slanted, text, 0).image) << i;
    SelectObject(canvas.dc(), original);
    DeleteObject(f);
  }
  EXPECT_EQ(canvas.imageOf(text), uprightImage);
  // Allocators that hold freed memory back (a sanitizer's) never give an address out again.
  if (reused == 0) GTEST_SKIP() << "no font was made at a deleted one's address";
}

TEST(DrawTextReuse, AGlyphCacheEmptiedByAnotherDcLaysTheTextOutAgain) {
  // Two DCs share one font, so one glyph cache; the second fills it past its budget with
  // thousands of different characters and then draws again, which empties and refills it.
  LOGFONTA lf = Sized(0);
  HFONT shared = CreateFontIndirectA(&lf);
  Canvas first(400, 200), second(400, 200);
  HGDIOBJ firstPrevious = SelectObject(first.dc(), shared),
          secondPrevious = SelectObject(second.dc(), shared);
  const std::u16string text = u"进退 keep";
  const std::vector<uint8_t> before = first.imageOf(text);
  std::u16string many;
  for (char16_t c = 0x4E00; c < 0x4E00 + 4200; ++c) many.push_back(c);
  second.draw(many, {0, 0, 400, 200});
  second.draw(u"龜龍鳳麟 other glyphs first", {0, 0, 400, 200});
  EXPECT_EQ(first.imageOf(text), before);
  SelectObject(first.dc(), firstPrevious);
  SelectObject(second.dc(), secondPrevious);
  EXPECT_TRUE(DeleteObject(shared));
}

}  // namespace
