// A DirectDraw surface description as the tests ask for surfaces: flags, caps and a size,
// at the size of the structure the published headers declare.
#pragma once

#include "platform/directx/DirectX.h"

namespace dxtest {

inline DDSURFACEDESC2 SurfaceDesc(DWORD flags, DWORD caps, DWORD width = 0, DWORD height = 0) {
  DDSURFACEDESC2 desc{};
  desc.dwSize = kDDSurfaceDesc2PublishedSize;
  desc.dwFlags = flags;
  desc.ddsCaps.dwCaps = caps;
  desc.dwWidth = width;
  desc.dwHeight = height;
  return desc;
}

}  // namespace dxtest
