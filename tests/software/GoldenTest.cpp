// Small scenes against reference images in tests/software/golden/ (regenerate with
// QUENNET_UPDATE_GOLDEN=1 when a change is intended).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "TestScene.h"
#include "geometry/Material.h"
#include "geometry/Matrix4.h"
#include "geometry/Mesh.h"

namespace {

using swtest::LitVertex;
using swtest::Scene;
using swtest::TLVertex;

constexpr float kPi = 3.14159265f;

TLVertex T(float x, float y, float z, DWORD colour, float u = 0, float v = 0) {
  return TLVertex{x, y, z, 1.0f, colour, 0, u, v};
}

std::vector<TLVertex> Quad(float x0, float y0, float x1, float y1, float z0, float z1, DWORD c0,
                           DWORD c1) {
  return {T(x0, y0, z0, c0), T(x1, y0, z1, c1), T(x0, y1, z0, c0), T(x1, y1, z1, c1)};
}

void Tile(Scene& scene, int x, int y, int w, int h) {
  scene.state.viewport = {44,
                          static_cast<DWORD>(x),
                          static_cast<DWORD>(y),
                          static_cast<DWORD>(w),
                          static_cast<DWORD>(h),
                          -1,
                          1,
                          2,
                          2,
                          0,
                          1};
}

TEST(Golden, LitSphere) {
  Scene scene;
  swtest::LightScene(scene);
  std::vector<LitVertex> v;
  std::vector<WORD> i;
  swtest::Sphere(16, 12, v, i);
  scene.state.world = swtest::RotationY(0.4f);
  scene.Clear(0xFF303040);
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST, v, i), D3D_OK);
  swtest::ExpectMatchesGolden(scene.Image(), "lit_sphere");
}

TEST(Golden, FlatShadedSphereInEveryFillMode) {
  Scene scene;
  swtest::LightScene(scene);
  scene.SetState(D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT);
  std::vector<LitVertex> v;
  std::vector<WORD> i;
  swtest::Sphere(10, 8, v, i);
  scene.state.world = swtest::RotationY(0.4f);
  scene.Clear(0xFF000000);
  const DWORD modes[] = {D3DFILL_SOLID, D3DFILL_WIREFRAME, D3DFILL_POINT};
  for (int k = 0; k < 3; ++k) {
    // Three views side by side, each through its own viewport.
    Tile(scene, k * 21, 21, 21, 21);
    scene.SetState(D3DRENDERSTATE_FILLMODE, modes[k]);
    ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST, v, i), D3D_OK);
  }
  swtest::ExpectMatchesGolden(scene.Image(), "fill_modes");
}

TEST(Golden, DepthFunctions) {
  Scene scene;
  scene.Clear(0xFF000000, 0.5f);
  // Each tile: a quad whose depth runs from 0 (left) to 1 (right) over a buffer holding 0.5,
  // drawn with one comparison; passing pixels show the quad's colour ramp.
  for (DWORD f = D3DCMP_NEVER; f <= D3DCMP_ALWAYS; ++f) {
    const int tx = static_cast<int>((f - 1) % 4) * 16, ty = static_cast<int>((f - 1) / 4) * 32;
    Tile(scene, tx, ty, 16, 32);
    scene.SetState(D3DRENDERSTATE_ZFUNC, f);
    scene.SetState(D3DRENDERSTATE_ZWRITEENABLE, 0);
    ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP, Quad(tx + 1.0f, ty + 1.0f, tx + 15.0f, ty + 31.0f,
                                                   0.0f, 1.0f, 0xFFFF4000, 0xFF00C0FF)),
              D3D_OK);
  }
  swtest::ExpectMatchesGolden(scene.Image(), "depth_functions");
}

