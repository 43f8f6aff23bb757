// Creating the device objects in their order, each step's failure code, rebuilding on a
// size change, the z-buffer format, the device fallback, presenting and the destructor.
#include <algorithm>

#include "RendererFixture.h"

namespace {

class CreateTest : public RendererTest {};

TEST_F(CreateTest, CreateMakesEveryObjectInOrder) {
  ASSERT_EQ(CreateOnHardware(), 0);
  const std::vector<std::string> expected = {
      "DirectDrawCreate(null, null)",
      "IDirectDraw::QueryInterface(IID_IDirectDraw4)",
      "IDirectDraw4::SetCooperativeLevel(window, 8)",
      "IDirectDraw4::CreateSurface({124,1,0,0,512,0,0}, null)",
      "IDirectDraw4::CreateSurface({124,7,64,48,8256,0,0}, null)",
      "IDirectDraw4::CreateClipper(0, null)",
      "IDirectDrawClipper::SetHWnd(0, window)",
      "IDirectDrawSurface4::SetClipper(clipper)",
      "IDirectDrawClipper::Release(clipper)",
      "IDirectDraw4::QueryInterface(IID_IDirect3D3)",
      "IDirect3D3::EnumDevices()",
      "IDirect3D3::EnumZBufferFormats(IID_IDirect3DHALDevice)",
      // 0x1007; z-buffer in video memory for the hardware device; 16 of 16 and 24 offered.
      "IDirectDraw4::CreateSurface({124,4103,64,48,147456,1024,16}, null)",
      "IDirectDrawSurface4::AddAttachedSurface(zbuffer)",
      "IDirectDraw4::GetDisplayMode({124,0,0,0,0,0,0})",
      "IDirect3D3::CreateDevice(IID_IDirect3DHALDevice, rendertarget, null)",
      "IDirect3D3::CreateViewport(null)",
      "IDirect3DDevice3::AddViewport(viewport)",
      "IDirect3DViewport3::SetViewport2({44,0,0,64,48,-1,1,2,2,0,1})",
      "IDirect3DDevice3::SetCurrentViewport(viewport)",
      "IDirect3DDevice3::SetTransform(1, {1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1})",
      "IDirect3DDevice3::SetTransform(3, {-1,0,0,0,0,1,0,0,0,0,-1,-0,0,0,0,1})",
      "IDirect3DDevice3::SetTransform(2, {-1,0,0,0,0,1,0,0,0,0,-1,0,0,0,-0,1})",
  };
  EXPECT_EQ(Trace(), expected);
  EXPECT_TRUE(user.boxes.empty());
  EXPECT_NE(r.m_Device, nullptr);
  EXPECT_NE(r.m_Viewport, nullptr);
  const RECT screen{100, 200, 100 + kWidth, 200 + kHeight};
  EXPECT_EQ(std::memcmp(&r.m_ScreenRect, &screen, sizeof screen), 0);
  const RECT client{0, 0, kWidth, kHeight};
  EXPECT_EQ(std::memcmp(&r.m_ClientRect, &client, sizeof client), 0);
}

struct FailingStep {
  const char* call;
  int nth;  // which matching call fails
  int code;
  const char* lastCall;  // nothing after this one may be called
};

TEST_F(CreateTest, EachFailingStepStopsCreateWithItsCode) {
  const FailingStep steps[] = {
      {"DirectDrawCreate", 1, 2, "DirectDrawCreate"},
      {"IDirectDraw::QueryInterface", 1, 2, "IDirectDraw::QueryInterface"},
      {"IDirectDraw4::SetCooperativeLevel", 1, 3, "IDirectDraw4::SetCooperativeLevel"},
      {"IDirectDraw4::CreateSurface", 1, 4, "IDirectDraw4::CreateSurface"},
      {"IDirectDraw4::CreateSurface", 2, 4, "IDirectDraw4::CreateSurface"},
      {"IDirectDraw4::CreateClipper", 1, 4, "IDirectDraw4::CreateClipper"},
      {"IDirectDraw4::QueryInterface", 1, 5, "IDirectDraw4::QueryInterface"},
      // The device choice itself cannot fail once Direct3D exists; its code 6 is covered
      // by ChooseDevice without Direct3D in the no-device tests.
      {"IDirect3D3::EnumZBufferFormats", 1, 7, "IDirect3D3::EnumZBufferFormats"},
      {"IDirectDraw4::CreateSurface", 3, 7, "IDirectDraw4::CreateSurface"},
      {"IDirectDrawSurface4::AddAttachedSurface", 1, 7, "IDirectDrawSurface4::AddAttachedSurface"},
      {"IDirect3D3::CreateDevice", 1, 8, "IDirect3D3::CreateDevice"},
      {"IDirect3D3::CreateViewport", 1, 9, "IDirect3D3::CreateViewport"},
      {"IDirect3DDevice3::AddViewport", 1, 9, "IDirect3DDevice3::AddViewport"},
      {"IDirect3DViewport3::SetViewport2", 1, 9, "IDirect3DViewport3::SetViewport2"},
      {"IDirect3DDevice3::SetCurrentViewport", 1, 9, "IDirect3DDevice3::SetCurrentViewport"},
  };
  driver.AddHardwareDevice();
  for (const FailingStep& step : steps) {
    SCOPED_TRACE(std::string(step.call) + " #" + std::to_string(step.nth));
    driver.Succeed();
    driver.Fail(step.call, DDERR_GENERIC, false, step.nth);
    driver.Clear();
    {
      Renderer renderer;
      EXPECT_EQ(renderer.Create(&window), step.code);
      std::vector<std::string> names = Names();
      // Drop the reference bookkeeping; what matters is the last step that was tried.
      std::erase_if(names, [](const std::string& n) { return n.ends_with("::Release"); });
      ASSERT_FALSE(names.empty());
      EXPECT_EQ(names.back(), step.lastCall);
    }
  }
}

TEST_F(CreateTest, StepsBeyondTheDeviceChoiceReportMissingDevicesAndDisplays) {
  {
    // No device at all: nothing is chosen, so there is no z-buffer, and no box is shown.
    Renderer renderer;
    EXPECT_EQ(renderer.Create(&window), 7);
    EXPECT_FALSE(renderer.m_DeviceGuid.has_value());
    EXPECT_TRUE(user.boxes.empty());
  }
  driver.AddHardwareDevice();
  driver.SetDisplayBitsPerPixel(8);
  {
    Renderer renderer;
    EXPECT_EQ(renderer.Create(&window), 8);
    EXPECT_EQ(renderer.m_Device, nullptr);
    EXPECT_TRUE(driver.CallsNamed("IDirect3D3::CreateDevice").empty());
  }
}

TEST_F(CreateTest, ZFormatIsTheFirstDeepEnoughOrTheLastOffered) {
  struct Case {
    std::vector<DDPIXELFORMAT> offered;
    DWORD chosen;  // 0: none may be chosen
  };
  using dx::testing::ZFormat;
  const Case cases[] = {
      {{ZFormat(24), ZFormat(16)}, 24},
      {{ZFormat(8), ZFormat(32)}, 32},
      {{ZFormat(8)}, 8},
      {{ZFormat(16), ZFormat(32)}, 16},
      {{ZFormat(32, 8), ZFormat(16)}, 16},
      {{ZFormat(8), ZFormat(16, 1)}, 8},
      {{ZFormat(32, 8)}, 0},
  };
  dx::testing::TestDevice& device = driver.AddSoftwareDevice();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen);
    device.SetZBufferFormats(c.offered);
    driver.Clear();
    Renderer renderer;
    const int result = renderer.Create(&window);
    if (c.chosen == 0) {
      EXPECT_EQ(result, 7);
      EXPECT_FALSE(renderer.m_ZFormatFound);
      continue;
    }
    // The renderer asks for the chosen format whether or not the driver can make it.
    EXPECT_TRUE(result == 0 || result == 7) << result;
    EXPECT_TRUE(renderer.m_ZFormatFound);
    EXPECT_EQ(renderer.m_ZFormat.dwZBufferBitDepth, c.chosen);
    EXPECT_EQ(renderer.m_ZFormat.dwFlags, DDPF_ZBUFFER);
    // The software device gets its z-buffer in system memory (0x20000 | 0x800).
    const auto surfaces = Trace("IDirectDraw4::CreateSurface");
    ASSERT_EQ(surfaces.size(), 3u);
    EXPECT_EQ(surfaces[2], "IDirectDraw4::CreateSurface({124,4103,64,48,133120,1024," +
                               std::to_string(c.chosen) + "}, null)");
  }
}

