// The DirectX 6 interfaces, structures and constants the program calls, with their
// published names, member orders and values. Only what the program and its devices use
// is declared; every interface is an abstract class with COM-style reference counting.
//
// One deliberate difference: DDSURFACEDESC2 holds a real pointer (lpSurface), so on a
// 64-bit build it is larger than its published 124 bytes. Callers still pass the
// published dwSize of 124, which the front accepts.
#pragma once

#include <cstdint>

#include "platform/WinTypes.h"

using ULONG = uint32_t;
using LPSTR = char*;
using LPWORD = WORD*;
using LPDWORD = DWORD*;
using HANDLE = void*;
using D3DVALUE = float;
using D3DCOLOR = DWORD;  // 0xAARRGGBB
using D3DMATERIALHANDLE = DWORD;
using D3DTEXTUREHANDLE = DWORD;
using REFCLSID = const GUID&;

// ---------------------------------------------------------------- identifiers
extern const GUID IID_IUnknown;
extern const GUID IID_IDirectDraw;
extern const GUID IID_IDirectDraw4;
extern const GUID IID_IDirectDrawSurface4;
extern const GUID IID_IDirectDrawClipper;
extern const GUID IID_IDirect3D3;
extern const GUID IID_IDirect3DDevice3;
extern const GUID IID_IDirect3DViewport3;
extern const GUID IID_IDirect3DLight;
extern const GUID IID_IDirect3DMaterial3;
extern const GUID IID_IDirect3DVertexBuffer;
extern const GUID IID_IDirect3DTexture2;
// Device GUIDs: {84E63DE0-46AA-11CF-816F-0000C020156E} is the hardware device.
extern const GUID IID_IDirect3DHALDevice;
extern const GUID IID_IDirect3DRGBDevice;
extern const GUID IID_IDirect3DRefDevice;

// ---------------------------------------------------------------- result codes
inline constexpr HRESULT MAKE_DDHRESULT(DWORD code) {
  return static_cast<HRESULT>(0x88760000u | code);
}
inline constexpr HRESULT DD_OK = S_OK;
inline constexpr HRESULT D3D_OK = S_OK;
inline constexpr HRESULT DDERR_GENERIC = E_FAIL;
inline constexpr HRESULT DDERR_OUTOFMEMORY = E_OUTOFMEMORY;
inline constexpr HRESULT DDERR_INVALIDPARAMS = E_INVALIDARG;
inline constexpr HRESULT DDERR_UNSUPPORTED = E_NOTIMPL;
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT DDERR_INVALIDCAPS = MAKE_DDHRESULT(100);
inline constexpr HRESULT DDERR_CANNOTATTACHSURFACE = MAKE_DDHRESULT(10);
inline constexpr HRESULT DDERR_INVALIDOBJECT = MAKE_DDHRESULT(130);  // 0x88760082
inline constexpr HRESULT DDERR_INVALIDPIXELFORMAT = MAKE_DDHRESULT(145);
inline constexpr HRESULT DDERR_INVALIDRECT = MAKE_DDHRESULT(150);
inline constexpr HRESULT DDERR_NOTFOUND = MAKE_DDHRESULT(255);
inline constexpr HRESULT DDERR_NOCLIPPERATTACHED = MAKE_DDHRESULT(568);
inline constexpr HRESULT DDERR_NOZBUFFERHW = MAKE_DDHRESULT(340);
inline constexpr HRESULT DDERR_SURFACEALREADYATTACHED = MAKE_DDHRESULT(410);
inline constexpr HRESULT DDERR_SURFACEBUSY = MAKE_DDHRESULT(430);
inline constexpr HRESULT DDERR_SURFACELOST = MAKE_DDHRESULT(450);
inline constexpr HRESULT DDERR_SURFACENOTATTACHED = MAKE_DDHRESULT(460);
inline constexpr HRESULT DDERR_WASSTILLDRAWING = MAKE_DDHRESULT(540);
inline constexpr HRESULT DDERR_INVALIDDIRECTDRAWGUID = MAKE_DDHRESULT(561);
inline constexpr HRESULT DDERR_NOTLOCKED = MAKE_DDHRESULT(584);
inline constexpr HRESULT D3DERR_INVALID_DEVICE = MAKE_DDHRESULT(705);
inline constexpr HRESULT D3DERR_INITFAILED = MAKE_DDHRESULT(706);
inline constexpr HRESULT D3DERR_LIGHTHASVIEWPORT = MAKE_DDHRESULT(751);
inline constexpr HRESULT D3DERR_LIGHTNOTINTHISVIEWPORT = MAKE_DDHRESULT(752);
inline constexpr HRESULT D3DERR_SCENE_IN_SCENE = MAKE_DDHRESULT(760);
inline constexpr HRESULT D3DERR_SCENE_NOT_IN_SCENE = MAKE_DDHRESULT(761);
inline constexpr HRESULT D3DERR_VIEWPORTDATANOTSET = MAKE_DDHRESULT(773);
inline constexpr HRESULT D3DERR_VIEWPORTHASNODEVICE = MAKE_DDHRESULT(774);  // 0x88760306
inline constexpr HRESULT D3DERR_VERTEXBUFFERLOCKED = MAKE_DDHRESULT(2062);
inline constexpr HRESULT D3DERR_INVALIDVERTEXFORMAT = MAKE_DDHRESULT(2048);
inline constexpr HRESULT D3DERR_INVALIDPRIMITIVETYPE = MAKE_DDHRESULT(736);
inline constexpr HRESULT D3DERR_NOCURRENTVIEWPORT = MAKE_DDHRESULT(775);
inline constexpr HRESULT D3DERR_ZBUFFER_NOTPRESENT = MAKE_DDHRESULT(2070);
inline constexpr HRESULT D3DERR_STENCILBUFFER_NOTPRESENT = MAKE_DDHRESULT(2071);

