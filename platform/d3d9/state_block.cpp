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

void Device::readState(uint64_t key, StateEntry& e) {
  uint32_t i = keyIndex(key);
  switch (keyKind(key)) {
    case kRender:
      e.dw[0] = state_.renderState[i];
      break;
    case kStage:
      e.dw[0] = state_.stageState[i / 64][i % 64];
      break;
    case kSampler:
      e.dw[0] = state_.samplerState[i / 64][i % 64];
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

void Device::writeState(uint64_t key, const StateEntry& e) {
  uint32_t i = keyIndex(key);
  switch (keyKind(key)) {
    case kRender:
      SetRenderState((D3DRENDERSTATETYPE)i, e.dw[0]);
      break;
    case kStage:
      SetTextureStageState(i / 64, (D3DTEXTURESTAGESTATETYPE)(i % 64), e.dw[0]);
      break;
    case kSampler:
      SetSamplerState(i / 64, (D3DSAMPLERSTATETYPE)(i % 64), e.dw[0]);
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

void Device::allStateKeys(D3DSTATEBLOCKTYPE type, std::vector<uint64_t>* keys) {
  bool all = type == D3DSBT_ALL, pixel = all || type == D3DSBT_PIXELSTATE,
       vertex = all || type == D3DSBT_VERTEXSTATE;
  for (DWORD s = 0; s < 256; ++s) {
    DWORD unused;
    if (!renderStateDefault(s, false, &unused)) continue;
    if ((pixel && isPixelRenderState(s)) || (vertex && isVertexRenderState(s)))
      keys->push_back(stateKey(kRender, s));
  }
  for (DWORD stage = 0; stage < 8; ++stage) {
    for (DWORD t = D3DTSS_COLOROP; t <= D3DTSS_CONSTANT; ++t) {
      DWORD v;
      if (FAILED(GetTextureStageState(stage, (D3DTEXTURESTAGESTATETYPE)t, &v))) continue;
      bool vertexState = t == D3DTSS_TEXCOORDINDEX || t == D3DTSS_TEXTURETRANSFORMFLAGS;
      if (vertexState ? vertex : pixel) keys->push_back(stateKey(kStage, stage * 64 + t));
    }
    for (DWORD t = D3DSAMP_ADDRESSU; t <= D3DSAMP_DMAPOFFSET; ++t)
      if (t == D3DSAMP_DMAPOFFSET ? vertex : pixel) keys->push_back(stateKey(kSampler, stage * 64 + t));
  }
  if (vertex) {
    for (const auto& [index, slot] : lights_) {
      keys->push_back(stateKey(kLight, index));
      keys->push_back(stateKey(kLightEnable, index));
    }
    keys->push_back(stateKey(kVertexFormat, 0));
    keys->push_back(stateKey(kVertexShader, 0));
    keys->push_back(stateKey(kNPatch, 0));
    for (UINT s = 0; s < 16; ++s) keys->push_back(stateKey(kStreamFreq, s));
  }
  if (pixel) keys->push_back(stateKey(kPixelShader, 0));
  if (all) {
    keys->push_back(stateKey(kTransform, D3DTS_VIEW));
    keys->push_back(stateKey(kTransform, D3DTS_PROJECTION));
    for (UINT t = 0; t < 8; ++t) keys->push_back(stateKey(kTransform, D3DTS_TEXTURE0 + t));
    for (UINT w = 0; w < 256; ++w) keys->push_back(stateKey(kTransform, 256 + w));
    for (UINT t = 0; t < 8; ++t) keys->push_back(stateKey(kTexture, t));
    for (UINT s = 0; s < 16; ++s) keys->push_back(stateKey(kStream, s));
    keys->push_back(stateKey(kIndices, 0));
    keys->push_back(stateKey(kMaterial, 0));
    keys->push_back(stateKey(kViewport, 0));
    keys->push_back(stateKey(kScissor, 0));
    for (UINT p = 0; p < 6; ++p) keys->push_back(stateKey(kClipPlane, p));
  }
}

HRESULT Device::CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** out) {
  if (!out || recording_ || type < D3DSBT_ALL || type > D3DSBT_VERTEXSTATE) return D3DERR_INVALIDCALL;
  std::vector<uint64_t> keys;
  allStateKeys(type, &keys);
  StateBlock* block = nullptr;
  try {
    block = new StateBlock(this, false);
    for (uint64_t key : keys) readState(key, block->slot(keyKind(key), keyIndex(key)));
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
