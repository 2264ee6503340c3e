// The one headless device of this benchmark program: starting the platform again for a second
// device would take the first one's window away.
#pragma once
#include <d3d9.h>

namespace texbench {

// Created on first use and kept for the program's life; null when it cannot be had.
IDirect3DDevice9* Device();

}  // namespace texbench
