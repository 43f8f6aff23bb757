// A small render target, depth buffer and draw state with Direct3D's default render states,
// driving the software pipeline directly, plus helpers for vertices and reference images.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/directx/Pipeline.h"
#include "platform/directx/software/SoftwarePipeline.h"
#include "util/Png.h"

namespace swtest {

// A pre-transformed vertex (D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1).
struct TLVertex {
  float x, y, z, rhw;
  DWORD diffuse;
  DWORD specular;
  float u, v;
};
inline constexpr DWORD kTLFormat = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1;

// An untransformed vertex with a normal (D3DFVF_XYZ | D3DFVF_NORMAL), as the torus uses.
struct LitVertex {
  float x, y, z;
  float nx, ny, nz;
};
inline constexpr DWORD kLitFormat = D3DFVF_XYZ | D3DFVF_NORMAL;

// Every row of the surfaces has padding after it and the bits have a tail; both are filled
// with a guard value so that writes outside the image show.
inline constexpr int kRowPadding = 64;
inline constexpr size_t kTailBytes = 256;
inline constexpr uint8_t kGuardValue = 0xA5;

class Scene {
 public:
  explicit Scene(int width = 64, int height = 64, int depthBits = 16, bool targetAlpha = false);

  dx::DrawState state;
  dx::software::SoftwarePipeline pipeline;

  HRESULT Clear(D3DCOLOR colour, float z = 1.0f);
  HRESULT Draw(D3DPRIMITIVETYPE type, const std::vector<TLVertex>& vertices,
               const std::vector<WORD>& indices = {});
  HRESULT Draw(D3DPRIMITIVETYPE type, const std::vector<LitVertex>& vertices,
               const std::vector<WORD>& indices = {});
  HRESULT DrawRaw(D3DPRIMITIVETYPE type, DWORD fvf, const void* vertices, DWORD stride, DWORD count,
                  const std::vector<WORD>& indices = {});

  void SetState(D3DRENDERSTATETYPE s, DWORD value) { state.renderStates[s] = value; }
  uint32_t Pixel(int x, int y) const;
  uint32_t Depth(int x, int y) const;
  util::Image Image() const;
  bool GuardsIntact() const;
  int width() const { return m_Width; }
  int height() const { return m_Height; }
  dx::SurfaceData& target() { return m_Target; }
  dx::SurfaceData& depth() { return m_Depth; }
  // Whether full clears of the scene's surfaces are fast clears (the default).
  void SetFastClears(bool on);

 private:
  // The readers fill pending fast-clear tiles first, as every raw access must.
  void FillPendingTiles() const;

  int m_Width, m_Height;
  mutable dx::SurfaceData m_Target, m_Depth;
};

// Channels of 0xAARRGGBB.
inline int R(uint32_t c) {
  return static_cast<int>((c >> 16) & 0xFF);
}
inline int G(uint32_t c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
inline int B(uint32_t c) {
  return static_cast<int>(c & 0xFF);
}
inline int A(uint32_t c) {
  return static_cast<int>(c >> 24);
}

// Compares with the reference image tests/software/golden/<name>.png: every channel within
// tolerance, and at most maxOff pixels beyond it. With QUENNET_UPDATE_GOLDEN=1 in the
// environment the reference is written instead.
void ExpectMatchesGolden(const util::Image& image, const std::string& name, int tolerance = 2,
                         int maxOff = 0);

// count triangles of deterministic size, colour, depth and alpha inside x0..x1 × y0..y1.
std::vector<TLVertex> RandomTriangles(int count, float x0, float y0, float x1, float y1, int seed);
// Small and thin triangles of both windings all over a target of the given size (some over
// its edges, a third with vertices on the half-pixel grid), with depths that overlap and
// colours that change across each triangle.
std::vector<TLVertex> ScatteredTriangles(int width, int height, int count, float maxSize);
// A unit sphere of the given tessellation, its triangles clockwise seen from outside.
void Sphere(int slices, int stacks, std::vector<LitVertex>& vertices, std::vector<WORD>& indices);
// A material, a directional and a point light, specular on, and a camera 3.2 in front of the
// origin with a near plane at 0.5.
void LightScene(Scene& scene);

D3DMATRIX Identity();
// Left-handed perspective as the renderer sends it (camera looking along +z).
D3DMATRIX Perspective(float fovY, float aspect, float nearPlane, float farPlane);
D3DMATRIX Translation(float x, float y, float z);
D3DMATRIX RotationY(float angle);
D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b);

}  // namespace swtest
