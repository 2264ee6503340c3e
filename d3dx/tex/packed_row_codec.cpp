// Row access to the two-pixels-per-word formats (YUY2, UYVY, R8G8_B8G8, G8R8_G8B8). The region is
// widened to whole pairs and one row of it is cached; a written row goes back to memory when
// another row is fetched or the codec is destroyed.
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "packed_pairs.h"
#include "round_mode.h"
#include "row_codec.h"

namespace d3dx {
namespace {

class PackedPairRowCodec final : public RowCodec {
 public:
  PackedPairRowCodec(const ImageRegion& r, PackedLayout layout)
      : RowCodec(r, NumericKind::UNORM, false),
        layout_(layout),
        alignedLeft_(r.region.left & ~1u),
        alignedWidth_(((r.region.right + 1) & ~1u) - alignedLeft_) {}
  ~PackedPairRowCodec() override { Commit(); }

  // The key stays as it came from ARGB.
  void PrepareColorKey() override {}

 protected:
  HRESULT DecodeRows(UINT y, UINT z, D3DXCOLOR* out) override;
  HRESULT EncodeRows(UINT y, UINT z, const D3DXCOLOR* in) override;

 private:
  UINT PairCount() const { return alignedWidth_ / 2; }
  DWORD* PairAddress(UINT row, UINT slice) const {
    return reinterpret_cast<DWORD*>(RowAddress(row, slice) + size_t(alignedLeft_ / 2) * 4);
  }
  // Makes (row, slice) the cached row, writing back a written one first; decodes it from
  // memory when `read`.
  HRESULT Fetch(UINT row, UINT slice, bool read);
  void Commit();

  PackedLayout layout_;
  UINT alignedLeft_, alignedWidth_;
  std::unique_ptr<D3DXCOLOR[]> cached_;
  UINT cachedRow_ = UINT_MAX, cachedSlice_ = UINT_MAX;
  bool cachedValid_ = false, written_ = false;
};

HRESULT PackedPairRowCodec::Fetch(UINT row, UINT slice, bool read) {
  if (!cached_) cached_ = AllocateColors(alignedWidth_);
  if (!cached_) return E_OUTOFMEMORY;
  // A cached row that was only read still matches memory.
  const bool current = cachedValid_ && row == cachedRow_ && slice == cachedSlice_ && !written_;
  Commit();
  if (read && !current) {
    const DWORD* words = PairAddress(row, slice);
    for (UINT i = 0; i < PairCount(); ++i) {
      DWORD word;
      std::memcpy(&word, words + i, 4);
      DecodePackedPair(layout_, word, cached_.get() + 2 * i);
    }
  }
  cachedRow_ = row, cachedSlice_ = slice, cachedValid_ = true;
  return D3D_OK;
}

void PackedPairRowCodec::Commit() {
  if (!written_) return;
  written_ = false;
  RoundTowardZeroScope rounding;
  DWORD* words = PairAddress(cachedRow_, cachedSlice_);
  for (UINT i = 0; i < PairCount(); ++i) {
    const DWORD word = EncodePackedPair(layout_, cached_.get() + 2 * i);
    std::memcpy(words + i, &word, 4);
  }
}

HRESULT PackedPairRowCodec::DecodeRows(UINT y, UINT z, D3DXCOLOR* out) {
  if (width_ == 0) return D3D_OK;
  const HRESULT hr = Fetch(region_.top + y, region_.front + z, true);
  if (FAILED(hr)) return hr;
  std::copy_n(cached_.get() + (region_.left - alignedLeft_), width_, out);
  FinishDecodedRow(out, width_);
  return D3D_OK;
}

HRESULT PackedPairRowCodec::EncodeRows(UINT y, UINT z, const D3DXCOLOR* in) {
  if (width_ == 0) return D3D_OK;
  const D3DXCOLOR* colors = PrepareEncodeInput(in, width_);
  if (!colors) return E_OUTOFMEMORY;
  // Pixels outside the region share their words with pixels inside: keep them.
  const bool partial = width_ != alignedWidth_;
  const HRESULT hr = Fetch(region_.top + y, region_.front + z, partial);
  if (FAILED(hr)) return hr;
  std::copy_n(colors, width_, cached_.get() + (region_.left - alignedLeft_));
  written_ = true;
  return D3D_OK;
}

}  // namespace

HRESULT CreatePackedPairRowCodec(const ImageRegion& region, std::unique_ptr<RowCodec>* codec) {
  PackedLayout layout;
  if (!PackedLayoutOf(region.format, &layout)) return E_FAIL;
  codec->reset(new (std::nothrow) PackedPairRowCodec(region, layout));
  return *codec ? D3D_OK : E_OUTOFMEMORY;
}

}  // namespace d3dx
