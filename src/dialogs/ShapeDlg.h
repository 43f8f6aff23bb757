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

  CSliderCtrl m_SliderSpinX;
  CSliderCtrl m_SliderSpinY;
  CSliderCtrl m_SliderSpinZ;
  CSliderCtrl m_SliderLobesNum;
  CSliderCtrl m_SliderLobesAmp;
  CSliderCtrl m_SliderRadiusMajor;
  CSliderCtrl m_SliderRadiusMinor;
  CEdit m_EditStepsMajor;
  CEdit m_EditStepsMinor;

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
