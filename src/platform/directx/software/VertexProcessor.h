// Transform and lighting of the software device, once per draw call for every vertex of the
// call, into a cache of homogeneous-screen and screen-space vertices.
//
// Implemented: world · view · projection with the viewport folded in, Direct3D's fixed-function
// lighting in view space (ambient light state, material emissive/ambient/diffuse/specular/power,
// directional, point, spot and parallel-point lights with range and attenuation, Blinn-Phong
// specular with a local viewer), pre-transformed D3DFVF_XYZRHW vertices. Not implemented: fog,
// vertex blending, texture coordinate generation.
#pragma once

#include <vector>

#include "platform/directx/Pipeline.h"
#include "platform/directx/VertexFormat.h"
#include "platform/directx/software/RasterTypes.h"

namespace dx::software {

// A light prepared for the draw, in view space.
struct PreparedLight {
  D3DLIGHTTYPE type;
  float colour[3];
  float diffuse[3];    // colour times the material's diffuse
  float specular3[3];  // colour times the material's specular
  float position[3];
  float direction[3];  // unit vector towards the light (directional and parallel-point lights)
  float spotAxis[3];   // unit vector the spot light shines along
  float range;
  float falloff;
  float attenuation[3];
  float cosHalfTheta, cosHalfPhi;
  bool specular;
};

class VertexProcessor {
 public:
  // Prepares matrices and lights from the state; the scissor is the pixel rectangle primitives
  // are drawn into. False when the viewport cannot map anything.
  bool Setup(const DrawState& state, int scissorX0, int scissorY0, int scissorX1, int scissorY1);
  // Transforms and classifies count vertices of the given layout and stride, and lights them
  // unless deferLighting is set (then LightVertex must run for every vertex that is drawn).
  void Process(const uint8_t* vertices, DWORD stride, DWORD count, const VertexLayout& layout,
               bool deferLighting, std::vector<TransformedVertex>& out);
  // Whether vertices of this layout are lit (and so may have their lighting deferred).
  bool Lights(const VertexLayout& layout) const { return m_Lighting && layout.normal >= 0; }
  // Lights one vertex of the layout (which has a normal) into out's colours.
  void LightVertex(const uint8_t* vertex, const VertexLayout& layout, Attributes& out) const;
  // Projects a clip-space vertex to the screen; false when it lies outside the guard band or
  // is not finite (then the primitive is dropped).
  bool Project(const ClipVertex& v, ScreenVertex& out) const;
  uint32_t Classify(float x, float y, float z, float w) const;

  // The lighting equations for one view-space position and unit normal, colours in 0..1.
  void Light(const float* position, const float* normal, float* diffuse, float* specular) const;

  bool ProjectPosition(float x, float y, float z, float w, ScreenVertex& out) const;

  // Exposed for tests of the lighting equations.
  const std::vector<PreparedLight>& Lights() const { return m_Lights; }

 private:
  float m_ToView[4][4]{};    // world · view
  float m_ToScreen[4][4]{};  // world · view · projection · viewport (x, y)
  float m_NormalMatrix[3][3]{};
  float m_MinZ = 0.0f, m_MaxZ = 1.0f;
  float m_ViewX0 = 0, m_ViewY0 = 0, m_ViewX1 = 0, m_ViewY1 = 0;  // scissor with a margin
  bool m_Lighting = false;
  bool m_SpecularEnabled = false;
  D3DMATERIAL m_Material{};
  float m_Ambient[3]{};
  float m_BaseDiffuse[3]{};             // emissive plus ambient light times the material's ambient
  std::vector<PreparedLight> m_Lights;  // grown only
};

}  // namespace dx::software
