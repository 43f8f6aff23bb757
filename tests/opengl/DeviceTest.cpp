// The OpenGL device as a device: how it is enumerated and chosen, what its shaders build
// to, and its pipeline against the software device's on the same calls (clears, memory
// written by the CPU, changed vertex buffers, Present, and the codes of refused calls).
#include <cstring>

#include "SceneRig.h"
#include "platform/directx/opengl/GlContext.h"
#include "platform/directx/opengl/GlPrograms.h"
#include "render/CapabilityTest.h"

namespace {

using gltest::SceneRig;

TEST(OpenGLEnumerationTest, KindFollowsTheRendererAndTheRightDeviceIsChosen) {
  QUENNET_REQUIRE_OPENGL();
  auto driver = std::static_pointer_cast<dx::opengl::OpenGLDriver>(gltest::OpenGLDriver());
  const bool hardware = driver->IsHardware();
  std::printf("[ machine  ] GL_RENDERER \"%s\", GL_VERSION \"%s\", EGL platform %s: %s device\n",
              driver->Info().renderer.c_str(), driver->Info().version.c_str(),
              driver->Info().platform.c_str(), hardware ? "hardware" : "software");
  EXPECT_EQ(hardware, !dx::opengl::IsSoftwareRendererName(driver->Info().renderer));
  EXPECT_EQ(dx::opengl::IsSoftwareRenderer(), !hardware);
  EXPECT_TRUE(IsEqualGUID(driver->Guid(),
                          hardware ? IID_IDirect3DHALDevice : dx::opengl::kOpenGLDeviceGuid));
  D3DDEVICEDESC hal{}, hel{};
  hal.dwSize = hel.dwSize = kD3DDeviceDescSize;
  driver->Describe(hal, hel);
  EXPECT_EQ(FailedCapabilityRows(hardware ? hal : hel), std::vector<int>{});
  EXPECT_EQ((hardware ? hel : hal).dcmColorModel, 0u);

  // As installed at start: the software device first, then this one.
  SceneRig both(dx::software::MakeSoftwareDriver(), 64, 48);
  both.devices.push_back(driver);
  ASSERT_EQ(both.Create(), 0);
  EXPECT_TRUE(both.boxes.empty());
  ASSERT_TRUE(both.renderer.m_DeviceGuid.has_value());
  // A graphics processor wins; a software OpenGL leaves the faster own rasteriser chosen.
  EXPECT_TRUE(IsEqualGUID(*both.renderer.m_DeviceGuid,
                          hardware ? IID_IDirect3DHALDevice : IID_IDirect3DRGBDevice));

  // Asked for alone (quennet-render --device opengl), it is the device used.
  std::string reason;
  auto alone = dx::opengl::MakeOpenGLOnlySystem(&reason);
  ASSERT_TRUE(alone) << reason;
  ASSERT_EQ(alone->devices.size(), 1u);
  SceneRig only(alone->devices.front(), 64, 48);
  ASSERT_EQ(only.Create(), 0);
  EXPECT_TRUE(only.boxes.empty());
  EXPECT_TRUE(IsEqualGUID(*only.renderer.m_DeviceGuid, alone->devices.front()->Guid()));
}

TEST(OpenGLProgramTest, EveryShaderVariantCompilesAndLinks) {
  QUENNET_REQUIRE_OPENGL();
  for (bool clipControl : {true, false}) {
    std::string reason;
    dx::opengl::OpenGLOptions options;
    options.useClipControl = clipControl;
    auto context = dx::opengl::GlContext::Create(reason, options);
    ASSERT_TRUE(context) << reason;
    for (uint32_t features = 0; features < dx::opengl::kProgramVariants; ++features) {
      std::string log;
      EXPECT_NE(context->Programs().Get(features, log), 0u) << features << ": " << log;
      EXPECT_EQ(log, "") << features;
    }
  }
}

// A pipeline of one driver over its own target and z-buffer. The target's rows are padded,
// so pitch and width differ.
struct PipelineRig {
  static constexpr int kWidth = 48;
  static constexpr int kHeight = 32;