// ---------------------------------------------------------------- structures
struct D3DCOLORVALUE {
  D3DVALUE r, g, b, a;
};
struct D3DVECTOR {
  D3DVALUE x, y, z;
};
struct D3DMATRIX {
  D3DVALUE _11, _12, _13, _14;
  D3DVALUE _21, _22, _23, _24;
  D3DVALUE _31, _32, _33, _34;
  D3DVALUE _41, _42, _43, _44;
};
struct D3DRECT {
  LONG x1, y1, x2, y2;
};

struct DDCOLORKEY {
  DWORD dwColorSpaceLowValue;
  DWORD dwColorSpaceHighValue;
};

struct DDPIXELFORMAT {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwFourCC;
  union {
    DWORD dwRGBBitCount;
    DWORD dwZBufferBitDepth;
    DWORD dwAlphaBitDepth;
  };
  union {
    DWORD dwRBitMask;
    DWORD dwStencilBitDepth;
  };
  union {
    DWORD dwGBitMask;
    DWORD dwZBitMask;
  };
  union {
    DWORD dwBBitMask;
    DWORD dwStencilBitMask;
  };
  union {
    DWORD dwRGBAlphaBitMask;
    DWORD dwRGBZBitMask;
  };
};

struct DDSCAPS2 {
  DWORD dwCaps;
  DWORD dwCaps2;
  DWORD dwCaps3;
  DWORD dwCaps4;
};

struct DDSURFACEDESC2 {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwHeight;
  DWORD dwWidth;
  union {
    LONG lPitch;
    DWORD dwLinearSize;
  };
  DWORD dwBackBufferCount;
  union {
    DWORD dwMipMapCount;
    DWORD dwRefreshRate;
  };
  DWORD dwAlphaBitDepth;
  DWORD dwReserved;
  LPVOID lpSurface;
  DDCOLORKEY ddckCKDestOverlay;
  DDCOLORKEY ddckCKDestBlt;
  DDCOLORKEY ddckCKSrcOverlay;
  DDCOLORKEY ddckCKSrcBlt;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS2 ddsCaps;
  DWORD dwTextureStage;
};
inline constexpr DWORD kDDSurfaceDesc2PublishedSize = 124;

struct D3DTRANSFORMCAPS {
  DWORD dwSize;
  DWORD dwCaps;
};
struct D3DLIGHTINGCAPS {
  DWORD dwSize;
  DWORD dwCaps;
  DWORD dwLightingModel;
  DWORD dwNumLights;
};
struct D3DPRIMCAPS {
  DWORD dwSize;
  DWORD dwMiscCaps;
  DWORD dwRasterCaps;
  DWORD dwZCmpCaps;
  DWORD dwSrcBlendCaps;
  DWORD dwDestBlendCaps;
  DWORD dwAlphaCmpCaps;
  DWORD dwShadeCaps;
  DWORD dwTextureCaps;
  DWORD dwTextureFilterCaps;
  DWORD dwTextureBlendCaps;
  DWORD dwTextureAddressCaps;
  DWORD dwStippleWidth;
  DWORD dwStippleHeight;
};

struct D3DDEVICEDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dcmColorModel;
  DWORD dwDevCaps;
  D3DTRANSFORMCAPS dtcTransformCaps;
  BOOL bClipping;
  D3DLIGHTINGCAPS dlcLightingCaps;
  D3DPRIMCAPS dpcLineCaps;
  D3DPRIMCAPS dpcTriCaps;
  DWORD dwDeviceRenderBitDepth;
  DWORD dwDeviceZBufferBitDepth;
  DWORD dwMaxBufferSize;
  DWORD dwMaxVertexCount;
  DWORD dwMinTextureWidth, dwMinTextureHeight;
  DWORD dwMaxTextureWidth, dwMaxTextureHeight;
  DWORD dwMinStippleWidth, dwMaxStippleWidth;
  DWORD dwMinStippleHeight, dwMaxStippleHeight;
  DWORD dwMaxTextureRepeat;
  DWORD dwMaxTextureAspectRatio;
  DWORD dwMaxAnisotropy;
  D3DVALUE dvGuardBandLeft;
  D3DVALUE dvGuardBandTop;
  D3DVALUE dvGuardBandRight;
  D3DVALUE dvGuardBandBottom;
  D3DVALUE dvExtentsAdjust;
  DWORD dwStencilCaps;
  DWORD dwFVFCaps;
  DWORD dwTextureOpCaps;
  WORD wMaxTextureBlendStages;
  WORD wMaxSimultaneousTextures;
};
inline constexpr DWORD kD3DDeviceDescSize = 252;