TEST(Golden, CullModes) {
  Scene scene(64, 32, 0);
  scene.Clear(0xFF202020);
  const DWORD modes[] = {D3DCULL_NONE, D3DCULL_CW, D3DCULL_CCW};
  for (int k = 0; k < 3; ++k) {
    const float x = k * 21.0f;
    scene.SetState(D3DRENDERSTATE_CULLMODE, modes[k]);
    // Clockwise (red, top) and counter-clockwise (green, bottom) triangles.
    ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST,
                         std::vector<TLVertex>{
                             T(x + 1, 1, 0.5f, 0xFFFF0000), T(x + 19, 2, 0.5f, 0xFFFF8000),
                             T(x + 3, 14, 0.5f, 0xFFFF0080), T(x + 1, 17, 0.5f, 0xFF00FF00),
                             T(x + 4, 30, 0.5f, 0xFF80FF00), T(x + 19, 18, 0.5f, 0xFF00FF80)}),
              D3D_OK);
  }
  swtest::ExpectMatchesGolden(scene.Image(), "cull_modes");
}

TEST(Golden, BlendFactorPairs) {
  Scene scene(64, 64, 0, /*targetAlpha=*/true);
  // Background: a colour ramp with alpha rising downwards.
  scene.SetState(D3DRENDERSTATE_ZENABLE, 0);
  scene.Draw(D3DPT_TRIANGLESTRIP, Quad(0, 0, 64, 64, 0.5f, 0.5f, 0x00204080, 0xFFE0C020));
  struct Pair {
    DWORD src, dest;
  } pairs[16] = {
      {D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},   {D3DBLEND_ONE, D3DBLEND_ONE},
      {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO},         {D3DBLEND_ZERO, D3DBLEND_SRCCOLOR},
      {D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO},      {D3DBLEND_ONE, D3DBLEND_INVSRCALPHA},
      {D3DBLEND_SRCALPHASAT, D3DBLEND_ONE},        {D3DBLEND_BOTHSRCALPHA, D3DBLEND_ZERO},
      {D3DBLEND_BOTHINVSRCALPHA, D3DBLEND_ZERO},   {D3DBLEND_DESTALPHA, D3DBLEND_INVDESTALPHA},
      {D3DBLEND_INVSRCCOLOR, D3DBLEND_SRCCOLOR},   {D3DBLEND_SRCCOLOR, D3DBLEND_INVSRCCOLOR},
      {D3DBLEND_INVDESTALPHA, D3DBLEND_DESTCOLOR}, {D3DBLEND_ZERO, D3DBLEND_INVDESTCOLOR},
      {D3DBLEND_SRCALPHA, D3DBLEND_ONE},           {D3DBLEND_ONE, D3DBLEND_ZERO},
  };
  scene.SetState(D3DRENDERSTATE_ALPHABLENDENABLE, 1);
  for (int k = 0; k < 16; ++k) {
    const float x = (k % 4) * 16.0f, y = (k / 4) * 16.0f;
    scene.SetState(D3DRENDERSTATE_SRCBLEND, pairs[k].src);
    scene.SetState(D3DRENDERSTATE_DESTBLEND, pairs[k].dest);
    // Alpha of the source rises from left to right.
    ASSERT_EQ(scene.Draw(D3DPT_TRIANGLESTRIP,
                         Quad(x + 2, y + 2, x + 14, y + 14, 0.5f, 0.5f, 0x10F03060, 0xF060F030)),
              D3D_OK);
  }
  swtest::ExpectMatchesGolden(scene.Image(), "blend_pairs");
}

TEST(Golden, TexturedFloorThroughTheNearPlane) {
  Scene scene;
  dx::SurfaceData texture;
  texture.width = texture.height = 32;
  texture.pitch = 32 * 4;
  texture.format.dwRGBBitCount = 32;
  texture.format.dwFlags = DDPF_RGB;
  texture.bits.resize(32 * 32 * 4);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const uint32_t c =
          ((x / 4 + y / 4) % 2) ? 0xFFE8E8E8u : (0xFF000000u | (x * 8) << 16 | y * 8);
      std::memcpy(texture.bits.data() + (y * 32 + x) * 4, &c, 4);
    }
  scene.state.textures[0] = &texture;
  DWORD* ts = scene.state.textureStages[0];
  ts[D3DTSS_MAGFILTER] = D3DTFG_LINEAR;
  ts[D3DTSS_MINFILTER] = D3DTFN_LINEAR;
  ts[D3DTSS_MIPFILTER] = D3DTFP_LINEAR;
  scene.state.projection = swtest::Perspective(kPi / 2, 1.0f, 0.5f, 50.0f);
  scene.SetState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
  struct FloorVertex {
    float x, y, z;
    DWORD diffuse;
    float u, v;
  };
  // From behind the eye to far away, the texture repeated (wrap addressing).
  const FloorVertex floor[4] = {{-6, -1, -1, 0xFFFFFFFF, 0, 0},
                                {6, -1, -1, 0xFFFFFFFF, 6, 0},
                                {-6, -1, 30, 0xFFFFFFFF, 0, 12},
                                {6, -1, 30, 0xFF8080FF, 6, 12}};
  scene.Clear(0xFF102030);
  ASSERT_EQ(scene.DrawRaw(D3DPT_TRIANGLESTRIP, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, floor,
                          sizeof(FloorVertex), 4),
            D3D_OK);
  swtest::ExpectMatchesGolden(scene.Image(), "textured_floor");
}