  PipelineRig(dx::DeviceDriver& driver, DWORD zBits = 16) {
    target.caps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
    target.width = kWidth;
    target.height = kHeight;
    target.format.dwSize = sizeof(DDPIXELFORMAT);
    target.format.dwFlags = DDPF_RGB;
    target.format.dwRGBBitCount = 32;
    target.format.dwRBitMask = 0xFF0000;
    target.format.dwGBitMask = 0xFF00;
    target.format.dwBBitMask = 0xFF;
    target.pitch = kWidth * 4 + 12;
    target.bits.assign(static_cast<size_t>(target.pitch) * kHeight, 0);
    depth.caps = DDSCAPS_ZBUFFER;
    depth.width = kWidth;
    depth.height = kHeight;
    depth.format.dwSize = sizeof(DDPIXELFORMAT);
    depth.format.dwFlags = DDPF_ZBUFFER;
    depth.format.dwZBufferBitDepth = zBits;
    depth.pitch = kWidth * (zBits == 16 ? 2 : 4);
    depth.bits.assign(static_cast<size_t>(depth.pitch) * kHeight, 0);

    state.target = &target;
    state.zbuffer = &depth;
    state.hasViewport = true;
    state.viewport = {sizeof(D3DVIEWPORT2), 0, 0, kWidth, kHeight, -1, 1, 2, 2, 0, 1};
    static constexpr D3DMATRIX kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    state.world = state.view = state.projection = kIdentity;
    DWORD* rs = state.renderStates;
    rs[D3DRENDERSTATE_ZENABLE] = TRUE;
    rs[D3DRENDERSTATE_ZWRITEENABLE] = TRUE;
    rs[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRENDERSTATE_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRENDERSTATE_CULLMODE] = D3DCULL_NONE;
    rs[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRENDERSTATE_LASTPIXEL] = TRUE;
    for (DWORD stage = 0; stage < kTextureStageCount; ++stage)
      state.textureStages[stage][D3DTSS_COLOROP] = D3DTOP_DISABLE;
    HRESULT hr = S_OK;
    pipeline = driver.CreatePipeline(target, hr);
    EXPECT_TRUE(pipeline) << std::hex << hr;
  }

  // The target's pixels without the row padding (fast-clear tiles filled first, as any raw
  // reader must).
  std::vector<uint32_t> Pixels() {
    dx::FillPending(target);
    std::vector<uint32_t> out(static_cast<size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y)
      std::memcpy(&out[static_cast<size_t>(y) * kWidth], target.bits.data() + y * target.pitch,
                  kWidth * 4);
    return out;
  }
  void Fill(uint32_t colour) {
    dx::FillPending(target);  // as Lock does
    for (int y = 0; y < kHeight; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(target.bits.data() + y * target.pitch);
      std::fill(row, row + kWidth, colour);
    }
    ++target.version;  // as Unlock does
  }

  dx::SurfaceData target;
  dx::SurfaceData depth;
  dx::DrawState state;
  std::unique_ptr<dx::Pipeline> pipeline;
};

struct ColouredVertex {
  float x, y, z;
  DWORD colour;
};
constexpr DWORD kColouredFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;

dx::DrawCall Triangles(const ColouredVertex* v, DWORD count) {
  dx::DrawCall call;
  call.type = D3DPT_TRIANGLELIST;
  call.fvf = kColouredFvf;
  call.vertices = reinterpret_cast<const uint8_t*>(v);
  call.stride = sizeof(ColouredVertex);
  call.vertexCount = count;
  return call;
}

class OpenGLPipelineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QUENNET_REQUIRE_OPENGL();
    gl = std::make_unique<PipelineRig>(*gltest::OpenGLDriver());
    sw = std::make_unique<PipelineRig>(software);
    ASSERT_TRUE(gl->pipeline && sw->pipeline);
  }
  // Runs the same steps on both rigs, ends the scene and compares the targets exactly
  // (flat colours and clears leave no room for rounding).
  void Both(const std::function<void(PipelineRig&)>& steps) {
    for (PipelineRig* rig : {gl.get(), sw.get()}) {
      steps(*rig);
      EXPECT_EQ(rig->pipeline->EndScene(rig->state), D3D_OK);
    }
    EXPECT_EQ(gl->Pixels(), sw->Pixels());
  }

  dx::software::SoftwareDriver software;
  std::unique_ptr<PipelineRig> gl;
  std::unique_ptr<PipelineRig> sw;
};

