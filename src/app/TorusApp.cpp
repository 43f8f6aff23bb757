#include "app/TorusApp.h"

#include "app/TorusDlg.h"

CTorusApp::CTorusApp() : CWinApp(nullptr) {
  m_Dlg = nullptr;
}

CTorusApp::~CTorusApp() = default;

BEGIN_MESSAGE_MAP(CTorusApp, CWinApp)
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

BOOL CTorusApp::InitInstance() {
  m_Dlg = new CTorusDlg(nullptr);
  m_pMainWnd = m_Dlg;
  m_Dlg->Create(CTorusDlg::IDD, nullptr);
  m_Dlg->ShowWindow(SW_SHOWNORMAL);
  return TRUE;
}

BOOL CTorusApp::OnIdle(LONG /*count*/) {
  if (m_Dlg) m_Dlg->StepFrame();
  return TRUE;
}

int CTorusApp::ExitInstance() {
  if (m_Dlg) {
    delete m_Dlg;
    m_Dlg = nullptr;
    m_pMainWnd = nullptr;
  }
  return CWinApp::ExitInstance();
}
