// One frame's operations on a device: the clear colour, the scene bracket with its texture
// filters, transforms in the device's numbering, and the material upload.
#include "RendererFixture.h"

namespace {

class FrameTest : public RendererTest {
 protected:
  void SetUp() override { ASSERT_EQ(CreateOnHardware(), 0); }
};

TEST_F(FrameTest, ClearTruncatesTheBackgroundColour) {
  driver.Clear();
  r.m_Background = Vec3{0.5f, 0.3f, 0.7f};
  EXPECT_EQ(r.Clear(), 0);
  // alpha 255, red 127.5 → 127, green 76.5 → 76, blue 178.5 → 178
  const D3DCOLOR colour = 0xFF000000u | (127u << 16) | (76u << 8) | 178u;
  EXPECT_EQ(Trace(), std::vector<std::string>{"IDirect3DViewport3::Clear2(1, [{0,0,64,48}], 3, " +
                                              Text(colour) + ", 1, 0)"});

  driver.Fail("IDirect3DViewport3::Clear2", DDERR_SURFACELOST, true);
  EXPECT_EQ(r.Clear(), 2);
}

TEST_F(FrameTest, BeginFrameSendsLightsThenOpensTheSceneAndSetsFilters) {
  ambient.m_Type = kLightAmbient;
  r.AddLight(&ambient);
  driver.Clear();
  EXPECT_EQ(r.BeginFrame(), 0);
  const std::vector<std::string> expected = {
      "IDirect3DDevice3::SetLightState(2, " + Text(0x00FFFFFFu) + ")",
      "IDirect3DDevice3::BeginScene()",
      "IDirect3DDevice3::SetTextureStageState(0, 16, 5)",
      "IDirect3DDevice3::SetTextureStageState(0, 17, 5)",
      "IDirect3DDevice3::SetTextureStageState(0, 18, 2)",
      "IDirect3DDevice3::SetTextureStageState(1, 16, 5)",
      "IDirect3DDevice3::SetTextureStageState(1, 17, 5)",
      "IDirect3DDevice3::SetTextureStageState(1, 18, 2)",
  };
  EXPECT_EQ(Trace(), expected);
  EXPECT_EQ(r.EndFrame(), 0);

  driver.Clear();
  ambient.MarkChanged();
  driver.Fail("IDirect3DDevice3::BeginScene", D3DERR_SCENE_IN_SCENE, true);
  EXPECT_EQ(r.BeginFrame(), 2);
  EXPECT_TRUE(driver.CallsNamed("IDirect3DDevice3::SetTextureStageState").empty());
  EXPECT_EQ(driver.CallsNamed("IDirect3DDevice3::SetLightState").size(), 1u);

  driver.Fail("IDirect3DDevice3::EndScene", D3DERR_SCENE_NOT_IN_SCENE, true);
  EXPECT_EQ(r.EndFrame(), 2);
}

TEST_F(FrameTest, TransformsReachTheDeviceUnderItsNumbers) {
  Matrix4 m;
  for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = static_cast<float>(i + 1);
  driver.Clear();
  EXPECT_EQ(r.SetTransform(TransformKind::World, &m), 0);
  EXPECT_EQ(r.SetTransform(TransformKind::Projection, &m), 0);
  EXPECT_EQ(r.SetTransform(TransformKind::View, &m), 0);
  const std::vector<std::string> expected = {
      "IDirect3DDevice3::SetTransform(1, {1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16})",
      "IDirect3DDevice3::SetTransform(3, {-1,2,3,4,5,6,7,8,9,10,-11,-12,13,14,15,16})",
      "IDirect3DDevice3::SetTransform(2, {-1,2,3,4,5,6,7,8,9,10,-11,12,13,14,-15,16})",
  };
  EXPECT_EQ(Trace(), expected);

  // A refusing device does not change SetTransform's answer, only SendTransform's.
  driver.Fail("IDirect3DDevice3::SetTransform", DDERR_INVALIDPARAMS);
  EXPECT_EQ(r.SetTransform(TransformKind::World, &m), 0);
  EXPECT_EQ(r.SendTransform(TransformKind::View), 2);
  EXPECT_EQ(r.SendTransform(static_cast<TransformKind>(7)), 1);
}

TEST_F(FrameTest, MaterialIsSentInFullEveryFrame) {
  material.m_Diffuse.Set(0.25f, 0.5f, 0.75f, 1.0f);
  material.m_SpecularPower = 8.0f;
  const std::string desc = "{80,{0.25,0.5,0.75,1},{1,1,1,0},{0.5,0.4,0.1,0},{0,0,0,0},8}";
  driver.Clear();
  EXPECT_EQ(r.SetMaterial(&material), 0);
  auto trace = Trace();
  ASSERT_EQ(trace.size(), 5u);
  EXPECT_EQ(trace[0], "IDirect3D3::CreateMaterial(null)");
  EXPECT_EQ(trace[1], "IDirect3DMaterial3::SetMaterial(" + desc + ")");
  EXPECT_EQ(trace[2], "IDirect3DMaterial3::SetMaterial(" + desc + ")");
  EXPECT_EQ(trace[3], "IDirect3DMaterial3::GetHandle(device)");
  EXPECT_TRUE(trace[4].starts_with("IDirect3DDevice3::SetLightState(1, ")) << trace[4];
  EXPECT_FALSE(material.m_Changed);
  ASSERT_NE(material.m_DeviceMaterial, nullptr);

  // Unchanged or not, the next frame converts and sends it again on the same object.
  driver.Clear();
  material.m_Ambient.Set(0.0f, 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(r.SetMaterial(&material), 0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"IDirect3DMaterial3::SetMaterial",
                                               "IDirect3DMaterial3::GetHandle",
                                               "IDirect3DDevice3::SetLightState"}));
  EXPECT_EQ(Trace("IDirect3DMaterial3::SetMaterial")[0],
            "IDirect3DMaterial3::SetMaterial({80,{0.25,0.5,0.75,1},{0,0,0,0},{0.5,0.4,0.1,0},"
            "{0,0,0,0},8})");

