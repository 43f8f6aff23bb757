// Direct3D's lighting equations at chosen vertices, against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "TestScene.h"
#include "platform/directx/software/VertexProcessor.h"

namespace {

using dx::software::VertexProcessor;

struct Lit {
  float diffuse[4];
  float specular[3];
};

D3DLIGHT2 MakeLight(D3DLIGHTTYPE type) {
  D3DLIGHT2 l{};
  l.dwSize = sizeof(D3DLIGHT2);
  l.dltType = type;
  l.dcvColor = {0.8f, 0.8f, 0.8f, 1.0f};
  l.dvRange = 100.0f;
  l.dvFalloff = 1.0f;
  l.dvAttenuation0 = 1.0f;
  l.dwFlags = D3DLIGHT_ACTIVE;
  return l;
}

class LightingTest : public testing::Test {
 protected:
  LightingTest() {
    state.hasViewport = true;
    state.viewport = {44, 0, 0, 64, 64, -1, 1, 2, 2, 0, 1};
    state.world = state.view = state.projection = swtest::Identity();
    state.hasMaterial = true;
    state.material.dwSize = sizeof(D3DMATERIAL);
    state.material.dcvDiffuse = {0.5f, 0.25f, 1.0f, 0.6f};
    state.material.dcvAmbient = {1, 1, 1, 1};
    state.material.dcvEmissive = {0.1f, 0, 0, 0};
    state.material.dcvSpecular = {1, 1, 1, 1};
    state.material.dvPower = 10.0f;
    state.lightStates[D3DLIGHTSTATE_AMBIENT] = 0x00204060;
    state.renderStates[D3DRENDERSTATE_SPECULARENABLE] = 1;
  }

  Lit LightAt(float px, float py, float pz, float nx, float ny, float nz) {
    VertexProcessor processor;
    EXPECT_TRUE(processor.Setup(state, 0, 0, 64, 64));
    const float p[3] = {px, py, pz};
    float n[3] = {nx, ny, nz};
    const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
    for (float& v : n) v /= len;
    Lit lit;
    processor.Light(p, n, lit.diffuse, lit.specular);
    return lit;
  }

  dx::DrawState state;
};

// Ambient light state 0x204060 is (32, 64, 96) / 255.
constexpr float kAmbientR = 32.0f / 255, kAmbientG = 64.0f / 255, kAmbientB = 96.0f / 255;

TEST_F(LightingTest, DirectionalHeadOnGivesFullDiffuseAndSpecular) {
  D3DLIGHT2 light = MakeLight(D3DLIGHT_DIRECTIONAL);
  light.dvDirection = {0, 0, 1};  // travelling away from the eye, onto a surface facing it
  state.lights.push_back(light);
  const Lit lit = LightAt(0, 0, 5, 0, 0, -1);
  EXPECT_NEAR(lit.diffuse[0], 0.1f + kAmbientR + 0.8f * 0.5f, 1e-5);
  EXPECT_NEAR(lit.diffuse[1], kAmbientG + 0.8f * 0.25f, 1e-5);
  EXPECT_FLOAT_EQ(lit.diffuse[2], 1.0f) << "clamped from " << kAmbientB + 0.8f;
  EXPECT_FLOAT_EQ(lit.diffuse[3], 0.6f) << "alpha is the material's diffuse alpha";
  for (float s : lit.specular) EXPECT_NEAR(s, 0.8f, 1e-5);
}

TEST_F(LightingTest, DirectionalAtSixtyDegreesUsesTheHalfwayVector) {
  D3DLIGHT2 light = MakeLight(D3DLIGHT_DIRECTIONAL);
  const float s60 = std::sqrt(3.0f) / 2;
  light.dvDirection = {-s60, 0, 0.5f};  // the way to the light is (s60, 0, -0.5)
  state.lights.push_back(light);
  const Lit lit = LightAt(0, 0, 5, 0, 0, -1);
  // N·L = 0.5; H = norm(L + V) = (0.5, 0, -s60), N·H = s60, s60^10 = 0.2373.
  EXPECT_NEAR(lit.diffuse[0], 0.1f + kAmbientR + 0.5f * 0.8f * 0.5f, 1e-5);
  EXPECT_NEAR(lit.specular[0], 0.8f * 0.237305f, 1e-4);
}

TEST_F(LightingTest, LightsBehindTheSurfaceAddNothing) {
  D3DLIGHT2 light = MakeLight(D3DLIGHT_DIRECTIONAL);
  light.dvDirection = {0, 0, -1};
  state.lights.push_back(light);
  const Lit lit = LightAt(0, 0, 5, 0, 0, -1);
  EXPECT_NEAR(lit.diffuse[0], 0.1f + kAmbientR, 1e-5);
  EXPECT_NEAR(lit.diffuse[1], kAmbientG, 1e-5);
  EXPECT_EQ(lit.specular[0], 0.0f);
}

TEST_F(LightingTest, PointLightAttenuatesAndEndsAtItsRange) {
  struct Case {
    float a0, a1, a2, range, factor;
  } cases[] = {
      {0, 1, 0, 10, 0.5f},    // 1 / d at d = 2
      {0, 0, 1, 10, 0.25f},   // 1 / d²
      {1, 0, 0, 10, 1.0f},    // constant
      {0, 1, 0, 1.5f, 0.0f},  // beyond the range
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a0 << " " << c.a1 << " " << c.a2 << " " << c.range);
    state.lights.clear();
    D3DLIGHT2 light = MakeLight(D3DLIGHT_POINT);
    light.dvPosition = {0, 0, 3};
    light.dvAttenuation0 = c.a0;
    light.dvAttenuation1 = c.a1;
    light.dvAttenuation2 = c.a2;
    light.dvRange = c.range;
    state.lights.push_back(light);
    state.material.dcvSpecular = {0, 0, 0, 0};
    const Lit lit = LightAt(0, 0, 5, 0, 0, -1);
    EXPECT_NEAR(lit.diffuse[1], kAmbientG + c.factor * 0.8f * 0.25f, 1e-5);
  }
}

