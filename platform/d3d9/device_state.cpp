// Fixed-function state: set, get, defaults. A Set with the value already in force changes
// nothing, not even the state versions the pipeline keys its caches on. While a state block is
// being recorded, Sets go to the block instead of the device.
#include <cstring>

#include "device.h"
#include "state_block.h"

namespace d3d9rt {
namespace {

const D3DMATRIX kIdentity = {{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}};

bool validStageState(DWORD type) {
  return (type >= D3DTSS_COLOROP && type <= D3DTSS_TEXCOORDINDEX) ||
         (type >= D3DTSS_BUMPENVLSCALE && type <= D3DTSS_TEXTURETRANSFORMFLAGS) ||
         (type >= D3DTSS_COLORARG0 && type <= D3DTSS_RESULTARG) || type == D3DTSS_CONSTANT;
}

bool validTransform(DWORD t) {
  return t == D3DTS_VIEW || t == D3DTS_PROJECTION || (t >= D3DTS_TEXTURE0 && t <= D3DTS_TEXTURE7) ||
         (t >= 256 && t < 512);
}

D3DLIGHT9 defaultLight() {
  D3DLIGHT9 l;
  std::memset(&l, 0, sizeof l);
  l.Type = D3DLIGHT_DIRECTIONAL;
  l.Diffuse = {1, 1, 1, 0};
  l.Direction = {0, 0, 1};
  return l;
}

}  // namespace

void Device::setDefaults() {
  swr::ResetDrawState(state_, targets_.width, targets_.height, pp_.EnableAutoDepthStencil != FALSE);
  for (D3DMATRIX& m : worlds_) m = kIdentity;
  bumpState(Feeds::Both);
  fvf_ = 0;
  layoutDirty_ = true;
  nPatch_ = 0.0f;
  for (Stream& s : streams_) s.offset = s.stride = 0, s.frequency = 1;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  DWORD unused;
  if ((DWORD)state >= 256 || !renderStateDefault(state, false, &unused)) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->slot({kRender, 0, (uint32_t)state}).dw[0] = value;
    return D3D_OK;
  }
  assignState(state_.renderState[state], value, isVertexRenderState(state) ? Feeds::Both : Feeds::Pixel);
  return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  DWORD unused;
  if (!value || (DWORD)state >= 256 || !renderStateDefault(state, false, &unused)) return D3DERR_INVALIDCALL;
  *value = state_.renderState[state];
  return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  if (stage >= 8 || !validStageState(type)) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->slot({kStage, stage, (uint32_t)type}).dw[0] = value;
    return D3D_OK;
  }
  const bool vertex = type == D3DTSS_TEXCOORDINDEX || type == D3DTSS_TEXTURETRANSFORMFLAGS;
  assignState(state_.stageState[stage][type], value, vertex ? Feeds::Both : Feeds::Pixel);
  return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
  if (!value || stage >= 8 || !validStageState(type)) return D3DERR_INVALIDCALL;
  *value = state_.stageState[stage][type];
  return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  if (sampler >= 8 || type < D3DSAMP_ADDRESSU || type > D3DSAMP_DMAPOFFSET) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->slot({kSampler, sampler, (uint32_t)type}).dw[0] = value;
    return D3D_OK;
  }
  assignState(state_.samplerState[sampler][type], value, Feeds::Pixel);
  return D3D_OK;
}

HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
  if (!value || sampler >= 8 || type < D3DSAMP_ADDRESSU || type > D3DSAMP_DMAPOFFSET)
    return D3DERR_INVALIDCALL;
  *value = state_.samplerState[sampler][type];
  return D3D_OK;
}

// The setters the scene calls before every draw answer the redundant case first and leave the rest
// to a function of its own, so that case costs no more than its test.
HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  if (stage >= 8) return D3DERR_INVALIDCALL;
  // The common, redundant case, known without asking the object what it is.
  if (!recording_ && texture == boundInterfaces_[stage]) return D3D_OK;
  return changeTexture(stage, texture);
}

