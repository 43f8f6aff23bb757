// The main window: start-up state, the four buttons and Enter, the tool dialogs, the
// resize reaction, moves and the minimised icon.
#include <gtest/gtest.h>

#include <string>

#include "AppFixture.h"
#include "dialogs/MaterialDlg.h"
#include "dialogs/ShapeDlg.h"
#include "platform/framework/Simulate.h"
#include "render/Renderer.h"

namespace {

using MainWindowTest = AppFixture;

TEST_F(MainWindowTest, StartUpSetsCaptionLightsRegistryAndDefaults) {
  MakeWindow();
  CString caption;
  m_Dlg->GetWindowText(caption);
  EXPECT_EQ(caption, "quennet");

  // The ambient light first, then the directional one.
  ASSERT_NE(m_Dlg->m_Renderer, nullptr);
  ASSERT_EQ(m_Dlg->m_Renderer->LightCount(), 2);
  EXPECT_EQ(m_Dlg->m_Renderer->LightAt(0), &m_Dlg->m_AmbientLight);
  EXPECT_EQ(m_Dlg->m_Renderer->LightAt(1), &m_Dlg->m_DirLight);
  EXPECT_EQ(m_Dlg->m_Obj.m_Renderer, m_Dlg->m_Renderer);
  EXPECT_NE(m_Dlg->m_Renderer->m_Device, nullptr);

  // Bound in place: the registry points at the members themselves.
  const Material& material = m_Dlg->m_Obj.m_Material;
  const struct {
    const char* name;
    const void* storage;
  } expected[] = {
      {"m_Obj.m_Material.m_Diffuse", &material.m_Diffuse},
      {"m_Obj.m_Material.m_Specular", &material.m_Specular},
      {"m_Obj.m_Material.m_SpecularPower", &material.m_SpecularPower},
      {"m_Obj.m_Material.m_Ambient", &material.m_Ambient},
      {"m_Obj.m_Material.m_Emissive", &material.m_Emissive},
      {"m_RadiusMajor", &m_Dlg->m_RadiusMajor},
      {"m_RadiusMinor", &m_Dlg->m_RadiusMinor},
      {"m_StepsMajor", &m_Dlg->m_StepsMajor},
      {"m_StepsMinor", &m_Dlg->m_StepsMinor},
      {"m_LobesNum", &m_Dlg->m_LobesNum},
      {"m_LobesAmp", &m_Dlg->m_LobesAmp},
      {"m_TwistNum", &m_Dlg->m_TwistNum},
      {"m_TwistAmp", &m_Dlg->m_TwistAmp},
      {"m_TwistOffset", &m_Dlg->m_TwistOffset},
      {"m_TwistRate", &m_Dlg->m_TwistRate},
  };
  ASSERT_EQ(m_Dlg->m_Registry.entryCount(), 15);
  for (int i = 0; i < 15; ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_STREQ(m_Dlg->m_Registry.entryAt(i)->name(), expected[i].name);
    EXPECT_EQ(m_Dlg->m_Registry.entryAt(i)->storage(), expected[i].storage);
  }

  EXPECT_EQ(m_Dlg->m_FieldOfView, 45.0f);
  EXPECT_EQ(m_Dlg->m_CameraZ, -2.8f);
  EXPECT_EQ(m_Dlg->m_AngleX, 0.0f);
  EXPECT_EQ(m_Dlg->m_AngleY, 0.0f);
  EXPECT_EQ(m_Dlg->m_AngleZ, 0.0f);
  EXPECT_EQ(m_Dlg->m_SpinX, 0.015f);
  EXPECT_EQ(m_Dlg->m_SpinY, 0.0127f);
  EXPECT_EQ(m_Dlg->m_SpinZ, 0.013f);
  EXPECT_EQ(m_Dlg->m_ShapeDlg, nullptr);
  EXPECT_EQ(m_Dlg->m_MaterialDlg, nullptr);
}

TEST_F(MainWindowTest, ShapeButtonResetsTheViewButOkDoesNot) {
  MakeWindow();
  m_Dlg->m_FieldOfView = 80.0f;
  m_Dlg->m_CameraZ = -6.0f;
  m_Dlg->m_SpinX = 0.5f;

  // Enter while no push button has the focus is the dialog's OK command.
  m_Dlg->m_Picture.SetFocus();
  simulate::Key(m_Dlg, VK_RETURN);
  ASSERT_NE(m_Dlg->m_ShapeDlg, nullptr);
  EXPECT_TRUE(m_Dlg->m_ShapeDlg->IsWindowVisible());
  EXPECT_EQ(m_Dlg->m_ShapeDlg->m_Owner, m_Dlg);
  EXPECT_EQ(m_Dlg->m_FieldOfView, 80.0f);
  EXPECT_EQ(m_Dlg->m_CameraZ, -6.0f);

  CShapeDlg* const first = m_Dlg->m_ShapeDlg;
  first->ShowWindow(SW_HIDE);
  simulate::Click(Control(IDC_SHAPE_BUTTON));
  EXPECT_EQ(m_Dlg->m_ShapeDlg, first);
  EXPECT_TRUE(first->IsWindowVisible());
  EXPECT_EQ(m_Dlg->m_FieldOfView, 45.0f);
  EXPECT_EQ(m_Dlg->m_CameraZ, -2.8f);
  // Only the view: the spin rate the user set stays.
  EXPECT_EQ(m_Dlg->m_SpinX, 0.5f);
}

TEST_F(MainWindowTest, MaterialButtonMakesOneDialogAndShowsItAgain) {
  MakeWindow();
  simulate::Click(Control(IDC_MATERIAL_BUTTON));
  CMaterialDlg* const first = m_Dlg->m_MaterialDlg;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->m_pMaterial, &m_Dlg->m_Obj.m_Material);
  EXPECT_TRUE(first->IsWindowVisible());

