// The main window: construction, initialisation, layout on resize, the minimised icon and
// the four buttons. The frame is in TorusFrame.cpp, Load and Save in TorusFiles.cpp.
#include "app/TorusDlg.h"

#include <algorithm>
#include <new>

#include "dialogs/MaterialDlg.h"
#include "dialogs/ShapeDlg.h"
#include "platform/framework/Afx.h"
#include "render/Renderer.h"

CTorusDlg::CTorusDlg(CWnd* parent) : CDialog(IDD, parent) {
  m_hIcon = LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
  // A missing renderer is survivable: the window works and only the picture stays empty.
  m_Renderer = new (std::nothrow) Renderer();
  m_Obj.m_Renderer = m_Renderer;
  m_ShapeDlg = nullptr;
  m_MaterialDlg = nullptr;
}

CTorusDlg::~CTorusDlg() {
  // The material is handed to the renderer every frame but never listed with it, so the
  // renderer would not release its device object, and with it the whole device would stay.
  if (m_Renderer) m_Renderer->ReleaseMaterialObject(&m_Obj.m_Material);
  delete m_Renderer;
  m_Renderer = nullptr;
  m_Obj.m_Renderer = nullptr;
  delete m_ShapeDlg;
  m_ShapeDlg = nullptr;
  delete m_MaterialDlg;
  m_MaterialDlg = nullptr;
}

void CTorusDlg::ResetDefaults() {
  m_AngleX = 0.0f;
  m_AngleY = 0.0f;
  m_AngleZ = 0.0f;
  m_SpinX = 0.015f;
  m_SpinY = 0.0127f;
  m_SpinZ = 0.013f;
  m_LobesNum = 3;
  m_LobesAmp = 0.5f;
  m_RadiusMajor = 0.6f;
  m_RadiusMinor = 0.245f;
  m_StepsMajor = 101;
  m_StepsMinor = 77;
  m_TwistNum = 2;
  m_TwistAmp = 0.3f;
  m_TwistOffset = 1.0f;
  m_TwistRate = 0.2f;
  ResetView();
  if (m_ShapeDlg) m_ShapeDlg->RefreshFromOwner();
}

void CTorusDlg::ResetView() {
  m_FieldOfView = 45.0f;
  m_CameraZ = -2.8f;
}

void CTorusDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, IDC_PICTURE, m_Picture);
}

BOOL CTorusDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);

  // The picture keeps these margins on every resize.
  RECT client{};
  RECT picture{};
  GetClientRect(&client);
  m_Picture.GetWindowRect(&picture);
  m_MarginX = (client.right - client.left) - (picture.right - picture.left);
  m_MarginY = (client.bottom - client.top) - (picture.bottom - picture.top);

  if (m_Renderer) {
    m_Renderer->Create(m_Picture.GetSafeHwnd());
    m_Renderer->AddLight(&m_AmbientLight);
    m_Renderer->AddLight(&m_DirLight);
  }

  SetWindowText("quennet");
  RegisterVariables();
  m_Picture.SetFocus();
  ResetDefaults();
  return TRUE;
}

void CTorusDlg::RegisterVariables() {
  Material& material = m_Obj.m_Material;
  m_Registry.addV4("m_Obj.m_Material.m_Diffuse", &material.m_Diffuse.x);
  m_Registry.addV4("m_Obj.m_Material.m_Specular", &material.m_Specular.x);
  m_Registry.addScalar("m_Obj.m_Material.m_SpecularPower", &material.m_SpecularPower);
  m_Registry.addV4("m_Obj.m_Material.m_Ambient", &material.m_Ambient.x);
  m_Registry.addV4("m_Obj.m_Material.m_Emissive", &material.m_Emissive.x);
  m_Registry.addScalar("m_RadiusMajor", &m_RadiusMajor);
  m_Registry.addScalar("m_RadiusMinor", &m_RadiusMinor);
  m_Registry.addInt("m_StepsMajor", &m_StepsMajor);
  m_Registry.addInt("m_StepsMinor", &m_StepsMinor);
  m_Registry.addInt("m_LobesNum", &m_LobesNum);
  m_Registry.addScalar("m_LobesAmp", &m_LobesAmp);
  m_Registry.addInt("m_TwistNum", &m_TwistNum);
  m_Registry.addScalar("m_TwistAmp", &m_TwistAmp);
  m_Registry.addScalar("m_TwistOffset", &m_TwistOffset);
  m_Registry.addScalar("m_TwistRate", &m_TwistRate);
}

