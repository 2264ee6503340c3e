// The format table and the closest-format searches.
#include <gtest/gtest.h>

#include "../../d3dx/tex/format_info.h"

using namespace d3dx;

namespace {

D3DFORMAT FromList(std::initializer_list<D3DFORMAT> formats, D3DFORMAT requested, bool allowPalette = false) {
  std::vector<D3DFORMAT> list(formats);
  list.push_back(D3DFMT_UNKNOWN);
  return MatchFormatFromList(list.data(), allowPalette, LookupFormatInfo(requested));
}

TEST(FormatSearch, ListExamples) {
  EXPECT_EQ(FromList({D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8}, D3DFMT_A8R8G8B8), D3DFMT_A8R8G8B8);
  EXPECT_EQ(FromList({D3DFMT_R5G6B5, D3DFMT_X1R5G5B5}, D3DFMT_A8R8G8B8), D3DFMT_R5G6B5);
  EXPECT_EQ(FromList({D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4}, D3DFMT_A8R8G8B8), D3DFMT_A1R5G5B5);
  EXPECT_EQ(FromList({D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}, D3DFMT_R8G8B8), D3DFMT_X8R8G8B8);
  EXPECT_EQ(FromList({D3DFMT_X8R8G8B8}, D3DFMT_A8), D3DFMT_UNKNOWN);
  EXPECT_EQ(FromList({D3DFMT_P8}, D3DFMT_P8), D3DFMT_UNKNOWN);
  EXPECT_EQ(FromList({D3DFMT_P8}, D3DFMT_P8, true), D3DFMT_P8);
}

}  // namespace
