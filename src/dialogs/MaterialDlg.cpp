#include "dialogs/MaterialDlg.h"

#include <cstdio>
#include <cstdlib>

#include "dialogs/SliderMapping.h"
#include "geometry/Material.h"
#include "registry/ClassicLocale.h"

namespace {

constexpr float kColourLo = 0.0f;
constexpr float kColourHi = 1.0f;
constexpr float kPowerLo = 0.0f;
constexpr float kPowerHi = 100.0f;
constexpr const char* kUnbound = "---";

void ShowBound(CEdit& edit, const float* value) {
  edit.SetWindowText(value ? FormatEditNumber(*value) : CString(kUnbound));
}

void StoreEdit(const CEdit& edit, float* value) {
  CString text;
  edit.GetWindowText(text);
  const float number = ParseEditNumber(text);
  if (value) *value = number;
}

}  // namespace

float ParseEditNumber(const char* text) {
  if (!text) return 0.0f;
  ClassicLocaleScope classic;
  return static_cast<float>(std::strtod(text, nullptr));
}

CString FormatEditNumber(float value) {
  ClassicLocaleScope classic;
  char text[32];
  std::snprintf(text, sizeof text, "%.2g", static_cast<double>(value));
  return CString(text);
}

CMaterialDlg::CMaterialDlg(CWnd* parent) : CDialog(IDD, parent) {}

BEGIN_MESSAGE_MAP(CMaterialDlg, CDialog)
ON_BN_CLICKED(IDC_DIFFUSE_BUTTON, OnDiffuse)
ON_BN_CLICKED(IDC_SPECULAR_BUTTON, OnSpecular)
ON_BN_CLICKED(IDC_AMBIENT_BUTTON, OnAmbient)
ON_BN_CLICKED(IDC_EMISSIVE_BUTTON, OnEmissive)
ON_EN_CHANGE(IDC_RED_EDIT, OnChangeEdit)
ON_EN_CHANGE(IDC_GREEN_EDIT, OnChangeEdit)
ON_EN_CHANGE(IDC_BLUE_EDIT, OnChangeEdit)
ON_EN_CHANGE(IDC_ALPHA_EDIT, OnChangeEdit)
ON_EN_CHANGE(IDC_POWER_EDIT, OnChangeEdit)
ON_WM_VSCROLL()
END_MESSAGE_MAP()

void CMaterialDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_POWER_EDIT, m_EditPower);
  DDX_Control(dx, IDC_ALPHA_EDIT, m_EditAlpha);
  DDX_Control(dx, IDC_BLUE_EDIT, m_EditBlue);
  DDX_Control(dx, IDC_GREEN_EDIT, m_EditGreen);
  DDX_Control(dx, IDC_RED_EDIT, m_EditRed);
  DDX_Control(dx, IDC_POWER_SLIDER, m_SliderPower);
  DDX_Control(dx, IDC_ALPHA_SLIDER, m_SliderAlpha);
  DDX_Control(dx, IDC_BLUE_SLIDER, m_SliderBlue);
  DDX_Control(dx, IDC_GREEN_SLIDER, m_SliderGreen);
  DDX_Control(dx, IDC_RED_SLIDER, m_SliderRed);
}

BOOL CMaterialDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetSliderRange(&m_SliderRed);
  SetSliderRange(&m_SliderGreen);
  SetSliderRange(&m_SliderBlue);
  SetSliderRange(&m_SliderAlpha);
  SetSliderRange(&m_SliderPower);
  OnDiffuse();
  return TRUE;
}

void CMaterialDlg::PrepareControls() {
  const BOOL enabled = m_pMaterial != nullptr;
  m_SliderRed.EnableWindow(enabled);
  m_SliderGreen.EnableWindow(enabled);
  m_SliderBlue.EnableWindow(enabled);
  m_SliderAlpha.EnableWindow(enabled);
  m_SliderPower.ShowWindow(SW_HIDE);
  m_EditRed.EnableWindow(enabled);
  m_EditGreen.EnableWindow(enabled);
  m_EditBlue.EnableWindow(enabled);
  m_EditAlpha.EnableWindow(enabled);
  m_EditPower.ShowWindow(SW_HIDE);
}