BEGIN_MESSAGE_MAP(CTorusDlg, CDialog)
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_WM_SIZE()
ON_WM_MOVE()
ON_WM_SHOWWINDOW()
ON_WM_HSCROLL()
ON_WM_VSCROLL()
ON_BN_CLICKED(IDC_SHAPE_BUTTON, OnShapeButton)
ON_BN_CLICKED(IDC_MATERIAL_BUTTON, OnMaterialButton)
ON_BN_CLICKED(IDC_LOAD_BUTTON, OnLoad)
ON_BN_CLICKED(IDC_SAVE_BUTTON, OnSave)
END_MESSAGE_MAP()

void CTorusDlg::OnPaint() {
  if (!IsIconic()) {
    CDialog::OnPaint();
    return;
  }
  CPaintDC dc(this);
  SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
  const int iconWidth = GetSystemMetrics(SM_CXICON);
  const int iconHeight = GetSystemMetrics(SM_CYICON);
  RECT rect{};
  GetClientRect(&rect);
  const int x = (rect.right - rect.left - iconWidth + 1) / 2;
  const int y = (rect.bottom - rect.top - iconHeight + 1) / 2;
  dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR CTorusDlg::OnQueryDragIcon() {
  return m_hIcon;
}

void CTorusDlg::OnSize(UINT type, int cx, int cy) {
  CDialog::OnSize(type, cx, cy);
  // Sizes arrive while the window is being made, before the picture is attached.
  if (!GetSafeHwnd() || !m_Picture.GetSafeHwnd()) return;
  const int width = std::max(cx - m_MarginX, 0);
  const int height = std::max(cy - m_MarginY, 0);
  m_Picture.SetWindowPos(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (m_Renderer) m_Renderer->WindowSized();
  InvalidateRect(nullptr, TRUE);
}

void CTorusDlg::OnMove(int x, int y) {
  CDialog::OnMove(x, y);
  if (m_Renderer) m_Renderer->WindowMoved();
}

void CTorusDlg::OnShowWindow(BOOL show, UINT status) {
  CDialog::OnShowWindow(show, status);
}

void CTorusDlg::OnHScroll(UINT code, UINT pos, CScrollBar* control) {
  CDialog::OnHScroll(code, pos, control);
}

void CTorusDlg::OnVScroll(UINT code, UINT pos, CScrollBar* control) {
  CDialog::OnVScroll(code, pos, control);
}

void CTorusDlg::OnShapeButton() {
  ResetView();
  OnOK();
}

void CTorusDlg::OnMaterialButton() {
  ShowMaterialDialog();
}

void CTorusDlg::OnOK() {
  ShowShapeDialog();
}

void CTorusDlg::OnCancel() {
  CDialog::OnCancel();
  PostQuitMessage(0);
}

void CTorusDlg::ShowShapeDialog() {
  if (!m_ShapeDlg) {
    m_ShapeDlg = new (std::nothrow) CShapeDlg(this);
    if (!m_ShapeDlg) return;
    // Set before the window exists, so the dialog's initialisation reads the current values.
    m_ShapeDlg->m_Owner = this;
    m_ShapeDlg->Create(CShapeDlg::IDD, this);
  }
  m_ShapeDlg->ShowWindow(SW_SHOWNORMAL);
}

void CTorusDlg::ShowMaterialDialog() {
  if (!m_MaterialDlg) {
    m_MaterialDlg = new (std::nothrow) CMaterialDlg(this);
    if (!m_MaterialDlg) return;
    m_MaterialDlg->m_pMaterial = &m_Obj.m_Material;
    m_MaterialDlg->Create(CMaterialDlg::IDD, this);
  }
  m_MaterialDlg->ShowWindow(SW_SHOWNORMAL);
}
