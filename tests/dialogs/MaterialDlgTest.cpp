// The material dialog on the real main window: the colour buttons, the power binding that
// outlives the specular choice, slider moves, typed values and their two-digit display.
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "DialogTestSupport.h"
#include "TempDir.h"
#include "dialogs/SliderMapping.h"

namespace {

class MaterialDlgTest : public MainWindowTest {
 protected:
  Material& material() { return m_Main->m_Obj.m_Material; }
  void ClickButton(CMaterialDlg& dlg, int id) { simulate::Click(dlg.GetDlgItem(id)); }
};

TEST_F(MaterialDlgTest, OpensOnTheDiffuseColourWithThePowerHidden) {
  CMaterialDlg& dlg = OpenMaterial();
  EXPECT_TRUE(dlg.IsWindowVisible());
  EXPECT_EQ(TextOf(dlg), "material");
  EXPECT_EQ(dlg.m_pMaterial, &material());
  EXPECT_EQ(dlg.m_pRed, &material().m_Diffuse.x);
  EXPECT_EQ(dlg.m_pPower, nullptr);

  EXPECT_EQ(TextOf(dlg.m_EditRed), "0.8");
  EXPECT_EQ(TextOf(dlg.m_EditGreen), "0.7");
  EXPECT_EQ(TextOf(dlg.m_EditBlue), "0.7");
  EXPECT_EQ(TextOf(dlg.m_EditAlpha), "0");
  EXPECT_EQ(TextOf(dlg.m_EditPower), "---");
  EXPECT_FALSE(dlg.m_EditPower.IsWindowVisible());
  EXPECT_FALSE(dlg.m_SliderPower.IsWindowVisible());
  EXPECT_TRUE(dlg.m_SliderRed.IsWindowEnabled());
  EXPECT_TRUE(dlg.m_EditAlpha.IsWindowEnabled());

  EXPECT_EQ(dlg.m_SliderRed.GetPos(), 25);
  EXPECT_EQ(dlg.m_SliderGreen.GetPos(), 38);
  EXPECT_EQ(dlg.m_SliderBlue.GetPos(), 38);
  EXPECT_EQ(dlg.m_SliderAlpha.GetPos(), kSliderMaxPos);
  // Showing the colour changed nothing.
  EXPECT_EQ(material().m_Diffuse.x, 0.8f);
  EXPECT_FALSE(dlg.m_Updating);
}

TEST_F(MaterialDlgTest, EachButtonShowsItsColour) {
  CMaterialDlg& dlg = OpenMaterial();
  struct Row {
    int button;
    const Vec4* colour;
    const char* red;
  };
  for (const Row row : {Row{IDC_EMISSIVE_BUTTON, &material().m_Emissive, "0"},
                        Row{IDC_AMBIENT_BUTTON, &material().m_Ambient, "1"},
                        Row{IDC_SPECULAR_BUTTON, &material().m_Specular, "0.5"},
                        Row{IDC_DIFFUSE_BUTTON, &material().m_Diffuse, "0.8"}}) {
    SCOPED_TRACE(row.button);
    ClickButton(dlg, row.button);
    EXPECT_EQ(dlg.m_pRed, &row.colour->x);
    EXPECT_EQ(dlg.m_pGreen, &row.colour->y);
    EXPECT_EQ(dlg.m_pBlue, &row.colour->z);
    EXPECT_EQ(dlg.m_pAlpha, &row.colour->w);
    EXPECT_EQ(TextOf(dlg.m_EditRed), row.red);
  }
}

TEST_F(MaterialDlgTest, PowerStaysBoundAfterSpecularWasChosen) {
  CMaterialDlg& dlg = OpenMaterial();
  ClickButton(dlg, IDC_SPECULAR_BUTTON);
  EXPECT_TRUE(dlg.m_EditPower.IsWindowVisible());
  EXPECT_TRUE(dlg.m_SliderPower.IsWindowVisible());
  EXPECT_EQ(TextOf(dlg.m_EditPower), "20");
  EXPECT_EQ(TextOf(dlg.m_EditRed), "0.5");
  EXPECT_EQ(dlg.m_SliderPower.GetPos(), 102);

  ClickButton(dlg, IDC_AMBIENT_BUTTON);
  EXPECT_FALSE(dlg.m_EditPower.IsWindowVisible());
  EXPECT_FALSE(dlg.m_SliderPower.IsWindowVisible());
  EXPECT_EQ(dlg.m_pPower, &material().m_SpecularPower);

  simulate::SliderDrag(&dlg.m_SliderRed, 64);
  EXPECT_EQ(material().m_Ambient.x, 0.5f);
  EXPECT_EQ(material().m_SpecularPower, 20.3125f);  // re-read from its hidden slider
  EXPECT_EQ(material().m_Ambient.y, 1.0f);
  EXPECT_EQ(TextOf(dlg.m_EditRed), "0.5");
  EXPECT_EQ(TextOf(dlg.m_EditPower), "20");
}

TEST_F(MaterialDlgTest, SlidersWriteTheChosenColourAndMarkTheMaterial) {
  CMaterialDlg& dlg = OpenMaterial();
  ClickButton(dlg, IDC_SPECULAR_BUTTON);
  struct Row {
    int position;
    float colour, power;
  };
  for (const Row row : {Row{kSliderMinPos, 1.0f, 100.0f}, Row{kSliderMaxPos, 0.0f, 0.0f}}) {
    SCOPED_TRACE(row.position);
    material().m_Changed = false;
    simulate::SliderDrag(&dlg.m_SliderGreen, row.position);
    EXPECT_TRUE(material().m_Changed);
    simulate::SliderDrag(&dlg.m_SliderPower, row.position);
    EXPECT_EQ(material().m_Specular.y, row.colour);
    EXPECT_EQ(material().m_SpecularPower, row.power);
  }
  EXPECT_EQ(material().m_Diffuse.y, 0.7f);  // other colours untouched
}

TEST_F(MaterialDlgTest, PowerOf100ShowsInExponentFormAndReadsBackExactly) {
  CMaterialDlg& dlg = OpenMaterial();
  ClickButton(dlg, IDC_SPECULAR_BUTTON);
  simulate::SliderDrag(&dlg.m_SliderPower, kSliderMinPos);
  EXPECT_EQ(TextOf(dlg.m_EditPower), "1e+02");

  Retype(dlg.m_EditRed, "0.25");
  EXPECT_EQ(material().m_SpecularPower, 100.0f);
  EXPECT_EQ(material().m_Specular.x, 0.25f);
}

TEST_F(MaterialDlgTest, TypingStoresAllShownValuesOfTheChosenColourOnly) {
  CMaterialDlg& dlg = OpenMaterial();
  simulate::SliderDrag(&dlg.m_SliderBlue, 50);  // red now 0.8046875, shown as "0.8"
  ASSERT_EQ(material().m_Diffuse.x, 0.8046875f);
  const Vec4 specular = material().m_Specular;
  const Vec4 ambient = material().m_Ambient;

  material().m_Changed = false;
  Retype(dlg.m_EditGreen, "0.25");
  EXPECT_EQ(material().m_Diffuse.y, 0.25f);
  EXPECT_EQ(material().m_Diffuse.x, 0.8f);  // re-read from its two-digit text
  EXPECT_TRUE(material().m_Changed);
  EXPECT_EQ(dlg.m_SliderGreen.GetPos(), 96);
  EXPECT_EQ(material().m_Specular.x, specular.x);
  EXPECT_EQ(material().m_Specular.y, specular.y);
  EXPECT_EQ(material().m_Ambient.y, ambient.y);
  EXPECT_EQ(material().m_SpecularPower, 20.0f);  // not bound yet
}

TEST_F(MaterialDlgTest, TypedTextThatIsNoNumberStoresZeroAndRangesAreNotEnforced) {
  CMaterialDlg& dlg = OpenMaterial();
  Retype(dlg.m_EditBlue, "abc");
  EXPECT_EQ(material().m_Diffuse.z, 0.0f);
  EXPECT_EQ(TextOf(dlg.m_EditBlue), "abc");

  Retype(dlg.m_EditRed, "5");
  EXPECT_EQ(material().m_Diffuse.x, 5.0f);
  EXPECT_EQ(dlg.m_SliderRed.GetPos(), kSliderMinPos);
  Retype(dlg.m_EditRed, " -1x");
  EXPECT_EQ(material().m_Diffuse.x, -1.0f);
  EXPECT_EQ(dlg.m_SliderRed.GetPos(), kSliderMaxPos);
}

TEST(MaterialNumbers, TwoSignificantDigitsAndTheLeadingNumber) {
  struct Row {
    float value;
    const char* text;
  };
  for (const Row row : {Row{0.8f, "0.8"}, Row{20.0f, "20"}, Row{0.0f, "0"}, Row{100.0f, "1e+02"},
                        Row{0.8046875f, "0.8"}, Row{-0.05f, "-0.05"}}) {
    EXPECT_EQ(FormatEditNumber(row.value), row.text);
  }
  EXPECT_EQ(ParseEditNumber("0.25"), 0.25f);
  EXPECT_EQ(ParseEditNumber("  1e+02"), 100.0f);
  EXPECT_EQ(ParseEditNumber("7.5kg"), 7.5f);
  EXPECT_EQ(ParseEditNumber("---"), 0.0f);
  EXPECT_EQ(ParseEditNumber(""), 0.0f);
  EXPECT_EQ(ParseEditNumber(nullptr), 0.0f);
}

// The framework installs the user's locale; the edits keep the decimal point anyway. A
// decimal-comma locale is built privately for the test.
TEST(MaterialNumbers, DecimalPointUnderACommaLocale) {
  const testsupport::TempDir locales("quennet_dialogs_locales_");
  const std::string build =
      "localedef -i de_DE -f UTF-8 '" + (locales / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
  if (std::system(build.c_str()) != 0) GTEST_SKIP() << "localedef cannot build de_DE.UTF-8 here";
  setenv("LOCPATH", locales.Path().c_str(), 1);
  const bool selected = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.2g", 0.75);
  const std::string shown = FormatEditNumber(0.75f).Str();
  const float read = ParseEditNumber("0.25");
  std::setlocale(LC_NUMERIC, "C");
  unsetenv("LOCPATH");

  ASSERT_TRUE(selected);
  ASSERT_STREQ(probe, "0,75") << "the locale really uses a decimal comma";
  EXPECT_EQ(shown, "0.75");
  EXPECT_EQ(read, 0.25f);
}

// Without a material there is nothing to edit: the controls are disabled and every
// value is unbound, whichever button is pressed.
TEST(MaterialWithoutRecord, ShowsNothingAndBindsNothing) {
  testsupport::StartFramework();
  auto dlg = std::make_unique<CMaterialDlg>();
  ASSERT_TRUE(dlg->Create(CMaterialDlg::IDD));
  for (const int button :
       {IDC_SPECULAR_BUTTON, IDC_AMBIENT_BUTTON, IDC_DIFFUSE_BUTTON, IDC_EMISSIVE_BUTTON}) {
    simulate::Click(dlg->GetDlgItem(button));
    EXPECT_EQ(dlg->m_pRed, nullptr);
    EXPECT_EQ(dlg->m_pPower, nullptr);
    EXPECT_EQ(TextOf(dlg->m_EditRed), "---");
    EXPECT_FALSE(dlg->m_SliderRed.IsWindowEnabled());
    EXPECT_FALSE(dlg->m_EditRed.IsWindowEnabled());
  }
  simulate::SliderDrag(&dlg->m_SliderGreen, 10);  // disabled: no effect, no crash
  dlg.reset();
  simulate::PumpMessages();
}

}  // namespace
