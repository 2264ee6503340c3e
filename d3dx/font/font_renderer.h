// The per-device text renderer every font of a device shares: GDI draws the text white on black
// into a DIB section, the grey levels become the alpha of white texels, and the text goes to the
// screen in small tiles, each uploaded into a texture and drawn as a sprite.
#pragma once
#include <d3dx9.h>

#include <array>

namespace d3dx::font {

enum class TextEncoding { Ansi, Wide };

// What a caller hands DrawText: the string in either encoding and its character count.
struct TextRun {
  const void* text;
  int count;  // negative: up to the terminating zero
  TextEncoding encoding;
};

class FontRenderer {
 public:
  static constexpr UINT kTextureSlots = 8;
  static constexpr UINT kTileWidth = 64, kTileHeight = 16;
  static constexpr LONG kInitialDibSize = 256;

  // The device's renderer with a reference added, made on first use.
  static HRESULT Acquire(IDirect3DDevice9* device, FontRenderer** renderer);
  // The device's renderer without a reference, or null.
  static FontRenderer* Find(IDirect3DDevice9* device);

  ULONG AddRef() { return ++refCount_; }
  ULONG Release();

  HRESULT Begin();
  HRESULT End();
  HRESULT OnLostDevice();
  HRESULT OnResetDevice();

  // Measures the text with `font`, then either writes its box into `rect` (DT_CALCRECT) or draws
  // it there in `color`. The text height GDI reports, or 0 on any failure.
  int DrawText(HFONT font, TextRun run, RECT* rect, DWORD format, D3DCOLOR color);

  // Puts back the font that was selected before text was first drawn (a font going away).
  void RestoreFont();

  // What the tiles and the DIB look like now, for callers that check the reuse rules.
  struct Layout {
    D3DFORMAT texFormat;
    UINT texWidth, texHeight;
    bool useDynamic;
    LONG dibWidth, dibHeight;
    const void* dibBits;
  };
  Layout layout() const {
    return {texFormat_,         texWidth_,           texHeight_, useDynamic_,
            dibHeader_.biWidth, dibHeader_.biHeight, dibBits_};
  }

 private:
  explicit FontRenderer(IDirect3DDevice9* device);
  ~FontRenderer();
  FontRenderer(const FontRenderer&) = delete;
  FontRenderer& operator=(const FontRenderer&) = delete;

  HRESULT create();
  HRESULT createTextures();
  void releaseTextures();
  bool growDib(LONG width, LONG height);
  HRESULT drawTile(const RECT& tile, POINT origin, D3DCOLOR color);
  HRESULT uploadTile(const RECT& tile);

  ULONG refCount_ = 1;
  IDirect3DDevice9* device_;
  UINT currentTexture_ = 0;
  ID3DXSprite* sprite_ = nullptr;
  std::array<IDirect3DTexture9*, kTextureSlots> textures_{};
  std::array<IDirect3DSurface9*, kTextureSlots> surfaces_{};
  bool useDynamic_ = false;
  D3DFORMAT texFormat_ = D3DFMT_A8R8G8B8;
  UINT texWidth_ = kTileWidth, texHeight_ = kTileHeight;
  bool inBegin_ = false;
  IDirect3DStateBlock9* savedState_ = nullptr;
  IDirect3DStateBlock9* textState_ = nullptr;
  HDC hdc_ = nullptr;
  BITMAPINFOHEADER dibHeader_{};  // height kept positive; negated only to make a top-down section
  HBITMAP dibBitmap_ = nullptr;
  HGDIOBJ previousBitmap_ = nullptr;
  uint32_t* dibBits_ = nullptr;
  D3DFORMAT dibFormat_ = D3DFMT_A8R8G8B8;
  HGDIOBJ previousFont_ = nullptr;
  FontRenderer* next_ = nullptr;
};

}  // namespace d3dx::font
