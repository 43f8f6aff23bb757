// Shared set-up for the tool dialog tests: the real main window on Qt's off-screen
// platform, and small readers for what the controls show.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "MainWindowRig.h"
#include "dialogs/MaterialDlg.h"
#include "dialogs/ShapeDlg.h"
#include "platform/framework/Simulate.h"

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

// The program's main window, made as at start-up, with the tool dialogs opened through
// its buttons.
class MainWindowTest : public ::testing::Test, protected testsupport::MainWindowRig {
 protected:
  CTorusDlg* const m_Main = MakeWindow();

  void ClickMain(int id) { simulate::Click(m_Main->GetDlgItem(id)); }

  CShapeDlg& OpenShape() {
    ClickMain(IDC_SHAPE_BUTTON);
    EXPECT_NE(m_Main->m_ShapeDlg, nullptr);
    return *m_Main->m_ShapeDlg;
  }

  CMaterialDlg& OpenMaterial() {
    ClickMain(IDC_MATERIAL_BUTTON);
    EXPECT_NE(m_Main->m_MaterialDlg, nullptr);
    return *m_Main->m_MaterialDlg;
  }
};
