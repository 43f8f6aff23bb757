// The test driver: recorded calls, injected failures, and pipelines that log instead of
// drawing. They do fill cleared target rectangles with the clear colour and show the
// target's pixels on Present, so a whole frame path can be checked in an off-screen
// window; they do not clear z-buffers, transform, light or rasterise.
#include "platform/directx/testing/TestDriver.h"

#include <algorithm>

#include "platform/framework/Window.h"

namespace dx::testing {

namespace {

class TestPipeline : public Pipeline {
 public:
  explicit TestPipeline(std::shared_ptr<TestDevice::Behaviour> behaviour)
      : m_Behaviour(std::move(behaviour)) {
    ++m_Behaviour->log.pipelinesCreated;
    ++m_Behaviour->log.pipelinesAlive;
  }
  ~TestPipeline() override { --m_Behaviour->log.pipelinesAlive; }

  HRESULT Clear(DrawState& state, const D3DRECT* rects, DWORD count, DWORD flags, D3DCOLOR colour,
                D3DVALUE z) override {
    m_Behaviour->log.clears.push_back({{rects, rects + count}, flags, colour, z});
    if ((flags & D3DCLEAR_TARGET) && state.target) Fill(*state.target, rects, count, colour);
    return D3D_OK;
  }
  HRESULT BeginScene(DrawState&) override {
    ++m_Behaviour->log.beginScenes;
    return D3D_OK;
  }
  HRESULT EndScene(DrawState&) override {
    ++m_Behaviour->log.endScenes;
    return D3D_OK;
  }
  HRESULT Draw(DrawState& state, const DrawCall& call) override {
    DrawRecord record;
    record.type = call.type;
    record.fvf = call.fvf;
    record.stride = call.stride;
    record.vertexCount = call.vertexCount;
    record.indexCount = call.indexCount;
    record.fromBuffer = call.buffer != nullptr;
    record.vertices.assign(call.vertices, call.vertices + size_t{call.stride} * call.vertexCount);
    if (call.indices) record.indices.assign(call.indices, call.indices + call.indexCount);
    record.state = state;
    m_Behaviour->log.draws.push_back(std::move(record));
    return m_Behaviour->drawResult;
  }
  HRESULT Present(SurfaceData& target, const RECT& src, HWND window, POINT dst) override {
    ++m_Behaviour->log.presents;
    const auto* pixels = reinterpret_cast<const uint32_t*>(target.bits.data());
    return window && window->PresentImage(pixels, target.pitch, src, dst) ? D3D_OK : DDERR_GENERIC;
  }

 private:
  static void Fill(SurfaceData& target, const D3DRECT* rects, DWORD count, D3DCOLOR colour) {
    if (target.format.dwRGBBitCount != 32) return;
    for (DWORD i = 0; i < count; ++i) {
      for (LONG y = rects[i].y1; y < rects[i].y2; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(target.bits.data() + size_t(y) * target.pitch);
        std::fill(row + rects[i].x1, row + rects[i].x2, colour);
      }
    }
    ++target.version;
  }