TEST_F(CreateTest, FailedHardwareCreationFallsBackToTheSoftwareDevice) {
  driver.AddHardwareDevice().FailCreate(DDERR_GENERIC);
  driver.AddSoftwareDevice();
  ASSERT_EQ(r.Create(&window), 0);
  const auto creates = Trace("IDirect3D3::CreateDevice");
  ASSERT_EQ(creates.size(), 2u);
  EXPECT_NE(creates[0].find("IID_IDirect3DHALDevice"), std::string::npos);
  ASSERT_TRUE(r.m_HelGuid.has_value());
  ASSERT_TRUE(r.m_DeviceGuid.has_value());
  EXPECT_TRUE(IsEqualGUID(*r.m_DeviceGuid, IID_IDirect3DRGBDevice));
  EXPECT_EQ(std::memcmp(&r.m_DeviceDesc, &r.m_HelDesc, sizeof r.m_DeviceDesc), 0);
  EXPECT_EQ(r.m_DeviceDesc.dcmColorModel, D3DCOLOR_RGB);
  EXPECT_NE(r.m_Device, nullptr);

  // Neither device can be made: CreateDevice reports 1.
  r.ReleaseViewport();
  r.ReleaseDevice();
  driver.Fail("IDirect3D3::CreateDevice", DDERR_GENERIC);
  EXPECT_EQ(r.CreateDevice(), 1);
  EXPECT_EQ(r.m_Device, nullptr);
}

