// Phase timing from the device calls of a frame, on a clock the test moves by hand, and
// the benchmark report's form.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "PhaseTimer.h"

namespace render_tool {
namespace {

class PhaseTimerTest : public ::testing::Test {
 protected:
  // A call made at the current time, then the clock moves on by `lasting` seconds.
  void Call(const char* name, double lasting) {
    m_Timer.OnCall(name, "");
    m_Now += lasting;
  }
  void Pass(double seconds) { m_Now += seconds; }

  // One frame as the frame step makes it, with the given length of each stretch.
  void Frame(double build, double upload, double drawCall, double present) {
    m_Timer.BeginFrame();
    Pass(0.001);  // clock, lights, matrices
    Call("IDirect3DDevice3::SetTransform", 0.0);
    Call("IDirect3DDevice3::SetTransform", build);
    Call("IDirect3DViewport3::Clear2", 0.002);
    Call("IDirect3DLight::SetLight", 0.0005);
    Call("IDirect3DDevice3::BeginScene", 0.0005);
    Call("IDirect3DDevice3::SetRenderState", 0.001);
    Call("IDirect3DVertexBuffer::Lock", upload / 2);
    Call("IDirect3DVertexBuffer::Unlock", upload / 2);
    Call("IDirect3DDevice3::DrawIndexedPrimitiveVB", drawCall);
    Call("IDirect3DDevice3::EndScene", 0.0);
    Call("IDirectDrawSurface4::Blt", present);
    m_Timer.OnSleep();
    Pass(0.0005);  // the rotation
    m_Timer.EndFrame();
  }

  double m_Now = 100.0;
  PhaseTimer m_Timer{[this] { return m_Now; }};
};

TEST_F(PhaseTimerTest, EachStretchOfTheFrameLandsInItsPhase) {
  Frame(0.010, 0.004, 0.020, 0.003);
  ASSERT_EQ(m_Timer.Frames().size(), 1u);
  const FramePhases& f = m_Timer.Frames()[0];
  EXPECT_NEAR(f.build, 0.010, 1e-9);
  EXPECT_NEAR(f.upload, 0.004, 1e-9);
  EXPECT_NEAR(f.present, 0.003, 1e-9);
  // Clear, lights, scene, states and the draw call itself.
  EXPECT_NEAR(f.draw, 0.002 + 0.0005 + 0.0005 + 0.001 + 0.020, 1e-9);
  EXPECT_NEAR(f.frame, 0.001 + 0.010 + 0.004 + 0.024 + 0.003 + 0.0005, 1e-9);
}

TEST_F(PhaseTimerTest, FramesAreKeptApartAndOnlyBetweenBeginAndEnd) {
  Frame(0.010, 0.004, 0.020, 0.003);
  // Calls outside a frame (the window being made or destroyed) count nowhere.
  Call("IDirect3DViewport3::Clear2", 1.0);
  m_Timer.OnSleep();
  Frame(0.001, 0.002, 0.003, 0.004);
  ASSERT_EQ(m_Timer.Frames().size(), 2u);
  EXPECT_NEAR(m_Timer.Frames()[1].build, 0.001, 1e-9);
  EXPECT_NEAR(m_Timer.Frames()[1].present, 0.004, 1e-9);
  EXPECT_LT(m_Timer.Frames()[1].frame, 0.1);
}

TEST_F(PhaseTimerTest, AFrameWithoutADeviceHasOnlyItsLength) {
  m_Timer.BeginFrame();
  Pass(0.002);
  m_Timer.OnSleep();
  m_Timer.EndFrame();
  ASSERT_EQ(m_Timer.Frames().size(), 1u);
  const FramePhases& f = m_Timer.Frames()[0];
  EXPECT_EQ(f.build, 0.0);
  EXPECT_EQ(f.upload, 0.0);
  EXPECT_EQ(f.draw, 0.0);
  EXPECT_EQ(f.present, 0.0);
  EXPECT_NEAR(f.frame, 0.002, 1e-9);
}

TEST(PhaseSummaryTest, MedianAndPercentileInMilliseconds) {
  std::vector<double> seconds;
  // 1 .. 100 ms, shuffled by a stride that is prime to the count.
  for (int i = 0; i < 100; ++i) seconds.push_back(((i * 37) % 100 + 1) / 1000.0);
  const PhaseFigures f = Summarise(seconds);
  EXPECT_NEAR(f.median, 50.5, 1e-9);
  EXPECT_NEAR(f.p95, 95.05, 1e-9);
  const PhaseFigures one = Summarise({0.0042});
  EXPECT_NEAR(one.median, 4.2, 1e-9);
  EXPECT_NEAR(one.p95, 4.2, 1e-9);
  const PhaseFigures none = Summarise({});
  EXPECT_EQ(none.median, 0.0);
}

TEST(PhaseSummaryTest, ReportHasOneLinePerPhaseThenTheDevice) {
  std::vector<FramePhases> frames(3);
  for (int i = 0; i < 3; ++i) frames[i] = {0.0001, 0.00002, 0.0008, 0.00009, 0.00125 + i * 1e-5};
  std::istringstream report(FormatReport(frames, "software"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(report, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "build    0.100 0.100");
  EXPECT_EQ(lines[1], "upload   0.020 0.020");
  EXPECT_EQ(lines[2], "draw     0.800 0.800");
  EXPECT_EQ(lines[3], "present  0.090 0.090");
  // Median 1.26 ms: 793.65 frames a second, whole frames counted.
  EXPECT_EQ(lines[4], "frame    1.260 1.269  fps 793");
  EXPECT_EQ(lines[5], "device   software");
}

}  // namespace
}  // namespace render_tool
