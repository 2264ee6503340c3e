// Placeholder entry points until the optimiser lands.
#include "triangle_mesh.h"

namespace d3dx {

template <typename Index>
HRESULT TriangleMesh<Index>::Optimize(DWORD, const DWORD*, DWORD*, DWORD*, LPD3DXBUFFER*, LPD3DXMESH*) {
  return E_NOTIMPL;
}
template <typename Index>
HRESULT TriangleMesh<Index>::OptimizeInplace(DWORD, const DWORD*, DWORD*, DWORD*, LPD3DXBUFFER*) {
  return E_NOTIMPL;
}
#define INSTANTIATE(I)                                                                           \
  template HRESULT TriangleMesh<I>::Optimize(DWORD, const DWORD*, DWORD*, DWORD*, LPD3DXBUFFER*, \
                                             LPD3DXMESH*);                                       \
  template HRESULT TriangleMesh<I>::OptimizeInplace(DWORD, const DWORD*, DWORD*, DWORD*, LPD3DXBUFFER*);
INSTANTIATE(WORD)
INSTANTIATE(DWORD)
}  // namespace d3dx
