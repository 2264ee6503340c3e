// The format table, the mismatch score and the closest-format searches (in a list, and among the
// formats a device accepts).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../../d3dx/tex/format_info.h"
#include "../d3d9/device_fixture.h"
#include "choosy_direct3d.h"
#include "forwarding_device.h"

using namespace d3dx;

namespace {

D3DFORMAT FromList(std::initializer_list<D3DFORMAT> formats, D3DFORMAT requested, bool allowPalette = false) {
  std::vector<D3DFORMAT> list(formats);
  list.push_back(D3DFMT_UNKNOWN);
  return MatchFormatFromList(list.data(), allowPalette, LookupFormatInfo(requested));
}

UINT Score(D3DFORMAT requested, D3DFORMAT candidate) {
  return FormatMismatchScore(LookupFormatInfo(requested), LookupFormatInfo(candidate));
}

TEST(FormatTable, OrderFallbackAndInternalFormats) {
  const auto table = FormatTable();
  ASSERT_EQ(table.size(), 57u);
  EXPECT_EQ(table[0].format, D3DFMT_R8G8B8);
  EXPECT_EQ(table[5].format, D3DFMT_A8P8);
  EXPECT_EQ(table[30].format, D3DFMT_CxV8U8);
  EXPECT_EQ(table[40].format, D3DFMT_D16_LOCKABLE);
  EXPECT_EQ(table[56].format, FMT_R16G16B16);
  EXPECT_EQ(uint32_t(FMT_R16G16B16), 0x36315220u) << "\" R16\": a blank first";
  const FormatInfo& unknown = LookupFormatInfo(static_cast<D3DFORMAT>(999));
  EXPECT_EQ(&unknown, &kFallbackFormatInfo);
  EXPECT_EQ(unknown.bitsPerPixel, 32u);
  EXPECT_EQ(unknown.bitsA + unknown.bitsR + unknown.bitsG + unknown.bitsB, 32u);
  EXPECT_FALSE(unknown.isCandidate);
  EXPECT_EQ(ToPublicFormat(FMT_A16L16), D3DFMT_A8L8);
  EXPECT_EQ(ToPublicFormat(FMT_R16G16B16), D3DFMT_R8G8B8);
  EXPECT_EQ(ToPublicFormat(D3DFMT_DXT3), D3DFMT_DXT3);
}

TEST(FormatTable, RowSizesByLayout) {
  EXPECT_EQ(RowBytes(D3DFMT_DXT1, 5), 16u);
  EXPECT_EQ(RowBytes(D3DFMT_DXT5, 5), 32u);
  EXPECT_EQ(RowBytes(D3DFMT_YUY2, 3), 8u);
  EXPECT_EQ(RowBytes(FMT_R16G16B16, 3), 18u);
  EXPECT_EQ(RowBytes(D3DFMT_A32B32G32R32F, 3), 48u);
  EXPECT_EQ(StorageRows(D3DFMT_DXT2, 5), 2u);
  EXPECT_EQ(StorageRows(D3DFMT_UYVY, 5), 5u);
}

TEST(FormatSearch, MismatchScores) {
  EXPECT_EQ(Score(D3DFMT_A8R8G8B8, D3DFMT_R5G6B5), (1u << 24) + 8 * 65536);
  EXPECT_EQ(Score(D3DFMT_A8R8G8B8, D3DFMT_X1R5G5B5), (1u << 24) + 9 * 65536);
  EXPECT_EQ(Score(D3DFMT_R8G8B8, D3DFMT_A8R8G8B8), 256u);
  EXPECT_EQ(Score(D3DFMT_R8G8B8, D3DFMT_X8R8G8B8), 0u);
  EXPECT_EQ(Score(D3DFMT_R5G6B5, D3DFMT_A16B16G16R16), 256u + 11 + 10 + 11);
  EXPECT_EQ(Score(D3DFMT_A8, D3DFMT_X8R8G8B8), kFormatIncompatible) << "nothing of the request survives";
  EXPECT_EQ(Score(D3DFMT_P8, D3DFMT_A8R8G8B8), 0u) << "a palette may become RGB";
  EXPECT_EQ(Score(D3DFMT_A8R8G8B8, D3DFMT_A8P8), kFormatIncompatible) << "RGB never becomes a palette";
  EXPECT_EQ(Score(D3DFMT_A8R8G8B8, D3DFMT_A8L8), kFormatIncompatible);
  EXPECT_EQ(Score(D3DFMT_V8U8, D3DFMT_A8R8G8B8), kFormatIncompatible);
  EXPECT_EQ(Score(D3DFMT_D16, D3DFMT_A8R8G8B8), kFormatIncompatible);
}

TEST(FormatSearch, ListExamples) {
  EXPECT_EQ(FromList({D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8}, D3DFMT_A8R8G8B8), D3DFMT_A8R8G8B8);
  EXPECT_EQ(FromList({D3DFMT_R5G6B5, D3DFMT_X1R5G5B5}, D3DFMT_A8R8G8B8), D3DFMT_R5G6B5);
  EXPECT_EQ(FromList({D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4}, D3DFMT_A8R8G8B8), D3DFMT_A1R5G5B5);
  EXPECT_EQ(FromList({D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5}, D3DFMT_A8R8G8B8), D3DFMT_A4R4G4B4)
      << "first of a tie";
  EXPECT_EQ(FromList({D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}, D3DFMT_R8G8B8), D3DFMT_X8R8G8B8);
  EXPECT_EQ(FromList({D3DFMT_A16B16G16R16, D3DFMT_A8R8G8B8}, D3DFMT_R5G6B5), D3DFMT_A8R8G8B8)
      << "equal scores: the smaller pixel wins";
  EXPECT_EQ(FromList({D3DFMT_X8R8G8B8}, D3DFMT_A8), D3DFMT_UNKNOWN);
  EXPECT_EQ(FromList({D3DFMT_P8, D3DFMT_A8P8}, D3DFMT_P8), D3DFMT_UNKNOWN);
  EXPECT_EQ(FromList({D3DFMT_A8P8, D3DFMT_P8}, D3DFMT_P8, true), D3DFMT_P8);
  EXPECT_EQ(FromList({static_cast<D3DFORMAT>(999), D3DFMT_L8}, D3DFMT_L16), D3DFMT_L8)
      << "unknown entries skipped";
}

class ChoosyDevice : public ForwardingDevice {
 public:
  ChoosyDevice(IDirect3DDevice9* inner, ChoosyDirect3D* d3d) : ForwardingDevice(inner), d3d_(d3d) {}
  HRESULT GetDirect3D(IDirect3D9** out) override {
    d3d_->AddRef();
    *out = d3d_;
    return D3D_OK;
  }

