// The device front: scenes, states handed to the pipeline, handles, lights, vertex
// buffers and the checks that keep the pipeline from reading out of bounds.
#include <gtest/gtest.h>

#include <cstring>

#include "Rig.h"

namespace dxtest {
namespace {

constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_NORMAL;

class DeviceTest : public Rig {
 protected:
  Held<IDirect3DVertexBuffer> MakeBuffer(DWORD fvf, DWORD count) {
    D3DVERTEXBUFFERDESC desc{sizeof(D3DVERTEXBUFFERDESC), D3DVBCAPS_WRITEONLY, fvf, count};
    Held<IDirect3DVertexBuffer> buffer;
    EXPECT_EQ(d3d->CreateVertexBuffer(&desc, buffer.Out(), 0, nullptr), D3D_OK);
    return buffer;
  }
  Held<IDirect3DLight> MakeLight(DWORD flags, float red) {
    Held<IDirect3DLight> light;
    EXPECT_EQ(d3d->CreateLight(light.Out(), nullptr), D3D_OK);
    D3DLIGHT2 data{};
    data.dwSize = sizeof(D3DLIGHT2);
    data.dltType = D3DLIGHT_DIRECTIONAL;
    data.dcvColor = {red, 1, 1, 1};
    data.dvDirection = {0, 0, -1};
    data.dwFlags = flags;
    EXPECT_EQ(light->SetLight(&data), D3D_OK);
    return light;
  }
  // One triangle list drawn from a buffer with 3 vertices.
  HRESULT DrawOnce() {
    if (!triangle) triangle = MakeBuffer(kFvf, 3);
    WORD indices[] = {0, 1, 2};
    return device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, triangle.Get(), indices, 3, 0);
  }

  Held<IDirect3DVertexBuffer> triangle;
};

TEST_F(DeviceTest, ScenesDoNotNestAndDrawingNeedsOne) {
  EXPECT_EQ(device->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
  EXPECT_EQ(DrawOnce(), D3DERR_SCENE_NOT_IN_SCENE);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->BeginScene(), D3DERR_SCENE_IN_SCENE);
  EXPECT_EQ(DrawOnce(), D3D_OK);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  EXPECT_EQ(Log().beginScenes, 1);
  EXPECT_EQ(Log().endScenes, 1);
  EXPECT_EQ(Log().draws.size(), 1u);
}

TEST_F(DeviceTest, SettersReachTheDrawStateAndChangedBitsAreClearedAfterADraw) {
  ASSERT_EQ(device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CW), D3D_OK);
  EXPECT_EQ(driver.Calls().back().name, "IDirect3DDevice3::SetRenderState");
  EXPECT_EQ(driver.Calls().back().args, "22, 2");
  D3DMATRIX world{};
  world._11 = world._22 = world._33 = world._44 = 2.0f;
  ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_WORLD, &world), D3D_OK);
  ASSERT_EQ(device->SetTextureStageState(1, D3DTSS_MINFILTER, 5), D3D_OK);
  ASSERT_EQ(device->SetLightState(D3DLIGHTSTATE_AMBIENT, 0x00405060), D3D_OK);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  ASSERT_EQ(DrawOnce(), D3D_OK);

  const dx::DrawState& first = Log().draws.at(0).state;
  EXPECT_EQ(first.renderStates[D3DRENDERSTATE_CULLMODE], static_cast<DWORD>(D3DCULL_CW));
  EXPECT_EQ(first.world._11, 2.0f);
  EXPECT_EQ(first.textureStages[1][D3DTSS_MINFILTER], 5u);
  EXPECT_EQ(first.lightStates[D3DLIGHTSTATE_AMBIENT], 0x00405060u);
  EXPECT_NE(first.target, nullptr);
  EXPECT_NE(first.zbuffer, nullptr);
  EXPECT_TRUE(first.hasViewport);
  EXPECT_EQ(first.viewport.dwWidth, kWidth);
  EXPECT_NE(first.changed & dx::kRenderStatesChanged, 0u);

  // Setting a value it already has marks nothing; a new one marks only its own bit.
  ASSERT_EQ(device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CW), D3D_OK);
  ASSERT_EQ(DrawOnce(), D3D_OK);
  EXPECT_EQ(Log().draws.at(1).state.changed, 0u);
  ASSERT_EQ(device->SetTransform(D3DTRANSFORMSTATE_VIEW, &world), D3D_OK);
  ASSERT_EQ(DrawOnce(), D3D_OK);
  EXPECT_EQ(Log().draws.at(2).state.changed, static_cast<uint32_t>(dx::kViewChanged));

  D3DMATRIX back{};
  ASSERT_EQ(device->GetTransform(D3DTRANSFORMSTATE_VIEW, &back), D3D_OK);
  EXPECT_EQ(std::memcmp(&back, &world, sizeof back), 0);
  DWORD value = 0;
  ASSERT_EQ(device->GetRenderState(D3DRENDERSTATE_CULLMODE, &value), D3D_OK);
  EXPECT_EQ(value, static_cast<DWORD>(D3DCULL_CW));
}

