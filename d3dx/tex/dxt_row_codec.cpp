// Row access to DXT1-DXT5 data. Reading decodes one block row (four texel rows across the region
// aligned to the block grid) and serves its rows from there; writing collects the four rows of
// each block row in a pending buffer and encodes its blocks once all four are present.
#include <algorithm>
#include <climits>
#include <new>
#include <vector>

#include "dxt_block.h"
#include "dxt_encoder.h"
#include "dxt_palette.h"
#include "round_mode.h"
#include "row_codec.h"

namespace d3dx {
namespace {

// Where the image ends inside a block, missing column (row) c repeats column (row) kPadSource[c],
// filled in order: one valid column gives 0 0 0 0, two give 0 1 0 1, three give 0 1 2 1.
constexpr UINT kPadSource[4] = {0, 0, 0, 1};

class DxtRowCodec final : public RowCodec {
 public:
  explicit DxtRowCodec(const ImageRegion& r)
      : RowCodec(r, NumericKind::UNORM, false),
        bounds_(r.bounds),
        alignedLeft_(r.region.left & ~3u),
        alignedWidth_(((r.region.right + 3) & ~3u) - alignedLeft_),
        blockBytes_(BlockBytes(r.format)),
        encoder_(dxt::BlockEncoder::Default()) {}

  // Rounds the key to the format's precision; texels are rounded the same way when compared.
  void PrepareColorKey() override { colorKeyColor_ = RoundToFormat(D3DXCOLOR(colorKey_)); }

 protected:
  HRESULT DecodeRows(UINT y, UINT z, D3DXCOLOR* out) override;
  HRESULT EncodeRows(UINT y, UINT z, const D3DXCOLOR* in) override;

 private:
  // Four texel rows over the aligned width, and the rows present (bit r for row r).
  struct PendingRow {
    UINT slice, blockRow, present;
    std::unique_ptr<D3DXCOLOR[]> texels;
  };

  UINT BlockCount() const { return alignedWidth_ / 4; }
  BYTE* BlockAddress(UINT block, UINT blockRow, UINT slice) const {
    return RowAddress(blockRow, slice) + size_t(alignedLeft_ / 4 + block) * blockBytes_;
  }
  // Decodes blocks [first, end) of a block row into a four-row buffer.
  void DecodeBlocks(UINT blockRow, UINT slice, UINT first, UINT end, D3DXCOLOR* texels) const;
  HRESULT StartPending(UINT blockRow, UINT slice, PendingRow** made);
  void EncodePending(const PendingRow& p);
  D3DXCOLOR RoundToFormat(const D3DXCOLOR& c) const;
  void ApplyRoundedKey(D3DXCOLOR* row, UINT count) const;

