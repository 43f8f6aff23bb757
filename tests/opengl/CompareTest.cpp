// The same frames drawn by the OpenGL device and by the software device, through the whole
// renderer (Create, lights, states, material, vertex buffer, Present into an off-screen
// window), must agree within a small tolerance: the default torus at several times, every
// render state of the block, the kinds of light, depth formats, textures and the alpha test.
//
// Measured on Mesa llvmpipe: the default torus differs by at most 2 levels in one channel
// and no pixel differs by more than 8; the limits below leave room for rounding elsewhere.
#include <cstring>

#include "SceneRig.h"

namespace {

using gltest::Compare;
using gltest::Difference;
using gltest::SceneRig;

constexpr int kWidth = 200;
constexpr int kHeight = 150;

// Solid, lit triangles: colour is rounding only, edges fall on the same pixels.
constexpr double kSolidPercent = 0.1;
constexpr double kSolidMean = 0.25;
// Lines and points: OpenGL's diamond-exit rule and Direct3D's last-pixel rule place some
// line ends one pixel apart.
constexpr double kLinePercent = 2.0;
constexpr double kLineMean = 2.5;
// Textures: OpenGL chooses mip levels per 2 × 2 pixels, the software device per pixel.
constexpr double kTexturePercent = 3.0;
constexpr double kTextureMean = 2.0;

// One picture of each device, made with the same steps.
class CompareTest : public ::testing::Test {
 protected:
  void SetUp() override { QUENNET_REQUIRE_OPENGL(); }

  // Builds both rigs; zBits chooses the depth format the renderer asks for.
  void Make(DWORD zBits = 16, std::shared_ptr<dx::DeviceDriver> glDriver = nullptr) {
    gl = std::make_unique<SceneRig>(glDriver ? glDriver : gltest::OpenGLDriver(), kWidth, kHeight);
    sw = std::make_unique<SceneRig>(dx::software::MakeSoftwareDriver(), kWidth, kHeight);
    for (SceneRig* rig : {gl.get(), sw.get()}) {
      rig->renderer.m_ZDepthWanted = zBits;
      ASSERT_EQ(rig->Create(), 0);
      EXPECT_TRUE(rig->boxes.empty()) << rig->boxes.front();
      ASSERT_TRUE(rig->renderer.m_DeviceGuid.has_value());
      EXPECT_TRUE(IsEqualGUID(*rig->renderer.m_DeviceGuid, rig->devices.front()->Guid()));
      EXPECT_EQ(rig->renderer.m_ZFormat.dwZBufferBitDepth, zBits);
    }
  }

  using Extra = std::function<void(SceneRig&, Renderer&)>;

  Difference Frame(float t, const RenderStateBlock& states, const Extra& extra = {}) {
    auto bind = [&](SceneRig& rig) -> std::function<void(Renderer&)> {
      if (!extra) return {};
      return [&rig, &extra](Renderer& r) { extra(rig, r); };
    };
    glPixels = gl->Frame(t, states, bind(*gl));
    swPixels = sw->Frame(t, states, bind(*sw));
    return Compare(glPixels, swPixels);
  }

  void ExpectClose(const Difference& d, double percent, double mean, const std::string& what) {
    std::printf("[ measured ] %s: %s\n", what.c_str(), d.Text().c_str());
    RecordProperty(what, d.Text());
    EXPECT_LE(d.percentOver8, percent) << what << ": " << d.Text();
    EXPECT_LE(d.meanChannel, mean) << what << ": " << d.Text();
  }

  // The software picture shows more than the clear colour (so agreement means something).
  size_t Drawn() const { return testsupport::PixelsUnlike(swPixels, swPixels.front()); }

