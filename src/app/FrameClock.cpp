#include "app/FrameClock.h"

#include "platform/framework/Window.h"

FrameClock::FrameClock() {
  Reset(0.0f);
  m_Delta = 0.0;
}

double FrameClock::Reading() {
  return static_cast<double>(GetTickCount()) * 0.001;
}

void FrameClock::Reset(float seconds) {
  m_Now = Reading();
  m_Start = m_Now - seconds;
  m_Elapsed = seconds;
  m_Delta = 0.0;
}

void FrameClock::Tick() {
  const double previous = m_Elapsed;
  m_Now = Reading();
  m_Elapsed = m_Now - m_Start;
  m_Delta = m_Elapsed - previous;
}