HRESULT Device::changeTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  TextureCore* t = texture ? textureCore(texture) : nullptr;
  if (!recording_ && t == textures_[stage]) return D3D_OK;
  if (texture && (!t || t->device() != this || t->pool() == D3DPOOL_SCRATCH)) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->slot({kTexture, 0, (uint32_t)stage}).setObject(t);
    return D3D_OK;
  }
  if (t) t->bind();
  if (textures_[stage]) textures_[stage]->unbind();
  textures_[stage] = t;
  boundInterfaces_[stage] = t ? texture : nullptr;
  boundStages_ = t ? boundStages_ | 1u << stage : boundStages_ & ~(1u << stage);
  state_.texture[stage] = t ? t->sampleSource() : nullptr;
  bumpState(Feeds::Pixel);
  return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
  if (!texture || stage >= 8) return D3DERR_INVALIDCALL;
  *texture = textures_[stage] ? textures_[stage]->iface() : nullptr;
  if (*texture) (*texture)->AddRef();
  return D3D_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  if (!matrix || !validTransform(state)) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->slot({kTransform, 0, (uint32_t)state}).m = *matrix;
    return D3D_OK;
  }
  D3DMATRIX* target;
  if (state == D3DTS_VIEW)
    target = &state_.view;
  else if (state == D3DTS_PROJECTION)
    target = &state_.projection;
  else if (state == D3DTS_WORLD)
    target = &state_.world;
  else if (state >= 256)
    target = &worlds_[state - 256];
  else
    target = &state_.textureTransform[state - D3DTS_TEXTURE0];
  assignState(*target, *matrix, Feeds::Vertex);
  return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  if (!matrix || !validTransform(state)) return D3DERR_INVALIDCALL;
  if (state == D3DTS_VIEW)
    *matrix = state_.view;
  else if (state == D3DTS_PROJECTION)
    *matrix = state_.projection;
  else if (state == D3DTS_WORLD)
    *matrix = state_.world;
  else if (state >= 256)
    *matrix = worlds_[state - 256];
  else
    *matrix = state_.textureTransform[state - D3DTS_TEXTURE0];
  return D3D_OK;
}

// The given matrix times the current one.
HRESULT Device::MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
  D3DMATRIX current, out;
  if (!matrix || FAILED(GetTransform(state, &current))) return D3DERR_INVALIDCALL;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      out.m[r][c] = matrix->m[r][0] * current.m[0][c] + matrix->m[r][1] * current.m[1][c] +
                    matrix->m[r][2] * current.m[2][c] + matrix->m[r][3] * current.m[3][c];
  return SetTransform(state, &out);
}

HRESULT Device::SetViewport(const D3DVIEWPORT9* vp) {
  if (!vp || vp->Width == 0 || vp->Height == 0) return D3DERR_INVALIDCALL;
  if ((uint64_t)vp->X + vp->Width > targets_.width || (uint64_t)vp->Y + vp->Height > targets_.height)
    return D3DERR_INVALIDCALL;
  if (!(vp->MinZ >= 0.0f && vp->MinZ <= 1.0f && vp->MaxZ >= 0.0f && vp->MaxZ <= 1.0f))
    return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->slot({kViewport}).viewport = *vp;
    return D3D_OK;
  }
  assignState(state_.viewport, *vp, Feeds::Both);
  return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* vp) {
  if (!vp) return D3DERR_INVALIDCALL;
  *vp = state_.viewport;
  return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* material) {
  if (!material) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->slot({kMaterial}).material = *material;
    return D3D_OK;
  }
  assignState(state_.material, *material, Feeds::Vertex);
  return D3D_OK;
}

HRESULT Device::GetMaterial(D3DMATERIAL9* material) {
  if (!material) return D3DERR_INVALIDCALL;
  *material = state_.material;
  return D3D_OK;
}

void Device::rebuildLights() {
  enabledLights_.clear();
  for (const auto& [index, slot] : lights_)
    if (slot.enabled) enabledLights_.push_back(slot.light);
  state_.lights = enabledLights_.empty() ? nullptr : enabledLights_.data();
  state_.lightCount = (uint32_t)enabledLights_.size();
  bumpState(Feeds::Vertex);
}

HRESULT Device::SetLight(DWORD index, const D3DLIGHT9* light) {
  if (!light || light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
  if (light->Type != D3DLIGHT_DIRECTIONAL && !(light->Range >= 0.0f)) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->slot({kLight, 0, (uint32_t)index}).light = *light;
    return D3D_OK;
  }
  auto it = lights_.find(index);
  if (it == lights_.end()) {
    lights_[index] = {*light, false};
    return D3D_OK;
  }
  if (std::memcmp(&it->second.light, light, sizeof *light) == 0) return D3D_OK;
  it->second.light = *light;
  if (it->second.enabled) rebuildLights();
  return D3D_OK;
}

HRESULT Device::GetLight(DWORD index, D3DLIGHT9* light) {
  auto it = lights_.find(index);
  if (!light || it == lights_.end()) return D3DERR_INVALIDCALL;
  *light = it->second.light;
  return D3D_OK;
}