void CMaterialDlg::SelectColour(Vec4* colour) {
  if (colour) {
    m_pRed = &colour->x;
    m_pGreen = &colour->y;
    m_pBlue = &colour->z;
    m_pAlpha = &colour->w;
  } else {
    m_pRed = m_pGreen = m_pBlue = m_pAlpha = m_pPower = nullptr;
  }
  ShowValues();
}

void CMaterialDlg::ShowValues() {
  m_Updating = true;
  ShowBound(m_EditRed, m_pRed);
  ShowBound(m_EditGreen, m_pGreen);
  ShowBound(m_EditBlue, m_pBlue);
  ShowBound(m_EditAlpha, m_pAlpha);
  ShowBound(m_EditPower, m_pPower);
  m_Updating = false;
}

void CMaterialDlg::ShowSliders() {
  if (m_pRed) SetSliderValue(&m_SliderRed, kColourLo, kColourHi, *m_pRed);
  if (m_pGreen) SetSliderValue(&m_SliderGreen, kColourLo, kColourHi, *m_pGreen);
  if (m_pBlue) SetSliderValue(&m_SliderBlue, kColourLo, kColourHi, *m_pBlue);
  if (m_pAlpha) SetSliderValue(&m_SliderAlpha, kColourLo, kColourHi, *m_pAlpha);
  if (m_pPower) SetSliderValue(&m_SliderPower, kPowerLo, kPowerHi, *m_pPower);
}

void CMaterialDlg::ReadSliders() {
  if (m_pRed) GetSliderValue(&m_SliderRed, kColourLo, kColourHi, m_pRed);
  if (m_pGreen) GetSliderValue(&m_SliderGreen, kColourLo, kColourHi, m_pGreen);
  if (m_pBlue) GetSliderValue(&m_SliderBlue, kColourLo, kColourHi, m_pBlue);
  if (m_pAlpha) GetSliderValue(&m_SliderAlpha, kColourLo, kColourHi, m_pAlpha);
  if (m_pPower) GetSliderValue(&m_SliderPower, kPowerLo, kPowerHi, m_pPower);
  if (m_pMaterial) m_pMaterial->MarkChanged();
}

// Without a material there is nothing to bind: the buttons leave every value unbound
// instead of pointing into a record that does not exist.
void CMaterialDlg::OnDiffuse() {
  PrepareControls();
  SelectColour(m_pMaterial ? &m_pMaterial->m_Diffuse : nullptr);
  ShowSliders();
}

void CMaterialDlg::OnSpecular() {
  PrepareControls();
  if (m_pMaterial) {
    m_pPower = &m_pMaterial->m_SpecularPower;
    SelectColour(&m_pMaterial->m_Specular);
    m_EditPower.ShowWindow(SW_SHOW);
    m_SliderPower.ShowWindow(SW_SHOW);
  } else {
    SelectColour(nullptr);
  }
  ShowSliders();
}

void CMaterialDlg::OnAmbient() {
  PrepareControls();
  SelectColour(m_pMaterial ? &m_pMaterial->m_Ambient : nullptr);
  ShowSliders();
}

void CMaterialDlg::OnEmissive() {
  PrepareControls();
  SelectColour(m_pMaterial ? &m_pMaterial->m_Emissive : nullptr);
  ShowSliders();
}

void CMaterialDlg::OnChangeEdit() {
  if (m_Updating) return;
  StoreEdit(m_EditRed, m_pRed);
  StoreEdit(m_EditGreen, m_pGreen);
  StoreEdit(m_EditBlue, m_pBlue);
  StoreEdit(m_EditAlpha, m_pAlpha);
  StoreEdit(m_EditPower, m_pPower);
  if (m_pMaterial) m_pMaterial->MarkChanged();
  ShowSliders();
}

void CMaterialDlg::OnVScroll(UINT code, UINT pos, CScrollBar* control) {
  ReadSliders();
  ShowValues();
  CDialog::OnVScroll(code, pos, control);
}
