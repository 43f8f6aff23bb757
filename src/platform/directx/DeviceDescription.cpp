#include "platform/directx/DeviceDescription.h"

#include <utility>

namespace dx {
namespace {

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
  const DWORD common =
      D3DPBLENDCAPS_ZERO | D3DPBLENDCAPS_ONE | D3DPBLENDCAPS_SRCCOLOR | D3DPBLENDCAPS_INVSRCCOLOR |
      D3DPBLENDCAPS_SRCALPHA | D3DPBLENDCAPS_INVSRCALPHA | D3DPBLENDCAPS_DESTALPHA |
      D3DPBLENDCAPS_INVDESTALPHA | D3DPBLENDCAPS_DESTCOLOR | D3DPBLENDCAPS_INVDESTCOLOR;
  // The saturated and the "both" factors are source factors in Direct3D.
  c.dwSrcBlendCaps = common | D3DPBLENDCAPS_SRCALPHASAT | D3DPBLENDCAPS_BOTHSRCALPHA |
                     D3DPBLENDCAPS_BOTHINVSRCALPHA;
  c.dwDestBlendCaps = common;
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

void DescribeDevice(const DeviceTraits& traits, D3DDEVICEDESC& hardware, D3DDEVICEDESC& software) {
  D3DDEVICEDESC d{};
  d.dwSize = kD3DDeviceDescSize;
  d.dwFlags = D3DDD_COLORMODEL | D3DDD_DEVCAPS | D3DDD_TRANSFORMCAPS | D3DDD_LIGHTINGCAPS |
              D3DDD_BCLIPPING | D3DDD_LINECAPS | D3DDD_TRICAPS | D3DDD_DEVICERENDERBITDEPTH |
              D3DDD_DEVICEZBUFFERBITDEPTH | D3DDD_MAXBUFFERSIZE | D3DDD_MAXVERTEXCOUNT;
  d.dcmColorModel = D3DCOLOR_RGB;
  // No sorting is done or needed: the depth buffer resolves visibility.
  d.dwDevCaps = D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_TEXTURESYSTEMMEMORY | traits.devCaps;
  if (traits.hardware) d.dwDevCaps |= D3DDEVCAPS_HWRASTERIZATION | D3DDEVCAPS_TEXTUREVIDEOMEMORY;
  d.dtcTransformCaps = {sizeof(D3DTRANSFORMCAPS), D3DTRANSFORMCAPS_CLIP};
  d.bClipping = TRUE;
  d.dlcLightingCaps = {sizeof(D3DLIGHTINGCAPS),
                       D3DLIGHTCAPS_POINT | D3DLIGHTCAPS_SPOT | D3DLIGHTCAPS_DIRECTIONAL |
                           D3DLIGHTCAPS_PARALLELPOINT,
                       D3DLIGHTINGMODEL_RGB, traits.maxActiveLights};
  d.dpcLineCaps = PrimitiveCaps();
  d.dpcTriCaps = PrimitiveCaps();
  d.dwDeviceRenderBitDepth = DDBD_32;
  d.dwDeviceZBufferBitDepth = traits.zBufferBitDepths;
  d.dwMaxBufferSize = 0;
  d.dwMaxVertexCount = 0xFFFF;  // 16-bit indices
  d.dwMinTextureWidth = d.dwMinTextureHeight = 1;
  d.dwMaxTextureWidth = d.dwMaxTextureHeight = traits.maxTextureSize;
  d.dwMaxTextureRepeat = traits.maxTextureRepeat;
  d.dwMaxTextureAspectRatio = traits.maxTextureAspectRatio;
  d.dwMaxAnisotropy = 1;
  d.dvGuardBandLeft = -traits.guardBand;
  d.dvGuardBandTop = -traits.guardBand;
  d.dvGuardBandRight = traits.guardBand;
  d.dvGuardBandBottom = traits.guardBand;
  d.dvExtentsAdjust = 0.0f;
  d.dwStencilCaps = 0;
  d.dwFVFCaps = traits.texCoordSets & D3DFVFCAPS_TEXCOORDCOUNTMASK;
  d.dwTextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                      D3DTEXOPCAPS_MODULATE;
  d.wMaxTextureBlendStages = static_cast<WORD>(kTextureStageCount);
  d.wMaxSimultaneousTextures = static_cast<WORD>(kTextureStageCount);
  D3DDEVICEDESC empty{};
  empty.dwSize = kD3DDeviceDescSize;
  hardware = traits.hardware ? d : empty;
  software = traits.hardware ? empty : d;
}

std::vector<DDPIXELFORMAT> DepthBufferFormats(DWORD zBufferBitDepths) {
  std::vector<DDPIXELFORMAT> formats;
  for (const auto& [flag, bits] : {std::pair{DDBD_16, 16u}, {DDBD_24, 24u}, {DDBD_32, 32u}}) {
    if (!(zBufferBitDepths & flag)) continue;
    DDPIXELFORMAT f{};
    f.dwSize = sizeof(DDPIXELFORMAT);
    f.dwFlags = DDPF_ZBUFFER;
    f.dwZBitMask = bits == 32 ? 0xFFFFFFFFu : ((1u << bits) - 1u);
    f.dwZBufferBitDepth = bits;
    formats.push_back(f);
  }
  return formats;
}

}  // namespace dx
