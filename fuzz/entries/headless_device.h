// One headless device for the whole fuzzing process, made on first use.
#pragma once
#include <d3d9.h>

namespace fuzz {

IDirect3DDevice9* HeadlessDevice();

}  // namespace fuzz
