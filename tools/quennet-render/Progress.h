// A progress bar for long runs: "frame n of N", a bar and the time left, redrawn in place on
// one line of standard error. It shows only on a terminal, and only once the work has taken
// more than a second, so short runs and pipes see nothing.
#pragma once

#include <functional>
#include <iosfwd>

namespace render_tool {

class Progress {
 public:
  using Clock = std::function<double()>;  // seconds, monotonic

  // shown false: the bar never draws (standard error is not a terminal).
  Progress(std::ostream& err, int total, bool shown, Clock clock);
  // The bar is cleared away when the work ends, whether or not it finished.
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // done frames of the total are finished.
  void Update(int done);

  static double SteadySeconds();

 private:
  std::ostream& m_Err;
  int m_Total;
  bool m_Shown;
  Clock m_Clock;
  double m_Start;
  double m_LastDraw = -1.0;
  bool m_Drawn = false;
};

}  // namespace render_tool
