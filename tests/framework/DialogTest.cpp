// A dialog built from the material template (131) and the shape template (130):
// data exchange, notifications of edits and trackbars, keys and closing.
#include <QCoreApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSlider>
#include <memory>
#include <string>
#include <vector>

#include "FrameworkFixture.h"
#include "resources/Resource.h"

namespace {

std::string TextOf(const CWnd& window) {
  CString text;
  window.GetWindowText(text);
  return text.Str();
}

class MaterialTestDlg : public CDialog {
 public:
  MaterialTestDlg() : CDialog(IDD_MATERIAL_DIALOG) {}

  CEdit m_Red;
  CEdit m_Green;
  CSliderCtrl m_RedSlider;
  CSliderCtrl m_PowerSlider;
  CButton m_Diffuse;

  bool attachedBeforeBase = true;
  bool attachedAfterBase = false;
  std::vector<std::string> log;
  int okCount = 0;
  int cancelCount = 0;
  std::vector<const CScrollBar*> scrollSources;
  std::vector<int> positionsSeen;

 protected:
  void DoDataExchange(CDataExchange* dx) override {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_RED_EDIT, m_Red);
    DDX_Control(dx, IDC_GREEN_EDIT, m_Green);
    DDX_Control(dx, IDC_RED_SLIDER, m_RedSlider);
    DDX_Control(dx, IDC_POWER_SLIDER, m_PowerSlider);
    DDX_Control(dx, IDC_DIFFUSE_BUTTON, m_Diffuse);
  }
  BOOL OnInitDialog() override {
    attachedBeforeBase = m_Red.m_hWnd || m_RedSlider.m_hWnd;
    CDialog::OnInitDialog();
    attachedAfterBase = m_Red.m_hWnd && m_Green.m_hWnd && m_RedSlider.m_hWnd && m_Diffuse.m_hWnd;
    m_RedSlider.SetRange(0, 128);
    m_PowerSlider.SetRange(0, 128);
    m_RedSlider.SetPos(64);
    return TRUE;
  }
  void OnOK() override {
    ++okCount;
    CDialog::OnOK();
  }
  void OnCancel() override {
    ++cancelCount;
    CDialog::OnCancel();
  }
  afx_msg void OnDiffuse() { log.push_back("clicked 1008"); }
  afx_msg void OnChangeRed() { log.push_back("change 1009 '" + TextOf(m_Red) + "'"); }
  afx_msg void OnChangeGreen() { log.push_back("change 1010 '" + TextOf(m_Green) + "'"); }
  afx_msg void OnVScroll(UINT code, UINT pos, CScrollBar* bar) {
    log.push_back("vscroll " + std::to_string(code) + " " + std::to_string(pos));
    scrollSources.push_back(bar);
    positionsSeen.push_back(m_RedSlider.GetPos());
    CDialog::OnVScroll(code, pos, bar);
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(MaterialTestDlg, CDialog)
ON_BN_CLICKED(IDC_DIFFUSE_BUTTON, OnDiffuse)
ON_EN_CHANGE(IDC_RED_EDIT, OnChangeRed)
ON_EN_CHANGE(IDC_GREEN_EDIT, OnChangeGreen)
ON_WM_VSCROLL()
END_MESSAGE_MAP()

class MaterialDialogTest : public FrameworkTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dlg.Create(IDD_MATERIAL_DIALOG));
    dlg.log.clear();
  }
  MaterialTestDlg dlg;
};

TEST_F(MaterialDialogTest, WrappersAreAttachedByTheBaseInitialisation) {
  EXPECT_FALSE(dlg.attachedBeforeBase);
  EXPECT_TRUE(dlg.attachedAfterBase);
  EXPECT_EQ(dlg.m_Red.GetDlgCtrlID(), IDC_RED_EDIT);
  EXPECT_EQ(CWnd::FromHandlePermanent(dlg.m_RedSlider.m_hWnd), &dlg.m_RedSlider);
  // A control nobody attached to still answers through a temporary wrapper.
  CWnd* blue = dlg.GetDlgItem(IDC_BLUE_EDIT);
  ASSERT_NE(blue, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(blue->m_hWnd), nullptr);
  EXPECT_EQ(blue, dlg.GetDlgItem(IDC_BLUE_EDIT));
  EXPECT_EQ(dlg.GetDlgItem(4242), nullptr);
}

TEST_F(MaterialDialogTest, CreatedHiddenWithTemplateCaptionAndLabels) {
  EXPECT_FALSE(dlg.IsWindowVisible());
  EXPECT_EQ(TextOf(dlg), "material");
  EXPECT_EQ(TextOf(*dlg.GetDlgItem(IDC_SPECULAR_BUTTON)), "specular");
  EXPECT_EQ(dlg.Create(IDD_MATERIAL_DIALOG), FALSE) << "a second Create on a live dialog must fail";
  MaterialTestDlg unknown;
  EXPECT_EQ(unknown.Create(999), FALSE);
}

