// Seconds since the main window was made, and the length of the last frame, from the
// platform's millisecond tick counter.
#pragma once

class FrameClock {
 public:
  FrameClock();

  void Reset(float seconds);
  void Tick();
  float Elapsed() const { return static_cast<float>(m_Elapsed); }
  float Delta() const { return static_cast<float>(m_Delta); }

 private:
  static double Reading();

  double m_Start = 0.0;
  double m_Now = 0.0;
  double m_Elapsed = 0.0;
  double m_Delta = 0.0;
};