TEST_F(CreateTest, ViewportErrorsAreNamedAndReturnedAsTheyCame) {
  ASSERT_EQ(CreateOnHardware(), 0);
  const std::pair<HRESULT, const char*> named[] = {
      {static_cast<HRESULT>(0x80070057u), "DDERR_INVALIDPARAMS"},
      {static_cast<HRESULT>(0x88760082u), "DDERR_INVALIDOBJECT"},
      {static_cast<HRESULT>(0x88760306u), "D3DERR_VIEWPORTHASNODEVICE"},
  };
  for (auto [code, text] : named) {
    r.ReleaseViewport();
    std::strcpy(r.m_MessageText, "before");
    driver.Fail("IDirect3DViewport3::SetViewport2", code, true);
    EXPECT_EQ(r.CreateViewport(), code);
    EXPECT_STREQ(r.m_MessageText, text);
  }
  r.ReleaseViewport();
  std::strcpy(r.m_MessageText, "before");
  driver.Fail("IDirect3DViewport3::SetViewport2", DDERR_GENERIC, true);
  EXPECT_EQ(r.CreateViewport(), DDERR_GENERIC);
  EXPECT_STREQ(r.m_MessageText, "before");

  r.ReleaseViewport();
  driver.Fail("IDirect3D3::CreateViewport", DDERR_OUTOFMEMORY, true);
  EXPECT_EQ(r.CreateViewport(), DDERR_OUTOFMEMORY);
  EXPECT_EQ(r.m_Viewport, nullptr);
  EXPECT_EQ(r.CreateViewport(), 0);
}

class RebuildTest : public RendererTest {};

TEST_F(RebuildTest, OnePixelChangeRebuildsTheFourSizeDependentObjects) {
  ASSERT_EQ(CreateOnHardware(), 0);
  r.AddLight(&sun);
  r.UpdateLights();
  driver.Clear();

  window.Resize(kWidth + 1, kHeight);
  EXPECT_EQ(r.WindowSized(), 0);
  const std::vector<std::string> expected = {
      "IDirect3DViewport3::DeleteLight(light)",
      "IDirect3DLight::Release(light)",
      "IDirect3DViewport3::Release(viewport)",
      "IDirect3DDevice3::Release(device)",
      "IDirectDrawSurface4::Release(zbuffer)",
      "IDirectDrawSurface4::Release(rendertarget)",
      "IDirectDraw4::CreateSurface({124,7,65,48,8256,0,0}, null)",
      "IDirect3D3::EnumZBufferFormats(IID_IDirect3DHALDevice)",
      "IDirectDraw4::CreateSurface({124,4103,65,48,147456,1024,16}, null)",
      "IDirectDrawSurface4::AddAttachedSurface(zbuffer)",
      "IDirectDraw4::GetDisplayMode({124,0,0,0,0,0,0})",
      "IDirect3D3::CreateDevice(IID_IDirect3DHALDevice, rendertarget, null)",
      "IDirect3D3::CreateViewport(null)",
      "IDirect3DDevice3::AddViewport(viewport)",
      "IDirect3DViewport3::SetViewport2({44,0,0,65,48,-1,1,2,2,0,1})",
      "IDirect3DDevice3::SetCurrentViewport(viewport)",
  };
  EXPECT_EQ(Trace(), expected);
  EXPECT_EQ(sun.m_DeviceLight, nullptr);
  EXPECT_EQ(sun.m_Changed, 1u);

  // The same size again, or a move, re-creates nothing.
  driver.Clear();
  EXPECT_EQ(r.WindowSized(), 0);
  window.Move(POINT{300, 10});
  EXPECT_EQ(r.WindowMoved(), 0);
  EXPECT_TRUE(driver.Calls().empty());
  // The move only changes where the next frame lands.
  EXPECT_EQ(r.Present(), 0);
  EXPECT_EQ(Trace("IDirectDrawSurface4::Blt"),
            std::vector<std::string>{
                "IDirectDrawSurface4::Blt({300,10,365,58}, rendertarget, {0,0,65,48}, 0)"});
}

