// The main window under test, with the clock, Sleep, message boxes and the file dialogs
// answered by the test, and a scriptable DirectX driver under the renderer.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "MainWindowRig.h"
#include "TempDir.h"
#include "platform/directx/testing/TestDriver.h"

using testsupport::ReadFile;
using testsupport::WriteFile;

class AppFixture : public ::testing::Test, protected testsupport::MainWindowRig {
 protected:
  AppFixture() : MainWindowRig([this] { return m_Ticks; }) {}
  void TearDown() override {
    DestroyWindow();
    m_Driver.reset();
  }

  std::filesystem::path TempPath(const std::string& name) const { return m_TempDir / name; }

  DWORD m_Ticks = 100000;
  std::unique_ptr<dx::testing::TestDriver> m_Driver = std::make_unique<dx::testing::TestDriver>();
  dx::testing::TestDevice* m_Device = &m_Driver->AddHardwareDevice();  // passes every row
  testsupport::TempDir m_TempDir{"quennet_app_"};
};
