// The vocabulary of the specialised span routines: the variant of each part of the pixel work a
// state takes. `analyse` (kernels.cpp) fills a FastPath; the routines are templates over its kinds.
#pragma once
#include <cstdint>

#include "span.h"

namespace swr {

enum class TexPath : uint8_t { None, Point, Linear, Mip };  // Mip: the level of detail per pixel
// Wrap: power-of-two sizes (a mask); WrapAny: any size (a division).
enum class Addressing : uint8_t { Wrap, WrapAny, Clamp };
enum class BlendPath : uint8_t { None, Add, Alpha };
enum class DepthPath : uint8_t { None, TestWrite, Test };  // less-or-equal
// How stage 0 forms the colour (or the alpha) from the texel and the diffuse colour.
enum class StageColor : uint8_t { Modulate, Texture, Diffuse, White };

struct FastPath {
  TexPath tex = TexPath::None;
  Addressing addr = Addressing::Wrap;
  BlendPath blend = BlendPath::None;
  DepthPath depth = DepthPath::None;
  StageColor color = StageColor::Diffuse, alpha = StageColor::Diffuse;
  int level = 0;           // the one mip level sampled by the single-level variants
  bool directRows = true;  // the SIMD routines' direct texel reads for one-texel-per-pixel quads
};

// The member of a family of span routines for f's kinds: Family<TEX, ADDR, BLEND, DEPTH>::get().
template <template <TexPath, Addressing, BlendPath, DepthPath> class Family, TexPath T, Addressing A,
          BlendPath B>
SpanFn pickDepthPath(DepthPath d) {
  switch (d) {
    case DepthPath::TestWrite:
      return Family<T, A, B, DepthPath::TestWrite>::get();
    case DepthPath::Test:
      return Family<T, A, B, DepthPath::Test>::get();
    default:
      return Family<T, A, B, DepthPath::None>::get();
  }
}

template <template <TexPath, Addressing, BlendPath, DepthPath> class Family, TexPath T, Addressing A>
SpanFn pickBlendPath(const FastPath& f) {
  switch (f.blend) {
    case BlendPath::Add:
      return pickDepthPath<Family, T, A, BlendPath::Add>(f.depth);
    case BlendPath::Alpha:
      return pickDepthPath<Family, T, A, BlendPath::Alpha>(f.depth);
    default:
      return pickDepthPath<Family, T, A, BlendPath::None>(f.depth);
  }
}

template <template <TexPath, Addressing, BlendPath, DepthPath> class Family, TexPath T>
SpanFn pickAddressing(const FastPath& f) {
  switch (f.addr) {
    case Addressing::Wrap:
      return pickBlendPath<Family, T, Addressing::Wrap>(f);
    case Addressing::WrapAny:
      return pickBlendPath<Family, T, Addressing::WrapAny>(f);
    default:
      return pickBlendPath<Family, T, Addressing::Clamp>(f);
  }
}

template <template <TexPath, Addressing, BlendPath, DepthPath> class Family>
SpanFn pickRoutine(const FastPath& f) {
  switch (f.tex) {
    case TexPath::Point:
      return pickAddressing<Family, TexPath::Point>(f);
    case TexPath::Linear:
      return pickAddressing<Family, TexPath::Linear>(f);
    case TexPath::Mip:
      return pickAddressing<Family, TexPath::Mip>(f);
    default:
      // Untextured states never read the addressing.
      return pickBlendPath<Family, TexPath::None, Addressing::Wrap>(f);
  }
}

}  // namespace swr
