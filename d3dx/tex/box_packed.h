// Box halving on packed pixels for the common 8-, 16- and 32-bit formats: every channel of an
// output pixel is (c00 + c01 + c10 + c11 + 2) >> 2 of the four source channels, X bits 0.
#pragma once
#include <d3d9.h>

namespace d3dx {

// Halves the row pair (row0, row1) into `destWidth` pixels of `out`; reads 2 * destWidth pixels
// of each source row.
using PackedHalveRow = void (*)(const BYTE* row0, const BYTE* row1, BYTE* out, UINT destWidth);

enum class PackedPath {
  Plain,  // two channels at a time in general-purpose registers
  Simd,   // the 32-bit formats on vector registers (AVX2 where the processor has it, else SSE2)
};

// The routine of `format` for `path`, null for formats without one. Formats without a vector
// routine get the plain one on either path.
PackedHalveRow FindPackedHalveRow(D3DFORMAT format, PackedPath path);

// The vector routines for 32-bit pixels with channel mask `keep` (0xFFFFFFFF, or 0x00FFFFFF
// for formats whose top byte is X).
void HalveRow32Sse2(const BYTE* row0, const BYTE* row1, BYTE* out, UINT destWidth, UINT keep);
void HalveRow32Avx2(const BYTE* row0, const BYTE* row1, BYTE* out, UINT destWidth, UINT keep);

}  // namespace d3dx