TEST_F(MaterialDialogTest, SettingAnEditsTextNotifiesAtOnceEvenWhenUnchanged) {
  dlg.m_Red.SetWindowText("0.8");
  ASSERT_EQ(dlg.log.size(), 1u);
  EXPECT_EQ(dlg.log[0], "change 1009 '0.8'");  // the handler saw the new text
  dlg.m_Red.SetWindowText("0.8");
  EXPECT_EQ(dlg.log.size(), 2u);
  dlg.m_Green.SetWindowText("");
  EXPECT_EQ(dlg.log.back(), "change 1010 ''");
}

TEST_F(MaterialDialogTest, AnEditShowsTheTextItIsGivenFromItsFirstCharacter) {
  // The power edit is narrower than "1e+02": its start must show, not its end.
  CWnd* power = dlg.GetDlgItem(1013);
  const auto leftColumns = [&](const char* text) {
    power->SetWindowText(text);
    std::vector<uint32_t> pixels;
    SIZE size{};
    EXPECT_TRUE(simulate::CaptureWindowImage(power->m_hWnd, &pixels, &size));
    std::vector<uint32_t> columns;
    for (int y = 0; y < size.cy; ++y)
      for (int x = 0; x < size.cx / 4; ++x) columns.push_back(pixels[y * size.cx + x]);
    return columns;
  };
  const std::vector<uint32_t> one = leftColumns("1");
  EXPECT_EQ(leftColumns("1e+02"), one) << "the edit starts with the same 1";
  EXPECT_NE(leftColumns("e+02"), one);
  EXPECT_EQ(qobject_cast<QLineEdit*>(WidgetOf(power))->cursorPosition(), 0);
}

TEST_F(MaterialDialogTest, TypingNotifiesOnEveryKeystroke) {
  dlg.m_Red.SetWindowText("");
  dlg.log.clear();
  simulate::Type(&dlg.m_Red, "1.5");
  const std::vector<std::string> expected = {"change 1009 '1'", "change 1009 '1.'",
                                             "change 1009 '1.5'"};
  EXPECT_EQ(dlg.log, expected);
  simulate::Key(&dlg.m_Red, VK_BACK);
  EXPECT_EQ(dlg.log.back(), "change 1009 '1.'");
}

TEST_F(MaterialDialogTest, ProgramMovesOfATrackbarRaiseNoScrollMessage) {
  dlg.m_RedSlider.SetPos(89);
  EXPECT_EQ(dlg.m_RedSlider.GetPos(), 89);
  dlg.m_RedSlider.SendMessage(TBM_SETPOS, TRUE, 500);
  EXPECT_EQ(dlg.m_RedSlider.SendMessage(TBM_GETPOS), 128) << "positions clamp to the range";
  dlg.m_RedSlider.SendMessage(TBM_SETPOS, TRUE, -3);
  EXPECT_EQ(dlg.m_RedSlider.GetPos(), 0);
  dlg.m_RedSlider.SetRange(10, 20, TRUE);
  EXPECT_EQ(dlg.m_RedSlider.GetPos(), 10);
  int low = 0, high = 0;
  dlg.m_RedSlider.GetRange(low, high);
  EXPECT_EQ(low, 10);
  EXPECT_EQ(high, 20);
  EXPECT_TRUE(dlg.log.empty());
}

TEST_F(MaterialDialogTest, UserMovesReachTheDialogAsVerticalScrollMessages) {
  simulate::SliderDrag(&dlg.m_RedSlider, 40);
  const std::vector<std::string> expected = {"vscroll " + std::to_string(TB_THUMBTRACK) + " 40",
                                             "vscroll " + std::to_string(TB_THUMBPOSITION) + " 40",
                                             "vscroll " + std::to_string(TB_ENDTRACK) + " 0"};
  EXPECT_EQ(dlg.log, expected);
  for (const CScrollBar* source : dlg.scrollSources) EXPECT_EQ(source, &dlg.m_RedSlider);
  for (int seen : dlg.positionsSeen)
    EXPECT_EQ(seen, 40) << "the position is set before the message";

  dlg.log.clear();
  simulate::Key(&dlg.m_RedSlider, VK_DOWN);
  EXPECT_EQ(dlg.m_RedSlider.GetPos(), 41) << "Down moves a vertical thumb down, toward the maximum";
  simulate::Key(&dlg.m_RedSlider, VK_UP);
  simulate::Key(&dlg.m_RedSlider, VK_UP);
  EXPECT_EQ(dlg.m_RedSlider.GetPos(), 39);
  ASSERT_EQ(dlg.log.size(), 6u);
  EXPECT_EQ(dlg.log[0], "vscroll " + std::to_string(TB_LINEDOWN) + " 0");
  EXPECT_EQ(dlg.log[1], "vscroll " + std::to_string(TB_ENDTRACK) + " 0");
  EXPECT_EQ(dlg.log[2], "vscroll " + std::to_string(TB_LINEUP) + " 0");
}

