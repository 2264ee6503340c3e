// The font: creation and its arguments, the renderer shared per device, the text box (fitting,
// placement, DT_CALCRECT), tiles and the DIB, the Begin/End bracket and its state blocks, lost
// and reset devices, hostile text, and the pixels the text leaves on the target.
#include <algorithm>
#include <climits>
#include <set>

#include "../../d3dx/font/font_renderer.h"
#include "../platform/gdi_canvas.h"
#include "choosy_direct3d.h"
#include "font_fixture.h"

namespace {

using d3dx::font::FontRenderer;

enum class Tiles { Dynamic, Managed };

// A tile as the sprite put it on the screen: its top-left pixel and size.
struct TileQuad {
  float x, y, width, height;
  D3DCOLOR color;
};

class FontTest : public FontDeviceTest, public ::testing::WithParamInterface<Tiles> {
 protected:
  void SetUp() override {
    FontDeviceTest::SetUp();
    CreateDevice();
    device->hideDynamicTextures = GetParam() == Tiles::Managed;
    LOGFONTA lf{};
    ASSERT_EQ(D3DXCreateFontIndirect(device, &lf, &font), D3D_OK);
    device->drawn.clear();
    device->Clear();
  }
  void TearDown() override {
    if (font) {
      EXPECT_EQ(font->Release(), 0u);
    }
    FontDeviceTest::TearDown();
  }

  // Every quad drawn so far; pre-transformed corners carry the pixel position less half a pixel.
  std::vector<TileQuad> Quads() const {
    std::vector<TileQuad> out;
    for (const auto& bytes : device->drawn) {
      float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
      D3DCOLOR color = 0;
      for (size_t at = 0; at + 28 <= bytes.size(); at += 28) {
        float f[4];
        std::memcpy(f, &bytes[at], sizeof f);
        std::memcpy(&color, &bytes[at + 16], 4);
        x0 = std::min(x0, f[0]), x1 = std::max(x1, f[0]);
        y0 = std::min(y0, f[1]), y1 = std::max(y1, f[1]);
      }
      // Whole pixels, which the quads' corners are to well within a thousandth.
      auto whole = [](float v) { return std::abs(v - std::round(v)) < 1e-3f ? std::round(v) : v; };
      out.push_back({whole(x0 + 0.5f), whole(y0 + 0.5f), whole(x1 - x0), whole(y1 - y0), color});
    }
    return out;
  }
  std::vector<long long> TexturesSet() const {
    std::vector<long long> out;
    for (const auto& c : device->calls)
      if (c.name == "SetTexture" && c.args[1]) out.push_back(c.args[1]);
    return out;
  }
  FontRenderer::Layout Layout() const { return FontRenderer::Find(device)->layout(); }