TEST_F(OpenGLPipelineTest, ClearsKeepToTheirRectanglesAndTheViewport) {
  Both([](PipelineRig& rig) {
    ASSERT_EQ(rig.pipeline->Clear(rig.state, nullptr, 0, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                                  0xFF102030u, 1.0f),
              D3D_OK);
    rig.state.viewport.dwX = 4;
    rig.state.viewport.dwY = 2;
    rig.state.viewport.dwWidth = 30;
    rig.state.viewport.dwHeight = 20;
    const D3DRECT rects[] = {{-5, -5, 10, 10}, {20, 15, 100, 100}, {12, 3, 12, 9}};
    ASSERT_EQ(rig.pipeline->Clear(rig.state, rects, 3, D3DCLEAR_TARGET, 0x00C08040u, 0.0f), D3D_OK);
  });
  // Inside the first rectangle but left of the viewport: untouched.
  EXPECT_EQ(gl->Pixels()[5 * PipelineRig::kWidth + 2] & 0xFFFFFFu, 0x102030u);
  EXPECT_EQ(gl->Pixels()[5 * PipelineRig::kWidth + 6] & 0xFFFFFFu, 0xC08040u);
}

TEST_F(OpenGLPipelineTest, DepthClearedInAPartHidesALaterTriangleThere) {
  const ColouredVertex tri[] = {
      {-1, -1, 0.5f, 0xFF00FF00u}, {3, -1, 0.5f, 0xFF00FF00u}, {-1, 3, 0.5f, 0xFF00FF00u}};
  Both([&](PipelineRig& rig) {
    rig.pipeline->Clear(rig.state, nullptr, 0, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u,
                        1.0f);
    const D3DRECT near{10, 5, 30, 20};
    rig.pipeline->Clear(rig.state, &near, 1, D3DCLEAR_ZBUFFER, 0, 0.25f);
    ASSERT_EQ(rig.pipeline->Draw(rig.state, Triangles(tri, 3)), D3D_OK);
  });
  EXPECT_EQ(gl->Pixels()[10 * PipelineRig::kWidth + 15] & 0xFFFFFFu, 0u);
  EXPECT_EQ(gl->Pixels()[25 * PipelineRig::kWidth + 40] & 0xFFFFFFu, 0x00FF00u);
}

TEST_F(OpenGLPipelineTest, PixelsWrittenByTheCpuSurviveAroundLaterDrawing) {
  const ColouredVertex tri[] = {{-0.5f, -0.5f, 0.5f, 0xFFFF0000u},
                                {0.5f, -0.5f, 0.5f, 0xFFFF0000u},
                                {0.0f, 0.5f, 0.5f, 0xFFFF0000u}};
  Both([&](PipelineRig& rig) {
    rig.pipeline->Clear(rig.state, nullptr, 0, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u,
                        1.0f);
    rig.pipeline->EndScene(rig.state);
    rig.Fill(0xFF3366CCu);  // a Lock/Unlock between scenes
    ASSERT_EQ(rig.pipeline->Draw(rig.state, Triangles(tri, 3)), D3D_OK);
  });
  EXPECT_EQ(gl->Pixels().front() & 0xFFFFFFu, 0x3366CCu);
}

