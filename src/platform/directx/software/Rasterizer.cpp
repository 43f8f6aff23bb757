#include "platform/directx/software/Rasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dx::software {
namespace {

inline uint32_t SaturateFloat(float v) {
  return v > 0.0f ? (v < 255.0f ? static_cast<uint32_t>(v + 0.5f) : 255u) : 0u;
}

constexpr uint32_t DepthMax(int bits) {
  return bits == 16 ? 0xFFFFu : (bits == 24 ? 0xFFFFFFu : 0xFFFFFFFFu);
}

template <DWORD F>
inline bool Compare(uint32_t value, uint32_t stored) {
  if constexpr (F == D3DCMP_NEVER) return false;
  if constexpr (F == D3DCMP_LESS) return value < stored;
  if constexpr (F == D3DCMP_EQUAL) return value == stored;
  if constexpr (F == D3DCMP_LESSEQUAL) return value <= stored;
  if constexpr (F == D3DCMP_GREATER) return value > stored;
  if constexpr (F == D3DCMP_NOTEQUAL) return value != stored;
  if constexpr (F == D3DCMP_GREATEREQUAL) return value >= stored;
  return true;
}

bool CompareRuntime(DWORD f, uint32_t value, uint32_t stored) {
  switch (f) {
    case D3DCMP_NEVER:
      return false;
    case D3DCMP_LESS:
      return value < stored;
    case D3DCMP_EQUAL:
      return value == stored;
    case D3DCMP_LESSEQUAL:
      return value <= stored;
    case D3DCMP_GREATER:
      return value > stored;
    case D3DCMP_NOTEQUAL:
      return value != stored;
    case D3DCMP_GREATEREQUAL:
      return value >= stored;
    default:
      return true;
  }
}

inline uint32_t ReadDepth(const PixelState& s, int x, int y) {
  const uint8_t* row = s.depth + static_cast<size_t>(y) * s.depthPitch;
  if (s.depthBits == 16) return reinterpret_cast<const uint16_t*>(row)[x];
  const uint32_t v = reinterpret_cast<const uint32_t*>(row)[x];
  return s.depthBits == 24 ? (v & 0xFFFFFFu) : v;
}

inline void WriteDepth(const PixelState& s, int x, int y, uint32_t z) {
  uint8_t* row = s.depth + static_cast<size_t>(y) * s.depthPitch;
  if (s.depthBits == 16) {
    reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(z);
  } else {
    reinterpret_cast<uint32_t*>(row)[x] = z;
  }
}

// The depth written for z in 0..1 (after bias): the nearest step, within the buffer's range.
inline uint32_t QuantiseDepth(double z, int bits) {
  const double scaled = z * static_cast<double>(DepthMax(bits));
  if (!(scaled > 0.0)) return 0;
  if (scaled >= static_cast<double>(DepthMax(bits))) return DepthMax(bits);
  return static_cast<uint32_t>(scaled + 0.5);
}

// One blend factor for the colour channels (rgb) and for alpha, in 0..255.
struct Factor {
  int rgb[3];
  int a;
};

Factor BlendFactor(DWORD mode, const int* src, const int* dst) {
  auto all = [](int v) { return Factor{{v, v, v}, v}; };
  switch (mode) {
    case D3DBLEND_ZERO:
      return all(0);
    case D3DBLEND_ONE:
      return all(255);
    case D3DBLEND_SRCCOLOR:
      return {{src[0], src[1], src[2]}, src[3]};
    case D3DBLEND_INVSRCCOLOR:
      return {{255 - src[0], 255 - src[1], 255 - src[2]}, 255 - src[3]};
    case D3DBLEND_SRCALPHA:
    case D3DBLEND_BOTHSRCALPHA:
      return all(src[3]);
    case D3DBLEND_INVSRCALPHA:
    case D3DBLEND_BOTHINVSRCALPHA:
      return all(255 - src[3]);
    case D3DBLEND_DESTALPHA:
      return all(dst[3]);
    case D3DBLEND_INVDESTALPHA:
      return all(255 - dst[3]);
    case D3DBLEND_DESTCOLOR:
      return {{dst[0], dst[1], dst[2]}, dst[3]};
    case D3DBLEND_INVDESTCOLOR:
      return {{255 - dst[0], 255 - dst[1], 255 - dst[2]}, 255 - dst[3]};
    case D3DBLEND_SRCALPHASAT: {
      const int f = std::min(src[3], 255 - dst[3]);
      return {{f, f, f}, 255};
    }
    default:
      return all(255);
  }
}

// 0..255 for v >> 16 in -256 .. 767 (the index is offset by 256).
struct SaturationTable {
  uint32_t value[1024];
  constexpr SaturationTable() : value() {
    for (int i = 0; i < 1024; ++i) {
      const int v = i - 256;
      value[i] = static_cast<uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
  }
};
constexpr SaturationTable kSaturate;
constexpr int64_t kColourLow = -256ll << 16;
constexpr int64_t kColourHigh = (768ll << 16) - 1;

inline uint32_t Sat(int32_t v) {
  return kSaturate.value[(v >> 16) + 256];
}

// The common case: no blending, alpha test or texture; a fixed depth comparison.
template <int kDepthBits, DWORD kFunc, bool kWrite, bool kAlpha>
[[gnu::always_inline]] inline bool FastSpan(const PixelState& s, int py, int xl, int xr,
                                            const FixedSpan& f, uint64_t& written) {
  const int64_t n = xr - xl;
  constexpr int kChannels = kAlpha ? 4 : 3;
  int32_t c[4] = {0, 0, 0, 0}, dc[4] = {0, 0, 0, 0};
  for (int i = 0; i < kChannels; ++i) {
    const int64_t end = f.colour[i] + f.colourStep[i] * n;
    if (f.colour[i] < kColourLow || f.colour[i] > kColourHigh || end < kColourLow ||
        end > kColourHigh) {
      return false;
    }
    c[i] = static_cast<int32_t>(f.colour[i]);
    dc[i] = static_cast<int32_t>(f.colourStep[i]);
  }
  uint32_t* colour =
      reinterpret_cast<uint32_t*>(s.colour + static_cast<size_t>(py) * s.colourPitch);
  [[maybe_unused]] uint8_t* depthRow = s.depth + static_cast<size_t>(py) * s.depthPitch;
  [[maybe_unused]] int64_t z = f.z;
  for (int x = xl; x <= xr; ++x) {
    if constexpr (kDepthBits != 0) {
      constexpr int64_t kMax = DepthMax(kDepthBits);
      int64_t zi = z >> 16;
      zi = zi < 0 ? 0 : (zi > kMax ? kMax : zi);
      const uint32_t zv = static_cast<uint32_t>(zi);
      z += f.zStep;
      bool pass;
      if constexpr (kDepthBits == 16) {
        uint16_t* d = reinterpret_cast<uint16_t*>(depthRow) + x;
        pass = Compare<kFunc>(zv, *d);
        if (kWrite && pass) *d = static_cast<uint16_t>(zv);
      } else {
        uint32_t* d = reinterpret_cast<uint32_t*>(depthRow) + x;
        pass = Compare<kFunc>(zv, kDepthBits == 24 ? (*d & 0xFFFFFFu) : *d);
        if (kWrite && pass) *d = zv;
      }
      if (!pass) {
        for (int i = 0; i < kChannels; ++i) c[i] += dc[i];
        continue;
      }
    }
    const uint32_t alpha = kAlpha ? Sat(c[3]) : 0xFFu;
    colour[x] = (alpha << 24) | (Sat(c[0]) << 16) | (Sat(c[1]) << 8) | Sat(c[2]);
    ++written;
    for (int i = 0; i < kChannels; ++i) c[i] += dc[i];
  }
  return true;
}

// The rows of a fast triangle; each span steps colour and depth from the row's left end.
template <int kDepthBits, DWORD kFunc, bool kWrite, bool kAlpha>
void FastRows(FastTriangle& t) {
  const PixelState& s = *t.state;
  FixedSpan row = t.start;
  for (int64_t py = t.rowFirst; py <= t.rowLast; ++py) {
    int64_t xl = t.colFirst, xr = t.colLast;
    for (EdgeWalker& e : t.edges) {
      switch (e.kind) {
        case EdgeWalker::kLeft:
          xl = std::max(xl, e.q + 1);
          break;
        case EdgeWalker::kRight:
          xr = std::min(xr, e.q);
          break;
        default:
          if (e.k <= 0) xr = xl - 1;
          break;
      }
      e.NextRow();
    }
    if (xl <= xr) {
      // The buffers' lines two rows down are likely next; ask for them early.
      if (py + 2 <= t.rowLast) {
        const size_t ahead = static_cast<size_t>(py + 2);
        __builtin_prefetch(s.colour + ahead * s.colourPitch + xl * 4, 1);
        if constexpr (kDepthBits != 0) {
          __builtin_prefetch(s.depth + ahead * s.depthPitch + xl * (kDepthBits == 16 ? 2 : 4), 1);
        }
      }
      const int64_t dx = xl - t.colFirst;
      FixedSpan span;
      for (int i = 0; i < 4; ++i) {
        span.colour[i] = row.colour[i] + row.colourStep[i] * dx;
        span.colourStep[i] = row.colourStep[i];
      }
      span.z = row.z + row.zStep * dx;
      span.zStep = row.zStep;
      const int y = static_cast<int>(py), left = static_cast<int>(xl), right = static_cast<int>(xr);
      if (!FastSpan<kDepthBits, kFunc, kWrite, kAlpha>(s, y, left, right, span, *t.written)) {
        t.owner->SlowSpan(t, y, left, right);
      }
    }
    for (int i = 0; i < 4; ++i) row.colour[i] += t.rowStep.colour[i];
    row.z += t.rowStep.z;
  }
}

template <int kDepthBits, bool kWrite, bool kAlpha>
FastTriangleFn PickByFunc(DWORD f) {
  switch (f) {
    case D3DCMP_NEVER:
      return &FastRows<kDepthBits, D3DCMP_NEVER, kWrite, kAlpha>;
    case D3DCMP_LESS:
      return &FastRows<kDepthBits, D3DCMP_LESS, kWrite, kAlpha>;
    case D3DCMP_EQUAL:
      return &FastRows<kDepthBits, D3DCMP_EQUAL, kWrite, kAlpha>;
    case D3DCMP_LESSEQUAL:
      return &FastRows<kDepthBits, D3DCMP_LESSEQUAL, kWrite, kAlpha>;
    case D3DCMP_GREATER:
      return &FastRows<kDepthBits, D3DCMP_GREATER, kWrite, kAlpha>;
    case D3DCMP_NOTEQUAL:
      return &FastRows<kDepthBits, D3DCMP_NOTEQUAL, kWrite, kAlpha>;
    case D3DCMP_GREATEREQUAL:
      return &FastRows<kDepthBits, D3DCMP_GREATEREQUAL, kWrite, kAlpha>;
    default:
      return &FastRows<kDepthBits, D3DCMP_ALWAYS, kWrite, kAlpha>;
  }
}

template <int kDepthBits, bool kAlpha>
FastTriangleFn PickByWrite(DWORD f, bool write) {
  return write ? PickByFunc<kDepthBits, true, kAlpha>(f) : PickByFunc<kDepthBits, false, kAlpha>(f);
}

template <bool kAlpha>
FastTriangleFn PickFastTriangle(const PixelState& state) {
  switch (state.depthBits) {
    case 16:
      return PickByWrite<16, kAlpha>(state.zFunc, state.zWrite);
    case 24:
      return PickByWrite<24, kAlpha>(state.zFunc, state.zWrite);
    case 32:
      return PickByWrite<32, kAlpha>(state.zFunc, state.zWrite);
    default:
      return &FastRows<0, D3DCMP_ALWAYS, false, kAlpha>;
  }
}

Edge MakeEdge(const ScreenVertex& from, const ScreenVertex& to) {
  const int64_t dx = int64_t{to.x} - from.x, dy = int64_t{to.y} - from.y;
  Edge e;
  e.a = -dy * kSubPixelScale;
  e.b = dx;
  // Pixels exactly on an edge belong to the triangle only for top and left edges.
  const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
  e.c = -dx * from.y + dy * from.x + (topLeft ? 1 : 0);
  return e;
}

// Largest fixed-point step the fast path accepts; beyond it (slivers with extreme gradients)
// the general path's floating point takes over.
constexpr double kMaxFixedStep = 1.0e13;

}  // namespace

void EdgeWalker::Start(const Edge& e, int64_t firstRow) {
  const int64_t y = firstRow * kSubPixelScale;
  if (e.a == 0) {
    kind = kHorizontal;
    k = e.b * y + e.c;
    kStep = e.b * kSubPixelScale;
    return;
  }
  kind = e.a > 0 ? kLeft : kRight;
  d = e.a > 0 ? e.a : -e.a;
  const int64_t n = e.a > 0 ? -(e.b * y + e.c) : e.b * y + e.c - 1;
  const int64_t step = e.a > 0 ? -e.b * kSubPixelScale : e.b * kSubPixelScale;
  const double inverse = 1.0 / static_cast<double>(d);
  Divide(n, inverse, q, r);
  Divide(step, inverse, qStep, rStep);
}

// Floor division of n by d from a floating-point estimate, made exact by the remainder.
void EdgeWalker::Divide(int64_t n, double inverse, int64_t& quotient, int64_t& remainder) const {
  quotient = static_cast<int64_t>(static_cast<double>(n) * inverse);
  remainder = n - quotient * d;
  while (remainder < 0) {
    remainder += d;
    --quotient;
  }
  while (remainder >= d) {
    remainder -= d;
    ++quotient;
  }
}

void Rasterizer::Begin(const PixelState& state, const TextureStages* stages) {
  m_State = state;
  m_Stages = stages;
  m_PixelsWritten = 0;
  m_FastTriangle = nullptr;
  m_DepthScale = state.depthBits ? static_cast<double>(DepthMax(state.depthBits)) * 65536.0 : 0.0;
  if (state.blend || state.alphaTest || state.textured) return;
  m_FastTriangle =
      state.targetHasAlpha ? PickFastTriangle<true>(state) : PickFastTriangle<false>(state);
}

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

void Rasterizer::Triangle(const ScreenVertex& a, const ScreenVertex& b0, const ScreenVertex& c0,
                          const ScreenVertex& provoking) {
  const int64_t area =
      (int64_t{b0.x} - a.x) * (int64_t{c0.y} - a.y) - (int64_t{c0.x} - a.x) * (int64_t{b0.y} - a.y);
  if (area == 0) return;
  // Edges are set up for clockwise order on screen (y down), where the inside is positive.
  const ScreenVertex& b = area > 0 ? b0 : c0;
  const ScreenVertex& c = area > 0 ? c0 : b0;

  // Rows and columns whose sample points can be inside (samples at integer positions).
  const int64_t yMin = std::min({a.y, b.y, c.y}), yMax = std::max({a.y, b.y, c.y});
  const int64_t xMin = std::min({a.x, b.x, c.x}), xMax = std::max({a.x, b.x, c.x});
  const int64_t rowFirst =
      std::max<int64_t>((yMin + kSubPixelScale - 1) >> kSubPixelBits, m_State.y0);
  const int64_t rowLast = std::min<int64_t>(yMax >> kSubPixelBits, m_State.y1 - 1);
  const int64_t colFirst =
      std::max<int64_t>((xMin + kSubPixelScale - 1) >> kSubPixelBits, m_State.x0);
  const int64_t colLast = std::min<int64_t>(xMax >> kSubPixelBits, m_State.x1 - 1);
  if (rowFirst > rowLast || colFirst > colLast) return;

  EdgeWalker edges[3];
  edges[0].Start(MakeEdge(a, b), rowFirst);
  edges[1].Start(MakeEdge(b, c), rowFirst);
  edges[2].Start(MakeEdge(c, a), rowFirst);
  // Pixel-unit area from the exact sub-pixel area.
  const double inverseArea =
      static_cast<double>(kSubPixelScale) * kSubPixelScale / static_cast<double>(std::llabs(area));

  if (m_FastTriangle) {
    // Diffuse + specular (the sum is linear, so it may be taken per vertex) and depth as
    // fixed-point planes anchored at the first row and column.
    FastTriangle t;
    const double dx1 = static_cast<double>(b.fx) - a.fx, dy1 = static_cast<double>(b.fy) - a.fy;
    const double dx2 = static_cast<double>(c.fx) - a.fx, dy2 = static_cast<double>(c.fy) - a.fy;
    const double ox = static_cast<double>(colFirst) - a.fx;
    const double oy = static_cast<double>(rowFirst) - a.fy;
    const bool flat = m_State.flat, specular = m_State.specular;
    auto colourOf = [&](const ScreenVertex& v, int i) {
      const Attributes& src = flat ? provoking.attr : v.attr;
      float value = src.diffuse[i];
      if (i < 3 && specular) value += src.specular[i];
      return static_cast<double>(value);
    };
    bool fits = true;
    for (int i = 0; i < 4; ++i) {
      const double va = colourOf(a, i);
      const double d1 = colourOf(b, i) - va, d2 = colourOf(c, i) - va;
      const double ddx = (d1 * dy2 - d2 * dy1) * inverseArea * 65536.0;
      const double ddy = (d2 * dx1 - d1 * dx2) * inverseArea * 65536.0;
      const double origin = va * 65536.0 + 32768.0 + ddx * ox + ddy * oy;
      fits = fits && std::fabs(ddx) < kMaxFixedStep && std::fabs(ddy) < kMaxFixedStep &&
             std::fabs(origin) < kMaxFixedStep;
      t.start.colour[i] = static_cast<int64_t>(origin);
      t.start.colourStep[i] = static_cast<int64_t>(ddx);
      t.rowStep.colour[i] = static_cast<int64_t>(ddy);
    }
    t.start.z = t.start.zStep = t.rowStep.z = 0;
    if (m_State.depthBits != 0) {
      const double d1 = b.z - a.z, d2 = c.z - a.z;
      const double ddx = (d1 * dy2 - d2 * dy1) * inverseArea * m_DepthScale;
      const double ddy = (d2 * dx1 - d1 * dx2) * inverseArea * m_DepthScale;
      // Rounded to the nearest depth step, as the clear rounds its depth.
      const double origin = (a.z - m_State.zBias) * m_DepthScale + 32768.0 + ddx * ox + ddy * oy;
      fits = fits && std::fabs(ddx) < kMaxFixedStep && std::fabs(ddy) < kMaxFixedStep &&
             std::fabs(origin) < 1.0e18;
      t.start.z = static_cast<int64_t>(origin);
      t.start.zStep = static_cast<int64_t>(ddx);
      t.rowStep.z = static_cast<int64_t>(ddy);
    }
    if (fits) {
      t.state = &m_State;
      t.owner = this;
      t.edges[0] = edges[0];
      t.edges[1] = edges[1];
      t.edges[2] = edges[2];
      t.rowFirst = rowFirst;
      t.rowLast = rowLast;
      t.colFirst = colFirst;
      t.colLast = colLast;
      t.a = &a;
      t.b = &b;
      t.c = &c;
      t.provoking = &provoking;
      t.inverseArea = inverseArea;
      t.written = &m_PixelsWritten;
      m_FastTriangle(t);
      return;
    }
  }

  Plane plane;
  BuildPlane(a, b, c, provoking, inverseArea, plane);
  for (int64_t py = rowFirst; py <= rowLast; ++py) {
    int64_t xl = colFirst, xr = colLast;
    for (EdgeWalker& e : edges) {
      switch (e.kind) {
        case EdgeWalker::kLeft:
          xl = std::max(xl, e.q + 1);
          break;
        case EdgeWalker::kRight:
          xr = std::min(xr, e.q);
          break;
        default:
          if (e.k <= 0) xr = xl - 1;
          break;
      }
      e.NextRow();
    }
    if (xl <= xr)
      GenericSpan(static_cast<int>(py), static_cast<int>(xl), static_cast<int>(xr), plane);
  }
}

void Rasterizer::SlowSpan(const FastTriangle& t, int row, int xl, int xr) {
  Plane plane;
  BuildPlane(*t.a, *t.b, *t.c, *t.provoking, t.inverseArea, plane);
  GenericSpan(row, xl, xr, plane);
}

void Rasterizer::GenericSpan(int py, int xl, int xr, const Plane& plane) {
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
    if (!CompareRuntime(s.zFunc, zv, ReadDepth(s, px, py))) return;
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
  if (s.alphaTest && !CompareRuntime(s.alphaFunc, static_cast<uint32_t>(src[3]), s.alphaRef)) {
    return;
  }
  uint32_t* target =
      reinterpret_cast<uint32_t*>(s.colour + static_cast<size_t>(py) * s.colourPitch) + px;
  int out[4] = {src[0], src[1], src[2], src[3]};
  if (s.blend) {
    const uint32_t d = *target;
    const int dst[4] = {static_cast<int>((d >> 16) & 0xFF), static_cast<int>((d >> 8) & 0xFF),
                        static_cast<int>(d & 0xFF),
                        s.targetHasAlpha ? static_cast<int>(d >> 24) : 255};
    const Factor fs = BlendFactor(s.srcBlend, src, dst);
    Factor fd;
    if (s.srcBlend == D3DBLEND_BOTHSRCALPHA) {
      fd = BlendFactor(D3DBLEND_INVSRCALPHA, src, dst);
    } else if (s.srcBlend == D3DBLEND_BOTHINVSRCALPHA) {
      fd = BlendFactor(D3DBLEND_SRCALPHA, src, dst);
    } else {
      fd = BlendFactor(s.destBlend, src, dst);
    }
    for (int i = 0; i < 3; ++i) {
      out[i] = std::min(255, (src[i] * fs.rgb[i] + dst[i] * fd.rgb[i] + 127) / 255);
    }
    out[3] = std::min(255, (src[3] * fs.a + dst[3] * fd.a + 127) / 255);
  }
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
