// 4 x 4 float matrix, row-major, laid out like D3DMATRIX (_11 .. _44).
// Row vectors multiply on the left (v' = v * M); in A * B, A acts first.
#pragma once

#include "geometry/Vec.h"

struct Matrix4 {
  float m[4][4];

  void SetZero();
  void SetIdentity();
  // axis 0 = X, 1 = Y, 2 = Z; any other axis leaves the identity.
  void SetRotation(int axis, float angle);
  void SetScaling(const Vec3& v) { SetScaling(v.x, v.y, v.z); }
  void SetScaling(float x, float y, float z);
  void SetTranslation(const Vec3& v) { SetTranslation(v.x, v.y, v.z); }
  void SetTranslation(float x, float y, float z);
  // Right-handed: the camera looks along -z and the projected w is -z.
  void SetPerspective(float nearPlane, float farPlane, float fovX, float fovY);
  // out = this * b. out may be this (the left operand is copied first) but must not be b.
  void Multiply(const Matrix4& b, Matrix4& out) const;
};

static_assert(sizeof(Matrix4) == 64);