struct D3DVIEWPORT2 {
  DWORD dwSize;
  DWORD dwX;
  DWORD dwY;
  DWORD dwWidth;
  DWORD dwHeight;
  D3DVALUE dvClipX;
  D3DVALUE dvClipY;
  D3DVALUE dvClipWidth;
  D3DVALUE dvClipHeight;
  D3DVALUE dvMinZ;
  D3DVALUE dvMaxZ;
};

enum D3DLIGHTTYPE : DWORD {
  D3DLIGHT_POINT = 1,
  D3DLIGHT_SPOT = 2,
  D3DLIGHT_DIRECTIONAL = 3,
  D3DLIGHT_PARALLELPOINT = 4,
};
inline constexpr DWORD D3DLIGHT_ACTIVE = 0x1;
inline constexpr DWORD D3DLIGHT_NO_SPECULAR = 0x2;

struct D3DLIGHT2 {
  DWORD dwSize;
  D3DLIGHTTYPE dltType;
  D3DCOLORVALUE dcvColor;
  D3DVECTOR dvPosition;
  D3DVECTOR dvDirection;
  D3DVALUE dvRange;
  D3DVALUE dvFalloff;
  D3DVALUE dvAttenuation0;
  D3DVALUE dvAttenuation1;
  D3DVALUE dvAttenuation2;
  D3DVALUE dvTheta;
  D3DVALUE dvPhi;
  DWORD dwFlags;
};

struct D3DMATERIAL {
  DWORD dwSize;
  D3DCOLORVALUE dcvDiffuse;
  D3DCOLORVALUE dcvAmbient;
  D3DCOLORVALUE dcvSpecular;
  D3DCOLORVALUE dcvEmissive;
  D3DVALUE dvPower;
  D3DTEXTUREHANDLE hTexture;
  DWORD dwRampSize;
};

struct D3DVERTEXBUFFERDESC {
  DWORD dwSize;
  DWORD dwCaps;
  DWORD dwFVF;
  DWORD dwNumVertices;
};

static_assert(sizeof(D3DMATRIX) == 64);
static_assert(sizeof(D3DRECT) == 16);
static_assert(sizeof(DDPIXELFORMAT) == 32);
static_assert(sizeof(DDSCAPS2) == 16);
static_assert(sizeof(D3DPRIMCAPS) == 56);
static_assert(sizeof(D3DDEVICEDESC) == kD3DDeviceDescSize);
static_assert(sizeof(D3DVIEWPORT2) == 44);
static_assert(sizeof(D3DLIGHT2) == 80);
static_assert(sizeof(D3DMATERIAL) == 80);
static_assert(sizeof(D3DVERTEXBUFFERDESC) == 16);
static_assert(sizeof(void*) != 4 || sizeof(DDSURFACEDESC2) == kDDSurfaceDesc2PublishedSize);

// ---------------------------------------------------------------- flags and enumerations
// DirectDraw surface description flags
inline constexpr DWORD DDSD_CAPS = 0x1;
inline constexpr DWORD DDSD_HEIGHT = 0x2;
inline constexpr DWORD DDSD_WIDTH = 0x4;
inline constexpr DWORD DDSD_PITCH = 0x8;
inline constexpr DWORD DDSD_LPSURFACE = 0x800;
inline constexpr DWORD DDSD_PIXELFORMAT = 0x1000;
inline constexpr DWORD DDSD_MIPMAPCOUNT = 0x20000;
// Surface caps
inline constexpr DWORD DDSCAPS_COMPLEX = 0x8;
inline constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x40;
inline constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x200;
inline constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x800;
inline constexpr DWORD DDSCAPS_TEXTURE = 0x1000;
inline constexpr DWORD DDSCAPS_3DDEVICE = 0x2000;
inline constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x4000;
inline constexpr DWORD DDSCAPS_ZBUFFER = 0x20000;
inline constexpr DWORD DDSCAPS_MIPMAP = 0x400000;
// Pixel format flags
inline constexpr DWORD DDPF_ALPHAPIXELS = 0x1;
inline constexpr DWORD DDPF_PALETTEINDEXED8 = 0x20;
inline constexpr DWORD DDPF_RGB = 0x40;
inline constexpr DWORD DDPF_ZBUFFER = 0x400;
inline constexpr DWORD DDPF_STENCILBUFFER = 0x4000;
// Cooperative level, lock and blit flags
inline constexpr DWORD DDSCL_FULLSCREEN = 0x1;
inline constexpr DWORD DDSCL_NORMAL = 0x8;
inline constexpr DWORD DDSCL_EXCLUSIVE = 0x10;
inline constexpr DWORD DDLOCK_SURFACEMEMORYPTR = 0x0;
inline constexpr DWORD DDLOCK_WAIT = 0x1;
inline constexpr DWORD DDLOCK_READONLY = 0x10;
inline constexpr DWORD DDLOCK_WRITEONLY = 0x20;
inline constexpr DWORD DDBLT_WAIT = 0x1000000;