  ID3DXFont* font = nullptr;
  Canvas reference{640, 200};  // GDI itself, with the same default font, white on black
};

// Tiles of 64 x 16 over a measured box.
size_t TileRows(const RECT& box) { return (size_t)(box.bottom + 15) / 16; }
size_t TileCount(const RECT& box) { return (size_t)(box.right + 63) / 64 * TileRows(box); }

// Two lines that are both wider and taller than a 150 x 20 rectangle.
const char kTwoLongLines[] =
    "The quick brown fox jumps over the lazy dog\nThe quick brown fox jumps over the lazy dog";

TEST_P(FontTest, CreationArgumentsInterfacesAndTheSharedRenderer) {
  LOGFONTA lf{};
  ID3DXFont* other = nullptr;
  EXPECT_EQ(D3DXCreateFontIndirect(nullptr, &lf, &other), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateFontIndirect(device, nullptr, &other), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXCreateFontIndirect(device, &lf, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(font->GetDevice(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(font->GetLogFont(nullptr), D3DERR_INVALIDCALL);

  std::strcpy(lf.lfFaceName, "Serif");
  lf.lfHeight = -24;
  lf.lfWeight = FW_BOLD;
  ASSERT_EQ(D3DXCreateFontIndirect(device, &lf, &other), D3D_OK);
  LOGFONTA back;
  std::memset(&back, 0xCD, sizeof back);
  ASSERT_EQ(other->GetLogFont(&back), D3D_OK);
  EXPECT_EQ(std::memcmp(&back, &lf, sizeof lf), 0);
  IDirect3DDevice9* got = nullptr;
  ASSERT_EQ(other->GetDevice(&got), D3D_OK);
  EXPECT_EQ(got, device);
  got->Release();

  void* unknown = nullptr;
  ASSERT_EQ(other->QueryInterface(IID_ID3DXFont, &unknown), S_OK);
  EXPECT_EQ(unknown, other);
  EXPECT_EQ(other->Release(), 1u);
  EXPECT_EQ(other->QueryInterface(IID_ID3DXSprite, &unknown), E_NOINTERFACE);

  // One renderer for the device whatever the number of fonts; it goes with the last of them.
  FontRenderer* shared = FontRenderer::Find(device);
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(other->Release(), 0u);
  EXPECT_EQ(FontRenderer::Find(device), shared);
  EXPECT_EQ(font->Release(), 0u);
  font = nullptr;
  EXPECT_EQ(FontRenderer::Find(device), nullptr);
}

TEST_P(FontTest, TextOf150By20IsDrawnAsSixTilesInTurn) {
  RECT r = {10, 30, 160, 50};
  EXPECT_EQ(font->DrawTextA(kTwoLongLines, -1, &r, 0, 0xFFFFFFFF), reference.measure(u"A\nA").bottom);
  std::vector<TileQuad> q = Quads();
  ASSERT_EQ(q.size(), 6u);
  const float xs[] = {10, 74, 138}, widths[] = {64, 64, 22}, ys[] = {30, 46}, heights[] = {16, 4};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(q[i].x, xs[i % 3]) << i;
    EXPECT_EQ(q[i].width, widths[i % 3]) << i;
    EXPECT_EQ(q[i].y, ys[i / 3]) << i;
    EXPECT_EQ(q[i].height, heights[i / 3]) << i;
  }
  // Managed tiles go through eight textures in turn; a dynamic one is locked with discard each time.
  std::vector<long long> textures = TexturesSet();
  ASSERT_EQ(textures.size(), 6u);
  EXPECT_EQ(std::set<long long>(textures.begin(), textures.end()).size(),
            GetParam() == Tiles::Managed ? 6u : 1u);
  EXPECT_EQ(Layout().useDynamic, GetParam() == Tiles::Dynamic);
  EXPECT_EQ(Layout().texWidth, 64u);
  EXPECT_EQ(Layout().texHeight, 16u);
}

TEST_P(FontTest, DibGrowsByHalvesAndIsReused) {
  std::string wide = "W";
  while (reference.widthOf(std::u16string(wide.begin(), wide.end())) <= 300) wide += "W";
  ASSERT_LE(reference.widthOf(std::u16string(wide.begin(), wide.end())), 384);
  EXPECT_EQ(Layout().dibWidth, 256);
  RECT r = {0, 0, 640, 40};
  EXPECT_GT(font->DrawTextA(wide.c_str(), -1, &r, 0, 0xFFFFFFFF), 0);
  EXPECT_EQ(Layout().dibWidth, 384);
  EXPECT_EQ(Layout().dibHeight, 256);
  const void* bits = Layout().dibBits;
  EXPECT_EQ(Quads().size(), TileCount(reference.measure(std::u16string(wide.begin(), wide.end()))));

  r = {0, 0, 640, 40};
  EXPECT_GT(font->DrawTextA("WWWWWWWWWW", -1, &r, 0, 0xFFFFFFFF), 0);
  EXPECT_EQ(Layout().dibBits, bits);
  EXPECT_EQ(Layout().dibWidth, 384);

  // Taller than 256 (and 384): height grows 256 -> 384 -> 576; the width is kept.
  std::string tall;
  for (int i = 0; i < 30; ++i) tall += "x\n";
  const LONG tallHeight = reference.measure(std::u16string(tall.begin(), tall.end()), 0, 640, 2000).bottom;
  ASSERT_GT(tallHeight, 384);
  ASSERT_LE(tallHeight, 576);
  r = {0, 0, 100, 2000};
  EXPECT_EQ(font->DrawTextA(tall.c_str(), -1, &r, 0, 0xFFFFFFFF), tallHeight);
  EXPECT_EQ(Layout().dibWidth, 384);
  EXPECT_EQ(Layout().dibHeight, 576);
}

TEST_P(FontTest, CalcRectPlacesTheMeasuredBoxAndDrawsNothing) {
  const RECT m = reference.measure(u"Hello");
  RECT r = {100, 100, 300, 140};
  EXPECT_EQ(font->DrawTextA("Hello", -1, &r, DT_CALCRECT | DT_CENTER, 0xFFFFFFFF), m.bottom);
  const LONG x = (100 + 300 - m.right) >> 1;
  EXPECT_EQ(r.left, x);
  EXPECT_EQ(r.right, x + m.right);
  EXPECT_EQ(r.top, 100);
  EXPECT_EQ(r.bottom, 100 + m.bottom);

  // Right and bottom alignment, and a vertical centre that rounds down with the arithmetic shift.
  r = {-101, 0, 0, 41};
  font->DrawTextA("Hello", -1, &r, DT_CALCRECT | DT_RIGHT | DT_VCENTER | DT_SINGLELINE, 0xFFFFFFFF);
  EXPECT_EQ(r.left, -m.right);
  EXPECT_EQ(r.right, 0);
  EXPECT_EQ(r.top, (41 - m.bottom) >> 1);
  EXPECT_EQ(r.bottom - r.top, m.bottom);
  r = {0, 0, 50, 10};
  font->DrawTextA("Hello", -1, &r, DT_CALCRECT | DT_BOTTOM | DT_SINGLELINE, 0xFFFFFFFF);
  EXPECT_EQ(r.top, 10 - m.bottom);  // the box may lie outside the rectangle it was measured for

  // Extreme edges wrap instead of overflowing.
  r = {INT_MAX - 10, INT_MIN, INT_MAX, INT_MAX};
  font->DrawTextA("Hello", -1, &r, DT_CALCRECT | DT_CENTER, 0xFFFFFFFF);
  EXPECT_TRUE(device->drawn.empty());
  EXPECT_EQ(device->Count("DrawPrimitiveUP"), 0);
  EXPECT_EQ(device->Count("BeginStateBlock"), 0);
}

TEST_P(FontTest, WideTextIsCutAtTheRightEdgeUnlessNoClip) {
  const LONG width = reference.widthOf(u"The quick brown fox");
  ASSERT_GT(width, 100);
  RECT r = {-30, 10, 70, 40};  // partly off the left of the screen
  font->DrawTextA("The quick brown fox", -1, &r, 0, 0xFFFFFFFF);
  std::vector<TileQuad> cut = Quads();
  ASSERT_EQ(cut.size(), 2 * TileRows(reference.measure(u"The quick brown fox")));  // 100 wide: 64 + 36
  EXPECT_EQ(cut[0].x, -30);
  EXPECT_EQ(cut[1].x + cut[1].width, 70);

  device->drawn.clear();
  font->DrawTextA("The quick brown fox", -1, &r, DT_NOCLIP, 0xFFFFFFFF);
  std::vector<TileQuad> whole = Quads();
  ASSERT_EQ(whole.size(), TileCount(reference.measure(u"The quick brown fox")));
  EXPECT_EQ(whole.back().x + whole.back().width, -30 + width);
}

TEST_P(FontTest, BeginEndMisuseAndOneBracketForAllFontsOfADevice) {
  EXPECT_EQ(font->End(), D3DERR_INVALIDCALL);
  LOGFONTA lf{};
  lf.lfHeight = -30;
  ID3DXFont* other = nullptr;
  ASSERT_EQ(D3DXCreateFontIndirect(device, &lf, &other), D3D_OK);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device->Clear();

  EXPECT_EQ(font->Begin(), D3D_OK);
  EXPECT_EQ(other->Begin(), D3DERR_INVALIDCALL);  // the bracket is the renderer's
  EXPECT_EQ(RenderState(D3DRS_ZENABLE), (DWORD)FALSE);
  RECT r = {0, 0, 200, 40};
  EXPECT_GT(other->DrawTextA("one", -1, &r, 0, 0xFFFFFFFF), 0);
  EXPECT_GT(font->DrawTextA("two", -1, &r, 0, 0xFFFFFFFF), 0);
  EXPECT_EQ(RenderState(D3DRS_ZENABLE), (DWORD)FALSE);  // still inside
  EXPECT_EQ(other->End(), D3D_OK);
  EXPECT_EQ(font->End(), D3DERR_INVALIDCALL);
  EXPECT_EQ(RenderState(D3DRS_ZENABLE), (DWORD)D3DZB_TRUE);

  // The font's two blocks and the sprite's two are recorded once, at the first Begin.
  EXPECT_EQ(device->Count("BeginStateBlock"), 4);
  font->DrawTextA("three", -1, &r, 0, 0xFFFFFFFF);  // brackets itself
  EXPECT_EQ(device->Count("BeginStateBlock"), 4);
  EXPECT_EQ(RenderState(D3DRS_ZENABLE), (DWORD)D3DZB_TRUE);
  EXPECT_EQ(other->Release(), 0u);
}

TEST_P(FontTest, NullEmptyAndShortenedStrings) {
  RECT r = {0, 0, 200, 40};
  EXPECT_EQ(font->DrawTextA(nullptr, -1, &r, 0, 0xFFFFFFFF), 0);
  EXPECT_EQ(font->DrawTextW(nullptr, -1, &r, 0, 0xFFFFFFFF), 0);
  EXPECT_EQ(font->DrawTextA("abc", -1, nullptr, 0, 0xFFFFFFFF), 0);

  RECT expected = {0, 0, 200, 40};
  const int empty = DrawTextA(reference.dc(), "", 0, &expected, DT_CALCRECT);
  EXPECT_EQ(font->DrawTextA("", 0, &r, 0, 0xFFFFFFFF), empty);
  EXPECT_EQ(font->DrawTextW(u"", -1, &r, 0, 0xFFFFFFFF), empty);
  EXPECT_TRUE(device->drawn.empty());

  // A count past the end stops at the terminating zero: exactly-sized buffers, no read beyond.
  const char abc[4] = {'a', 'b', 'c', 0};
  const char16_t wabc[4] = {u'a', u'b', u'c', 0};
  const int height = font->DrawTextA("abc", -1, &r, 0, 0xFFFFFFFF);
  const std::vector<TileQuad> whole = Quads();
  device->drawn.clear();
  EXPECT_EQ(font->DrawTextA(abc, 1000, &r, 0, 0xFFFFFFFF), height);
  EXPECT_EQ(font->DrawTextW(wabc, INT_MAX, &r, 0, 0xFFFFFFFF), height);
  const std::vector<TileQuad> past = Quads();
  ASSERT_EQ(past.size(), 2 * whole.size());
  EXPECT_EQ(past[0].width, whole[0].width);
  EXPECT_EQ(past.back().width, whole.back().width);

  // A shorter count measures only its characters.
  device->drawn.clear();
  RECT calc = {0, 0, 200, 40};
  font->DrawTextA("abcdef", 2, &calc, DT_CALCRECT, 0xFFFFFFFF);
  EXPECT_EQ(calc.right, reference.widthOf(u"ab"));
}

TEST_P(FontTest, InvalidTextAndUnknownFlagsGiveGdisResults) {
  RECT r = {0, 0, 300, 40};
  // Cut-off lead bytes, bytes that are no GBK, and UTF-8 (invalid in both), as GDI sees them.
  for (const char* bytes : {"\x81", "ab\xFE", "\xFF\xFF\x80", "\xC3\x28\xE2\x82", "\x81\x20x"}) {
    RECT measured = {0, 0, 300, 40};
    const int expected = DrawTextA(reference.dc(), bytes, -1, &measured, DT_CALCRECT);
    RECT calc = r;
    EXPECT_EQ(font->DrawTextA(bytes, -1, &calc, DT_CALCRECT, 0xFFFFFFFF), expected) << bytes;
    EXPECT_EQ(calc.right, measured.right) << bytes;
    EXPECT_EQ(font->DrawTextA(bytes, -1, &r, 0, 0xFFFFFFFF), expected) << bytes;
  }
  const char16_t lone[] = {0xD800, u'a', 0xDC00, 0xFFFF, 0};
  EXPECT_GT(font->DrawTextW(lone, -1, &r, 0, 0xFFFFFFFF), 0);

  // Bits no flag uses are ignored by the layout.
  device->drawn.clear();
  const int plain = font->DrawTextA("flags", -1, &r, 0, 0xFFFFFFFF);
  const size_t plainTiles = Quads().size();
  EXPECT_EQ(font->DrawTextA("flags", -1, &r, 0xF0000000u, 0xFFFFFFFF), plain);
  EXPECT_EQ(Quads().size(), 2 * plainTiles);
}

TEST_P(FontTest, ZeroAndNegativeRectangles) {
  const RECT m = reference.measure(u"Hello");
  RECT zero = {50, 50, 50, 50};
  EXPECT_EQ(font->DrawTextA("Hello", -1, &zero, 0, 0xFFFFFFFF), m.bottom);
  EXPECT_TRUE(device->drawn.empty());  // clipped to nothing

  // A negative size compares as a huge unsigned one: the whole measured text is drawn.
  RECT negative = {100, 100, 50, 80};
  EXPECT_EQ(font->DrawTextA("Hello", -1, &negative, 0, 0xFFFFFFFF), m.bottom);
  std::vector<TileQuad> q = Quads();
  ASSERT_EQ(q.size(), TileCount(m));
  EXPECT_EQ(q[0].x, 100);
  EXPECT_EQ(q[0].y, 100);
  EXPECT_EQ(q.back().y + q.back().height, 100 + m.bottom);
}

TEST_P(FontTest, MissingFaceFallsBackToTheDefault) {
  LOGFONTA lf{};
  std::strcpy(lf.lfFaceName, "No Such Face Anywhere");
  ID3DXFont* missing = nullptr;
  ASSERT_EQ(D3DXCreateFontIndirect(device, &lf, &missing), D3D_OK);
  RECT a = {0, 0, 300, 40}, b = a;
  EXPECT_EQ(missing->DrawTextA("Fallback", -1, &a, DT_CALCRECT, 0),
            font->DrawTextA("Fallback", -1, &b, DT_CALCRECT, 0));
  EXPECT_EQ(a.right, b.right);
  EXPECT_EQ(a.right, reference.widthOf(u"Fallback"));
  EXPECT_EQ(missing->Release(), 0u);
}

TEST_P(FontTest, LostAndResetDevice) {
  RECT r = {0, 0, 200, 40};
  ASSERT_GT(font->DrawTextA("before", -1, &r, 0, 0xFFFFFFFF), 0);
  EXPECT_EQ(font->OnLostDevice(), D3D_OK);
  device->Clear();
  if (GetParam() == Tiles::Dynamic) {
    EXPECT_EQ(font->DrawTextA("lost", -1, &r, 0, 0xFFFFFFFF), 0);  // no tile texture to draw with
    static_cast<IDirect3DDevice9*>(device)->EndScene();
    D3DPRESENT_PARAMETERS pp = WindowedParams(D3DFMT_X8R8G8B8, D3DFMT_D24S8, 640, 480);
    EXPECT_EQ(device->Reset(&pp), D3D_OK);  // would fail while default-pool textures live
    static_cast<IDirect3DDevice9*>(device)->BeginScene();
  }
  EXPECT_EQ(font->OnResetDevice(), D3D_OK);
  device->drawn.clear();
  EXPECT_GT(font->DrawTextA("after", -1, &r, 0, 0xFFFFFFFF), 0);
  EXPECT_FALSE(device->drawn.empty());
  EXPECT_EQ(device->Count("BeginStateBlock"), 4);  // both pairs of blocks recorded again, once
}

// The pixels: each target pixel is the text colour blended over black by the coverage GDI gives
// the same text, at the rectangle's place, across tile seams; the colour's alpha halves it.
TEST_P(FontTest, TargetShowsGdiCoverageInTheTextColour) {
  const std::u16string text = u"Tiles meet: Wg|\nSecond line";
  const std::string ansi(text.begin(), text.end());
  std::vector<uint8_t> coverage = reference.imageOf(text);
  const RECT m = reference.measure(text);
  ASSERT_GT(m.right, 64);
  ASSERT_GT(m.bottom, 16);

  for (D3DCOLOR color : {0xFFFF8000u, 0x80FF0000u}) {
    ClearTarget(0xFF000000);
    RECT r = {33, 71, 33 + 300, 71 + 60};
    ASSERT_GT(font->DrawTextA(ansi.c_str(), -1, &r, 0, color), 0);
    TargetImage image = ReadBackBuffer(device);
    const int alpha = (int)(color >> 24);
    int worst = 0, full = 0;
    for (int y = 0; y < m.bottom + 4; ++y)
      for (int x = 0; x < m.right + 4; ++x) {
        const int c = y < m.bottom && x < m.right ? coverage[(size_t)y * reference.width() + x] : 0;
        const D3DCOLOR p = image.at(33 + x, 71 + y);
        const int a = c * alpha / 255;
        const int red = ((color >> 16) & 0xFF) * a / 255, green = ((color >> 8) & 0xFF) * a / 255;
        worst = std::max({worst, std::abs((int)((p >> 16) & 0xFF) - red),
                          std::abs((int)((p >> 8) & 0xFF) - green), (int)(p & 0xFF)});
        full += c == 255;
      }
    EXPECT_LE(worst, 3) << std::hex << color;
    EXPECT_GT(full, 20);  // enough solid pixels to tell a halved alpha from a full one
  }
}

// A device that cannot sample 32-bit ARGB: the tiles take the format the requirement check
// offers, the DIB is rewritten as text texels and the loader converts each tile.
class OtherTileFormatTest : public FontDeviceTest {};

TEST_F(OtherTileFormatTest, TilesInAnotherFormatGoThroughTheLoader) {
  CreateDevice();
  IDirect3D9* real = nullptr;
  ASSERT_EQ(device->inner->GetDirect3D(&real), D3D_OK);
  auto* choosy = new ChoosyDirect3D(real, {D3DFMT_A4R4G4B4});
  real->Release();
  device->runtime = choosy;
  LOGFONTA lf{};
  ID3DXFont* font = nullptr;
  ASSERT_EQ(D3DXCreateFontIndirect(device, &lf, &font), D3D_OK);
  EXPECT_EQ(FontRenderer::Find(device)->layout().texFormat, D3DFMT_A4R4G4B4);

  Canvas reference(640, 200);
  const std::u16string text = u"Tiles meet: Wg|\nSecond line";
  const std::string ansi(text.begin(), text.end());
  const std::vector<uint8_t> coverage = reference.imageOf(text);
  const RECT m = reference.measure(text);
  ClearTarget(0xFF000000);
  RECT r = {33, 71, 333, 131};
  ASSERT_GT(font->DrawTextA(ansi.c_str(), -1, &r, 0, 0xFFFFFFFF), 0);
  TargetImage image = ReadBackBuffer(device);
  int worst = 0;
  for (int y = 0; y < m.bottom; ++y)
    for (int x = 0; x < m.right; ++x) {
      const int c = coverage[(size_t)y * reference.width() + x];
      worst = std::max(worst, std::abs((int)(image.at(33 + x, 71 + y) & 0xFF) - c));
    }
  EXPECT_LE(worst, 10);  // four bits of alpha: within half a step of 17
  EXPECT_EQ(font->Release(), 0u);
  device->runtime = nullptr;
  choosy->Release();
}

INSTANTIATE_TEST_SUITE_P(Tiles, FontTest, ::testing::Values(Tiles::Dynamic, Tiles::Managed),
                         [](const auto& info) {
                           return info.param == Tiles::Dynamic ? "Dynamic" : "Managed";
                         });

}  // namespace
