// Flexible vertex formats: where each part of a vertex lies, shared by the front (vertex
// sizes) and both devices (reading the vertices).
#pragma once

#include "platform/directx/DirectX.h"

namespace dx {

// Where each part of a flexible-format vertex lies; offsets in bytes, -1 when absent.
struct VertexLayout {
  bool valid = false;
  bool pretransformed = false;  // D3DFVF_XYZRHW: x, y in pixels, z in 0..1, then 1/w
  int normal = -1;
  int diffuse = -1;
  int specular = -1;
  int tex = -1;
  int texCount = 0;
  DWORD size = 0;
};

// The layout of an XYZ or XYZRHW vertex. Not valid for any other position, for a normal with
// XYZRHW (pre-transformed vertices are not lit) or for more than eight texture sets.
VertexLayout ParseVertexFormat(DWORD fvf);

}  // namespace dx
