// Where the time of a frame goes, told apart without touching the frame step: the device
// layer reports the start of every interface call to a call hook, and the frame's 1 ms
// sleep (which the benchmark replaces by nothing) marks the end of the present. A phase
// runs from the start of the call that opens it to the start of the call that follows it:
//
//   build    MakeTorus: from the view transform (the last call before it) to the clear
//   upload   vertex-buffer Lock, copy, Unlock: up to the indexed draw
//   present  from the first call after EndScene (the Blt) to the sleep
//   draw     the rest of the renderer's work: first call to the sleep, less the three above
//   frame    the whole StepFrame call
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/directx/Pipeline.h"

namespace render_tool {

struct FramePhases {  // seconds
  double build = 0.0;
  double upload = 0.0;
  double draw = 0.0;
  double present = 0.0;
  double frame = 0.0;
};

class PhaseTimer final : public dx::CallHook {
 public:
  // Seconds on a monotonic clock.
  using Clock = std::function<double()>;
  static double SteadySeconds();

  explicit PhaseTimer(Clock clock = SteadySeconds) : m_Clock(std::move(clock)) {}

  void BeginFrame();
  HRESULT OnCall(const char* name, const std::string& args) override;
  // The frame step's sleep.
  void OnSleep();
  void EndFrame();

  const std::vector<FramePhases>& Frames() const { return m_Frames; }

 private:
  struct Marks {
    double start = 0.0;
    double firstCall = -1.0;
    double lastCall = -1.0;
    double lockStart = -1.0;
    double presentStart = -1.0;
    double sleep = -1.0;
    bool buildSeen = false;
    bool sceneEnded = false;
    FramePhases phases;
  };

  Clock m_Clock;
  Marks m_Marks;
  bool m_InFrame = false;
  std::vector<FramePhases> m_Frames;
};

struct PhaseFigures {  // milliseconds
  double median = 0.0;
  double p95 = 0.0;
};

// Median and 95th percentile (linear between the nearest ranks), in milliseconds, of values
// in seconds. Zeros for no values.
PhaseFigures Summarise(std::vector<double> seconds);

// The benchmark's report: one line per phase, "name median p95", the frame line with the
// frames per second of its median, then the device's name.
std::string FormatReport(const std::vector<FramePhases>& frames, const std::string& device);

}  // namespace render_tool
