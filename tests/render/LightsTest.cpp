// Lights on a device: the ambient colour, light objects made once per device and sent
// only when changed, and their release with the viewport.
#include "RendererFixture.h"

namespace {

class LightsTest : public RendererTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(CreateOnHardware(), 0);
    ambient.m_Type = kLightAmbient;
    sun.m_Type = kLightDirectional;
    sun.m_Direction.Set(0.0f, 0.0f, -1.0f);
    r.AddLight(&ambient);
    r.AddLight(&sun);
    driver.Clear();
  }
};

TEST_F(LightsTest, AmbientColourIsRoundedAndClampedWithAlphaZero) {
  struct Case {
    Vec4 colour;
    D3DCOLOR expected;
  };
  const Case cases[] = {
      {{0.1f, 0.5f, 1.2f, 1.0f}, (26u << 16) | (128u << 8) | 255u},
      {{0.125f, 0.125f, 0.125f, 0.0f}, (32u << 16) | (32u << 8) | 32u},
      {{-0.5f, 0.0f, 0.002f, 0.0f}, (0u << 16) | (0u << 8) | 1u},
  };
  for (const Case& c : cases) {
    ambient.m_Color = c.colour;
    ambient.MarkChanged();
    driver.Clear();
    EXPECT_EQ(r.UpdateAmbient(&ambient), 0);
    EXPECT_EQ(Trace(), std::vector<std::string>{"IDirect3DDevice3::SetLightState(2, " +
                                                Text(c.expected) + ")"});
    EXPECT_EQ(ambient.m_Changed, 0u);
  }
  // Unchanged: not sent again.
  driver.Clear();
  EXPECT_EQ(r.UpdateAmbient(&ambient), 0);
  EXPECT_TRUE(driver.Calls().empty());
  EXPECT_EQ(r.UpdateAmbient(&sun), 2);

  ambient.MarkChanged();
  driver.Fail("IDirect3DDevice3::SetLightState", DDERR_GENERIC, true);
  EXPECT_EQ(r.UpdateAmbient(&ambient), 3);
  EXPECT_EQ(ambient.m_Changed, 1u);
}

TEST_F(LightsTest, LightObjectIsMadeOnceAndSentOnlyWhenChanged) {
  EXPECT_EQ(r.UpdateLights(), 0);
  const std::vector<std::string> first = {
      "IDirect3DDevice3::SetLightState(2, " + Text(0x00FFFFFFu) + ")",
      "IDirect3D3::CreateLight(null)",
      "IDirect3DLight::SetLight({80,3,{1,1,1,1},{1,1,1},{0,0,-1},1})",
      "IDirect3DViewport3::AddLight(light)",
  };
  EXPECT_EQ(Trace(), first);
  EXPECT_EQ(sun.m_Changed, 0u);
  ASSERT_NE(sun.m_DeviceLight, nullptr);

  // Nothing marked: no device call, whatever the fields now hold.
  driver.Clear();
  sun.m_Color.Set(0.0f, 1.0f, 0.0f, 1.0f);
  EXPECT_EQ(r.UpdateLights(), 0);
  EXPECT_TRUE(driver.Calls().empty());

  // Marked: one SetLight on the existing object.
  sun.MarkChanged();
  ambient.MarkChanged();
  EXPECT_EQ(r.UpdateLights(), 0);
  EXPECT_EQ(Names(), (std::vector<std::string>{"IDirect3DDevice3::SetLightState",
                                               "IDirect3DLight::SetLight"}));
  EXPECT_EQ(Trace("IDirect3DLight::SetLight")[0],
            "IDirect3DLight::SetLight({80,3,{0,1,0,1},{1,1,1},{0,0,-1},1})");
}