  std::shared_ptr<TestDevice::Behaviour> m_Behaviour;
};

}  // namespace

// ---------------------------------------------------------------- device

TestDevice::TestDevice(const GUID& guid, std::string description, std::string name,
                       const D3DDEVICEDESC& hardware, const D3DDEVICEDESC& software,
                       std::vector<DDPIXELFORMAT> zFormats)
    : m_Guid(guid),
      m_Description(std::move(description)),
      m_Name(std::move(name)),
      m_Hardware(hardware),
      m_Software(software),
      m_ZFormats(std::move(zFormats)) {}

void TestDevice::Describe(D3DDEVICEDESC& hardware, D3DDEVICEDESC& software) const {
  hardware = m_Hardware;
  software = m_Software;
}

void TestDevice::SetDescriptions(const D3DDEVICEDESC& hardware, const D3DDEVICEDESC& software) {
  m_Hardware = hardware;
  m_Software = software;
}

std::unique_ptr<Pipeline> TestDevice::CreatePipeline(SurfaceData& /*target*/, HRESULT& hr) {
  hr = m_CreateResult;
  if (FAILED(hr)) return nullptr;
  return std::make_unique<TestPipeline>(m_Behaviour);
}

// ---------------------------------------------------------------- driver

TestDriver::TestDriver() : m_Previous(SharedSystem()), m_System(std::make_shared<System>()) {
  m_System->hook = this;
  SetSystem(m_System);
}

TestDriver::~TestDriver() {
  // Objects made while we were installed keep our system; they must not call a dead hook.
  m_System->hook = nullptr;
  SetSystem(m_Previous);
}

TestDevice& TestDriver::AddDevice(const GUID& guid, std::string description, std::string name,
                                  const D3DDEVICEDESC& hardware, const D3DDEVICEDESC& software,
                                  std::vector<DDPIXELFORMAT> zFormats) {
  auto device = std::make_shared<TestDevice>(guid, std::move(description), std::move(name),
                                             hardware, software, std::move(zFormats));
  m_System->devices.push_back(device);
  return *device;
}

TestDevice& TestDriver::AddHardwareDevice() {
  return AddDevice(IID_IDirect3DHALDevice, "Test hardware device", "Test HAL", FullCapsDesc(),
                   EmptyDesc(), {ZFormat(16), ZFormat(24)});
}

TestDevice& TestDriver::AddSoftwareDevice() {
  return AddDevice(IID_IDirect3DRGBDevice, "Test software device", "Test RGB", EmptyDesc(),
                   FullCapsDesc(), {ZFormat(16), ZFormat(32)});
}

void TestDriver::Fail(const std::string& name, HRESULT code, bool once, int nth) {
  m_Rules.push_back({name, code, once, std::max(nth, 1)});
}

void TestDriver::Succeed(const std::string& name) {
  std::erase_if(m_Rules, [&](const Rule& r) { return name.empty() || r.name == name; });
}

HRESULT TestDriver::OnCall(const char* name, const std::string& args) {
  HRESULT result = S_OK;
  for (Rule& rule : m_Rules) {
    if (rule.spent || rule.name != name) continue;
    ++rule.seen;
    if (result == S_OK && rule.seen >= rule.nth) {
      result = rule.code;
      rule.spent = rule.once;
    }
  }
  m_Calls.push_back({name, args, result});
  return result;
}

std::vector<RecordedCall> TestDriver::CallsNamed(std::string_view prefix) const {
  std::vector<RecordedCall> calls;
  for (const RecordedCall& call : m_Calls) {
    if (call.name.starts_with(prefix)) calls.push_back(call);
  }
  return calls;
}

std::vector<std::string> TestDriver::CallNames(std::string_view prefix) const {
  std::vector<std::string> names;
  for (const RecordedCall& call : m_Calls) {
    if (call.name.starts_with(prefix)) names.push_back(call.name);
  }
  return names;
}

DDPIXELFORMAT ZFormat(DWORD bits, DWORD stencilBits) {
  DDPIXELFORMAT format{};
  format.dwSize = sizeof(DDPIXELFORMAT);
  format.dwFlags = DDPF_ZBUFFER | (stencilBits ? DDPF_STENCILBUFFER : 0);
  format.dwZBufferBitDepth = bits;
  format.dwStencilBitDepth = stencilBits;
  const DWORD depthBits = bits - stencilBits;
  format.dwZBitMask = depthBits >= 32 ? 0xFFFFFFFFu : (1u << depthBits) - 1;
  return format;
}

// ---------------------------------------------------------------- descriptions

D3DDEVICEDESC EmptyDesc() {
  D3DDEVICEDESC desc{};
  desc.dwSize = kD3DDeviceDescSize;
  return desc;
}

D3DDEVICEDESC FullCapsDesc() {
  D3DDEVICEDESC desc = EmptyDesc();
  desc.dwFlags = D3DDD_COLORMODEL | D3DDD_DEVCAPS | D3DDD_TRANSFORMCAPS | D3DDD_LIGHTINGCAPS |
                 D3DDD_BCLIPPING | D3DDD_LINECAPS | D3DDD_TRICAPS | D3DDD_DEVICERENDERBITDEPTH |
                 D3DDD_DEVICEZBUFFERBITDEPTH | D3DDD_MAXBUFFERSIZE | D3DDD_MAXVERTEXCOUNT;
  desc.dcmColorModel = D3DCOLOR_RGB;
  desc.dwDevCaps = D3DDEVCAPS_FLOATTLVERTEX | D3DDEVCAPS_DRAWPRIMTLVERTEX |
                   D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY |
                   D3DDEVCAPS_DRAWPRIMITIVES2;
  desc.dtcTransformCaps = {sizeof(D3DTRANSFORMCAPS), D3DTRANSFORMCAPS_CLIP};
  desc.bClipping = TRUE;
  desc.dlcLightingCaps = {sizeof(D3DLIGHTINGCAPS),
                          D3DLIGHTCAPS_POINT | D3DLIGHTCAPS_SPOT | D3DLIGHTCAPS_DIRECTIONAL |
                              D3DLIGHTCAPS_PARALLELPOINT,
                          D3DLIGHTINGMODEL_RGB, 8};
  D3DPRIMCAPS caps{};
  caps.dwSize = sizeof(D3DPRIMCAPS);
  caps.dwMiscCaps =
      D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW;
  caps.dwRasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_SUBPIXEL | D3DPRASTERCAPS_ZBIAS;
  caps.dwZCmpCaps = 0xFF;                               // all eight comparisons
  caps.dwSrcBlendCaps = caps.dwDestBlendCaps = 0x1FFF;  // all thirteen factors
  caps.dwAlphaCmpCaps = 0xFF;
  caps.dwShadeCaps = D3DPSHADECAPS_COLORFLATRGB | D3DPSHADECAPS_COLORGOURAUDRGB |
                     D3DPSHADECAPS_SPECULARFLATRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB |
                     D3DPSHADECAPS_ALPHAFLATBLEND | D3DPSHADECAPS_ALPHAGOURAUDBLEND;
  caps.dwTextureCaps =
      D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_TRANSPARENCY;
  caps.dwTextureFilterCaps = D3DPTFILTERCAPS_NEAREST | D3DPTFILTERCAPS_LINEAR |
                             D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                             D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR |
                             D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
  caps.dwTextureBlendCaps = 0;
  caps.dwTextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_CLAMP;
  desc.dpcLineCaps = desc.dpcTriCaps = caps;
  desc.dwDeviceRenderBitDepth = DDBD_32 | DDBD_16;
  desc.dwDeviceZBufferBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
  desc.dwMaxBufferSize = 0;
  desc.dwMaxVertexCount = 0xFFFF;
  desc.dwMinTextureWidth = desc.dwMinTextureHeight = 1;
  desc.dwMaxTextureWidth = desc.dwMaxTextureHeight = 2048;
  desc.dwFVFCaps = 2;  // texture coordinate sets
  desc.wMaxTextureBlendStages = desc.wMaxSimultaneousTextures = 2;
  return desc;
}

}  // namespace dx::testing
