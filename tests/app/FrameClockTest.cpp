// The frame clock against a tick counter the test drives.
#include <gtest/gtest.h>

#include "Overrides.h"
#include "app/FrameClock.h"

namespace {

class FrameClockTest : public ::testing::Test {
 protected:
  DWORD m_Ticks = 5000;
  testsupport::ScopedTickCount m_TickCount{[this] { return m_Ticks; }};
};

TEST_F(FrameClockTest, ElapsedAndDeltaFollowTheCounterFromConstructionOrReset) {
  FrameClock clock;
  EXPECT_EQ(clock.Elapsed(), 0.0f);
  EXPECT_EQ(clock.Delta(), 0.0f);
  m_Ticks += 250;
  clock.Tick();
  EXPECT_FLOAT_EQ(clock.Elapsed(), 0.25f);
  EXPECT_FLOAT_EQ(clock.Delta(), 0.25f);
  // A tick on the same count: same time, no delta.
  clock.Tick();
  EXPECT_FLOAT_EQ(clock.Elapsed(), 0.25f);
  EXPECT_EQ(clock.Delta(), 0.0f);

  clock.Reset(3.5f);
  EXPECT_FLOAT_EQ(clock.Elapsed(), 3.5f);
  EXPECT_EQ(clock.Delta(), 0.0f);
  m_Ticks += 500;
  clock.Tick();
  EXPECT_FLOAT_EQ(clock.Elapsed(), 4.0f);
  EXPECT_FLOAT_EQ(clock.Delta(), 0.5f);
}

TEST_F(FrameClockTest, KeepsWholeMillisecondsAnywhereInTheUnsignedRange) {
  // Counts past 2^31 must not turn negative, and near the top a float reading would lose
  // whole milliseconds.
  for (DWORD start : {0x80000000u, 0xFFFFFF00u}) {
    m_Ticks = start;
    FrameClock clock;
    m_Ticks = start + 1;
    clock.Tick();
    EXPECT_FLOAT_EQ(clock.Elapsed(), 0.001f) << start;
    EXPECT_FLOAT_EQ(clock.Delta(), 0.001f) << start;
  }
}

}  // namespace
