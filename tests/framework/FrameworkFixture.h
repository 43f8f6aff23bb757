// Shared set-up for the framework tests: a running window system (Qt's offscreen
// platform under CTest) with the program's resources registered, and clean test seams
// after every test.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>

#include "platform/framework/Afx.h"
#include "platform/framework/Simulate.h"
#include "platform/framework/qt/NativeWindow.h"
#include "resources/Resources.h"

class FrameworkTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(AfxWinInit(0, nullptr));
    resources::RegisterResources();
  }
  void TearDown() override {
    SetMessageBoxResponder(nullptr);
    CFileDialog::SetTestResponder(nullptr);
    SetTickCountSource(nullptr);
    SetSleepFunction(nullptr);
    simulate::PumpMessages();
  }
  // The Qt widget behind a wrapper, for the few checks only Qt can answer.
  static QWidget* WidgetOf(const CWnd* window) {
    NativeWindow* native = NativeWindow::FromHandle(window ? window->m_hWnd : nullptr);
    return native ? native->Widget() : nullptr;
  }
};
