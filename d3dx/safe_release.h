// Releasing reference-counted objects the library holds.
#pragma once

namespace d3dx {

// Releases a COM pointer and clears it.
template <typename T>
void SafeRelease(T*& object) {
  if (object) {
    object->Release();
    object = nullptr;
  }
}

}  // namespace d3dx
