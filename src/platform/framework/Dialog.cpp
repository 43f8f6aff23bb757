#include "platform/framework/Dialog.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "platform/framework/DialogTemplate.h"
#include "platform/framework/WinApp.h"
#include "platform/framework/qt/DevicePixels.h"
#include "platform/framework/qt/DialogWindow.h"

namespace {

[[noreturn]] void DataExchangeFailure(const char* what, CWnd* dialog, int id) {
  NativeWindow* native = dialog ? NativeWindow::FromHandle(dialog->m_hWnd) : nullptr;
  std::fprintf(stderr,
               "DDX_Control: %s (dialog template %d, control id %d). Check the control id "
               "and the wrapper's class against the dialog template.\n",
               what, native ? native->Id() : -1, id);
  std::abort();
}

}  // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
  if (m_hWnd) return FALSE;
  const DialogTemplate* dialogTemplate = FindDialogTemplate(static_cast<int>(templateId));
  if (!dialogTemplate) return FALSE;
  if (!QApplication::instance() && !AfxWinInit(0, nullptr)) return FALSE;
  m_nIDTemplate = templateId;
  m_pParentWnd = parent;
  m_nModalResult = -1;

  NativeWindow* owner = parent ? NativeWindow::FromHandle(parent->m_hWnd) : nullptr;
  auto* window = new DialogWindow(owner ? owner->Widget() : nullptr, *dialogTemplate);
  m_hWnd = window->Handle();
  window->SetAttached(this);
  m_BaseUnits = window->BaseUnits();

  // The window reports its size and place before it has controls.
  window->GeometryChanged(true);
  if (!m_hWnd) return FALSE;
  window->CreateControls(*dialogTemplate);

  const BOOL focusFirstTabStop = OnInitDialog();
  if (!m_hWnd) return FALSE;  // the dialog destroyed itself during initialisation
  if (focusFirstTabStop) window->FocusFirstTabStop();
  if (dialogTemplate->style & WS_VISIBLE) ShowWindow(SW_SHOWNORMAL);
  return TRUE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return TRUE;
}

void CDialog::EndDialog(int result) {
  m_nModalResult = result;
  ShowWindow(SW_HIDE);
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

void CDialog::MapDialogRect(LPRECT rect) const {
  // The window lays its controls out in logical pixels; the program counts device pixels.
  NativeWindow* native = NativeWindow::FromHandle(m_hWnd);
  if (rect)
    *rect = ToDevice(DialogUnitsToPixels(*rect, m_BaseUnits),
                     DeviceRatio(native ? native->Widget() : nullptr));
}

void CDialog::GotoDlgCtrl(CWnd* control) {
  if (control) control->SetFocus();
}

BOOL CDialog::OnCmdMsg(UINT id, int code) {
  if (CWnd::OnCmdMsg(id, code)) return TRUE;
  // Plain commands the dialog does not handle go on to the application.
  if (code != 0) return FALSE;
  CWinApp* app = AfxGetApp();
  return app ? app->OnCmdMsg(id, code) : FALSE;
}

HWND CDataExchange::PrepareCtrl(int id) {
  NativeWindow* dialog = m_pDlgWnd ? NativeWindow::FromHandle(m_pDlgWnd->m_hWnd) : nullptr;
  NativeWindow* control = dialog ? dialog->FindChild(id) : nullptr;
  if (!control) DataExchangeFailure("the dialog has no control with this id", m_pDlgWnd, id);
  return control->Handle();
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (!dx || control.m_hWnd) return;
  HWND window = dx->PrepareCtrl(id);
  if (!control.SubclassWindow(window)) {
    DataExchangeFailure(CWnd::FromHandlePermanent(window)
                            ? "the control already has a wrapper attached"
                            : "the wrapper's class does not fit the control's kind",
                        dx->m_pDlgWnd, id);
  }
}

SIZE DialogBaseUnits(LPCSTR fontFace, int pointSize) {
  // Without a running window system there is no font to measure; the original
  // platform's classic units for its 8-point dialog font stand in.
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return SIZE{6, 13};
  const SIZE logical = MeasureBaseUnits(DialogFont(fontFace, pointSize));
  const double ratio = DeviceRatio(nullptr);
  return SIZE{ToDevice(logical.cx, ratio), ToDevice(logical.cy, ratio)};
}
