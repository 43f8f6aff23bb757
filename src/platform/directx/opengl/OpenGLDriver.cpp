// The OpenGL device as the front enumerates it: its GUID and texts, an honest description
// of what it implements, its z-buffer formats, and pipeline creation.
#include <algorithm>

#include "platform/directx/opengl/GlContext.h"
#include "platform/directx/opengl/GlPipeline.h"
#include "platform/directx/opengl/GlPrograms.h"
#include "platform/directx/opengl/OpenGLDevice.h"

namespace dx::opengl {

// {755E2962-9795-4BB2-B166-EA869062C064}
const GUID kOpenGLDeviceGuid = {
    0x755E2962, 0x9795, 0x4BB2, {0xB1, 0x66, 0xEA, 0x86, 0x90, 0x62, 0xC0, 0x64}};

namespace {

constexpr DWORD kDDBD16 = 0x400;
constexpr DWORD kDDBD24 = 0x200;
constexpr DWORD kDDBD32 = 0x100;
// dwFVFCaps: up to eight texture coordinate sets in a vertex.
constexpr DWORD kFvfTexCoordSets = 8;
// dwTextureOpCaps: D3DTEXOPCAPS_DISABLE, SELECTARG1, SELECTARG2, MODULATE.
constexpr DWORD kTextureOps = 0x1 | 0x2 | 0x4 | 0x8;

void FillPrimitiveCaps(D3DPRIMCAPS& caps) {
  caps = D3DPRIMCAPS{};
  caps.dwSize = sizeof(D3DPRIMCAPS);
  caps.dwMiscCaps =
      D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW;
  caps.dwRasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_SUBPIXEL | D3DPRASTERCAPS_ZBIAS;
  const DWORD allComparisons = D3DPCMPCAPS_NEVER | D3DPCMPCAPS_LESS | D3DPCMPCAPS_EQUAL |
                               D3DPCMPCAPS_LESSEQUAL | D3DPCMPCAPS_GREATER | D3DPCMPCAPS_NOTEQUAL |
                               D3DPCMPCAPS_GREATEREQUAL | D3DPCMPCAPS_ALWAYS;
  caps.dwZCmpCaps = allComparisons;
  caps.dwAlphaCmpCaps = allComparisons;
  const DWORD common =
      D3DPBLENDCAPS_ZERO | D3DPBLENDCAPS_ONE | D3DPBLENDCAPS_SRCCOLOR | D3DPBLENDCAPS_INVSRCCOLOR |
      D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA | D3DPBLENDCAPS_DESTALPHA |
      D3DPBLENDCAPS_INVDESTALPHA | D3DPBLENDCAPS_DESTCOLOR | D3DPBLENDCAPS_INVDESTCOLOR;
  // The saturated and the "both" factors are source factors in Direct3D.
  caps.dwSrcBlendCaps = common | D3DPBLENDCAPS_SRCALPHASAT | D3DPBLENDCAPS_BOTHSRCALPHA |
                        D3DPBLENDCAPS_BOTHINVSRCALPHA;
  caps.dwDestBlendCaps = common;
  caps.dwShadeCaps = D3DPSHADECAPS_COLORFLATRGB | D3DPSHADECAPS_COLORGOURAUDRGB |
                     D3DPSHADECAPS_SPECULARFLATRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB |
                     D3DPSHADECAPS_ALPHAFLATBLEND | D3DPSHADECAPS_ALPHAGOURAUDBLEND;
  caps.dwTextureCaps =
      D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_TRANSPARENCY;
  caps.dwTextureFilterCaps = D3DPTFILTERCAPS_NEAREST | D3DPTFILTERCAPS_LINEAR |
                             D3DPTFILTERCAPS_MIPNEAREST | D3DPTFILTERCAPS_MIPLINEAR |
                             D3DPTFILTERCAPS_LINEARMIPNEAREST | D3DPTFILTERCAPS_LINEARMIPLINEAR |
                             D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                             D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR |
                             D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
  caps.dwTextureAddressCaps =
      D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP;
}

void FillDescription(bool hardware, DWORD zBufferDepths, DWORD maxTextureSize, D3DDEVICEDESC& d) {
  d = D3DDEVICEDESC{};
  d.dwSize = kD3DDeviceDescSize;
  d.dwFlags = D3DDD_COLORMODEL | D3DDD_DEVCAPS | D3DDD_TRANSFORMCAPS | D3DDD_LIGHTINGCAPS |
              D3DDD_BCLIPPING | D3DDD_LINECAPS | D3DDD_TRICAPS | D3DDD_DEVICERENDERBITDEPTH |
              D3DDD_DEVICEZBUFFERBITDEPTH | D3DDD_MAXBUFFERSIZE | D3DDD_MAXVERTEXCOUNT;
  d.dcmColorModel = D3DCOLOR_RGB;
  d.dwDevCaps = D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_TEXTURESYSTEMMEMORY;
  if (hardware) d.dwDevCaps |= D3DDEVCAPS_HWRASTERIZATION | D3DDEVCAPS_TEXTUREVIDEOMEMORY;
  d.dtcTransformCaps = {sizeof(D3DTRANSFORMCAPS), D3DTRANSFORMCAPS_CLIP};
  d.bClipping = TRUE;
  d.dlcLightingCaps = {sizeof(D3DLIGHTINGCAPS),
                       D3DLIGHTCAPS_POINT | D3DLIGHTCAPS_SPOT | D3DLIGHTCAPS_DIRECTIONAL |
                           D3DLIGHTCAPS_PARALLELPOINT,
                       D3DLIGHTINGMODEL_RGB, static_cast<DWORD>(kMaxLights)};
  FillPrimitiveCaps(d.dpcLineCaps);
  FillPrimitiveCaps(d.dpcTriCaps);
  d.dwDeviceRenderBitDepth = kDDBD32;
  d.dwDeviceZBufferBitDepth = zBufferDepths;
  d.dwMaxBufferSize = 0;
  d.dwMaxVertexCount = 0xFFFF;
  d.dwMinTextureWidth = d.dwMinTextureHeight = 1;
  d.dwMaxTextureWidth = d.dwMaxTextureHeight = std::min<DWORD>(maxTextureSize, 65536);
  d.dwMaxTextureRepeat = 0;
  d.dwMaxTextureAspectRatio = 0;
  d.dwMaxAnisotropy = 1;
  d.dwFVFCaps = kFvfTexCoordSets;
  d.dwTextureOpCaps = kTextureOps;
  d.wMaxTextureBlendStages = static_cast<WORD>(kTextureStageCount);
  d.wMaxSimultaneousTextures = static_cast<WORD>(kTextureStageCount);
}

DDPIXELFORMAT DepthFormat(DWORD bits) {
  DDPIXELFORMAT f{};
  f.dwSize = sizeof(DDPIXELFORMAT);
  f.dwFlags = DDPF_ZBUFFER;
  f.dwZBufferBitDepth = bits;
  f.dwZBitMask = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1u);
  return f;
}

}  // namespace