// The program's default frame at 64 × 64 (t = 0, unrotated), as the renderer sets it up.
class FrameMesh final : public Mesh {
 public:
  void UpdatePositions() override {}
  void UpdateNormals() override {}
  void UpdateTexCoords0() override {}
  void UpdateTexCoords1() override {}
};

TEST(Golden, DefaultTorusFrame) {
  Scene scene(64, 64, 16);
  FrameMesh mesh;
  mesh.MakeTorus(0.6f, 0.245f, 101, 77, 3.0f, 0.1f, 0.0f, 2.0f, 0.3f, 1.0f, 0.2f, 0.0f);
  ASSERT_GT(mesh.m_NumVertices, 0);
  std::vector<LitVertex> vertices(mesh.m_NumVertices);
  for (int k = 0; k < mesh.m_NumVertices; ++k) {
    vertices[k] = {mesh.m_Positions[k].x, mesh.m_Positions[k].y, mesh.m_Positions[k].z,
                   mesh.m_Normals[k].x,   mesh.m_Normals[k].y,   mesh.m_Normals[k].z};
  }
  std::vector<WORD> indices(mesh.m_Indices, mesh.m_Indices + mesh.m_NumIndices);
  dx::DrawState& s = scene.state;
  const Material material;
  s.hasMaterial = true;
  s.material.dcvDiffuse = {material.m_Diffuse.x, material.m_Diffuse.y, material.m_Diffuse.z, 0};
  s.material.dcvAmbient = {1, 1, 1, 0};
  s.material.dcvSpecular = {material.m_Specular.x, material.m_Specular.y, material.m_Specular.z, 0};
  s.material.dvPower = material.m_SpecularPower;
  s.lightStates[D3DLIGHTSTATE_AMBIENT] = 0x00202020;  // 0.125 rounded: background 0.5
  D3DLIGHT2 light{};
  light.dltType = D3DLIGHT_DIRECTIONAL;
  light.dcvColor = {1, 1, 1, 1};
  light.dvPosition = {1, 1, 1};
  light.dvDirection = {0, 0, -1};
  light.dvRange = 1e12f;
  light.dwFlags = D3DLIGHT_ACTIVE;
  s.lights = {light};
  const float fov = 45.0f * 6.2831855f / 360.0f;
  Matrix4 projection, view;
  projection.SetPerspective(0.02f, 100.0f, fov, fov);
  projection.m[0][0] *= -1;
  projection.m[2][2] *= -1;
  projection.m[2][3] *= -1;
  view.SetTranslation(0, 0, -2.8f);
  view.m[0][0] *= -1;
  view.m[2][2] *= -1;
  view.m[3][2] *= -1;
  std::memcpy(&s.projection, &projection, 64);
  std::memcpy(&s.view, &view, 64);
  scene.SetState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESS);
  scene.SetState(D3DRENDERSTATE_SPECULARENABLE, 1);
  scene.Clear(0xFF7F7F7F, 1.0f);
  ASSERT_EQ(scene.Draw(D3DPT_TRIANGLELIST, vertices, indices), D3D_OK);
  swtest::ExpectMatchesGolden(scene.Image(), "default_frame");
}

}  // namespace
