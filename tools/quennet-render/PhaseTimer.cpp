#include "PhaseTimer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace render_tool {
namespace {

bool Is(const char* name, const char* expected) {
  return name && std::strcmp(name, expected) == 0;
}

}  // namespace

double PhaseTimer::SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void PhaseTimer::BeginFrame() {
  m_Marks = Marks{};
  m_InFrame = true;
  m_Marks.start = m_Clock();
}

HRESULT PhaseTimer::OnCall(const char* name, const std::string& /*args*/) {
  if (!m_InFrame) return S_OK;
  const double now = m_Clock();
  Marks& m = m_Marks;
  if (m.firstCall < 0.0) m.firstCall = now;
  if (!m.buildSeen && Is(name, "IDirect3DViewport3::Clear2")) {
    // The torus is built between the view transform and the clear.
    m.phases.build = now - (m.lastCall >= 0.0 ? m.lastCall : m.start);
    m.buildSeen = true;
  } else if (Is(name, "IDirect3DVertexBuffer::Lock")) {
    m.lockStart = now;
  } else if (Is(name, "IDirect3DDevice3::DrawIndexedPrimitiveVB") && m.lockStart >= 0.0) {
    m.phases.upload += now - m.lockStart;
    m.lockStart = -1.0;
  } else if (Is(name, "IDirect3DDevice3::EndScene")) {
    m.sceneEnded = true;
  } else if (m.sceneEnded && m.presentStart < 0.0) {
    m.presentStart = now;
  }
  m.lastCall = now;
  return S_OK;
}

void PhaseTimer::OnSleep() {
  if (!m_InFrame || m_Marks.sleep >= 0.0) return;
  m_Marks.sleep = m_Clock();
  if (m_Marks.presentStart >= 0.0) m_Marks.phases.present = m_Marks.sleep - m_Marks.presentStart;
}

void PhaseTimer::EndFrame() {
  if (!m_InFrame) return;
  const double end = m_Clock();
  Marks& m = m_Marks;
  m.phases.frame = end - m.start;
  if (m.firstCall >= 0.0) {
    const double rendererEnd = m.sleep >= 0.0 ? m.sleep : end;
    const double rest =
        (rendererEnd - m.firstCall) - m.phases.build - m.phases.upload - m.phases.present;
    m.phases.draw = std::max(0.0, rest);
  }
  m_Frames.push_back(m.phases);
  m_InFrame = false;
}

PhaseFigures Summarise(std::vector<double> seconds) {
  if (seconds.empty()) return {};
  std::sort(seconds.begin(), seconds.end());
  auto quantile = [&](double q) {
    const double position = q * static_cast<double>(seconds.size() - 1);
    const size_t below = static_cast<size_t>(std::floor(position));
    const size_t above = std::min(below + 1, seconds.size() - 1);
    const double fraction = position - static_cast<double>(below);
    return (seconds[below] + (seconds[above] - seconds[below]) * fraction) * 1000.0;
  };
  return {quantile(0.5), quantile(0.95)};
}

std::string FormatReport(const std::vector<FramePhases>& frames, const std::string& device) {
  struct Row {
    const char* name;
    double FramePhases::*phase;
  };
  static constexpr Row kRows[] = {{"build", &FramePhases::build},
                                  {"upload", &FramePhases::upload},
                                  {"draw", &FramePhases::draw},
                                  {"present", &FramePhases::present},
                                  {"frame", &FramePhases::frame}};
  std::string report;
  char line[128];
  for (const Row& row : kRows) {
    std::vector<double> values;
    values.reserve(frames.size());
    for (const FramePhases& f : frames) values.push_back(f.*row.phase);
    const PhaseFigures figures = Summarise(std::move(values));
    std::snprintf(line, sizeof line, "%-8s %.3f %.3f", row.name, figures.median, figures.p95);
    report += line;
    if (row.phase == &FramePhases::frame) {
      const long fps = figures.median > 0.0 ? static_cast<long>(1000.0 / figures.median) : 0;
      std::snprintf(line, sizeof line, "  fps %ld", fps);
      report += line;
    }
    report += '\n';
  }
  report += "device   " + device + "\n";
  return report;
}

}  // namespace render_tool
