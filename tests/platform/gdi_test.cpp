// The GDI subset: object lifetimes and selection, DIB sections, fonts and their metrics, and
// DrawText's layout (measuring, line breaks, word breaking, alignment, clipping, prefixes,
// tabs) and rasterisation (grey coverage, colours, real CJK glyphs).
#include "gdi_canvas.h"

namespace {

LOGFONTA Face(const char* name, LONG height = 0, LONG weight = 0) {
  LOGFONTA lf{};
  std::strncpy(lf.lfFaceName, name, LF_FACESIZE - 1);
  lf.lfHeight = height;
  lf.lfWeight = weight;
  return lf;
}

long Sum(const std::vector<uint8_t>& image) {
  long s = 0;
  for (uint8_t v : image) s += v;
  return s;
}

TEST(GdiObjects, SelectionReturnsThePreviousObjectAndGuardsDeletion) {
  HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
  ASSERT_NE(a, nullptr);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, -8, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HBITMAP dib = CreateDIBSection(a, &bi, DIB_RGB_COLORS, nullptr, nullptr, 0);
  ASSERT_NE(dib, nullptr);
  HGDIOBJ stockBitmap = SelectObject(a, dib);
  ASSERT_NE(stockBitmap, nullptr);
  EXPECT_EQ(SelectObject(b, dib), nullptr) << "a bitmap belongs to one DC at a time";
  EXPECT_EQ(SelectObject(b, stockBitmap), nullptr) << "a DC's default bitmap stays with it";
  EXPECT_FALSE(DeleteObject(dib)) << "deleted while selected";
  EXPECT_EQ(SelectObject(a, stockBitmap), dib);
  HGDIOBJ otherStock = SelectObject(b, dib);
  EXPECT_NE(otherStock, nullptr) << "free again once deselected";

  LOGFONTA lf{};
  HFONT font = CreateFontIndirectA(&lf);
  ASSERT_NE(font, nullptr);
  HGDIOBJ defaultFont = SelectObject(a, font);
  ASSERT_NE(defaultFont, nullptr);
  EXPECT_NE(SelectObject(b, font), nullptr) << "a font may be selected into several DCs";
  EXPECT_EQ(SelectObject(b, defaultFont), nullptr) << "a DC's default font stays with it";
  EXPECT_FALSE(DeleteObject(font));
  EXPECT_EQ(SelectObject(a, defaultFont), font);
  EXPECT_TRUE(DeleteObject(defaultFont)) << "default objects report success and live on";
  EXPECT_EQ(SelectObject(a, defaultFont), defaultFont);

  // Null, stock-object values and handles of the wrong kind are refused.
  EXPECT_EQ(SelectObject(a, GetStockObject(WHITE_BRUSH)), nullptr);
  EXPECT_EQ(SelectObject(a, nullptr), nullptr);
  EXPECT_EQ(SelectObject((HDC)font, dib), nullptr);
  EXPECT_FALSE(DeleteObject(nullptr));
  EXPECT_FALSE(DeleteObject(GetStockObject(WHITE_BRUSH)));
  EXPECT_FALSE(DeleteObject((HGDIOBJ)a));
  EXPECT_FALSE(DeleteDC((HDC)font));
  EXPECT_FALSE(DeleteDC(nullptr));

  EXPECT_TRUE(DeleteDC(b));  // deleting a DC lets go of what it held, the DIB and the font
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_TRUE(DeleteObject(dib));
  EXPECT_TRUE(DeleteDC(a));
}

TEST(GdiObjects, DibSectionsAreZeroedBoundedAndOrientedByTheHeightsSign) {
  auto make = [](LONG w, LONG h, WORD bits = 32, DWORD compression = BI_RGB, WORD planes = 1,
                 void** px = nullptr) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, planes, bits, compression, 0, 0, 0, 0, 0};
    return CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, px, nullptr, 0);
  };
  EXPECT_EQ(make(8, -8, 24), nullptr);
  EXPECT_EQ(make(8, -8, 32, BI_BITFIELDS), nullptr);
  EXPECT_EQ(make(8, -8, 32, BI_RGB, 2), nullptr);
  EXPECT_EQ(make(0, -8), nullptr);
  EXPECT_EQ(make(-8, 8), nullptr);
  EXPECT_EQ(make(8, 0), nullptr);
  EXPECT_EQ(make(65536, -65536), nullptr) << "16 GiB of pixels";
  EXPECT_EQ(make(0x7FFFFFFF, INT32_MIN), nullptr);
  EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, -8, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  int mapping = 0;
  EXPECT_EQ(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, nullptr, &mapping, 0), nullptr);

  // The first line of text lands in the first rows of a top-down DIB, the last of a bottom-up one.
  for (LONG sign : {-1, 1}) {
    uint32_t* px = nullptr;
    HBITMAP dib = make(64, sign * 64, 32, BI_RGB, 1, (void**)&px);
    ASSERT_NE(dib, nullptr);
    EXPECT_TRUE(std::all_of(px, px + 64 * 64, [](uint32_t p) { return p == 0; }));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, dib);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
    RECT r = {0, 0, 64, 20};
    EXPECT_GT(DrawTextW(dc, u"H", -1, &r, 0), 0);
    long top = 0, bottom = 0;
    for (int i = 0; i < 64 * 20; ++i) top += px[i] & 0xFF, bottom += px[64 * 64 - 1 - i] & 0xFF;
    EXPECT_GT(sign < 0 ? top : bottom, 0);
    EXPECT_EQ(sign < 0 ? bottom : top, 0);
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
  }
}

