// One frame of the program in its main window, from StepFrame until the picture is on the
// screen: the frame step, the device's present into the window, the window's paint through
// Qt and the window system's copy, ended by a round trip to the display server. Beside it
// the same frame step alone, which is what the off-screen path (quennet-render --bench)
// times, so the difference is what showing the picture costs.
//
// Run it on a real display platform (scripts/window-bench.sh runs it under Xvfb with
// QT_QPA_PLATFORM=xcb); on Qt's offscreen platform the paint goes into memory only.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "RenderTool.h"
#include "platform/framework/Simulate.h"

namespace {

void Frame(benchmark::State& state, bool toScreen) {
  std::string error;
  const auto session = render_tool::RenderSession::Open(
      {render_tool::DeviceChoice::Software, static_cast<int>(state.range(0)),
       static_cast<int>(state.range(1))},
      &error);
  if (!session) {
    state.SkipWithError(error.c_str());
    return;
  }
  // Shown once before timing, so the window is mapped and its first paint is done.
  session->Step();
  simulate::ShowOnScreen();
  DWORD ticks = render_tool::kClockBase;
  for (auto _ : state) {
    ticks += 33;
    session->SetTicks(ticks);
    session->Step();
    if (toScreen) simulate::ShowOnScreen();
  }
  if (!toScreen) simulate::ShowOnScreen();
  state.counters["pixels"] = static_cast<double>(state.range(0) * state.range(1));
}

void BM_StepFrame(benchmark::State& state) {
  Frame(state, false);
}
void BM_StepFrameToScreen(benchmark::State& state) {
  Frame(state, true);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({640, 600})->Args({1920, 1080})->Unit(benchmark::kMillisecond)->MinTime(1.0);
}

}  // namespace

BENCHMARK(BM_StepFrame)->Apply(Sizes);
BENCHMARK(BM_StepFrameToScreen)->Apply(Sizes);

BENCHMARK_MAIN();
