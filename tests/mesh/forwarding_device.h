// A device that forwards every call to another one; tests derive from it to record or alter calls.
#pragma once
#include <d3d9.h>

class ForwardingDevice : public IDirect3DDevice9 {
 public:
  explicit ForwardingDevice(IDirect3DDevice9* device) : inner(device) { inner->AddRef(); }
  virtual ~ForwardingDevice() { inner->Release(); }

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IDirect3DDevice9) {
      *object = static_cast<IDirect3DDevice9*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refCount; }
  ULONG Release() override {
    ULONG count = --refCount;
    if (count == 0) delete this;
    return count;
  }

  HRESULT TestCooperativeLevel() override { return inner->TestCooperativeLevel(); }
  UINT GetAvailableTextureMem() override { return inner->GetAvailableTextureMem(); }
  HRESULT EvictManagedResources() override { return inner->EvictManagedResources(); }
  HRESULT GetDirect3D(IDirect3D9** d3d9) override { return inner->GetDirect3D(d3d9); }
  HRESULT GetDeviceCaps(D3DCAPS9* caps) override { return inner->GetDeviceCaps(caps); }
  HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override {
    return inner->GetDisplayMode(swapChain, mode);
  }
  HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override {
    return inner->GetCreationParameters(parameters);
  }
  HRESULT SetCursorProperties(UINT xHotSpot, UINT yHotSpot, IDirect3DSurface9* cursorBitmap) override {
    return inner->SetCursorProperties(xHotSpot, yHotSpot, cursorBitmap);
  }
  void SetCursorPosition(int x, int y, DWORD flags) override { return inner->SetCursorPosition(x, y, flags); }
  BOOL ShowCursor(BOOL show) override { return inner->ShowCursor(show); }
  HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* presentationParameters,
                                    IDirect3DSwapChain9** swapChain) override {
    return inner->CreateAdditionalSwapChain(presentationParameters, swapChain);
  }
  HRESULT GetSwapChain(UINT swapChain, IDirect3DSwapChain9** result) override {
    return inner->GetSwapChain(swapChain, result);
  }
  UINT GetNumberOfSwapChains() override { return inner->GetNumberOfSwapChains(); }
  HRESULT Reset(D3DPRESENT_PARAMETERS* presentationParameters) override {
    return inner->Reset(presentationParameters);
  }
  HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                  const RGNDATA* dirtyRegion) override {
    return inner->Present(sourceRect, destRect, destWindowOverride, dirtyRegion);
  }
  HRESULT GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                        IDirect3DSurface9** result) override {
    return inner->GetBackBuffer(swapChain, backBuffer, type, result);
  }
  HRESULT GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* rasterStatus) override {
    return inner->GetRasterStatus(swapChain, rasterStatus);
  }
  HRESULT SetDialogBoxMode(BOOL enableDialogs) override { return inner->SetDialogBoxMode(enableDialogs); }
  void SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) override {
    return inner->SetGammaRamp(swapChain, flags, ramp);
  }
  void GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) override {
    return inner->GetGammaRamp(swapChain, ramp);
  }
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture9** texture, HANDLE* sharedHandle) override {
    return inner->CreateTexture(width, height, levels, usage, format, pool, texture, sharedHandle);
  }
  HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DVolumeTexture9** volumeTexture,
                              HANDLE* sharedHandle) override {
    return inner->CreateVolumeTexture(width, height, depth, levels, usage, format, pool, volumeTexture,
                                      sharedHandle);
  }
  HRESULT CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DCubeTexture9** cubeTexture, HANDLE* sharedHandle) override {
    return inner->CreateCubeTexture(edgeLength, levels, usage, format, pool, cubeTexture, sharedHandle);
  }
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) override {
    return inner->CreateVertexBuffer(length, usage, fvf, pool, vertexBuffer, sharedHandle);
  }
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) override {
    return inner->CreateIndexBuffer(length, usage, format, pool, indexBuffer, sharedHandle);
  }
  HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                             DWORD multisampleQuality, BOOL lockable, IDirect3DSurface9** surface,
                             HANDLE* sharedHandle) override {
    return inner->CreateRenderTarget(width, height, format, multiSample, multisampleQuality, lockable,
                                     surface, sharedHandle);
  }
  HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                    D3DMULTISAMPLE_TYPE multiSample, DWORD multisampleQuality, BOOL discard,
                                    IDirect3DSurface9** surface, HANDLE* sharedHandle) override {
    return inner->CreateDepthStencilSurface(width, height, format, multiSample, multisampleQuality, discard,
                                            surface, sharedHandle);
  }
  HRESULT UpdateSurface(IDirect3DSurface9* sourceSurface, const RECT* sourceRect,
                        IDirect3DSurface9* destinationSurface, const POINT* destPoint) override {
    return inner->UpdateSurface(sourceSurface, sourceRect, destinationSurface, destPoint);
  }
  HRESULT UpdateTexture(IDirect3DBaseTexture9* sourceTexture,
                        IDirect3DBaseTexture9* destinationTexture) override {
    return inner->UpdateTexture(sourceTexture, destinationTexture);
  }
  HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) override {
    return inner->GetRenderTargetData(renderTarget, destSurface);
  }
  HRESULT GetFrontBufferData(UINT swapChain, IDirect3DSurface9* destSurface) override {
    return inner->GetFrontBufferData(swapChain, destSurface);
  }
  HRESULT StretchRect(IDirect3DSurface9* sourceSurface, const RECT* sourceRect,
                      IDirect3DSurface9* destSurface, const RECT* destRect,
                      D3DTEXTUREFILTERTYPE filter) override {
    return inner->StretchRect(sourceSurface, sourceRect, destSurface, destRect, filter);
  }
  HRESULT ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) override {
    return inner->ColorFill(surface, rect, color);
  }
  HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DSurface9** surface, HANDLE* sharedHandle) override {
    return inner->CreateOffscreenPlainSurface(width, height, format, pool, surface, sharedHandle);
  }
  HRESULT SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* renderTarget) override {
    return inner->SetRenderTarget(renderTargetIndex, renderTarget);
  }
  HRESULT GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** renderTarget) override {
    return inner->GetRenderTarget(renderTargetIndex, renderTarget);
  }
  HRESULT SetDepthStencilSurface(IDirect3DSurface9* newZStencil) override {
    return inner->SetDepthStencilSurface(newZStencil);
  }
  HRESULT GetDepthStencilSurface(IDirect3DSurface9** zStencilSurface) override {
    return inner->GetDepthStencilSurface(zStencilSurface);
  }
  HRESULT BeginScene() override { return inner->BeginScene(); }
  HRESULT EndScene() override { return inner->EndScene(); }
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                DWORD stencil) override {
    return inner->Clear(count, rects, flags, color, z, stencil);
  }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override {
    return inner->SetTransform(state, matrix);
  }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override {
    return inner->GetTransform(state, matrix);
  }
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override {
    return inner->MultiplyTransform(state, matrix);
  }
  HRESULT SetViewport(const D3DVIEWPORT9* viewport) override { return inner->SetViewport(viewport); }
  HRESULT GetViewport(D3DVIEWPORT9* viewport) override { return inner->GetViewport(viewport); }
  HRESULT SetMaterial(const D3DMATERIAL9* material) override { return inner->SetMaterial(material); }
  HRESULT GetMaterial(D3DMATERIAL9* material) override { return inner->GetMaterial(material); }
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override { return inner->SetLight(index, light); }
  HRESULT GetLight(DWORD index, D3DLIGHT9* light) override { return inner->GetLight(index, light); }
  HRESULT LightEnable(DWORD index, BOOL enable) override { return inner->LightEnable(index, enable); }
  HRESULT GetLightEnable(DWORD index, BOOL* enable) override { return inner->GetLightEnable(index, enable); }
  HRESULT SetClipPlane(DWORD index, const float* plane) override { return inner->SetClipPlane(index, plane); }
  HRESULT GetClipPlane(DWORD index, float* plane) override { return inner->GetClipPlane(index, plane); }
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
    return inner->SetRenderState(state, value);
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override {
    return inner->GetRenderState(state, value);
  }
  HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** stateBlock) override {
    return inner->CreateStateBlock(type, stateBlock);
  }
  HRESULT BeginStateBlock() override { return inner->BeginStateBlock(); }
  HRESULT EndStateBlock(IDirect3DStateBlock9** stateBlock) override {
    return inner->EndStateBlock(stateBlock);
  }
  HRESULT SetClipStatus(const D3DCLIPSTATUS9* clipStatus) override {
    return inner->SetClipStatus(clipStatus);
  }
  HRESULT GetClipStatus(D3DCLIPSTATUS9* clipStatus) override { return inner->GetClipStatus(clipStatus); }
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override {
    return inner->GetTexture(stage, texture);
  }
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override {
    return inner->SetTexture(stage, texture);
  }
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override {
    return inner->GetTextureStageState(stage, type, value);
  }
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
    return inner->SetTextureStageState(stage, type, value);
  }
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override {
    return inner->GetSamplerState(sampler, type, value);
  }
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override {
    return inner->SetSamplerState(sampler, type, value);
  }
  HRESULT ValidateDevice(DWORD* numPasses) override { return inner->ValidateDevice(numPasses); }
  HRESULT SetPaletteEntries(UINT paletteNumber, const PALETTEENTRY* entries) override {
    return inner->SetPaletteEntries(paletteNumber, entries);
  }
  HRESULT GetPaletteEntries(UINT paletteNumber, PALETTEENTRY* entries) override {
    return inner->GetPaletteEntries(paletteNumber, entries);
  }
  HRESULT SetCurrentTexturePalette(UINT paletteNumber) override {
    return inner->SetCurrentTexturePalette(paletteNumber);
  }
  HRESULT GetCurrentTexturePalette(UINT* paletteNumber) override {
    return inner->GetCurrentTexturePalette(paletteNumber);
  }
  HRESULT SetScissorRect(const RECT* rect) override { return inner->SetScissorRect(rect); }
  HRESULT GetScissorRect(RECT* rect) override { return inner->GetScissorRect(rect); }
  HRESULT SetSoftwareVertexProcessing(BOOL software) override {
    return inner->SetSoftwareVertexProcessing(software);
  }
  BOOL GetSoftwareVertexProcessing() override { return inner->GetSoftwareVertexProcessing(); }
  HRESULT SetNPatchMode(float nSegments) override { return inner->SetNPatchMode(nSegments); }
  float GetNPatchMode() override { return inner->GetNPatchMode(); }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) override {
    return inner->DrawPrimitive(primitiveType, startVertex, primitiveCount);
  }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex, UINT minVertexIndex,
                               UINT numVertices, UINT startIndex, UINT primCount) override {
    return inner->DrawIndexedPrimitive(primitiveType, baseVertexIndex, minVertexIndex, numVertices,
                                       startIndex, primCount);
  }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                          const void* vertexStreamZeroData, UINT vertexStreamZeroStride) override {
    return inner->DrawPrimitiveUP(primitiveType, primitiveCount, vertexStreamZeroData,
                                  vertexStreamZeroStride);
  }
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex, UINT numVertices,
                                 UINT primitiveCount, const void* indexData, D3DFORMAT indexDataFormat,
                                 const void* vertexStreamZeroData, UINT vertexStreamZeroStride) override {
    return inner->DrawIndexedPrimitiveUP(primitiveType, minVertexIndex, numVertices, primitiveCount,
                                         indexData, indexDataFormat, vertexStreamZeroData,
                                         vertexStreamZeroStride);
  }
  HRESULT ProcessVertices(UINT srcStartIndex, UINT destIndex, UINT vertexCount,
                          IDirect3DVertexBuffer9* destBuffer, IDirect3DVertexDeclaration9* vertexDecl,
                          DWORD flags) override {
    return inner->ProcessVertices(srcStartIndex, destIndex, vertexCount, destBuffer, vertexDecl, flags);
  }
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* vertexElements,
                                  IDirect3DVertexDeclaration9** decl) override {
    return inner->CreateVertexDeclaration(vertexElements, decl);
  }
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) override {
    return inner->SetVertexDeclaration(decl);
  }
  HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** decl) override {
    return inner->GetVertexDeclaration(decl);
  }
  HRESULT SetFVF(DWORD fvf) override { return inner->SetFVF(fvf); }
  HRESULT GetFVF(DWORD* fvf) override { return inner->GetFVF(fvf); }
  HRESULT CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) override {
    return inner->CreateVertexShader(function, shader);
  }
  HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override { return inner->SetVertexShader(shader); }
  HRESULT GetVertexShader(IDirect3DVertexShader9** shader) override { return inner->GetVertexShader(shader); }
  HRESULT SetVertexShaderConstantF(UINT startRegister, const float* constantData,
                                   UINT vector4fCount) override {
    return inner->SetVertexShaderConstantF(startRegister, constantData, vector4fCount);
  }
  HRESULT GetVertexShaderConstantF(UINT startRegister, float* constantData, UINT vector4fCount) override {
    return inner->GetVertexShaderConstantF(startRegister, constantData, vector4fCount);
  }
  HRESULT SetVertexShaderConstantI(UINT startRegister, const int* constantData, UINT vector4iCount) override {
    return inner->SetVertexShaderConstantI(startRegister, constantData, vector4iCount);
  }
  HRESULT GetVertexShaderConstantI(UINT startRegister, int* constantData, UINT vector4iCount) override {
    return inner->GetVertexShaderConstantI(startRegister, constantData, vector4iCount);
  }
  HRESULT SetVertexShaderConstantB(UINT startRegister, const BOOL* constantData, UINT boolCount) override {
    return inner->SetVertexShaderConstantB(startRegister, constantData, boolCount);
  }
  HRESULT GetVertexShaderConstantB(UINT startRegister, BOOL* constantData, UINT boolCount) override {
    return inner->GetVertexShaderConstantB(startRegister, constantData, boolCount);
  }
  HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                          UINT stride) override {
    return inner->SetStreamSource(streamNumber, streamData, offsetInBytes, stride);
  }
  HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** streamData, UINT* offsetInBytes,
                          UINT* stride) override {
    return inner->GetStreamSource(streamNumber, streamData, offsetInBytes, stride);
  }
  HRESULT SetStreamSourceFreq(UINT streamNumber, UINT setting) override {
    return inner->SetStreamSourceFreq(streamNumber, setting);
  }
  HRESULT GetStreamSourceFreq(UINT streamNumber, UINT* setting) override {
    return inner->GetStreamSourceFreq(streamNumber, setting);
  }
  HRESULT SetIndices(IDirect3DIndexBuffer9* indexData) override { return inner->SetIndices(indexData); }
  HRESULT GetIndices(IDirect3DIndexBuffer9** indexData) override { return inner->GetIndices(indexData); }
  HRESULT CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) override {
    return inner->CreatePixelShader(function, shader);
  }
  HRESULT SetPixelShader(IDirect3DPixelShader9* shader) override { return inner->SetPixelShader(shader); }
  HRESULT GetPixelShader(IDirect3DPixelShader9** shader) override { return inner->GetPixelShader(shader); }
  HRESULT SetPixelShaderConstantF(UINT startRegister, const float* constantData,
                                  UINT vector4fCount) override {
    return inner->SetPixelShaderConstantF(startRegister, constantData, vector4fCount);
  }
  HRESULT GetPixelShaderConstantF(UINT startRegister, float* constantData, UINT vector4fCount) override {
    return inner->GetPixelShaderConstantF(startRegister, constantData, vector4fCount);
  }
  HRESULT SetPixelShaderConstantI(UINT startRegister, const int* constantData, UINT vector4iCount) override {
    return inner->SetPixelShaderConstantI(startRegister, constantData, vector4iCount);
  }
  HRESULT GetPixelShaderConstantI(UINT startRegister, int* constantData, UINT vector4iCount) override {
    return inner->GetPixelShaderConstantI(startRegister, constantData, vector4iCount);
  }
  HRESULT SetPixelShaderConstantB(UINT startRegister, const BOOL* constantData, UINT boolCount) override {
    return inner->SetPixelShaderConstantB(startRegister, constantData, boolCount);
  }
  HRESULT GetPixelShaderConstantB(UINT startRegister, BOOL* constantData, UINT boolCount) override {
    return inner->GetPixelShaderConstantB(startRegister, constantData, boolCount);
  }
  HRESULT DrawRectPatch(UINT handle, const float* numSegs, const D3DRECTPATCH_INFO* rectPatchInfo) override {
    return inner->DrawRectPatch(handle, numSegs, rectPatchInfo);
  }
  HRESULT DrawTriPatch(UINT handle, const float* numSegs, const D3DTRIPATCH_INFO* triPatchInfo) override {
    return inner->DrawTriPatch(handle, numSegs, triPatchInfo);
  }
  HRESULT DeletePatch(UINT handle) override { return inner->DeletePatch(handle); }
  HRESULT CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) override {
    return inner->CreateQuery(type, query);
  }

  IDirect3DDevice9* inner;
  ULONG refCount = 1;
};
