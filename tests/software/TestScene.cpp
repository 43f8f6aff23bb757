#include "TestScene.h"

#include <cmath>
#include <cstring>

#include "GoldenImage.h"

namespace swtest {
namespace {

void Fill(dx::SurfaceData& s, int width, int height, int bytesPerPixel) {
  s.width = width;
  s.height = height;
  s.pitch = width * bytesPerPixel + kRowPadding;
  s.bits.assign(static_cast<size_t>(s.pitch) * height + kTailBytes, kGuardValue);
}

bool GuardsOf(const dx::SurfaceData& s, int bytesPerPixel) {
  for (int y = 0; y < s.height; ++y) {
    const uint8_t* pad = s.bits.data() + static_cast<size_t>(y) * s.pitch + s.width * bytesPerPixel;
    for (int i = 0; i < kRowPadding; ++i) {
      if (pad[i] != kGuardValue) return false;
    }
  }
  for (size_t i = static_cast<size_t>(s.pitch) * s.height; i < s.bits.size(); ++i) {
    if (s.bits[i] != kGuardValue) return false;
  }
  return true;
}

// Deterministic fractions in 0..1.
float Jitter(uint32_t i) {
  return static_cast<float>((i * 2654435761u) % 10007u) / 10007.0f;
}

constexpr float kPiF = 3.14159265f;

}  // namespace

std::vector<TLVertex> RandomTriangles(int count, float x0, float y0, float x1, float y1, int seed) {
  uint32_t s = 2463534242u + static_cast<uint32_t>(seed) * 2654435761u;
  auto next = [&s] {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return static_cast<float>(s % 10000u) / 10000.0f;
  };
  std::vector<TLVertex> v;
  for (int i = 0; i < 3 * count; ++i) {
    const DWORD colour = static_cast<DWORD>(next() * 16777215.0f) | (0x40000000u + (i << 24));
    v.push_back(
        TLVertex{x0 + (x1 - x0) * next(), y0 + (y1 - y0) * next(), next(), 1.0f, colour, 0, 0, 0});
  }
  return v;
}

std::vector<TLVertex> ScatteredTriangles(int width, int height, int count, float maxSize) {
  std::vector<TLVertex> out;
  for (int i = 0; i < count; ++i) {
    const uint32_t k = 16u * static_cast<uint32_t>(i);
    const float cx = -4.0f + (static_cast<float>(width) + 8.0f) * Jitter(k);
    const float cy = -4.0f + (static_cast<float>(height) + 8.0f) * Jitter(k + 1);
    const float size = 0.4f + maxSize * Jitter(k + 2);
    const float stretch = 0.2f + 3.0f * Jitter(k + 3);
    for (int v = 0; v < 3; ++v) {
      const float angle = 2.1f * static_cast<float>(v) + 6.3f * Jitter(k + 4);
      const float z = 0.05f + 0.9f * Jitter(k + 5 + static_cast<uint32_t>(v));
      const DWORD diffuse =
          0x80000000u |
          ((static_cast<uint32_t>(i) * 2654435761u + 0x00A05010u * static_cast<uint32_t>(v)) &
           0xFFFFFFu);
      const DWORD specular = (static_cast<uint32_t>(i) * 0x9E3779B9u) & 0x3F3F3Fu;
      float x = cx + size * std::cos(angle), y = cy + size * stretch * std::sin(angle);
      if (i % 3 == 0) {
        // On the half-pixel grid, so that pixel centres fall exactly on edges.
        x = std::round(2.0f * x) / 2.0f;
        y = std::round(2.0f * y) / 2.0f;
      }
      out.push_back(TLVertex{x, y, z, 1.0f, diffuse, specular, 0.0f, 0.0f});
    }
  }
  return out;
}

void Sphere(int slices, int stacks, std::vector<LitVertex>& vertices, std::vector<WORD>& indices) {
  for (int j = 0; j <= stacks; ++j) {
    const float phi = kPiF * j / stacks;
    for (int i = 0; i <= slices; ++i) {
      const float theta = 2 * kPiF * i / slices;
      const float x = std::sin(phi) * std::cos(theta), y = std::cos(phi),
                  z = std::sin(phi) * std::sin(theta);
      vertices.push_back({x, y, z, x, y, z});
    }
  }
  for (int j = 0; j < stacks; ++j) {
    for (int i = 0; i < slices; ++i) {
      const WORD a = static_cast<WORD>(j * (slices + 1) + i), b = a + 1;
      const WORD c = static_cast<WORD>(a + slices + 1), d = c + 1;
      indices.insert(indices.end(), {a, b, c, b, d, c});
    }
  }
}

void LightScene(Scene& scene) {
  dx::DrawState& s = scene.state;
  s.hasMaterial = true;
  s.material.dwSize = sizeof(D3DMATERIAL);
  s.material.dcvDiffuse = {0.9f, 0.5f, 0.3f, 1.0f};
  s.material.dcvAmbient = {1, 1, 1, 1};
  s.material.dcvSpecular = {0.6f, 0.6f, 0.6f, 1.0f};
  s.material.dvPower = 20;
  s.lightStates[D3DLIGHTSTATE_AMBIENT] = 0x00202830;
  D3DLIGHT2 sun{};
  sun.dwSize = sizeof(D3DLIGHT2);
  sun.dltType = D3DLIGHT_DIRECTIONAL;
  sun.dcvColor = {0.8f, 0.8f, 0.7f, 1};
  sun.dvDirection = {1, -1, 1};
  sun.dwFlags = D3DLIGHT_ACTIVE;
  D3DLIGHT2 lamp = sun;
  lamp.dltType = D3DLIGHT_POINT;
  lamp.dcvColor = {0.2f, 0.4f, 1.0f, 1};
  lamp.dvPosition = {-2, -1, 1};
  lamp.dvRange = 10;
  lamp.dvAttenuation0 = 0.5f;
  lamp.dvAttenuation1 = 0.2f;
  s.lights = {sun, lamp};
  s.renderStates[D3DRENDERSTATE_SPECULARENABLE] = 1;
  s.projection = swtest::Perspective(kPiF / 3, 1.0f, 0.5f, 20.0f);
  s.view = swtest::Translation(0, 0, 3.2f);
}

Scene::Scene(int width, int height, int depthBits, bool targetAlpha)
    : m_Width(width), m_Height(height) {
  Fill(m_Target, width, height, 4);
  m_Target.format.dwSize = sizeof(DDPIXELFORMAT);
  m_Target.format.dwFlags = DDPF_RGB | (targetAlpha ? DDPF_ALPHAPIXELS : 0);
  m_Target.format.dwRGBBitCount = 32;
  m_Target.format.dwRBitMask = 0xFF0000;
  m_Target.format.dwGBitMask = 0xFF00;
  m_Target.format.dwBBitMask = 0xFF;
  m_Target.format.dwRGBAlphaBitMask = targetAlpha ? 0xFF000000u : 0;
  state.target = &m_Target;
  if (depthBits) {
    Fill(m_Depth, width, height, depthBits == 16 ? 2 : 4);
    m_Depth.format.dwSize = sizeof(DDPIXELFORMAT);
    m_Depth.format.dwFlags = DDPF_ZBUFFER;
    m_Depth.format.dwZBufferBitDepth = static_cast<DWORD>(depthBits);
    m_Depth.format.dwZBitMask = depthBits == 32 ? 0xFFFFFFFFu : ((1u << depthBits) - 1);
    state.zbuffer = &m_Depth;
  }
  state.hasViewport = true;
  state.viewport = {
      44,   0,    0,   static_cast<DWORD>(width), static_cast<DWORD>(height), -1.0f, 1.0f, 2.0f,
      2.0f, 0.0f, 1.0f};
  state.world = state.view = state.projection = Identity();
  // Direct3D's defaults.
  DWORD* rs = state.renderStates;
  rs[D3DRENDERSTATE_ZENABLE] = depthBits ? 1 : 0;
  rs[D3DRENDERSTATE_ZWRITEENABLE] = 1;
  rs[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRENDERSTATE_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
  rs[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRENDERSTATE_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRENDERSTATE_LASTPIXEL] = 1;
  for (DWORD i = 0; i < kTextureStageCount; ++i) {
    DWORD* ts = state.textureStages[i];
    ts[D3DTSS_COLOROP] = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    ts[D3DTSS_ALPHAOP] = i == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ts[D3DTSS_TEXCOORDINDEX] = i;
    ts[D3DTSS_ADDRESS] = ts[D3DTSS_ADDRESSU] = ts[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    ts[D3DTSS_MAGFILTER] = D3DTFG_POINT;
    ts[D3DTSS_MINFILTER] = D3DTFN_POINT;
    ts[D3DTSS_MIPFILTER] = D3DTFP_NONE;
  }
}

HRESULT Scene::Clear(D3DCOLOR colour, float z) {
  const D3DRECT rect{0, 0, m_Width, m_Height};
  DWORD flags = D3DCLEAR_TARGET | (state.zbuffer ? D3DCLEAR_ZBUFFER : 0);
  return pipeline.Clear(state, &rect, 1, flags, colour, z);
}

HRESULT Scene::DrawRaw(D3DPRIMITIVETYPE type, DWORD fvf, const void* vertices, DWORD stride,
                       DWORD count, const std::vector<WORD>& indices) {
  dx::DrawCall call;
  call.type = type;
  call.fvf = fvf;
  call.vertices = static_cast<const uint8_t*>(vertices);
  call.stride = stride;
  call.vertexCount = count;
  if (!indices.empty()) {
    call.indices = indices.data();
    call.indexCount = static_cast<DWORD>(indices.size());
  }
  return pipeline.Draw(state, call);
}

HRESULT Scene::Draw(D3DPRIMITIVETYPE type, const std::vector<TLVertex>& vertices,
                    const std::vector<WORD>& indices) {
  return DrawRaw(type, kTLFormat, vertices.data(), sizeof(TLVertex),
                 static_cast<DWORD>(vertices.size()), indices);
}

HRESULT Scene::Draw(D3DPRIMITIVETYPE type, const std::vector<LitVertex>& vertices,
                    const std::vector<WORD>& indices) {
  return DrawRaw(type, kLitFormat, vertices.data(), sizeof(LitVertex),
                 static_cast<DWORD>(vertices.size()), indices);
}

void Scene::SetFastClears(bool on) {
  m_Target.pending.SetEnabled(on);
  m_Depth.pending.SetEnabled(on);
}

void Scene::FillPendingTiles() const {
  dx::FillPending(m_Target);
  dx::FillPending(m_Depth);
}

uint32_t Scene::Pixel(int x, int y) const {
  FillPendingTiles();
  uint32_t p;
  std::memcpy(&p, m_Target.bits.data() + static_cast<size_t>(y) * m_Target.pitch + x * 4, 4);
  return p;
}

uint32_t Scene::Depth(int x, int y) const {
  FillPendingTiles();
  const uint8_t* row = m_Depth.bits.data() + static_cast<size_t>(y) * m_Depth.pitch;
  if (m_Depth.format.dwZBufferBitDepth == 16) {
    uint16_t v;
    std::memcpy(&v, row + x * 2, 2);
    return v;
  }
  uint32_t v;
  std::memcpy(&v, row + x * 4, 4);
  return v;
}

util::Image Scene::Image() const {
  FillPendingTiles();
  util::Image image;
  image.width = m_Width;
  image.height = m_Height;
  image.pixels.resize(static_cast<size_t>(m_Width) * m_Height);
  for (int y = 0; y < m_Height; ++y)
    for (int x = 0; x < m_Width; ++x)
      image.pixels[static_cast<size_t>(y) * m_Width + x] = Pixel(x, y);
  return image;
}

bool Scene::GuardsIntact() const {
  FillPendingTiles();  // their fills must stay inside the rows too
  const bool target = GuardsOf(m_Target, 4);
  const bool depth =
      !state.zbuffer || GuardsOf(m_Depth, m_Depth.format.dwZBufferBitDepth == 16 ? 2 : 4);
  return target && depth;
}

void ExpectMatchesGolden(const util::Image& image, const std::string& name, int tolerance,
                         int maxOff) {
  testsupport::ExpectMatchesGolden(
      image, "tests/software/golden/" + name + ".png",
      {.channel = tolerance, .pixelsOff = maxOff, .meanBelow = std::nullopt});
}

D3DMATRIX Identity() {
  return D3DMATRIX{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

D3DMATRIX Perspective(float fovY, float aspect, float n, float f) {
  const float ys = 1.0f / std::tan(fovY * 0.5f);
  const float q = f / (f - n);
  return D3DMATRIX{ys / aspect, 0, 0, 0, 0, ys, 0, 0, 0, 0, q, 1, 0, 0, -q * n, 0};
}

D3DMATRIX Translation(float x, float y, float z) {
  D3DMATRIX m = Identity();
  m._41 = x;
  m._42 = y;
  m._43 = z;
  return m;
}

D3DMATRIX RotationY(float angle) {
  D3DMATRIX m = Identity();
  m._11 = std::cos(angle);
  m._13 = -std::sin(angle);
  m._31 = std::sin(angle);
  m._33 = std::cos(angle);
  return m;
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  const auto* pa = reinterpret_cast<const float*>(&a);
  const auto* pb = reinterpret_cast<const float*>(&b);
  D3DMATRIX out;
  auto* po = reinterpret_cast<float*>(&out);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += pa[i * 4 + k] * pb[k * 4 + j];
      po[i * 4 + j] = sum;
    }
  return out;
}

}  // namespace swtest
