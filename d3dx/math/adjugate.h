// Adjugate and determinant of a 4x4 matrix from 2x2 minors.
#pragma once
#include <d3dx9math.h>

// The sixteen cofactors (already transposed into the adjugate) and the determinant by expansion
// along the first row, carried in T.
template <typename T>
T Adjugate4(const D3DXMATRIX* m, T adj[4][4]) {
  T a[4][4];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) a[r][c] = m->m[r][c];
  // 2x2 minors of the lower two rows and of the upper two rows.
  const T s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1], s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
  const T s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3], s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
  const T s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3], s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
  const T c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3], c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
  const T c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2], c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
  const T c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2], c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
  adj[0][0] = a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3;
  adj[0][1] = -a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3;
  adj[0][2] = a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3;
  adj[0][3] = -a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3;
  adj[1][0] = -a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1;
  adj[1][1] = a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1;
  adj[1][2] = -a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1;
  adj[1][3] = a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1;
  adj[2][0] = a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0;
  adj[2][1] = -a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0;
  adj[2][2] = a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0;
  adj[2][3] = -a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0;
  adj[3][0] = -a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0;
  adj[3][1] = a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0;
  adj[3][2] = -a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0;
  adj[3][3] = a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0;
  // Expansion along the first row: the first-row entries times their cofactors.
  return a[0][0] * adj[0][0] + a[0][1] * adj[1][0] + a[0][2] * adj[2][0] + a[0][3] * adj[3][0];
}
