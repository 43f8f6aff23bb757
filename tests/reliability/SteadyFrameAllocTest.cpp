// Frames whose step counts and picture size stay as they were allocate nothing: counted
// with the replaced global operator new over the whole frame (renderer, device, window
// platform), with both tool dialogs open and the other parameters changing between frames.
#include <gtest/gtest.h>

#include <cmath>

#include "CountingNew.h"
#include "MainWindowRig.h"

namespace reliability {

using testsupport::MainWindowRig;
namespace {

class SteadyFrameAllocTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::UseSoftwareDevice();
    m_Rig = std::make_unique<MainWindowRig>([this] { return m_Ticks; });
    m_Rig->MakeWindow();
    m_Rig->OpenToolDialogs();
    m_Rig->SizePicture(120, 90);
  }
  void TearDown() override { m_Rig.reset(); }

  // Allocations made by frames frames, with the clock running.
  long CountFrames(int frames, const std::function<void(int)>& between = {}) {
    long total = 0;
    for (int i = 0; i < frames; ++i) {
      if (between) between(i);
      m_Ticks += 17;
      CountAllocations counter;
      EXPECT_EQ(m_Rig->Dlg().StepFrame(), 0);
      total += counter.Counts().allocations;
    }
    return total;
  }
  // Frames that may allocate: they build what the steady frames reuse.
  void Settle() {
    for (int i = 0; i < 3; ++i) {
      m_Ticks += 17;
      m_Rig->Dlg().StepFrame();
    }
  }

  DWORD m_Ticks = 50000;
  std::unique_ptr<MainWindowRig> m_Rig;
};

TEST_F(SteadyFrameAllocTest, FramesAtTheDefaultsAllocateNothing) {
  Settle();
  EXPECT_EQ(CountFrames(200), 0);
}

// A picture large enough for the software device to draw in two bands (where the machine has a
// second core): the worker thread is started once and the hand-off allocates nothing.
TEST_F(SteadyFrameAllocTest, LargePicturesDrawnInTwoBandsAllocateNothing) {
  m_Rig->SizePicture(1283, 721);
  Settle();
  EXPECT_EQ(CountFrames(30), 0);
}

TEST_F(SteadyFrameAllocTest, ChangingShapeAndMaterialButNotStepsAllocatesNothing) {
  Settle();
  CTorusDlg& dlg = m_Rig->Dlg();
  const long allocations = CountFrames(200, [&dlg](int i) {
    const float s = std::sin(0.1f * static_cast<float>(i));
    dlg.m_RadiusMajor = 0.6f + 0.3f * s;
    dlg.m_RadiusMinor = 0.2f - 0.1f * s;
    dlg.m_LobesNum = i % 11 - 5;  // negative lobes too
    dlg.m_LobesAmp = s;
    dlg.m_TwistNum = i % 7 - 3;  // the twist step, and so the angle table, changes
    dlg.m_TwistAmp = 0.5f * s;
    dlg.m_SpinX = 0.05f * s;
    Material& material = dlg.m_Obj.m_Material;
    material.m_Diffuse.x = 0.5f + 0.5f * s;
    material.m_Specular.y = 1.0f - s;
    material.m_Emissive.z = 0.1f * s;
    material.m_SpecularPower = 5.0f + 40.0f * (s + 1.0f);
    material.MarkChanged();
  });
  EXPECT_EQ(allocations, 0);
}

TEST_F(SteadyFrameAllocTest, OnlyTheFrameAfterAStepOrSizeChangeAllocates) {
  Settle();
  CTorusDlg& dlg = m_Rig->Dlg();
  dlg.m_StepsMajor = 40;
  dlg.m_StepsMinor = 30;
  // A new vertex count needs new arrays and a new device vertex buffer.
  EXPECT_GT(CountFrames(1), 0);
  EXPECT_EQ(CountFrames(50), 0);

  // Refused counts keep the torus as it was, and so its arrays.
  dlg.m_StepsMajor = 1000;
  dlg.m_StepsMinor = 1000;
  EXPECT_EQ(CountFrames(50), 0);
  dlg.m_StepsMajor = -7;
  EXPECT_EQ(CountFrames(50), 0);

  dlg.m_StepsMajor = 101;
  dlg.m_StepsMinor = 77;
  Settle();
  m_Rig->SizePicture(64, 48);
  Settle();
  EXPECT_EQ(CountFrames(50), 0);

  // No picture at all: the frames still run, and still allocate nothing.
  m_Rig->SizePicture(0, 0);
  Settle();
  EXPECT_EQ(CountFrames(50), 0);
}

}  // namespace
}  // namespace reliability
