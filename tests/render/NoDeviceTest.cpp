// What the renderer does before it has any device: it stores, lists and refuses, and
// never reaches for an object it does not have.
#include <gtest/gtest.h>

#include <cstring>

#include "FloatCompare.h"
#include "geometry/VertexBufferMesh.h"
#include "render/Light.h"
#include "render/Renderer.h"

namespace {

Matrix4 Numbered() {
  Matrix4 m;
  for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = static_cast<float>(i + 1);
  return m;
}

TEST(NoDeviceTest, TransformsAreStoredWithTheirSignChanges) {
  Renderer r;
  const Matrix4 in = Numbered();
  struct Case {
    TransformKind kind;
    std::vector<std::pair<int, int>> negated;  // (row, column) counted from 1
  };
  const Case cases[] = {
      {TransformKind::World, {}},
      {TransformKind::Projection, {{1, 1}, {3, 3}, {3, 4}}},
      {TransformKind::View, {{1, 1}, {3, 3}, {4, 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    EXPECT_EQ(r.SetTransform(c.kind, &in), 0);
    Matrix4 out;
    ASSERT_EQ(r.GetTransform(c.kind, &out), 0);
    for (int row = 0; row < 4; ++row) {
      for (int col = 0; col < 4; ++col) {
        bool flip = false;
        for (auto [nr, nc] : c.negated) flip |= (nr == row + 1 && nc == col + 1);
        EXPECT_EQ(out.m[row][col], flip ? -in.m[row][col] : in.m[row][col]) << row << col;
      }
    }
  }
  // The caller's matrix is left alone.
  const Matrix4 again = Numbered();
  EXPECT_EQ(std::memcmp(&in, &again, sizeof in), 0);
}

TEST(NoDeviceTest, BadTransformArgumentsAreRefused) {
  Renderer r;
  const Matrix4 in = Numbered();
  r.SetTransform(TransformKind::World, &in);
  const Matrix4 other{};
  EXPECT_EQ(r.SetTransform(static_cast<TransformKind>(4), &other), 2);
  EXPECT_EQ(r.SetTransform(TransformKind::World, nullptr), 1);
  Matrix4 out;
  EXPECT_EQ(r.GetTransform(TransformKind::World, &out), 0);
  EXPECT_EQ(std::memcmp(&out, &in, sizeof out), 0);
  EXPECT_EQ(r.GetTransform(static_cast<TransformKind>(0), &out), 2);
  EXPECT_EQ(r.GetTransform(TransformKind::View, nullptr), 1);
  EXPECT_EQ(r.SendTransform(TransformKind::World), 3);
}

TEST(NoDeviceTest, FrameOperationsReportTheMissingDevice) {
  Renderer r;
  Material material;
  RenderStateBlock states;
  states.SetDefaults();
  EXPECT_EQ(r.Clear(), 1);
  EXPECT_EQ(r.BeginFrame(), 1);
  EXPECT_EQ(r.EndFrame(), 1);
  EXPECT_EQ(r.SetMaterial(&material), 1);
  EXPECT_EQ(r.ApplyStates(&states), 1);
  EXPECT_EQ(r.Present(), 1);
  EXPECT_EQ(r.ChooseDevice(), 1);
  EXPECT_EQ(r.CreateZBuffer(), 1);
  EXPECT_EQ(r.CreateDevice(), 1);
  EXPECT_EQ(r.CreateViewport(), 1);
  EXPECT_EQ(r.CreateBackBuffer(), 1);
  EXPECT_EQ(r.ReleaseBackBuffer(), 1);
  EXPECT_EQ(r.WindowMoved(), 0);
  EXPECT_EQ(r.WindowSized(), 0);
  // The material kept its flag: nothing reached it.
  EXPECT_TRUE(material.m_Changed);
  EXPECT_EQ(material.m_DeviceMaterial, nullptr);
}

TEST(NoDeviceTest, NewLightIsAChangedPointLightWithDefiniteFields) {
  const Light light;
  EXPECT_EQ(light.m_Type, kLightPoint);
  EXPECT_EQ(light.m_Changed, 1u);
  EXPECT_EQ(light.m_DeviceLight, nullptr);
  EXPECT_EQ(std::bit_cast<uint32_t>(light.m_Range), 0x5368D4A5u);
  EXPECT_EQ(light.m_Position.x, 1.0f);
  EXPECT_EQ(light.m_Position.z, 1.0f);
  EXPECT_EQ(light.m_Color.w, 1.0f);
  testsupport::ExpectSame(light.m_Direction, {0.0f, 0.0f, 0.0f});
  EXPECT_EQ(light.m_Phi, 0.0f);
  EXPECT_EQ(light.m_Theta, 0.0f);
}

TEST(NoDeviceTest, LightListKeepsOrderWithoutDuplicates) {
  Renderer r;
  Light a, b, stranger;
  EXPECT_EQ(r.AddLight(&a), 0);
  EXPECT_EQ(r.AddLight(&b), 0);
  EXPECT_EQ(r.AddLight(&a), 0);
  EXPECT_EQ(r.LightCount(), 2);
  EXPECT_EQ(r.LightAt(0), &a);
  EXPECT_EQ(r.LightAt(1), &b);
  EXPECT_EQ(r.LightAt(2), nullptr);
  EXPECT_EQ(r.LightAt(-1), nullptr);

  stranger.m_Changed = 0;
  EXPECT_EQ(r.RemoveLight(&stranger), 3);
  EXPECT_EQ(stranger.m_Changed, 1u);  // its (absent) device object was released first
  EXPECT_EQ(r.RemoveLight(nullptr), 1);
  EXPECT_EQ(r.RemoveLight(&a), 0);
  EXPECT_EQ(r.LightCount(), 1);
  EXPECT_EQ(r.LightAt(0), &b);
  EXPECT_EQ(r.UpdateLight(nullptr), 1);
  a.m_Type = kLightAmbient;
  EXPECT_EQ(r.UpdateAmbient(&a), 1);  // no device
}

TEST(NoDeviceTest, FillLightMapsEveryTypeCode) {
  Renderer r;
  Light light;
  light.m_Color.Set(0.1f, 0.2f, 0.3f, 0.4f);
  light.m_Direction.Set(0, 0, -1);
  light.m_Theta = 0.25f;
  light.m_Phi = 0.5f;
  const std::pair<int32_t, D3DLIGHTTYPE> types[] = {
      {2, D3DLIGHT_SPOT},        {3, D3DLIGHT_DIRECTIONAL},   {4, D3DLIGHT_DIRECTIONAL},
      {5, D3DLIGHT_POINT},       {6, D3DLIGHT_PARALLELPOINT}, {9, D3DLIGHT_DIRECTIONAL},
      {0, D3DLIGHT_DIRECTIONAL}, {-3, D3DLIGHT_DIRECTIONAL},
  };
  for (auto [code, expected] : types) {
    light.m_Type = code;
    D3DLIGHT2 out;
    ASSERT_EQ(r.FillLight(&light, &out), 0) << code;
    EXPECT_EQ(out.dltType, expected) << code;
    EXPECT_EQ(out.dwSize, 80u);
    EXPECT_EQ(out.dcvColor.b, 0.3f);
    EXPECT_EQ(out.dvDirection.z, -1.0f);
    EXPECT_EQ(out.dvPosition.x, 1.0f);
    EXPECT_EQ(out.dvRange, light.m_Range);
    EXPECT_EQ(out.dvFalloff, 1.0f);
    EXPECT_EQ(out.dvAttenuation0, 0.0f);
    EXPECT_EQ(out.dvAttenuation1, 1.0f);
    EXPECT_EQ(out.dvAttenuation2, 0.0f);
    EXPECT_EQ(out.dvTheta, 0.25f);
    EXPECT_EQ(out.dvPhi, 0.5f);
    EXPECT_EQ(out.dwFlags, D3DLIGHT_ACTIVE);
  }
  light.m_Type = kLightAmbient;
  D3DLIGHT2 out;
  EXPECT_EQ(r.FillLight(&light, &out), 2);
  EXPECT_EQ(r.FillLight(nullptr, &out), 1);
}

TEST(NoDeviceTest, MeshDrawWithoutADeviceKeepsEveryFlag) {
  Renderer r;
  VertexBufferMesh mesh;
  mesh.SetVertexCount(3);
  mesh.SetIndexCount(3);
  mesh.MarkAllChanged();
  mesh.Draw();  // no renderer yet
  mesh.m_Renderer = &r;
  mesh.Draw();  // renderer without a device
  mesh.DrawNormals();
  EXPECT_TRUE(mesh.m_PositionsChanged);
  EXPECT_TRUE(mesh.m_NormalsChanged);
  EXPECT_TRUE(mesh.m_TexCoords0Changed);
  EXPECT_TRUE(mesh.m_TexCoords1Changed);
  EXPECT_EQ(mesh.m_VertexBuffer, nullptr);
  EXPECT_EQ(mesh.m_BufferDesc.dwSize, 16u);
  EXPECT_EQ(mesh.m_BufferDesc.dwNumVertices, 0u);
}

}  // namespace
