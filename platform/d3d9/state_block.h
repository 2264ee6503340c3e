// State blocks: a set of recorded or captured device states with their values.
#pragma once
#include <d3d9.h>

#include <cstring>
#include <map>

#include "objects.h"

namespace d3d9rt {

enum StateKind : uint32_t {
  kRender = 1,
  kStage,       // index: stage * 64 + type
  kSampler,     // index: sampler * 64 + type
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

inline uint64_t stateKey(StateKind kind, uint32_t index) { return (uint64_t)kind << 32 | index; }
inline StateKind keyKind(uint64_t key) { return (StateKind)(key >> 32); }
inline uint32_t keyIndex(uint64_t key) { return (uint32_t)key; }

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

class StateBlock : public IDirect3DStateBlock9, public Counted {
 public:
  explicit StateBlock(Device* device, bool ownedByDevice) : Counted(device, ownedByDevice) {}
  HRESULT QueryInterface(REFIID riid, void** object) override;
  D3D9RT_COUNTED
  HRESULT Capture() override;
  HRESULT Apply() override;

  StateEntry& slot(StateKind kind, uint32_t index) { return entries_[stateKey(kind, index)]; }
  size_t size() const { return entries_.size(); }

 private:
  std::map<uint64_t, StateEntry> entries_;
};

}  // namespace d3d9rt
