// The material tool window ("material"): four buttons choose which colour of the torus
// material the R, G, B and A sliders and edits show; the specular choice also shows the
// specular power. Every change is written straight into the material record and marks it
// changed, so the renderer sends it with the next frame.
#pragma once

#include "platform/framework/Dialog.h"
#include "resources/Resource.h"

struct Material;
struct Vec4;

class CMaterialDlg : public CDialog {
 public:
  enum { IDD = IDD_MATERIAL_DIALOG };

  explicit CMaterialDlg(CWnd* parent = nullptr);

  // Enables the colour controls when there is a material; hides the power controls.
  void PrepareControls();
  // Binds the four colour pointers to colour's components (the power binding stays), or
  // clears all five for null; then shows the values.
  void SelectColour(Vec4* colour);
  // Writes the five edits from the bound values ("---" where nothing is bound).
  void ShowValues();
  // Moves the thumbs of the bound values' sliders.
  void ShowSliders();
  // Reads every bound value from its slider and marks the material changed.
  void ReadSliders();

  // Set by the main window before the window is created; not owned.
  Material* m_pMaterial = nullptr;
  float* m_pRed = nullptr;
  float* m_pGreen = nullptr;
  float* m_pBlue = nullptr;
  float* m_pAlpha = nullptr;
  // Bound by the first choice of specular and kept from then on.
  float* m_pPower = nullptr;
  // Set while the dialog writes its own edits, whose change notifications are then ignored.
  bool m_Updating = false;

  CEdit m_EditRed;
  CEdit m_EditGreen;
  CEdit m_EditBlue;
  CEdit m_EditAlpha;
  CEdit m_EditPower;
  CSliderCtrl m_SliderRed;
  CSliderCtrl m_SliderGreen;
  CSliderCtrl m_SliderBlue;
  CSliderCtrl m_SliderAlpha;
  CSliderCtrl m_SliderPower;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;

  afx_msg void OnDiffuse();
  afx_msg void OnSpecular();
  afx_msg void OnAmbient();
  afx_msg void OnEmissive();
  afx_msg void OnChangeEdit();
  afx_msg void OnVScroll(UINT code, UINT pos, CScrollBar* control);

  DECLARE_MESSAGE_MAP()
};

// An edit's text as a number: the leading decimal number, 0 when there is none. Always
// read with a decimal point, whatever the process locale.
float ParseEditNumber(const char* text);
// A value as an edit shows it: two significant digits ("%.2g"), decimal point.
CString FormatEditNumber(float value);