// Enumeration answers
inline constexpr HRESULT D3DENUMRET_CANCEL = 0;
inline constexpr HRESULT D3DENUMRET_OK = 1;

// D3DDEVICEDESC.dwFlags
inline constexpr DWORD D3DDD_COLORMODEL = 0x1;
inline constexpr DWORD D3DDD_DEVCAPS = 0x2;
inline constexpr DWORD D3DDD_TRANSFORMCAPS = 0x4;
inline constexpr DWORD D3DDD_LIGHTINGCAPS = 0x8;
inline constexpr DWORD D3DDD_BCLIPPING = 0x10;
inline constexpr DWORD D3DDD_LINECAPS = 0x20;
inline constexpr DWORD D3DDD_TRICAPS = 0x40;
inline constexpr DWORD D3DDD_DEVICERENDERBITDEPTH = 0x80;
inline constexpr DWORD D3DDD_DEVICEZBUFFERBITDEPTH = 0x100;
inline constexpr DWORD D3DDD_MAXBUFFERSIZE = 0x200;
inline constexpr DWORD D3DDD_MAXVERTEXCOUNT = 0x400;
// Bit depths of render targets and depth buffers (dwDeviceRenderBitDepth,
// dwDeviceZBufferBitDepth)
inline constexpr DWORD DDBD_8 = 0x800;
inline constexpr DWORD DDBD_16 = 0x400;
inline constexpr DWORD DDBD_24 = 0x200;
inline constexpr DWORD DDBD_32 = 0x100;
// Colour models
inline constexpr DWORD D3DCOLOR_MONO = 1;
inline constexpr DWORD D3DCOLOR_RGB = 2;
// dwDevCaps
inline constexpr DWORD D3DDEVCAPS_FLOATTLVERTEX = 0x1;
inline constexpr DWORD D3DDEVCAPS_SORTINCREASINGZ = 0x2;
inline constexpr DWORD D3DDEVCAPS_SORTDECREASINGZ = 0x4;
inline constexpr DWORD D3DDEVCAPS_SORTEXACT = 0x8;
inline constexpr DWORD D3DDEVCAPS_EXECUTESYSTEMMEMORY = 0x10;
inline constexpr DWORD D3DDEVCAPS_TLVERTEXSYSTEMMEMORY = 0x40;
inline constexpr DWORD D3DDEVCAPS_TEXTURESYSTEMMEMORY = 0x100;
inline constexpr DWORD D3DDEVCAPS_TEXTUREVIDEOMEMORY = 0x200;
inline constexpr DWORD D3DDEVCAPS_DRAWPRIMTLVERTEX = 0x400;
inline constexpr DWORD D3DDEVCAPS_CANRENDERAFTERFLIP = 0x800;
inline constexpr DWORD D3DDEVCAPS_DRAWPRIMITIVES2 = 0x2000;
inline constexpr DWORD D3DDEVCAPS_HWRASTERIZATION = 0x80000;
// Transform and lighting caps
inline constexpr DWORD D3DTRANSFORMCAPS_CLIP = 0x1;
inline constexpr DWORD D3DLIGHTINGMODEL_RGB = 0x1;
inline constexpr DWORD D3DLIGHTCAPS_POINT = 0x1;
inline constexpr DWORD D3DLIGHTCAPS_SPOT = 0x2;
inline constexpr DWORD D3DLIGHTCAPS_DIRECTIONAL = 0x4;
inline constexpr DWORD D3DLIGHTCAPS_PARALLELPOINT = 0x8;
// Primitive caps: misc
inline constexpr DWORD D3DPMISCCAPS_MASKZ = 0x2;
inline constexpr DWORD D3DPMISCCAPS_CULLNONE = 0x10;
inline constexpr DWORD D3DPMISCCAPS_CULLCW = 0x20;
inline constexpr DWORD D3DPMISCCAPS_CULLCCW = 0x40;
// raster
inline constexpr DWORD D3DPRASTERCAPS_DITHER = 0x1;
inline constexpr DWORD D3DPRASTERCAPS_ZTEST = 0x10;
inline constexpr DWORD D3DPRASTERCAPS_SUBPIXEL = 0x20;
inline constexpr DWORD D3DPRASTERCAPS_ZBIAS = 0x4000;
// comparisons
inline constexpr DWORD D3DPCMPCAPS_NEVER = 0x1;
inline constexpr DWORD D3DPCMPCAPS_LESS = 0x2;
inline constexpr DWORD D3DPCMPCAPS_EQUAL = 0x4;
inline constexpr DWORD D3DPCMPCAPS_LESSEQUAL = 0x8;
inline constexpr DWORD D3DPCMPCAPS_GREATER = 0x10;
inline constexpr DWORD D3DPCMPCAPS_NOTEQUAL = 0x20;
inline constexpr DWORD D3DPCMPCAPS_GREATEREQUAL = 0x40;
inline constexpr DWORD D3DPCMPCAPS_ALWAYS = 0x80;
// blend factors
inline constexpr DWORD D3DPBLENDCAPS_ZERO = 0x1;
inline constexpr DWORD D3DPBLENDCAPS_ONE = 0x2;
inline constexpr DWORD D3DPBLENDCAPS_SRCCOLOR = 0x4;
inline constexpr DWORD D3DPBLENDCAPS_INVSRCCOLOR = 0x8;
inline constexpr DWORD D3DPBLENDCAPS_SRCALPHA = 0x10;
inline constexpr DWORD D3DPBLENDCAPS_INVSRCALPHA = 0x20;
inline constexpr DWORD D3DPBLENDCAPS_DESTALPHA = 0x40;
inline constexpr DWORD D3DPBLENDCAPS_INVDESTALPHA = 0x80;
inline constexpr DWORD D3DPBLENDCAPS_DESTCOLOR = 0x100;
inline constexpr DWORD D3DPBLENDCAPS_INVDESTCOLOR = 0x200;
inline constexpr DWORD D3DPBLENDCAPS_SRCALPHASAT = 0x400;
inline constexpr DWORD D3DPBLENDCAPS_BOTHSRCALPHA = 0x800;
inline constexpr DWORD D3DPBLENDCAPS_BOTHINVSRCALPHA = 0x1000;
// shading
inline constexpr DWORD D3DPSHADECAPS_COLORFLATMONO = 0x1;
inline constexpr DWORD D3DPSHADECAPS_COLORFLATRGB = 0x2;
inline constexpr DWORD D3DPSHADECAPS_COLORGOURAUDMONO = 0x4;
inline constexpr DWORD D3DPSHADECAPS_COLORGOURAUDRGB = 0x8;
inline constexpr DWORD D3DPSHADECAPS_SPECULARFLATRGB = 0x80;
inline constexpr DWORD D3DPSHADECAPS_SPECULARGOURAUDRGB = 0x200;
inline constexpr DWORD D3DPSHADECAPS_ALPHAFLATBLEND = 0x1000;
inline constexpr DWORD D3DPSHADECAPS_ALPHAGOURAUDBLEND = 0x4000;
// textures
inline constexpr DWORD D3DPTEXTURECAPS_PERSPECTIVE = 0x1;
inline constexpr DWORD D3DPTEXTURECAPS_POW2 = 0x2;
inline constexpr DWORD D3DPTEXTURECAPS_ALPHA = 0x4;
inline constexpr DWORD D3DPTEXTURECAPS_TRANSPARENCY = 0x8;
inline constexpr DWORD D3DPTEXTURECAPS_SQUAREONLY = 0x20;
inline constexpr DWORD D3DPTFILTERCAPS_NEAREST = 0x1;
inline constexpr DWORD D3DPTFILTERCAPS_LINEAR = 0x2;
inline constexpr DWORD D3DPTFILTERCAPS_MIPNEAREST = 0x4;
inline constexpr DWORD D3DPTFILTERCAPS_MIPLINEAR = 0x8;
inline constexpr DWORD D3DPTFILTERCAPS_LINEARMIPNEAREST = 0x10;
inline constexpr DWORD D3DPTFILTERCAPS_LINEARMIPLINEAR = 0x20;
inline constexpr DWORD D3DPTFILTERCAPS_MINFPOINT = 0x100;
inline constexpr DWORD D3DPTFILTERCAPS_MINFLINEAR = 0x200;
inline constexpr DWORD D3DPTFILTERCAPS_MIPFPOINT = 0x10000;
inline constexpr DWORD D3DPTFILTERCAPS_MIPFLINEAR = 0x20000;
inline constexpr DWORD D3DPTFILTERCAPS_MAGFPOINT = 0x1000000;
inline constexpr DWORD D3DPTFILTERCAPS_MAGFLINEAR = 0x2000000;
inline constexpr DWORD D3DPTADDRESSCAPS_WRAP = 0x1;
inline constexpr DWORD D3DPTADDRESSCAPS_MIRROR = 0x2;
inline constexpr DWORD D3DPTADDRESSCAPS_CLAMP = 0x4;
// dwTextureOpCaps: the texture stage operations a device carries out
inline constexpr DWORD D3DTEXOPCAPS_DISABLE = 0x1;
inline constexpr DWORD D3DTEXOPCAPS_SELECTARG1 = 0x2;
inline constexpr DWORD D3DTEXOPCAPS_SELECTARG2 = 0x4;
inline constexpr DWORD D3DTEXOPCAPS_MODULATE = 0x8;
// dwFVFCaps: the number of texture coordinate sets a vertex may carry
inline constexpr DWORD D3DFVFCAPS_TEXCOORDCOUNTMASK = 0xFFFF;
// vertex formats
inline constexpr DWORD D3DFVF_XYZ = 0x002;
inline constexpr DWORD D3DFVF_XYZRHW = 0x004;
inline constexpr DWORD D3DFVF_NORMAL = 0x010;
inline constexpr DWORD D3DFVF_DIFFUSE = 0x040;
inline constexpr DWORD D3DFVF_SPECULAR = 0x080;
inline constexpr DWORD D3DFVF_TEX0 = 0x000;
inline constexpr DWORD D3DFVF_TEX1 = 0x100;
inline constexpr DWORD D3DFVF_TEX2 = 0x200;
inline constexpr DWORD D3DFVF_TEXCOUNT_MASK = 0xF00;
inline constexpr DWORD D3DFVF_TEXCOUNT_SHIFT = 8;
// vertex buffer caps
inline constexpr DWORD D3DVBCAPS_DONOTCLIP = 0x1;
inline constexpr DWORD D3DVBCAPS_SYSTEMMEMORY = 0x800;
inline constexpr DWORD D3DVBCAPS_WRITEONLY = 0x10000;
// clears
inline constexpr DWORD D3DCLEAR_TARGET = 0x1;
inline constexpr DWORD D3DCLEAR_ZBUFFER = 0x2;
inline constexpr DWORD D3DCLEAR_STENCIL = 0x4;