TEST(GdiObjects, ColoursAndModesReturnThePreviousValues) {
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 255));
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(dc, 3), 0);
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  EXPECT_EQ(SetBkColor(dc, RGB(1, 2, 3)), RGB(255, 255, 255));
  EXPECT_EQ(GetBkColor(dc), RGB(1, 2, 3));
  EXPECT_EQ(SetTextColor(dc, RGB(4, 5, 6)), RGB(0, 0, 0));
  EXPECT_EQ(GetTextColor(dc), RGB(4, 5, 6));
  EXPECT_EQ(SetBkColor(nullptr, 0), CLR_INVALID);
  EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
  EXPECT_EQ(SetBkMode(nullptr, OPAQUE), 0);
  TEXTMETRICA tm;
  EXPECT_FALSE(GetTextMetricsA(nullptr, &tm));
  EXPECT_FALSE(GetTextMetricsA(dc, nullptr));
  EXPECT_TRUE(GetTextMetricsA(dc, &tm)) << "a fresh DC draws with the default font";
  EXPECT_TRUE(DeleteDC(dc));
  OSVERSIONINFOA v{};
  EXPECT_FALSE(GetVersionExA(&v));
  v.dwOSVersionInfoSize = sizeof v;
  ASSERT_TRUE(GetVersionExA(&v));
  EXPECT_EQ(v.dwPlatformId, (DWORD)VER_PLATFORM_WIN32_NT);
}

TEST(GdiFonts, MetricsFollowTheRequestedHeight) {
  struct Case {
    LONG height;
    LONG em, cell;  // 0: not pinned
  } cases[] = {{0, 16, 0}, {-20, 20, 0}, {-9, 9, 0}, {30, 0, 30}, {12, 0, 12}};
  for (const Case& c : cases) {
    LOGFONTA lf = Face("", c.height);
    Canvas canvas(64, 64, &lf);
    TEXTMETRICW tm = canvas.metrics();
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    if (c.em) {
      EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, c.em) << c.height;
    }
    if (c.cell) {
      EXPECT_EQ(tm.tmHeight, c.cell) << c.height;
    }
    EXPECT_GT(tm.tmAveCharWidth, 0);
    EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
    // A line of text is one cell high.
    EXPECT_EQ(canvas.measure(u"Hg").bottom, tm.tmHeight);
  }
  // A height far past any screen is cut, not allocated.
  LOGFONTA huge = Face("", -1000000000);
  Canvas canvas(64, 64, &huge);
  EXPECT_LE(canvas.metrics().tmHeight, 4096);
  EXPECT_GT(canvas.draw(u"W", {0, 0, 64, 64}), 0);
}

