// The whole sequence the renderer makes, with its flags and structure values: creation,
// one frame, a rebuild after a resize, and another frame. Every call must be accepted and
// the frame must reach the window.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Rig.h"

namespace dxtest {
namespace {

struct ZChoice {
  DDPIXELFORMAT format{};
};

HRESULT KeepHardware(GUID* guid, LPSTR, LPSTR, D3DDEVICEDESC* hal, D3DDEVICEDESC*, LPVOID ctx) {
  if (hal->dcmColorModel != 0) *static_cast<GUID*>(ctx) = *guid;
  return D3DENUMRET_OK;
}

HRESULT KeepFirstZ(DDPIXELFORMAT* format, LPVOID ctx) {
  auto* choice = static_cast<ZChoice*>(ctx);
  if (choice->format.dwZBufferBitDepth == 0 && format->dwFlags == DDPF_ZBUFFER) {
    choice->format = *format;
  }
  return D3DENUMRET_OK;
}

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override { driver.AddHardwareDevice(); }

  // CreateBackBuffer, CreateZBuffer, CreateDevice and CreateViewport of the renderer.
  void Build(int width, int height) {
    DDSURFACEDESC2 desc = SurfaceDesc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, 0x2040, width, height);
    ASSERT_EQ(dd4->CreateSurface(&desc, back.Out(), nullptr), DD_OK);

    ZChoice z;
    ASSERT_EQ(d3d->EnumZBufferFormats(deviceGuid, KeepFirstZ, &z), D3D_OK);
    desc = SurfaceDesc(0x1007, DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY, width, height);
    desc.ddpfPixelFormat = z.format;
    ASSERT_EQ(dd4->CreateSurface(&desc, zbuffer.Out(), nullptr), DD_OK);
    ASSERT_EQ(back->AddAttachedSurface(zbuffer.Get()), DD_OK);

    DDSURFACEDESC2 mode{};
    mode.dwSize = 124;
    ASSERT_EQ(dd4->GetDisplayMode(&mode), DD_OK);
    ASSERT_GT(mode.ddpfPixelFormat.dwRGBBitCount, 8u);
    ASSERT_EQ(d3d->CreateDevice(deviceGuid, back.Get(), device.Out(), nullptr), D3D_OK);

    D3DVIEWPORT2 v{
        44,   0,    0,   static_cast<DWORD>(width), static_cast<DWORD>(height), -1.0f, 1.0f, 2.0f,
        2.0f, 0.0f, 1.0f};
    ASSERT_EQ(d3d->CreateViewport(viewport.Out(), nullptr), D3D_OK);
    ASSERT_EQ(device->AddViewport(viewport.Get()), D3D_OK);
    ASSERT_EQ(viewport->SetViewport2(&v), D3D_OK);
    ASSERT_EQ(device->SetCurrentViewport(viewport.Get()), D3D_OK);
  }

  // ReleaseViewport (lights first), ReleaseDevice, ReleaseZBuffer (not detached),
  // ReleaseBackBuffer.
  void Teardown() {
    if (light) {
      ASSERT_EQ(viewport->DeleteLight(light.Get()), D3D_OK);
      light.Reset();
    }
    viewport.Reset();
    device.Reset();
    zbuffer.Reset();
    back.Reset();
  }

