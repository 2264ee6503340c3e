// Image files from disk and from module resources: the mapping, the resource search order, and the
// D3DXGetImageInfoFrom entry points.
#include <cstdio>

#include "../../d3dx/tex/file_mapping.h"
#include "image_test_util.h"
#include "temp_path.h"

using namespace imagetest;

namespace {

std::basic_string<WCHAR> Wide(const std::string& ascii) {
  return std::basic_string<WCHAR>(ascii.begin(), ascii.end());
}

const std::vector<BYTE> kPpm = {'P', '6', ' ', '2', ' ', '1', ' ', '2', '5', '5', ' ', 1, 2, 3, 4, 5, 6};

// A 1x1 24-bit bare DIB, as a bitmap resource holds it.
std::vector<BYTE> BitmapResource() {
  std::vector<BYTE> b(44);
  Put32(b, 0, 40), Put32(b, 4, 1), Put32(b, 8, 1), Put16(b, 12, 1), Put16(b, 14, 24);
  return b;
}

class ImageFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = TempPath("image.ppm");
    emptyPath_ = TempPath("empty.ppm");
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    std::fwrite(kPpm.data(), 1, kPpm.size(), f);
    std::fclose(f);
    std::fclose(std::fopen(emptyPath_.c_str(), "wb"));
    std::memset(&info_, 0xCD, sizeof info_);
    untouched_ = info_;
  }
  void TearDown() override {
    std::remove(path_.c_str());
    std::remove(emptyPath_.c_str());
  }
  bool InfoUntouched() const { return std::memcmp(&info_, &untouched_, sizeof info_) == 0; }

  std::string path_, emptyPath_;
  D3DXIMAGE_INFO info_, untouched_;
};

TEST_F(ImageFiles, MappedFilesByNarrowAndWideNames) {
  d3dx::MappedFile file;
  ASSERT_EQ(file.Open(path_.c_str()), D3D_OK);
  ASSERT_EQ(file.Size(), kPpm.size());
  EXPECT_EQ(std::memcmp(file.Data(), kPpm.data(), kPpm.size()), 0);
  file.Close();
  EXPECT_EQ(file.Data(), nullptr);

  const std::basic_string<WCHAR> wide = Wide(path_);
  ASSERT_EQ(file.Open(wide.c_str()), D3D_OK);
  EXPECT_EQ(file.Size(), kPpm.size());

  // An empty file opens onto nothing; a missing one and a null name do not open.
  ASSERT_EQ(file.Open(emptyPath_.c_str()), D3D_OK);
  EXPECT_EQ(file.Data(), nullptr);
  EXPECT_EQ(file.Size(), 0u);
  EXPECT_EQ(file.Open((path_ + ".missing").c_str()), D3DXERR_INVALIDDATA);
  EXPECT_EQ(file.Open(static_cast<LPCSTR>(nullptr)), D3DERR_INVALIDCALL);
}

TEST_F(ImageFiles, InformationFromFiles) {
  ASSERT_EQ(D3DXGetImageInfoFromFileA(path_.c_str(), &info_), D3D_OK);
  EXPECT_EQ(info_.Width, 2u);
  EXPECT_EQ(info_.Height, 1u);
  EXPECT_EQ(info_.Depth, 1u);
  EXPECT_EQ(info_.MipLevels, 1u);
  EXPECT_EQ(info_.Format, D3DFMT_X8R8G8B8);
  EXPECT_EQ(info_.ImageFileFormat, D3DXIFF_PPM);
  D3DXIMAGE_INFO wide;
  ASSERT_EQ(D3DXGetImageInfoFromFileW(Wide(path_).c_str(), &wide), D3D_OK);
  EXPECT_EQ(std::memcmp(&wide, &info_, sizeof wide), 0);

  std::memset(&info_, 0xCD, sizeof info_);
  EXPECT_EQ(D3DXGetImageInfoFromFileA((path_ + ".missing").c_str(), &info_), D3DXERR_INVALIDDATA);
  EXPECT_TRUE(InfoUntouched());
  EXPECT_TRUE(FAILED(D3DXGetImageInfoFromFileA(emptyPath_.c_str(), &info_)));
  EXPECT_TRUE(InfoUntouched());
  EXPECT_EQ(D3DXGetImageInfoFromFileA(nullptr, &info_), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(kPpm.data(), UINT(kPpm.size()), nullptr), D3D_OK);
}

TEST_F(ImageFiles, ResourcesTryBitmapsFirst) {
  const std::vector<BYTE> bitmap = BitmapResource();
  SkyvaleRegisterResource(nullptr, "PICTURE", RT_RCDATA, kPpm.data(), DWORD(kPpm.size()));
  SkyvaleRegisterResource(nullptr, "PICTURE", RT_BITMAP, bitmap.data(), DWORD(bitmap.size()));
  SkyvaleRegisterResource(nullptr, MAKEINTRESOURCEA(7), RT_RCDATA, kPpm.data(), DWORD(kPpm.size()));
  SkyvaleRegisterResource(nullptr, "EMPTY", RT_RCDATA, kPpm.data(), 0);

  d3dx::ResourceBlock block;
  ASSERT_EQ(block.Open(nullptr, "picture", true), D3D_OK);
  EXPECT_EQ(block.Size(), bitmap.size());
  ASSERT_EQ(block.Open(nullptr, "PICTURE", false), D3D_OK);
  EXPECT_EQ(block.Size(), kPpm.size());
  EXPECT_EQ(block.Open(nullptr, "EMPTY", true), D3DXERR_INVALIDDATA);
  EXPECT_EQ(block.Open(nullptr, "ABSENT", true), D3DXERR_INVALIDDATA);

  // A bitmap resource is a DIB without its file header.
  ASSERT_EQ(D3DXGetImageInfoFromResourceA(nullptr, "PICTURE", &info_), D3D_OK);
  EXPECT_EQ(info_.ImageFileFormat, D3DXIFF_DIB);
  EXPECT_EQ(info_.Format, D3DFMT_R8G8B8);
  ASSERT_EQ(D3DXGetImageInfoFromResourceW(nullptr, Wide("Picture").c_str(), &info_), D3D_OK);
  EXPECT_EQ(info_.ImageFileFormat, D3DXIFF_DIB);
  ASSERT_EQ(D3DXGetImageInfoFromResourceA(nullptr, MAKEINTRESOURCEA(7), &info_), D3D_OK);
  EXPECT_EQ(info_.ImageFileFormat, D3DXIFF_PPM);

  std::memset(&info_, 0xCD, sizeof info_);
  EXPECT_EQ(D3DXGetImageInfoFromResourceA(nullptr, "ABSENT", &info_), D3DXERR_INVALIDDATA);
  EXPECT_TRUE(InfoUntouched());

  for (LPCSTR name : {"PICTURE", "EMPTY"}) {
    SkyvaleRegisterResource(nullptr, name, RT_RCDATA, nullptr, 0);
    SkyvaleRegisterResource(nullptr, name, RT_BITMAP, nullptr, 0);
  }
  SkyvaleRegisterResource(nullptr, MAKEINTRESOURCEA(7), RT_RCDATA, nullptr, 0);
}

}  // namespace
