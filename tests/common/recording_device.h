// A device that forwards every call to a real device and records it, for tests that check
// the sequence of device calls a routine makes. Generated from d3d9.h; regenerate when the
// interface changes.
#pragma once
#include <d3d9.h>

#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

struct RecordedCall {
  std::string name;
  std::vector<long long> args;  // arguments in order: integers and enums as they are, pointers as addresses, floats ×1000
};

class RecordingDevice : public IDirect3DDevice9 {
 public:
  explicit RecordingDevice(IDirect3DDevice9* inner) : inner_(inner) { inner_->AddRef(); }
  virtual ~RecordingDevice() { inner_->Release(); }

  std::vector<RecordedCall> calls;
  // Values behind the pointers of the calls tests most often check.
  std::vector<std::pair<D3DTRANSFORMSTATETYPE, D3DMATRIX>> transforms;
  std::vector<D3DLIGHT9> lights;
  bool recording = true;
  // Lets tests pretend the device is smaller than it is (e.g. a 16-bit index limit).
  DWORD maxVertexIndexOverride = 0;

  std::vector<std::string> Names() const {
    std::vector<std::string> n;
    for (const auto& c : calls) n.push_back(c.name);
    return n;
  }
  size_t Count(const std::string& name) const {
    size_t k = 0;
    for (const auto& c : calls) k += c.name == name;
    return k;
  }
  IDirect3DDevice9* inner() const { return inner_; }

  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3DDevice9) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG r = --refs_;
    if (r == 0) delete this;
    return r;
  }

  HRESULT TestCooperativeLevel() override {
    Record("TestCooperativeLevel", {});
    return inner_->TestCooperativeLevel();
  }
  UINT GetAvailableTextureMem() override {
    Record("GetAvailableTextureMem", {});
    return inner_->GetAvailableTextureMem();
  }
  HRESULT EvictManagedResources() override {
    Record("EvictManagedResources", {});
    return inner_->EvictManagedResources();
  }
  HRESULT GetDirect3D(IDirect3D9** d3d9) override {
    Record("GetDirect3D", {Arg(d3d9)});
    return inner_->GetDirect3D(d3d9);
  }
  HRESULT GetDeviceCaps(D3DCAPS9* caps) override {
    Record("GetDeviceCaps", {Arg(caps)});
    HRESULT hr = inner_->GetDeviceCaps(caps);
    if (SUCCEEDED(hr) && caps && maxVertexIndexOverride) caps->MaxVertexIndex = maxVertexIndexOverride;
    return hr;
  }
  HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override {
    Record("GetDisplayMode", {Arg(swapChain), Arg(mode)});
    return inner_->GetDisplayMode(swapChain, mode);
  }
  HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override {
    Record("GetCreationParameters", {Arg(parameters)});
    return inner_->GetCreationParameters(parameters);
  }
  HRESULT SetCursorProperties(UINT xHotSpot, UINT yHotSpot, IDirect3DSurface9* cursorBitmap) override {
    Record("SetCursorProperties", {Arg(xHotSpot), Arg(yHotSpot), Arg(cursorBitmap)});
    return inner_->SetCursorProperties(xHotSpot, yHotSpot, cursorBitmap);
  }
  void SetCursorPosition(int x, int y, DWORD flags) override {
    Record("SetCursorPosition", {Arg(x), Arg(y), Arg(flags)});
    inner_->SetCursorPosition(x, y, flags);
  }
  BOOL ShowCursor(BOOL show) override {
    Record("ShowCursor", {Arg(show)});
    return inner_->ShowCursor(show);
  }
  HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* presentationParameters, IDirect3DSwapChain9** swapChain) override {
    Record("CreateAdditionalSwapChain", {Arg(presentationParameters), Arg(swapChain)});
    return inner_->CreateAdditionalSwapChain(presentationParameters, swapChain);
  }
  HRESULT GetSwapChain(UINT swapChain, IDirect3DSwapChain9** result) override {
    Record("GetSwapChain", {Arg(swapChain), Arg(result)});
    return inner_->GetSwapChain(swapChain, result);
  }
  UINT GetNumberOfSwapChains() override {
    Record("GetNumberOfSwapChains", {});
    return inner_->GetNumberOfSwapChains();
  }
  HRESULT Reset(D3DPRESENT_PARAMETERS* presentationParameters) override {
    Record("Reset", {Arg(presentationParameters)});
    return inner_->Reset(presentationParameters);
  }
  HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride, const RGNDATA* dirtyRegion) override {
    Record("Present", {Arg(sourceRect), Arg(destRect), Arg(destWindowOverride), Arg(dirtyRegion)});
    return inner_->Present(sourceRect, destRect, destWindowOverride, dirtyRegion);
  }
  HRESULT GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** result) override {
    Record("GetBackBuffer", {Arg(swapChain), Arg(backBuffer), Arg(type), Arg(result)});
    return inner_->GetBackBuffer(swapChain, backBuffer, type, result);
  }
  HRESULT GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* rasterStatus) override {
    Record("GetRasterStatus", {Arg(swapChain), Arg(rasterStatus)});
    return inner_->GetRasterStatus(swapChain, rasterStatus);
  }
  HRESULT SetDialogBoxMode(BOOL enableDialogs) override {
    Record("SetDialogBoxMode", {Arg(enableDialogs)});
    return inner_->SetDialogBoxMode(enableDialogs);
  }
  void SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) override {
    Record("SetGammaRamp", {Arg(swapChain), Arg(flags), Arg(ramp)});
    inner_->SetGammaRamp(swapChain, flags, ramp);
  }
  void GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) override {
    Record("GetGammaRamp", {Arg(swapChain), Arg(ramp)});
    inner_->GetGammaRamp(swapChain, ramp);
  }
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* sharedHandle) override {
    Record("CreateTexture", {Arg(width), Arg(height), Arg(levels), Arg(usage), Arg(format), Arg(pool), Arg(texture), Arg(sharedHandle)});
    return inner_->CreateTexture(width, height, levels, usage, format, pool, texture, sharedHandle);
  }
  HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** volumeTexture, HANDLE* sharedHandle) override {
    Record("CreateVolumeTexture", {Arg(width), Arg(height), Arg(depth), Arg(levels), Arg(usage), Arg(format), Arg(pool), Arg(volumeTexture), Arg(sharedHandle)});
    return inner_->CreateVolumeTexture(width, height, depth, levels, usage, format, pool, volumeTexture, sharedHandle);
  }
  HRESULT CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DCubeTexture9** cubeTexture, HANDLE* sharedHandle) override {
    Record("CreateCubeTexture", {Arg(edgeLength), Arg(levels), Arg(usage), Arg(format), Arg(pool), Arg(cubeTexture), Arg(sharedHandle)});
    return inner_->CreateCubeTexture(edgeLength, levels, usage, format, pool, cubeTexture, sharedHandle);
  }
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) override {
    Record("CreateVertexBuffer", {Arg(length), Arg(usage), Arg(fvf), Arg(pool), Arg(vertexBuffer), Arg(sharedHandle)});
    return inner_->CreateVertexBuffer(length, usage, fvf, pool, vertexBuffer, sharedHandle);
  }
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool, IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) override {
    Record("CreateIndexBuffer", {Arg(length), Arg(usage), Arg(format), Arg(pool), Arg(indexBuffer), Arg(sharedHandle)});
    return inner_->CreateIndexBuffer(length, usage, format, pool, indexBuffer, sharedHandle);
  }
  HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample, DWORD multisampleQuality, BOOL lockable, IDirect3DSurface9** surface, HANDLE* sharedHandle) override {
    Record("CreateRenderTarget", {Arg(width), Arg(height), Arg(format), Arg(multiSample), Arg(multisampleQuality), Arg(lockable), Arg(surface), Arg(sharedHandle)});
    return inner_->CreateRenderTarget(width, height, format, multiSample, multisampleQuality, lockable, surface, sharedHandle);
  }
  HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample, DWORD multisampleQuality, BOOL discard, IDirect3DSurface9** surface, HANDLE* sharedHandle) override {
    Record("CreateDepthStencilSurface", {Arg(width), Arg(height), Arg(format), Arg(multiSample), Arg(multisampleQuality), Arg(discard), Arg(surface), Arg(sharedHandle)});
    return inner_->CreateDepthStencilSurface(width, height, format, multiSample, multisampleQuality, discard, surface, sharedHandle);
  }
  HRESULT UpdateSurface(IDirect3DSurface9* sourceSurface, const RECT* sourceRect, IDirect3DSurface9* destinationSurface, const POINT* destPoint) override {
    Record("UpdateSurface", {Arg(sourceSurface), Arg(sourceRect), Arg(destinationSurface), Arg(destPoint)});
    return inner_->UpdateSurface(sourceSurface, sourceRect, destinationSurface, destPoint);
  }
  HRESULT UpdateTexture(IDirect3DBaseTexture9* sourceTexture, IDirect3DBaseTexture9* destinationTexture) override {
    Record("UpdateTexture", {Arg(sourceTexture), Arg(destinationTexture)});
    return inner_->UpdateTexture(sourceTexture, destinationTexture);
  }
  HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) override {
    Record("GetRenderTargetData", {Arg(renderTarget), Arg(destSurface)});
    return inner_->GetRenderTargetData(renderTarget, destSurface);
  }
  HRESULT GetFrontBufferData(UINT swapChain, IDirect3DSurface9* destSurface) override {
    Record("GetFrontBufferData", {Arg(swapChain), Arg(destSurface)});
    return inner_->GetFrontBufferData(swapChain, destSurface);
  }
  HRESULT StretchRect(IDirect3DSurface9* sourceSurface, const RECT* sourceRect, IDirect3DSurface9* destSurface, const RECT* destRect, D3DTEXTUREFILTERTYPE filter) override {
    Record("StretchRect", {Arg(sourceSurface), Arg(sourceRect), Arg(destSurface), Arg(destRect), Arg(filter)});
    return inner_->StretchRect(sourceSurface, sourceRect, destSurface, destRect, filter);
  }
  HRESULT ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) override {
    Record("ColorFill", {Arg(surface), Arg(rect), Arg(color)});
    return inner_->ColorFill(surface, rect, color);
  }
  HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool, IDirect3DSurface9** surface, HANDLE* sharedHandle) override {
    Record("CreateOffscreenPlainSurface", {Arg(width), Arg(height), Arg(format), Arg(pool), Arg(surface), Arg(sharedHandle)});
    return inner_->CreateOffscreenPlainSurface(width, height, format, pool, surface, sharedHandle);
  }
  HRESULT SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* renderTarget) override {
    Record("SetRenderTarget", {Arg(renderTargetIndex), Arg(renderTarget)});
    return inner_->SetRenderTarget(renderTargetIndex, renderTarget);
  }
  HRESULT GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** renderTarget) override {
    Record("GetRenderTarget", {Arg(renderTargetIndex), Arg(renderTarget)});
    return inner_->GetRenderTarget(renderTargetIndex, renderTarget);
  }
  HRESULT SetDepthStencilSurface(IDirect3DSurface9* newZStencil) override {
    Record("SetDepthStencilSurface", {Arg(newZStencil)});
    return inner_->SetDepthStencilSurface(newZStencil);
  }
  HRESULT GetDepthStencilSurface(IDirect3DSurface9** zStencilSurface) override {
    Record("GetDepthStencilSurface", {Arg(zStencilSurface)});
    return inner_->GetDepthStencilSurface(zStencilSurface);
  }
  HRESULT BeginScene() override {
    Record("BeginScene", {});
    return inner_->BeginScene();
  }
  HRESULT EndScene() override {
    Record("EndScene", {});
    return inner_->EndScene();
  }
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override {
    Record("Clear", {Arg(count), Arg(rects), Arg(flags), Arg(color), Arg(z), Arg(stencil)});
    return inner_->Clear(count, rects, flags, color, z, stencil);
  }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override {
    Record("SetTransform", {Arg(state), Arg(matrix)});
    if (recording && matrix) transforms.push_back({state, *matrix});
    return inner_->SetTransform(state, matrix);
  }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override {
    Record("GetTransform", {Arg(state), Arg(matrix)});
    return inner_->GetTransform(state, matrix);
  }
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override {
    Record("MultiplyTransform", {Arg(state), Arg(matrix)});
    return inner_->MultiplyTransform(state, matrix);
  }
  HRESULT SetViewport(const D3DVIEWPORT9* viewport) override {
    Record("SetViewport", {Arg(viewport)});
    return inner_->SetViewport(viewport);
  }
  HRESULT GetViewport(D3DVIEWPORT9* viewport) override {
    Record("GetViewport", {Arg(viewport)});
    return inner_->GetViewport(viewport);
  }
  HRESULT SetMaterial(const D3DMATERIAL9* material) override {
    Record("SetMaterial", {Arg(material)});
    return inner_->SetMaterial(material);
  }
  HRESULT GetMaterial(D3DMATERIAL9* material) override {
    Record("GetMaterial", {Arg(material)});
    return inner_->GetMaterial(material);
  }
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override {
    Record("SetLight", {Arg(index), Arg(light)});
    if (recording && light) lights.push_back(*light);
    return inner_->SetLight(index, light);
  }
  HRESULT GetLight(DWORD index, D3DLIGHT9* light) override {
    Record("GetLight", {Arg(index), Arg(light)});
    return inner_->GetLight(index, light);
  }
  HRESULT LightEnable(DWORD index, BOOL enable) override {
    Record("LightEnable", {Arg(index), Arg(enable)});
    return inner_->LightEnable(index, enable);
  }
  HRESULT GetLightEnable(DWORD index, BOOL* enable) override {
    Record("GetLightEnable", {Arg(index), Arg(enable)});
    return inner_->GetLightEnable(index, enable);
  }
  HRESULT SetClipPlane(DWORD index, const float* plane) override {
    Record("SetClipPlane", {Arg(index), Arg(plane)});
    return inner_->SetClipPlane(index, plane);
  }
  HRESULT GetClipPlane(DWORD index, float* plane) override {
    Record("GetClipPlane", {Arg(index), Arg(plane)});
    return inner_->GetClipPlane(index, plane);
  }
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
    Record("SetRenderState", {Arg(state), Arg(value)});
    return inner_->SetRenderState(state, value);
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override {
    Record("GetRenderState", {Arg(state), Arg(value)});
    return inner_->GetRenderState(state, value);
  }
  HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** stateBlock) override {
    Record("CreateStateBlock", {Arg(type), Arg(stateBlock)});
    return inner_->CreateStateBlock(type, stateBlock);
  }
  HRESULT BeginStateBlock() override {
    Record("BeginStateBlock", {});
    return inner_->BeginStateBlock();
  }
  HRESULT EndStateBlock(IDirect3DStateBlock9** stateBlock) override {
    Record("EndStateBlock", {Arg(stateBlock)});
    return inner_->EndStateBlock(stateBlock);
  }
  HRESULT SetClipStatus(const D3DCLIPSTATUS9* clipStatus) override {
    Record("SetClipStatus", {Arg(clipStatus)});
    return inner_->SetClipStatus(clipStatus);
  }
  HRESULT GetClipStatus(D3DCLIPSTATUS9* clipStatus) override {
    Record("GetClipStatus", {Arg(clipStatus)});
    return inner_->GetClipStatus(clipStatus);
  }
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override {
    Record("GetTexture", {Arg(stage), Arg(texture)});
    return inner_->GetTexture(stage, texture);
  }
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override {
    Record("SetTexture", {Arg(stage), Arg(texture)});
    return inner_->SetTexture(stage, texture);
  }
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override {
    Record("GetTextureStageState", {Arg(stage), Arg(type), Arg(value)});
    return inner_->GetTextureStageState(stage, type, value);
  }
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
    Record("SetTextureStageState", {Arg(stage), Arg(type), Arg(value)});
    return inner_->SetTextureStageState(stage, type, value);
  }
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override {
    Record("GetSamplerState", {Arg(sampler), Arg(type), Arg(value)});
    return inner_->GetSamplerState(sampler, type, value);
  }
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override {
    Record("SetSamplerState", {Arg(sampler), Arg(type), Arg(value)});
    return inner_->SetSamplerState(sampler, type, value);
  }
  HRESULT ValidateDevice(DWORD* numPasses) override {
    Record("ValidateDevice", {Arg(numPasses)});
    return inner_->ValidateDevice(numPasses);
  }
  HRESULT SetPaletteEntries(UINT paletteNumber, const PALETTEENTRY* entries) override {
    Record("SetPaletteEntries", {Arg(paletteNumber), Arg(entries)});
    return inner_->SetPaletteEntries(paletteNumber, entries);
  }
  HRESULT GetPaletteEntries(UINT paletteNumber, PALETTEENTRY* entries) override {
    Record("GetPaletteEntries", {Arg(paletteNumber), Arg(entries)});
    return inner_->GetPaletteEntries(paletteNumber, entries);
  }
  HRESULT SetCurrentTexturePalette(UINT paletteNumber) override {
    Record("SetCurrentTexturePalette", {Arg(paletteNumber)});
    return inner_->SetCurrentTexturePalette(paletteNumber);
  }
  HRESULT GetCurrentTexturePalette(UINT* paletteNumber) override {
    Record("GetCurrentTexturePalette", {Arg(paletteNumber)});
    return inner_->GetCurrentTexturePalette(paletteNumber);
  }
  HRESULT SetScissorRect(const RECT* rect) override {
    Record("SetScissorRect", {Arg(rect)});
    return inner_->SetScissorRect(rect);
  }
  HRESULT GetScissorRect(RECT* rect) override {
    Record("GetScissorRect", {Arg(rect)});
    return inner_->GetScissorRect(rect);
  }
  HRESULT SetSoftwareVertexProcessing(BOOL software) override {
    Record("SetSoftwareVertexProcessing", {Arg(software)});
    return inner_->SetSoftwareVertexProcessing(software);
  }
  BOOL GetSoftwareVertexProcessing() override {
    Record("GetSoftwareVertexProcessing", {});
    return inner_->GetSoftwareVertexProcessing();
  }
  HRESULT SetNPatchMode(float nSegments) override {
    Record("SetNPatchMode", {Arg(nSegments)});
    return inner_->SetNPatchMode(nSegments);
  }
  float GetNPatchMode() override {
    Record("GetNPatchMode", {});
    return inner_->GetNPatchMode();
  }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) override {
    Record("DrawPrimitive", {Arg(primitiveType), Arg(startVertex), Arg(primitiveCount)});
    return inner_->DrawPrimitive(primitiveType, startVertex, primitiveCount);
  }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex, UINT minVertexIndex, UINT numVertices, UINT startIndex, UINT primCount) override {
    Record("DrawIndexedPrimitive", {Arg(primitiveType), Arg(baseVertexIndex), Arg(minVertexIndex), Arg(numVertices), Arg(startIndex), Arg(primCount)});
    return inner_->DrawIndexedPrimitive(primitiveType, baseVertexIndex, minVertexIndex, numVertices, startIndex, primCount);
  }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount, const void* vertexStreamZeroData, UINT vertexStreamZeroStride) override {
    Record("DrawPrimitiveUP", {Arg(primitiveType), Arg(primitiveCount), Arg(vertexStreamZeroData), Arg(vertexStreamZeroStride)});
    return inner_->DrawPrimitiveUP(primitiveType, primitiveCount, vertexStreamZeroData, vertexStreamZeroStride);
  }
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex, UINT numVertices, UINT primitiveCount, const void* indexData, D3DFORMAT indexDataFormat, const void* vertexStreamZeroData, UINT vertexStreamZeroStride) override {
    Record("DrawIndexedPrimitiveUP", {Arg(primitiveType), Arg(minVertexIndex), Arg(numVertices), Arg(primitiveCount), Arg(indexData), Arg(indexDataFormat), Arg(vertexStreamZeroData), Arg(vertexStreamZeroStride)});
    return inner_->DrawIndexedPrimitiveUP(primitiveType, minVertexIndex, numVertices, primitiveCount, indexData, indexDataFormat, vertexStreamZeroData, vertexStreamZeroStride);
  }
  HRESULT ProcessVertices(UINT srcStartIndex, UINT destIndex, UINT vertexCount, IDirect3DVertexBuffer9* destBuffer, IDirect3DVertexDeclaration9* vertexDecl, DWORD flags) override {
    Record("ProcessVertices", {Arg(srcStartIndex), Arg(destIndex), Arg(vertexCount), Arg(destBuffer), Arg(vertexDecl), Arg(flags)});
    return inner_->ProcessVertices(srcStartIndex, destIndex, vertexCount, destBuffer, vertexDecl, flags);
  }
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* vertexElements, IDirect3DVertexDeclaration9** decl) override {
    Record("CreateVertexDeclaration", {Arg(vertexElements), Arg(decl)});
    return inner_->CreateVertexDeclaration(vertexElements, decl);
  }
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) override {
    Record("SetVertexDeclaration", {Arg(decl)});
    return inner_->SetVertexDeclaration(decl);
  }
  HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** decl) override {
    Record("GetVertexDeclaration", {Arg(decl)});
    return inner_->GetVertexDeclaration(decl);
  }
  HRESULT SetFVF(DWORD fvf) override {
    Record("SetFVF", {Arg(fvf)});
    return inner_->SetFVF(fvf);
  }
  HRESULT GetFVF(DWORD* fvf) override {
    Record("GetFVF", {Arg(fvf)});
    return inner_->GetFVF(fvf);
  }
  HRESULT CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) override {
    Record("CreateVertexShader", {Arg(function), Arg(shader)});
    return inner_->CreateVertexShader(function, shader);
  }
  HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override {
    Record("SetVertexShader", {Arg(shader)});
    return inner_->SetVertexShader(shader);
  }
  HRESULT GetVertexShader(IDirect3DVertexShader9** shader) override {
    Record("GetVertexShader", {Arg(shader)});
    return inner_->GetVertexShader(shader);
  }
  HRESULT SetVertexShaderConstantF(UINT startRegister, const float* constantData, UINT vector4fCount) override {
    Record("SetVertexShaderConstantF", {Arg(startRegister), Arg(constantData), Arg(vector4fCount)});
    return inner_->SetVertexShaderConstantF(startRegister, constantData, vector4fCount);
  }
  HRESULT GetVertexShaderConstantF(UINT startRegister, float* constantData, UINT vector4fCount) override {
    Record("GetVertexShaderConstantF", {Arg(startRegister), Arg(constantData), Arg(vector4fCount)});
    return inner_->GetVertexShaderConstantF(startRegister, constantData, vector4fCount);
  }
  HRESULT SetVertexShaderConstantI(UINT startRegister, const int* constantData, UINT vector4iCount) override {
    Record("SetVertexShaderConstantI", {Arg(startRegister), Arg(constantData), Arg(vector4iCount)});
    return inner_->SetVertexShaderConstantI(startRegister, constantData, vector4iCount);
  }
  HRESULT GetVertexShaderConstantI(UINT startRegister, int* constantData, UINT vector4iCount) override {
    Record("GetVertexShaderConstantI", {Arg(startRegister), Arg(constantData), Arg(vector4iCount)});
    return inner_->GetVertexShaderConstantI(startRegister, constantData, vector4iCount);
  }
  HRESULT SetVertexShaderConstantB(UINT startRegister, const BOOL* constantData, UINT boolCount) override {
    Record("SetVertexShaderConstantB", {Arg(startRegister), Arg(constantData), Arg(boolCount)});
    return inner_->SetVertexShaderConstantB(startRegister, constantData, boolCount);
  }
  HRESULT GetVertexShaderConstantB(UINT startRegister, BOOL* constantData, UINT boolCount) override {
    Record("GetVertexShaderConstantB", {Arg(startRegister), Arg(constantData), Arg(boolCount)});
    return inner_->GetVertexShaderConstantB(startRegister, constantData, boolCount);
  }
  HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes, UINT stride) override {
    Record("SetStreamSource", {Arg(streamNumber), Arg(streamData), Arg(offsetInBytes), Arg(stride)});
    return inner_->SetStreamSource(streamNumber, streamData, offsetInBytes, stride);
  }
  HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** streamData, UINT* offsetInBytes, UINT* stride) override {
    Record("GetStreamSource", {Arg(streamNumber), Arg(streamData), Arg(offsetInBytes), Arg(stride)});
    return inner_->GetStreamSource(streamNumber, streamData, offsetInBytes, stride);
  }
  HRESULT SetStreamSourceFreq(UINT streamNumber, UINT setting) override {
    Record("SetStreamSourceFreq", {Arg(streamNumber), Arg(setting)});
    return inner_->SetStreamSourceFreq(streamNumber, setting);
  }
  HRESULT GetStreamSourceFreq(UINT streamNumber, UINT* setting) override {
    Record("GetStreamSourceFreq", {Arg(streamNumber), Arg(setting)});
    return inner_->GetStreamSourceFreq(streamNumber, setting);
  }
  HRESULT SetIndices(IDirect3DIndexBuffer9* indexData) override {
    Record("SetIndices", {Arg(indexData)});
    return inner_->SetIndices(indexData);
  }
  HRESULT GetIndices(IDirect3DIndexBuffer9** indexData) override {
    Record("GetIndices", {Arg(indexData)});
    return inner_->GetIndices(indexData);
  }
  HRESULT CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) override {
    Record("CreatePixelShader", {Arg(function), Arg(shader)});
    return inner_->CreatePixelShader(function, shader);
  }
  HRESULT SetPixelShader(IDirect3DPixelShader9* shader) override {
    Record("SetPixelShader", {Arg(shader)});
    return inner_->SetPixelShader(shader);
  }
  HRESULT GetPixelShader(IDirect3DPixelShader9** shader) override {
    Record("GetPixelShader", {Arg(shader)});
    return inner_->GetPixelShader(shader);
  }
  HRESULT SetPixelShaderConstantF(UINT startRegister, const float* constantData, UINT vector4fCount) override {
    Record("SetPixelShaderConstantF", {Arg(startRegister), Arg(constantData), Arg(vector4fCount)});
    return inner_->SetPixelShaderConstantF(startRegister, constantData, vector4fCount);
  }
  HRESULT GetPixelShaderConstantF(UINT startRegister, float* constantData, UINT vector4fCount) override {
    Record("GetPixelShaderConstantF", {Arg(startRegister), Arg(constantData), Arg(vector4fCount)});
    return inner_->GetPixelShaderConstantF(startRegister, constantData, vector4fCount);
  }
  HRESULT SetPixelShaderConstantI(UINT startRegister, const int* constantData, UINT vector4iCount) override {
    Record("SetPixelShaderConstantI", {Arg(startRegister), Arg(constantData), Arg(vector4iCount)});
    return inner_->SetPixelShaderConstantI(startRegister, constantData, vector4iCount);
  }
  HRESULT GetPixelShaderConstantI(UINT startRegister, int* constantData, UINT vector4iCount) override {
    Record("GetPixelShaderConstantI", {Arg(startRegister), Arg(constantData), Arg(vector4iCount)});
    return inner_->GetPixelShaderConstantI(startRegister, constantData, vector4iCount);
  }
  HRESULT SetPixelShaderConstantB(UINT startRegister, const BOOL* constantData, UINT boolCount) override {
    Record("SetPixelShaderConstantB", {Arg(startRegister), Arg(constantData), Arg(boolCount)});
    return inner_->SetPixelShaderConstantB(startRegister, constantData, boolCount);
  }
  HRESULT GetPixelShaderConstantB(UINT startRegister, BOOL* constantData, UINT boolCount) override {
    Record("GetPixelShaderConstantB", {Arg(startRegister), Arg(constantData), Arg(boolCount)});
    return inner_->GetPixelShaderConstantB(startRegister, constantData, boolCount);
  }
  HRESULT DrawRectPatch(UINT handle, const float* numSegs, const D3DRECTPATCH_INFO* rectPatchInfo) override {
    Record("DrawRectPatch", {Arg(handle), Arg(numSegs), Arg(rectPatchInfo)});
    return inner_->DrawRectPatch(handle, numSegs, rectPatchInfo);
  }
  HRESULT DrawTriPatch(UINT handle, const float* numSegs, const D3DTRIPATCH_INFO* triPatchInfo) override {
    Record("DrawTriPatch", {Arg(handle), Arg(numSegs), Arg(triPatchInfo)});
    return inner_->DrawTriPatch(handle, numSegs, triPatchInfo);
  }
  HRESULT DeletePatch(UINT handle) override {
    Record("DeletePatch", {Arg(handle)});
    return inner_->DeletePatch(handle);
  }
  HRESULT CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) override {
    Record("CreateQuery", {Arg(type), Arg(query)});
    return inner_->CreateQuery(type, query);
  }

 private:
  template <typename T>
  static long long Arg(T value) {
    if constexpr (std::is_pointer_v<T>)
      return (long long)(uintptr_t)value;
    else if constexpr (std::is_floating_point_v<T>)
      return (long long)(value * 1000);
    else
      return (long long)value;
  }
  void Record(const char* name, std::vector<long long> args) {
    if (recording) calls.push_back({name, std::move(args)});
  }
  IDirect3DDevice9* inner_;
  ULONG refs_ = 1;
};