  driver.Fail("IDirect3DMaterial3::GetHandle", DDERR_INVALIDOBJECT, true);
  EXPECT_EQ(r.SetMaterial(&material), 3);
  driver.Fail("IDirect3DDevice3::SetLightState", DDERR_INVALIDPARAMS, true);
  EXPECT_EQ(r.SetMaterial(&material), 4);
  EXPECT_EQ(r.SetMaterial(nullptr), 1);
  r.ReleaseMaterialObject(&material);
}

TEST_F(FrameTest, MaterialWithoutADeviceObjectIsReported) {
  driver.Fail("IDirect3D3::CreateMaterial", DDERR_OUTOFMEMORY);
  EXPECT_EQ(r.SetMaterial(&material), 2);
  EXPECT_EQ(r.UpdateMaterial(&material), 2);
  EXPECT_EQ(material.m_DeviceMaterial, nullptr);
  EXPECT_TRUE(material.m_Changed);
  driver.Succeed();

  // A material object that cannot take its description is not kept (nor leaked).
  driver.Fail("IDirect3DMaterial3::SetMaterial", DDERR_INVALIDPARAMS, true);
  driver.Clear();
  EXPECT_EQ(r.CreateMaterialObject(&material), 5);
  EXPECT_EQ(material.m_DeviceMaterial, nullptr);
  EXPECT_EQ(Names(), (std::vector<std::string>{"IDirect3D3::CreateMaterial",
                                               "IDirect3DMaterial3::SetMaterial",
                                               "IDirect3DMaterial3::Release"}));
}

TEST_F(FrameTest, MaterialListMirrorsTheLightList) {
  Material other;
  EXPECT_EQ(r.AddMaterial(&material), 0);
  EXPECT_EQ(r.AddMaterial(&other), 0);
  EXPECT_EQ(r.AddMaterial(&material), 0);
  EXPECT_EQ(r.MaterialCount(), 2);
  EXPECT_EQ(r.MaterialAt(0), &material);
  EXPECT_EQ(r.MaterialAt(1), &other);
  EXPECT_EQ(r.MaterialAt(2), nullptr);
  EXPECT_EQ(r.MaterialAt(-1), nullptr);

  r.SetMaterial(&material);
  r.SetMaterial(&other);
  driver.Clear();
  EXPECT_EQ(r.ReleaseMaterialObjects(), 0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"IDirect3DMaterial3::Release",
                                               "IDirect3DMaterial3::Release"}));
  EXPECT_EQ(material.m_DeviceMaterial, nullptr);

  Material stranger;
  EXPECT_EQ(r.RemoveMaterial(&stranger), 3);
  EXPECT_EQ(r.RemoveMaterial(nullptr), 1);
  EXPECT_EQ(r.RemoveMaterial(&material), 0);
  EXPECT_EQ(r.MaterialCount(), 1);
  EXPECT_EQ(r.MaterialAt(0), &other);
  // Listed materials must outlive the renderer, and this one does not.
  EXPECT_EQ(r.RemoveMaterial(&other), 0);
}

}  // namespace
