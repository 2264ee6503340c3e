// The headless window system: windows exist only as records, frames go to the host's sink.
#include "platform.h"

namespace win32 {
namespace {

class HeadlessBackend final : public Backend {
 public:
  const char* name() const override { return "headless"; }
  bool createWindow(Window&) override { return true; }
  void showWindow(Window&, bool) override {}
  void destroyWindow(Window&) override {}
  void pumpEvents() override {}
  void present(Window*, const uint32_t*, int, int, int) override {}
  bool messageBox(Window*, const std::string&, const std::string&) override { return false; }
};

}  // namespace

std::unique_ptr<Backend> MakeHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

}  // namespace win32
