// The main window: a resizable modeless dialog whose picture area shows the animated torus,
// and the owner of the whole scene (renderer, mesh and material, lights, clock, registry,
// tool dialogs). The tool dialogs write the scene members in place, so they are public.
#pragma once

#include <cstdint>
#include <memory>

#include "app/FrameClock.h"
#include "geometry/VertexBufferMesh.h"
#include "platform/framework/Dialog.h"
#include "registry/VariableRegistry.h"
#include "render/Light.h"
#include "resources/Resource.h"

class Renderer;
class CShapeDlg;
class CMaterialDlg;
class CFileDialog;

class CTorusDlg : public CDialog {
 public:
  static constexpr UINT IDD = IDD_QUENNET_DIALOG;

  explicit CTorusDlg(CWnd* parent = nullptr);
  // Deletes the renderer, then the tool dialogs; the members and the window follow.
  ~CTorusDlg() override;

  // Angles, spin rates and shape parameters back to their defaults, then the view.
  void ResetDefaults();
  // Field of view and camera distance back to their defaults.
  void ResetView();
  // Advances the animation and draws one frame: 1 without a renderer, else 0.
  int StepFrame();

  void ShowShapeDialog();
  void ShowMaterialDialog();
  // The Load and Save commands (buttons "L" and "S").
  void OnLoad();
  void OnSave();

  // Client size minus picture size, measured once at initialisation.
  int32_t m_MarginX = 0;
  int32_t m_MarginY = 0;
  Renderer* m_Renderer = nullptr;
  VertexBufferMesh m_Obj;
  Light m_DirLight;
  Light m_AmbientLight;
  FrameClock m_Clock;
  CShapeDlg* m_ShapeDlg = nullptr;
  CMaterialDlg* m_MaterialDlg = nullptr;
  // View (degrees; distance along z).
  float m_FieldOfView;
  float m_CameraZ;
  // Current rotation (radians) and its rates (radians per animation unit).
  float m_AngleX;
  float m_AngleY;
  float m_AngleZ;
  float m_SpinX;
  float m_SpinY;
  float m_SpinZ;
  // Shape of the torus.
  int32_t m_LobesNum;
  float m_LobesAmp;
  float m_RadiusMajor;
  float m_RadiusMinor;
  int32_t m_StepsMajor;
  int32_t m_StepsMinor;
  int32_t m_TwistNum;
  float m_TwistAmp;
  float m_TwistOffset;
  float m_TwistRate;
  // The fifteen persisted variables, bound to the members above.
  VariableRegistry m_Registry;
  CStatic m_Picture;
  HICON m_hIcon = nullptr;
  // The Open and Save As dialogs, made on first use and kept, so each offers its last file
  // again.
  std::unique_ptr<CFileDialog> m_LoadDialog;
  std::unique_ptr<CFileDialog> m_SaveDialog;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  // Enter: shows the shape dialog, without resetting the view.
  void OnOK() override;
  // Escape or closing: hides the window and ends the program.
  void OnCancel() override;

  afx_msg void OnPaint();
  afx_msg HCURSOR OnQueryDragIcon();
  afx_msg void OnSize(UINT type, int cx, int cy);
  afx_msg void OnMove(int x, int y);
  afx_msg void OnShowWindow(BOOL show, UINT status);
  afx_msg void OnHScroll(UINT code, UINT pos, CScrollBar* control);
  afx_msg void OnVScroll(UINT code, UINT pos, CScrollBar* control);
  afx_msg void OnShapeButton();
  afx_msg void OnMaterialButton();

  DECLARE_MESSAGE_MAP()

 private:
  void RegisterVariables();
  // Tells the user that a Load or Save of path failed, and why.
  void ReportFileFailure(const char* action, const char* path, const char* reason);
};
