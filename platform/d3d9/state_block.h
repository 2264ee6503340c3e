// State blocks: a set of recorded or captured device states with their values.
#pragma once
#include <d3d9.h>

#include <cstring>
#include <map>

#include "objects.h"

namespace d3d9rt {

enum StateKind : uint32_t {
  kRender = 1,
  kStage,       // unit: stage, index: type
  kSampler,     // unit: sampler, index: type
  kTransform,   // index: D3DTRANSFORMSTATETYPE
  kTexture,     // index: stage
  kStream,      // index: stream; dw[0] offset, dw[1] stride
  kStreamFreq,  // index: stream
  kIndices,
  kMaterial,
  kLight,        // index: light
  kLightEnable,  // index: light
  kViewport,
  kScissor,
  kClipPlane,     // index: plane
  kVertexFormat,  // dw[0] FVF, or the declaration object
  kVertexShader,
  kPixelShader,
  kNPatch,
};

// Which state an entry holds: its kind, the texture stage or sampler it belongs to (0 for the
// kinds without units) and its index. Blocks apply their entries in this order.
struct StateKey {
  StateKind kind;
  uint32_t unit = 0;
  uint32_t index = 0;
  auto operator<=>(const StateKey&) const = default;
};

struct StateEntry {
  StateEntry() { std::memset(&light, 0, sizeof light); }
  ~StateEntry() { setObject(nullptr); }
  StateEntry(const StateEntry&) = delete;
  StateEntry& operator=(const StateEntry&) = delete;
  union {
    DWORD dw[4];
    float f[4];
    D3DMATRIX m;
    D3DMATERIAL9 material;
    D3DLIGHT9 light;
    D3DVIEWPORT9 viewport;
    RECT rect;
  };
  Counted* object = nullptr;  // a texture, buffer or declaration, held by a bind reference
  void setObject(Counted* o) {
    if (o) o->bind();
    if (object) object->unbind();
    object = o;
  }
};

class StateBlock : public CountedObject<IDirect3DStateBlock9> {
 public:
  explicit StateBlock(Device* device, bool ownedByDevice) : CountedObject(device, ownedByDevice) {}
  HRESULT QueryInterface(REFIID riid, void** object) override;
  HRESULT Capture() override;
  HRESULT Apply() override;

  StateEntry& slot(const StateKey& key) { return entries_[key]; }
  size_t size() const { return entries_.size(); }

 private:
  std::map<StateKey, StateEntry> entries_;
};

}  // namespace d3d9rt
