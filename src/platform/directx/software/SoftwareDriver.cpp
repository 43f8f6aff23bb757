#include "platform/directx/software/SoftwareDriver.h"

#include <cstring>

#include "platform/directx/software/RasterTypes.h"
#include "platform/directx/software/SoftwarePipeline.h"

namespace dx::software {
namespace {

// Bit depths as DDBD_* flags.
constexpr DWORD kDDBD16 = 0x400;
constexpr DWORD kDDBD24 = 0x200;
constexpr DWORD kDDBD32 = 0x100;
// Texture operations (D3DTEXOPCAPS_*) of the two stages.
constexpr DWORD kTexOpDisable = 0x1;
constexpr DWORD kTexOpSelectArg1 = 0x2;
constexpr DWORD kTexOpSelectArg2 = 0x4;
constexpr DWORD kTexOpModulate = 0x8;
// D3DFVFCAPS_TEXCOORDCOUNTMASK holds the number of texture coordinate sets.
constexpr DWORD kFvfTexCoordSets = kMaxTexCoordSets;

D3DPRIMCAPS PrimitiveCaps() {
  D3DPRIMCAPS c{};
  c.dwSize = sizeof(D3DPRIMCAPS);
  c.dwMiscCaps =
      D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW;
  c.dwRasterCaps = D3DPRASTERCAPS_SUBPIXEL | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_ZBIAS;
  const DWORD allComparisons = D3DPCMPCAPS_NEVER | D3DPCMPCAPS_LESS | D3DPCMPCAPS_EQUAL |
                               D3DPCMPCAPS_LESSEQUAL | D3DPCMPCAPS_GREATER | D3DPCMPCAPS_NOTEQUAL |
                               D3DPCMPCAPS_GREATEREQUAL | D3DPCMPCAPS_ALWAYS;
  c.dwZCmpCaps = allComparisons;
  c.dwAlphaCmpCaps = allComparisons;
  const DWORD commonBlend = D3DPBLENDCAPS_ZERO | D3DPBLENDCAPS_ONE | D3DPBLENDCAPS_SRCCOLOR |
                            D3DPBLENDCAPS_INVSRCCOLOR | D3DPBLENDCAPS_SRCALPHA |
                            D3DPBLENDCAPS_INVSRCALPHA | D3DPBLENDCAPS_DESTALPHA |
                            D3DPBLENDCAPS_INVDESTALPHA | D3DPBLENDCAPS_DESTCOLOR |
                            D3DPBLENDCAPS_INVDESTCOLOR | D3DPBLENDCAPS_SRCALPHASAT;
  c.dwSrcBlendCaps = commonBlend | D3DPBLENDCAPS_BOTHSRCALPHA | D3DPBLENDCAPS_BOTHINVSRCALPHA;
  c.dwDestBlendCaps = commonBlend;
  c.dwShadeCaps = D3DPSHADECAPS_COLORFLATRGB | D3DPSHADECAPS_COLORGOURAUDRGB |
                  D3DPSHADECAPS_SPECULARFLATRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB |
                  D3DPSHADECAPS_ALPHAFLATBLEND | D3DPSHADECAPS_ALPHAGOURAUDBLEND;
  // Transparency is the texture's alpha through the alpha test and blending; textures of any
  // size are sampled, so neither POW2 nor SQUAREONLY is reported.
  c.dwTextureCaps =
      D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_TRANSPARENCY;
  c.dwTextureFilterCaps = D3DPTFILTERCAPS_NEAREST | D3DPTFILTERCAPS_LINEAR |
                          D3DPTFILTERCAPS_MIPNEAREST | D3DPTFILTERCAPS_MIPLINEAR |
                          D3DPTFILTERCAPS_LINEARMIPNEAREST | D3DPTFILTERCAPS_LINEARMIPLINEAR |
                          D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                          D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR |
                          D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
  c.dwTextureBlendCaps = 0;  // the legacy texture-map blend states are not implemented
  c.dwTextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP;
  return c;
}

}  // namespace

const GUID& SoftwareDriver::Guid() const {
  return IID_IDirect3DRGBDevice;
}

std::string SoftwareDriver::Description() const {
  return "Quennet software rasteriser";
}

std::string SoftwareDriver::Name() const {
  return "RGB Emulation";
}

D3DDEVICEDESC SoftwareDriver::Capabilities() {
  D3DDEVICEDESC d{};
  d.dwSize = kD3DDeviceDescSize;
  d.dwFlags = D3DDD_COLORMODEL | D3DDD_DEVCAPS | D3DDD_TRANSFORMCAPS | D3DDD_LIGHTINGCAPS |
              D3DDD_BCLIPPING | D3DDD_LINECAPS | D3DDD_TRICAPS | D3DDD_DEVICERENDERBITDEPTH |
              D3DDD_DEVICEZBUFFERBITDEPTH | D3DDD_MAXBUFFERSIZE | D3DDD_MAXVERTEXCOUNT;
  d.dcmColorModel = D3DCOLOR_RGB;
  // Vertices, textures and pre-transformed vertices all live in system memory. No sorting is
  // done or needed: the depth buffer resolves visibility.
  d.dwDevCaps = D3DDEVCAPS_FLOATTLVERTEX | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                D3DDEVCAPS_TEXTURESYSTEMMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX;
  d.dtcTransformCaps = {sizeof(D3DTRANSFORMCAPS), D3DTRANSFORMCAPS_CLIP};
  d.bClipping = TRUE;
  d.dlcLightingCaps = {sizeof(D3DLIGHTINGCAPS),
                       D3DLIGHTCAPS_POINT | D3DLIGHTCAPS_SPOT | D3DLIGHTCAPS_DIRECTIONAL |
                           D3DLIGHTCAPS_PARALLELPOINT,
                       D3DLIGHTINGMODEL_RGB, 0 /* no limit on the number of lights */};
  d.dpcLineCaps = PrimitiveCaps();
  d.dpcTriCaps = PrimitiveCaps();
  d.dwDeviceRenderBitDepth = kDDBD32;
  d.dwDeviceZBufferBitDepth = kDDBD16 | kDDBD24 | kDDBD32;
  d.dwMaxBufferSize = 0;
  d.dwMaxVertexCount = 65535;  // 16-bit indices
  d.dwMinTextureWidth = 1;
  d.dwMinTextureHeight = 1;
  d.dwMaxTextureWidth = 4096;
  d.dwMaxTextureHeight = 4096;
  d.dwMaxTextureRepeat = 8192;
  d.dwMaxTextureAspectRatio = 4096;
  d.dwMaxAnisotropy = 1;
  d.dvGuardBandLeft = -kGuardBand;
  d.dvGuardBandTop = -kGuardBand;
  d.dvGuardBandRight = kGuardBand;
  d.dvGuardBandBottom = kGuardBand;
  d.dvExtentsAdjust = 0.0f;
  d.dwStencilCaps = 0;
  d.dwFVFCaps = kFvfTexCoordSets;
  d.dwTextureOpCaps = kTexOpDisable | kTexOpSelectArg1 | kTexOpSelectArg2 | kTexOpModulate;
  d.wMaxTextureBlendStages = static_cast<WORD>(kTextureStageCount);
  d.wMaxSimultaneousTextures = static_cast<WORD>(kTextureStageCount);
  return d;
}

void SoftwareDriver::Describe(D3DDEVICEDESC& hardware, D3DDEVICEDESC& software) const {
  std::memset(&hardware, 0, sizeof(hardware));
  hardware.dwSize = kD3DDeviceDescSize;
  hardware.dcmColorModel = 0;  // not a hardware device
  software = Capabilities();
}

std::vector<DDPIXELFORMAT> SoftwareDriver::ZBufferFormats() const {
  std::vector<DDPIXELFORMAT> formats;
  for (DWORD bits : {16u, 24u, 32u}) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof(DDPIXELFORMAT);
    f.dwFlags = DDPF_ZBUFFER;
    f.dwZBufferBitDepth = bits;
    f.dwZBitMask = bits == 32 ? 0xFFFFFFFFu : ((1u << bits) - 1u);
    formats.push_back(f);
  }
  return formats;
}

std::unique_ptr<Pipeline> SoftwareDriver::CreatePipeline(SurfaceData& target, HRESULT& hr) {
  if (target.format.dwRGBBitCount != 32 || target.width <= 0 || target.height <= 0) {
    hr = DDERR_INVALIDPIXELFORMAT;
    return nullptr;
  }
  hr = D3D_OK;
  return std::make_unique<SoftwarePipeline>();
}

std::shared_ptr<DeviceDriver> MakeSoftwareDriver() {
  return std::make_shared<SoftwareDriver>();
}

}  // namespace dx::software
