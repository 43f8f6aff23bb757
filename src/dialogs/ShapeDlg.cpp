#include "dialogs/ShapeDlg.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/TorusDlg.h"
#include "dialogs/SliderMapping.h"
#include "geometry/Mesh.h"

namespace {

constexpr int kMinSteps = 3;

struct SliderRange {
  float lo, hi;
};
constexpr SliderRange kSpinRange{-0.1f, 0.1f};
constexpr SliderRange kLobesNumRange{0.0f, 10.0f};
constexpr SliderRange kLobesAmpRange{0.0f, 2.0f};
constexpr SliderRange kRadiusRange{0.001f, 2.0f};

void ShowValue(CSliderCtrl& slider, SliderRange range, float value) {
  SetSliderValue(&slider, range.lo, range.hi, value);
}

void ReadValue(CSliderCtrl& slider, SliderRange range, float& value) {
  GetSliderValue(&slider, range.lo, range.hi, &value);
}

void ShowNumber(CEdit& edit, int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  edit.SetWindowText(text);
}

}  // namespace

int ParseStepCount(const char* text) {
  long value = std::strtol(text ? text : "", nullptr, 10);
  if (value > INT_MAX) value = INT_MAX;
  return value < kMinSteps ? kMinSteps : static_cast<int>(value);
}

CShapeDlg::CShapeDlg(CWnd* parent) : CDialog(IDD, parent) {}

BEGIN_MESSAGE_MAP(CShapeDlg, CDialog)
ON_WM_HSCROLL()
ON_WM_VSCROLL()
ON_EN_CHANGE(IDC_STEPS_MINOR_EDIT, OnChangeStepsMinor)
ON_EN_CHANGE(IDC_STEPS_MAJOR_EDIT, OnChangeStepsMajor)
END_MESSAGE_MAP()

void CShapeDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_SPIN_X_SLIDER, m_SliderSpinX);
  DDX_Control(dx, IDC_SPIN_Y_SLIDER, m_SliderSpinY);
  DDX_Control(dx, IDC_SPIN_Z_SLIDER, m_SliderSpinZ);
  DDX_Control(dx, IDC_LOBES_NUM_SLIDER, m_SliderLobesNum);
  DDX_Control(dx, IDC_LOBES_AMP_SLIDER, m_SliderLobesAmp);
  DDX_Control(dx, IDC_RADIUS_MAJOR_SLIDER, m_SliderRadiusMajor);
  DDX_Control(dx, IDC_RADIUS_MINOR_SLIDER, m_SliderRadiusMinor);
  DDX_Control(dx, IDC_STEPS_MAJOR_EDIT, m_EditStepsMajor);
  DDX_Control(dx, IDC_STEPS_MINOR_EDIT, m_EditStepsMinor);
}

BOOL CShapeDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetSliderRange(&m_SliderSpinX);
  SetSliderRange(&m_SliderSpinY);
  SetSliderRange(&m_SliderSpinZ);
  SetSliderRange(&m_SliderLobesNum);
  SetSliderRange(&m_SliderLobesAmp);
  SetSliderRange(&m_SliderRadiusMajor);
  SetSliderRange(&m_SliderRadiusMinor);
  RefreshFromOwner();
  return TRUE;
}

void CShapeDlg::RefreshFromOwner() {
  if (!m_Owner) return;
  ShowValue(m_SliderSpinX, kSpinRange, m_Owner->m_SpinX);
  ShowValue(m_SliderSpinY, kSpinRange, m_Owner->m_SpinY);
  ShowValue(m_SliderSpinZ, kSpinRange, m_Owner->m_SpinZ);
  ShowValue(m_SliderLobesNum, kLobesNumRange, static_cast<float>(m_Owner->m_LobesNum));
  ShowValue(m_SliderLobesAmp, kLobesAmpRange, m_Owner->m_LobesAmp);
  ShowValue(m_SliderRadiusMajor, kRadiusRange, m_Owner->m_RadiusMajor);
  ShowValue(m_SliderRadiusMinor, kRadiusRange, m_Owner->m_RadiusMinor);
  // Each text change runs the edit's handler at once, which stores the count (at least 3).
  ShowNumber(m_EditStepsMajor, m_Owner->m_StepsMajor);
  ShowNumber(m_EditStepsMinor, m_Owner->m_StepsMinor);
}

void CShapeDlg::ReadSliders() {
  if (!m_Owner) return;
  ReadValue(m_SliderSpinX, kSpinRange, m_Owner->m_SpinX);
  ReadValue(m_SliderSpinY, kSpinRange, m_Owner->m_SpinY);
  ReadValue(m_SliderSpinZ, kSpinRange, m_Owner->m_SpinZ);
  float lobes = 0.0f;
  ReadValue(m_SliderLobesNum, kLobesNumRange, lobes);
  m_Owner->m_LobesNum = static_cast<int>(lobes + 0.5f);  // nearest, halves up; 0..10
  ReadValue(m_SliderLobesAmp, kLobesAmpRange, m_Owner->m_LobesAmp);
  ReadValue(m_SliderRadiusMajor, kRadiusRange, m_Owner->m_RadiusMajor);
  ReadValue(m_SliderRadiusMinor, kRadiusRange, m_Owner->m_RadiusMinor);
}

void CShapeDlg::OnHScroll(UINT code, UINT pos, CScrollBar* control) {
  CDialog::OnHScroll(code, pos, control);
  ReadSliders();
}

void CShapeDlg::OnVScroll(UINT code, UINT pos, CScrollBar* control) {
  CDialog::OnVScroll(code, pos, control);
  ReadSliders();
}

void CShapeDlg::OnChangeStepsMajor() {
  if (!m_Owner) return;
  CString text;
  m_EditStepsMajor.GetWindowText(text);
  m_Owner->m_StepsMajor = ParseStepCount(text);
  ShowStepLimit();
}

void CShapeDlg::OnChangeStepsMinor() {
  if (!m_Owner) return;
  CString text;
  m_EditStepsMinor.GetWindowText(text);
  m_Owner->m_StepsMinor = ParseStepCount(text);
  ShowStepLimit();
}

void CShapeDlg::ShowStepLimit() {
  const int64_t vertices = static_cast<int64_t>(m_Owner->m_StepsMajor) * m_Owner->m_StepsMinor;
  const bool tooMany = vertices > Mesh::kMaxVertices;
  static const std::string tip =
      "Too many points to draw: the two step counts multiplied must not exceed " +
      std::to_string(Mesh::kMaxVertices) + ", so the torus keeps its last shape.";
  m_EditStepsMajor.SetWarning(tooMany, tip.c_str());
  m_EditStepsMinor.SetWarning(tooMany, tip.c_str());
}
