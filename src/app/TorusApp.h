// The application object: makes and shows the main window, draws one frame whenever the
// message queue is empty, and deletes the window when the loop ends.
#pragma once

#include "platform/framework/WinApp.h"

class CTorusDlg;

class CTorusApp : public CWinApp {
 public:
  CTorusApp();
  ~CTorusApp() override;

  BOOL InitInstance() override;
  // One frame per call; always asks to be called again.
  BOOL OnIdle(LONG count) override;
  int ExitInstance() override;

  CTorusDlg* m_Dlg = nullptr;

  DECLARE_MESSAGE_MAP()
};