HRESULT Device::LightEnable(DWORD index, BOOL enable) {
  if (recording_) {
    recording_->slot({kLightEnable, 0, (uint32_t)index}).dw[0] = enable ? TRUE : FALSE;
    return D3D_OK;
  }
  auto it = lights_.find(index);
  if (it == lights_.end()) it = lights_.emplace(index, LightSlot{defaultLight(), false}).first;
  if (it->second.enabled == (enable != FALSE)) return D3D_OK;
  it->second.enabled = enable != FALSE;
  rebuildLights();
  return D3D_OK;
}

HRESULT Device::GetLightEnable(DWORD index, BOOL* enable) {
  auto it = lights_.find(index);
  if (!enable || it == lights_.end()) return D3DERR_INVALIDCALL;
  *enable = it->second.enabled ? TRUE : FALSE;
  return D3D_OK;
}

HRESULT Device::SetClipPlane(DWORD index, const float* plane) {
  if (!plane || index >= 6) return D3DERR_INVALIDCALL;
  if (recording_) {
    std::memcpy(recording_->slot({kClipPlane, 0, (uint32_t)index}).f, plane, 16);
    return D3D_OK;
  }
  float value[4];
  std::memcpy(value, plane, sizeof value);
  assignState(state_.clipPlane[index], value, Feeds::Vertex);
  return D3D_OK;
}

HRESULT Device::GetClipPlane(DWORD index, float* plane) {
  if (!plane || index >= 6) return D3DERR_INVALIDCALL;
  std::memcpy(plane, state_.clipPlane[index], 16);
  return D3D_OK;
}

HRESULT Device::SetClipStatus(const D3DCLIPSTATUS9* status) {
  if (!status) return D3DERR_INVALIDCALL;
  clipStatus_ = *status;
  return D3D_OK;
}

HRESULT Device::GetClipStatus(D3DCLIPSTATUS9* status) {
  if (!status) return D3DERR_INVALIDCALL;
  *status = clipStatus_;
  return D3D_OK;
}

HRESULT Device::SetScissorRect(const RECT* rect) {
  if (!rect) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->slot({kScissor}).rect = *rect;
    return D3D_OK;
  }
  assignState(state_.scissor, *rect, Feeds::Pixel);
  return D3D_OK;
}

HRESULT Device::GetScissorRect(RECT* rect) {
  if (!rect) return D3DERR_INVALIDCALL;
  *rect = state_.scissor;
  return D3D_OK;
}

HRESULT Device::SetSoftwareVertexProcessing(BOOL software) {
  if (!(creation_.BehaviorFlags & D3DCREATE_MIXED_VERTEXPROCESSING)) return D3DERR_INVALIDCALL;
  softwareVP_ = software ? TRUE : FALSE;
  return D3D_OK;
}

HRESULT Device::SetNPatchMode(float segments) {
  if (!(segments >= 0.0f)) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->slot({kNPatch}).f[0] = segments;
    return D3D_OK;
  }
  nPatch_ = segments;
  return D3D_OK;
}

HRESULT Device::ValidateDevice(DWORD* numPasses) {
  if (!numPasses) return D3DERR_INVALIDCALL;
  *numPasses = 1;
  return D3D_OK;
}

HRESULT Device::SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) {
  // The bound declaration passed this device's check when it was set.
  const VertexDeclaration* d = static_cast<VertexDeclaration*>(decl);
  if (!recording_ && d == declaration_ && (d || fvf_ == 0)) return D3D_OK;
  return changeVertexDeclaration(decl);
}

HRESULT Device::changeVertexDeclaration(IDirect3DVertexDeclaration9* decl) {
  VertexDeclaration* d = static_cast<VertexDeclaration*>(decl);
  if (d && d->device() != this) return D3DERR_INVALIDCALL;
  if (recording_) {
    StateEntry& e = recording_->slot({kVertexFormat});
    e.dw[0] = 0;
    e.setObject(d);
    return D3D_OK;
  }
  if (d == declaration_ && (d || fvf_ == 0)) return D3D_OK;
  if (d) d->bind();
  if (declaration_) declaration_->unbind();
  declaration_ = d;
  fvf_ = 0;
  layoutDirty_ = true;
  bumpState(Feeds::Vertex);
  return D3D_OK;
}

HRESULT Device::GetVertexDeclaration(IDirect3DVertexDeclaration9** decl) {
  if (!decl) return D3DERR_INVALIDCALL;
  *decl = declaration_;
  if (declaration_) declaration_->AddRef();
  return D3D_OK;
}

