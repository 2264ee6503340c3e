// Three-dimensional gradient noise of the texture evaluator.
#pragma once
#include <d3dx9math.h>

// Classic lattice gradient noise: smooth, zero at every lattice point, roughly within [-1.5, 1.5].
FLOAT GradientNoise3(const D3DXVECTOR3* p);

// The same noise with the lattice wrapped every period[axis] cells (1 to 256): the value at p
// equals the value at p plus a whole number of periods along any axis, so a texture that spans
// whole periods tiles without a seam.
FLOAT GradientNoise3Tiled(const D3DXVECTOR3* p, const INT period[3]);