TEST(GdiFonts, AFaceThatDoesNotExistFallsBackToTheDefaultFace) {
  LOGFONTA missing = Face("No Such Face Anywhere");
  LOGFONTA latin = Face("DejaVu Sans");
  Canvas byDefault, fallback(400, 200, &missing), dejavu(400, 200, &latin);
  const std::u16string text = u"Skyvale 进退";
  EXPECT_EQ(fallback.imageOf(text), byDefault.imageOf(text));
  EXPECT_NE(dejavu.imageOf(u"Skyvale"), byDefault.imageOf(u"Skyvale")) << "the named face is not used";
  // Its Chinese comes from a face that has it, not as missing-glyph boxes.
  EXPECT_NE(dejavu.imageOf(u"进"), dejavu.imageOf(u"\uFFFF"));
}

TEST(GdiFonts, GetObjectGivesTheDescriptionBackInAnsi) {
  LOGFONTA narrow = Face("DejaVu Sans");
  narrow.lfHeight = -20;
  narrow.lfItalic = 1;
  HFONT a = CreateFontIndirectA(&narrow);
  LOGFONTA got;
  std::memset(&got, 0xCD, sizeof got);
  EXPECT_EQ(GetObjectA(a, 0, nullptr), (int)sizeof(LOGFONTA));
  EXPECT_EQ(GetObjectA(a, sizeof got - 1, &got), 0);
  ASSERT_EQ(GetObjectA(a, sizeof got, &got), (int)sizeof(LOGFONTA));
  EXPECT_EQ(std::memcmp(&got, &narrow, sizeof got), 0);

  LOGFONTW wide{};
  wide.lfWeight = FW_BOLD;
  std::memcpy(wide.lfFaceName, u"微软雅黑", 5 * sizeof(char16_t));
  HFONT w = CreateFontIndirectW(&wide);
  ASSERT_EQ(GetObjectA(w, sizeof got, &got), (int)sizeof(LOGFONTA));
  EXPECT_EQ(got.lfWeight, FW_BOLD);
  EXPECT_STREQ(got.lfFaceName, "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA");  // the face in code page 936

  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetObjectA(dc, sizeof got, &got), 0);
  EXPECT_EQ(GetObjectA(nullptr, sizeof got, &got), 0);
  DeleteDC(dc);
  DeleteObject(a);
  DeleteObject(w);
}

TEST(GdiFonts, ChineseTextIsDrawnWithRealGlyphs) {
  Canvas canvas;
  const std::vector<uint8_t> box = canvas.imageOf(u"\uFFFF");  // no face has a noncharacter
  ASSERT_GT(Sum(box), 0) << "the missing glyph draws a box";
  const std::vector<uint8_t> latin = canvas.imageOf(u"W");
  std::vector<std::vector<uint8_t>> seen;
  for (char16_t c : std::u16string(u"进退左右移动；↑仰↓俯→←旋转关闭立体模式开启眼视图")) {
    std::vector<uint8_t> image = canvas.imageOf(std::u16string(1, c));
    EXPECT_GT(Sum(image), 0) << (int)c;
    EXPECT_NE(image, box) << "U+" << std::hex << (int)c << " drew the missing-glyph box";
    EXPECT_NE(image, latin);
    for (const auto& other : seen) EXPECT_NE(image, other) << "U+" << std::hex << (int)c;
    seen.push_back(image);
  }
  // ANSI text is code page 936.
  canvas.clear();
  RECT r = {0, 0, 400, 200};
  EXPECT_GT(DrawTextA(canvas.dc(), "W \xBD\xF8 S \xCD\xCB", -1, &r, 0), 0);
  EXPECT_EQ(canvas.coverageImage(), canvas.imageOf(u"W 进 S 退"));
}