  void Frame(int width, int height, D3DCOLOR background) {
    D3DRECT all{0, 0, width, height};
    ASSERT_EQ(viewport->Clear2(1, &all, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0),
              D3D_OK);
    ASSERT_EQ(device->SetLightState(D3DLIGHTSTATE_AMBIENT, 0x00202020), D3D_OK);
    if (!light) {
      ASSERT_EQ(d3d->CreateLight(light.Out(), nullptr), D3D_OK);
      D3DLIGHT2 l{80,
                  D3DLIGHT_DIRECTIONAL,
                  {1, 1, 1, 1},
                  {1, 1, 1},
                  {0, 0, -1},
                  1e12f,
                  1.0f,
                  0.0f,
                  1.0f,
                  0.0f,
                  0.0f,
                  0.0f,
                  D3DLIGHT_ACTIVE};
      ASSERT_EQ(light->SetLight(&l), D3D_OK);
      ASSERT_EQ(viewport->AddLight(light.Get()), D3D_OK);
    }
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    for (DWORD stage : {0u, 1u}) {
      ASSERT_EQ(device->SetTextureStageState(stage, D3DTSS_MAGFILTER, 5), D3D_OK);
      ASSERT_EQ(device->SetTextureStageState(stage, D3DTSS_MINFILTER, 5), D3D_OK);
      ASSERT_EQ(device->SetTextureStageState(stage, D3DTSS_MIPFILTER, 2), D3D_OK);
    }
    D3DMATRIX identity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_WORLD, &identity), D3D_OK);
    const std::pair<D3DRENDERSTATETYPE, DWORD> states[] = {
        {D3DRENDERSTATE_CULLMODE, D3DCULL_CCW},
        {D3DRENDERSTATE_FILLMODE, D3DFILL_SOLID},
        {D3DRENDERSTATE_ZWRITEENABLE, 1},
        {D3DRENDERSTATE_ZENABLE, 1},
        {D3DRENDERSTATE_ZFUNC, D3DCMP_LESS},
        {D3DRENDERSTATE_ZBIAS, 0},
        {D3DRENDERSTATE_ALPHABLENDENABLE, 0},
        {D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE},
        {D3DRENDERSTATE_DESTBLEND, D3DBLEND_ZERO},
        {D3DRENDERSTATE_SPECULARENABLE, 1},
        {D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD}};
    for (const auto& [state, value] : states) {
      ASSERT_EQ(device->SetRenderState(state, value), D3D_OK);
    }
    if (!material) {
      ASSERT_EQ(d3d->CreateMaterial(material.Out(), nullptr), D3D_OK);
    }
    D3DMATERIAL m{
        80, {0.8f, 0.2f, 0.2f, 1}, {0.8f, 0.2f, 0.2f, 1}, {1, 1, 1, 1}, {0, 0, 0, 0}, 20.0f, 0, 0};
    ASSERT_EQ(material->SetMaterial(&m), D3D_OK);
    D3DMATERIALHANDLE handle = 0;
    ASSERT_EQ(material->GetHandle(device.Get(), &handle), D3D_OK);
    ASSERT_EQ(device->SetLightState(D3DLIGHTSTATE_MATERIAL, handle), D3D_OK);

    if (!buffer) {
      D3DVERTEXBUFFERDESC desc{16, D3DVBCAPS_WRITEONLY, D3DFVF_XYZ | D3DFVF_NORMAL, 3};
      ASSERT_EQ(d3d->CreateVertexBuffer(&desc, buffer.Out(), 0, nullptr), D3D_OK);
    }
    void* data = nullptr;
    DWORD size = 0;
    ASSERT_EQ(buffer->Lock(DDLOCK_WAIT | DDLOCK_WRITEONLY, &data, &size), D3D_OK);
    static_cast<float*>(data)[0] = 1.0f;
    ASSERT_EQ(buffer->Unlock(), D3D_OK);
    WORD indices[] = {0, 1, 2};
    ASSERT_EQ(device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, buffer.Get(), indices, 3, 0),
              D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);

    RECT client{0, 0, 0, 0};
    ASSERT_TRUE(GetClientRect(&window, &client));
    POINT topLeft{client.left, client.top}, bottomRight{client.right, client.bottom};
    ClientToScreen(&window, &topLeft);
    ClientToScreen(&window, &bottomRight);
    RECT screen{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    ASSERT_EQ(primary->Blt(&screen, back.Get(), &client, 0, nullptr), DD_OK);
  }

  dx::testing::TestDriver driver;
  OffscreenWindow window{40, 30, {300, 200}};
  GUID deviceGuid{};
  Held<IDirectDraw> dd;
  Held<IDirectDraw4> dd4;
  Held<IDirect3D3> d3d;
  Held<IDirectDrawSurface4> primary;
  Held<IDirectDrawSurface4> back;
  Held<IDirectDrawSurface4> zbuffer;
  Held<IDirect3DDevice3> device;
  Held<IDirect3DViewport3> viewport;
  Held<IDirect3DLight> light;
  Held<IDirect3DMaterial3> material;
  Held<IDirect3DVertexBuffer> buffer;
};

