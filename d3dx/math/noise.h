// Three-dimensional gradient noise of the texture evaluator.
#pragma once
#include <d3dx9math.h>

// Classic lattice gradient noise: smooth, zero at every lattice point, roughly within [-1.5, 1.5].
FLOAT GradientNoise3(const D3DXVECTOR3* p);
