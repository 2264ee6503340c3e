#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform_fixture.h"
#include "temp_path.h"

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  std::string path = TempPath("registry.reg");
  void Write(const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
    setenv("SKYVALE_REGISTRY", path.c_str(), 1);
  }
  void TearDown() override {
    std::remove(path.c_str());
    unsetenv("SKYVALE_REGISTRY");
  }
  // Reads a DWORD the way the library does: present, typed REG_DWORD, 4 bytes.
  static bool ReadDword(const char* name, DWORD& out) {
    HKEY key;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = sizeof out;
    LONG r = RegQueryValueExA(key, name, nullptr, &type, (LPBYTE)&out, &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS && type == REG_DWORD && size == 4;
  }
};

TEST_F(RegistryTest, DwordValuesAreRead) {
  Write(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Direct3D]\r\n"
      "\"DisablePSGP\"=dword:00000001\r\n"
      "\"DisableMMX\"=dword:0000abcd\r\n");
  DWORD v = 0;
  ASSERT_TRUE(ReadDword("DisablePSGP", v));
  EXPECT_EQ(v, 1u);
  ASSERT_TRUE(ReadDword("disablemmx", v));
  EXPECT_EQ(v, 0xABCDu);
  EXPECT_FALSE(ReadDword("D3DXDoNotMute", v));
}

TEST_F(RegistryTest, StringValueIsNotADword) {
  Write("REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\n\"DisablePSGP\"=\"1\"\n");
  DWORD v = 0;
  EXPECT_FALSE(ReadDword("DisablePSGP", v));
  HKEY key;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key), ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "DisablePSGP", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, (DWORD)REG_SZ);
  EXPECT_EQ(size, 2u);  // "1" and its terminating zero
  char small[1];
  size = 1;
  EXPECT_EQ(RegQueryValueExA(key, "DisablePSGP", nullptr, &type, (LPBYTE)small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 2u);
  RegCloseKey(key);
}

TEST_F(RegistryTest, MissingFileOrKeyMeansAbsent) {
  unsetenv("SKYVALE_REGISTRY");
  HKEY key;
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key), ERROR_FILE_NOT_FOUND);
  setenv("SKYVALE_REGISTRY", "/nonexistent/skyvale.reg", 1);
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key), ERROR_FILE_NOT_FOUND);
  Write("[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"X\"=dword:1\n");
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software", &key), ERROR_SUCCESS);  // parent of a key
  RegCloseKey(key);
  EXPECT_EQ(RegCloseKey((HKEY)(uintptr_t)0x1234), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, Utf16FilesBinaryAndDamagedLines) {
  std::string text =
      "Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\r\n"
      "\"Bin\"=hex:01,02,\\\r\n  "
      "03\r\n\"Bad\"=dword:xyz\r\n\"Long\"=dword:123456789\r\n\"DisableMMX\"=dword:2\r\n";
  std::string utf16 = "\xFF\xFE";
  for (char c : text) utf16 += std::string(1, c) + '\0';
  Write(utf16);
  DWORD v = 0;
  ASSERT_TRUE(ReadDword("DisableMMX", v));
  EXPECT_EQ(v, 2u);
  EXPECT_FALSE(ReadDword("Bad", v));
  EXPECT_FALSE(ReadDword("Long", v));
  HKEY key;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key), ERROR_SUCCESS);
  BYTE bytes[8];
  DWORD type, size = sizeof bytes;
  ASSERT_EQ(RegQueryValueExA(key, "Bin", nullptr, &type, bytes, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, (DWORD)REG_BINARY);
  ASSERT_EQ(size, 3u);
  EXPECT_EQ(bytes[2], 3);
  RegCloseKey(key);
}

}  // namespace
