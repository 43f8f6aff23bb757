#include "Progress.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>

namespace render_tool {
namespace {

constexpr double kQuietSeconds = 1.0;
constexpr double kRedrawSeconds = 0.1;
constexpr int kBarWidth = 30;

}  // namespace

double Progress::SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

Progress::Progress(std::ostream& err, int total, bool shown, Clock clock)
    : m_Err(err), m_Total(total), m_Shown(shown), m_Clock(std::move(clock)), m_Start(m_Clock()) {}

Progress::~Progress() {
  if (m_Drawn) m_Err << "\r\033[K" << std::flush;
}

void Progress::Update(int done) {
  if (!m_Shown || m_Total <= 0 || done <= 0) return;
  const double now = m_Clock();
  const double spent = now - m_Start;
  if (spent <= kQuietSeconds) return;
  if (m_Drawn && now - m_LastDraw < kRedrawSeconds && done < m_Total) return;
  m_LastDraw = now;
  m_Drawn = true;
  const int filled = static_cast<int>(static_cast<long long>(done) * kBarWidth / m_Total);
  const double left = spent / done * (m_Total - done);
  char line[160];
  std::snprintf(line, sizeof line, "\rframe %d of %d [%s%s] %.0f s left\033[K", done, m_Total,
                std::string(filled, '#').c_str(), std::string(kBarWidth - filled, '.').c_str(),
                std::ceil(left));
  m_Err << line << std::flush;
}

}  // namespace render_tool
