// Transform arithmetic both devices share, so that they compute the same numbers: matrix
// products with double sums rounded once, the normal matrix, and normalising.
#pragma once

#include <cmath>

#include "platform/directx/DirectX.h"

namespace dx {

using Matrix44 = float[4][4];

inline const float (*Rows(const D3DMATRIX& m))[4] {
  return reinterpret_cast<const float(*)[4]>(&m);
}

// out = a · b (row vectors: a acts first).
inline void Multiply(const float a[4][4], const float b[4][4], float out[4][4]) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += double{a[i][k]} * b[k][j];
      out[i][j] = static_cast<float>(sum);
    }
  }
}

// Normals transform with the inverse transpose of the upper 3 × 3 (row vectors:
// n' = n · A⁻ᵀ), which stays right under non-uniform scaling; a singular matrix keeps A.
inline void NormalMatrix(const float a[4][4], float out[3][3]) {
  const double c00 = double{a[1][1]} * a[2][2] - double{a[1][2]} * a[2][1];
  const double c01 = double{a[1][2]} * a[2][0] - double{a[1][0]} * a[2][2];
  const double c02 = double{a[1][0]} * a[2][1] - double{a[1][1]} * a[2][0];
  const double c10 = double{a[0][2]} * a[2][1] - double{a[0][1]} * a[2][2];
  const double c11 = double{a[0][0]} * a[2][2] - double{a[0][2]} * a[2][0];
  const double c12 = double{a[0][1]} * a[2][0] - double{a[0][0]} * a[2][1];
  const double c20 = double{a[0][1]} * a[1][2] - double{a[0][2]} * a[1][1];
  const double c21 = double{a[0][2]} * a[1][0] - double{a[0][0]} * a[1][2];
  const double c22 = double{a[0][0]} * a[1][1] - double{a[0][1]} * a[1][0];
  const double det = a[0][0] * c00 + a[0][1] * c01 + a[0][2] * c02;
  if (det == 0.0 || !std::isfinite(det)) {
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) out[i][j] = a[i][j];
    return;
  }
  // (A⁻¹)ᵀ is the cofactor matrix over the determinant.
  const double inv = 1.0 / det;
  const double cof[3][3] = {{c00, c01, c02}, {c10, c11, c12}, {c20, c21, c22}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) out[i][j] = static_cast<float>(cof[i][j] * inv);
}

// Leaves the zero vector as it is.
inline void Normalise(float* v) {
  const float len2 = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
  if (len2 > 0.0f) {
    const float inv = 1.0f / std::sqrt(len2);
    v[0] *= inv;
    v[1] *= inv;
    v[2] *= inv;
  }
}

}  // namespace dx