// Edges through pixel centres, horizontal, vertical and slanted, in both windings: OpenGL
// leaves the tie rule open, and the device must end up with Direct3D's top-left rule.
TEST_F(OpenGLPipelineTest, EdgesThroughPixelCentresFollowTheTopLeftRule) {
  std::vector<ColouredVertex> v;
  const float sx = 2.0f / PipelineRig::kWidth, sy = 2.0f / PipelineRig::kHeight;
  auto at = [&](int px, int py, DWORD colour) {
    // Pixel centre (px, py), y down, in clip coordinates.
    return ColouredVertex{px * sx - 1.0f, 1.0f - py * sy, 0.5f, colour};
  };
  DWORD colour = 0xFF101010u;
  for (int cell = 0; cell < 6; ++cell) {
    const int x = 2 + cell * 7, y = 4;
    colour += 0x00202020u;
    const ColouredVertex a = at(x, y, colour), b = at(x + 6, y, colour), c = at(x, y + 6, colour),
                         d = at(x + 6, y + 9, colour);
    if (cell % 2) {
      v.insert(v.end(), {a, b, c, b, d, c});
    } else {
      v.insert(v.end(), {a, c, b, b, c, d});
    }
  }
  Both([&](PipelineRig& rig) {
    rig.pipeline->Clear(rig.state, nullptr, 0, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u,
                        1.0f);
    rig.state.renderStates[D3DRENDERSTATE_ZENABLE] = FALSE;
    ASSERT_EQ(rig.pipeline->Draw(rig.state, Triangles(v.data(), static_cast<DWORD>(v.size()))),
              D3D_OK);
  });
}

TEST_F(OpenGLPipelineTest, AChangedVertexBufferIsDrawnAsItIsNow) {
  ColouredVertex tri[] = {
      {-1, -1, 0.5f, 0xFF0000FFu}, {1, -1, 0.5f, 0xFF0000FFu}, {-1, 1, 0.5f, 0xFF0000FFu}};
  dx::VertexBufferData buffers[2];
  for (dx::VertexBufferData& b : buffers) {
    b.fvf = kColouredFvf;
    b.numVertices = 3;
    b.stride = sizeof(ColouredVertex);
    b.bytes.resize(sizeof tri);
    std::memcpy(b.bytes.data(), tri, sizeof tri);
  }
  int which = 0;
  Both([&](PipelineRig& rig) {
    dx::VertexBufferData& b = buffers[which++];
    const WORD indices[] = {0, 1, 2};
    dx::DrawCall call = Triangles(reinterpret_cast<const ColouredVertex*>(b.bytes.data()), 3);
    call.buffer = &b;
    call.indices = indices;
    call.indexCount = 3;
    rig.pipeline->Clear(rig.state, nullptr, 0, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u,
                        1.0f);
    ASSERT_EQ(rig.pipeline->Draw(rig.state, call), D3D_OK);
    // Changed in place and unlocked: the next draw must see the new corner and colour.
    auto* v = reinterpret_cast<ColouredVertex*>(b.bytes.data());
    v[1].x = 0.2f;
    for (int i = 0; i < 3; ++i) v[i].colour = 0xFFFFFF00u;
    ++b.version;
    ASSERT_EQ(rig.pipeline->Draw(rig.state, call), D3D_OK);
  });
  // The buffer's OpenGL copy hangs on it and outlives the pipeline that made it.
  EXPECT_TRUE(buffers[0].deviceData);
  EXPECT_FALSE(buffers[1].deviceData);
  gl.reset();
}