  std::unique_ptr<SceneRig> gl;
  std::unique_ptr<SceneRig> sw;
  std::vector<uint32_t> glPixels;
  std::vector<uint32_t> swPixels;
};

TEST_F(CompareTest, DefaultTorusAtSeveralTimes) {
  Make();
  for (float t : {0.0f, 7.3f, 19.0f, 57.0f, 130.0f, 401.5f}) {
    const Difference d = Frame(t, SceneRig::DefaultStates());
    ExpectClose(d, kSolidPercent, kSolidMean, "default torus t=" + std::to_string(t));
    EXPECT_GT(Drawn(), static_cast<size_t>(kWidth * kHeight / 10)) << t;
    EXPECT_EQ(gl->window.PresentCount(), sw->window.PresentCount());
  }
}

// A size change rebuilds back buffer, z-buffer, device and viewport; the torus's vertex
// buffer (and its OpenGL copy) carries over to the new device.
TEST_F(CompareTest, AfterAResizeTheNewDeviceDrawsTheSame) {
  Make();
  Frame(7.0f, SceneRig::DefaultStates());
  for (SceneRig* rig : {gl.get(), sw.get()}) {
    rig->window.Resize(kWidth - 37, kHeight + 21);
    EXPECT_EQ(rig->renderer.WindowSized(), 0);
    ASSERT_NE(rig->renderer.m_Device, nullptr);
  }
  const Difference d = Frame(8.0f, SceneRig::DefaultStates());
  EXPECT_EQ(glPixels.size(), static_cast<size_t>((kWidth - 37) * (kHeight + 21)));
  ExpectClose(d, kSolidPercent, kSolidMean, "after a resize");
  EXPECT_GT(Drawn(), glPixels.size() / 10);
}

TEST_F(CompareTest, DepthFormats) {
  for (DWORD bits : {24u, 32u}) {
    Make(bits);
    const Difference d = Frame(19.0f, SceneRig::DefaultStates());
    ExpectClose(d, kSolidPercent, kSolidMean, std::to_string(bits) + "-bit depth");
  }
}

TEST_F(CompareTest, WithoutClipControl) {
  std::string reason;
  dx::opengl::OpenGLOptions options;
  options.useClipControl = false;
  auto driver = dx::opengl::MakeOpenGLDriver(&reason, options);
  ASSERT_TRUE(driver) << reason;
  Make(16, driver);
  for (float t : {0.0f, 57.0f}) {
    const Difference d = Frame(t, SceneRig::DefaultStates());
    ExpectClose(d, kSolidPercent, kSolidMean, "depth and y remapped in the shader");
  }
}

struct StateCase {
  const char* name;
  std::vector<std::pair<RenderStateBlock::Entry, DWORD>> requests;
  bool lines;  // drawn as points or lines
};

TEST_F(CompareTest, EveryRenderStateOfTheBlock) {
  Make();
  using E = RenderStateBlock;
  const StateCase cases[] = {
      {"cull none", {{E::kCullMode, E::kCullNone}}, false},
      {"cull clockwise", {{E::kCullMode, E::kCullClockwise}}, false},
      {"cull value out of range", {{E::kCullMode, 7}}, false},
      {"point fill", {{E::kFillMode, E::kFillPoint}}, true},
      {"wireframe", {{E::kFillMode, E::kFillWireframe}}, true},
      {"wireframe, no culling",
       {{E::kFillMode, E::kFillWireframe}, {E::kCullMode, E::kCullNone}},
       true},
      {"z test off", {{E::kZEnable, 0}}, false},
      {"z write off", {{E::kZWrite, 0}}, false},
      {"z func never", {{E::kZFunc, 1}}, false},
      {"z func always", {{E::kZFunc, 8}}, false},
      {"z func less-equal", {{E::kZFunc, 4}}, false},
      {"z bias 16", {{E::kZBias, 16}}, false},
      {"specular off", {{E::kSpecular, 0}}, false},
      {"flat shading", {{E::kShadeMode, E::kShadeFlat}}, false},
      {"flat shading, no culling",
       {{E::kShadeMode, E::kShadeFlat}, {E::kCullMode, E::kCullNone}},
       false},
  };
  for (const StateCase& c : cases) {
    RenderStateBlock states = SceneRig::DefaultStates();
    for (auto [entry, value] : c.requests) states.Request(entry, value);
    const Difference d = Frame(19.0f, states);
    if (c.lines) {
      ExpectClose(d, kLinePercent, kLineMean, c.name);
    } else {
      ExpectClose(d, kSolidPercent, kSolidMean, c.name);
    }
  }
}

// A second pass over the torus drawn in the first, with another material, under each depth
// comparison: which pixels pass depends on the depth each device stored.
TEST_F(CompareTest, DepthComparisonsOverADrawnTorus) {
  Make();
  for (DWORD func = 1; func <= 8; ++func) {
    RenderStateBlock states = SceneRig::DefaultStates();
    states.Request(RenderStateBlock::kZFunc, func);
    const Difference d = Frame(19.0f, states, [&states](SceneRig& rig, Renderer& r) {
      RenderStateBlock first = SceneRig::DefaultStates();
      r.ApplyStates(&first);
      rig.mesh.m_Material.m_Diffuse = Material().m_Diffuse;
      r.SetMaterial(&rig.mesh.m_Material);
      rig.mesh.Draw();
      r.ApplyStates(&states);
      rig.mesh.m_Material.m_Diffuse.Set(0.1f, 0.9f, 0.3f, 0.0f);
    });
    ExpectClose(d, kSolidPercent, kSolidMean, "second pass, z func " + std::to_string(func));
  }
}

TEST_F(CompareTest, BlendFactors) {
  Make();
  // Every source factor against an inverse-source-alpha destination, then every destination
  // factor against a source-alpha source, with a half-transparent material.
  std::vector<std::pair<DWORD, DWORD>> pairs;
  for (DWORD src = 1; src <= 13; ++src) pairs.push_back({src, D3DBLEND_INVSRCALPHA});
  for (DWORD dest = 1; dest <= 13; ++dest) pairs.push_back({D3DBLEND_SRCALPHA, dest});
  for (auto [src, dest] : pairs) {
    RenderStateBlock states = SceneRig::DefaultStates();
    states.Request(RenderStateBlock::kAlphaBlend, 1);
    states.Request(RenderStateBlock::kSrcBlend, src);
    states.Request(RenderStateBlock::kDestBlend, dest);
    states.Request(RenderStateBlock::kCullMode, RenderStateBlock::kCullNone);  // back faces show
    const Difference d = Frame(19.0f, states, [](SceneRig& rig, Renderer&) {
      rig.mesh.m_Material.m_Diffuse.Set(0.8f, 0.7f, 0.7f, 0.45f);
    });
    ExpectClose(d, kSolidPercent, kSolidMean,
                "blend " + std::to_string(src) + "/" + std::to_string(dest));
  }
}

struct LightCase {
  const char* name;
  int32_t type;
  Vec3 position;
  Vec3 direction;
  float range;
  float theta, phi;
};

TEST_F(CompareTest, KindsOfLight) {
  Make();
  // The camera looks along -z from z = 2.8 (the renderer's view), so lights in front of the
  // torus have positive z.
  const LightCase cases[] = {
      {"point light", kLightPoint, {0.8f, 0.6f, 1.5f}, {0, 0, 0}, 1e12f, 0, 0},
      {"point light with a short range", kLightPoint, {0.3f, 0.2f, 1.0f}, {0, 0, 0}, 1.2f, 0, 0},
      {"spot light", kLightSpot, {0.2f, 0.0f, 1.6f}, {0.1f, 0.0f, -1.0f}, 1e12f, 0.2f, 0.5f},
      {"parallel point light", kLightParallelPoint, {-1.0f, 1.0f, 1.0f}, {0, 0, 0}, 1e12f, 0, 0},
      {"second directional light", kLightDirectional, {0, 0, 0}, {1.0f, -1.0f, -0.5f}, 1e12f, 0, 0},
  };
  for (const LightCase& c : cases) {
    Light extraLight[2];
    for (SceneRig* rig : {gl.get(), sw.get()}) {
      Light& l = extraLight[rig == gl.get() ? 0 : 1];
      l.m_Type = c.type;
      l.m_Position = c.position;
      l.m_Direction = c.direction;
      l.m_Range = c.range;
      l.m_Theta = c.theta;
      l.m_Phi = c.phi;
      l.m_Color.Set(0.9f, 0.6f, 0.3f, 1.0f);
      l.MarkChanged();
      rig->renderer.AddLight(&l);
    }
    // Three rotations, so that the light falls on different parts of the torus.
    for (float t : {0.0f, 40.0f, 90.0f}) {
      const Difference d = Frame(t, SceneRig::DefaultStates());
      ExpectClose(d, kSolidPercent, kSolidMean, std::string(c.name) + " t=" + std::to_string(t));
      // The light shows: the same frame without it looks different.
      const std::vector<uint32_t> lit = swPixels;
      sw->renderer.RemoveLight(&extraLight[1]);
      const std::vector<uint32_t> unlit = sw->Frame(t, SceneRig::DefaultStates());
      sw->renderer.AddLight(&extraLight[1]);
      EXPECT_GT(testsupport::ComparePixels(lit, unlit, 0).pixelsOver, 100) << c.name << " t=" << t;
    }
    gl->renderer.RemoveLight(&extraLight[0]);
    sw->renderer.RemoveLight(&extraLight[1]);
  }
}

}  // namespace

