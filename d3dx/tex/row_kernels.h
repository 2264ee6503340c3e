// Processor-specific row loops for the most common per-pixel formats. A kernel does exactly what
// the portable loop of its codec does, bit for bit; codecs fall back to that loop where a set has
// no kernel.
#pragma once
#include <d3dx9math.h>

#include <cstdint>
#include <memory>

#include "row_codec.h"

namespace d3dx {

// `n` pixels from `src` into colours (before colour key and gamma).
using DecodeKernel = void (*)(const BYTE* src, D3DXCOLOR* out, UINT n);
// `n` colours into `dst`, saturated to the format's range, pixel x adding ditherRow[x & 3]. Runs
// with round-toward-zero in force.
using EncodeKernel = void (*)(const D3DXCOLOR* in, BYTE* dst, UINT n, const float* ditherRow);

struct RowKernels {
  DecodeKernel decode = nullptr;
  EncodeKernel encode = nullptr;
};

enum class RowKernelSet : uint32_t {
  PORTABLE,  // the codecs' own loops
  SSE2,
  AVX2,  // SSE2 where it has no kernel of its own
};

// The set the processor and the "DisableMMX" switch allow.
RowKernelSet DetectRowKernelSet();
// The kernels of `set` for `format`; empty where the set has none.
RowKernels FindRowKernels(RowKernelSet set, D3DFORMAT format);
RowKernels FindSse2RowKernels(D3DFORMAT format);
RowKernels FindAvx2RowKernels(D3DFORMAT format);

// CreatePixelRowCodec with the kernels of `set` instead of the detected ones.
HRESULT CreatePixelRowCodecWithKernels(const ImageRegion& region, RowKernelSet set,
                                       std::unique_ptr<RowCodec>* codec);

}  // namespace d3dx
