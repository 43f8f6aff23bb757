// The frame step, observed through the test driver's device: what one frame sends, when
// the rotation moves, and the frame without a renderer. Also the headless path: a main
// window whose picture area has a chosen size, drawn by the software device and read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "AppFixture.h"
#include "FloatCompare.h"
#include "app/SceneWindow.h"
#include "geometry/Matrix4.h"
#include "platform/framework/Simulate.h"
#include "render/Renderer.h"

namespace {

using FrameTest = AppFixture;

int Channel(D3DCOLOR colour, int shift) {
  return static_cast<int>((colour >> shift) & 0xFF);
}

Matrix4 WorldFor(float x, float y, float z) {
  Matrix4 world;
  Matrix4 step;
  world.SetRotation(0, x);
  step.SetRotation(2, z);
  world.Multiply(step, world);
  step.SetRotation(1, y);
  world.Multiply(step, world);
  return world;
}

void ExpectSameMatrix(const D3DMATRIX& sent, const Matrix4& expected) {
  static_assert(sizeof(D3DMATRIX) == sizeof(Matrix4));
  testsupport::ExpectFloatsEqual(&sent._11, &expected.m[0][0], 16);
}

TEST_F(FrameTest, FrameAtTimeZeroUsesTheStartingAnimationValues) {
  MakeWindow();
  // The tick counter has not moved since the window was made: t = 0 and d = 0.
  EXPECT_EQ(m_Dlg->StepFrame(), 0);

  testsupport::ExpectSame(m_Dlg->m_Renderer->m_Background, {0.5f, 0.5f, 0.5f});
  testsupport::ExpectSame(m_Dlg->m_AmbientLight.m_Color, {0.125f, 0.125f, 0.125f, 0.0f});

  // What reached the device: mid-grey clear, dim grey ambient, one directional light.
  const dx::testing::PipelineLog& log = m_Device->Log();
  ASSERT_FALSE(log.clears.empty());
  for (int shift : {0, 8, 16}) EXPECT_NEAR(Channel(log.clears.back().colour, shift), 127.5, 1.0);
  ASSERT_EQ(log.draws.size(), 1u);
  const dx::DrawState& state = log.draws.back().state;
  for (int shift : {0, 8, 16})
    EXPECT_NEAR(Channel(state.lightStates[D3DLIGHTSTATE_AMBIENT], shift), 0.125 * 255, 1.0);
  ASSERT_EQ(state.lights.size(), 1u);
  EXPECT_EQ(state.lights[0].dltType, D3DLIGHT_DIRECTIONAL);
  EXPECT_EQ(state.lights[0].dvDirection.z, -1.0f);
  ExpectSameMatrix(state.world, WorldFor(0, 0, 0));
  EXPECT_EQ(log.beginScenes, 1);
  EXPECT_EQ(log.endScenes, 1);
  EXPECT_EQ(log.presents, 1);

  // The torus drawn is the one with lobe amplitude 0.2 x 0.5 and lobe phase 0.
  VertexBufferMesh expected;
  expected.MakeTorus(0.6f, 0.245f, 101, 77, 3.0f, 0.1f, 0.0f, 2.0f, 0.3f, 1.0f, 0.2f, 0.0f);
  VertexBufferMesh unanimated;
  unanimated.MakeTorus(0.6f, 0.245f, 101, 77, 3.0f, 0.5f, 0.0f, 2.0f, 0.3f, 1.0f, 0.2f, 0.0f);
  const dx::testing::DrawRecord& draw = log.draws.back();
  ASSERT_EQ(draw.vertexCount, 101u * 77u);
  ASSERT_EQ(draw.stride, 24u);
  int differsFromUnanimated = 0;
  for (uint32_t i = 0; i < draw.vertexCount; ++i) {
    Vec3 position;
    std::memcpy(&position, draw.vertices.data() + i * 24, sizeof position);
    ASSERT_EQ(position.x, expected.m_Positions[i].x) << i;
    ASSERT_EQ(position.y, expected.m_Positions[i].y) << i;
    ASSERT_EQ(position.z, expected.m_Positions[i].z) << i;
    if (position.x != unanimated.m_Positions[i].x) ++differsFromUnanimated;
  }
  EXPECT_GT(differsFromUnanimated, 0);
  // No time passed, so nothing turned.
  EXPECT_EQ(m_Dlg->m_AngleX, 0.0f);
}

TEST_F(FrameTest, RotationAdvancesAfterDrawingWithThisFramesLength) {
  MakeWindow();
  m_Dlg->m_SpinY = -0.02f;  // a negative rate turns the other way

  m_Ticks += 500;
  m_Dlg->StepFrame();
  const float d1 = 0.5f * 19.0f;
  // The first frame shows the start angles; the turn happens after it is drawn.
  ExpectSameMatrix(m_Device->Log().draws.at(0).state.world, WorldFor(0, 0, 0));
  EXPECT_FLOAT_EQ(m_Dlg->m_AngleX, d1 * 0.015f);
  EXPECT_FLOAT_EQ(m_Dlg->m_AngleY, d1 * -0.02f);
  EXPECT_FLOAT_EQ(m_Dlg->m_AngleZ, d1 * 0.013f);
  const float x1 = m_Dlg->m_AngleX, y1 = m_Dlg->m_AngleY, z1 = m_Dlg->m_AngleZ;

  m_Dlg->m_SpinZ = 0.0f;  // stops that rotation where it is
  m_Ticks += 300;
  m_Dlg->StepFrame();
  const float d2 = 0.3f * 19.0f;
  ExpectSameMatrix(m_Device->Log().draws.at(1).state.world, WorldFor(x1, y1, z1));
  EXPECT_NEAR(m_Dlg->m_AngleX, x1 + d2 * 0.015f, 1e-5f);
  EXPECT_NEAR(m_Dlg->m_AngleY, y1 + d2 * -0.02f, 1e-5f);
  EXPECT_EQ(m_Dlg->m_AngleZ, z1);

  // A frame on the same tick count draws the same angles again and turns nothing.
  m_Dlg->StepFrame();
  ExpectSameMatrix(m_Device->Log().draws.at(2).state.world,
                   WorldFor(m_Dlg->m_AngleX, m_Dlg->m_AngleY, m_Dlg->m_AngleZ));
  EXPECT_NEAR(m_Dlg->m_AngleX, x1 + d2 * 0.015f, 1e-5f);
}

TEST_F(FrameTest, FieldOfViewAndCameraDistanceReachTheDevice) {
  MakeWindow();
  m_Dlg->StepFrame();
  const dx::DrawState first = m_Device->Log().draws.back().state;
  m_Dlg->m_FieldOfView = 90.0f;
  m_Dlg->m_CameraZ = -5.0f;
  m_Dlg->StepFrame();
  const dx::DrawState& second = m_Device->Log().draws.back().state;
  // A wider angle shrinks the picture: the x scale of the projection falls by
  // tan(45/2) / tan(90/2).
  EXPECT_NEAR(second.projection._11 / first.projection._11,
              std::tan(0.3926991) / std::tan(0.7853982), 1e-4);
  EXPECT_NEAR(std::fabs(second.view._43), 5.0f, 1e-6f);
  EXPECT_NEAR(std::fabs(first.view._43), 2.8f, 1e-6f);
}

TEST_F(FrameTest, WithoutARendererOnlyTheClockRuns) {
  MakeWindow(/*withRenderer=*/false);
  m_Ticks += 1000;
  EXPECT_EQ(m_Dlg->StepFrame(), 1);
  EXPECT_FLOAT_EQ(m_Dlg->m_Clock.Elapsed(), 1.0f);
  EXPECT_EQ(m_Dlg->m_AngleX, 0.0f);
  EXPECT_EQ(m_Dlg->m_Obj.m_NumVertices, 0);
  EXPECT_TRUE(m_Driver->Calls().empty());
}

TEST_F(FrameTest, DestroyingTheWindowReleasesEveryDeviceObject) {
  // Every device object holds its system; once the window is gone only the driver and
  // the installation may.
  const long holdersBefore = dx::SharedSystem().use_count();
  MakeWindow();
  m_Ticks += 100;
  m_Dlg->StepFrame();
  m_Dlg->ShowMaterialDialog();
  EXPECT_GT(dx::SharedSystem().use_count(), holdersBefore);
  DestroyWindow();
  EXPECT_EQ(dx::SharedSystem().use_count(), holdersBefore);
  EXPECT_EQ(m_Device->Log().pipelinesAlive, 0);
}

TEST_F(FrameTest, HeadlessWindowDrawsItsPictureAtTheChosenSize) {
  testsupport::UseSoftwareDevice();  // the test driver puts its predecessor back at tear-down
  MakeWindow();
  ASSERT_TRUE(SizePictureArea(*m_Dlg, 96, 72));
  simulate::PumpMessages();
  EXPECT_EQ(PictureSize().cx, 96);
  EXPECT_EQ(PictureSize().cy, 72);
  EXPECT_EQ(m_Dlg->StepFrame(), 0);

  std::vector<uint32_t> pixels;
  SIZE size{};
  ASSERT_TRUE(ReadPicture(&pixels, &size));
  ASSERT_EQ(size.cx, 96);
  ASSERT_EQ(size.cy, 72);
  // At t = 0 the background is mid-grey; the torus covers the centre and is lit.
  const uint32_t corner = pixels[0];
  for (int shift : {0, 8, 16}) EXPECT_NEAR(static_cast<int>((corner >> shift) & 0xFF), 127, 1);
  EXPECT_GT(TorusPixels(pixels), 96 * 72 / 10);
}

}  // namespace
