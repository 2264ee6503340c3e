// The frame's device calls with their arguments, and Shutdown leaving the device unowned.
#include <algorithm>
#include <climits>

#include "app_fixture.h"
#include "d3d_utility.h"

namespace {

constexpr long long kAny = LLONG_MIN;

struct Want {
  const char* name;
  std::vector<long long> args;
};

long long P(const void* p) { return (long long)(uintptr_t)p; }

void ExpectCalls(const std::vector<LoggedCall>& calls, size_t from, const std::vector<Want>& want,
                 const std::string& what) {
  ASSERT_LE(from + want.size(), calls.size()) << what;
  for (size_t i = 0; i < want.size(); ++i) {
    const LoggedCall& got = calls[from + i];
    EXPECT_EQ(got.name, want[i].name) << what << ", call " << i;
    if (got.name != want[i].name) return;
    ASSERT_EQ(got.args.size(), want[i].args.size()) << what << ", " << got.name;
    for (size_t a = 0; a < want[i].args.size(); ++a) {
      if (want[i].args[a] == kAny) continue;
      EXPECT_EQ(got.args[a], want[i].args[a]) << what << ", " << got.name << " arg " << a;
    }
  }
}

size_t LastIndexOf(const std::vector<LoggedCall>& calls, const std::string& name) {
  for (size_t i = calls.size(); i-- > 0;)
    if (calls[i].name == name) return i;
  return calls.size();
}

const Want kFullClear = {"Clear", {0, 0, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000, 1000, 0}};

class FrameCalls : public AppTest {};

TEST_F(FrameCalls, EyePassesAndBackBufferClearEverythingAndPresentPlainly) {
  StartApp();
  Frame(0.016f);
  const auto& calls = recorder->calls;
  std::vector<size_t> clears, targets;
  for (size_t i = 0; i < calls.size(); ++i) {
    if (calls[i].name == "Clear") clears.push_back(i);
    if (calls[i].name == "SetRenderTarget") targets.push_back(i);
  }
  ASSERT_EQ(clears.size(), 3u);  // two eye passes and the back buffer; the plain view adds none
  for (size_t c : clears) ExpectCalls(calls, c, {kFullClear}, "clear " + std::to_string(c));
  // Each eye pass: its light, the target, the clear and the scene, in that order.
  ASSERT_EQ(targets.size(), 4u);
  for (int eye = 0; eye < 2; ++eye)
    ExpectCalls(calls, targets[2 * eye] - 2,
                {{"SetLight", {0, kAny}},
                 {"GetRenderTarget", {0, kAny}},
                 {"SetRenderTarget", {0, kAny}},
                 kFullClear,
                 {"BeginScene", {}}},
                eye ? "right eye" : "left eye");
  ExpectCalls(calls, clears[2],
              {kFullClear, {"BeginScene", {}}, {"SetTransform", {D3DTS_VIEW, kAny}}, {"SetLight", {0, kAny}}},
              "back buffer");
  ExpectCalls(calls, calls.size() - 2, {{"EndScene", {}}, {"Present", {0, 0, 0, 0}}}, "end");
}

TEST_F(FrameCalls, CompositeStatesStreamsAndDraws) {
  for (const char* keys : {"2@0", "3@0", "4@0"}) {
    StartApp(keys);
    Frame(0.016f);
    const bool left = std::string(keys) != "4@0", right = std::string(keys) != "3@0";
    const long long quad = P(gQuadBuffer);
    const Want draw = {"DrawPrimitive", {D3DPT_TRIANGLELIST, 0, 2}};
    std::vector<Want> want = {
        {"SetTransform", {D3DTS_VIEW, kAny}},    {"SetLight", {0, kAny}},
        {"SetTransform", {D3DTS_WORLD, kAny}},   {"SetRenderState", {D3DRS_LIGHTING, FALSE}},
        {"SetTexture", {0, P(gLeftEyeTexture)}}, {"SetStreamSource", {0, quad, 0, sizeof(TexturedVertex)}},
        {"SetFVF", {D3DFVF_XYZ | D3DFVF_TEX1}},
    };
    if (left) want.push_back(draw);
    for (const Want& w : std::vector<Want>{
             {"SetRenderState", {D3DRS_LIGHTING, TRUE}},
             {"SetRenderState", {D3DRS_ALPHABLENDENABLE, TRUE}},
             {"Clear", {0, 0, D3DCLEAR_ZBUFFER, 0, 1000, 0}},
             {"SetRenderState", {D3DRS_SRCBLEND, D3DBLEND_ONE}},
             {"SetRenderState", {D3DRS_DESTBLEND, D3DBLEND_ONE}},
             {"SetRenderState", {D3DRS_LIGHTING, FALSE}},
             {"SetTexture", {0, P(gRightEyeTexture)}},
             {"SetStreamSource", {0, quad, 0, sizeof(TexturedVertex)}},
             {"SetFVF", {D3DFVF_XYZ | D3DFVF_TEX1}},
         })
      want.push_back(w);
    if (right) want.push_back(draw);
    want.push_back({"SetRenderState", {D3DRS_LIGHTING, TRUE}});
    want.push_back({"SetRenderState", {D3DRS_ALPHABLENDENABLE, FALSE}});
    const auto& calls = recorder->calls;
    ExpectCalls(calls, LastIndexOf(calls, "BeginScene") + 1, want, keys);
    ExpectCalls(calls, calls.size() - 2, {{"EndScene", {}}, {"Present", {0, 0, 0, 0}}}, keys);
    TearDown();
  }
}

TEST_F(FrameCalls, ShutdownReleasesEverythingItMade) {
  StartApp("2@0");
  Frame(0.016f);
  IDirect3DDevice9* real = recorder->inner;
  real->AddRef();
  Shutdown();
  EXPECT_EQ(gLeftEyeTexture, nullptr);
  EXPECT_EQ(gRightEyeTexture, nullptr);
  EXPECT_EQ(gQuadBuffer, nullptr);
  gDevice->Release();
  gDevice = nullptr;
  // Whatever the frame left bound (the eye texture on stage 0, the quad's stream) must not keep
  // a resource alive behind the device's last reference.
  EXPECT_EQ(real->Release(), 0u);
}

}  // namespace