TEST_F(RebuildTest, ZeroSizedPictureStopsAtTheBackBufferUntilTheNextSize) {
  ASSERT_EQ(CreateOnHardware(), 0);
  window.Resize(0, kHeight);
  r.WindowSized();
  EXPECT_EQ(r.m_BackBuffer, nullptr);
  EXPECT_EQ(r.m_Device, nullptr);
  EXPECT_EQ(r.Present(), 1);
  EXPECT_EQ(r.Clear(), 1);
  EXPECT_EQ(r.Rebuild(), 2);

  window.Resize(kWidth, kHeight);
  r.WindowSized();
  EXPECT_NE(r.m_Device, nullptr);
  EXPECT_EQ(r.Present(), 0);
  // The device choice stays: enumeration ran once, at Create.
  EXPECT_EQ(driver.CallsNamed("IDirect3D3::EnumDevices").size(), 1u);
}

TEST_F(RebuildTest, PresentCopiesTheBackBufferOntoTheWindow) {
  ASSERT_EQ(CreateOnHardware(), 0);
  r.m_Background = Vec3{1.0f, 0.0f, 0.0f};
  ASSERT_EQ(r.Clear(), 0);
  driver.Clear();
  EXPECT_EQ(r.Present(), 0);
  EXPECT_EQ(Trace(), std::vector<std::string>{"IDirectDrawSurface4::Blt({100,200,164,248}, "
                                              "rendertarget, {0,0,64,48}, 0)"});
  EXPECT_EQ(window.PresentCount(), 1);
  EXPECT_EQ(window.PixelAt(5, 5) & 0xFFFFFFu, 0xFF0000u);

  driver.Fail("IDirectDrawSurface4::Blt", DDERR_SURFACEBUSY, true);
  EXPECT_EQ(r.Present(), 2);
}

TEST_F(RebuildTest, DestructorReleasesEverythingNewestFirst) {
  driver.AddHardwareDevice();
  {
    Renderer renderer;
    ASSERT_EQ(renderer.Create(&window), 0);
    renderer.AddLight(&sun);
    renderer.AddMaterial(&material);
    renderer.UpdateLights();
    renderer.SetMaterial(&material);
    driver.Clear();
  }
  const std::vector<std::string> expected = {
      "IDirect3DMaterial3::Release(material)",
      "IDirect3DViewport3::DeleteLight(light)",
      "IDirect3DLight::Release(light)",
      "IDirect3DViewport3::Release(viewport)",
      "IDirect3DDevice3::Release(device)",
      "IDirectDrawSurface4::Release(zbuffer)",
      "IDirectDrawSurface4::Release(rendertarget)",
      "IDirectDrawSurface4::Release(primary)",
      "IDirect3D3::Release(directdraw)",
      "IDirectDraw4::Release(directdraw)",
      "IDirectDraw::Release(directdraw)",
  };
  EXPECT_EQ(Trace(), expected);
  EXPECT_EQ(sun.m_DeviceLight, nullptr);
  EXPECT_EQ(material.m_DeviceMaterial, nullptr);

  // A renderer whose Create failed half-way releases only what it made.
  driver.Fail("IDirectDraw4::QueryInterface", DDERR_GENERIC);
  driver.Clear();
  {
    Renderer renderer;
    EXPECT_EQ(renderer.Create(&window), 5);
    driver.Clear();
  }
  EXPECT_EQ(Trace(), (std::vector<std::string>{
                         "IDirectDrawSurface4::Release(rendertarget)",
                         "IDirectDrawSurface4::Release(primary)",
                         "IDirectDraw4::Release(directdraw)",
                         "IDirectDraw::Release(directdraw)",
                     }));
}

}  // namespace
