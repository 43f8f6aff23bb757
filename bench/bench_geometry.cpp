// Torus generator at the program's defaults: the mesh's generator against a plain reading of
// the algorithm. Both reuse their storage, as in every frame with unchanged step counts.
#include <benchmark/benchmark.h>

#include "geometry/Mesh.h"
#include "torus_plain.h"

namespace {

// Upload is not part of what is timed.
class BenchMesh final : public Mesh {
 public:
  void UpdatePositions() override {}
  void UpdateNormals() override {}
  void UpdateTexCoords0() override {}
  void UpdateTexCoords1() override {}
};

// The frame step's inputs at animation time t with the default shape.
struct Frame {
  float t;
  float lobeAmplitude() const { return (0.3f * quennet::Sin(0.02f * t) + 0.2f) * 0.5f; }
};

void BM_MakeTorus(benchmark::State& state) {
  BenchMesh mesh;
  float t = 0.0f;
  for (auto _ : state) {
    const Frame f{t};
    mesh.MakeTorus(0.6f, 0.245f, 101, 77, 3.0f, f.lobeAmplitude(), 0.2f * t, 2.0f, 0.3f, 1.0f, 0.2f,
                   t);
    benchmark::DoNotOptimize(mesh.m_Positions);
    benchmark::ClobberMemory();
    t += 1.0f;
  }
}
BENCHMARK(BM_MakeTorus)->Unit(benchmark::kMillisecond);

// Worst case: the layout changes on every call, so the storage, the angle table and the
// index list are all made again.
void BM_MakeTorusNewLayout(benchmark::State& state) {
  BenchMesh mesh;
  float t = 0.0f;
  bool swap = false;
  for (auto _ : state) {
    const Frame f{t};
    mesh.MakeTorus(0.6f, 0.245f, swap ? 77 : 101, swap ? 102 : 77, 3.0f, f.lobeAmplitude(),
                   0.2f * t, 2.0f, 0.3f, 1.0f, 0.2f, t);
    benchmark::DoNotOptimize(mesh.m_Positions);
    benchmark::ClobberMemory();
    t += 1.0f;
    swap = !swap;
  }
}
BENCHMARK(BM_MakeTorusNewLayout)->Unit(benchmark::kMillisecond);

void BM_MakeTorusPlain(benchmark::State& state) {
  PlainTorus torus;
  float t = 0.0f;
  for (auto _ : state) {
    const Frame f{t};
    torus.Make(0.6f, 0.245f, 101, 77, 3.0f, f.lobeAmplitude(), 0.2f * t, 2.0f, 0.3f, t);
    benchmark::DoNotOptimize(torus.positions.data());
    benchmark::ClobberMemory();
    t += 1.0f;
  }
}
BENCHMARK(BM_MakeTorusPlain)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