void DescribeOpenGLDevice(bool hardwareDevice, DWORD zBufferDepths, DWORD maxTextureSize,
                          D3DDEVICEDESC& hardware, D3DDEVICEDESC& software) {
  D3DDEVICEDESC filled, empty{};
  FillDescription(hardwareDevice, zBufferDepths, maxTextureSize, filled);
  empty.dwSize = kD3DDeviceDescSize;
  hardware = hardwareDevice ? filled : empty;
  software = hardwareDevice ? empty : filled;
}

OpenGLDriver::OpenGLDriver(std::shared_ptr<GlContext> context)
    : m_Context(std::move(context)), m_Profile(std::make_shared<OpenGLProfile>()) {}

bool OpenGLDriver::IsHardware() const {
  return !m_Context->Info().software;
}

const OpenGLInfo& OpenGLDriver::Info() const {
  return m_Context->Info();
}

const GUID& OpenGLDriver::Guid() const {
  return IsHardware() ? IID_IDirect3DHALDevice : kOpenGLDeviceGuid;
}

std::string OpenGLDriver::Description() const {
  return std::string(IsHardware() ? "OpenGL hardware device on " : "OpenGL software device on ") +
         m_Context->Info().renderer;
}

std::string OpenGLDriver::Name() const {
  return "Quennet OpenGL device";
}

void OpenGLDriver::Describe(D3DDEVICEDESC& hardware, D3DDEVICEDESC& software) const {
  const GlFeatures& f = m_Context->Features();
  DescribeOpenGLDevice(IsHardware(), f.depthBitDepths, static_cast<DWORD>(f.maxTextureSize),
                       hardware, software);
}

std::vector<DDPIXELFORMAT> OpenGLDriver::ZBufferFormats() const {
  std::vector<DDPIXELFORMAT> formats;
  const DWORD depths = m_Context->Features().depthBitDepths;
  if (depths & kDDBD16) formats.push_back(DepthFormat(16));
  if (depths & kDDBD24) formats.push_back(DepthFormat(24));
  if (depths & kDDBD32) formats.push_back(DepthFormat(32));
  return formats;
}

std::unique_ptr<Pipeline> OpenGLDriver::CreatePipeline(SurfaceData& target, HRESULT& hr) {
  m_LastError.clear();
  std::unique_ptr<Pipeline> pipeline =
      GlPipeline::Create(m_Context, m_Profile, target, hr, m_LastError);
  return pipeline;
}

std::shared_ptr<DeviceDriver> MakeOpenGLDriver(std::string* reason, const OpenGLOptions& options) {
  std::string why;
  std::shared_ptr<GlContext> context = GlContext::Create(why, options);
  if (!context) {
    if (reason) *reason = why;
    return nullptr;
  }
  return std::make_shared<OpenGLDriver>(std::move(context));
}

OpenGLInfo ProbeOpenGL() {
  std::string why;
  std::shared_ptr<GlContext> context = GlContext::Create(why, OpenGLOptions{});
  if (!context) {
    OpenGLInfo info;
    info.reason = why;
    return info;
  }
  return context->Info();
}

bool IsSoftwareRenderer() {
  const OpenGLInfo info = ProbeOpenGL();
  return info.available && info.software;
}

std::shared_ptr<System> MakeOpenGLOnlySystem(std::string* reason) {
  std::shared_ptr<DeviceDriver> driver = MakeOpenGLDriver(reason);
  if (!driver) return nullptr;
  auto system = std::make_shared<System>();
  system->devices.push_back(std::move(driver));
  return system;
}

}  // namespace dx::opengl