TEST_F(LightingTest, SpotLightFadesBetweenItsConesWithFalloff) {
  const float deg = 3.14159265f / 180;
  struct Case {
    float angle, falloff, factor;
  } cases[] = {
      {0, 1, 1.0f},       // on the axis
      {5, 1, 1.0f},       // inside the inner cone (half of theta = 10°)
      {20, 1, 0.62019f},  // (cos 20° − cos 30°) / (cos 10° − cos 30°)
      {20, 2, 0.38463f},  // the same squared
      {40, 1, 0.0f},      // outside the outer cone (half of phi = 30°)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    state.lights.clear();
    D3DLIGHT2 light = MakeLight(D3DLIGHT_SPOT);
    light.dvPosition = {0, 0, 0};
    light.dvDirection = {0, 0, 1};
    light.dvTheta = 20 * deg;
    light.dvPhi = 60 * deg;
    light.dvFalloff = c.falloff;
    state.lights.push_back(light);
    state.material.dcvSpecular = {0, 0, 0, 0};
    const float x = 5 * std::tan(c.angle * deg);
    // The surface faces the light.
    const Lit lit = LightAt(x, 0, 5, -x, 0, -5);
    EXPECT_NEAR(lit.diffuse[1], kAmbientG + c.factor * 0.8f * 0.25f, 1e-4);
  }
}

TEST_F(LightingTest, ParallelPointLightShinesFromItsPositionTowardsTheObject) {
  D3DLIGHT2 light = MakeLight(D3DLIGHT_PARALLELPOINT);
  light.dvPosition = {0, 0, -10};  // in front of the object at the origin of world space
  light.dvAttenuation0 = 0;        // no attenuation applies to it
  state.lights.push_back(light);
  state.material.dcvSpecular = {0, 0, 0, 0};
  // The same direction at any vertex, whatever its distance.
  const Lit nearer = LightAt(0, 0, -9, 0, 0, -1);
  const Lit farther = LightAt(3, 0, 20, 0, 0, -1);
  EXPECT_NEAR(nearer.diffuse[1], kAmbientG + 0.8f * 0.25f, 1e-5);
  EXPECT_NEAR(farther.diffuse[1], nearer.diffuse[1], 1e-6);
}

