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

}  // namespace

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