TEST_F(DeviceTest, OutOfRangeStatesAreRefused) {
  EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(0), 1), DDERR_INVALIDPARAMS);
  EXPECT_EQ(device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(kRenderStateCount), 1),
            DDERR_INVALIDPARAMS);
  EXPECT_EQ(device->SetTextureStageState(2, D3DTSS_MAGFILTER, 1), DDERR_INVALIDPARAMS);
  EXPECT_EQ(device->SetLightState(static_cast<D3DLIGHTSTATETYPE>(kLightStateCount), 1),
            DDERR_INVALIDPARAMS);
  EXPECT_EQ(device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(4), nullptr),
            DDERR_INVALIDPARAMS);
  D3DMATRIX m{};
  EXPECT_EQ(device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(4), &m), DDERR_INVALIDPARAMS);
}

TEST_F(DeviceTest, MaterialHandlesWorkOnlyOnTheirOwnDevice) {
  Held<IDirect3DMaterial3> material;
  ASSERT_EQ(d3d->CreateMaterial(material.Out(), nullptr), D3D_OK);
  D3DMATERIAL data{};
  data.dwSize = sizeof(D3DMATERIAL);
  data.dcvDiffuse = {0.25f, 0.5f, 0.75f, 1.0f};
  data.dvPower = 12.0f;
  ASSERT_EQ(material->SetMaterial(&data), D3D_OK);
  D3DMATERIALHANDLE handle = 0, again = 0;
  ASSERT_EQ(material->GetHandle(device.Get(), &handle), D3D_OK);
  ASSERT_EQ(material->GetHandle(device.Get(), &again), D3D_OK);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(again, handle);

  // A second device on a second target gets its own handle; ours means nothing there.
  DDSURFACEDESC2 desc = TargetDesc(8, 8);
  Held<IDirectDrawSurface4> otherTarget;
  ASSERT_EQ(dd4->CreateSurface(&desc, otherTarget.Out(), nullptr), DD_OK);
  Held<IDirect3DDevice3> other;
  ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, otherTarget.Get(), other.Out(), nullptr),
            D3D_OK);
  EXPECT_EQ(other->SetLightState(D3DLIGHTSTATE_MATERIAL, handle), DDERR_INVALIDPARAMS);
  D3DMATERIALHANDLE otherHandle = 0;
  ASSERT_EQ(material->GetHandle(other.Get(), &otherHandle), D3D_OK);
  EXPECT_NE(otherHandle, handle);
  EXPECT_EQ(device->SetLightState(D3DLIGHTSTATE_MATERIAL, otherHandle), DDERR_INVALIDPARAMS);
  EXPECT_EQ(device->SetLightState(D3DLIGHTSTATE_MATERIAL, 12345), DDERR_INVALIDPARAMS);

  ASSERT_EQ(device->SetLightState(D3DLIGHTSTATE_MATERIAL, handle), D3D_OK);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  ASSERT_EQ(DrawOnce(), D3D_OK);
  const dx::DrawState& state = Log().draws.at(0).state;
  ASSERT_TRUE(state.hasMaterial);
  EXPECT_EQ(state.material.dcvDiffuse.g, 0.5f);
  EXPECT_EQ(state.material.dvPower, 12.0f);

  // A material that is gone leaves no material and its handle is refused.
  material.Reset();
  ASSERT_EQ(DrawOnce(), D3D_OK);
  EXPECT_FALSE(Log().draws.at(1).state.hasMaterial);
  EXPECT_NE(Log().draws.at(1).state.changed & dx::kMaterialChanged, 0u);
  EXPECT_EQ(device->SetLightState(D3DLIGHTSTATE_MATERIAL, handle), DDERR_INVALIDPARAMS);
}

