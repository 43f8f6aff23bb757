// The OpenGL device's shaders: Direct3D's fixed-function transform and lighting per vertex,
// and its texture stages, specular add, alpha test and depth bias per fragment, with the
// same equations, clamping and order as the software device. A few program variants
// (flat shading, texturing, depth bias, alpha test) keep the common path short; all share
// one uniform block that the pipeline fills from the draw state.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/directx/opengl/GlApi.h"

namespace dx::opengl {

enum ProgramFeature : uint32_t {
  kProgramFlat = 1u << 0,       // colours of the first vertex over the whole primitive
  kProgramTextured = 1u << 1,   // texture stages run
  kProgramDepthBias = 1u << 2,  // depth moved towards the viewer by the z bias
  kProgramAlphaTest = 1u << 3,  // fragments failing the alpha comparison are dropped
};
inline constexpr uint32_t kProgramVariants = 16;

// Lights the shader takes; further active lights are left out (the device description
// reports this number).
inline constexpr int kMaxLights = 64;
inline constexpr int kLightVectors = 6;  // vec4s per light in the block
inline constexpr GLuint kFrameBlockBinding = 0;

// Vertex attribute locations.
enum AttributeLocation : GLuint {
  kAttrPosition = 0,
  kAttrNormal = 1,
  kAttrDiffuse = 2,
  kAttrSpecular = 3,
  kAttrTexStage0 = 4,  // the coordinate set stage 0 reads
  kAttrTexStage1 = 5,
};

// The uniform block "Frame", laid out by std140 rules (every member a multiple of 16
// bytes). Matrices are Direct3D row-major data handed over unchanged, which GLSL reads as
// the transpose, so M * v in the shader is v · M in Direct3D's row-vector convention.
struct FrameBlock {
  float toClip[16];        // object position to OpenGL clip space (viewport folded in)
  float toView[16];        // world · view
  float normalMatrix[16];  // inverse transpose of world · view in the upper 3 × 3
  float materialDiffuse[4];
  float materialAmbient[4];
  float materialSpecular[4];
  float materialEmissive[4];
  float ambient[4];   // ambient light state, 0..1
  float lighting[4];  // power, specular enabled, lit, light count
  float pixel[4];     // z bias (depth units), alpha reference (0..255), alpha function, specular on
  int32_t stageColour[2][4];  // colour op, arg 1, arg 2, texture bound
  int32_t stageAlpha[2][4];   // alpha op, arg 1, arg 2, unused
  int32_t stageInfo[4];       // stages before the first disabled one
  float textureFactor[4];
  float lights[kMaxLights * kLightVectors][4];
};
static_assert(sizeof(FrameBlock) % 16 == 0);

std::string VertexShaderSource(uint32_t features);
std::string FragmentShaderSource(uint32_t features);

class GlProgramCache {
 public:
  // The linked program for these features, built on first use. 0 when compiling or
  // linking failed; error then holds the stage and the driver's log. A failure is kept, so
  // later draws fail at once with the same text.
  GLuint Get(uint32_t features, std::string& error);
  // Deletes every program; the context must be current.
  void Release();

 private:
  std::array<GLuint, kProgramVariants> m_Programs{};
  std::array<std::string, kProgramVariants> m_Errors;
};

}  // namespace dx::opengl
