// Copies between surfaces and textures: UpdateSurface, UpdateTexture, GetRenderTargetData,
// GetFrontBufferData, StretchRect and ColorFill.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "device.h"

namespace d3d9rt {
namespace {

uint64_t epochOf(Surface* s) { return s->container() ? s->container()->useEpoch : s->useEpoch; }

// Same-format copy of a w x h pixel region (block-aligned for block formats).
void copyRegion(Image& src, UINT sx, UINT sy, Image& dst, UINT dx, UINT dy, UINT w, UINT h) {
  const FormatInfo& f = *src.info;
  UINT unit = f.block ? 4 : 1;
  UINT rowBytes = formatRowPitch(f, w);
  UINT rows = formatRowCount(f, h);
  for (UINT r = 0; r < rows; ++r)
    std::memcpy(dst.bytes.data() + (size_t)(dy / unit + r) * dst.pitch + (size_t)(dx / unit) * f.bytes,
                src.bytes.data() + (size_t)(sy / unit + r) * src.pitch + (size_t)(sx / unit) * f.bytes,
                rowBytes);
}

void copyImage(Image& src, Image& dst) {
  for (UINT z = 0; z < src.depth; ++z)
    std::memcpy(dst.bytes.data() + (size_t)z * dst.slicePitch, src.bytes.data() + (size_t)z * src.slicePitch,
                std::min(src.slicePitch, dst.slicePitch));
}

bool rectIn(const RECT& r, UINT w, UINT h) {
  return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && (UINT)r.right <= w &&
         (UINT)r.bottom <= h;
}

inline uint32_t lerpColor(uint32_t a, uint32_t b, uint32_t t) {  // t in 0..256
  uint32_t rb = ((a & 0x00FF00FF) * (256 - t) + (b & 0x00FF00FF) * t) >> 8;
  uint32_t ag = ((a >> 8) & 0x00FF00FF) * (256 - t) + ((b >> 8) & 0x00FF00FF) * t;
  return (rb & 0x00FF00FF) | (ag & 0xFF00FF00);
}

}  // namespace

HRESULT Device::UpdateSurface(IDirect3DSurface9* source, const RECT* sourceRect,
                              IDirect3DSurface9* destination, const POINT* destPoint) {
  Surface* src = static_cast<Surface*>(source);
  Surface* dst = static_cast<Surface*>(destination);
  if (!src || !dst || src == dst || src->device() != this || dst->device() != this) return D3DERR_INVALIDCALL;
  if (src->desc().Pool != D3DPOOL_SYSTEMMEM || dst->desc().Pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
  if (src->desc().Format != dst->desc().Format || src->image().info->depth) return D3DERR_INVALIDCALL;
  if (src->locked() || dst->locked()) return D3DERR_INVALIDCALL;
  const FormatInfo& f = *src->image().info;
  RECT r = sourceRect ? *sourceRect : RECT{0, 0, (LONG)src->desc().Width, (LONG)src->desc().Height};
  if (!validLockRect(f, src->desc().Width, src->desc().Height, r)) return D3DERR_INVALIDCALL;
  LONG dx = destPoint ? destPoint->x : 0, dy = destPoint ? destPoint->y : 0;
  if (dx < 0 || dy < 0 || (UINT)dx >= dst->desc().Width || (UINT)dy >= dst->desc().Height)
    return D3DERR_INVALIDCALL;
  RECT d = {dx, dy, dx + (r.right - r.left), dy + (r.bottom - r.top)};  // no overflow: all below 4096
  if (!validLockRect(f, dst->desc().Width, dst->desc().Height, d)) return D3DERR_INVALIDCALL;
  flushIfUsing(epochOf(dst));
  copyRegion(src->image(), (UINT)r.left, (UINT)r.top, dst->image(), (UINT)dx, (UINT)dy,
             (UINT)(r.right - r.left), (UINT)(r.bottom - r.top));
  dst->contentChanged();
  return D3D_OK;
}

HRESULT Device::UpdateTexture(IDirect3DBaseTexture9* source, IDirect3DBaseTexture9* destination) {
  if (!source || !destination) return D3DERR_INVALIDCALL;
  TextureCore* src = textureCore(source);
  TextureCore* dst = textureCore(destination);
  if (!src || !dst || src == dst || src->device() != this || dst->device() != this) return D3DERR_INVALIDCALL;
  if (src->pool() != D3DPOOL_SYSTEMMEM || dst->pool() != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
  if (src->type() != dst->type() || src->info() != dst->info()) return D3DERR_INVALIDCALL;
  bool volume = src->type() == D3DRTYPE_VOLUMETEXTURE;
  auto levelImage = [volume](TextureCore* t, UINT face, UINT level) -> Image& {
    return volume ? t->volume(level)->image() : t->surface(face, level)->image();
  };
  // Source levels above the destination's top size are skipped.
  Image& top = levelImage(dst, 0, 0);
  UINT skip = 0;
  while (skip < src->levelCount()) {
    Image& s = levelImage(src, 0, skip);
    if (s.width == top.width && s.height == top.height && s.depth == top.depth) break;
    ++skip;
  }
  if (skip == src->levelCount() || src->levelCount() - skip < dst->levelCount()) return D3DERR_INVALIDCALL;
  for (UINT face = 0; face < src->faceCount(); ++face)
    for (UINT level = 0; level < dst->levelCount(); ++level) {
      bool locked = volume
                        ? false
                        : (src->surface(face, skip + level)->locked() || dst->surface(face, level)->locked());
      if (locked) return D3DERR_INVALIDCALL;
    }
  flushIfUsing(dst->useEpoch);
  for (UINT face = 0; face < src->faceCount(); ++face)
    for (UINT level = 0; level < dst->levelCount(); ++level)
      copyImage(levelImage(src, face, skip + level), levelImage(dst, face, level));
  dst->markDirty();
  return D3D_OK;
}

HRESULT Device::GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) {
  Surface* src = static_cast<Surface*>(renderTarget);
  Surface* dst = static_cast<Surface*>(destSurface);
  if (!src || !dst || src->device() != this || dst->device() != this) return D3DERR_INVALIDCALL;
  if (!(src->desc().Usage & D3DUSAGE_RENDERTARGET) || dst->desc().Pool != D3DPOOL_SYSTEMMEM)
    return D3DERR_INVALIDCALL;
  if (src->desc().Format != dst->desc().Format || src->desc().Width != dst->desc().Width ||
      src->desc().Height != dst->desc().Height || dst->locked())
    return D3DERR_INVALIDCALL;
  flushIfUsing(epochOf(src));
  flushIfUsing(epochOf(dst));
  copyImage(src->image(), dst->image());
  dst->contentChanged();
  return D3D_OK;
}

HRESULT Device::GetFrontBufferData(UINT swapChain, IDirect3DSurface9* destSurface) {
  Surface* dst = static_cast<Surface*>(destSurface);
  if (swapChain != 0 || !dst || dst->device() != this || dst->desc().Pool != D3DPOOL_SYSTEMMEM ||
      dst->desc().Format != D3DFMT_A8R8G8B8 || dst->locked())
    return D3DERR_INVALIDCALL;
  Image& src = backBuffer_->image();
  Image& out = dst->image();
  if (out.width != src.width || out.height != src.height) return D3DERR_INVALIDCALL;
  flushIfUsing(backBuffer_->useEpoch);
  flushIfUsing(epochOf(dst));
  for (UINT y = 0; y < src.height; ++y) {
    const uint32_t* s = (const uint32_t*)(src.bytes.data() + (size_t)y * src.pitch);
    uint32_t* d = (uint32_t*)(out.bytes.data() + (size_t)y * out.pitch);
    for (UINT x = 0; x < src.width; ++x) d[x] = s[x] | 0xFF000000u;
  }
  dst->contentChanged();
  return D3D_OK;
}

HRESULT Device::StretchRect(IDirect3DSurface9* source, const RECT* sourceRect, IDirect3DSurface9* destination,
                            const RECT* destRect, D3DTEXTUREFILTERTYPE filter) {
  Surface* src = static_cast<Surface*>(source);
  Surface* dst = static_cast<Surface*>(destination);
  if (!src || !dst || src == dst || src->device() != this || dst->device() != this) return D3DERR_INVALIDCALL;
  if (filter != D3DTEXF_NONE && filter != D3DTEXF_POINT && filter != D3DTEXF_LINEAR)
    return D3DERR_INVALIDCALL;
  if (src->desc().Pool != D3DPOOL_DEFAULT || dst->desc().Pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
  if (src->locked() || dst->locked()) return D3DERR_INVALIDCALL;
  const D3DSURFACE_DESC& sd = src->desc();
  const D3DSURFACE_DESC& dd = dst->desc();
  RECT sr = sourceRect ? *sourceRect : RECT{0, 0, (LONG)sd.Width, (LONG)sd.Height};
  RECT dr = destRect ? *destRect : RECT{0, 0, (LONG)dd.Width, (LONG)dd.Height};
  if (!rectIn(sr, sd.Width, sd.Height) || !rectIn(dr, dd.Width, dd.Height)) return D3DERR_INVALIDCALL;
  const FormatInfo& sf = *src->image().info;
  const FormatInfo& df = *dst->image().info;
  UINT sw = (UINT)(sr.right - sr.left), sh = (UINT)(sr.bottom - sr.top);
  UINT dw = (UINT)(dr.right - dr.left), dh = (UINT)(dr.bottom - dr.top);
  if (sf.depth || df.depth) {
    // Depth-stencil surfaces copy whole, unscaled, outside a scene.
    if (sf.format != df.format || sourceRect || destRect || sd.Width != dd.Width || sd.Height != dd.Height ||
        inScene_ || filter == D3DTEXF_LINEAR)
      return D3DERR_INVALIDCALL;
    flushIfUsing(epochOf(src));
    flushIfUsing(epochOf(dst));
    copyImage(src->image(), dst->image());
    return D3D_OK;
  }
  if (sf.block || df.block) {
    if (sf.format != df.format || sw != dw || sh != dh || !validLockRect(sf, sd.Width, sd.Height, sr) ||
        !validLockRect(df, dd.Width, dd.Height, dr))
      return D3DERR_INVALIDCALL;
  }
  uint32_t probe = 0;
  uint8_t scratch[16];
  if (!sf.block && !encodeRow(df, &probe, 1, scratch)) return D3DERR_INVALIDCALL;
  flushIfUsing(epochOf(src));
  flushIfUsing(epochOf(dst));
  Image& si = src->image();
  Image& di = dst->image();
  if (sf.format == df.format && sw == dw && sh == dh) {
    copyRegion(si, (UINT)sr.left, (UINT)sr.top, di, (UINT)dr.left, (UINT)dr.top, sw, sh);
    dst->contentChanged();
    return D3D_OK;
  }
  std::vector<uint32_t> from((size_t)sw * sh), row(dw);
  for (UINT y = 0; y < sh; ++y)
    decodeRow(sf, si.bytes.data() + (size_t)(sr.top + y) * si.pitch + (size_t)sr.left * sf.bytes, sw,
              from.data() + (size_t)y * sw);
  for (UINT y = 0; y < dh; ++y) {
    if (filter == D3DTEXF_LINEAR) {
      float fy = ((float)y + 0.5f) * sh / dh - 0.5f;
      int y0 = (int)std::floor(fy);
      uint32_t ty = (uint32_t)((fy - (float)y0) * 256.0f + 0.5f);
      int ya = std::clamp(y0, 0, (int)sh - 1), yb = std::clamp(y0 + 1, 0, (int)sh - 1);
      for (UINT x = 0; x < dw; ++x) {
        float fx = ((float)x + 0.5f) * sw / dw - 0.5f;
        int x0 = (int)std::floor(fx);
        uint32_t tx = (uint32_t)((fx - (float)x0) * 256.0f + 0.5f);
        int xa = std::clamp(x0, 0, (int)sw - 1), xb = std::clamp(x0 + 1, 0, (int)sw - 1);
        uint32_t top = lerpColor(from[(size_t)ya * sw + xa], from[(size_t)ya * sw + xb], tx);
        uint32_t bottom = lerpColor(from[(size_t)yb * sw + xa], from[(size_t)yb * sw + xb], tx);
        row[x] = lerpColor(top, bottom, ty);
      }
    } else {
      UINT syi = std::min(sh - 1, (UINT)(((uint64_t)y * 2 + 1) * sh / (2 * (uint64_t)dh)));
      for (UINT x = 0; x < dw; ++x) {
        UINT sxi = std::min(sw - 1, (UINT)(((uint64_t)x * 2 + 1) * sw / (2 * (uint64_t)dw)));
        row[x] = from[(size_t)syi * sw + sxi];
      }
    }
    encodeRow(df, row.data(), dw,
              di.bytes.data() + (size_t)(dr.top + y) * di.pitch + (size_t)dr.left * df.bytes);
  }
  dst->contentChanged();
  return D3D_OK;
}

HRESULT Device::ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) {
  Surface* s = static_cast<Surface*>(surface);
  if (!s || s->device() != this || s->desc().Pool != D3DPOOL_DEFAULT || s->locked())
    return D3DERR_INVALIDCALL;
  const D3DSURFACE_DESC& d = s->desc();
  // Render targets and plain offscreen surfaces only.
  if (!(d.Usage & D3DUSAGE_RENDERTARGET) && (s->container() || (d.Usage & D3DUSAGE_DEPTHSTENCIL)))
    return D3DERR_INVALIDCALL;
  const FormatInfo& f = *s->image().info;
  uint8_t pixel[16];
  if (f.block || !encodeRow(f, &color, 1, pixel)) return D3DERR_INVALIDCALL;
  RECT r = rect ? *rect : RECT{0, 0, (LONG)d.Width, (LONG)d.Height};
  if (!rectIn(r, d.Width, d.Height)) return D3DERR_INVALIDCALL;
  flushIfUsing(epochOf(s));
  Image& img = s->image();
  for (LONG y = r.top; y < r.bottom; ++y) {
    uint8_t* p = img.bytes.data() + (size_t)y * img.pitch + (size_t)r.left * f.bytes;
    for (LONG x = r.left; x < r.right; ++x, p += f.bytes) std::memcpy(p, pixel, f.bytes);
  }
  s->contentChanged();
  return D3D_OK;
}

}  // namespace d3d9rt
