// The objects behind GDI handles: device contexts, bitmaps and fonts. A handle is the address
// of an object's `Object` header; every object carries its own state (a DC its selections,
// colours, default objects and text scratch; a font its faces and glyph cache).
#pragma once
#include <wingdi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codepage.h"
#include "gdi_font.h"
#include "text_layout.h"

namespace win32::gdi {

struct Dc;

enum class ObjectKind : uint32_t { Dc = 1, Bitmap, Font };

struct Object {
  static constexpr uint32_t kMagic = 0x47444930;
  explicit Object(ObjectKind k) : kind(k) {}
  ~Object() { magic = 0; }
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  uint32_t magic = kMagic;
  ObjectKind kind;
  Dc* owner = nullptr;  // set on a DC's default objects: selectable only into that DC, never deleted
  int selections = 0;   // DCs that have the object selected
};

inline void* ToHandle(Object* object) { return object; }

// The object a handle names, or null for null handles, the small stock-object values and
// objects of another kind.
template <typename T>
T* FromHandle(const void* handle) {
  if ((uintptr_t)handle < 0x10000) return nullptr;
  auto* object = static_cast<Object*>(const_cast<void*>(handle));
  if (object->magic != Object::kMagic || object->kind != T::kKind) return nullptr;
  return static_cast<T*>(object);
}

struct Bitmap : Object {
  static constexpr ObjectKind kKind = ObjectKind::Bitmap;
  Bitmap() : Object(kKind) {}
  ~Bitmap();
  int width = 1, height = 1;
  bool topDown = true;
  uint32_t* pixels = nullptr;  // 32-bit 0x00RRGGBB words, width per row; null: monochrome, not drawn into

  uint32_t* row(int y) { return pixels + (size_t)(topDown ? y : height - 1 - y) * (size_t)width; }
};

struct Font : Object {
  static constexpr ObjectKind kKind = ObjectKind::Font;
  Font() : Object(kKind) {}
  // A font for the request, or null when not even the default face can be loaded.
  static std::unique_ptr<Font> Create(const FontRequest& request);
  FontEngine engine;
  LOGFONTA description{};  // what GetObjectA reports: the LOGFONT it was made from, face in ANSI
};

struct Dc : Object {
  static constexpr ObjectKind kKind = ObjectKind::Dc;
  Dc();
  ~Dc();

  Bitmap* bitmap;
  Font* font = nullptr;  // null until text needs it: then the default font
  int bkMode = OPAQUE;
  COLORREF bkColor = RGB(255, 255, 255);
  COLORREF textColor = RGB(0, 0, 0);

  Bitmap defaultBitmap;
  std::unique_ptr<Font> defaultFont;  // made on first use
  AnsiDecoder ansi;
  TextScratch scratch;

  // The selected font, the default one if none was selected.
  Font* selectedFont();
  // The selected font ready to draw with; null when its faces cannot be loaded.
  Font* currentFont();
};

}  // namespace win32::gdi