TEST_F(MaterialDialogTest, VerticalTrackbarHasPositionZeroAtTheTop) {
  EXPECT_TRUE(dlg.m_RedSlider.GetStyle() & TBS_VERT);
  auto* slider = qobject_cast<QSlider*>(WidgetOf(&dlg.m_RedSlider));
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(slider->orientation(), Qt::Vertical);
  EXPECT_TRUE(slider->invertedAppearance());
  dlg.ShowWindow(SW_SHOW);
  simulate::PumpMessages();

  // A click on the groove pages the thumb toward the click: above it means toward 0.
  auto clickAt = [slider](int y) {
    const QPointF local(slider->width() / 2.0, y);
    const QPointF global = slider->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(slider, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(slider, &release);
  };
  dlg.m_RedSlider.SetPos(64);
  dlg.log.clear();
  clickAt(2);
  EXPECT_LT(dlg.m_RedSlider.GetPos(), 64);
  ASSERT_FALSE(dlg.log.empty());
  EXPECT_EQ(dlg.log.front(), "vscroll " + std::to_string(TB_PAGEUP) + " 0");
  dlg.m_RedSlider.SetPos(64);
  clickAt(slider->height() - 3);
  EXPECT_GT(dlg.m_RedSlider.GetPos(), 64);
}

TEST_F(MaterialDialogTest, EnterWithoutAFocusedButtonIsOkAndHides) {
  dlg.ShowWindow(SW_SHOWNORMAL);
  dlg.m_Red.SetFocus();
  simulate::Key(&dlg, VK_RETURN);
  EXPECT_EQ(dlg.okCount, 1);
  EXPECT_EQ(dlg.GetResult(), IDOK);
  EXPECT_FALSE(dlg.IsWindowVisible());
  EXPECT_TRUE(dlg.m_hWnd) << "ending a modeless dialog only hides it";
}

TEST_F(MaterialDialogTest, EnterOrSpaceOnAFocusedPushButtonClicksIt) {
  dlg.ShowWindow(SW_SHOWNORMAL);
  dlg.m_Diffuse.SetFocus();
  simulate::Key(&dlg, VK_RETURN);
  simulate::Key(&dlg, VK_SPACE);
  EXPECT_EQ(dlg.okCount, 0);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"clicked 1008", "clicked 1008"}));
  EXPECT_TRUE(dlg.IsWindowVisible());
}

TEST_F(MaterialDialogTest, EscapeAndTheCloseBoxAreCancelAndOnlyHide) {
  dlg.ShowWindow(SW_SHOWNORMAL);
  simulate::Key(&dlg, VK_ESCAPE);
  EXPECT_EQ(dlg.cancelCount, 1);
  EXPECT_EQ(dlg.GetResult(), IDCANCEL);
  EXPECT_FALSE(dlg.IsWindowVisible());
  dlg.ShowWindow(SW_SHOWNORMAL);
  EXPECT_TRUE(dlg.IsWindowVisible());
  simulate::Close(&dlg);
  EXPECT_EQ(dlg.cancelCount, 2);
  EXPECT_FALSE(dlg.IsWindowVisible());
  EXPECT_TRUE(dlg.m_hWnd);
}

TEST_F(MaterialDialogTest, FirstTabStopGetsTheFocusAfterInitialisation) {
  QWidget* window = WidgetOf(&dlg);
  ASSERT_NE(window->focusWidget(), nullptr);
  EXPECT_EQ(window->focusWidget(), WidgetOf(&dlg.m_Red));
  simulate::Key(&dlg, VK_TAB);
  EXPECT_EQ(window->focusWidget(), WidgetOf(&dlg.m_Green)) << "template order is the tab order";
}

