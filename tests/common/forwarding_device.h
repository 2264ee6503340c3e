// A device that forwards every call to another one. Each call is first reported to Note(),
// which does nothing here; tests derive from it to record calls or to alter a few of them.
// Mechanical: mirror any change to IDirect3DDevice9 in d3d9.h here.
#pragma once
#include <d3d9.h>

#include <cstdint>
#include <initializer_list>
#include <type_traits>

class ForwardingDevice : public IDirect3DDevice9 {
 public:
  explicit ForwardingDevice(IDirect3DDevice9* device) : inner(device) { inner->AddRef(); }
  virtual ~ForwardingDevice() { inner->Release(); }

  // Called before every forwarded call with its arguments: integers and enums as they are,
  // pointers as addresses, floats times 1000.
  virtual void Note(const char* /*name*/, std::initializer_list<long long> /*args*/) {}

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
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

  HRESULT TestCooperativeLevel() override {
    Note("TestCooperativeLevel", {});
    return inner->TestCooperativeLevel();
  }
  UINT GetAvailableTextureMem() override {
    Note("GetAvailableTextureMem", {});
    return inner->GetAvailableTextureMem();
  }
  HRESULT EvictManagedResources() override {
    Note("EvictManagedResources", {});
    return inner->EvictManagedResources();
  }
  HRESULT GetDirect3D(IDirect3D9** d3d9) override {
    Note("GetDirect3D", {Arg(d3d9)});
    return inner->GetDirect3D(d3d9);
  }
  HRESULT GetDeviceCaps(D3DCAPS9* caps) override {
    Note("GetDeviceCaps", {Arg(caps)});
    return inner->GetDeviceCaps(caps);
  }
  HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override {
    Note("GetDisplayMode", {Arg(swapChain), Arg(mode)});
    return inner->GetDisplayMode(swapChain, mode);
  }
  HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override {
    Note("GetCreationParameters", {Arg(parameters)});
    return inner->GetCreationParameters(parameters);
  }
  HRESULT SetCursorProperties(UINT xHotSpot, UINT yHotSpot, IDirect3DSurface9* cursorBitmap) override {
    Note("SetCursorProperties", {Arg(xHotSpot), Arg(yHotSpot), Arg(cursorBitmap)});
    return inner->SetCursorProperties(xHotSpot, yHotSpot, cursorBitmap);
  }
  void SetCursorPosition(int x, int y, DWORD flags) override {
    Note("SetCursorPosition", {Arg(x), Arg(y), Arg(flags)});
    inner->SetCursorPosition(x, y, flags);
  }
  BOOL ShowCursor(BOOL show) override {
    Note("ShowCursor", {Arg(show)});
    return inner->ShowCursor(show);
  }
  HRESULT CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS* presentationParameters,
                                    IDirect3DSwapChain9** swapChain) override {
    Note("CreateAdditionalSwapChain", {Arg(presentationParameters), Arg(swapChain)});
    return inner->CreateAdditionalSwapChain(presentationParameters, swapChain);
  }
  HRESULT GetSwapChain(UINT swapChain, IDirect3DSwapChain9** result) override {
    Note("GetSwapChain", {Arg(swapChain), Arg(result)});
    return inner->GetSwapChain(swapChain, result);
  }
  UINT GetNumberOfSwapChains() override {
    Note("GetNumberOfSwapChains", {});
    return inner->GetNumberOfSwapChains();
  }
  HRESULT Reset(D3DPRESENT_PARAMETERS* presentationParameters) override {
    Note("Reset", {Arg(presentationParameters)});
    return inner->Reset(presentationParameters);
  }
  HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                  const RGNDATA* dirtyRegion) override {
    Note("Present", {Arg(sourceRect), Arg(destRect), Arg(destWindowOverride), Arg(dirtyRegion)});
    return inner->Present(sourceRect, destRect, destWindowOverride, dirtyRegion);
  }
  HRESULT GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                        IDirect3DSurface9** result) override {
    Note("GetBackBuffer", {Arg(swapChain), Arg(backBuffer), Arg(type), Arg(result)});
    return inner->GetBackBuffer(swapChain, backBuffer, type, result);
  }
  HRESULT GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* rasterStatus) override {
    Note("GetRasterStatus", {Arg(swapChain), Arg(rasterStatus)});
    return inner->GetRasterStatus(swapChain, rasterStatus);
  }
  HRESULT SetDialogBoxMode(BOOL enableDialogs) override {
    Note("SetDialogBoxMode", {Arg(enableDialogs)});
    return inner->SetDialogBoxMode(enableDialogs);
  }
  void SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) override {
    Note("SetGammaRamp", {Arg(swapChain), Arg(flags), Arg(ramp)});
    inner->SetGammaRamp(swapChain, flags, ramp);
  }
  void GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) override {
    Note("GetGammaRamp", {Arg(swapChain), Arg(ramp)});
    inner->GetGammaRamp(swapChain, ramp);
  }
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture9** texture, HANDLE* sharedHandle) override {
    Note("CreateTexture", {Arg(width), Arg(height), Arg(levels), Arg(usage), Arg(format), Arg(pool),
                           Arg(texture), Arg(sharedHandle)});
    return inner->CreateTexture(width, height, levels, usage, format, pool, texture, sharedHandle);
  }
  HRESULT CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage, D3DFORMAT format,
                              D3DPOOL pool, IDirect3DVolumeTexture9** volumeTexture,
                              HANDLE* sharedHandle) override {
    Note("CreateVolumeTexture", {Arg(width), Arg(height), Arg(depth), Arg(levels), Arg(usage), Arg(format),
                                 Arg(pool), Arg(volumeTexture), Arg(sharedHandle)});
    return inner->CreateVolumeTexture(width, height, depth, levels, usage, format, pool, volumeTexture,
                                      sharedHandle);
  }
  HRESULT CreateCubeTexture(UINT edgeLength, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DCubeTexture9** cubeTexture, HANDLE* sharedHandle) override {
    Note("CreateCubeTexture", {Arg(edgeLength), Arg(levels), Arg(usage), Arg(format), Arg(pool),
                               Arg(cubeTexture), Arg(sharedHandle)});
    return inner->CreateCubeTexture(edgeLength, levels, usage, format, pool, cubeTexture, sharedHandle);
  }
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** vertexBuffer, HANDLE* sharedHandle) override {
    Note("CreateVertexBuffer",
         {Arg(length), Arg(usage), Arg(fvf), Arg(pool), Arg(vertexBuffer), Arg(sharedHandle)});
    return inner->CreateVertexBuffer(length, usage, fvf, pool, vertexBuffer, sharedHandle);
  }
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** indexBuffer, HANDLE* sharedHandle) override {
    Note("CreateIndexBuffer",
         {Arg(length), Arg(usage), Arg(format), Arg(pool), Arg(indexBuffer), Arg(sharedHandle)});
    return inner->CreateIndexBuffer(length, usage, format, pool, indexBuffer, sharedHandle);
  }
  HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                             DWORD multisampleQuality, BOOL lockable, IDirect3DSurface9** surface,
                             HANDLE* sharedHandle) override {
    Note("CreateRenderTarget", {Arg(width), Arg(height), Arg(format), Arg(multiSample),
                                Arg(multisampleQuality), Arg(lockable), Arg(surface), Arg(sharedHandle)});
    return inner->CreateRenderTarget(width, height, format, multiSample, multisampleQuality, lockable,
                                     surface, sharedHandle);
  }
  HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                    D3DMULTISAMPLE_TYPE multiSample, DWORD multisampleQuality, BOOL discard,
                                    IDirect3DSurface9** surface, HANDLE* sharedHandle) override {
    Note("CreateDepthStencilSurface",
         {Arg(width), Arg(height), Arg(format), Arg(multiSample), Arg(multisampleQuality), Arg(discard),
          Arg(surface), Arg(sharedHandle)});
    return inner->CreateDepthStencilSurface(width, height, format, multiSample, multisampleQuality, discard,
                                            surface, sharedHandle);
  }
  HRESULT UpdateSurface(IDirect3DSurface9* sourceSurface, const RECT* sourceRect,
                        IDirect3DSurface9* destinationSurface, const POINT* destPoint) override {
    Note("UpdateSurface", {Arg(sourceSurface), Arg(sourceRect), Arg(destinationSurface), Arg(destPoint)});
    return inner->UpdateSurface(sourceSurface, sourceRect, destinationSurface, destPoint);
  }
  HRESULT UpdateTexture(IDirect3DBaseTexture9* sourceTexture,
                        IDirect3DBaseTexture9* destinationTexture) override {
    Note("UpdateTexture", {Arg(sourceTexture), Arg(destinationTexture)});
    return inner->UpdateTexture(sourceTexture, destinationTexture);
  }
  HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) override {
    Note("GetRenderTargetData", {Arg(renderTarget), Arg(destSurface)});
    return inner->GetRenderTargetData(renderTarget, destSurface);
  }
  HRESULT GetFrontBufferData(UINT swapChain, IDirect3DSurface9* destSurface) override {
    Note("GetFrontBufferData", {Arg(swapChain), Arg(destSurface)});
    return inner->GetFrontBufferData(swapChain, destSurface);
  }
  HRESULT StretchRect(IDirect3DSurface9* sourceSurface, const RECT* sourceRect,
                      IDirect3DSurface9* destSurface, const RECT* destRect,
                      D3DTEXTUREFILTERTYPE filter) override {
    Note("StretchRect", {Arg(sourceSurface), Arg(sourceRect), Arg(destSurface), Arg(destRect), Arg(filter)});
    return inner->StretchRect(sourceSurface, sourceRect, destSurface, destRect, filter);
  }
  HRESULT ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) override {
    Note("ColorFill", {Arg(surface), Arg(rect), Arg(color)});
    return inner->ColorFill(surface, rect, color);
  }
  HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DSurface9** surface, HANDLE* sharedHandle) override {
    Note("CreateOffscreenPlainSurface",
         {Arg(width), Arg(height), Arg(format), Arg(pool), Arg(surface), Arg(sharedHandle)});
    return inner->CreateOffscreenPlainSurface(width, height, format, pool, surface, sharedHandle);
  }
  HRESULT SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* renderTarget) override {
    Note("SetRenderTarget", {Arg(renderTargetIndex), Arg(renderTarget)});
    return inner->SetRenderTarget(renderTargetIndex, renderTarget);
  }
  HRESULT GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** renderTarget) override {
    Note("GetRenderTarget", {Arg(renderTargetIndex), Arg(renderTarget)});
    return inner->GetRenderTarget(renderTargetIndex, renderTarget);
  }
  HRESULT SetDepthStencilSurface(IDirect3DSurface9* newZStencil) override {
    Note("SetDepthStencilSurface", {Arg(newZStencil)});
    return inner->SetDepthStencilSurface(newZStencil);
  }
  HRESULT GetDepthStencilSurface(IDirect3DSurface9** zStencilSurface) override {
    Note("GetDepthStencilSurface", {Arg(zStencilSurface)});
    return inner->GetDepthStencilSurface(zStencilSurface);
  }
  HRESULT BeginScene() override {
    Note("BeginScene", {});
    return inner->BeginScene();
  }
  HRESULT EndScene() override {
    Note("EndScene", {});
    return inner->EndScene();
  }
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                DWORD stencil) override {
    Note("Clear", {Arg(count), Arg(rects), Arg(flags), Arg(color), Arg(z), Arg(stencil)});
    return inner->Clear(count, rects, flags, color, z, stencil);
  }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override {
    Note("SetTransform", {Arg(state), Arg(matrix)});
    return inner->SetTransform(state, matrix);
  }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override {
    Note("GetTransform", {Arg(state), Arg(matrix)});
    return inner->GetTransform(state, matrix);
  }
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override {
    Note("MultiplyTransform", {Arg(state), Arg(matrix)});
    return inner->MultiplyTransform(state, matrix);
  }
  HRESULT SetViewport(const D3DVIEWPORT9* viewport) override {
    Note("SetViewport", {Arg(viewport)});
    return inner->SetViewport(viewport);
  }
  HRESULT GetViewport(D3DVIEWPORT9* viewport) override {
    Note("GetViewport", {Arg(viewport)});
    return inner->GetViewport(viewport);
  }
  HRESULT SetMaterial(const D3DMATERIAL9* material) override {
    Note("SetMaterial", {Arg(material)});
    return inner->SetMaterial(material);
  }
  HRESULT GetMaterial(D3DMATERIAL9* material) override {
    Note("GetMaterial", {Arg(material)});
    return inner->GetMaterial(material);
  }
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light) override {
    Note("SetLight", {Arg(index), Arg(light)});
    return inner->SetLight(index, light);
  }
  HRESULT GetLight(DWORD index, D3DLIGHT9* light) override {
    Note("GetLight", {Arg(index), Arg(light)});
    return inner->GetLight(index, light);
  }
  HRESULT LightEnable(DWORD index, BOOL enable) override {
    Note("LightEnable", {Arg(index), Arg(enable)});
    return inner->LightEnable(index, enable);
  }
  HRESULT GetLightEnable(DWORD index, BOOL* enable) override {
    Note("GetLightEnable", {Arg(index), Arg(enable)});
    return inner->GetLightEnable(index, enable);
  }
  HRESULT SetClipPlane(DWORD index, const float* plane) override {
    Note("SetClipPlane", {Arg(index), Arg(plane)});
    return inner->SetClipPlane(index, plane);
  }
  HRESULT GetClipPlane(DWORD index, float* plane) override {
    Note("GetClipPlane", {Arg(index), Arg(plane)});
    return inner->GetClipPlane(index, plane);
  }
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
    Note("SetRenderState", {Arg(state), Arg(value)});
    return inner->SetRenderState(state, value);
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override {
    Note("GetRenderState", {Arg(state), Arg(value)});
    return inner->GetRenderState(state, value);
  }
  HRESULT CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** stateBlock) override {
    Note("CreateStateBlock", {Arg(type), Arg(stateBlock)});
    return inner->CreateStateBlock(type, stateBlock);
  }
  HRESULT BeginStateBlock() override {
    Note("BeginStateBlock", {});
    return inner->BeginStateBlock();
  }
  HRESULT EndStateBlock(IDirect3DStateBlock9** stateBlock) override {
    Note("EndStateBlock", {Arg(stateBlock)});
    return inner->EndStateBlock(stateBlock);
  }
  HRESULT SetClipStatus(const D3DCLIPSTATUS9* clipStatus) override {
    Note("SetClipStatus", {Arg(clipStatus)});
    return inner->SetClipStatus(clipStatus);
  }
  HRESULT GetClipStatus(D3DCLIPSTATUS9* clipStatus) override {
    Note("GetClipStatus", {Arg(clipStatus)});
    return inner->GetClipStatus(clipStatus);
  }
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override {
    Note("GetTexture", {Arg(stage), Arg(texture)});
    return inner->GetTexture(stage, texture);
  }
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override {
    Note("SetTexture", {Arg(stage), Arg(texture)});
    return inner->SetTexture(stage, texture);
  }
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override {
    Note("GetTextureStageState", {Arg(stage), Arg(type), Arg(value)});
    return inner->GetTextureStageState(stage, type, value);
  }
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
    Note("SetTextureStageState", {Arg(stage), Arg(type), Arg(value)});
    return inner->SetTextureStageState(stage, type, value);
  }
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override {
    Note("GetSamplerState", {Arg(sampler), Arg(type), Arg(value)});
    return inner->GetSamplerState(sampler, type, value);
  }
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override {
    Note("SetSamplerState", {Arg(sampler), Arg(type), Arg(value)});
    return inner->SetSamplerState(sampler, type, value);
  }
  HRESULT ValidateDevice(DWORD* numPasses) override {
    Note("ValidateDevice", {Arg(numPasses)});
    return inner->ValidateDevice(numPasses);
  }
  HRESULT SetPaletteEntries(UINT paletteNumber, const PALETTEENTRY* entries) override {
    Note("SetPaletteEntries", {Arg(paletteNumber), Arg(entries)});
    return inner->SetPaletteEntries(paletteNumber, entries);
  }
  HRESULT GetPaletteEntries(UINT paletteNumber, PALETTEENTRY* entries) override {
    Note("GetPaletteEntries", {Arg(paletteNumber), Arg(entries)});
    return inner->GetPaletteEntries(paletteNumber, entries);
  }
  HRESULT SetCurrentTexturePalette(UINT paletteNumber) override {
    Note("SetCurrentTexturePalette", {Arg(paletteNumber)});
    return inner->SetCurrentTexturePalette(paletteNumber);
  }
  HRESULT GetCurrentTexturePalette(UINT* paletteNumber) override {
    Note("GetCurrentTexturePalette", {Arg(paletteNumber)});
    return inner->GetCurrentTexturePalette(paletteNumber);
  }
  HRESULT SetScissorRect(const RECT* rect) override {
    Note("SetScissorRect", {Arg(rect)});
    return inner->SetScissorRect(rect);
  }
  HRESULT GetScissorRect(RECT* rect) override {
    Note("GetScissorRect", {Arg(rect)});
    return inner->GetScissorRect(rect);
  }
  HRESULT SetSoftwareVertexProcessing(BOOL software) override {
    Note("SetSoftwareVertexProcessing", {Arg(software)});
    return inner->SetSoftwareVertexProcessing(software);
  }
  BOOL GetSoftwareVertexProcessing() override {
    Note("GetSoftwareVertexProcessing", {});
    return inner->GetSoftwareVertexProcessing();
  }
  HRESULT SetNPatchMode(float nSegments) override {
    Note("SetNPatchMode", {Arg(nSegments)});
    return inner->SetNPatchMode(nSegments);
  }
  float GetNPatchMode() override {
    Note("GetNPatchMode", {});
    return inner->GetNPatchMode();
  }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) override {
    Note("DrawPrimitive", {Arg(primitiveType), Arg(startVertex), Arg(primitiveCount)});
    return inner->DrawPrimitive(primitiveType, startVertex, primitiveCount);
  }
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, INT baseVertexIndex, UINT minVertexIndex,
                               UINT numVertices, UINT startIndex, UINT primCount) override {
    Note("DrawIndexedPrimitive", {Arg(primitiveType), Arg(baseVertexIndex), Arg(minVertexIndex),
                                  Arg(numVertices), Arg(startIndex), Arg(primCount)});
    return inner->DrawIndexedPrimitive(primitiveType, baseVertexIndex, minVertexIndex, numVertices,
                                       startIndex, primCount);
  }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                          const void* vertexStreamZeroData, UINT vertexStreamZeroStride) override {
    Note("DrawPrimitiveUP",
         {Arg(primitiveType), Arg(primitiveCount), Arg(vertexStreamZeroData), Arg(vertexStreamZeroStride)});
    return inner->DrawPrimitiveUP(primitiveType, primitiveCount, vertexStreamZeroData,
                                  vertexStreamZeroStride);
  }
  HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex, UINT numVertices,
                                 UINT primitiveCount, const void* indexData, D3DFORMAT indexDataFormat,
                                 const void* vertexStreamZeroData, UINT vertexStreamZeroStride) override {
    Note("DrawIndexedPrimitiveUP",
         {Arg(primitiveType), Arg(minVertexIndex), Arg(numVertices), Arg(primitiveCount), Arg(indexData),
          Arg(indexDataFormat), Arg(vertexStreamZeroData), Arg(vertexStreamZeroStride)});
    return inner->DrawIndexedPrimitiveUP(primitiveType, minVertexIndex, numVertices, primitiveCount,
                                         indexData, indexDataFormat, vertexStreamZeroData,
                                         vertexStreamZeroStride);
  }
  HRESULT ProcessVertices(UINT srcStartIndex, UINT destIndex, UINT vertexCount,
                          IDirect3DVertexBuffer9* destBuffer, IDirect3DVertexDeclaration9* vertexDecl,
                          DWORD flags) override {
    Note("ProcessVertices", {Arg(srcStartIndex), Arg(destIndex), Arg(vertexCount), Arg(destBuffer),
                             Arg(vertexDecl), Arg(flags)});
    return inner->ProcessVertices(srcStartIndex, destIndex, vertexCount, destBuffer, vertexDecl, flags);
  }
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* vertexElements,
                                  IDirect3DVertexDeclaration9** decl) override {
    Note("CreateVertexDeclaration", {Arg(vertexElements), Arg(decl)});
    return inner->CreateVertexDeclaration(vertexElements, decl);
  }
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* decl) override {
    Note("SetVertexDeclaration", {Arg(decl)});
    return inner->SetVertexDeclaration(decl);
  }
  HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** decl) override {
    Note("GetVertexDeclaration", {Arg(decl)});
    return inner->GetVertexDeclaration(decl);
  }
  HRESULT SetFVF(DWORD fvf) override {
    Note("SetFVF", {Arg(fvf)});
    return inner->SetFVF(fvf);
  }
  HRESULT GetFVF(DWORD* fvf) override {
    Note("GetFVF", {Arg(fvf)});
    return inner->GetFVF(fvf);
  }
  HRESULT CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) override {
    Note("CreateVertexShader", {Arg(function), Arg(shader)});
    return inner->CreateVertexShader(function, shader);
  }
  HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override {
    Note("SetVertexShader", {Arg(shader)});
    return inner->SetVertexShader(shader);
  }
  HRESULT GetVertexShader(IDirect3DVertexShader9** shader) override {
    Note("GetVertexShader", {Arg(shader)});
    return inner->GetVertexShader(shader);
  }
  HRESULT SetVertexShaderConstantF(UINT startRegister, const float* constantData,
                                   UINT vector4fCount) override {
    Note("SetVertexShaderConstantF", {Arg(startRegister), Arg(constantData), Arg(vector4fCount)});
    return inner->SetVertexShaderConstantF(startRegister, constantData, vector4fCount);
  }
  HRESULT GetVertexShaderConstantF(UINT startRegister, float* constantData, UINT vector4fCount) override {
    Note("GetVertexShaderConstantF", {Arg(startRegister), Arg(constantData), Arg(vector4fCount)});
    return inner->GetVertexShaderConstantF(startRegister, constantData, vector4fCount);
  }
  HRESULT SetVertexShaderConstantI(UINT startRegister, const int* constantData, UINT vector4iCount) override {
    Note("SetVertexShaderConstantI", {Arg(startRegister), Arg(constantData), Arg(vector4iCount)});
    return inner->SetVertexShaderConstantI(startRegister, constantData, vector4iCount);
  }
  HRESULT GetVertexShaderConstantI(UINT startRegister, int* constantData, UINT vector4iCount) override {
    Note("GetVertexShaderConstantI", {Arg(startRegister), Arg(constantData), Arg(vector4iCount)});
    return inner->GetVertexShaderConstantI(startRegister, constantData, vector4iCount);
  }
  HRESULT SetVertexShaderConstantB(UINT startRegister, const BOOL* constantData, UINT boolCount) override {
    Note("SetVertexShaderConstantB", {Arg(startRegister), Arg(constantData), Arg(boolCount)});
    return inner->SetVertexShaderConstantB(startRegister, constantData, boolCount);
  }
  HRESULT GetVertexShaderConstantB(UINT startRegister, BOOL* constantData, UINT boolCount) override {
    Note("GetVertexShaderConstantB", {Arg(startRegister), Arg(constantData), Arg(boolCount)});
    return inner->GetVertexShaderConstantB(startRegister, constantData, boolCount);
  }
  HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                          UINT stride) override {
    Note("SetStreamSource", {Arg(streamNumber), Arg(streamData), Arg(offsetInBytes), Arg(stride)});
    return inner->SetStreamSource(streamNumber, streamData, offsetInBytes, stride);
  }
  HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** streamData, UINT* offsetInBytes,
                          UINT* stride) override {
    Note("GetStreamSource", {Arg(streamNumber), Arg(streamData), Arg(offsetInBytes), Arg(stride)});
    return inner->GetStreamSource(streamNumber, streamData, offsetInBytes, stride);
  }
  HRESULT SetStreamSourceFreq(UINT streamNumber, UINT setting) override {
    Note("SetStreamSourceFreq", {Arg(streamNumber), Arg(setting)});
    return inner->SetStreamSourceFreq(streamNumber, setting);
  }
  HRESULT GetStreamSourceFreq(UINT streamNumber, UINT* setting) override {
    Note("GetStreamSourceFreq", {Arg(streamNumber), Arg(setting)});
    return inner->GetStreamSourceFreq(streamNumber, setting);
  }
  HRESULT SetIndices(IDirect3DIndexBuffer9* indexData) override {
    Note("SetIndices", {Arg(indexData)});
    return inner->SetIndices(indexData);
  }
  HRESULT GetIndices(IDirect3DIndexBuffer9** indexData) override {
    Note("GetIndices", {Arg(indexData)});
    return inner->GetIndices(indexData);
  }
  HRESULT CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) override {
    Note("CreatePixelShader", {Arg(function), Arg(shader)});
    return inner->CreatePixelShader(function, shader);
  }
  HRESULT SetPixelShader(IDirect3DPixelShader9* shader) override {
    Note("SetPixelShader", {Arg(shader)});
    return inner->SetPixelShader(shader);
  }
  HRESULT GetPixelShader(IDirect3DPixelShader9** shader) override {
    Note("GetPixelShader", {Arg(shader)});
    return inner->GetPixelShader(shader);
  }
  HRESULT SetPixelShaderConstantF(UINT startRegister, const float* constantData,
                                  UINT vector4fCount) override {
    Note("SetPixelShaderConstantF", {Arg(startRegister), Arg(constantData), Arg(vector4fCount)});
    return inner->SetPixelShaderConstantF(startRegister, constantData, vector4fCount);
  }
  HRESULT GetPixelShaderConstantF(UINT startRegister, float* constantData, UINT vector4fCount) override {
    Note("GetPixelShaderConstantF", {Arg(startRegister), Arg(constantData), Arg(vector4fCount)});
    return inner->GetPixelShaderConstantF(startRegister, constantData, vector4fCount);
  }
  HRESULT SetPixelShaderConstantI(UINT startRegister, const int* constantData, UINT vector4iCount) override {
    Note("SetPixelShaderConstantI", {Arg(startRegister), Arg(constantData), Arg(vector4iCount)});
    return inner->SetPixelShaderConstantI(startRegister, constantData, vector4iCount);
  }
  HRESULT GetPixelShaderConstantI(UINT startRegister, int* constantData, UINT vector4iCount) override {
    Note("GetPixelShaderConstantI", {Arg(startRegister), Arg(constantData), Arg(vector4iCount)});
    return inner->GetPixelShaderConstantI(startRegister, constantData, vector4iCount);
  }
  HRESULT SetPixelShaderConstantB(UINT startRegister, const BOOL* constantData, UINT boolCount) override {
    Note("SetPixelShaderConstantB", {Arg(startRegister), Arg(constantData), Arg(boolCount)});
    return inner->SetPixelShaderConstantB(startRegister, constantData, boolCount);
  }
  HRESULT GetPixelShaderConstantB(UINT startRegister, BOOL* constantData, UINT boolCount) override {
    Note("GetPixelShaderConstantB", {Arg(startRegister), Arg(constantData), Arg(boolCount)});
    return inner->GetPixelShaderConstantB(startRegister, constantData, boolCount);
  }
  HRESULT DrawRectPatch(UINT handle, const float* numSegs, const D3DRECTPATCH_INFO* rectPatchInfo) override {
    Note("DrawRectPatch", {Arg(handle), Arg(numSegs), Arg(rectPatchInfo)});
    return inner->DrawRectPatch(handle, numSegs, rectPatchInfo);
  }
  HRESULT DrawTriPatch(UINT handle, const float* numSegs, const D3DTRIPATCH_INFO* triPatchInfo) override {
    Note("DrawTriPatch", {Arg(handle), Arg(numSegs), Arg(triPatchInfo)});
    return inner->DrawTriPatch(handle, numSegs, triPatchInfo);
  }
  HRESULT DeletePatch(UINT handle) override {
    Note("DeletePatch", {Arg(handle)});
    return inner->DeletePatch(handle);
  }
  HRESULT CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) override {
    Note("CreateQuery", {Arg(type), Arg(query)});
    return inner->CreateQuery(type, query);
  }

  IDirect3DDevice9* inner;

 protected:
  template <typename T>
  static long long Arg(T value) {
    if constexpr (std::is_pointer_v<T>)
      return (long long)(uintptr_t)value;
    else if constexpr (std::is_floating_point_v<T>)
      return (long long)(value * 1000);
    else
      return (long long)value;
  }

 private:
  ULONG refCount = 1;
};