TEST(GdiRaster, CoverageIsGreyInEveryChannelAndColoursBlendPerChannel) {
  Canvas canvas;
  canvas.draw(u"Anti-aliased 进退 text", {0, 0, 400, 200});
  int partial = 0;
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      uint32_t p = canvas.pixel(x, y);
      ASSERT_EQ(p >> 24, 0u);
      ASSERT_EQ((p >> 16) & 0xFF, p & 0xFF) << x << "," << y;
      ASSERT_EQ((p >> 8) & 0xFF, p & 0xFF) << x << "," << y;
      partial += (p & 0xFF) > 0 && (p & 0xFF) < 255;
    }
  EXPECT_GT(partial, 20) << "no grey levels: not anti-aliased";

  // Red text on an opaque blue background: the line's box is blue, coverage mixes the two.
  SetTextColor(canvas.dc(), RGB(255, 0, 0));
  SetBkColor(canvas.dc(), RGB(0, 0, 255));
  canvas.clear();
  const LONG w = canvas.widthOf(u"Hi"), h = canvas.metrics().tmHeight;
  canvas.draw(u"Hi", {10, 10, 400, 200});
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      uint32_t p = canvas.pixel(x, y);
      bool inBox = x >= 10 && x < 10 + w && y >= 10 && y < 10 + h;
      if (!inBox) {
        ASSERT_EQ(p, 0u) << x << "," << y;
        continue;
      }
      ASSERT_EQ((p >> 8) & 0xFF, 0u);
      ASSERT_NEAR((int)((p >> 16) & 0xFF) + (int)(p & 0xFF), 255, 1)
          << "red and blue mix by coverage at " << x << "," << y;
    }
  // Transparent mode leaves the background alone.
  SetBkMode(canvas.dc(), TRANSPARENT);
  canvas.clear();
  canvas.draw(u"Hi", {10, 10, 400, 200});
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) ASSERT_EQ(canvas.pixel(x, y) & 0xFF, 0u);

  LOGFONTA mono{};
  mono.lfQuality = NONANTIALIASED_QUALITY;
  Canvas bilevel(400, 200, &mono);
  for (uint8_t v : bilevel.imageOf(u"Bilevel 进")) ASSERT_TRUE(v == 0 || v == 255);
}

TEST(GdiRaster, BoldAndUnderlineAddInk) {
  LOGFONTA bold = Face("", 0, FW_BOLD), underline{};
  underline.lfUnderline = TRUE;
  Canvas normal, heavy(400, 200, &bold), lined(400, 200, &underline);
  const long n = Sum(normal.imageOf(u"Weight 进")), b = Sum(heavy.imageOf(u"Weight 进"));
  EXPECT_GT(b, n + n / 10);
  normal.imageOf(u"xxxx");
  lined.imageOf(u"xxxx");
  EXPECT_GT(lined.ink().bottom, normal.ink().bottom) << "the underline lies below the letters";
}

TEST(DrawText, CalcRectMeasuresWithoutDrawing) {
  Canvas canvas;
  const LONG lineHeight = canvas.metrics().tmHeight;
  RECT r = {5, 7, 300, 100};
  EXPECT_EQ(DrawTextW(canvas.dc(), u"Measure me", -1, &r, DT_CALCRECT), lineHeight);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.top, 7);
  EXPECT_EQ(r.bottom, 7 + lineHeight);
  EXPECT_EQ(r.right - r.left, canvas.widthOf(u"Measure me"));
  EXPECT_TRUE(canvas.ink().empty());
  // No kerning: a text is as wide as its characters.
  EXPECT_EQ(canvas.widthOf(u"AV"), canvas.widthOf(u"A") + canvas.widthOf(u"V"));
  EXPECT_EQ(canvas.widthOf(u"W 进"), canvas.widthOf(u"W") + canvas.widthOf(u" ") + canvas.widthOf(u"进"));

  // With DT_CENTER the measured rectangle keeps its left and top; placing it is the caller's.
  r = {100, 50, 300, 90};
  EXPECT_EQ(DrawTextW(canvas.dc(), u"centred", -1, &r, DT_CALCRECT | DT_CENTER), lineHeight);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right, 100 + canvas.widthOf(u"centred"));
  EXPECT_EQ(r.bottom, 50 + lineHeight);

  // An empty text measures as nothing.
  r = {10, 10, 50, 50};
  EXPECT_EQ(DrawTextW(canvas.dc(), u"", 0, &r, DT_CALCRECT), 0);
  EXPECT_EQ(r.right, 10);
  EXPECT_EQ(r.bottom, 10);
  EXPECT_EQ(canvas.draw(u"", {0, 0, 100, 100}), 0);
  EXPECT_TRUE(canvas.ink().empty());
}