TEST_F(OpenGLPipelineTest, PresentShowsThePartOfTheImageInsideIt) {
  Both([](PipelineRig& rig) {
    rig.pipeline->Clear(rig.state, nullptr, 0, D3DCLEAR_TARGET, 0xFF204060u, 1.0f);
    const D3DRECT corner{0, 0, 8, 8};
    rig.pipeline->Clear(rig.state, &corner, 1, D3DCLEAR_TARGET, 0xFFFFFFFFu, 1.0f);
  });
  OffscreenWindow glWindow(40, 30), swWindow(40, 30);
  const RECT src{-6, -4, 30, 20};
  EXPECT_EQ(gl->pipeline->Present(gl->target, src, &glWindow, POINT{2, 3}), DD_OK);
  EXPECT_EQ(sw->pipeline->Present(sw->target, src, &swWindow, POINT{2, 3}), DD_OK);
  EXPECT_EQ(glWindow.Pixels(), swWindow.Pixels());
  EXPECT_EQ(glWindow.PixelAt(8, 7) & 0xFFFFFFu, 0xFFFFFFu);
  EXPECT_EQ(glWindow.PixelAt(1, 1), 0u);  // left of where the image lands
}

TEST_F(OpenGLPipelineTest, RefusedCallsFailWithTheSoftwareDevicesCodes) {
  const ColouredVertex tri[] = {
      {-1, -1, 0.5f, 0xFFFFFFFFu}, {1, -1, 0.5f, 0xFFFFFFFFu}, {-1, 1, 0.5f, 0xFFFFFFFFu}};
  struct Case {
    const char* name;
    std::function<void(dx::DrawState&, dx::DrawCall&)> spoil;
  };
  const Case cases[] = {
      {"clip volume of zero width",
       [](dx::DrawState& s, dx::DrawCall&) { s.viewport.dvClipWidth = 0.0f; }},
      {"no viewport", [](dx::DrawState& s, dx::DrawCall&) { s.hasViewport = false; }},
      {"no position in the vertex format", [](dx::DrawState&, dx::DrawCall& c) { c.fvf = 0; }},
      {"stride shorter than the vertex", [](dx::DrawState&, dx::DrawCall& c) { c.stride = 8; }},
      {"indices counted but missing", [](dx::DrawState&, dx::DrawCall& c) { c.indexCount = 3; }},
      {"z-buffer of 8 bits while depth is tested",
       [](dx::DrawState& s, dx::DrawCall&) { s.zbuffer->format.dwZBufferBitDepth = 8; }},
  };
  for (const Case& c : cases) {
    HRESULT results[2];
    int i = 0;
    for (PipelineRig* rig : {gl.get(), sw.get()}) {
      PipelineRig fresh(rig == gl.get() ? *gltest::OpenGLDriver()
                                        : static_cast<dx::DeviceDriver&>(software));
      dx::DrawCall call = Triangles(tri, 3);
      c.spoil(fresh.state, call);
      results[i++] = fresh.pipeline->Draw(fresh.state, call);
    }
    EXPECT_TRUE(FAILED(results[0])) << c.name;
    EXPECT_EQ(results[0], results[1]) << c.name;
  }
  // The failure leaves the pipeline usable.
  Both([&](PipelineRig& rig) {
    rig.pipeline->Clear(rig.state, nullptr, 0, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u,
                        1.0f);
    ASSERT_EQ(rig.pipeline->Draw(rig.state, Triangles(tri, 3)), D3D_OK);
  });
}

TEST(OpenGLDriverTest, OnlyThirtyTwoBitTargetsAreDrawnInto) {
  QUENNET_REQUIRE_OPENGL();
  auto driver = std::static_pointer_cast<dx::opengl::OpenGLDriver>(gltest::OpenGLDriver());
  dx::SurfaceData target;
  target.width = 16;
  target.height = 16;
  target.format.dwSize = sizeof(DDPIXELFORMAT);
  target.format.dwFlags = DDPF_RGB;
  target.format.dwRGBBitCount = 16;
  target.pitch = 32;
  target.bits.resize(32 * 16);
  HRESULT hr = S_OK;
  EXPECT_EQ(driver->CreatePipeline(target, hr), nullptr);
  EXPECT_EQ(hr, DDERR_INVALIDPIXELFORMAT);
  EXPECT_NE(driver->LastError(), "");
}

}  // namespace