TEST_F(DeviceTest, ActiveLightsOfTheCurrentViewportLightTheScene) {
  Held<IDirect3DLight> on = MakeLight(D3DLIGHT_ACTIVE, 0.5f);
  Held<IDirect3DLight> off = MakeLight(0, 0.25f);
  ASSERT_EQ(viewport->AddLight(off.Get()), D3D_OK);
  ASSERT_EQ(viewport->AddLight(on.Get()), D3D_OK);
  EXPECT_EQ(viewport->AddLight(on.Get()), D3DERR_LIGHTHASVIEWPORT);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  ASSERT_EQ(DrawOnce(), D3D_OK);
  ASSERT_EQ(Log().draws.at(0).state.lights.size(), 1u);
  EXPECT_EQ(Log().draws.at(0).state.lights[0].dcvColor.r, 0.5f);

  ASSERT_EQ(viewport->DeleteLight(on.Get()), D3D_OK);
  EXPECT_EQ(viewport->DeleteLight(on.Get()), D3DERR_LIGHTNOTINTHISVIEWPORT);
  ASSERT_EQ(DrawOnce(), D3D_OK);
  EXPECT_TRUE(Log().draws.at(1).state.lights.empty());
  EXPECT_NE(Log().draws.at(1).state.changed & dx::kLightsChanged, 0u);
}

TEST_F(DeviceTest, VertexBufferDataWrittenUnderLockReachesThePipeline) {
  Held<IDirect3DVertexBuffer> buffer = MakeBuffer(kFvf, 4);
  D3DVERTEXBUFFERDESC desc{sizeof(D3DVERTEXBUFFERDESC), 0, 0, 0};
  ASSERT_EQ(buffer->GetVertexBufferDesc(&desc), D3D_OK);
  EXPECT_EQ(desc.dwNumVertices, 4u);
  EXPECT_EQ(desc.dwFVF, kFvf);

  void* data = nullptr;
  DWORD size = 0;
  EXPECT_EQ(buffer->Unlock(), DDERR_NOTLOCKED);
  ASSERT_EQ(buffer->Lock(DDLOCK_WAIT | DDLOCK_WRITEONLY, &data, &size), D3D_OK);
  EXPECT_EQ(size, 4u * 24u);
  void* second = nullptr;
  EXPECT_EQ(buffer->Lock(DDLOCK_WAIT, &second, nullptr), D3DERR_VERTEXBUFFERLOCKED);
  auto* floats = static_cast<float*>(data);
  for (int i = 0; i < 24; ++i) floats[i] = static_cast<float>(i) * 0.5f;

  ASSERT_EQ(device->BeginScene(), D3D_OK);
  WORD indices[] = {0, 1, 2, 2, 1, 3};
  EXPECT_EQ(device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, buffer.Get(), indices, 6, 0),
            D3DERR_VERTEXBUFFERLOCKED);
  ASSERT_EQ(buffer->Unlock(), D3D_OK);
  ASSERT_EQ(device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, buffer.Get(), indices, 6, 0),
            D3D_OK);
  const auto& draw = Log().draws.at(0);
  EXPECT_TRUE(draw.fromBuffer);
  EXPECT_EQ(draw.stride, 24u);
  EXPECT_EQ(draw.vertexCount, 4u);
  EXPECT_EQ(draw.indices, (std::vector<WORD>{0, 1, 2, 2, 1, 3}));
  ASSERT_EQ(draw.vertices.size(), 96u);
  float written[24];
  std::memcpy(written, draw.vertices.data(), sizeof written);
  EXPECT_EQ(written[7], 3.5f);
  EXPECT_EQ(written[23], 11.5f);
}

TEST_F(DeviceTest, VertexBufferDescriptionsAreChecked) {
  auto create = [&](DWORD size, DWORD fvf, DWORD count) {
    D3DVERTEXBUFFERDESC desc{size, 0, fvf, count};
    Held<IDirect3DVertexBuffer> buffer;
    return d3d->CreateVertexBuffer(&desc, buffer.Out(), 0, nullptr);
  };
  EXPECT_EQ(create(20, kFvf, 3), DDERR_INVALIDPARAMS);
  EXPECT_EQ(create(16, D3DFVF_NORMAL, 3), D3DERR_INVALIDVERTEXFORMAT);
  EXPECT_EQ(create(16, D3DFVF_XYZRHW, 3), D3DERR_INVALIDVERTEXFORMAT);
  EXPECT_EQ(create(16, kFvf, 0), DDERR_INVALIDPARAMS);
  EXPECT_EQ(create(16, kFvf, 65536), DDERR_INVALIDPARAMS);
  EXPECT_EQ(create(16, kFvf, 65535), D3D_OK);

  Held<IDirect3DVertexBuffer> textured = MakeBuffer(kFvf | D3DFVF_TEX2, 2);
  void* data = nullptr;
  DWORD size = 0;
  ASSERT_EQ(textured->Lock(0, &data, &size), D3D_OK);
  EXPECT_EQ(size, 2u * 40u);
  ASSERT_EQ(textured->Unlock(), D3D_OK);
  Held<IDirect3DVertexBuffer> coloured =
      MakeBuffer(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX1, 1);
  ASSERT_EQ(coloured->Lock(0, &data, &size), D3D_OK);
  EXPECT_EQ(size, 28u);
}

