#include "platform/directx/software/VertexProcessor.h"

#include <cmath>
#include <cstring>

#include "platform/directx/TransformMath.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dx::software {
namespace {

// lrint in the default rounding mode (to nearest, ties to even) for values well inside 32 bits,
// without the library call that lrint's errno handling costs.
inline int32_t RoundToInt(float v) {
#if defined(__SSE2__)
  return _mm_cvtss_si32(_mm_set_ss(v));
#else
  return static_cast<int32_t>(std::lrint(v));
#endif
}

// Homogeneous w below this is treated as behind the eye and clipped away.
constexpr float kMinW = 1.0e-7f;

using M4 = float[4][4];

float Dot(const float* a, const float* b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

float Clamp01(float v) {
  return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;  // nan becomes 0
}

void UnpackColour(DWORD c, float* out) {
  out[0] = static_cast<float>((c >> 16) & 0xFF);
  out[1] = static_cast<float>((c >> 8) & 0xFF);
  out[2] = static_cast<float>(c & 0xFF);
  out[3] = static_cast<float>(c >> 24);
}

bool Finite4(float a, float b, float c, float d) {
  // (x - x) is 0 for finite x and nan otherwise; one test covers all four.
  return ((a - a) + (b - b) + (c - c) + (d - d)) == 0.0f;
}

}  // namespace

bool VertexProcessor::Setup(const DrawState& state, int scissorX0, int scissorY0, int scissorX1,
                            int scissorY1) {
  const D3DVIEWPORT2& vp = state.viewport;
  if (!(vp.dvClipWidth != 0.0f && vp.dvClipHeight != 0.0f) ||
      !Finite4(vp.dvClipX, vp.dvClipY, vp.dvClipWidth, vp.dvClipHeight) ||
      !Finite4(vp.dvMinZ, vp.dvMaxZ, 0.0f, 0.0f)) {
    return false;
  }
  // Pixel x = dwX + (x/w − ClipX) · Width / ClipWidth; pixel y = dwY + (ClipY − y/w) · Height /
  // ClipHeight (y grows downwards).
  const float sx = static_cast<float>(vp.dwWidth) / vp.dvClipWidth;
  const float ox = static_cast<float>(vp.dwX) - vp.dvClipX * sx;
  const float sy = -static_cast<float>(vp.dwHeight) / vp.dvClipHeight;
  const float oy = static_cast<float>(vp.dwY) - vp.dvClipY * sy;
  m_MinZ = vp.dvMinZ;
  m_MaxZ = vp.dvMaxZ;

  Multiply(Rows(state.world), Rows(state.view), m_ToView);
  float clip[4][4];
  Multiply(m_ToView, Rows(state.projection), clip);
  for (int i = 0; i < 4; ++i) {
    m_ToScreen[i][0] = clip[i][0] * sx + clip[i][3] * ox;
    m_ToScreen[i][1] = clip[i][1] * sy + clip[i][3] * oy;
    m_ToScreen[i][2] = clip[i][2];
    m_ToScreen[i][3] = clip[i][3];
  }
  NormalMatrix(m_ToView, m_NormalMatrix);
  // Primitives entirely beyond the scissor (with a pixel of margin) are rejected early.
  m_ViewX0 = static_cast<float>(scissorX0) - 1.0f;
  m_ViewY0 = static_cast<float>(scissorY0) - 1.0f;
  m_ViewX1 = static_cast<float>(scissorX1) + 1.0f;
  m_ViewY1 = static_cast<float>(scissorY1) + 1.0f;

  // Lights in view space.
  m_Lighting = state.hasMaterial;
  m_Material = state.material;
  m_SpecularEnabled = state.renderStates[D3DRENDERSTATE_SPECULARENABLE] != 0;
  const DWORD ambient = state.lightStates[D3DLIGHTSTATE_AMBIENT];
  m_Ambient[0] = static_cast<float>((ambient >> 16) & 0xFF) / 255.0f;
  m_Ambient[1] = static_cast<float>((ambient >> 8) & 0xFF) / 255.0f;
  m_Ambient[2] = static_cast<float>(ambient & 0xFF) / 255.0f;
  const D3DMATERIAL& m = m_Material;
  m_BaseDiffuse[0] = m.dcvEmissive.r + m_Ambient[0] * m.dcvAmbient.r;
  m_BaseDiffuse[1] = m.dcvEmissive.g + m_Ambient[1] * m.dcvAmbient.g;
  m_BaseDiffuse[2] = m.dcvEmissive.b + m_Ambient[2] * m.dcvAmbient.b;
  m_Lights.clear();
  const float(*view)[4] = reinterpret_cast<const float(*)[4]>(&state.view);
  // The object's origin in view space, which parallel-point lights aim at.
  const float origin[3] = {m_ToView[3][0], m_ToView[3][1], m_ToView[3][2]};
  for (const D3DLIGHT2& l : state.lights) {
    if (!(l.dwFlags & D3DLIGHT_ACTIVE)) continue;
    PreparedLight p{};
    p.type = l.dltType;
    p.colour[0] = l.dcvColor.r;
    p.colour[1] = l.dcvColor.g;
    p.colour[2] = l.dcvColor.b;
    const float pos[3] = {l.dvPosition.x, l.dvPosition.y, l.dvPosition.z};
    const float dir[3] = {l.dvDirection.x, l.dvDirection.y, l.dvDirection.z};
    for (int j = 0; j < 3; ++j) {
      p.position[j] = pos[0] * view[0][j] + pos[1] * view[1][j] + pos[2] * view[2][j] + view[3][j];
      // dvDirection is the way the light travels; lighting wants the way to the light.
      p.spotAxis[j] = dir[0] * view[0][j] + dir[1] * view[1][j] + dir[2] * view[2][j];
    }
    Normalise(p.spotAxis);
    switch (l.dltType) {
      case D3DLIGHT_DIRECTIONAL:
        for (int j = 0; j < 3; ++j) p.direction[j] = -p.spotAxis[j];
        break;
      case D3DLIGHT_PARALLELPOINT:
        for (int j = 0; j < 3; ++j) p.direction[j] = p.position[j] - origin[j];
        Normalise(p.direction);
        break;
      case D3DLIGHT_POINT:
      case D3DLIGHT_SPOT:
        break;
      default:
        continue;  // unknown kinds give no light
    }
    p.range = l.dvRange;
    p.falloff = l.dvFalloff;
    p.attenuation[0] = l.dvAttenuation0;
    p.attenuation[1] = l.dvAttenuation1;
    p.attenuation[2] = l.dvAttenuation2;
    p.cosHalfTheta = static_cast<float>(std::cos(0.5 * l.dvTheta));
    p.cosHalfPhi = static_cast<float>(std::cos(0.5 * l.dvPhi));
    p.specular = (l.dwFlags & D3DLIGHT_NO_SPECULAR) == 0;
    const D3DCOLORVALUE& md = m_Material.dcvDiffuse;
    const D3DCOLORVALUE& ms = m_Material.dcvSpecular;
    p.diffuse[0] = p.colour[0] * md.r;
    p.diffuse[1] = p.colour[1] * md.g;
    p.diffuse[2] = p.colour[2] * md.b;
    p.specular3[0] = p.colour[0] * ms.r;
    p.specular3[1] = p.colour[1] * ms.g;
    p.specular3[2] = p.colour[2] * ms.b;
    m_Lights.push_back(p);
  }
  return true;
}

// Direct3D's fixed-function lighting: diffuse = emissive + ambient · Ma + Σ atten · spot ·
// (N·L) · Cl · Md; specular = Σ atten · spot · (N·H)^power · Cl · Ms with H = norm(L + V);
// each sum clamped to 0..1.
void VertexProcessor::Light(const float* p, const float* n, float* diffuse, float* specular) const {
  const D3DMATERIAL& m = m_Material;
  float d[3] = {m_BaseDiffuse[0], m_BaseDiffuse[1], m_BaseDiffuse[2]};
  float s[3] = {0.0f, 0.0f, 0.0f};
  float toEye[3] = {-p[0], -p[1], -p[2]};
  Normalise(toEye);
  for (const PreparedLight& l : m_Lights) {
    float dir[3];
    float atten = 1.0f;
    if (l.type == D3DLIGHT_DIRECTIONAL || l.type == D3DLIGHT_PARALLELPOINT) {
      dir[0] = l.direction[0];
      dir[1] = l.direction[1];
      dir[2] = l.direction[2];
    } else {
      dir[0] = l.position[0] - p[0];
      dir[1] = l.position[1] - p[1];
      dir[2] = l.position[2] - p[2];
      const float dist = std::sqrt(Dot(dir, dir));
      if (!(dist <= l.range)) continue;
      if (dist > 0.0f) {
        const float inv = 1.0f / dist;
        dir[0] *= inv;
        dir[1] *= inv;
        dir[2] *= inv;
      }
      const float denom =
          l.attenuation[0] + l.attenuation[1] * dist + l.attenuation[2] * dist * dist;
      // A zero denominator (light on the vertex) saturates rather than dividing by zero.
      atten = denom > 1.0e-20f ? 1.0f / denom : 1.0e20f;
      if (l.type == D3DLIGHT_SPOT) {
        const float rho = -Dot(dir, l.spotAxis);
        if (rho <= l.cosHalfPhi) continue;
        if (rho < l.cosHalfTheta) {
          const float t = (rho - l.cosHalfPhi) / (l.cosHalfTheta - l.cosHalfPhi);
          atten *= l.falloff == 1.0f ? t : std::pow(t, l.falloff);
        }
      }
    }
    const float nDotL = Dot(n, dir);
    if (!(nDotL > 0.0f)) continue;
    const float kd = nDotL * atten;
    d[0] += kd * l.diffuse[0];
    d[1] += kd * l.diffuse[1];
    d[2] += kd * l.diffuse[2];
    if (m_SpecularEnabled && l.specular) {
      float h[3] = {dir[0] + toEye[0], dir[1] + toEye[1], dir[2] + toEye[2]};
      Normalise(h);
      const float nDotH = Dot(n, h);
      if (nDotH > 0.0f) {
        const float ks = std::pow(nDotH, m.dvPower) * atten;
        s[0] += ks * l.specular3[0];
        s[1] += ks * l.specular3[1];
        s[2] += ks * l.specular3[2];
      }
    }
  }
  for (int i = 0; i < 3; ++i) {
    diffuse[i] = Clamp01(d[i]);
    specular[i] = Clamp01(s[i]);
  }
  diffuse[3] = Clamp01(m.dcvDiffuse.a);
}

[[gnu::always_inline]] inline uint32_t VertexProcessor::Classify(float x, float y, float z,
                                                                 float w) const {
  if (!Finite4(x, y, z, w)) return kNotFinite;
  uint32_t bits = 0;
  if (z < 0.0f) bits |= kClipNear;
  if (z > w) bits |= kClipFar;
  if (w < kMinW) bits |= kClipW;
  const float g = kGuardBand * w;
  if (x < -g) bits |= kClipGuardL;
  if (x > g) bits |= kClipGuardR;
  if (y < -g) bits |= kClipGuardT;
  if (y > g) bits |= kClipGuardB;
  if (x < m_ViewX0 * w) bits |= kClipViewL;
  if (x > m_ViewX1 * w) bits |= kClipViewR;
  if (y < m_ViewY0 * w) bits |= kClipViewT;
  if (y > m_ViewY1 * w) bits |= kClipViewB;
  return bits;
}

bool VertexProcessor::Project(const ClipVertex& v, ScreenVertex& out) const {
  if (!ProjectPosition(v.x, v.y, v.z, v.w, out)) return false;
  out.attr = v.attr;
  return true;
}

bool VertexProcessor::ProjectPosition(float x, float y, float z, float w, ScreenVertex& out) const {
  if (!(w >= kMinW * 0.5f)) return false;
  const float rhw = 1.0f / w;
  const float fx = x * rhw, fy = y * rhw;
  // The guard band with a little slack for vertices that clipping put on its edge.
  constexpr float kLimit = kGuardBand + 2.0f;
  if (!(fx > -kLimit && fx < kLimit && fy > -kLimit && fy < kLimit)) return false;
  out.x = static_cast<int32_t>(RoundToInt(fx * kSubPixelScale));
  out.y = static_cast<int32_t>(RoundToInt(fy * kSubPixelScale));
  out.fx = static_cast<float>(out.x) * (1.0f / kSubPixelScale);
  out.fy = static_cast<float>(out.y) * (1.0f / kSubPixelScale);
  double zn = static_cast<double>(z) * rhw;
  zn = zn < 0.0 ? 0.0 : (zn > 1.0 ? 1.0 : zn);
  out.z = m_MinZ + zn * (double{m_MaxZ} - m_MinZ);
  out.rhw = rhw;
  return true;
}

void VertexProcessor::LightVertex(const uint8_t* src, const VertexLayout& layout,
                                  Attributes& a) const {
  float pos[3], nIn[3];
  std::memcpy(pos, src, 12);
  std::memcpy(nIn, src + layout.normal, 12);
  const M4& mv = m_ToView;
  float viewPos[3], n[3];
  for (int j = 0; j < 3; ++j) {
    viewPos[j] = pos[0] * mv[0][j] + pos[1] * mv[1][j] + pos[2] * mv[2][j] + mv[3][j];
    n[j] = nIn[0] * m_NormalMatrix[0][j] + nIn[1] * m_NormalMatrix[1][j] +
           nIn[2] * m_NormalMatrix[2][j];
  }
  Normalise(n);
  float d[4], s[3];
  Light(viewPos, n, d, s);
  for (int j = 0; j < 4; ++j) a.diffuse[j] = d[j] * 255.0f;
  for (int j = 0; j < 3; ++j) a.specular[j] = s[j] * 255.0f;
}

void VertexProcessor::Process(const uint8_t* vertices, DWORD stride, DWORD count,
                              const VertexLayout& layout, bool deferLighting,
                              std::vector<TransformedVertex>& out) {
  if (out.size() < count) out.resize(count);
  const M4& m = m_ToScreen;
  const bool lit = Lights(layout);
  for (DWORD i = 0; i < count; ++i) {
    const uint8_t* src = vertices + static_cast<size_t>(i) * stride;
    TransformedVertex& t = out[i];
    float pos[4] = {0, 0, 0, 1};
    std::memcpy(pos, src, 12);
    if (layout.pretransformed) std::memcpy(&pos[3], src + 12, 4);
    Attributes& a = t.screen.attr;
    // Colours: lit, or taken from the vertex, or white diffuse and black specular.
    if (lit) {
      if (!deferLighting) LightVertex(src, layout, a);
    } else {
      if (layout.diffuse >= 0) {
        DWORD c;
        std::memcpy(&c, src + layout.diffuse, 4);
        UnpackColour(c, a.diffuse);
      } else {
        a.diffuse[0] = a.diffuse[1] = a.diffuse[2] = a.diffuse[3] = 255.0f;
      }
      if (layout.specular >= 0) {
        DWORD c;
        std::memcpy(&c, src + layout.specular, 4);
        float sp[4];
        UnpackColour(c, sp);
        a.specular[0] = sp[0];
        a.specular[1] = sp[1];
        a.specular[2] = sp[2];
      } else {
        a.specular[0] = a.specular[1] = a.specular[2] = 0.0f;
      }
    }
    for (int set = 0; set < kMaxTexCoordSets; ++set) {
      if (set < layout.texCount) {
        std::memcpy(a.tex[set], src + layout.tex + 8 * set, 8);
      } else {
        a.tex[set][0] = a.tex[set][1] = 0.0f;
      }
    }

    if (layout.pretransformed) {
      // Already in screen space: x, y in pixels, z in 0..1, 1/w. Nothing to clip; anything
      // outside the guard band or not finite is dropped.
      ScreenVertex& sv = t.screen;
      const float rhw = pos[3];
      t.x = pos[0];
      t.y = pos[1];
      t.z = pos[2];
      t.w = 1.0f;
      constexpr float kLimit = kGuardBand;
      if (!Finite4(pos[0], pos[1], pos[2], rhw) || !(pos[0] > -kLimit && pos[0] < kLimit) ||
          !(pos[1] > -kLimit && pos[1] < kLimit)) {
        t.clipBits = kNotFinite;
        continue;
      }
      uint32_t bits = 0;
      if (pos[0] < m_ViewX0) bits |= kClipViewL;
      if (pos[0] > m_ViewX1) bits |= kClipViewR;
      if (pos[1] < m_ViewY0) bits |= kClipViewT;
      if (pos[1] > m_ViewY1) bits |= kClipViewB;
      t.clipBits = bits;
      sv.x = static_cast<int32_t>(RoundToInt(pos[0] * kSubPixelScale));
      sv.y = static_cast<int32_t>(RoundToInt(pos[1] * kSubPixelScale));
      sv.fx = static_cast<float>(sv.x) * (1.0f / kSubPixelScale);
      sv.fy = static_cast<float>(sv.y) * (1.0f / kSubPixelScale);
      sv.z = pos[2] < 0.0f ? 0.0 : (pos[2] > 1.0f ? 1.0 : pos[2]);
      sv.rhw = rhw;
      continue;
    }

    t.x = pos[0] * m[0][0] + pos[1] * m[1][0] + pos[2] * m[2][0] + m[3][0];
    t.y = pos[0] * m[0][1] + pos[1] * m[1][1] + pos[2] * m[2][1] + m[3][1];
    t.z = pos[0] * m[0][2] + pos[1] * m[1][2] + pos[2] * m[2][2] + m[3][2];
    t.w = pos[0] * m[0][3] + pos[1] * m[1][3] + pos[2] * m[2][3] + m[3][3];
    t.clipBits = Classify(t.x, t.y, t.z, t.w);
    if ((t.clipBits & (kMustClip | kNotFinite)) == 0) {
      if (!ProjectPosition(t.x, t.y, t.z, t.w, t.screen)) t.clipBits |= kNotFinite;
    }
  }
}

}  // namespace dx::software
