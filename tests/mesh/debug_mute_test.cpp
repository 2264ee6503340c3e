// The library's mute switch for the runtime's debug output.
#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include "failing_allocations.h"
#include "temp_path.h"

namespace d3dx {
void DebugMute(bool mute);
void ResetDebugMute();
}  // namespace d3dx

namespace {

class DebugMuteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);  // the runtime is loaded from here on
    ASSERT_NE(d3d, nullptr);
    d3d->Release();
    d3dx::ResetDebugMute();
    DebugSetMute(FALSE);
  }
  void TearDown() override {
    unsetenv("SKYVALE_REGISTRY");
    std::remove(path.c_str());
    d3dx::ResetDebugMute();
    DebugSetMute(FALSE);
  }
  void Registry(const char* value) {
    std::ofstream(path) << "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Direct3D]\n\"D3DXDoNotMute\"=" << value
                        << "\n";
    setenv("SKYVALE_REGISTRY", path.c_str(), 1);
  }
  // The runtime's flag as the library left it (reading it resets it).
  static bool RuntimeMuted() { return DebugSetMute(FALSE) != FALSE; }
  std::string path = TempPath("mute.reg");
};

TEST_F(DebugMuteTest, PassesTheFlagToTheLoadedRuntime) {
  d3dx::DebugMute(true);
  EXPECT_TRUE(RuntimeMuted());
  d3dx::DebugMute(true);
  d3dx::DebugMute(false);
  EXPECT_FALSE(RuntimeMuted());
}

TEST_F(DebugMuteTest, DoNotMuteDisablesItForTheProcess) {
  Registry("dword:00000001");
  d3dx::DebugMute(true);
  EXPECT_FALSE(RuntimeMuted());
  unsetenv("SKYVALE_REGISTRY");  // read once: later calls do not look again
  d3dx::DebugMute(true);
  EXPECT_FALSE(RuntimeMuted());
}

TEST_F(DebugMuteTest, ZeroOrStringValueLeavesMutingOn) {
  for (const char* value : {"dword:00000000", "\"1\""}) {
    d3dx::ResetDebugMute();
    Registry(value);
    d3dx::DebugMute(true);
    EXPECT_TRUE(RuntimeMuted()) << value;
  }
}

// The registry is a C interface read while the library probes its switches: a refused allocation
// must come back as an error code, not as an exception through the caller.
TEST_F(DebugMuteTest, RegistryReadUnderRefusedAllocationsReturnsAnErrorCode) {
  Registry("dword:00000001");
  bool succeeded = false;
  for (long successes = 0; !succeeded && successes < 10000; ++successes) {
    HKEY key = nullptr;
    LONG rc = ERROR_SUCCESS;
    bool threw = false;
    {
      FailingAllocations refuse(successes);
      try {
        rc = RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Direct3D", &key);
      } catch (...) {
        threw = true;
      }
    }
    ASSERT_FALSE(threw) << successes;
    if (rc == ERROR_SUCCESS) {
      succeeded = true;
      EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    } else {
      EXPECT_EQ(rc, ERROR_NOT_ENOUGH_MEMORY) << successes;
    }
  }
  EXPECT_TRUE(succeeded);
}

}  // namespace
