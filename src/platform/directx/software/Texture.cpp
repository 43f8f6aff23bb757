#include "platform/directx/software/Texture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dx::software {
namespace {

// Maps an integer texel coordinate into 0..size-1 by the addressing mode.
int Address(int i, int size, DWORD mode) {
  switch (mode) {
    case D3DTADDRESS_MIRROR: {
      const int period = 2 * size;
      int m = i % period;
      if (m < 0) m += period;
      return m < size ? m : period - 1 - m;
    }
    case D3DTADDRESS_CLAMP:
    case D3DTADDRESS_BORDER:
      return std::clamp(i, 0, size - 1);
    default: {  // wrap
      int m = i % size;
      return m < 0 ? m + size : m;
    }
  }
}

Colour4 Unpack(uint32_t p) {
  return {static_cast<float>((p >> 16) & 0xFF), static_cast<float>((p >> 8) & 0xFF),
          static_cast<float>(p & 0xFF), static_cast<float>(p >> 24)};
}

// Keeps texture coordinates in a range where float-to-int conversion is defined; the wrap
// period makes the exact value irrelevant beyond it.
float Tame(float v) {
  if (!(v > -1.0e6f)) return -1.0e6f;  // also nan
  if (v > 1.0e6f) return 1.0e6f;
  return v;
}

Colour4 SampleLevel(const MipChain::Level& level, const StageState& stage, float u, float v,
                    bool linear) {
  const float x = Tame(u) * static_cast<float>(level.width);
  const float y = Tame(v) * static_cast<float>(level.height);
  auto texel = [&](int i, int j) {
    const int tx = Address(i, level.width, stage.addressU);
    const int ty = Address(j, level.height, stage.addressV);
    return level.texels[static_cast<size_t>(ty) * level.width + tx];
  };
  if (!linear) {
    return Unpack(texel(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))));
  }
  const float fx = x - 0.5f, fy = y - 0.5f;
  const float x0f = std::floor(fx), y0f = std::floor(fy);
  const float ax = fx - x0f, ay = fy - y0f;
  const int x0 = static_cast<int>(x0f), y0 = static_cast<int>(y0f);
  const Colour4 c00 = Unpack(texel(x0, y0)), c10 = Unpack(texel(x0 + 1, y0));
  const Colour4 c01 = Unpack(texel(x0, y0 + 1)), c11 = Unpack(texel(x0 + 1, y0 + 1));
  auto mix = [&](float a, float b, float c, float d) {
    const float top = a + (b - a) * ax, bottom = c + (d - c) * ax;
    return top + (bottom - top) * ay;
  };
  return {mix(c00.r, c10.r, c01.r, c11.r), mix(c00.g, c10.g, c01.g, c11.g),
          mix(c00.b, c10.b, c01.b, c11.b), mix(c00.a, c10.a, c01.a, c11.a)};
}

Colour4 Lerp(const Colour4& a, const Colour4& b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
          a.a + (b.a - a.a) * t};
}

float Clamp255(float v) {
  return v > 0.0f ? (v < 255.0f ? v : 255.0f) : 0.0f;
}

}  // namespace

bool MipChain::Matches(const SurfaceData& surface) const {
  return m_Source == &surface && m_SourceBits == surface.bits.data() &&
         m_Version == surface.version && m_Width == surface.width && m_Height == surface.height &&
         m_LevelCount > 0;
}

bool MipChain::Update(const SurfaceData& surface) {
  if (Matches(surface)) return true;
  m_Source = nullptr;
  m_LevelCount = BuildMipChain(surface, m_Levels);
  if (m_LevelCount == 0) return false;
  m_Source = &surface;
  m_SourceBits = surface.bits.data();
  m_Version = surface.version;
  m_Width = surface.width;
  m_Height = surface.height;
  return true;
}

Colour4 SampleTexture(const StageState& stage, float u, float v, float dudx, float dvdx, float dudy,
                      float dvdy) {
  const MipChain& chain = *stage.texture;
  const MipChain::Level& base = chain.LevelAt(0);
  const float w = static_cast<float>(base.width), h = static_cast<float>(base.height);
  const float lx = std::hypot(dudx * w, dvdx * h), ly = std::hypot(dudy * w, dvdy * h);
  const float rho = std::max(lx, ly);
  // Level of detail: <= 0 magnifies, > 0 minifies (nan and inf count as the largest).
  const float lod = rho > 0.0f ? std::log2(rho) : -1.0f;
  if (lod <= 0.0f) return SampleLevel(base, stage, u, v, stage.magLinear);
  const int last = chain.LevelCount() - 1;
  const float clampedLod = lod < static_cast<float>(last) ? lod : static_cast<float>(last);
  switch (stage.mipFilter) {
    case D3DTFP_POINT: {
      const int level = std::min(last, static_cast<int>(clampedLod + 0.5f));
      return SampleLevel(chain.LevelAt(level), stage, u, v, stage.minLinear);
    }
    case D3DTFP_LINEAR: {
      const int level = static_cast<int>(clampedLod);
      const float t = clampedLod - static_cast<float>(level);
      const Colour4 a = SampleLevel(chain.LevelAt(level), stage, u, v, stage.minLinear);
      if (level >= last || t <= 0.0f) return a;
      const Colour4 b = SampleLevel(chain.LevelAt(level + 1), stage, u, v, stage.minLinear);
      return Lerp(a, b, t);
    }
    default:
      return SampleLevel(base, stage, u, v, stage.minLinear);
  }
}

Colour4 CombineStages(const TextureStages& stages, const Colour4& diffuse, const Colour4& specular,
                      const Colour4* tex) {
  const Colour4 factor = Unpack(stages.factor);
  Colour4 current = diffuse;
  for (int i = 0; i < stages.count; ++i) {
    const StageState& s = stages.stage[i];
    auto argument = [&](DWORD arg) {
      Colour4 c;
      switch (arg & kTextureArgSelectMask) {
        case D3DTA_DIFFUSE:
          c = diffuse;
          break;
        case D3DTA_TEXTURE:
          c = s.texture ? tex[i] : current;
          break;
        case kTextureArgTFactor:
          c = factor;
          break;
        case kTextureArgSpecular:
          c = specular;
          break;
        default:
          c = current;
          break;
      }
      if (arg & kTextureArgComplement) c = {255 - c.r, 255 - c.g, 255 - c.b, 255 - c.a};
      if (arg & kTextureArgAlphaReplicate) c = {c.a, c.a, c.a, c.a};
      return c;
    };
    auto apply = [&](DWORD op, DWORD arg1, DWORD arg2, auto channel) {
      switch (op) {
        case D3DTOP_SELECTARG1:
          return channel(argument(arg1));
        case D3DTOP_SELECTARG2:
          return channel(argument(arg2));
        case D3DTOP_MODULATE:
          return channel(argument(arg1)) * channel(argument(arg2)) * (1.0f / 255.0f);
        default:
          return channel(current);
      }
    };
    Colour4 next;
    next.r = apply(s.colourOp, s.colourArg1, s.colourArg2, [](const Colour4& c) { return c.r; });
    next.g = apply(s.colourOp, s.colourArg1, s.colourArg2, [](const Colour4& c) { return c.g; });
    next.b = apply(s.colourOp, s.colourArg1, s.colourArg2, [](const Colour4& c) { return c.b; });
    next.a = apply(s.alphaOp, s.alphaArg1, s.alphaArg2, [](const Colour4& c) { return c.a; });
    current = {Clamp255(next.r), Clamp255(next.g), Clamp255(next.b), Clamp255(next.a)};
  }
  return current;
}

}  // namespace dx::software
