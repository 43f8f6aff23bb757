// The description a device gives of itself to the front's enumeration, built once for every
// device from the few things in which they differ. Both devices carry out the same render
// states, blend factors, comparisons, filters and texture operations, so those are stated here
// and nowhere else.
#pragma once

#include <vector>

#include "platform/directx/DirectX.h"

namespace dx {

struct DeviceTraits {
  // Which of the two descriptions is filled; a hardware device also rasterises in hardware and
  // takes textures in video memory.
  bool hardware = false;
  DWORD devCaps = 0;           // D3DDEVCAPS_* beyond DRAWPRIMTLVERTEX and TEXTURESYSTEMMEMORY
  DWORD maxActiveLights = 0;   // 0: no limit
  DWORD zBufferBitDepths = 0;  // DDBD_* of the depth buffers it offers
  DWORD maxTextureSize = 0;
  DWORD maxTextureRepeat = 0;       // 0: none stated
  DWORD maxTextureAspectRatio = 0;  // 0: none stated
  float guardBand = 0.0f;           // its edges' distance from the origin in pixels; 0: none
  DWORD texCoordSets = 0;           // per vertex
};

// The hardware and the software description of a device: one of them filled, the other empty
// but for its size.
void DescribeDevice(const DeviceTraits& traits, D3DDEVICEDESC& hardware, D3DDEVICEDESC& software);

// The depth-buffer formats (without stencil) of a DDBD_* mask, 16 bits first.
std::vector<DDPIXELFORMAT> DepthBufferFormats(DWORD zBufferBitDepths);

}  // namespace dx
