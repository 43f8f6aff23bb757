// The application object around the message loop: frames while idle, and Escape or the
// close box ending the program with code 0.
#include <gtest/gtest.h>

#include "AppFixture.h"
#include "app/TorusApp.h"
#include "platform/framework/Simulate.h"

namespace {

// Ends the run by a user's action once a few frames were drawn.
class ScriptedApp : public CTorusApp {
 public:
  enum class Ending { Escape, Close };
  explicit ScriptedApp(Ending ending) : m_Ending(ending) {}

  BOOL OnIdle(LONG count) override {
    const BOOL more = CTorusApp::OnIdle(count);
    if (++m_IdleCalls == 3 && m_Dlg) {
      if (m_Ending == Ending::Escape) {
        m_Dlg->m_Picture.SetFocus();
        simulate::Key(m_Dlg, VK_ESCAPE);
      } else {
        simulate::Close(m_Dlg);
      }
    }
    return more;
  }
  int ExitInstance() override {
    m_VisibleAtExit = m_Dlg && m_Dlg->IsWindowVisible();
    m_AngleAtExit = m_Dlg ? m_Dlg->m_AngleX : -1.0f;
    return CTorusApp::ExitInstance();
  }

  Ending m_Ending;
  int m_IdleCalls = 0;
  bool m_VisibleAtExit = true;
  float m_AngleAtExit = -1.0f;
};

using AppLoopTest = AppFixture;

void RunUntilTheUserQuits(ScriptedApp::Ending ending, DWORD& ticks) {
  ScriptedApp app(ending);
  ASSERT_TRUE(app.InitInstance());
  ASSERT_NE(app.m_Dlg, nullptr);
  EXPECT_EQ(app.m_pMainWnd, app.m_Dlg);
  EXPECT_TRUE(app.m_Dlg->IsWindowVisible());
  ticks += 1000;  // frames after start see time pass

  EXPECT_EQ(app.Run(), 0);
  // Input is handled before the next idle call, so the frames stop at once.
  EXPECT_EQ(app.m_IdleCalls, 3);
  EXPECT_FALSE(app.m_VisibleAtExit);
  EXPECT_GT(app.m_AngleAtExit, 0.0f);
  // ExitInstance deleted the main window.
  EXPECT_EQ(app.m_Dlg, nullptr);
}

TEST_F(AppLoopTest, EscapeEndsTheProgramWithCodeZero) {
  RunUntilTheUserQuits(ScriptedApp::Ending::Escape, m_Ticks);
}

TEST_F(AppLoopTest, CloseBoxEndsTheProgramWithCodeZero) {
  RunUntilTheUserQuits(ScriptedApp::Ending::Close, m_Ticks);
}

TEST_F(AppLoopTest, HelpCommandIsRoutedToTheFramework) {
  CTorusApp app;
  EXPECT_TRUE(app.OnCmdMsg(ID_HELP, 0));
  EXPECT_EQ(AfxGetApp(), &app);
}

}  // namespace