enum D3DPRIMITIVETYPE : DWORD {
  D3DPT_POINTLIST = 1,
  D3DPT_LINELIST = 2,
  D3DPT_LINESTRIP = 3,
  D3DPT_TRIANGLELIST = 4,
  D3DPT_TRIANGLESTRIP = 5,
  D3DPT_TRIANGLEFAN = 6,
};

enum D3DTRANSFORMSTATETYPE : DWORD {
  D3DTRANSFORMSTATE_WORLD = 1,
  D3DTRANSFORMSTATE_VIEW = 2,
  D3DTRANSFORMSTATE_PROJECTION = 3,
};

enum D3DLIGHTSTATETYPE : DWORD {
  D3DLIGHTSTATE_MATERIAL = 1,
  D3DLIGHTSTATE_AMBIENT = 2,
  D3DLIGHTSTATE_COLORMODEL = 3,
  D3DLIGHTSTATE_FOGMODE = 4,
  D3DLIGHTSTATE_FOGSTART = 5,
  D3DLIGHTSTATE_FOGEND = 6,
  D3DLIGHTSTATE_FOGDENSITY = 7,
  D3DLIGHTSTATE_COLORVERTEX = 8,
};
inline constexpr DWORD kLightStateCount = 9;

enum D3DRENDERSTATETYPE : DWORD {
  D3DRENDERSTATE_TEXTUREHANDLE = 1,
  D3DRENDERSTATE_ANTIALIAS = 2,
  D3DRENDERSTATE_TEXTUREADDRESS = 3,
  D3DRENDERSTATE_TEXTUREPERSPECTIVE = 4,
  D3DRENDERSTATE_WRAPU = 5,
  D3DRENDERSTATE_WRAPV = 6,
  D3DRENDERSTATE_ZENABLE = 7,
  D3DRENDERSTATE_FILLMODE = 8,
  D3DRENDERSTATE_SHADEMODE = 9,
  D3DRENDERSTATE_LINEPATTERN = 10,
  D3DRENDERSTATE_ZWRITEENABLE = 14,
  D3DRENDERSTATE_ALPHATESTENABLE = 15,
  D3DRENDERSTATE_LASTPIXEL = 16,
  D3DRENDERSTATE_SRCBLEND = 19,
  D3DRENDERSTATE_DESTBLEND = 20,
  D3DRENDERSTATE_CULLMODE = 22,
  D3DRENDERSTATE_ZFUNC = 23,
  D3DRENDERSTATE_ALPHAREF = 24,
  D3DRENDERSTATE_ALPHAFUNC = 25,
  D3DRENDERSTATE_DITHERENABLE = 26,
  D3DRENDERSTATE_ALPHABLENDENABLE = 27,
  D3DRENDERSTATE_FOGENABLE = 28,
  D3DRENDERSTATE_SPECULARENABLE = 29,
  D3DRENDERSTATE_ZVISIBLE = 30,
  D3DRENDERSTATE_STIPPLEDALPHA = 33,
  D3DRENDERSTATE_FOGCOLOR = 34,
  D3DRENDERSTATE_ZBIAS = 47,
  D3DRENDERSTATE_STENCILENABLE = 52,
  D3DRENDERSTATE_TEXTUREFACTOR = 60,
};
// Render states are kept in a table indexed by their number.
inline constexpr DWORD kRenderStateCount = 256;