TEST_F(DeviceTest, IndicesBeyondTheVerticesAreRefusedBeforeAnythingIsRead) {
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  Held<IDirect3DVertexBuffer> buffer = MakeBuffer(kFvf, 3);
  WORD bad[] = {0, 1, 3};
  EXPECT_EQ(device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, buffer.Get(), bad, 3, 0),
            DDERR_INVALIDPARAMS);
  EXPECT_EQ(device->DrawIndexedPrimitiveVB(D3DPT_TRIANGLELIST, buffer.Get(), nullptr, 3, 0),
            DDERR_INVALIDPARAMS);
  float vertices[3 * 6] = {};
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, kFvf, vertices, 3, bad, 3, 0),
            DDERR_INVALIDPARAMS);
  EXPECT_EQ(
      device->DrawIndexedPrimitiveVB(static_cast<D3DPRIMITIVETYPE>(7), buffer.Get(), bad, 3, 0),
      D3DERR_INVALIDPRIMITIVETYPE);
  EXPECT_TRUE(Log().draws.empty());

  WORD good[] = {2, 1, 0};
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, kFvf, vertices, 3, good, 3, 0),
            D3D_OK);
  float line[6] = {0, 0, 0, 1, 1, 1};
  EXPECT_EQ(device->DrawPrimitive(D3DPT_LINELIST, D3DFVF_XYZ, line, 2, 0), D3D_OK);
  ASSERT_EQ(Log().draws.size(), 2u);
  EXPECT_EQ(Log().draws[1].stride, 12u);
  EXPECT_EQ(Log().draws[1].indexCount, 0u);
}