  simulate::Close(first);
  EXPECT_FALSE(first->IsWindowVisible());
  EXPECT_EQ(m_Dlg->m_MaterialDlg, first);
  simulate::Click(Control(IDC_MATERIAL_BUTTON));
  EXPECT_EQ(m_Dlg->m_MaterialDlg, first);
  EXPECT_TRUE(first->IsWindowVisible());
  EXPECT_EQ(m_Dlg->m_ShapeDlg, nullptr);
}

TEST_F(MainWindowTest, ResetDefaultsRefreshesAnOpenShapeDialog) {
  MakeWindow();
  m_Dlg->ShowShapeDialog();
  m_Dlg->m_StepsMajor = 12;
  m_Dlg->m_AngleY = 3.0f;
  m_Dlg->ResetDefaults();
  CString text;
  m_Dlg->m_ShapeDlg->GetDlgItem(IDC_STEPS_MAJOR_EDIT)->GetWindowText(text);
  EXPECT_EQ(text, "101");
  EXPECT_EQ(m_Dlg->m_AngleY, 0.0f);
}

TEST_F(MainWindowTest, ResizeKeepsTheMarginsAndAllowsZeroSize) {
  MakeWindow();
  RECT client{};
  m_Dlg->GetClientRect(&client);
  const SIZE start = PictureSize();
  EXPECT_GT(start.cx, 0);
  EXPECT_GT(start.cy, 0);
  EXPECT_EQ(client.right - start.cx, m_Dlg->m_MarginX);
  EXPECT_EQ(client.bottom - start.cy, m_Dlg->m_MarginY);
  EXPECT_GT(m_Dlg->m_MarginX, 0);  // the button column

  RECT frame{};
  m_Dlg->GetWindowRect(&frame);
  const int frameX = (frame.right - frame.left) - client.right;
  const int frameY = (frame.bottom - frame.top) - client.bottom;
  const auto resizeClient = [&](int cx, int cy) {
    m_Dlg->SetWindowPos(nullptr, 0, 0, cx + frameX, cy + frameY, SWP_NOMOVE | SWP_NOZORDER);
    simulate::PumpMessages();
  };

  resizeClient(m_Dlg->m_MarginX / 2, 0);
  EXPECT_EQ(PictureSize().cx, 0);
  EXPECT_EQ(PictureSize().cy, 0);
  // A frame with nothing to draw into must not fail the program.
  EXPECT_EQ(m_Dlg->StepFrame(), 0);

  resizeClient(m_Dlg->m_MarginX + 300, m_Dlg->m_MarginY + 200);
  EXPECT_EQ(PictureSize().cx, 300);
  EXPECT_EQ(PictureSize().cy, 200);
  // The renderer follows: its client rectangle and the next frame's viewport have the size.
  const RECT& rendered = m_Dlg->m_Renderer->m_ClientRect;
  EXPECT_EQ(rendered.right - rendered.left, 300);
  EXPECT_EQ(rendered.bottom - rendered.top, 200);
  const size_t drawsBefore = m_Device->Log().draws.size();
  EXPECT_EQ(m_Dlg->StepFrame(), 0);
  ASSERT_EQ(m_Device->Log().draws.size(), drawsBefore + 1);
  const D3DVIEWPORT2& viewport = m_Device->Log().draws.back().state.viewport;
  EXPECT_EQ(viewport.dwWidth, 300u);
  EXPECT_EQ(viewport.dwHeight, 200u);
}

TEST_F(MainWindowTest, MovingTheWindowMovesTheRenderersScreenRectangle) {
  MakeWindow();
  const RECT before = m_Dlg->m_Renderer->m_ScreenRect;
  RECT frame{};
  m_Dlg->GetWindowRect(&frame);
  m_Dlg->SetWindowPos(nullptr, frame.left + 40, frame.top + 25, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  simulate::PumpMessages();
  // The renderer re-read where the picture area now lies on the screen.
  const RECT after = m_Dlg->m_Renderer->m_ScreenRect;
  POINT origin{0, 0};
  m_Dlg->m_Picture.ClientToScreen(&origin);
  EXPECT_NE(after.left, before.left);
  EXPECT_NE(after.top, before.top);
  EXPECT_EQ(after.left, origin.x);
  EXPECT_EQ(after.top, origin.y);
  EXPECT_EQ(after.right - after.left, before.right - before.left);
}

TEST_F(MainWindowTest, DragIconIsTheApplicationIcon) {
  MakeWindow();
  ASSERT_NE(m_Dlg->m_hIcon, nullptr);
  EXPECT_EQ(reinterpret_cast<HICON>(m_Dlg->SendMessage(WM_QUERYDRAGICON)), m_Dlg->m_hIcon);
  EXPECT_EQ(m_Dlg->GetIcon(TRUE), m_Dlg->m_hIcon);
  EXPECT_EQ(m_Dlg->GetIcon(FALSE), m_Dlg->m_hIcon);
}

}  // namespace