enum D3DCULL : DWORD { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum D3DFILLMODE : DWORD { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum D3DSHADEMODE : DWORD { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2, D3DSHADE_PHONG = 3 };
enum D3DCMPFUNC : DWORD {
  D3DCMP_NEVER = 1,
  D3DCMP_LESS = 2,
  D3DCMP_EQUAL = 3,
  D3DCMP_LESSEQUAL = 4,
  D3DCMP_GREATER = 5,
  D3DCMP_NOTEQUAL = 6,
  D3DCMP_GREATEREQUAL = 7,
  D3DCMP_ALWAYS = 8,
};
enum D3DBLEND : DWORD {
  D3DBLEND_ZERO = 1,
  D3DBLEND_ONE = 2,
  D3DBLEND_SRCCOLOR = 3,
  D3DBLEND_INVSRCCOLOR = 4,
  D3DBLEND_SRCALPHA = 5,
  D3DBLEND_INVSRCALPHA = 6,
  D3DBLEND_DESTALPHA = 7,
  D3DBLEND_INVDESTALPHA = 8,
  D3DBLEND_DESTCOLOR = 9,
  D3DBLEND_INVDESTCOLOR = 10,
  D3DBLEND_SRCALPHASAT = 11,
  D3DBLEND_BOTHSRCALPHA = 12,
  D3DBLEND_BOTHINVSRCALPHA = 13,
};

enum D3DTEXTURESTAGESTATETYPE : DWORD {
  D3DTSS_COLOROP = 1,
  D3DTSS_COLORARG1 = 2,
  D3DTSS_COLORARG2 = 3,
  D3DTSS_ALPHAOP = 4,
  D3DTSS_ALPHAARG1 = 5,
  D3DTSS_ALPHAARG2 = 6,
  D3DTSS_TEXCOORDINDEX = 11,
  D3DTSS_ADDRESS = 12,
  D3DTSS_ADDRESSU = 13,
  D3DTSS_ADDRESSV = 14,
  D3DTSS_BORDERCOLOR = 15,
  D3DTSS_MAGFILTER = 16,
  D3DTSS_MINFILTER = 17,
  D3DTSS_MIPFILTER = 18,
  D3DTSS_MIPMAPLODBIAS = 19,
  D3DTSS_MAXMIPLEVEL = 20,
  D3DTSS_MAXANISOTROPY = 21,
};
inline constexpr DWORD kTextureStageStateCount = 24;
inline constexpr DWORD kTextureStageCount = 2;

enum D3DTEXTUREOP : DWORD {
  D3DTOP_DISABLE = 1,
  D3DTOP_SELECTARG1 = 2,
  D3DTOP_SELECTARG2 = 3,
  D3DTOP_MODULATE = 4,
};
inline constexpr DWORD D3DTA_DIFFUSE = 0x0;
inline constexpr DWORD D3DTA_CURRENT = 0x1;
inline constexpr DWORD D3DTA_TEXTURE = 0x2;
enum D3DTEXTUREMAGFILTER : DWORD {
  D3DTFG_POINT = 1,
  D3DTFG_LINEAR = 2,
  D3DTFG_FLATCUBIC = 3,
  D3DTFG_GAUSSIANCUBIC = 4,
  D3DTFG_ANISOTROPIC = 5,
};
enum D3DTEXTUREMINFILTER : DWORD { D3DTFN_POINT = 1, D3DTFN_LINEAR = 2, D3DTFN_ANISOTROPIC = 3 };
enum D3DTEXTUREMIPFILTER : DWORD { D3DTFP_NONE = 1, D3DTFP_POINT = 2, D3DTFP_LINEAR = 3 };
enum D3DTEXTUREADDRESS : DWORD {
  D3DTADDRESS_WRAP = 1,
  D3DTADDRESS_MIRROR = 2,
  D3DTADDRESS_CLAMP = 3,
  D3DTADDRESS_BORDER = 4,
};

// ---------------------------------------------------------------- interfaces
struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, LPVOID* object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IDirectDrawClipper;
struct IDirectDrawSurface4;
struct IDirect3DDevice3;
struct IDirect3DVertexBuffer;
struct DDBLTFX;

struct IDirectDraw : IUnknown {
 protected:
  ~IDirectDraw() = default;
};

struct IDirectDraw4 : IUnknown {
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
  virtual HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface4** surface,
                                IUnknown* outer) = 0;
  virtual HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** clipper, IUnknown* outer) = 0;
  virtual HRESULT GetDisplayMode(DDSURFACEDESC2* desc) = 0;