TEST(DrawText, LineBreaksEndLinesUnlessSingleLine) {
  Canvas canvas;
  const LONG h = canvas.metrics().tmHeight;
  EXPECT_EQ(canvas.measure(u"a\nb").bottom, 2 * h);
  EXPECT_EQ(canvas.measure(u"a\r\nb").bottom, 2 * h) << "CR LF is one break";
  EXPECT_EQ(canvas.measure(u"a\rb").bottom, 2 * h);
  EXPECT_EQ(canvas.measure(u"a\n\nb").bottom, 3 * h);
  EXPECT_EQ(canvas.measure(u"a\n").bottom, h) << "a break at the end adds no line";
  EXPECT_EQ(canvas.measure(u"\n").bottom, h);
  EXPECT_EQ(canvas.measure(u" 1 one\n 2 two\n 3 three\n 4 four\n").bottom, 4 * h);
  EXPECT_EQ(canvas.measure(u"a\nb", DT_SINGLELINE).bottom, h);
  EXPECT_EQ(canvas.measure(u"a\nb", DT_SINGLELINE).right, canvas.widthOf(u"ab")) << "breaks have no width";
  EXPECT_EQ(canvas.measure(u"ab\nlonger\nc").right, canvas.widthOf(u"longer"));
  // Without DT_WORDBREAK a long line runs past the rectangle.
  EXPECT_EQ(canvas.measure(u"one two three", 0, 20).right, canvas.widthOf(u"one two three"));
}

TEST(DrawText, WordBreakingWrapsBeforeTheWordThatWouldPassTheEdge) {
  Canvas canvas;
  const LONG h = canvas.metrics().tmHeight;
  const LONG two = canvas.widthOf(u"aaa aaa");
  RECT r = canvas.measure(u"aaa aaa aaa", DT_WORDBREAK, two);
  EXPECT_EQ(r.bottom, 2 * h);
  EXPECT_EQ(r.right, two) << "the blank at the break is not measured";
  EXPECT_EQ(canvas.measure(u"aaa aaa aaa", DT_WORDBREAK, two - 1).bottom, 3 * h);
  EXPECT_EQ(canvas.measure(u"aaa aaa aaa", DT_WORDBREAK, 1000).bottom, h);
  EXPECT_EQ(canvas.measure(u"aaa aaa aaa", DT_WORDBREAK | DT_SINGLELINE, two).bottom, h);
  // A word wider than the rectangle is not split; the measured width grows to it.
  r = canvas.measure(u"a unbreakableword b", DT_WORDBREAK, 30);
  EXPECT_EQ(r.bottom, 3 * h);
  EXPECT_EQ(r.right, canvas.widthOf(u"unbreakableword"));
  // Zero and negative widths put every word on its own line.
  EXPECT_EQ(canvas.measure(u"a b c", DT_WORDBREAK, 0).bottom, 3 * h);
  EXPECT_EQ(canvas.measure(u"a b c", DT_WORDBREAK, -50).bottom, 3 * h);

  // Full-width characters break anywhere, closing punctuation stays with what precedes it.
  const LONG han = canvas.widthOf(u"进");
  EXPECT_EQ(canvas.measure(u"进退左右移动", DT_WORDBREAK, 3 * han).bottom, 2 * h);
  EXPECT_EQ(canvas.measure(u"进退左右移动", DT_WORDBREAK | DT_NOFULLWIDTHCHARBREAK, 3 * han).bottom, h);
  r = canvas.measure(u"进；退", DT_WORDBREAK, 3 * han / 2);
  EXPECT_EQ(r.bottom, 2 * h);
  EXPECT_EQ(r.right, canvas.widthOf(u"进；"));
  EXPECT_EQ(canvas.measure(u"ab进cd", DT_WORDBREAK, canvas.widthOf(u"ab进")).bottom, 2 * h);

  // Drawing wraps the same way: the third word starts the second line at the left edge.
  Canvas alone, wrapped;
  alone.draw(u"ccc", {0, h, 400, 200});
  wrapped.draw(u"aaa aaa ccc", {0, 0, two, 200}, DT_WORDBREAK);
  EXPECT_EQ(wrapped.ink(0, h, 400, 2 * h).left, alone.ink().left);
}