namespace {

// A quad tilted away from the viewer (so texture detail shrinks towards its far edge),
// drawn from memory with vertex colours and one set of texture coordinates.
struct QuadVertex {
  float x, y, z;
  DWORD diffuse;
  float u, v;
};
constexpr DWORD kQuadFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct TextureCase {
  const char* name;
  DWORD mag, min, mip;
  DWORD address;
  bool alphaTest = false;
  bool blend = false;
  bool secondStage = false;
};

// 64 × 64 texels: an 8-texel checker of red and blue under a green ramp, alpha rising
// left to right; `shift` moves the pattern, for a changed texture.
void FillTexture(IDirectDrawSurface4* surface, int shift) {
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  for (DWORD y = 0; y < desc.dwHeight; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(desc.lpSurface) +
                                            static_cast<size_t>(y) * desc.lPitch);
    for (DWORD x = 0; x < desc.dwWidth; ++x) {
      const bool odd = (((x + shift) / 8) + (y / 8)) & 1;
      const uint32_t alpha = x * 4, green = y * 4;
      row[x] = (alpha << 24) | (odd ? 0xE00000u : 0x0000E0u) | (green << 8);
    }
  }
  ASSERT_EQ(surface->Unlock(nullptr), DD_OK);
}

void DrawQuad(IDirect3DDevice3* device, float dx, D3DPRIMITIVETYPE type) {
  QuadVertex v[4] = {
      {-0.9f + dx, -0.5f, 0.6f, 0xFFFFFFFFu, 0.0f, 4.0f},
      {0.9f + dx, -0.5f, 0.6f, 0xFFFFC080u, 4.0f, 4.0f},
      {-0.9f + dx, 0.5f, -0.9f, 0xFF80C0FFu, 0.0f, -0.5f},
      {0.9f + dx, 0.5f, -0.9f, 0x80FFFFFFu, 4.0f, -0.5f},
  };
  if (type == D3DPT_TRIANGLEFAN) std::swap(v[2], v[3]);  // fan order goes round the quad
  device->DrawPrimitive(type, kQuadFvf, v, 4, 0);
}

