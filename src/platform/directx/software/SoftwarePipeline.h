// The software device's pipeline: clears, draws and presents into the front's surfaces in
// ordinary memory. Deterministic: the same calls give the same pixels on every machine.
//
// Implemented: point, line and triangle lists, strips and fans, indexed or not; transform,
// lighting, clipping (near, far, guard band) and rasterisation as described in
// VertexProcessor.h, Clipping.h and Rasterizer.h; D3DCULL_NONE/CW/CCW;
// D3DFILL_POINT/WIREFRAME/SOLID. A clear of a whole surface is a fast clear (PendingClear.h):
// solid triangles fill the tiles under their bounding box first. Triangles are culled before
// lighting, so only the vertices of triangles that will be drawn are lit. Nothing is allocated per
// frame once the caches have grown to the largest draw.
//
// Two threads: on a large target (kBandPixels) a draw of solid triangles is split at a row of
// fast-clear tiles into two bands. The calling thread transforms, lights, clips and culls as
// always, recording the screen triangles; then it rasterises them over the upper band while a
// kept worker thread rasterises the same list, in the same order, over the lower. Each pixel
// and each tile is written by one thread in the order one thread would, so the pixels and the
// counts are those of one thread; the draw returns when both are done.
#pragma once

#include <algorithm>
#include <array>
#include <vector>

#include "platform/directx/DeviceHelpers.h"
#include "platform/directx/Pipeline.h"
#include "platform/directx/software/Rasterizer.h"
#include "platform/directx/software/Texture.h"
#include "platform/directx/software/VertexProcessor.h"
#include "platform/directx/software/WorkerThread.h"

namespace dx::software {

// Where the time of the draws went, summed until reset; measured only when profiling is on.
struct PipelineProfile {
  double vertexSeconds = 0.0;  // transform and lighting
  double rasterSeconds = 0.0;  // primitive assembly, clipping, culling, rasterisation
  uint64_t draws = 0;
  uint64_t trianglesIn = 0;
  uint64_t trianglesDrawn = 0;  // after rejection and culling
  uint64_t pixelsWritten = 0;
  uint64_t trianglesInBlocks = 0;  // of those, drawn by the block path
  uint64_t bandedDraws = 0;        // draws rasterised in two bands on two threads
};

class SoftwarePipeline : public Pipeline {
 public:
  // Targets of at least this many pixels in the scissor are drawn in two bands when two
  // threads are allowed: below it the hand-off costs more than the second thread saves.
  static constexpr int64_t kBandPixels = 1280 * 720;

  SoftwarePipeline() = default;
  SoftwarePipeline(const SoftwarePipeline&) = delete;
  SoftwarePipeline& operator=(const SoftwarePipeline&) = delete;

  HRESULT Clear(DrawState& state, const D3DRECT* rects, DWORD count, DWORD flags, D3DCOLOR colour,
                D3DVALUE z) override;
  HRESULT Draw(DrawState& state, const DrawCall& call) override;
  HRESULT Present(SurfaceData& target, const RECT& src, HWND window, POINT dst) override;

  void SetProfiling(bool on) { m_Profiling = on; }
  const PipelineProfile& Profile() const { return m_Profile; }
  void ResetProfile() { m_Profile = PipelineProfile{}; }
  // Tests compare the block path with the row path.
  void SetBlockWidth(BlockWidth width) {
    m_Rasterizer.SetBlockWidth(width);
    m_LowerBand.SetBlockWidth(width);
  }
  void SetThreads(unsigned threads) override { m_Threads = threads; }

 private:
  HRESULT PreparePixels(const DrawState& state);
  void PrepareTextures(const DrawState& state);
  // Calls f(i0, i1, i2, provoking) for every triangle of a list, strip or fan.
  template <class Index, class F>
  static void ForEachTriangle(D3DPRIMITIVETYPE type, uint32_t n, Index at, F f);
  // The triangles of a list, strip or fan that survive rejection and culling, four entries
  // each (i0, i1, i2, provoking) in m_Visible, their vertices marked in m_Lit; returns the
  // number of entries.
  template <class Index>
  size_t FindVisible(D3DPRIMITIVETYPE type, uint32_t n, Index at);
  // Draws the first count entries of m_Visible.
  void DrawVisible(size_t count);
  // Whether a triangle survives rejection and culling (triangles that need clipping count as
  // visible; they are decided after clipping).
  bool Visible(uint32_t i0, uint32_t i1, uint32_t i2) const;
  void Triangle(uint32_t i0, uint32_t i1, uint32_t i2, uint32_t provoking);
  void ScreenTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                      const ScreenVertex& provoking);
  void ClippedTriangle(const TransformedVertex& a, const TransformedVertex& b,
                       const TransformedVertex& c, const TransformedVertex& provoking,
                       uint32_t planes);
  void LinePrimitive(uint32_t i0, uint32_t i1);
  void PointPrimitive(uint32_t i);
  bool Cull(int64_t area) const;
  // The row at which a draw of this state is split into two bands, or 0 for one thread.
  int BandSplit(D3DPRIMITIVETYPE type) const;
  // Recording: solid triangles go to m_Recorded instead of the rasteriser.
  void Record(uint32_t a, uint32_t b, uint32_t c, uint32_t provoking);
  void RecordFan(const ScreenVertex* polygon, int n, const ScreenVertex& colours);
  const ScreenVertex& RecordedVertex(uint32_t i) const {
    return (i & kClippedVertex) ? m_ClippedScreen[i & ~kClippedVertex] : m_Vertices[i].screen;
  }
  // Rasterises the recorded triangles over both bands, the lower on the worker thread.
  void DrawBands(int split);
  static void DrawRecorded(const SoftwarePipeline& pipeline, Rasterizer& rasterizer);

