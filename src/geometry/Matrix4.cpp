#include "geometry/Matrix4.h"

#include <cstring>

void Matrix4::SetZero() {
  std::memset(m, 0, sizeof(m));
}

void Matrix4::SetIdentity() {
  SetZero();
  m[0][0] = m[1][1] = m[2][2] = m[3][3] = 1.0f;
}

void Matrix4::SetRotation(int axis, float angle) {
  SetIdentity();
  const float sn = quennet::Sin(angle);
  const float cs = quennet::Cos(angle);
  switch (axis) {
    case 0:
      m[1][1] = cs;
      m[1][2] = sn;
      m[2][1] = -sn;
      m[2][2] = cs;
      break;
    case 1:
      m[0][0] = cs;
      m[0][2] = -sn;
      m[2][0] = sn;
      m[2][2] = cs;
      break;
    case 2:
      m[0][0] = cs;
      m[0][1] = sn;
      m[1][0] = -sn;
      m[1][1] = cs;
      break;
    default:
      break;
  }
}

void Matrix4::SetScaling(float x, float y, float z) {
  SetIdentity();
  m[0][0] = x;
  m[1][1] = y;
  m[2][2] = z;
}

void Matrix4::SetTranslation(float x, float y, float z) {
  SetIdentity();
  m[3][0] = x;
  m[3][1] = y;
  m[3][2] = z;
}

void Matrix4::SetPerspective(float nearPlane, float farPlane, float fovX, float fovY) {
  SetZero();
  m[0][0] = 1.0f / quennet::Tan(fovX * 0.5f);
  m[1][1] = 1.0f / quennet::Tan(fovY * 0.5f);
  const float q = farPlane / (farPlane - nearPlane);
  m[2][2] = -q;
  m[3][2] = -q * nearPlane;
  m[2][3] = -1.0f;
}

void Matrix4::Multiply(const Matrix4& b, Matrix4& out) const {
  const Matrix4 a = *this;
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.m[row][k] * b.m[k][col];
      out.m[row][col] = sum;
    }
  }
}