TEST(DrawText, AlignmentMovesEachLineByItsOwnSpare) {
  Canvas canvas;
  const int W = canvas.width(), H = canvas.height();
  const LONG h = canvas.metrics().tmHeight;
  const std::u16string one = u"Centre 进";
  const LONG w = canvas.widthOf(one);
  const auto left = canvas.imageOf(one);
  EXPECT_EQ(canvas.imageOf(one, DT_CENTER), Shifted(left, W, H, (W - w) / 2, 0));
  EXPECT_EQ(canvas.imageOf(one, DT_RIGHT), Shifted(left, W, H, W - w, 0));
  EXPECT_EQ(canvas.imageOf(one, DT_SINGLELINE | DT_VCENTER), Shifted(left, W, H, 0, (H - h) / 2));
  EXPECT_EQ(canvas.imageOf(one, DT_SINGLELINE | DT_BOTTOM | DT_RIGHT), Shifted(left, W, H, W - w, H - h));
  EXPECT_EQ(canvas.imageOf(one, DT_VCENTER), left) << "vertical placement needs DT_SINGLELINE";

  // The result with vertical centring is the distance from the top to the text's bottom.
  EXPECT_EQ(canvas.draw(one, {0, 0, W, H}, DT_SINGLELINE | DT_VCENTER), (H - h) / 2 + h);
  EXPECT_EQ(canvas.draw(one, {0, 0, W, H}, DT_SINGLELINE | DT_BOTTOM), H);

  // Two centred lines of different widths are each centred.
  const std::u16string second = u"a much longer second line";
  const auto firstAlone = canvas.imageOf(one);
  canvas.clear();
  canvas.draw(second, {0, h, W, H});
  const auto secondAlone = canvas.coverageImage();
  const auto both = canvas.imageOf(one + u"\n" + second, DT_CENTER);
  const auto firstCentred = Shifted(firstAlone, W, H, (W - w) / 2, 0);
  const auto secondCentred = Shifted(secondAlone, W, H, (W - canvas.widthOf(second)) / 2, 0);
  for (size_t i = 0; i < both.size(); ++i)
    ASSERT_EQ(both[i], std::max(firstCentred[i], secondCentred[i])) << i;
}

TEST(DrawText, TextIsClippedToTheRectangleUnlessNoClip) {
  Canvas canvas;
  const std::u16string text = u"Much wider than the rectangle";
  canvas.draw(text, {10, 10, 60, 200});
  InkBox clipped = canvas.ink();
  EXPECT_LE(clipped.right, 59);
  EXPECT_GE(clipped.left, 10);
  canvas.clear();
  canvas.draw(text, {10, 10, 60, 12});
  EXPECT_LE(canvas.ink().bottom, 11) << "cut at the bottom edge too";
  canvas.clear();
  canvas.draw(text, {10, 10, 60, 200}, DT_NOCLIP);
  EXPECT_GT(canvas.ink().right, 100);

  // A rectangle partly off the bitmap's left edge draws the visible part.
  canvas.clear();
  EXPECT_GT(canvas.draw(text, {-30, 0, 400, 200}), 0);
  const auto offLeft = canvas.coverageImage();
  EXPECT_EQ(offLeft, Shifted(canvas.imageOf(text), canvas.width(), canvas.height(), -30, 0));
  // Rectangles outside the bitmap, empty or inside out draw nothing and still report the height.
  canvas.clear();
  const LONG h = canvas.metrics().tmHeight;
  EXPECT_EQ(canvas.draw(text, {1000, 1000, 2000, 2000}), h);
  EXPECT_EQ(canvas.draw(text, {50, 50, 50, 50}), h);
  EXPECT_EQ(canvas.draw(text, {50, 50, 10, 10}), h);
  EXPECT_EQ(canvas.draw(text, {-1000, 0, 400, 50}), h) << "a line wholly left of the bitmap";
  EXPECT_EQ(canvas.draw(text, {2000, 0, 2400, 50}), h) << "and wholly right of it";
  EXPECT_EQ(canvas.draw(text, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, DT_CENTER), h);
  EXPECT_TRUE(canvas.ink(0, 0, 400, 50).empty());
}

