// The general path: every pixel state, in floating point. Triangles the row path cannot take
// (blending, alpha test, texture, or gradients too steep for its fixed point) are drawn span by
// span over their attribute planes; lines and points pixel by pixel.
#include <algorithm>
#include <cmath>

#include "platform/directx/software/Comparison.h"
#include "platform/directx/software/PixelOperations.h"
#include "platform/directx/software/Rasterizer.h"

namespace dx::software {

void Rasterizer::PrepareAttributes(const ScreenVertex& v, const ScreenVertex& provoking,
                                   float* out) const {
  const Attributes& colours = m_State.flat ? provoking.attr : v.attr;
  for (int i = 0; i < 4; ++i) out[kAttrDiffuse + i] = colours.diffuse[i];
  for (int i = 0; i < 3; ++i) {
    out[kAttrSpecular + i] = m_State.specular ? colours.specular[i] : 0.0f;
  }
  out[kAttrRhw] = v.rhw;
  for (int t = 0; t < kMaxTexCoordSets; ++t) {
    out[kAttrTex + 2 * t] = v.attr.tex[t][0] * v.rhw;
    out[kAttrTex + 2 * t + 1] = v.attr.tex[t][1] * v.rhw;
  }
}

void Rasterizer::BuildPlane(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                            const ScreenVertex& provoking, double inverseArea, Plane& plane) const {
  float va[kAttrCount], vb[kAttrCount], vc[kAttrCount];
  PrepareAttributes(a, provoking, va);
  PrepareAttributes(b, provoking, vb);
  PrepareAttributes(c, provoking, vc);
  const double dx1 = static_cast<double>(b.fx) - a.fx, dy1 = static_cast<double>(b.fy) - a.fy;
  const double dx2 = static_cast<double>(c.fx) - a.fx, dy2 = static_cast<double>(c.fy) - a.fy;
  for (int i = 0; i < kAttrCount; ++i) {
    const double d1 = static_cast<double>(vb[i]) - va[i], d2 = static_cast<double>(vc[i]) - va[i];
    plane.origin[i] = va[i];
    plane.ddx[i] = static_cast<float>((d1 * dy2 - d2 * dy1) * inverseArea);
    plane.ddy[i] = static_cast<float>((d2 * dx1 - d1 * dx2) * inverseArea);
  }
  const double d1 = b.z - a.z, d2 = c.z - a.z;
  plane.z = a.z;
  plane.dzdx = (d1 * dy2 - d2 * dy1) * inverseArea;
  plane.dzdy = (d2 * dx1 - d1 * dx2) * inverseArea;
  plane.x0 = a.fx;
  plane.y0 = a.fy;
}

void Rasterizer::GeneralTriangle(const ScreenVertex& a, const ScreenVertex& b,
                                 const ScreenVertex& c, const ScreenVertex& provoking,
                                 double inverseArea, int64_t colFirst, int64_t colLast,
                                 EdgeSet& edges) {
  Plane plane;
  BuildPlane(a, b, c, provoking, inverseArea, plane);
  for (int64_t py = edges.rowFirst; py <= edges.rowLast; ++py) {
    int64_t xl = colFirst, xr = colLast;
    edges.Enter(py);
    edges.Row(xl, xr);
    if (xl <= xr)
      GeneralSpan(static_cast<int>(py), static_cast<int>(xl), static_cast<int>(xr), plane);
  }
}

void Rasterizer::GeneralSpan(int py, int xl, int xr, const Plane& plane) {
  const float fx = static_cast<float>(xl) - plane.x0, fy = static_cast<float>(py) - plane.y0;
  float attr[kAttrCount];
  for (int i = 0; i < kAttrCount; ++i) {
    attr[i] = plane.origin[i] + plane.ddx[i] * fx + plane.ddy[i] * fy;
  }
  double z = plane.z + plane.dzdx * (xl - plane.x0) + plane.dzdy * (py - plane.y0);
  for (int x = xl; x <= xr; ++x) {
    ShadePixel(x, py, z, attr, &plane);
    for (int i = 0; i < kAttrCount; ++i) attr[i] += plane.ddx[i];
    z += plane.dzdx;
  }
}

void Rasterizer::ShadePixel(int px, int py, double z, const float* attr, const Plane* plane) {
  const PixelState& s = m_State;
  if (px < s.x0 || px >= s.x1 || py < s.y0 || py >= s.y1) return;
  uint32_t zv = 0;
  if (s.depthBits != 0) {
    zv = QuantiseDepth(z - s.zBias, s.depthBits);
    if (!Compare(s.zFunc, zv, ReadDepth(s, px, py))) return;
  }
  Colour4 diffuse{attr[kAttrDiffuse], attr[kAttrDiffuse + 1], attr[kAttrDiffuse + 2],
                  attr[kAttrDiffuse + 3]};
  Colour4 result = diffuse;
  if (s.textured && m_Stages) {
    const Colour4 specular{attr[kAttrSpecular], attr[kAttrSpecular + 1], attr[kAttrSpecular + 2],
                           0.0f};
    Colour4 texels[kTextureStageCount]{};
    float rhw = attr[kAttrRhw];
    if (!(rhw > 1.0e-30f)) rhw = 1.0e-30f;
    for (int i = 0; i < m_Stages->count; ++i) {
      const StageState& stage = m_Stages->stage[i];
      if (!stage.texture) continue;
      const int set = kAttrTex + 2 * stage.texCoordSet;
      const float u = attr[set] / rhw, v = attr[set + 1] / rhw;
      float dudx = 0, dvdx = 0, dudy = 0, dvdy = 0;
      if (plane) {
        dudx = (plane->ddx[set] - u * plane->ddx[kAttrRhw]) / rhw;
        dvdx = (plane->ddx[set + 1] - v * plane->ddx[kAttrRhw]) / rhw;
        dudy = (plane->ddy[set] - u * plane->ddy[kAttrRhw]) / rhw;
        dvdy = (plane->ddy[set + 1] - v * plane->ddy[kAttrRhw]) / rhw;
      }
      texels[i] = SampleTexture(stage, u, v, dudx, dvdx, dudy, dvdy);
    }
    result = CombineStages(*m_Stages, diffuse, specular, texels);
  }
  int src[4];
  src[0] = static_cast<int>(SaturateFloat(result.r + attr[kAttrSpecular]));
  src[1] = static_cast<int>(SaturateFloat(result.g + attr[kAttrSpecular + 1]));
  src[2] = static_cast<int>(SaturateFloat(result.b + attr[kAttrSpecular + 2]));
  src[3] = static_cast<int>(SaturateFloat(result.a));
  if (s.alphaTest && !Compare(s.alphaFunc, static_cast<uint32_t>(src[3]), s.alphaRef)) {
    return;
  }
  uint32_t* target =
      reinterpret_cast<uint32_t*>(s.colour + static_cast<size_t>(py) * s.colourPitch) + px;
  int out[4] = {src[0], src[1], src[2], src[3]};
  if (s.blend) Blend(s, src, *target, out);
  const uint32_t alpha = s.targetHasAlpha ? static_cast<uint32_t>(out[3]) : 0xFFu;
  *target = (alpha << 24) | (static_cast<uint32_t>(out[0]) << 16) |
            (static_cast<uint32_t>(out[1]) << 8) | static_cast<uint32_t>(out[2]);
  if (s.depthBits != 0 && s.zWrite) WriteDepth(s, px, py, zv);
  ++m_PixelsWritten;
}

void Rasterizer::Line(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& provoking) {
  float va[kAttrCount], vb[kAttrCount];
  PrepareAttributes(a, provoking, va);
  PrepareAttributes(b, provoking, vb);
  const float dx = b.fx - a.fx, dy = b.fy - a.fy;
  const bool xMajor = std::fabs(dx) >= std::fabs(dy);
  const float major0 = xMajor ? a.fx : a.fy, major1 = xMajor ? b.fx : b.fy;
  const float minor0 = xMajor ? a.fy : a.fx, dMinor = xMajor ? dy : dx;
  const float dMajor = major1 - major0;
  // Pixels whose centres the line passes, from the first endpoint's pixel to the last's.
  const int first = static_cast<int>(std::floor(major0 + 0.5f));
  const int last = static_cast<int>(std::floor(major1 + 0.5f));
  const int step = last >= first ? 1 : -1;
  const int count = (last - first) * step + (m_State.lastPixel ? 1 : 0);
  float attr[kAttrCount];
  for (int i = 0; i < count; ++i) {
    const int m = first + i * step;
    float t = dMajor != 0.0f ? (static_cast<float>(m) - major0) / dMajor : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    const int n = static_cast<int>(std::floor(minor0 + dMinor * t + 0.5f));
    for (int k = 0; k < kAttrCount; ++k) attr[k] = va[k] + (vb[k] - va[k]) * t;
    const double z = a.z + (b.z - a.z) * t;
    if (xMajor) {
      ShadePixel(m, n, z, attr, nullptr);
    } else {
      ShadePixel(n, m, z, attr, nullptr);
    }
  }
}

void Rasterizer::Point(const ScreenVertex& a) {
  float va[kAttrCount];
  PrepareAttributes(a, a, va);
  ShadePixel(static_cast<int>(std::floor(a.fx + 0.5f)), static_cast<int>(std::floor(a.fy + 0.5f)),
             a.z, va, nullptr);
}

}  // namespace dx::software
