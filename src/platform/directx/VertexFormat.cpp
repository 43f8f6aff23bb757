#include "platform/directx/VertexFormat.h"

namespace dx {

VertexLayout ParseVertexFormat(DWORD fvf) {
  VertexLayout layout;
  constexpr DWORD kPositionMask = 0x00E;
  constexpr DWORD kReserved1 = 0x020;  // D3DFVF_RESERVED1: the 4 bytes of D3DLVERTEX
  DWORD offset = 0;
  switch (fvf & kPositionMask) {
    case D3DFVF_XYZ:
      offset = 12;
      break;
    case D3DFVF_XYZRHW:
      layout.pretransformed = true;
      offset = 16;
      break;
    default:
      return layout;
  }
  if (fvf & D3DFVF_NORMAL) {
    if (layout.pretransformed) return layout;
    layout.normal = static_cast<int>(offset);
    offset += 12;
  }
  if (fvf & kReserved1) offset += 4;
  if (fvf & D3DFVF_DIFFUSE) {
    layout.diffuse = static_cast<int>(offset);
    offset += 4;
  }
  if (fvf & D3DFVF_SPECULAR) {
    layout.specular = static_cast<int>(offset);
    offset += 4;
  }
  layout.texCount = static_cast<int>((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
  if (layout.texCount > 8) return layout;
  if (layout.texCount > 0) layout.tex = static_cast<int>(offset);
  offset += 8 * static_cast<DWORD>(layout.texCount);
  layout.size = offset;
  layout.valid = true;
  return layout;
}

}  // namespace dx
