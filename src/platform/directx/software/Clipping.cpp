#include "platform/directx/software/Clipping.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace dx::software {
namespace {

// Distance of a clip vertex to one clipping plane; inside where it is not negative.
float PlaneDistance(const ClipVertex& v, uint32_t plane) {
  switch (plane) {
    case kClipNear:
      return v.z;
    case kClipFar:
      return v.w - v.z;
    case kClipW:
      return v.w - 1.0e-7f;
    case kClipGuardL:
      return v.x + kGuardBand * v.w;
    case kClipGuardR:
      return kGuardBand * v.w - v.x;
    case kClipGuardT:
      return v.y + kGuardBand * v.w;
    default:
      return kGuardBand * v.w - v.y;  // kClipGuardB
  }
}

constexpr uint32_t kClipPlanes[] = {kClipNear,   kClipFar,    kClipW,     kClipGuardL,
                                    kClipGuardR, kClipGuardT, kClipGuardB};

}  // namespace

ClipVertex Lerp(const ClipVertex& a, const ClipVertex& b, float t) {
  ClipVertex r;
  r.x = a.x + (b.x - a.x) * t;
  r.y = a.y + (b.y - a.y) * t;
  r.z = a.z + (b.z - a.z) * t;
  r.w = a.w + (b.w - a.w) * t;
  const auto* pa = reinterpret_cast<const float*>(&a.attr);
  const auto* pb = reinterpret_cast<const float*>(&b.attr);
  auto* pr = reinterpret_cast<float*>(&r.attr);
  for (size_t i = 0; i < sizeof(Attributes) / sizeof(float); ++i)
    pr[i] = pa[i] + (pb[i] - pa[i]) * t;
  return r;
}

int ClipTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, uint32_t planes,
                 ClipVertex (&out)[kMaxClipVertices]) {
  // Sutherland–Hodgman, one plane after the other, between two buffers.
  std::array<ClipVertex, kMaxClipVertices> spare;
  ClipVertex* in = out;
  ClipVertex* next = spare.data();
  int n = 3;
  in[0] = a;
  in[1] = b;
  in[2] = c;
  for (uint32_t plane : kClipPlanes) {
    if (!(planes & plane)) continue;
    int m = 0;
    for (int i = 0; i < n; ++i) {
      const ClipVertex& p = in[i];
      const ClipVertex& q = in[(i + 1) % n];
      const float dp = PlaneDistance(p, plane), dq = PlaneDistance(q, plane);
      if (dp >= 0.0f) next[m++] = p;
      if ((dp >= 0.0f) != (dq >= 0.0f)) next[m++] = Lerp(p, q, dp / (dp - dq));
    }
    std::swap(in, next);
    n = m;
    if (n < 3) return n;
  }
  if (in != out) std::copy(in, in + n, out);
  return n;
}

bool ClipLine(const ClipVertex& a, const ClipVertex& b, uint32_t planes, float& t0, float& t1) {
  t0 = 0.0f;
  t1 = 1.0f;
  for (uint32_t plane : kClipPlanes) {
    if (!(planes & plane)) continue;
    const float d0 = PlaneDistance(a, plane), d1 = PlaneDistance(b, plane);
    if (d0 < 0.0f && d1 < 0.0f) return false;
    if (d0 < 0.0f) t0 = std::max(t0, d0 / (d0 - d1));
    if (d1 < 0.0f) t1 = std::min(t1, d0 / (d0 - d1));
    if (!(t0 <= t1)) return false;
  }
  return true;
}

}  // namespace dx::software
