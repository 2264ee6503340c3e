#include <d3dx9.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <limits>
#include <vector>

#include "../../d3dx/mesh/declaration.h"

namespace {

const D3DVERTEXELEMENT9 kEnd = D3DDECL_END();

bool SameElement(const D3DVERTEXELEMENT9& a, const D3DVERTEXELEMENT9& b) {
  return std::memcmp(&a, &b, sizeof(a)) == 0;
}

TEST(Declarator, PositionAndOneTextureSet) {
  D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
  ASSERT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZ | D3DFVF_TEX1, decl), D3D_OK);
  D3DVERTEXELEMENT9 expected[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                  {0, 12, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                  kEnd};
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(SameElement(decl[i], expected[i])) << i;
  EXPECT_EQ(D3DXGetDeclVertexSize(decl, 0), 20u);
  EXPECT_EQ(D3DXGetDeclLength(decl), 2u);
}

TEST(Declarator, BlendDataAndRefusedCodes) {
  D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
  EXPECT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZB5, decl), D3DERR_INVALIDCALL);
  ASSERT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZB5 | D3DFVF_LASTBETA_UBYTE4, decl), D3D_OK);
  EXPECT_EQ(decl[1].Usage, D3DDECLUSAGE_BLENDWEIGHT);
  EXPECT_EQ(decl[1].Type, D3DDECLTYPE_FLOAT4);
  EXPECT_EQ(decl[2].Usage, D3DDECLUSAGE_BLENDINDICES);
  EXPECT_EQ(decl[2].Type, D3DDECLTYPE_UBYTE4);
  EXPECT_EQ(decl[2].Offset, 28);
  // One beta with a last-beta flag is the indices alone.
  ASSERT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZB1 | D3DFVF_LASTBETA_D3DCOLOR, decl), D3D_OK);
  EXPECT_EQ(decl[1].Usage, D3DDECLUSAGE_BLENDINDICES);
  EXPECT_EQ(decl[1].Type, D3DDECLTYPE_D3DCOLOR);
  EXPECT_EQ(decl[2].Stream, 0xFF);

  EXPECT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZW, decl), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZ | 1, decl), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZ | 0x900, decl), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZ, nullptr), D3DERR_INVALIDCALL);

  ASSERT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE, decl), D3D_OK);
  EXPECT_EQ(decl[0].Usage, D3DDECLUSAGE_POSITIONT);
  EXPECT_EQ(decl[0].Type, D3DDECLTYPE_FLOAT4);
  EXPECT_EQ(decl[1].Offset, 16);
}

