// Modeless dialogs built from the dialog templates under resources/.
//
// Create(templateId, parent), in this order:
//   1. makes the top-level window (owned by parent's window when there is one: it
//      stays above it and its template position counts from the owner's client area),
//      sized from the template in dialog units converted with the template font's
//      base units, and sends it WM_SIZE and WM_MOVE;
//   2. creates every control of the template with its id, style and caption, in
//      template order, which is also the tab order of the WS_TABSTOP controls;
//   3. calls OnInitDialog; the base CDialog::OnInitDialog runs DoDataExchange, so the
//      DDX_Control wrappers are attached before a derived OnInitDialog goes on;
//   4. if OnInitDialog returned TRUE, puts the focus on the first tab stop;
//   5. shows the window if the template has WS_VISIBLE.
//
// Keys and closing: Escape and the close box send IDCANCEL (-> OnCancel); Enter sends
// the default push button's id, or IDOK (-> OnOK) when there is none, unless a push
// button has the focus, in which case Enter and Space click that button. The base
// OnOK/OnCancel end the dialog, which for a modeless dialog hides it.
#pragma once

#include "platform/framework/Wnd.h"

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL saveAndValidate)
      : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}
  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  // The control with id in the dialog; a missing id is a programming error and stops
  // the program with a message naming the dialog template and the id.
  HWND PrepareCtrl(int id);
};

// Attaches control (a CStatic, CEdit, CButton, CSliderCtrl or CWnd member) to the
// dialog's control id. Attaching to a control of another kind stops the program with
// a message; attaching an already attached wrapper does nothing.
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

class CDialog : public CWnd {
 public:
  CDialog() = default;
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);

  // Builds the modeless dialog window; FALSE if the template is unknown or the
  // window exists already.
  BOOL Create(UINT templateId, CWnd* parent = nullptr);

  virtual BOOL OnInitDialog();
  virtual void DoDataExchange(CDataExchange* dx);
  // Runs DoDataExchange in the given direction.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);
  // Ends the dialog: the result is kept and the modeless window is hidden.
  void EndDialog(int result);
  int GetResult() const { return m_nModalResult; }
  // Dialog units to device pixels with this dialog's font at the screen's scale.
  void MapDialogRect(LPRECT rect) const;
  void GotoDlgCtrl(CWnd* control);
  BOOL OnCmdMsg(UINT id, int code) override;

  UINT m_nIDHelp = 0;

 protected:
  virtual void OnOK();
  virtual void OnCancel();

  UINT m_nIDTemplate = 0;
  CWnd* m_pParentWnd = nullptr;
  int m_nModalResult = -1;

  DECLARE_MESSAGE_MAP()

 private:
  SIZE m_BaseUnits{0, 0};  // in logical pixels, as the window lays out its controls
};

// The base units (pixels per 4 horizontal and 8 vertical dialog units) of a dialog
// font, measured like the original platform: the average width of the 52 letters and
// the character height. "MS Sans Serif" is drawn with a metric-compatible sans font
// where one is installed, else with DejaVu Sans. In device pixels on the primary screen.
SIZE DialogBaseUnits(LPCSTR fontFace, int pointSize);
