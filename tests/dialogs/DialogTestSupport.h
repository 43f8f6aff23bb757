// Shared set-up for the tool dialog tests: the window framework on Qt's off-screen
// platform, the real main window, and small readers for what the controls show.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/TorusDlg.h"
#include "dialogs/MaterialDlg.h"
#include "dialogs/ShapeDlg.h"
#include "platform/framework/Simulate.h"
#include "platform/framework/WinApp.h"

inline bool StartFramework() {
  static const bool started = AfxWinInit(0, nullptr) != FALSE;
  return started;
}

inline std::string TextOf(const CWnd& window) {
  CString text;
  window.GetWindowText(text);
  return text.Str();
}

// Deletes what an edit shows, one Backspace per character, as a user would.
inline void ClearEdit(CWnd& edit) {
  simulate::Key(&edit, VK_END);
  for (int n = edit.GetWindowTextLength(); n > 0; --n) simulate::Key(&edit, VK_BACK);
}

inline void Retype(CWnd& edit, const char* text) {
  ClearEdit(edit);
  simulate::Type(&edit, text);
}

// The program's main window, created from its template as at start-up, with the tool
// dialogs opened through its buttons.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartFramework());
    m_Main = std::make_unique<CTorusDlg>();
    ASSERT_TRUE(m_Main->Create(CTorusDlg::IDD));
    simulate::PumpMessages();
  }

  void TearDown() override {
    m_Main.reset();
    simulate::PumpMessages();
  }

  void ClickMain(int id) { simulate::Click(m_Main->GetDlgItem(id)); }

  CShapeDlg& OpenShape() {
    ClickMain(CTorusDlg::kShapeButtonId);
    EXPECT_NE(m_Main->m_ShapeDlg, nullptr);
    return *m_Main->m_ShapeDlg;
  }

  CMaterialDlg& OpenMaterial() {
    ClickMain(CTorusDlg::kMaterialButtonId);
    EXPECT_NE(m_Main->m_MaterialDlg, nullptr);
    return *m_Main->m_MaterialDlg;
  }

  std::unique_ptr<CTorusDlg> m_Main;
};