TEST_F(FrameTest, TheRenderersCallsAreAcceptedFromCreationThroughARebuild) {
  ASSERT_EQ(DirectDrawCreate(nullptr, dd.Out(), nullptr), DD_OK);
  ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(dd4.Out())), S_OK);
  ASSERT_EQ(dd4->SetCooperativeLevel(&window, DDSCL_NORMAL), DD_OK);
  DDSURFACEDESC2 desc = SurfaceDesc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
  ASSERT_EQ(dd4->CreateSurface(&desc, primary.Out(), nullptr), DD_OK);
  {
    Held<IDirectDrawClipper> clipper;
    ASSERT_EQ(dd4->CreateClipper(0, clipper.Out(), nullptr), DD_OK);
    ASSERT_EQ(clipper->SetHWnd(0, &window), DD_OK);
    ASSERT_EQ(primary->SetClipper(clipper.Get()), DD_OK);
  }
  ASSERT_EQ(dd4->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(d3d.Out())), S_OK);
  ASSERT_EQ(d3d->EnumDevices(KeepHardware, &deviceGuid), D3D_OK);
  ASSERT_TRUE(IsEqualGUID(deviceGuid, IID_IDirect3DHALDevice));

  Build(40, 30);
  Frame(40, 30, 0xFF7F4CB2u);
  EXPECT_EQ(window.PixelAt(0, 0), 0xFF7F4CB2u);
  EXPECT_EQ(window.PixelAt(39, 29), 0xFF7F4CB2u);

  window.Resize(41, 30);
  Teardown();
  Build(41, 30);
  Frame(41, 30, 0xFF102030u);
  EXPECT_EQ(window.PixelAt(40, 29), 0xFF102030u);

  for (const auto& call : driver.Calls()) {
    EXPECT_EQ(call.injected, S_OK) << call.name;
  }
  // The query for IDirectDraw4 is recorded by its name, as a renderer test reads it.
  const auto queries = driver.CallsNamed("IDirectDraw::QueryInterface");
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0].args, "IID_IDirectDraw4");
  const auto releases = driver.CallNames("IDirect3D");
  auto pos = [&](const std::string& name) {
    return std::find(releases.begin(), releases.end(), name) - releases.begin();
  };
  EXPECT_LT(pos("IDirect3DViewport3::DeleteLight"), pos("IDirect3DLight::Release"));
  EXPECT_LT(pos("IDirect3DLight::Release"), pos("IDirect3DViewport3::Release"));
  EXPECT_LT(pos("IDirect3DViewport3::Release"), pos("IDirect3DDevice3::Release"));

  auto& log = dynamic_cast<dx::testing::TestDevice&>(*driver.GetSystem().devices[0]).Log();
  EXPECT_EQ(log.pipelinesCreated, 2);
  EXPECT_EQ(log.pipelinesAlive, 1);
  ASSERT_EQ(log.draws.size(), 2u);
  EXPECT_EQ(log.draws[1].state.lights.size(), 1u);
  EXPECT_TRUE(log.draws[1].state.hasMaterial);
  EXPECT_EQ(log.draws[1].state.viewport.dwWidth, 41u);
  EXPECT_EQ(log.draws[1].state.textureStages[0][D3DTSS_MINFILTER], 5u);
}

}  // namespace
}  // namespace dxtest