 protected:
  ~IDirectDraw4() = default;
};

struct IDirectDrawClipper : IUnknown {
  virtual HRESULT SetHWnd(DWORD flags, HWND window) = 0;
  virtual HRESULT GetHWnd(HWND* window) = 0;

 protected:
  ~IDirectDrawClipper() = default;
};

struct IDirectDrawSurface4 : IUnknown {
  virtual HRESULT AddAttachedSurface(IDirectDrawSurface4* surface) = 0;
  virtual HRESULT DeleteAttachedSurface(DWORD flags, IDirectDrawSurface4* surface) = 0;
  virtual HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface4** surface) = 0;
  virtual HRESULT Blt(RECT* destRect, IDirectDrawSurface4* source, RECT* sourceRect, DWORD flags,
                      DDBLTFX* effects) = 0;
  virtual HRESULT Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE event) = 0;
  virtual HRESULT Unlock(RECT* rect) = 0;
  virtual HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) = 0;
  virtual HRESULT SetClipper(IDirectDrawClipper* clipper) = 0;
  virtual HRESULT GetClipper(IDirectDrawClipper** clipper) = 0;
  virtual HRESULT IsLost() = 0;
  virtual HRESULT Restore() = 0;

 protected:
  ~IDirectDrawSurface4() = default;
};