TEST_F(LightsTest, FailuresLeaveTheLightChangedAndAreSummed) {
  driver.Fail("IDirect3D3::CreateLight", DDERR_OUTOFMEMORY, true);
  EXPECT_EQ(r.UpdateLight(&sun), 2);
  EXPECT_EQ(sun.m_DeviceLight, nullptr);
  EXPECT_EQ(sun.m_Changed, 1u);

  EXPECT_EQ(r.UpdateLight(&sun), 0);
  sun.MarkChanged();
  driver.Fail("IDirect3DLight::SetLight", DDERR_GENERIC, true);
  EXPECT_EQ(r.UpdateLight(&sun), 3);
  EXPECT_EQ(sun.m_Changed, 1u);

  // Both lights fail once: the sum of their codes.
  ambient.MarkChanged();
  driver.Fail("IDirect3DDevice3::SetLightState", DDERR_GENERIC, true);
  driver.Fail("IDirect3DLight::SetLight", DDERR_GENERIC, true);
  EXPECT_EQ(r.UpdateLights(), 3 + 3);
}

TEST_F(LightsTest, ALightWhoseAttachFailedIsAttachedOnItsNextUpdate) {
  driver.Fail("IDirect3DViewport3::AddLight", DDERR_GENERIC, true);
  EXPECT_EQ(r.UpdateLight(&sun), 2);
  ASSERT_NE(sun.m_DeviceLight, nullptr) << "the object stays stored";
  EXPECT_EQ(sun.m_Changed, 1u);

  driver.Clear();
  EXPECT_EQ(r.UpdateLight(&sun), 0);
  EXPECT_EQ(Names(),
            (std::vector<std::string>{"IDirect3DViewport3::AddLight", "IDirect3DLight::SetLight"}));
  // Attached now: later updates send the description only.
  driver.Clear();
  sun.MarkChanged();
  EXPECT_EQ(r.UpdateLight(&sun), 0);
  EXPECT_EQ(Names(), std::vector<std::string>{"IDirect3DLight::SetLight"});

  // A failing attach again is reported and keeps the light changed.
  r.ReleaseLightObject(&sun);
  driver.Fail("IDirect3DViewport3::AddLight", DDERR_GENERIC, false);
  EXPECT_EQ(r.UpdateLight(&sun), 2);
  EXPECT_EQ(r.UpdateLight(&sun), 2);
  EXPECT_EQ(sun.m_Changed, 1u);
}

TEST_F(LightsTest, LightsAreRemadeOnTheNextDeviceWithoutBeingMarked) {
  r.UpdateLights();
  window.Resize(kWidth, kHeight + 1);
  r.WindowSized();
  EXPECT_EQ(sun.m_DeviceLight, nullptr);

  driver.Clear();
  EXPECT_EQ(r.BeginFrame(), 0);
  const auto names = Names();
  const std::vector<std::string> head(names.begin(), names.begin() + 5);
  EXPECT_EQ(head,
            (std::vector<std::string>{"IDirect3DDevice3::SetLightState", "IDirect3D3::CreateLight",
                                      "IDirect3DLight::SetLight", "IDirect3DViewport3::AddLight",
                                      "IDirect3DDevice3::BeginScene"}));
}

TEST_F(LightsTest, RemovingALightDetachesAndReleasesItsObject) {
  r.UpdateLights();
  driver.Clear();
  EXPECT_EQ(r.RemoveLight(&sun), 0);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"IDirect3DViewport3::DeleteLight(light)",
                                               "IDirect3DLight::Release(light)"}));
  EXPECT_EQ(sun.m_DeviceLight, nullptr);
  EXPECT_EQ(r.LightCount(), 1);
  EXPECT_EQ(r.LightAt(0), &ambient);
  // Not listed any more; releasing again touches no device object.
  driver.Clear();
  EXPECT_EQ(r.RemoveLight(&sun), 3);
  EXPECT_TRUE(driver.Calls().empty());
}

TEST_F(LightsTest, LightObjectsNeedAViewport) {
  r.ReleaseViewport();
  driver.Clear();
  EXPECT_EQ(r.CreateLightObject(&sun), 1);
  EXPECT_EQ(r.UpdateLight(&sun), 2);
  EXPECT_EQ(r.CreateLightObject(&ambient), 1);
  EXPECT_TRUE(driver.Calls().empty());
}

}  // namespace