TEST_F(DeviceTest, ViewportRulesAndTheCurrentViewport) {
  Held<IDirect3DViewport3> loose;
  ASSERT_EQ(d3d->CreateViewport(loose.Out(), nullptr), D3D_OK);
  D3DVIEWPORT2 v = ViewportDesc(kWidth, kHeight);
  EXPECT_EQ(loose->SetViewport2(&v), D3DERR_VIEWPORTHASNODEVICE);
  EXPECT_EQ(device->SetCurrentViewport(loose.Get()), D3DERR_VIEWPORTHASNODEVICE);
  EXPECT_EQ(device->DeleteViewport(loose.Get()), D3DERR_VIEWPORTHASNODEVICE);
  EXPECT_EQ(loose->Clear2(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_VIEWPORTHASNODEVICE);
  ASSERT_EQ(device->AddViewport(loose.Get()), D3D_OK);
  EXPECT_EQ(device->AddViewport(loose.Get()), DDERR_INVALIDPARAMS);
  D3DVIEWPORT2 out{};
  out.dwSize = sizeof out;
  EXPECT_EQ(loose->GetViewport2(&out), D3DERR_VIEWPORTDATANOTSET);
  v.dwSize = 40;
  EXPECT_EQ(loose->SetViewport2(&v), DDERR_INVALIDPARAMS);
  v = ViewportDesc(kWidth + 1, kHeight);
  EXPECT_EQ(loose->SetViewport2(&v), DDERR_INVALIDPARAMS);
  v = ViewportDesc(kWidth / 2, kHeight);
  ASSERT_EQ(loose->SetViewport2(&v), D3D_OK);
  ASSERT_EQ(loose->GetViewport2(&out), D3D_OK);
  EXPECT_EQ(out.dwWidth, kWidth / 2);

  ASSERT_EQ(device->BeginScene(), D3D_OK);
  ASSERT_EQ(device->DeleteViewport(viewport.Get()), D3D_OK);
  EXPECT_EQ(DrawOnce(), D3DERR_NOCURRENTVIEWPORT);
  Held<IDirect3DViewport3> current;
  EXPECT_EQ(device->GetCurrentViewport(current.Out()), D3DERR_NOCURRENTVIEWPORT);
  ASSERT_EQ(device->SetCurrentViewport(loose.Get()), D3D_OK);
  ASSERT_EQ(DrawOnce(), D3D_OK);
  EXPECT_EQ(Log().draws.at(0).state.viewport.dwWidth, kWidth / 2);
}

TEST_F(DeviceTest, ClearsAreClippedToTheTargetAndFillIt) {
  D3DRECT rects[] = {
      {-10, -10, 4, 3}, {kWidth - 2, kHeight - 1, kWidth + 50, kHeight + 50}, {70, 0, 80, 10}};
  ASSERT_EQ(viewport->Clear2(3, rects, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF336699u, 1.0f, 0),
            D3D_OK);
  ASSERT_EQ(Log().clears.size(), 1u);
  const auto& clear = Log().clears[0];
  ASSERT_EQ(clear.rects.size(), 2u);  // the third lies wholly outside
  EXPECT_EQ(clear.rects[0].x1, 0);
  EXPECT_EQ(clear.rects[0].x2, 4);
  EXPECT_EQ(clear.rects[1].x2, static_cast<LONG>(kWidth));
  EXPECT_EQ(clear.rects[1].y2, static_cast<LONG>(kHeight));
  EXPECT_EQ(clear.colour, 0xFF336699u);

  DDSURFACEDESC2 desc{};
  desc.dwSize = kDDSurfaceDesc2PublishedSize;
  ASSERT_EQ(target->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  const auto* pixels = static_cast<const uint32_t*>(desc.lpSurface);
  EXPECT_EQ(pixels[2 * kWidth + 3], 0xFF336699u);
  EXPECT_EQ(pixels[2 * kWidth + 4], 0u);
  // Clearing a locked target would write under the caller's pointer.
  EXPECT_EQ(viewport->Clear2(1, rects, D3DCLEAR_TARGET, 0, 1.0f, 0), DDERR_SURFACEBUSY);
  ASSERT_EQ(target->Unlock(nullptr), DD_OK);

  EXPECT_EQ(viewport->Clear2(1, rects, D3DCLEAR_STENCIL, 0, 1.0f, 0),
            D3DERR_STENCILBUFFER_NOTPRESENT);
  EXPECT_EQ(viewport->Clear2(1, rects, 0, 0, 1.0f, 0), DDERR_INVALIDPARAMS);
  ASSERT_EQ(target->DeleteAttachedSurface(0, zbuffer.Get()), DD_OK);
  EXPECT_EQ(viewport->Clear2(1, rects, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), D3DERR_ZBUFFER_NOTPRESENT);
}

TEST_F(DeviceTest, InjectedFailuresStopTheCallBeforeItActs) {
  driver.Fail("IDirect3DDevice3::BeginScene", DDERR_GENERIC, /*once=*/true);
  EXPECT_EQ(device->BeginScene(), DDERR_GENERIC);
  EXPECT_EQ(Log().beginScenes, 0);
  ASSERT_EQ(device->BeginScene(), D3D_OK);

  driver.Fail("IDirect3DDevice3::SetRenderState", DDERR_INVALIDOBJECT, /*once=*/false,
              /*nth=*/2);
  EXPECT_EQ(device->SetRenderState(D3DRENDERSTATE_ZBIAS, 3), D3D_OK);
  EXPECT_EQ(device->SetRenderState(D3DRENDERSTATE_ZBIAS, 4), DDERR_INVALIDOBJECT);
  EXPECT_EQ(device->SetRenderState(D3DRENDERSTATE_ZBIAS, 5), DDERR_INVALIDOBJECT);
  DWORD value = 0;
  ASSERT_EQ(device->GetRenderState(D3DRENDERSTATE_ZBIAS, &value), D3D_OK);
  EXPECT_EQ(value, 3u);

  hal->FailDraw(D3DERR_INITFAILED);
  ASSERT_EQ(device->SetRenderState(D3DRENDERSTATE_FOGENABLE, 1), DDERR_INVALIDOBJECT);
  driver.Succeed("IDirect3DDevice3::SetRenderState");
  ASSERT_EQ(device->SetRenderState(D3DRENDERSTATE_FOGENABLE, 1), D3D_OK);
  EXPECT_EQ(DrawOnce(), D3DERR_INITFAILED);
  // A failed draw leaves the marks for the next one.
  hal->FailDraw(S_OK);
  ASSERT_EQ(DrawOnce(), D3D_OK);
  EXPECT_NE(Log().draws.at(1).state.changed & dx::kRenderStatesChanged, 0u);
}

}  // namespace
}  // namespace dxtest
