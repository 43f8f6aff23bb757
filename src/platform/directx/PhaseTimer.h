// A scoped clock for one phase of a device's work, shared by the devices' profiles: from its
// making to its end it adds the seconds to one field, when profiling is on. A device whose work
// runs behind its calls (OpenGL) passes the wait that settles it, run before the clock is read.
#pragma once

#include <chrono>

namespace dx {

class PhaseTimer {
 public:
  using Settle = void (*)();

  PhaseTimer(bool enabled, double& seconds, Settle settle = nullptr)
      : m_Seconds(enabled ? &seconds : nullptr),
        m_Settle(settle),
        m_Start(enabled ? Clock::now() : Clock::time_point{}) {}
  ~PhaseTimer() {
    if (!m_Seconds) return;
    if (m_Settle) m_Settle();
    *m_Seconds += std::chrono::duration<double>(Clock::now() - m_Start).count();
  }
  PhaseTimer(const PhaseTimer&) = delete;
  PhaseTimer& operator=(const PhaseTimer&) = delete;

 private:
  using Clock = std::chrono::steady_clock;

  double* m_Seconds;  // null when profiling is off
  Settle m_Settle;
  Clock::time_point m_Start;
};

}  // namespace dx