TEST_F(MaterialDialogTest, ControlsHideAndDisableAtOnce) {
  CWnd* power = dlg.GetDlgItem(IDC_POWER_EDIT);
  ASSERT_NE(power, nullptr);
  EXPECT_TRUE(power->GetStyle() & WS_VISIBLE);
  EXPECT_TRUE(power->ShowWindow(SW_HIDE));
  EXPECT_FALSE(power->GetStyle() & WS_VISIBLE);
  EXPECT_FALSE(power->ShowWindow(SW_SHOW));
  EXPECT_TRUE(power->GetStyle() & WS_VISIBLE);

  EXPECT_FALSE(dlg.m_PowerSlider.EnableWindow(FALSE));
  EXPECT_FALSE(dlg.m_PowerSlider.IsWindowEnabled());
  EXPECT_TRUE(dlg.m_PowerSlider.GetStyle() & WS_DISABLED);
  simulate::SliderDrag(&dlg.m_PowerSlider, 50);
  EXPECT_EQ(dlg.m_PowerSlider.GetPos(), 0) << "a disabled trackbar takes no user move";
  EXPECT_TRUE(dlg.m_PowerSlider.EnableWindow(TRUE));
  EXPECT_TRUE(dlg.m_PowerSlider.IsWindowEnabled());

  dlg.m_Diffuse.EnableWindow(FALSE);
  simulate::Click(&dlg.m_Diffuse);
  EXPECT_TRUE(dlg.log.empty());
}

TEST_F(MaterialDialogTest, WrappersAndWindowsEndTogether) {
  auto blue = std::make_unique<CEdit>();
  ASSERT_TRUE(blue->SubclassDlgItem(IDC_BLUE_EDIT, &dlg));
  EXPECT_FALSE(CEdit().SubclassDlgItem(IDC_BLUE_EDIT, &dlg)) << "one permanent wrapper per window";
  blue.reset();
  EXPECT_EQ(dlg.GetDlgItem(IDC_BLUE_EDIT), nullptr)
      << "destroying the wrapper destroyed the control";

  // Destroying the dialog's window first leaves the member wrappers with null handles.
  EXPECT_TRUE(dlg.DestroyWindow());
  EXPECT_EQ(dlg.m_hWnd, nullptr);
  EXPECT_EQ(dlg.m_Red.m_hWnd, nullptr);
  EXPECT_EQ(dlg.m_RedSlider.GetPos(), 0);
}

class WrongKindDlg : public CDialog {
 public:
  WrongKindDlg() : CDialog(IDD_MATERIAL_DIALOG) {}
  CSliderCtrl m_NotASlider;

 protected:
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, IDC_RED_EDIT, m_NotASlider); }
};

class MissingIdDlg : public CDialog {
 public:
  MissingIdDlg() : CDialog(IDD_MATERIAL_DIALOG) {}
  CEdit m_Missing;

 protected:
  void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, 1999, m_Missing); }
};

TEST_F(MaterialDialogTest, DataExchangeStopsOnAWrongKindOrAMissingId) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        WrongKindDlg wrong;
        wrong.Create(IDD_MATERIAL_DIALOG);
      },
      "does not fit the control's kind");
  EXPECT_DEATH(
      {
        MissingIdDlg missing;
        missing.Create(IDD_MATERIAL_DIALOG);
      },
      "no control with this id.*control id 1999");
}

// ---------------------------------------------------------------- shape template

class ShapeTestDlg : public CDialog {
 public:
  CEdit m_Steps;
  std::vector<std::string> changes;

 protected:
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Control(dx, IDC_STEPS_MAJOR_EDIT, m_Steps);
  }
  afx_msg void OnChangeSteps() { changes.push_back(TextOf(m_Steps)); }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ShapeTestDlg, CDialog)
ON_EN_CHANGE(IDC_STEPS_MAJOR_EDIT, OnChangeSteps)
END_MESSAGE_MAP()

TEST_F(FrameworkTest, NumberEditTakesDigitsOnlyFromTheKeyboard) {
  ShapeTestDlg dlg;
  ASSERT_TRUE(dlg.Create(IDD_SHAPE_DIALOG));
  dlg.m_Steps.SetWindowText("");
  dlg.changes.clear();
  simulate::Type(&dlg.m_Steps, "1x0-1");
  EXPECT_EQ(dlg.changes, (std::vector<std::string>{"1", "10", "101"}));
  // The program may still set any text.
  dlg.m_Steps.SetWindowText("abc");
  EXPECT_EQ(TextOf(dlg.m_Steps), "abc");
}

TEST_F(FrameworkTest, TemplatesDecideWhetherADialogCanBeResized) {
  CDialog shape;
  CDialog material;
  ASSERT_TRUE(shape.Create(IDD_SHAPE_DIALOG));
  ASSERT_TRUE(material.Create(IDD_MATERIAL_DIALOG));
  const QWidget* sizable = WidgetOf(&shape);
  const QWidget* fixed = WidgetOf(&material);
  EXPECT_NE(sizable->minimumSize(), sizable->maximumSize());
  EXPECT_EQ(fixed->minimumSize(), fixed->maximumSize());
  EXPECT_EQ(TextOf(shape), "the bog");
}

}  // namespace