struct IDirect3DTexture2 : IUnknown {
  virtual HRESULT GetHandle(IDirect3DDevice3* device, D3DTEXTUREHANDLE* handle) = 0;

 protected:
  ~IDirect3DTexture2() = default;
};

struct IDirect3DLight : IUnknown {
  virtual HRESULT SetLight(D3DLIGHT2* light) = 0;
  virtual HRESULT GetLight(D3DLIGHT2* light) = 0;

 protected:
  ~IDirect3DLight() = default;
};

struct IDirect3DMaterial3 : IUnknown {
  virtual HRESULT SetMaterial(D3DMATERIAL* material) = 0;
  virtual HRESULT GetMaterial(D3DMATERIAL* material) = 0;
  virtual HRESULT GetHandle(IDirect3DDevice3* device, D3DMATERIALHANDLE* handle) = 0;

 protected:
  ~IDirect3DMaterial3() = default;
};

struct IDirect3DViewport3 : IUnknown {
  virtual HRESULT SetViewport2(D3DVIEWPORT2* viewport) = 0;
  virtual HRESULT GetViewport2(D3DVIEWPORT2* viewport) = 0;
  virtual HRESULT Clear2(DWORD count, D3DRECT* rects, DWORD flags, D3DCOLOR colour, D3DVALUE z,
                         DWORD stencil) = 0;
  virtual HRESULT AddLight(IDirect3DLight* light) = 0;
  virtual HRESULT DeleteLight(IDirect3DLight* light) = 0;

 protected:
  ~IDirect3DViewport3() = default;
};

struct IDirect3DVertexBuffer : IUnknown {
  virtual HRESULT Lock(DWORD flags, LPVOID* data, DWORD* size) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetVertexBufferDesc(D3DVERTEXBUFFERDESC* desc) = 0;

 protected:
  ~IDirect3DVertexBuffer() = default;
};

struct IDirect3DDevice3 : IUnknown {
  virtual HRESULT GetCaps(D3DDEVICEDESC* hardware, D3DDEVICEDESC* software) = 0;
  virtual HRESULT AddViewport(IDirect3DViewport3* viewport) = 0;
  virtual HRESULT DeleteViewport(IDirect3DViewport3* viewport) = 0;
  virtual HRESULT SetCurrentViewport(IDirect3DViewport3* viewport) = 0;
  virtual HRESULT GetCurrentViewport(IDirect3DViewport3** viewport) = 0;
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
  virtual HRESULT SetLightState(D3DLIGHTSTATETYPE state, DWORD value) = 0;
  virtual HRESULT GetLightState(D3DLIGHTSTATETYPE state, DWORD* value) = 0;
  virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state,
                                       DWORD value) = 0;
  virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state,
                                       DWORD* value) = 0;
  virtual HRESULT SetTexture(DWORD stage, IDirect3DTexture2* texture) = 0;
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD count,
                                DWORD flags) = 0;
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices,
                                       DWORD vertexCount, WORD* indices, DWORD indexCount,
                                       DWORD flags) = 0;
  virtual HRESULT DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type, IDirect3DVertexBuffer* buffer,
                                         WORD* indices, DWORD indexCount, DWORD flags) = 0;

 protected:
  ~IDirect3DDevice3() = default;
};

using LPD3DENUMDEVICESCALLBACK = HRESULT (*)(GUID* guid, LPSTR description, LPSTR name,
                                             D3DDEVICEDESC* hardware, D3DDEVICEDESC* software,
                                             LPVOID context);
using LPD3DENUMPIXELFORMATSCALLBACK = HRESULT (*)(DDPIXELFORMAT* format, LPVOID context);

struct IDirect3D3 : IUnknown {
  virtual HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK callback, LPVOID context) = 0;
  virtual HRESULT CreateLight(IDirect3DLight** light, IUnknown* outer) = 0;
  virtual HRESULT CreateMaterial(IDirect3DMaterial3** material, IUnknown* outer) = 0;
  virtual HRESULT CreateViewport(IDirect3DViewport3** viewport, IUnknown* outer) = 0;
  virtual HRESULT CreateDevice(REFCLSID guid, IDirectDrawSurface4* target,
                               IDirect3DDevice3** device, IUnknown* outer) = 0;
  virtual HRESULT CreateVertexBuffer(D3DVERTEXBUFFERDESC* desc, IDirect3DVertexBuffer** buffer,
                                     DWORD flags, IUnknown* outer) = 0;
  virtual HRESULT EnumZBufferFormats(REFCLSID device, LPD3DENUMPIXELFORMATSCALLBACK callback,
                                     LPVOID context) = 0;

 protected:
  ~IDirect3D3() = default;
};

// The one function reached by name: the DirectDraw object of the active display driver.
HRESULT DirectDrawCreate(GUID* driver, IDirectDraw** directDraw, IUnknown* outer);