  ImageBox bounds_;
  UINT alignedLeft_, alignedWidth_, blockBytes_;
  const dxt::BlockEncoder& encoder_;
  std::unique_ptr<D3DXCOLOR[]> decoded_;
  UINT decodedBlockRow_ = UINT_MAX, decodedSlice_ = UINT_MAX;
  std::vector<PendingRow> pending_;
};

void DxtRowCodec::DecodeBlocks(UINT blockRow, UINT slice, UINT first, UINT end, D3DXCOLOR* texels) const {
  D3DXCOLOR block[16];
  for (UINT b = first; b < end; ++b) {
    DecodeDxtBlock(format_, block, BlockAddress(b, blockRow, slice));
    for (UINT r = 0; r < 4; ++r) std::copy_n(block + 4 * r, 4, texels + size_t(r) * alignedWidth_ + 4 * b);
  }
}

D3DXCOLOR DxtRowCodec::RoundToFormat(const D3DXCOLOR& c) const {
  auto round = [](float v, float levels, float unit) { return float(int(v * levels + 0.5f)) * unit; };
  const bool explicitAlpha = format_ == D3DFMT_DXT2 || format_ == D3DFMT_DXT3;
  return D3DXCOLOR(round(c.r, 31, dxt::kUnit5), round(c.g, 63, dxt::kUnit6), round(c.b, 31, dxt::kUnit5),
                   explicitAlpha ? round(c.a, 15, dxt::kUnit4) : round(c.a, 255, dxt::kUnit8));
}

void DxtRowCodec::ApplyRoundedKey(D3DXCOLOR* row, UINT count) const {
  for (UINT i = 0; i < count; ++i)
    if (RoundToFormat(row[i]) == colorKeyColor_) row[i] = D3DXCOLOR(0.0f, 0.0f, 0.0f, 0.0f);
}

HRESULT DxtRowCodec::DecodeRows(UINT y, UINT z, D3DXCOLOR* out) {
  if (width_ == 0) return D3D_OK;
  if (!decoded_) decoded_ = AllocateColors(size_t(alignedWidth_) * 4);
  if (!decoded_) return E_OUTOFMEMORY;
  const UINT row = region_.top + y, slice = region_.front + z;
  if (row / 4 != decodedBlockRow_ || slice != decodedSlice_) {
    DecodeBlocks(row / 4, slice, 0, BlockCount(), decoded_.get());
    decodedBlockRow_ = row / 4, decodedSlice_ = slice;
  }
  std::copy_n(decoded_.get() + size_t(row & 3) * alignedWidth_ + (region_.left - alignedLeft_), width_, out);
  if (HasColorKey()) ApplyRoundedKey(out, width_);
  if (srgb_) GammaDecode(out, width_);
  return D3D_OK;
}

HRESULT DxtRowCodec::StartPending(UINT blockRow, UINT slice, PendingRow** made) {
  PendingRow p = {slice, blockRow, 0, AllocateColors(size_t(alignedWidth_) * 4)};
  if (!p.texels) return E_OUTOFMEMORY;
  std::fill_n(p.texels.get(), size_t(alignedWidth_) * 4, D3DXCOLOR(0.0f, 0.0f, 0.0f, 0.0f));

  // Rows outside the region count as present: they keep what the blocks hold, unless they lie
  // beyond the image and are padded anyway.
  bool keepRows = false;
  for (UINT r = 0; r < 4; ++r) {
    const UINT row = blockRow * 4 + r;
    if (row >= region_.top && row < region_.bottom) continue;
    p.present |= 1u << r;
    keepRows |= row >= bounds_.top && row < bounds_.bottom;
  }
  // The same for columns cut off by the region's left and right edges.
  const UINT alignedRight = alignedLeft_ + alignedWidth_;
  const bool keepLeft = region_.left > alignedLeft_ && region_.left > bounds_.left;
  const bool keepRight = region_.right < alignedRight && region_.right < bounds_.right;
  if (keepRows) {
    DecodeBlocks(blockRow, slice, 0, BlockCount(), p.texels.get());
  } else {
    if (keepLeft) DecodeBlocks(blockRow, slice, 0, 1, p.texels.get());
    if (keepRight && !(keepLeft && BlockCount() == 1))
      DecodeBlocks(blockRow, slice, BlockCount() - 1, BlockCount(), p.texels.get());
  }
  pending_.push_back(std::move(p));
  *made = &pending_.back();
  return D3D_OK;
}

void DxtRowCodec::EncodePending(const PendingRow& p) {
  RoundTowardZeroScope rounding;
  const UINT top = p.blockRow * 4;
  const UINT validRows = std::min(4u, bounds_.bottom - top);
  D3DXCOLOR t[4][4];
  for (UINT b = 0; b < BlockCount(); ++b) {
    const UINT left = alignedLeft_ + 4 * b;
    for (UINT r = 0; r < 4; ++r) std::copy_n(p.texels.get() + size_t(r) * alignedWidth_ + 4 * b, 4, t[r]);
    const UINT validColumns = std::min(4u, bounds_.right - left);
    for (UINT c = validColumns; c < 4; ++c)
      for (UINT r = 0; r < 4; ++r) t[r][c] = t[r][kPadSource[c]];
    for (UINT r = validRows; r < 4; ++r) std::copy_n(t[kPadSource[r]], 4, t[r]);
    encoder_.Encode(format_, BlockAddress(b, p.blockRow, p.slice), t[0]);
  }
  if (p.blockRow == decodedBlockRow_ && p.slice == decodedSlice_) decodedBlockRow_ = UINT_MAX;
}

HRESULT DxtRowCodec::EncodeRows(UINT y, UINT z, const D3DXCOLOR* in) {
  if (width_ == 0) return D3D_OK;
  const D3DXCOLOR* colors = PrepareEncodeInput(in, width_);
  if (!colors) return E_OUTOFMEMORY;
  const UINT row = region_.top + y, slice = region_.front + z;
  auto it = std::find_if(pending_.begin(), pending_.end(),
                         [&](const PendingRow& p) { return p.blockRow == row / 4 && p.slice == slice; });
  PendingRow* p = it == pending_.end() ? nullptr : &*it;
  if (!p) {
    const HRESULT hr = StartPending(row / 4, slice, &p);
    if (FAILED(hr)) return hr;
  }
  std::copy_n(colors, width_,
              p->texels.get() + size_t(row & 3) * alignedWidth_ + (region_.left - alignedLeft_));
  p->present |= 1u << (row & 3);
  if (p->present == 15) {
    EncodePending(*p);
    pending_.erase(pending_.begin() + (p - pending_.data()));
  }
  return D3D_OK;
}

}  // namespace

HRESULT CreateDxtRowCodec(const ImageRegion& region, std::unique_ptr<RowCodec>* codec) {
  if (BlockBytes(region.format) == 0) return E_FAIL;
  codec->reset(new (std::nothrow) DxtRowCodec(region));
  return *codec ? D3D_OK : E_OUTOFMEMORY;
}

}  // namespace d3dx
