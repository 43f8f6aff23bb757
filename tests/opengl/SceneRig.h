// Test support: the program's scene (default torus, ambient and directional light, default
// material) drawn by the renderer over an off-screen window on one chosen device, and a
// comparison of two pictures.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "GoldenImage.h"
#include "Overrides.h"
#include "geometry/Matrix4.h"
#include "geometry/Vec.h"
#include "geometry/VertexBufferMesh.h"
#include "platform/directx/Pipeline.h"
#include "platform/directx/opengl/OpenGLDevice.h"
#include "platform/directx/software/SoftwareDriver.h"
#include "platform/framework/Window.h"
#include "render/Light.h"
#include "render/RenderStateBlock.h"
#include "render/Renderer.h"

namespace gltest {

// The OpenGL driver shared by the tests of one binary (making a context costs tens of
// milliseconds), or nullptr with the reason when this machine has none.
inline std::shared_ptr<dx::DeviceDriver> OpenGLDriver(std::string* reason = nullptr) {
  static std::string why;
  static std::shared_ptr<dx::DeviceDriver> driver = dx::opengl::MakeOpenGLDriver(&why);
  if (reason) *reason = why;
  return driver;
}

#define QUENNET_REQUIRE_OPENGL()                                         \
  do {                                                                   \
    std::string reason_;                                                 \
    if (!gltest::OpenGLDriver(&reason_))                                 \
      GTEST_SKIP() << "no OpenGL context can be made here: " << reason_; \
  } while (0)

// Makes a system of the given devices current for its lifetime, and puts back the one
// before. Every box the capability test would show is recorded (and answered OK).
class SystemScope {
 public:
  SystemScope(std::vector<std::shared_ptr<dx::DeviceDriver>> devices,
              std::vector<std::string>& boxes)
      : m_Previous(dx::SharedSystem()),
        m_Boxes([&boxes](HWND, const char* text, const char* caption, UINT) {
          boxes.push_back(std::string(caption ? caption : "") + ": " + (text ? text : ""));
          return IDOK;
        }) {
    auto system = std::make_shared<dx::System>();
    system->devices = std::move(devices);
    dx::SetSystem(system);
  }
  ~SystemScope() { dx::SetSystem(m_Previous); }
  SystemScope(const SystemScope&) = delete;
  SystemScope& operator=(const SystemScope&) = delete;

 private:
  std::shared_ptr<dx::System> m_Previous;
  testsupport::ScopedMessageBoxes m_Boxes;
};

// The frame step's scene at animation time t, drawn by a renderer on one device.
class SceneRig {
 public:
  static constexpr float kSpinX = 0.015f, kSpinY = 0.0127f, kSpinZ = 0.013f;

  SceneRig(std::shared_ptr<dx::DeviceDriver> device, int width, int height)
      : devices{std::move(device)}, window(width, height, POINT{30, 40}) {
    mesh.m_Renderer = &renderer;
  }
  // The renderer keeps the device object of a material it was only handed (it lives as long
  // as the program); a test gives it back.
  ~SceneRig() { renderer.ReleaseMaterialObject(&mesh.m_Material); }
  SceneRig(const SceneRig&) = delete;
  SceneRig& operator=(const SceneRig&) = delete;

  // Creates the renderer over the window, on a system of this rig's devices (the objects
  // keep that system afterwards), and lists the two lights, ambient first.
  int Create() {
    SystemScope scope(devices, boxes);
    const int result = renderer.Create(&window);
    renderer.AddLight(&ambient);
    renderer.AddLight(&sun);
    return result;
  }

  // One frame as the frame step draws it, with the render states of `states`; `extra` runs
  // after the states are applied (for device states outside the block).
  const std::vector<uint32_t>& Frame(float t, const RenderStateBlock& states,
                                     const std::function<void(Renderer&)>& extra = {}) {
    sun.m_Type = kLightDirectional;
    sun.m_Direction.Set(0.0f, 0.0f, -1.0f);
    sun.MarkChanged();
    ambient.m_Type = kLightAmbient;
    ambient.MarkChanged();
    const float fov = 45.0f * quennet::kTwoPi / 360.0f;
    Matrix4 projection, view;
    projection.SetPerspective(0.02f, 100.0f, fov, fov);
    renderer.SetTransform(TransformKind::Projection, &projection);
    view.SetTranslation(0.0f, 0.0f, -2.8f);
    renderer.SetTransform(TransformKind::View, &view);
    mesh.MakeTorus(0.6f, 0.245f, 101, 77, 3.0f, (0.3f * quennet::Sin(0.02f * t) + 0.2f) * 0.5f,
                   0.2f * t, 2.0f, 0.3f, 1.0f, 0.2f, t);
    const float red = 0.2f * quennet::Sin(0.11f * t) + 0.5f;
    const float green = 0.2f * quennet::Sin(0.101f * t) + 0.5f;
    const float blue = 0.2f * quennet::Sin(0.12f * t) + 0.5f;
    renderer.m_Background.Set(red, green, blue);
    ambient.m_Color.Set(0.25f - 0.25f * red, 0.25f - 0.25f * green, 0.25f - 0.25f * blue, 0.0f);
    renderer.Clear();
    renderer.BeginFrame();
    Matrix4 world, rotation;
    world.SetRotation(0, kSpinX * t);
    rotation.SetRotation(2, kSpinZ * t);
    world.Multiply(rotation, world);
    rotation.SetRotation(1, kSpinY * t);
    world.Multiply(rotation, world);
    renderer.SetTransform(TransformKind::World, &world);
    renderer.ApplyStates(&states);
    if (extra) extra(renderer);
    renderer.SetMaterial(&mesh.m_Material);
    mesh.Draw();
    renderer.EndFrame();
    renderer.Present();
    return window.Pixels();
  }

  static RenderStateBlock DefaultStates() {
    RenderStateBlock states;
    states.SetDefaults();
    return states;
  }

  // Declared in the order they must outlive each other: the renderer lets go of its device
  // objects before the lights and the window go.
  std::vector<std::shared_ptr<dx::DeviceDriver>> devices;
  std::vector<std::string> boxes;  // capability boxes shown during Create
  OffscreenWindow window;
  Light ambient;
  Light sun;
  Renderer renderer;
  VertexBufferMesh mesh;
};

// How far two pictures of the same size are apart.
struct Difference {
  int maxChannel = 255;         // largest difference of one channel (r, g or b)
  double percentOver8 = 100.0;  // pixels where some channel differs by more than 8 levels
  double meanChannel = 0.0;     // mean absolute channel difference

  std::string Text() const {
    char text[160];
    std::snprintf(text, sizeof text,
                  "max channel difference %d, %.3f%% of pixels over 8 levels, mean %.4f",
                  maxChannel, percentOver8, meanChannel);
    return text;
  }
};

inline Difference Compare(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  const testsupport::ImageDifference d = testsupport::ComparePixels(a, b, 8);
  if (!d.sameSize) return {};
  return {d.largest, 100.0 * d.pixelsOver / static_cast<double>(a.size()), d.mean};
}

}  // namespace gltest