TEST_F(LightingTest, SpecularOnlyWhenEnabledAndNotSwitchedOffPerLight) {
  D3DLIGHT2 light = MakeLight(D3DLIGHT_DIRECTIONAL);
  light.dvDirection = {0, 0, 1};
  state.lights.push_back(light);
  state.renderStates[D3DRENDERSTATE_SPECULARENABLE] = 0;
  EXPECT_EQ(LightAt(0, 0, 5, 0, 0, -1).specular[0], 0.0f);
  state.renderStates[D3DRENDERSTATE_SPECULARENABLE] = 1;
  state.lights[0].dwFlags |= D3DLIGHT_NO_SPECULAR;
  EXPECT_EQ(LightAt(0, 0, 5, 0, 0, -1).specular[0], 0.0f);
  state.lights[0].dwFlags = 0;  // inactive
  EXPECT_NEAR(LightAt(0, 0, 5, 0, 0, -1).diffuse[1], kAmbientG, 1e-6);
}

TEST_F(LightingTest, LightsAreGivenInWorldSpaceAndFollowTheView) {
  // A view turned half round: the light travelling along +z in the world travels along −z
  // in view space, so a surface facing the eye (−z in view space) is now behind the light.
  D3DLIGHT2 light = MakeLight(D3DLIGHT_DIRECTIONAL);
  light.dvDirection = {0, 0, 1};
  state.lights.push_back(light);
  state.view = swtest::RotationY(3.14159265f);
  const Lit lit = LightAt(0, 0, 5, 0, 0, -1);
  EXPECT_NEAR(lit.diffuse[1], kAmbientG, 1e-5);
}

TEST_F(LightingTest, NormalsStayPerpendicularUnderNonUniformScaling) {
  // The surface y = z, normal (0, 1, −1)/√2, squashed to a quarter in y: its true normal is
  // (0, 4, −1)/√17, so N·L towards −z is 1/√17 = 0.2425 (not 0.970 as the plain matrix gives).
  D3DLIGHT2 light = MakeLight(D3DLIGHT_DIRECTIONAL);
  light.dcvColor = {1, 1, 1, 1};
  light.dvDirection = {0, 0, 1};
  state.lights.push_back(light);
  state.lightStates[D3DLIGHTSTATE_AMBIENT] = 0;
  state.material.dcvEmissive = {0, 0, 0, 0};
  state.material.dcvDiffuse = {1, 1, 1, 1};
  state.material.dcvSpecular = {0, 0, 0, 0};
  state.world = swtest::Identity();
  state.world._22 = 0.25f;
  state.world._43 = 5.0f;
  VertexProcessor processor;
  ASSERT_TRUE(processor.Setup(state, 0, 0, 64, 64));
  const swtest::LitVertex vertex{0, 0, 0, 0, 1, -1};
  const dx::VertexLayout layout = dx::ParseVertexFormat(swtest::kLitFormat);
  ASSERT_TRUE(layout.valid);
  std::vector<dx::software::TransformedVertex> out;
  processor.Process(reinterpret_cast<const uint8_t*>(&vertex), sizeof vertex, 1, layout, false,
                    out);
  EXPECT_NEAR(out[0].screen.attr.diffuse[0] / 255.0f, 1.0f / std::sqrt(17.0f), 1e-4);
}

TEST_F(LightingTest, LitVertexColourReachesThePixel) {
  // End to end: a lit point drawn at the centre shows the computed colour.
  swtest::Scene scene(16, 16, 0);
  scene.state.hasMaterial = true;
  scene.state.material = state.material;
  scene.state.lightStates[D3DLIGHTSTATE_AMBIENT] = state.lightStates[D3DLIGHTSTATE_AMBIENT];
  D3DLIGHT2 light = MakeLight(D3DLIGHT_DIRECTIONAL);
  light.dvDirection = {0, 0, 1};
  scene.state.lights.push_back(light);
  scene.Clear(0xFF000000);
  ASSERT_EQ(scene.Draw(D3DPT_POINTLIST, std::vector<swtest::LitVertex>{{0, 0, 0.5f, 0, 0, -1}}),
            D3D_OK);
  const uint32_t p = scene.Pixel(8, 8);
  // Diffuse (0.6255, 0.451, 1) without specular (off by default).
  EXPECT_NEAR(swtest::R(p), 0.6255 * 255, 1.0);
  EXPECT_NEAR(swtest::G(p), (kAmbientG + 0.2) * 255, 1.0);
  EXPECT_EQ(swtest::B(p), 255);
}

}  // namespace
