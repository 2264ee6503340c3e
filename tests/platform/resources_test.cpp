// Module resources found by narrow and wide names.
#include <gtest/gtest.h>
#include <windows.h>

namespace {

HMODULE Module() {
  static int tag;
  return reinterpret_cast<HMODULE>(&tag);
}

TEST(Resources, WideNamesMatchTheirAnsiFormAndNothingElse) {
  static const BYTE data[] = {1, 2, 3};
  SkyvaleRegisterResource(Module(), "\xB5\xD8\xCD\xBC", "IMAGES", data, sizeof data);  // "map" in GBK
  SkyvaleRegisterResource(Module(), "?", "IMAGES", data, sizeof data);

  HRSRC narrow = FindResourceA(Module(), "\xB5\xD8\xCD\xBC", "images");
  ASSERT_NE(narrow, nullptr);
  EXPECT_EQ(FindResourceW(Module(), u"\u5730\u56FE", u"IMAGES"), narrow);
  EXPECT_EQ(SizeofResource(Module(), narrow), 3u);

  // A character the ANSI code page lacks finds nothing, not the resource named "?".
  EXPECT_EQ(FindResourceW(Module(), u"\u0E01", u"IMAGES"), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(FindResourceW(Module(), u"\u5730\u56FE", u"\u0E01"), nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_TYPE_NOT_FOUND);
}

}  // namespace
