// What the OpenGL device computes on the CPU before a draw, with no OpenGL call: the vertex
// layout of a flexible vertex format, the viewport mapping, the uniform block (matrices,
// material, lights in view space, texture stages), and the Direct3D-to-OpenGL state values.
//
// Conventions shared with the software device:
// - positions go through world · view · projection as row vectors (v · W · V · P), then the
//   viewport: pixel x = dwX + (x/w − ClipX) · Width / ClipWidth, pixel y = dwY + (ClipY −
//   y/w) · Height / ClipHeight; Direct3D samples pixel (x, y) at the point (x, y), OpenGL at
//   its centre, so the OpenGL window position is offset by one half;
// - clip-space depth runs from 0 at the near plane to w at the far plane, then MinZ..MaxZ;
// - the picture is stored with its top row first or last, whichever makes the OpenGL
//   implementation's rule for pixel centres on an edge Direct3D's top-left rule (OpenGL
//   leaves the rule open; GlContext finds it out once); read-backs and uploads follow.
#pragma once

#include <cstdint>

#include "platform/directx/Pipeline.h"
#include "platform/directx/VertexFormat.h"
#include "platform/directx/opengl/GlApi.h"
#include "platform/directx/opengl/GlPrograms.h"

namespace dx::opengl {

// One unit of D3DRENDERSTATE_ZBIAS moves depth this far towards the viewer (two steps of a
// 16-bit depth buffer) whatever the depth format, as on the software device.
inline constexpr double kZBiasUnit = 2.0 / 65535.0;
// Texture coordinate sets a stage may name; a larger index reads set 0.
inline constexpr DWORD kMaxTexCoordSets = 2;

// The pixel rectangle a draw may touch and the depth range, from the viewport. Direct3D's
// scissor is the viewport within the target, and within the z-buffer when depth is tested.
struct ViewportMapping {
  bool valid = false;  // false: the viewport maps nothing (zero or non-finite clip extents)
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // scissor [x0, x1) × [y0, y1), rows from the top
  float minZ = 0.0f, maxZ = 1.0f;
};
// depthWidth/depthHeight: the z-buffer's size when depth is tested, else 0.
ViewportMapping MapViewport(const D3DVIEWPORT2& viewport, int targetWidth, int targetHeight,
                            int depthWidth, int depthHeight);

// The texture stages as the shaders run them.
struct StageSetup {
  int count = 0;          // stages before the first disabled one
  bool textured = false;  // some running stage samples a bound texture
  int texCoordSet[kTextureStageCount]{};
  GLint magFilter[kTextureStageCount]{};
  GLint minFilter[kTextureStageCount]{};
  GLint wrapS[kTextureStageCount]{};
  GLint wrapT[kTextureStageCount]{};
};
StageSetup ReadStages(const DrawState& state);

// Fills the uniform block for a draw into a target of the given size. lit: the draw has
// normals and a material, so vertices are lit. clipControl: OpenGL takes Direct3D's depth
// range directly (else the shader's output is remapped to -w..w). topRowFirst: the
// picture's top row is OpenGL's row 0 (else its last row).
void FillFrameBlock(const DrawState& state, const StageSetup& stages, int targetWidth,
                    int targetHeight, bool clipControl, bool topRowFirst, bool lit,
                    FrameBlock& out);

// Number of lights FillFrameBlock puts in the block (active ones of a known kind, at most
// kMaxLights).
int UsableLightCount(const DrawState& state);

// Direct3D render-state values as OpenGL enums.
GLenum DepthFunction(DWORD d3dCmp);
GLenum BlendFactor(DWORD d3dBlend);
// The source and destination factors of a blend, with D3DBLEND_BOTHSRCALPHA and
// D3DBLEND_BOTHINVSRCALPHA as source setting both.
void BlendFactors(DWORD srcBlend, DWORD destBlend, GLenum& src, GLenum& dest);
GLenum PrimitiveMode(D3DPRIMITIVETYPE type);
GLenum PolygonMode(DWORD d3dFill);
// Which winding OpenGL culls for a Direct3D cull mode, or 0 for none.
GLenum CullFace(DWORD d3dCull);
// The program variant a draw needs.
uint32_t ProgramFeatures(const DrawState& state, const StageSetup& stages);

}  // namespace dx::opengl