HRESULT Device::SetFVF(DWORD fvf) {
  if (recording_) {
    StateEntry& e = recording_->slot({kVertexFormat});
    e.dw[0] = fvf;
    e.setObject(nullptr);
    return D3D_OK;
  }
  if (fvf == fvf_ && !declaration_) return D3D_OK;
  if (declaration_) declaration_->unbind(), declaration_ = nullptr;
  fvf_ = fvf;
  layoutDirty_ = true;
  bumpState(Feeds::Vertex);
  return D3D_OK;
}

HRESULT Device::GetFVF(DWORD* fvf) {
  if (!fvf) return D3DERR_INVALIDCALL;
  *fvf = fvf_;
  return D3D_OK;
}

HRESULT Device::SetVertexShader(IDirect3DVertexShader9* shader) {
  if (shader) return D3DERR_INVALIDCALL;
  if (recording_) recording_->slot({kVertexShader}).dw[0] = 0;
  return D3D_OK;
}

HRESULT Device::GetVertexShader(IDirect3DVertexShader9** shader) {
  if (!shader) return D3DERR_INVALIDCALL;
  *shader = nullptr;
  return D3D_OK;
}

HRESULT Device::SetPixelShader(IDirect3DPixelShader9* shader) {
  if (shader) return D3DERR_INVALIDCALL;
  if (recording_) recording_->slot({kPixelShader}).dw[0] = 0;
  return D3D_OK;
}

HRESULT Device::GetPixelShader(IDirect3DPixelShader9** shader) {
  if (!shader) return D3DERR_INVALIDCALL;
  *shader = nullptr;
  return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* data, UINT offset, UINT stride) {
  if (stream >= 16) return D3DERR_INVALIDCALL;
  const Stream& s = streams_[stream];
  if (!recording_ && static_cast<VertexBuffer*>(data) == s.buffer && offset == s.offset && stride == s.stride)
    return D3D_OK;
  return changeStreamSource(stream, data, offset, stride);
}

HRESULT Device::changeStreamSource(UINT stream, IDirect3DVertexBuffer9* data, UINT offset, UINT stride) {
  VertexBuffer* vb = static_cast<VertexBuffer*>(data);
  Stream& s = streams_[stream];
  if (vb && vb->device() != this) return D3DERR_INVALIDCALL;
  if (recording_) {
    StateEntry& e = recording_->slot({kStream, 0, (uint32_t)stream});
    e.dw[0] = offset;
    e.dw[1] = stride;
    e.setObject(vb);
    return D3D_OK;
  }
  if (vb != s.buffer) {
    if (vb) vb->bind();
    if (s.buffer) s.buffer->unbind();
    s.buffer = vb;
  }
  s.offset = offset;
  s.stride = stride;
  return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** data, UINT* offset, UINT* stride) {
  if (stream >= 16 || !data || !offset || !stride) return D3DERR_INVALIDCALL;
  const Stream& s = streams_[stream];
  *data = s.buffer;
  if (s.buffer) s.buffer->AddRef();
  *offset = s.offset;
  *stride = s.stride;
  return D3D_OK;
}

HRESULT Device::SetStreamSourceFreq(UINT stream, UINT setting) {
  if (stream >= 16) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->slot({kStreamFreq, 0, (uint32_t)stream}).dw[0] = setting;
    return D3D_OK;
  }
  streams_[stream].frequency = setting;
  return D3D_OK;
}

HRESULT Device::GetStreamSourceFreq(UINT stream, UINT* setting) {
  if (stream >= 16 || !setting) return D3DERR_INVALIDCALL;
  *setting = streams_[stream].frequency;
  return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* data) {
  if (!recording_ && static_cast<IndexBuffer*>(data) == indices_) return D3D_OK;
  return changeIndices(data);
}

HRESULT Device::changeIndices(IDirect3DIndexBuffer9* data) {
  IndexBuffer* ib = static_cast<IndexBuffer*>(data);
  if (ib && ib->device() != this) return D3DERR_INVALIDCALL;
  if (recording_) {
    recording_->slot({kIndices}).setObject(ib);
    return D3D_OK;
  }
  if (ib) ib->bind();
  if (indices_) indices_->unbind();
  indices_ = ib;
  return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer9** data) {
  if (!data) return D3DERR_INVALIDCALL;
  *data = indices_;
  if (indices_) indices_->AddRef();
  return D3D_OK;
}

}  // namespace d3d9rt
