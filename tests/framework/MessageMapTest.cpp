// Message tables: lookup order, the chain to base classes, default processing, and
// commands that go on to the application.
#include <string>
#include <vector>

#include "FrameworkFixture.h"
#include "resources/Resource.h"

namespace {

std::vector<std::string> g_Calls;

class BaseTableDlg : public CDialog {
 public:
  BaseTableDlg() : CDialog(IDD_MATERIAL_DIALOG) {}

 protected:
  afx_msg void OnSize(UINT, int cx, int) { g_Calls.push_back("base size " + std::to_string(cx)); }
  afx_msg void OnBaseClick() { g_Calls.push_back("base 1008"); }
  afx_msg void OnBaseSpecular() { g_Calls.push_back("base 1014"); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseTableDlg, CDialog)
ON_WM_SIZE()
ON_BN_CLICKED(IDC_DIFFUSE_BUTTON, OnBaseClick)
ON_BN_CLICKED(IDC_SPECULAR_BUTTON, OnBaseSpecular)
END_MESSAGE_MAP()

class DerivedTableDlg : public BaseTableDlg {
 public:
  bool callDefault = true;

 protected:
  afx_msg void OnFirst() { g_Calls.push_back("derived first 1008"); }
  afx_msg void OnSecond() { g_Calls.push_back("derived second 1008"); }
  afx_msg LRESULT OnSetText(WPARAM, LPARAM lParam) {
    g_Calls.push_back(std::string("settext ") + reinterpret_cast<const char*>(lParam));
    return callDefault ? Default() : TRUE;
  }
  afx_msg void OnHelpCommand() { g_Calls.push_back("dialog help"); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedTableDlg, BaseTableDlg)
ON_BN_CLICKED(IDC_DIFFUSE_BUTTON, OnFirst)
ON_CONTROL(BN_CLICKED, IDC_DIFFUSE_BUTTON, OnSecond)
ON_MESSAGE(WM_SETTEXT, OnSetText)
END_MESSAGE_MAP()

class TableApp : public CWinApp {
 public:
  afx_msg void OnAppHelp() { g_Calls.push_back("app help"); }
  afx_msg void OnAppCommand() { g_Calls.push_back("app 1014"); }

 protected:
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TableApp, CWinApp)
ON_COMMAND(ID_HELP, OnAppHelp)
ON_COMMAND(IDC_EMISSIVE_BUTTON, OnAppCommand)
END_MESSAGE_MAP()

class MessageMapTest : public FrameworkTest {
 protected:
  void SetUp() override {
    g_Calls.clear();
    ASSERT_TRUE(dlg.Create(IDD_MATERIAL_DIALOG));
    g_Calls.clear();
  }
  DerivedTableDlg dlg;
};

TEST_F(MessageMapTest, OwnTableFirstInTableOrderThenTheBaseTables) {
  simulate::Click(dlg.GetDlgItem(IDC_DIFFUSE_BUTTON));
  simulate::Click(dlg.GetDlgItem(IDC_SPECULAR_BUTTON));
  const std::vector<std::string> expected = {"derived first 1008", "base 1014"};
  EXPECT_EQ(g_Calls, expected);
  dlg.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(77, 5));
  EXPECT_EQ(g_Calls.back(), "base size 77");
}

TEST_F(MessageMapTest, HandlersReachTheDefaultProcessingThroughDefault) {
  dlg.SetWindowText("first");
  CString text;
  dlg.GetWindowText(text);
  EXPECT_EQ(text, "first");
  dlg.callDefault = false;
  dlg.SetWindowText("second");
  dlg.GetWindowText(text);
  EXPECT_EQ(text, "first") << "without the default processing the text stays";
  EXPECT_EQ(g_Calls, (std::vector<std::string>{"settext first", "settext second"}));
}

TEST_F(MessageMapTest, UnhandledPlainCommandsGoOnToTheApplication) {
  TableApp app;
  dlg.SendMessage(WM_COMMAND, MAKEWPARAM(ID_HELP, 0), 0);
  simulate::Click(dlg.GetDlgItem(IDC_EMISSIVE_BUTTON));  // no dialog entry: a click is its command
  // A notification other than a plain command stays with the dialog.
  dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_EMISSIVE_BUTTON, EN_CHANGE), 0);
  EXPECT_EQ(g_Calls, (std::vector<std::string>{"app help", "app 1014"}));
  EXPECT_TRUE(app.OnCmdMsg(ID_HELP, 0));
  EXPECT_FALSE(app.OnCmdMsg(4321, 0));
}

TEST_F(MessageMapTest, StandardCommandsReachTheVirtualHandlers) {
  dlg.ShowWindow(SW_SHOW);
  dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_EQ(dlg.GetResult(), IDOK);
  EXPECT_FALSE(dlg.IsWindowVisible());
  dlg.ShowWindow(SW_SHOW);
  dlg.SendMessage(WM_CLOSE);
  EXPECT_EQ(dlg.GetResult(), IDCANCEL);
  EXPECT_FALSE(dlg.IsWindowVisible());
}

TEST_F(MessageMapTest, MessagesToNoWindowDoNothing) {
  CWnd detached;
  EXPECT_EQ(detached.SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("x")), 0);
  EXPECT_EQ(detached.GetDlgItem(IDC_DIFFUSE_BUTTON), nullptr);
  EXPECT_FALSE(detached.ShowWindow(SW_SHOW));
  CRect rect(1, 2, 3, 4);
  detached.GetClientRect(&rect);
  EXPECT_TRUE(rect.IsRectEmpty());
  OffscreenWindow offscreen(8, 8);
  EXPECT_EQ(CWnd::FromHandle(&offscreen), nullptr);
  RECT frame;
  ASSERT_TRUE(GetWindowRect(&offscreen, &frame));
  EXPECT_EQ(frame.right - frame.left, 8);
}

}  // namespace
