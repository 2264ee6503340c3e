// The adjustment of a texture's size, levels and format to what a device accepts, shared by the
// public requirement checks, the empty-texture creators and the creation from image files.
#pragma once
#include <d3d9.h>

namespace d3dx {

// Usage bits a texture may be asked for: render target, depth stencil, software processing,
// dynamic, automatic mipmaps, displacement map and the query bits.
constexpr DWORD kRefusedUsageBits = 0xFFE039EC;
// The query bits only ask; they never reach the device's creation calls.
constexpr DWORD kCreationUsageMask = 0xFFE07FFF;

// Adjusts every non-null argument for a resource of `type` (texture, cube or volume texture; a
// cube's width and height may be the same pointer). D3DERR_INVALIDCALL for a null device, bad
// usage bits or pool, D3DERR_NOTAVAILABLE when the device has no acceptable format.
HRESULT CheckTextureRequirements(IDirect3DDevice9* device, D3DRESOURCETYPE type, UINT* width, UINT* height,
                                 UINT* depth, UINT* levels, DWORD usage, D3DFORMAT* format, D3DPOOL pool);

// The bit length of the largest dimension: the levels of a full chain down to 1x1.
UINT FullChainLevels(UINT width, UINT height, UINT depth);

}  // namespace d3dx