 private:
  ChoosyDirect3D* d3d_;
};

class DeviceSearch : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    D3DPRESENT_PARAMETERS pp = Params(D3DFMT_UNKNOWN, 64, 64);
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
  }
  // The search on a device whose runtime accepts `accepted`.
  D3DFORMAT Match(std::vector<D3DFORMAT> accepted, D3DFORMAT requested, DWORD usage = 0,
                  DWORD* usageSeen = nullptr) {
    auto* choosy = new ChoosyDirect3D(d3d, std::move(accepted));
    auto* wrapped = new ChoosyDevice(device, choosy);
    const D3DFORMAT f = MatchDeviceFormat(wrapped, usage, D3DRTYPE_TEXTURE, requested);
    if (usageSeen) *usageSeen = choosy->lastUsage;
    EXPECT_EQ(wrapped->Release(), 0u);
    EXPECT_EQ(choosy->Release(), 0u) << "the search released the runtime it asked for";
    return f;
  }
};

TEST_F(DeviceSearch, SubstitutesOnlyCandidatesOfCompatibleCategories) {
  EXPECT_EQ(Match({D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}, D3DFMT_R8G8B8), D3DFMT_X8R8G8B8);
  EXPECT_EQ(Match({D3DFMT_R8G8B8, D3DFMT_X8R8G8B8}, D3DFMT_R8G8B8), D3DFMT_R8G8B8);
  EXPECT_EQ(Match({D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}, D3DFMT_L8), D3DFMT_X8R8G8B8);
  EXPECT_EQ(Match({D3DFMT_L8, D3DFMT_P8, D3DFMT_A8L8}, D3DFMT_R5G6B5), D3DFMT_UNKNOWN);
  EXPECT_EQ(Match({D3DFMT_CxV8U8}, D3DFMT_V8U8), D3DFMT_UNKNOWN) << "CxV8U8 is no substitute";
  EXPECT_EQ(Match({D3DFMT_CxV8U8, D3DFMT_Q8W8V8U8}, D3DFMT_V8U8), D3DFMT_Q8W8V8U8);
  EXPECT_EQ(Match({D3DFMT_DXT1, D3DFMT_A8R8G8B8}, D3DFMT_DXT1), D3DFMT_DXT1) << "exact, though no candidate";
  EXPECT_EQ(Match({D3DFMT_A8R8G8B8}, D3DFMT_DXT1), D3DFMT_A8R8G8B8);
}

TEST_F(DeviceSearch, VertexTextureUsageOnSoftwareProcessing) {
  DWORD usage = 0;
  Match({D3DFMT_A8R8G8B8}, D3DFMT_A8R8G8B8, D3DUSAGE_QUERY_VERTEXTEXTURE, &usage);
  EXPECT_EQ(usage, DWORD(D3DUSAGE_QUERY_VERTEXTEXTURE | D3DUSAGE_SOFTWAREPROCESSING));
  Match({D3DFMT_A8R8G8B8}, D3DFMT_A8R8G8B8, D3DUSAGE_RENDERTARGET, &usage);
  EXPECT_EQ(usage, DWORD(D3DUSAGE_RENDERTARGET));
}

TEST(FormatSearchWithoutDevice, EveryFormatIsAvailable) {
  EXPECT_EQ(MatchDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, D3DFMT_CxV8U8), D3DFMT_CxV8U8);
  EXPECT_EQ(MatchDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, FMT_A16L16), FMT_A16L16);
  EXPECT_EQ(MatchDeviceFormat(nullptr, 0, D3DRTYPE_TEXTURE, static_cast<D3DFORMAT>(999)), D3DFMT_A8R8G8B8);
}

}  // namespace
