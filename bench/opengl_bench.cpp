// The program's default frame at 640 × 600 drawn by each device, side by side in one run,
// through the whole renderer: torus build, clear, lights, states, material, the vertex
// buffer's lock and upload, the draw, the end of the scene and the copy into an off-screen
// window. Per frame (ms) each run reports where the time went, measured from outside:
//   build    the torus generator
//   setup    clear, lights, begin scene, transforms, states, material
//   draw     the mesh's draw (vertex copy into the buffer, then the device's draw)
//   end      end of the scene (the OpenGL device reads the picture back here)
//   present  the copy onto the window
// "opengl_split" also reports the OpenGL device's own phases, each waited for with glFinish
// (so the rasterisation OpenGL queued is counted where it happens): gl_clear, gl_upload
// (vertices, indices, uniforms, state), gl_draw (draw call and rasterisation), gl_readback.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "geometry/Matrix4.h"
#include "geometry/Vec.h"
#include "geometry/VertexBufferMesh.h"
#include "platform/directx/opengl/OpenGLDevice.h"
#include "platform/directx/software/SoftwareDriver.h"
#include "platform/framework/Window.h"
#include "render/Light.h"
#include "render/RenderStateBlock.h"
#include "render/Renderer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 640;
constexpr int kHeight = 600;

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

// The frame step's scene on one device.
class Scene {
 public:
  explicit Scene(std::shared_ptr<dx::DeviceDriver> device) : m_Window(kWidth, kHeight) {
    auto system = std::make_shared<dx::System>();
    system->devices.push_back(std::move(device));
    const std::shared_ptr<dx::System> previous = dx::SharedSystem();
    dx::SetSystem(system);
    m_Created = m_Renderer.Create(&m_Window) == 0;
    dx::SetSystem(previous);  // the objects keep the system they were made in
    m_Mesh.m_Renderer = &m_Renderer;
    m_Renderer.AddLight(&m_Ambient);
    m_Renderer.AddLight(&m_Sun);
  }
  ~Scene() { m_Renderer.ReleaseMaterialObject(&m_Mesh.m_Material); }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;
  bool Created() const { return m_Created; }

  struct Phases {
    double build = 0, setup = 0, draw = 0, end = 0, present = 0;
  };

  void Frame(float t, Phases& phases) {
    const Clock::time_point t0 = Clock::now();
    m_Mesh.MakeTorus(0.6f, 0.245f, 101, 77, 3.0f, (0.3f * quennet::Sin(0.02f * t) + 0.2f) * 0.5f,
                     0.2f * t, 2.0f, 0.3f, 1.0f, 0.2f, t);
    const Clock::time_point t1 = Clock::now();
    m_Sun.m_Type = kLightDirectional;
    m_Sun.m_Direction.Set(0.0f, 0.0f, -1.0f);
    m_Sun.MarkChanged();
    m_Ambient.m_Type = kLightAmbient;
    const float fov = 45.0f * quennet::kTwoPi / 360.0f;
    Matrix4 projection, view, world, rotation;
    projection.SetPerspective(0.02f, 100.0f, fov, fov);
    m_Renderer.SetTransform(TransformKind::Projection, &projection);
    view.SetTranslation(0.0f, 0.0f, -2.8f);
    m_Renderer.SetTransform(TransformKind::View, &view);
    const float red = 0.2f * quennet::Sin(0.11f * t) + 0.5f;
    const float green = 0.2f * quennet::Sin(0.101f * t) + 0.5f;
    const float blue = 0.2f * quennet::Sin(0.12f * t) + 0.5f;
    m_Renderer.m_Background.Set(red, green, blue);
    m_Ambient.m_Color.Set(0.25f - 0.25f * red, 0.25f - 0.25f * green, 0.25f - 0.25f * blue, 0);
    m_Ambient.MarkChanged();
    m_Renderer.Clear();
    m_Renderer.BeginFrame();
    world.SetRotation(0, 0.015f * t);
    rotation.SetRotation(2, 0.013f * t);
    world.Multiply(rotation, world);
    rotation.SetRotation(1, 0.0127f * t);
    world.Multiply(rotation, world);
    m_Renderer.SetTransform(TransformKind::World, &world);
    RenderStateBlock states;
    states.SetDefaults();
    m_Renderer.ApplyStates(&states);
    m_Renderer.SetMaterial(&m_Mesh.m_Material);
    const Clock::time_point t2 = Clock::now();
    m_Mesh.Draw();
    const Clock::time_point t3 = Clock::now();
    m_Renderer.EndFrame();
    const Clock::time_point t4 = Clock::now();
    m_Renderer.Present();
    const Clock::time_point t5 = Clock::now();
    phases.build += Ms(t0, t1);
    phases.setup += Ms(t1, t2);
    phases.draw += Ms(t2, t3);
    phases.end += Ms(t3, t4);
    phases.present += Ms(t4, t5);
  }

 private:
  OffscreenWindow m_Window;
  Light m_Ambient;
  Light m_Sun;
  Renderer m_Renderer;
  VertexBufferMesh m_Mesh;
  bool m_Created = false;
};

enum class Device { kSoftware, kOpenGL, kOpenGLSplit };

void DefaultFrame(benchmark::State& state, Device which) {
  std::shared_ptr<dx::DeviceDriver> driver;
  std::shared_ptr<dx::opengl::OpenGLDriver> gl;
  if (which == Device::kSoftware) {
    driver = dx::software::MakeSoftwareDriver();
  } else {
    std::string reason;
    driver = dx::opengl::MakeOpenGLDriver(&reason);
    if (!driver) {
      state.SkipWithError(("no OpenGL context can be made: " + reason).c_str());
      return;
    }
    gl = std::static_pointer_cast<dx::opengl::OpenGLDriver>(driver);
    state.SetLabel(gl->Info().renderer);
  }
  Scene scene(driver);
  if (!scene.Created()) {
    state.SkipWithError("the renderer could not be created on this device");
    return;
  }
  Scene::Phases phases;
  for (int i = 0; i < 5; ++i) scene.Frame(static_cast<float>(i), phases);  // warm-up
  phases = {};
  if (gl) {
    gl->Profile().enabled = which == Device::kOpenGLSplit;
    gl->Profile().Reset();
  }
  int frame = 0;
  for (auto _ : state) {
    // Animation time advances as at 60 frames a second.
    scene.Frame(static_cast<float>(frame++) * 19.0f / 60.0f, phases);
  }
  const double n = frame > 0 ? frame : 1;
  state.counters["build_ms"] = phases.build / n;
  state.counters["setup_ms"] = phases.setup / n;
  state.counters["draw_ms"] = phases.draw / n;
  state.counters["end_ms"] = phases.end / n;
  state.counters["present_ms"] = phases.present / n;
  if (which == Device::kOpenGLSplit) {
    const dx::opengl::OpenGLProfile& p = gl->Profile();
    state.counters["gl_clear_ms"] = p.clearSeconds * 1000.0 / n;
    state.counters["gl_upload_ms"] = p.uploadSeconds * 1000.0 / n;
    state.counters["gl_draw_ms"] = p.drawSeconds * 1000.0 / n;
    state.counters["gl_readback_ms"] = p.readbackSeconds * 1000.0 / n;
  }
}

BENCHMARK_CAPTURE(DefaultFrame, software, Device::kSoftware)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DefaultFrame, opengl, Device::kOpenGL)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DefaultFrame, opengl_split, Device::kOpenGLSplit)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