TEST(DrawText, PrefixesAndTabs) {
  Canvas canvas;
  EXPECT_EQ(canvas.widthOf(u"&File"), canvas.widthOf(u"File"));
  EXPECT_EQ(canvas.widthOf(u"a&&b"), canvas.measure(u"a&b", DT_NOPREFIX | DT_SINGLELINE).right);
  EXPECT_EQ(canvas.widthOf(u"&&"), canvas.measure(u"&", DT_NOPREFIX | DT_SINGLELINE).right);
  EXPECT_EQ(canvas.widthOf(u"ab&"), canvas.widthOf(u"ab")) << "a prefix with nothing after it";
  EXPECT_EQ(canvas.measure(u"a&b", DT_NOPREFIX | DT_SINGLELINE).right,
            canvas.widthOf(u"a") + canvas.widthOf(u"&&b"));
  const auto plain = canvas.imageOf(u"File");
  EXPECT_EQ(canvas.imageOf(u"&File", DT_HIDEPREFIX), plain);
  EXPECT_GT(Sum(canvas.imageOf(u"&File")), Sum(plain)) << "the prefixed letter is underlined";

  const LONG ave = canvas.metrics().tmAveCharWidth;
  ASSERT_LT(canvas.widthOf(u"a"), 2 * ave);
  EXPECT_EQ(canvas.measure(u"a\tb", DT_EXPANDTABS | DT_SINGLELINE).right, 8 * ave + canvas.widthOf(u"b"));
  // DT_TABSTOP takes bits 8-15 for the tab width (DT_CALCRECT among them), so draw and compare.
  const auto tabbed = canvas.imageOf(u"a\tb", DT_EXPANDTABS | DT_TABSTOP | (2 << 8));
  canvas.clear();
  canvas.draw(u"a", {0, 0, 400, 200});
  canvas.draw(u"b", {2 * ave, 0, 400, 200});
  EXPECT_EQ(tabbed, canvas.coverageImage());
  EXPECT_EQ(canvas.measure(u"a\tb", DT_SINGLELINE).right, canvas.widthOf(u"a b"))
      << "an unexpanded tab is a blank";
}

TEST(DrawText, BadInputGivesZeroOrStopsAtTheTerminator) {
  Canvas canvas;
  RECT r = {0, 0, 100, 100};
  EXPECT_EQ(DrawTextW(canvas.dc(), nullptr, -1, &r, 0), 0);
  EXPECT_EQ(DrawTextW(canvas.dc(), u"x", -1, nullptr, 0), 0);
  EXPECT_EQ(DrawTextW(nullptr, u"x", -1, &r, 0), 0);
  EXPECT_EQ(DrawTextA(canvas.dc(), nullptr, -1, &r, 0), 0);
  EXPECT_EQ(DrawTextA((HDC)GetStockObject(WHITE_BRUSH), "x", -1, &r, 0), 0);

  // A count past the end ends at the terminator; anything after it is never read.
  const char ansi[] = {'a', 'b', 0, 'X', 'Y', 'Z'};
  const char16_t wide[] = {u'a', u'b', 0, u'X', u'Y', u'Z'};
  const auto ab = canvas.imageOf(u"ab");
  canvas.clear();
  DrawTextA(canvas.dc(), ansi, 6, &r, 0);
  EXPECT_EQ(canvas.coverageImage(), ab);
  canvas.clear();
  r = {0, 0, 100, 100};
  DrawTextW(canvas.dc(), wide, 1000, &r, 0);
  EXPECT_EQ(canvas.coverageImage(), ab);
  canvas.clear();
  r = {0, 0, 100, 100};
  DrawTextW(canvas.dc(), wide, -7, &r, 0);
  EXPECT_EQ(canvas.coverageImage(), ab) << "any negative count means a terminated string";
  EXPECT_EQ(canvas.measure(std::u16string(u"ab", 1)).right, canvas.widthOf(u"a"));

  // Invalid GBK and lone surrogates draw replacement or missing glyphs.
  r = {0, 0, 400, 100};
  EXPECT_GT(DrawTextA(canvas.dc(), "\xFF\x81 a \x81", -1, &r, 0), 0);
  RECT m = {0, 0, 400, 100};
  DrawTextA(canvas.dc(), "\xFF\x81 a \x81", -1, &m, DT_CALCRECT);
  EXPECT_EQ(m.right, canvas.widthOf(u"\uFFFD\uFFFD a \uFFFD"));
  EXPECT_GT(canvas.draw(u"\xD800 x \xDC00", {0, 0, 400, 100}), 0);
}

}  // namespace