  // A recorded vertex index with this bit is one of m_ClippedScreen, else of m_Vertices.
  static constexpr uint32_t kClippedVertex = 1u << 31;

  VertexProcessor m_VertexProcessor;
  Rasterizer m_Rasterizer;  // and, drawing in two bands, the upper one's
  // The worker thread's, on cache lines of its own: the threads write their counters per
  // triangle.
  alignas(64) Rasterizer m_LowerBand;
  alignas(64) PixelState m_Pixels;
  TextureStages m_Stages;
  MipChain m_Textures[kTextureStageCount];
  std::vector<TransformedVertex> m_Vertices;  // grown only
  std::vector<uint8_t> m_Lit;                 // grown only: vertices that need lighting
  std::vector<uint32_t> m_Visible;            // grown only: i0, i1, i2, provoking per triangle
  DWORD m_CullMode = D3DCULL_CCW;
  DWORD m_FillMode = D3DFILL_SOLID;
  uint32_t m_VertexCount = 0;
  std::vector<std::array<int64_t, 4>> m_ClearRects;
  PresentScratch m_PresentScratch;  // grown only: x0, y0, x1, y1 of a clear
  bool m_Profiling = false;
  PipelineProfile m_Profile;
  unsigned m_Threads = 1;
  bool m_Recording = false;
  std::vector<std::array<uint32_t, 4>> m_Recorded;  // grown only: a, b, c, provoking
  size_t m_RecordedCount = 0;
  std::vector<ScreenVertex> m_ClippedScreen;  // grown only: clipped polygons' vertices
  size_t m_ClippedCount = 0;
  // The last draw in two bands: its split, the scissor's rows it split and the seconds each
  // thread took (the second written by the worker), from which the next over the same rows
  // balances its bands.
  int m_LastSplit = 0;
  int m_LastRows[2] = {0, 0};
  double m_LastSeconds[2] = {0, 0};
  WorkerThread m_Worker;  // last: joined before anything it reads goes
};

template <class Index>
size_t SoftwarePipeline::FindVisible(D3DPRIMITIVETYPE type, uint32_t n, Index at) {
  if (m_Lit.size() < m_VertexCount) m_Lit.resize(m_VertexCount);
  std::fill_n(m_Lit.begin(), m_VertexCount, uint8_t{0});
  // At most one entry per triangle of the call; written through a pointer, as the vector's
  // own growth checks cost as much as the culling itself.
  const size_t most = 4 * static_cast<size_t>(n);
  if (m_Visible.size() < most) m_Visible.resize(most);
  uint32_t* visible = m_Visible.data();
  uint8_t* lit = m_Lit.data();
  uint64_t trianglesIn = 0;
  ForEachTriangle(type, n, at, [&](uint32_t i0, uint32_t i1, uint32_t i2, uint32_t p) {
    ++trianglesIn;
    if (!Visible(i0, i1, i2)) return;
    visible[0] = i0;
    visible[1] = i1;
    visible[2] = i2;
    visible[3] = p;
    visible += 4;
    lit[i0] = lit[i1] = lit[i2] = 1;
  });
  m_Profile.trianglesIn += trianglesIn;
  return static_cast<size_t>(visible - m_Visible.data());
}

template <class Index, class F>
void SoftwarePipeline::ForEachTriangle(D3DPRIMITIVETYPE type, uint32_t n, Index at, F f) {
  switch (type) {
    case D3DPT_TRIANGLELIST:
      for (uint32_t k = 0; k + 2 < n; k += 3) f(at(k), at(k + 1), at(k + 2), at(k));
      break;
    case D3DPT_TRIANGLESTRIP:
      // Every other triangle of a strip is reversed so that all keep the strip's winding.
      for (uint32_t k = 0; k + 2 < n; ++k) {
        if (k & 1) {
          f(at(k + 1), at(k), at(k + 2), at(k));
        } else {
          f(at(k), at(k + 1), at(k + 2), at(k));
        }
      }
      break;
    case D3DPT_TRIANGLEFAN:
      // Flat-shaded fans take the colour of each triangle's second vertex, the first being
      // the shared centre.
      for (uint32_t k = 1; k + 1 < n; ++k) f(at(0), at(k), at(k + 1), at(k));
      break;
    default:
      break;
  }
}

}  // namespace dx::software