TEST_F(CompareTest, TexturedQuads) {
  Make();
  const TextureCase cases[] = {
      {"point, no mip maps", D3DTFG_POINT, D3DTFN_POINT, D3DTFP_NONE, D3DTADDRESS_WRAP},
      {"linear, no mip maps", D3DTFG_LINEAR, D3DTFN_LINEAR, D3DTFP_NONE, D3DTADDRESS_WRAP},
      {"linear, nearest mip map", D3DTFG_LINEAR, D3DTFN_LINEAR, D3DTFP_POINT, D3DTADDRESS_WRAP},
      {"trilinear", D3DTFG_LINEAR, D3DTFN_LINEAR, D3DTFP_LINEAR, D3DTADDRESS_WRAP},
      {"point with mip maps", D3DTFG_POINT, D3DTFN_POINT, D3DTFP_POINT, D3DTADDRESS_WRAP},
      {"mirror", D3DTFG_LINEAR, D3DTFN_LINEAR, D3DTFP_NONE, D3DTADDRESS_MIRROR},
      {"clamp", D3DTFG_LINEAR, D3DTFN_LINEAR, D3DTFP_NONE, D3DTADDRESS_CLAMP},
      {"alpha test", D3DTFG_POINT, D3DTFN_POINT, D3DTFP_NONE, D3DTADDRESS_WRAP, true},
      {"alpha blended", D3DTFG_POINT, D3DTFN_POINT, D3DTFP_NONE, D3DTADDRESS_WRAP, false, true},
      {"second stage", D3DTFG_POINT, D3DTFN_POINT, D3DTFP_NONE, D3DTADDRESS_WRAP, false, false,
       true},
  };
  for (const TextureCase& c : cases) {
    const Difference d = Frame(19.0f, SceneRig::DefaultStates(), [&c](SceneRig&, Renderer& r) {
      IDirect3DDevice3* device = r.m_Device;
      DDSURFACEDESC2 desc{};
      desc.dwSize = sizeof desc;
      desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
      desc.dwWidth = desc.dwHeight = 64;
      desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
      IDirectDrawSurface4* surface = nullptr;
      ASSERT_EQ(r.m_DirectDraw4->CreateSurface(&desc, &surface, nullptr), DD_OK);
      FillTexture(surface, 0);
      IDirect3DTexture2* texture = nullptr;
      ASSERT_EQ(surface->QueryInterface(IID_IDirect3DTexture2, reinterpret_cast<void**>(&texture)),
                S_OK);
      Matrix4 identity;
      identity.SetIdentity();
      Matrix4 world;
      r.GetTransform(TransformKind::World, &world);
      r.SetTransform(TransformKind::World, &identity);
      device->SetTexture(0, texture);
      device->SetTextureStageState(0, D3DTSS_MAGFILTER, c.mag);
      device->SetTextureStageState(0, D3DTSS_MINFILTER, c.min);
      device->SetTextureStageState(0, D3DTSS_MIPFILTER, c.mip);
      device->SetTextureStageState(0, D3DTSS_ADDRESS, c.address);
      device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
      if (c.alphaTest) {
        device->SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, TRUE);
        device->SetRenderState(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATER);
        device->SetRenderState(D3DRENDERSTATE_ALPHAREF, 100);
      }
      if (c.blend) {
        device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
      }
      if (c.secondStage) {
        // Stage 1: the complement of the texture factor times the result of stage 0; its
        // alpha the diffuse alpha.
        device->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, 0x40206080u);
        device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
        device->SetTextureStageState(1, D3DTSS_COLORARG1, 0x3 | 0x10);  // TFACTOR, complement
        device->SetTextureStageState(1, D3DTSS_COLORARG2, D3DTA_CURRENT);
        device->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
      }
      DrawQuad(device, -0.5f, D3DPT_TRIANGLESTRIP);
      // The same texture changed in place: the next quad shows the new texels.
      FillTexture(surface, 4);
      DrawQuad(device, 0.6f, D3DPT_TRIANGLEFAN);
      // Back to what the torus expects.
      device->SetTexture(0, nullptr);
      device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
      device->SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, FALSE);
      device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
      r.SetTransform(TransformKind::World, &world);
      texture->Release();
      surface->Release();
    });
    ExpectClose(d, kTexturePercent, kTextureMean, std::string("texture, ") + c.name);
  }
}

}  // namespace