// Every FVF the translation accepts comes back unchanged through a declaration.
TEST(Declarator, RoundTripsEveryCombination) {
  std::vector<DWORD> positions = {0, D3DFVF_XYZ, D3DFVF_XYZRHW};
  for (DWORD b = 1; b <= 4; ++b) positions.push_back(D3DFVF_XYZB1 + 2 * (b - 1));
  for (DWORD b = 1; b <= 5; ++b) {
    positions.push_back((D3DFVF_XYZB1 + 2 * (b - 1)) | D3DFVF_LASTBETA_UBYTE4);
    positions.push_back((D3DFVF_XYZB1 + 2 * (b - 1)) | D3DFVF_LASTBETA_D3DCOLOR);
  }
  int checked = 0;
  for (DWORD position : positions) {
    for (DWORD extras = 0; extras < 16; ++extras) {
      for (DWORD sets = 0; sets <= 8; ++sets) {
        // Each set count with all sets of one size, plus a mixed pattern.
        for (DWORD pattern = 0; pattern < 5; ++pattern) {
          DWORD sizes = 0;
          for (DWORD i = 0; i < sets; ++i) sizes |= (pattern < 4 ? pattern : (i * 7 + 1) & 3) << (16 + 2 * i);
          DWORD fvf = position | (extras << 4) | (sets << 8) | sizes;
          D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
          ASSERT_EQ(D3DXDeclaratorFromFVF(fvf, decl), D3D_OK) << std::hex << fvf;
          EXPECT_TRUE(d3dx::DeclIsValid(decl));
          DWORD back = 0;
          ASSERT_EQ(D3DXFVFFromDeclarator(decl, &back), D3D_OK) << std::hex << fvf;
          EXPECT_EQ(back, fvf);
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 10000);
}

TEST(Declarator, FvfFromDeclarationRefusals) {
  DWORD fvf = 0;
  // A gap fails the translation but not validity.
  D3DVERTEXELEMENT9 gap[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                             {0, 16, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                             kEnd};
  EXPECT_EQ(D3DXFVFFromDeclarator(gap, &fvf), D3DERR_INVALIDCALL);
  EXPECT_TRUE(d3dx::DeclIsValid(gap));
  EXPECT_EQ(D3DXGetDeclVertexSize(gap, 0), 24u);

  D3DVERTEXELEMENT9 tangent[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                 {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_TANGENT, 0},
                                 kEnd};
  EXPECT_EQ(D3DXFVFFromDeclarator(tangent, &fvf), D3DERR_INVALIDCALL);
  // Out of FVF order: the normal before the position is left over.
  D3DVERTEXELEMENT9 order[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                               {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                               kEnd};
  EXPECT_EQ(D3DXFVFFromDeclarator(order, &fvf), D3DERR_INVALIDCALL);
  D3DVERTEXELEMENT9 skipped[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                 {0, 12, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 1},
                                 kEnd};
  EXPECT_EQ(D3DXFVFFromDeclarator(skipped, &fvf), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXFVFFromDeclarator(nullptr, &fvf), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXFVFFromDeclarator(gap, nullptr), D3DERR_INVALIDCALL);
}

TEST(Declaration, ValidityAndMeasurement) {
  EXPECT_FALSE(d3dx::DeclIsValid(nullptr));
  EXPECT_EQ(D3DXGetDeclVertexSize(nullptr, 0), 0u);
  EXPECT_EQ(D3DXGetDeclLength(nullptr), 0u);
  D3DVERTEXELEMENT9 overlap[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                 {0, 8, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                 kEnd};
  EXPECT_FALSE(d3dx::DeclIsValid(overlap));
  // Non-default methods are not measured for overlap, and UV elements take no room.
  D3DVERTEXELEMENT9 uv[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                            {0, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_UV, D3DDECLUSAGE_TEXCOORD, 0},
                            kEnd};
  EXPECT_TRUE(d3dx::DeclIsValid(uv));
  EXPECT_EQ(D3DXGetDeclVertexSize(uv, 0), 12u);
  D3DVERTEXELEMENT9 stream1[] = {{1, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, kEnd};
  EXPECT_FALSE(d3dx::DeclIsValid(stream1));
  EXPECT_EQ(D3DXGetDeclVertexSize(stream1, 1), 12u);
  EXPECT_EQ(D3DXGetDeclVertexSize(stream1, 0), 0u);
  // Only streams and default-method offsets count: an unknown type takes no room and passes.
  D3DVERTEXELEMENT9 oddType[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                 {0, 12, D3DDECLTYPE_UNUSED, 0, D3DDECLUSAGE_NORMAL, 0},
                                 {0, 12, 40, 0, D3DDECLUSAGE_COLOR, 0},
                                 {0, 12, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                 kEnd};
  EXPECT_TRUE(d3dx::DeclIsValid(oddType));
  EXPECT_EQ(D3DXGetDeclVertexSize(oddType, 0), 20u);
  // No end marker inside the 65 entries: not valid, and the length stops at the array's end.
  std::vector<D3DVERTEXELEMENT9> unterminated(MAX_FVF_DECL_SIZE, {0, 0, D3DDECLTYPE_FLOAT1, 1, 0, 0});
  EXPECT_FALSE(d3dx::DeclIsValid(unterminated.data()));
  EXPECT_EQ(D3DXGetDeclLength(unterminated.data()), 64u);
}

TEST(ElementLookup, LastQualifyingElementWins) {
  D3DVERTEXELEMENT9 decl[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                              {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                              {0, 24, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                              {0, 36, D3DDECLTYPE_FLOAT4, 0, D3DDECLUSAGE_POSITION, 0},
                              {0, 52, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 1},
                              {0, 56, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 7},
                              {0, 64, D3DDECLTYPE_SHORT2, 0, D3DDECLUSAGE_TEXCOORD, 3},
                              kEnd};
  d3dx::ElementLookup lookup;
  lookup.Setup(decl);
  EXPECT_EQ(lookup.length, 7u);
  EXPECT_EQ(lookup.position, &decl[0]);  // FLOAT4 does not qualify
  EXPECT_EQ(lookup.normal, &decl[2]);
  EXPECT_EQ(lookup.specular, &decl[4]);
  EXPECT_EQ(lookup.diffuse, nullptr);
  EXPECT_EQ(lookup.texCoords[7], &decl[5]);
  EXPECT_EQ(lookup.texCoords[3], nullptr);
  EXPECT_EQ(lookup.vertexSize, 68u);
}

// Decode then encode of one element between two types, through the converter.
std::vector<BYTE> Convert(BYTE fromType, const void* value, BYTE toType, BYTE usage = D3DDECLUSAGE_TEXCOORD) {
  D3DVERTEXELEMENT9 from[] = {{0, 0, fromType, 0, usage, 0}, kEnd};
  D3DVERTEXELEMENT9 to[] = {{0, 0, toType, 0, usage, 0}, kEnd};
  d3dx::DeclConverter converter;
  converter.Setup(from, to);
  std::vector<BYTE> out(d3dx::DeclTypeSize(toType), 0xCD);
  converter.SetData(value, out.data());
  converter.ConvertVertex(0, 0, true);
  return out;
}

template <typename T, size_t N>
std::array<T, N> As(const std::vector<BYTE>& bytes) {
  std::array<T, N> v;
  std::memcpy(v.data(), bytes.data(), sizeof(T) * N);
  return v;
}

TEST(Converter, ColourAndNormalisedTypes) {
  DWORD argb = 0x80FF0000;
  auto rgba = As<float, 4>(Convert(D3DDECLTYPE_D3DCOLOR, &argb, D3DDECLTYPE_FLOAT4));
  EXPECT_FLOAT_EQ(rgba[0], 1.0f);
  EXPECT_FLOAT_EQ(rgba[1], 0.0f);
  EXPECT_FLOAT_EQ(rgba[2], 0.0f);
  EXPECT_FLOAT_EQ(rgba[3], 128.0f / 255);
  // And back, with clamping of out-of-range components.
  float colour[4] = {1.5f, 0.5f, -1.0f, 128.0f / 255};
  EXPECT_EQ((As<DWORD, 1>(Convert(D3DDECLTYPE_FLOAT4, colour, D3DDECLTYPE_D3DCOLOR))[0]), 0x80FF8000u);

  float extremes[2] = {-1.0f, 1.0f};
  auto shorts = As<int16_t, 2>(Convert(D3DDECLTYPE_FLOAT2, extremes, D3DDECLTYPE_SHORT2N));
  EXPECT_EQ(shorts[0], -32766);
  EXPECT_EQ(shorts[1], 32767);
  int16_t raw[2] = {-32768, 16384};
  auto decoded = As<float, 2>(Convert(D3DDECLTYPE_SHORT2N, raw, D3DDECLTYPE_FLOAT2));
  EXPECT_FLOAT_EQ(decoded[0], -1.0f);
  EXPECT_FLOAT_EQ(decoded[1], 16384.0f / 32767);

  uint16_t unsignedRaw[2] = {65535, 0};
  auto u = As<float, 2>(Convert(D3DDECLTYPE_USHORT2N, unsignedRaw, D3DDECLTYPE_FLOAT2));
  EXPECT_FLOAT_EQ(u[0], 1.0f);
  float ubytes[4] = {0.0f, 1.0f, 2.0f, 0.5f};
  auto n = As<BYTE, 4>(Convert(D3DDECLTYPE_FLOAT4, ubytes, D3DDECLTYPE_UBYTE4N));
  EXPECT_EQ(n[0], 0);
  EXPECT_EQ(n[1], 255);
  EXPECT_EQ(n[2], 255);
  EXPECT_EQ(n[3], 128);
}

TEST(Converter, IntegerAndPackedTypes) {
  float values[4] = {3.4f, -2.0f, 300.0f, 7.6f};
  auto ub = As<BYTE, 4>(Convert(D3DDECLTYPE_FLOAT4, values, D3DDECLTYPE_UBYTE4));
  EXPECT_EQ(ub[0], 3);
  EXPECT_EQ(ub[1], 0);  // negatives clamp at zero
  EXPECT_EQ(ub[3], 8);
  auto s = As<int16_t, 4>(Convert(D3DDECLTYPE_FLOAT4, values, D3DDECLTYPE_SHORT4));
  EXPECT_EQ(s[0], 3);
  EXPECT_EQ(s[1], -1);  // truncation of -1.5 toward zero
  EXPECT_EQ(s[2], 300);

  float packed[3] = {5.0f, 1023.0f, 12.0f};
  DWORD udec = As<DWORD, 1>(Convert(D3DDECLTYPE_FLOAT3, packed, D3DDECLTYPE_UDEC3))[0];
  EXPECT_EQ(udec, 5u | (1023u << 10) | (12u << 20));
  auto back = As<float, 4>(Convert(D3DDECLTYPE_UDEC3, &udec, D3DDECLTYPE_FLOAT4));
  EXPECT_FLOAT_EQ(back[1], 1023.0f);
  EXPECT_FLOAT_EQ(back[3], 1.0f);

  float signedPacked[3] = {-1.0f, 1.0f, 0.0f};
  DWORD dec = As<DWORD, 1>(Convert(D3DDECLTYPE_FLOAT3, signedPacked, D3DDECLTYPE_DEC3N))[0];
  auto decBack = As<float, 3>(Convert(D3DDECLTYPE_DEC3N, &dec, D3DDECLTYPE_FLOAT3));
  EXPECT_NEAR(decBack[0], -1.0f, 1.0f / 511);
  EXPECT_FLOAT_EQ(decBack[1], 1.0f);
  DWORD minimum = 0x200;  // -512 reads as -511
  EXPECT_FLOAT_EQ((As<float, 1>(Convert(D3DDECLTYPE_DEC3N, &minimum, D3DDECLTYPE_FLOAT1))[0]), -1.0f);
}

TEST(Converter, HalfFloatsAndMissingComponents) {
  float values[4] = {1.0f, -2.5f, 65504.0f, 0.000061035156f};
  auto halves = As<WORD, 4>(Convert(D3DDECLTYPE_FLOAT4, values, D3DDECLTYPE_FLOAT16_4));
  EXPECT_EQ(halves[0], 0x3C00);
  EXPECT_EQ(halves[1], 0xC100);
  EXPECT_EQ(halves[2], 0x7BFF);
  EXPECT_EQ(halves[3], 0x0400);
  auto widened = As<float, 4>(Convert(D3DDECLTYPE_FLOAT16_4, halves.data(), D3DDECLTYPE_FLOAT4));
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(widened[i], values[i]);
  // A FLOAT2 widened to FLOAT4 gets z = 0 and w = 1.
  float two[2] = {0.25f, 0.75f};
  auto four = As<float, 4>(Convert(D3DDECLTYPE_FLOAT2, two, D3DDECLTYPE_FLOAT4));
  EXPECT_FLOAT_EQ(four[2], 0.0f);
  EXPECT_FLOAT_EQ(four[3], 1.0f);
  float nan = std::numeric_limits<float>::quiet_NaN();
  float odd[4] = {nan, 1e30f, -1e30f, 0};
  auto saturated = As<int16_t, 4>(Convert(D3DDECLTYPE_FLOAT4, odd, D3DDECLTYPE_SHORT4));
  EXPECT_EQ(saturated[0], 0);
}

TEST(Converter, ImpliedLastBlendWeight) {
  float weights[2] = {0.25f, 0.25f};
  auto three =
      As<float, 3>(Convert(D3DDECLTYPE_FLOAT2, weights, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_BLENDWEIGHT));
  EXPECT_FLOAT_EQ(three[0], 0.25f);
  EXPECT_FLOAT_EQ(three[1], 0.25f);
  EXPECT_FLOAT_EQ(three[2], 0.5f);
}

TEST(Converter, PairsByUsageAndZeroFillsTheRest) {
  // Position + normal + colour into texcoord + position with a different order and offsets.
  D3DVERTEXELEMENT9 from[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                              {0, 12, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_NORMAL, 0},
                              {0, 24, D3DDECLTYPE_D3DCOLOR, 0, D3DDECLUSAGE_COLOR, 0},
                              kEnd};
  D3DVERTEXELEMENT9 to[] = {{0, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                            {0, 8, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                            {0, 20, D3DDECLTYPE_FLOAT16_2, 0, D3DDECLUSAGE_NORMAL, 0},
                            kEnd};
  float src[2][7] = {{1, 2, 3, 0, 1, 0, 0}, {4, 5, 6, 1, 0, 0, 0}};
  float dst[2][6];
  std::memset(dst, 0x7F, sizeof(dst));
  d3dx::DeclConverter converter;
  converter.Setup(from, to);
  EXPECT_EQ(converter.destination.vertexSize, 24u);
  converter.SetData(src, dst);
  converter.ConvertVertex(1, 0, true);
  EXPECT_EQ(dst[0][0], 0.0f);
  EXPECT_EQ(dst[0][1], 0.0f);
  EXPECT_EQ(dst[0][2], 4.0f);
  EXPECT_EQ(dst[0][4], 6.0f);
  WORD half[2];
  std::memcpy(half, &dst[0][5], 4);
  EXPECT_EQ(half[0], 0x3C00);
  EXPECT_EQ(half[1], 0x0000);
  EXPECT_NE(std::memcmp(&dst[1], &dst[0], sizeof(dst[0])), 0);  // vertex 1 untouched
}

}  // namespace

namespace {

// Values every type can hold exactly survive an encode and decode; others come back clamped.
TEST(Converter, EveryTypeKeepsWhatItCanHold) {
  struct Case {
    BYTE type;
    std::array<float, 4> in, out;
  };
  const float third = 1.0f / 3;
  const Case cases[] = {
      {D3DDECLTYPE_FLOAT1, {2.5f, 9, 9, 9}, {2.5f, 0, 0, 1}},
      {D3DDECLTYPE_FLOAT2, {2.5f, -1, 9, 9}, {2.5f, -1, 0, 1}},
      {D3DDECLTYPE_FLOAT3, {2.5f, -1, 7, 9}, {2.5f, -1, 7, 1}},
      {D3DDECLTYPE_FLOAT4, {2.5f, -1, 7, 9}, {2.5f, -1, 7, 9}},
      {D3DDECLTYPE_D3DCOLOR, {1, 0.2f, 0, 2}, {1, 51.0f / 255, 0, 1}},
      {D3DDECLTYPE_UBYTE4, {1, 2, 255, -4}, {1, 2, 255, 0}},
      // Rounding adds one half and truncates toward zero, so negative whole numbers move up by one.
      {D3DDECLTYPE_SHORT2, {-300, 300, 9, 9}, {-299, 300, 0, 1}},
      {D3DDECLTYPE_SHORT4, {-300.5f, 300, 5, -5}, {-300, 300, 5, -4}},
      {D3DDECLTYPE_UBYTE4N, {1, 0.2f, -1, 0}, {1, 51.0f / 255, 0, 0}},
      {D3DDECLTYPE_SHORT2N, {0.5f, 3, 9, 9}, {16384.0f / 32767, 1, 0, 1}},
      {D3DDECLTYPE_SHORT4N, {0, 1, 0.5f, -2}, {0, 1, 16384.0f / 32767, -32766.0f / 32767}},
      {D3DDECLTYPE_USHORT2N, {third, -1, 9, 9}, {21845.0f / 65535, 0, 0, 1}},
      {D3DDECLTYPE_USHORT4N, {1, 0, 0.5f, 2}, {1, 0, 32768.0f / 65535, 1}},
      {D3DDECLTYPE_UDEC3, {1023, 0, 17, 9}, {1023, 0, 17, 1}},
      {D3DDECLTYPE_DEC3N, {1, -1, 0, 9}, {1, -510.0f / 511, 0, 1}},
      {D3DDECLTYPE_FLOAT16_2, {0.5f, -3, 9, 9}, {0.5f, -3, 0, 1}},
      {D3DDECLTYPE_FLOAT16_4, {0.5f, -3, 1024, 0.25f}, {0.5f, -3, 1024, 0.25f}},
  };
  for (const Case& c : cases) {
    BYTE bytes[16] = {};
    d3dx::EncodeElement(c.type, c.in.data(), bytes);
    float back[4];
    d3dx::DecodeElement(c.type, bytes, back);
    for (int i = 0; i < 4; ++i)
      EXPECT_FLOAT_EQ(back[i], c.out[i]) << "type " << int(c.type) << " component " << i;
  }
}

}  // namespace
