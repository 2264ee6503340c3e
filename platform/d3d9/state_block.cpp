#include "state_block.h"

#include "device.h"

namespace d3d9rt {

HRESULT StateBlock::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDirect3DStateBlock9) {
    *object = static_cast<IDirect3DStateBlock9*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// Re-reads exactly the states the block holds; it never grows.
HRESULT StateBlock::Capture() {
  if (device_->recording()) return D3DERR_INVALIDCALL;
  for (auto& [key, entry] : entries_) device_->readState(key, entry);
  return D3D_OK;
}

HRESULT StateBlock::Apply() {
  for (auto& [key, entry] : entries_) device_->writeState(key, entry);
  return D3D_OK;
}

void Device::readState(const StateKey& key, StateEntry& e) {
  const uint32_t i = key.index;
  switch (key.kind) {
    case kRender:
      e.dw[0] = state_.renderState[i];
      break;
    case kStage:
      e.dw[0] = state_.stageState[key.unit][i];
      break;
    case kSampler:
      e.dw[0] = state_.samplerState[key.unit][i];
      break;
    case kTransform:
      GetTransform((D3DTRANSFORMSTATETYPE)i, &e.m);
      break;
    case kTexture:
      e.setObject(textures_[i]);
      break;
    case kStream:
      e.dw[0] = streams_[i].offset;
      e.dw[1] = streams_[i].stride;
      e.setObject(streams_[i].buffer);
      break;
    case kStreamFreq:
      e.dw[0] = streams_[i].frequency;
      break;
    case kIndices:
      e.setObject(indices_);
      break;
    case kMaterial:
      e.material = state_.material;
      break;
    case kLight: {
      auto it = lights_.find(i);
      if (it != lights_.end()) e.light = it->second.light;
      break;
    }
    case kLightEnable: {
      auto it = lights_.find(i);
      e.dw[0] = it != lights_.end() && it->second.enabled;
      break;
    }
    case kViewport:
      e.viewport = state_.viewport;
      break;
    case kScissor:
      e.rect = state_.scissor;
      break;
    case kClipPlane:
      for (int k = 0; k < 4; ++k) e.f[k] = state_.clipPlane[i][k];
      break;
    case kVertexFormat:
      e.dw[0] = fvf_;
      e.setObject(declaration_);
      break;
    case kVertexShader:
    case kPixelShader:
      e.dw[0] = 0;
      break;
    case kNPatch:
      e.f[0] = nPatch_;
      break;
  }
}

void Device::writeState(const StateKey& key, const StateEntry& e) {
  const uint32_t i = key.index;
  switch (key.kind) {
    case kRender:
      SetRenderState((D3DRENDERSTATETYPE)i, e.dw[0]);
      break;
    case kStage:
      SetTextureStageState(key.unit, (D3DTEXTURESTAGESTATETYPE)i, e.dw[0]);
      break;
    case kSampler:
      SetSamplerState(key.unit, (D3DSAMPLERSTATETYPE)i, e.dw[0]);
      break;
    case kTransform:
      SetTransform((D3DTRANSFORMSTATETYPE)i, &e.m);
      break;
    case kTexture:
      SetTexture(i, e.object ? static_cast<TextureCore*>(e.object)->iface() : nullptr);
      break;
    case kStream:
      SetStreamSource(i, static_cast<VertexBuffer*>(e.object), e.dw[0], e.dw[1]);
      break;
    case kStreamFreq:
      SetStreamSourceFreq(i, e.dw[0]);
      break;
    case kIndices:
      SetIndices(static_cast<IndexBuffer*>(e.object));
      break;
    case kMaterial:
      SetMaterial(&e.material);
      break;
    case kLight:
      if (e.light.Type) SetLight(i, &e.light);
      break;
    case kLightEnable:
      LightEnable(i, e.dw[0]);
      break;
    case kViewport:
      SetViewport(&e.viewport);
      break;
    case kScissor:
      SetScissorRect(&e.rect);
      break;
    case kClipPlane:
      SetClipPlane(i, e.f);
      break;
    case kVertexFormat:
      if (e.object)
        SetVertexDeclaration(static_cast<VertexDeclaration*>(e.object));
      else
        SetFVF(e.dw[0]);
      break;
    case kVertexShader:
      SetVertexShader(nullptr);
      break;
    case kPixelShader:
      SetPixelShader(nullptr);
      break;
    case kNPatch:
      SetNPatchMode(e.f[0]);
      break;
  }
}

void Device::allStateKeys(D3DSTATEBLOCKTYPE type, std::vector<StateKey>* keys) {
  bool all = type == D3DSBT_ALL, pixel = all || type == D3DSBT_PIXELSTATE,
       vertex = all || type == D3DSBT_VERTEXSTATE;
  for (DWORD s = 0; s < 256; ++s) {
    DWORD unused;
    if (!renderStateDefault(s, false, &unused)) continue;
    if ((pixel && isPixelRenderState(s)) || (vertex && isVertexRenderState(s)))
      keys->push_back(StateKey{kRender, 0, s});
  }
  for (DWORD stage = 0; stage < 8; ++stage) {
    for (DWORD t = D3DTSS_COLOROP; t <= D3DTSS_CONSTANT; ++t) {
      DWORD v;
      if (FAILED(GetTextureStageState(stage, (D3DTEXTURESTAGESTATETYPE)t, &v))) continue;
      bool vertexState = t == D3DTSS_TEXCOORDINDEX || t == D3DTSS_TEXTURETRANSFORMFLAGS;
      if (vertexState ? vertex : pixel) keys->push_back(StateKey{kStage, stage, t});
    }
    for (DWORD t = D3DSAMP_ADDRESSU; t <= D3DSAMP_DMAPOFFSET; ++t)
      if (t == D3DSAMP_DMAPOFFSET ? vertex : pixel) keys->push_back(StateKey{kSampler, stage, t});
  }
  if (vertex) {
    for (const auto& [index, slot] : lights_) {
      keys->push_back(StateKey{kLight, 0, index});
      keys->push_back(StateKey{kLightEnable, 0, index});
    }
    keys->push_back(StateKey{kVertexFormat});
    keys->push_back(StateKey{kVertexShader});
    keys->push_back(StateKey{kNPatch});
    for (UINT s = 0; s < 16; ++s) keys->push_back(StateKey{kStreamFreq, 0, s});
  }
  if (pixel) keys->push_back(StateKey{kPixelShader});
  if (all) {
    keys->push_back(StateKey{kTransform, 0, D3DTS_VIEW});
    keys->push_back(StateKey{kTransform, 0, D3DTS_PROJECTION});
    for (UINT t = 0; t < 8; ++t) keys->push_back(StateKey{kTransform, 0, D3DTS_TEXTURE0 + t});
    for (UINT w = 0; w < 256; ++w) keys->push_back(StateKey{kTransform, 0, 256 + w});
    for (UINT t = 0; t < 8; ++t) keys->push_back(StateKey{kTexture, 0, t});
    for (UINT s = 0; s < 16; ++s) keys->push_back(StateKey{kStream, 0, s});
    keys->push_back(StateKey{kIndices});
    keys->push_back(StateKey{kMaterial});
    keys->push_back(StateKey{kViewport});
    keys->push_back(StateKey{kScissor});
    for (UINT p = 0; p < 6; ++p) keys->push_back(StateKey{kClipPlane, 0, p});
  }
}

HRESULT Device::CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** out) {
  if (!out || recording_ || type < D3DSBT_ALL || type > D3DSBT_VERTEXSTATE) return D3DERR_INVALIDCALL;
  std::vector<StateKey> keys;
  allStateKeys(type, &keys);
  StateBlock* block = nullptr;
  try {
    block = new StateBlock(this, false);
    for (const StateKey& key : keys) readState(key, block->slot(key));
  } catch (const std::bad_alloc&) {
    if (block) block->Release();
    return E_OUTOFMEMORY;
  }
  *out = block;
  return D3D_OK;
}

HRESULT Device::BeginStateBlock() {
  if (recording_) return D3DERR_INVALIDCALL;
  try {
    recording_ = new StateBlock(this, true);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  recording_->bind();
  return D3D_OK;
}

HRESULT Device::EndStateBlock(IDirect3DStateBlock9** out) {
  if (!out || !recording_) return D3DERR_INVALIDCALL;
  StateBlock* block = recording_;
  recording_ = nullptr;
  block->addRef();
  block->unbind();
  *out = block;
  return D3D_OK;
}

}  // namespace d3d9rt
