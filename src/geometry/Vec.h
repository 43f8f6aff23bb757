// Plain float vectors shared by the geometry, the registry and the renderer.
// Trigonometry and square roots go through double and are stored as float.
#pragma once

#include <cmath>

namespace quennet {

// 2π as the program's single-precision constant; every angle step is derived from it.
inline constexpr float kTwoPi = 6.2831855f;

inline float Sin(float a) {
  return static_cast<float>(std::sin(static_cast<double>(a)));
}
inline float Cos(float a) {
  return static_cast<float>(std::cos(static_cast<double>(a)));
}
inline float Tan(float a) {
  return static_cast<float>(std::tan(static_cast<double>(a)));
}
inline float Sqrt(float a) {
  return static_cast<float>(std::sqrt(static_cast<double>(a)));
}

}  // namespace quennet

struct Vec2 {
  float x, y;
};

struct Vec3 {
  float x, y, z;

  void Set(float nx, float ny, float nz) {
    x = nx;
    y = ny;
    z = nz;
  }
  Vec3& Copy(const Vec3& v) {
    x = v.x;
    y = v.y;
    z = v.z;
    return *this;
  }
  Vec3& Add(const Vec3& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
  }
  Vec3& Scale(float s) {
    x *= s;
    y *= s;
    z *= s;
    return *this;
  }
  Vec3& Scaled(float s, Vec3& out) const {
    out.Set(x * s, y * s, z * s);
    return out;
  }
  Vec3& Subtract(const Vec3& v, Vec3& out) const {
    out.Set(x - v.x, y - v.y, z - v.z);
    return out;
  }
  float Dot(const Vec3& v) const { return x * v.x + y * v.y + z * v.z; }
  float Length() const { return quennet::Sqrt(Dot(*this)); }
  // Leaves out untouched for the zero vector: callers rely on the old value surviving.
  void Normalise(Vec3& out) const {
    const float len = Length();
    if (len == 0.0f) return;
    const float inv = 1.0f / len;
    out.Set(x * inv, y * inv, z * inv);
  }
  Vec3& Cross(const Vec3& v, Vec3& out) const {
    const float cx = y * v.z - z * v.y;
    const float cy = z * v.x - x * v.z;
    const float cz = x * v.y - y * v.x;
    out.Set(cx, cy, cz);
    return out;
  }
};

struct Vec4 {
  float x, y, z, w;

  void Set(float nx, float ny, float nz, float nw) {
    x = nx;
    y = ny;
    z = nz;
    w = nw;
  }
};

static_assert(sizeof(Vec2) == 2 * sizeof(float));
static_assert(sizeof(Vec3) == 3 * sizeof(float), "mesh arrays of Vec3 must be tight");
static_assert(sizeof(Vec4) == 4 * sizeof(float));
