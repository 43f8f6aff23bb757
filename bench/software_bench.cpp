// The software device drawing the program's default frame: the torus at the default shape,
// the ambient and the directional light, the default material and render states, the
// renderer's projection and view with their sign changes, then the copy to a window.
//
// Besides the frame time, each run reports where it went (per frame, in ms): torus build,
// upload into the vertex array, clear, transform and lighting, rasterisation, copy to window.
// QUENNET_BENCH_PICTURE=<file.png> writes frame 40 (t = 38) as a picture. tris_blocks counts the
// triangles the block path drew (8 or 16 pixels at once) rather than the row path.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "geometry/Material.h"
#include "geometry/Matrix4.h"
#include "geometry/Mesh.h"
#include "platform/directx/software/SoftwareDriver.h"
#include "platform/directx/software/SoftwarePipeline.h"
#include "platform/framework/Window.h"
#include "util/Png.h"

namespace {

using Clock = std::chrono::steady_clock;

class BenchMesh final : public Mesh {
 public:
  void UpdatePositions() override {}
  void UpdateNormals() override {}
  void UpdateTexCoords0() override {}
  void UpdateTexCoords1() override {}
};

D3DMATRIX ToD3D(const Matrix4& m) {
  D3DMATRIX d;
  std::memcpy(&d, &m, sizeof d);
  return d;
}

D3DCOLORVALUE ToColour(const Vec4& v) {
  return {v.x, v.y, v.z, v.w};
}

double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

// Everything the frame step and the renderer would set up, against the software pipeline.
class DefaultFrame {
 public:
  DefaultFrame(int width, int height, int threads = 1) : m_Window(width, height) {
    dx::software::SoftwareDriver driver;
    m_Target.width = width;
    m_Target.height = height;
    m_Target.pitch = width * 4;
    m_Target.format.dwSize = sizeof(DDPIXELFORMAT);
    m_Target.format.dwFlags = DDPF_RGB;
    m_Target.format.dwRGBBitCount = 32;
    m_Target.format.dwRBitMask = 0xFF0000;
    m_Target.format.dwGBitMask = 0xFF00;
    m_Target.format.dwBBitMask = 0xFF;
    m_Target.bits.resize(static_cast<size_t>(m_Target.pitch) * height);
    // The renderer asks for a 16-bit depth buffer.
    m_Depth.width = width;
    m_Depth.height = height;
    m_Depth.pitch = width * 2;
    m_Depth.format = driver.ZBufferFormats().front();
    m_Depth.bits.resize(static_cast<size_t>(m_Depth.pitch) * height);
    HRESULT hr = S_OK;
    auto pipeline = driver.CreatePipeline(m_Target, hr);
    m_Pipeline.reset(static_cast<dx::software::SoftwarePipeline*>(pipeline.release()));
    m_Pipeline->SetProfiling(true);
    m_Pipeline->SetThreads(static_cast<unsigned>(threads));
    // QUENNET_BENCH_BLOCKS=off|8 measures the row path or eight-pixel blocks instead of the
    // block path's widest blocks on this processor.
    if (const char* blocks = std::getenv("QUENNET_BENCH_BLOCKS")) {
      const std::string b = blocks;
      if (b == "off") m_Pipeline->SetBlockWidth(dx::software::BlockWidth::kNone);
      if (b == "8") m_Pipeline->SetBlockWidth(dx::software::BlockWidth::kEight);
    }

    dx::DrawState& s = m_State;
    s.target = &m_Target;
    s.zbuffer = &m_Depth;
    s.hasViewport = true;
    s.viewport = {
        44,   0,    0,   static_cast<DWORD>(width), static_cast<DWORD>(height), -1.0f, 1.0f, 2.0f,
        2.0f, 0.0f, 1.0f};
    DWORD* rs = s.renderStates;
    rs[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
    rs[D3DRENDERSTATE_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRENDERSTATE_ZWRITEENABLE] = 1;
    rs[D3DRENDERSTATE_ZENABLE] = 1;
    rs[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESS;
    rs[D3DRENDERSTATE_ZBIAS] = 0;
    rs[D3DRENDERSTATE_ALPHABLENDENABLE] = 0;
    rs[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRENDERSTATE_SPECULARENABLE] = 1;
    rs[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRENDERSTATE_LASTPIXEL] = 1;

    const Material material;
    s.hasMaterial = true;
    s.material.dwSize = sizeof(D3DMATERIAL);
    s.material.dcvDiffuse = ToColour(material.m_Diffuse);
    s.material.dcvAmbient = ToColour(material.m_Ambient);
    s.material.dcvSpecular = ToColour(material.m_Specular);
    s.material.dcvEmissive = ToColour(material.m_Emissive);
    s.material.dvPower = material.m_SpecularPower;

    // The directional light as the renderer sends it: white, at (1, 1, 1), shining along -z.
    D3DLIGHT2 light{};
    light.dwSize = sizeof(D3DLIGHT2);
    light.dltType = D3DLIGHT_DIRECTIONAL;
    light.dcvColor = {1, 1, 1, 1};
    light.dvPosition = {1, 1, 1};
    light.dvDirection = {0, 0, -1};
    light.dvRange = 1e12f;
    light.dvFalloff = 1;
    light.dvAttenuation1 = 1;
    light.dwFlags = D3DLIGHT_ACTIVE;
    s.lights.push_back(light);

    // Projection and view with the renderer's sign changes.
    const float fov = 45.0f * 6.2831855f / 360.0f;
    Matrix4 projection, view;
    projection.SetPerspective(0.02f, 100.0f, fov, fov);
    projection.m[0][0] *= -1.0f;
    projection.m[2][2] *= -1.0f;
    projection.m[2][3] *= -1.0f;
    view.SetTranslation(0.0f, 0.0f, -2.8f);
    view.m[0][0] *= -1.0f;
    view.m[2][2] *= -1.0f;
    view.m[3][2] *= -1.0f;
    s.projection = ToD3D(projection);
    s.view = ToD3D(view);
  }

  // One frame at animation time t with the given angles; returns the pixels drawn.
  void Draw(float t, float angleX, float angleY, float angleZ) {
    const Clock::time_point t0 = Clock::now();
    const float lobeAmplitude = (0.3f * std::sin(0.02f * t) + 0.2f) * 0.5f;
    m_Mesh.MakeTorus(0.6f, 0.245f, 101, 77, 3.0f, lobeAmplitude, 0.2f * t, 2.0f, 0.3f, 1.0f, 0.2f,
                     t);
    const Clock::time_point t1 = Clock::now();
    // The vertex buffer's upload: position and normal, 24 bytes a vertex.
    const int n = m_Mesh.m_NumVertices;
    m_Vertices.resize(static_cast<size_t>(n) * 6);
    for (int i = 0; i < n; ++i) {
      std::memcpy(&m_Vertices[i * 6], &m_Mesh.m_Positions[i], 12);
      std::memcpy(&m_Vertices[i * 6 + 3], &m_Mesh.m_Normals[i], 12);
    }
    const Clock::time_point t2 = Clock::now();

    const float r = 0.2f * std::sin(0.11f * t) + 0.5f;
    const float g = 0.2f * std::sin(0.101f * t) + 0.5f;
    const float b = 0.2f * std::sin(0.12f * t) + 0.5f;
    auto ambient = [](float c) {
      const float v = (0.25f - 0.25f * c) * 255.0f + 0.5f;
      return static_cast<DWORD>(v < 0 ? 0 : (v > 255 ? 255 : v));
    };
    m_State.lightStates[D3DLIGHTSTATE_AMBIENT] =
        (ambient(r) << 16) | (ambient(g) << 8) | ambient(b);
    const D3DCOLOR clear = 0xFF000000u | (static_cast<DWORD>(r * 255.0f) << 16) |
                           (static_cast<DWORD>(g * 255.0f) << 8) | static_cast<DWORD>(b * 255.0f);
    const D3DRECT rect{0, 0, m_Target.width, m_Target.height};
    m_Pipeline->Clear(m_State, &rect, 1, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f);
    const Clock::time_point t3 = Clock::now();

    Matrix4 world, rz, ry;
    world.SetRotation(0, angleX);
    rz.SetRotation(2, angleZ);
    ry.SetRotation(1, angleY);
    world.Multiply(rz, world);
    world.Multiply(ry, world);
    m_State.world = ToD3D(world);
    dx::DrawCall call;
    call.type = D3DPT_TRIANGLELIST;
    call.fvf = D3DFVF_XYZ | D3DFVF_NORMAL;
    call.vertices = reinterpret_cast<const uint8_t*>(m_Vertices.data());
    call.stride = 24;
    call.vertexCount = static_cast<DWORD>(n);
    call.indices = m_Mesh.m_Indices;
    call.indexCount = m_Mesh.m_NumIndices;
    m_Pipeline->Draw(m_State, call);
    const Clock::time_point t4 = Clock::now();
    const RECT src{0, 0, m_Target.width, m_Target.height};
    m_Pipeline->Present(m_Target, src, &m_Window, POINT{0, 0});
    const Clock::time_point t5 = Clock::now();

    m_TorusMs += Ms(t0, t1);
    m_UploadMs += Ms(t1, t2);
    m_ClearMs += Ms(t2, t3);
    m_DrawMs += Ms(t3, t4);
    m_PresentMs += Ms(t4, t5);
  }

  void Report(benchmark::State& state) const {
    const double frames = static_cast<double>(state.iterations());
    const auto& p = m_Pipeline->Profile();
    state.counters["torus_ms"] = m_TorusMs / frames;
    state.counters["upload_ms"] = m_UploadMs / frames;
    state.counters["clear_ms"] = m_ClearMs / frames;
    state.counters["vertex_ms"] = p.vertexSeconds * 1000.0 / frames;
    state.counters["raster_ms"] = p.rasterSeconds * 1000.0 / frames;
    state.counters["draw_ms"] = m_DrawMs / frames;
    state.counters["present_ms"] = m_PresentMs / frames;
    state.counters["tris_drawn"] = static_cast<double>(p.trianglesDrawn) / frames;
    state.counters["pixels"] = static_cast<double>(p.pixelsWritten) / frames;
    state.counters["tris_blocks"] = static_cast<double>(p.trianglesInBlocks) / frames;
    state.counters["banded"] = static_cast<double>(p.bandedDraws) / frames;
  }

  void WritePicture(const char* path) const {
    util::WritePng(path, m_Window.Pixels().data(), m_Target.width, m_Target.height,
                   m_Target.width * 4, false);
  }

 private:
  OffscreenWindow m_Window;
  dx::SurfaceData m_Target, m_Depth;
  dx::DrawState m_State;
  std::unique_ptr<dx::software::SoftwarePipeline> m_Pipeline;
  BenchMesh m_Mesh;
  std::vector<float> m_Vertices;
  double m_TorusMs = 0, m_UploadMs = 0, m_ClearMs = 0, m_DrawMs = 0, m_PresentMs = 0;
};

// Frames advance as the peer's do: 0.05 s apart, the angles at the default spin rates. The
// sequence repeats every 128 frames (6.4 s), so that runs of any length average alike.
void BM_SoftwareDefaultFrame(benchmark::State& state) {
  DefaultFrame frame(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)),
                     static_cast<int>(state.range(2)));
  int f = 0;
  for (auto _ : state) {
    const float d = 0.05f * 19.0f;
    const float t = static_cast<float>(f % 128) * d;
    frame.Draw(t, t * 0.015f, t * 0.0127f, t * 0.013f);
    ++f;
  }
  frame.Report(state);
  if (const char* path = std::getenv("QUENNET_BENCH_PICTURE")) {
    // A fixed frame, so that pictures of different runs compare.
    const float t = 40 * 0.05f * 19.0f, d = 40 * 0.05f * 19.0f;
    frame.Draw(t, d * 0.015f, d * 0.0127f, d * 0.013f);
    frame.WritePicture(path);
  }
}
// The third argument is the threads the device may use (two bands from 1280 × 720).
BENCHMARK(BM_SoftwareDefaultFrame)
    ->Args({640, 600, 1})
    ->Args({1920, 1080, 1})
    ->Args({1920, 1080, 2})
    ->Args({3840, 2160, 1})
    ->Args({3840, 2160, 2})
    ->Unit(benchmark::kMillisecond);
// The first 16 frames exactly, for instruction counts under a profiler.
BENCHMARK(BM_SoftwareDefaultFrame)
    ->Name("BM_SoftwareFirstFrames")
    ->Args({640, 600, 1})
    ->Iterations(16)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
