// The shape tool window ("the bog"): seven vertical sliders for the spin rates, the lobes
// and the two radii, and two edits for the step counts. Every change is written straight
// into the main window's members; the next frame rebuilds the torus from them.
#pragma once

#include "platform/framework/Dialog.h"
#include "resources/Resource.h"

class CTorusDlg;

class CShapeDlg : public CDialog {
 public:
  enum { IDD = IDD_SHAPE_DIALOG };

  explicit CShapeDlg(CWnd* parent = nullptr);

  // Shows the owner's current values in all nine controls.
  void RefreshFromOwner();
  // Reads all seven sliders back into the owner.
  void ReadSliders();

  // Set by the main window before the window is created; not owned.
  CTorusDlg* m_Owner = nullptr;

  CSliderCtrl m_SliderSpinX;        // 1001
  CSliderCtrl m_SliderSpinY;        // 1002
  CSliderCtrl m_SliderSpinZ;        // 1003
  CSliderCtrl m_SliderLobesNum;     // 1004
  CSliderCtrl m_SliderLobesAmp;     // 1005
  CSliderCtrl m_SliderRadiusMajor;  // 1006
  CSliderCtrl m_SliderRadiusMinor;  // 1007
  CEdit m_EditStepsMajor;           // 1009
  CEdit m_EditStepsMinor;           // 1010

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;

  afx_msg void OnHScroll(UINT code, UINT pos, CScrollBar* control);
  afx_msg void OnVScroll(UINT code, UINT pos, CScrollBar* control);
  afx_msg void OnChangeStepsMajor();
  afx_msg void OnChangeStepsMinor();

  DECLARE_MESSAGE_MAP()

 private:
  // Marks both step edits while the owner's step counts make a torus too large to draw.
  void ShowStepLimit();
};

// The step count typed into an edit: the leading decimal number (0 when there is none),
// at least 3. Numbers beyond the int range count as its nearest end.
int ParseStepCount(const char* text);
