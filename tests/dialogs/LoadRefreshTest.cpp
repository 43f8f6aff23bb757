// A parameter file loaded through the main window's "L" button while both tool dialogs
// are open: they show the loaded values at once, and their own change notifications
// during that refresh write nothing back.
#include <filesystem>
#include <string>

#include "DialogTestSupport.h"
#include "FloatCompare.h"
#include "TempDir.h"
#include "dialogs/SliderMapping.h"

namespace {

class LoadRefreshTest : public MainWindowTest {
 protected:
  void WriteFile(const std::string& text) { testsupport::WriteFile(m_Path, text); }

  void Load() {
    AnswerFileDialog(m_Path.string());
    ClickMain(IDC_LOAD_BUTTON);
    Pump();
  }

  Material& material() { return m_Main->m_Obj.m_Material; }

  testsupport::TempDir m_Dir{"quennet_dialogs_"};
  std::filesystem::path m_Path = m_Dir / "loaded.manus";
};

// Values with more digits than an edit shows and off the slider grids: any write-back from
// the dialogs during the refresh would change them.
constexpr const char* kLoadedFile =
    "m_Obj.m_Material.m_Specular\n"
    "    0.1234567     0.2345678     0.3456789     0.4567891\n"
    "\n"
    "m_Obj.m_Material.m_SpecularPower\n"
    "   33.3333321\n"
    "\n"
    "m_RadiusMajor\n"
    "    5.0000000\n"
    "\n"
    "m_RadiusMinor\n"
    "    0.3333333\n"
    "\n"
    "m_StepsMinor\n"
    "            2\n"
    "\n"
    "m_LobesNum\n"
    "            7\n"
    "\n";

TEST_F(LoadRefreshTest, OpenDialogsShowTheLoadedValuesAndWriteNothingBack) {
  CShapeDlg& shape = OpenShape();
  CMaterialDlg& mat = OpenMaterial();
  simulate::Click(mat.GetDlgItem(IDC_SPECULAR_BUTTON));  // with its power
  WriteFile(kLoadedFile);

  Load();

  // Exactly the file's values: no slider or edit of either dialog wrote anything back.
  testsupport::ExpectSame(material().m_Specular, {0.1234567f, 0.2345678f, 0.3456789f, 0.4567891f});
  EXPECT_EQ(material().m_SpecularPower, 33.3333321f);
  EXPECT_EQ(m_Main->m_RadiusMajor, 5.0f);
  EXPECT_EQ(m_Main->m_RadiusMinor, 0.3333333f);
  EXPECT_EQ(m_Main->m_LobesNum, 7);
  EXPECT_FALSE(mat.m_Updating);

  // What the dialogs show.
  EXPECT_EQ(TextOf(mat.m_EditRed), "0.12");
  EXPECT_EQ(TextOf(mat.m_EditGreen), "0.23");
  EXPECT_EQ(TextOf(mat.m_EditBlue), "0.35");
  EXPECT_EQ(TextOf(mat.m_EditAlpha), "0.46");
  EXPECT_EQ(TextOf(mat.m_EditPower), "33");
  EXPECT_EQ(mat.m_SliderRed.GetPos(), 112);                      // (1 - 0.1234567) * 128 = 112.2
  EXPECT_EQ(mat.m_SliderPower.GetPos(), 85);                     // (1 - 0.333) * 128 = 85.3
  EXPECT_EQ(shape.m_SliderRadiusMajor.GetPos(), kSliderMinPos);  // 5 stops at the top
  EXPECT_EQ(shape.m_SliderLobesNum.GetPos(), 38);                // (10 - 7) / 10 * 128

  // A stored step count below 3 comes in raised, while the edit shows the file's number.
  EXPECT_EQ(TextOf(shape.m_EditStepsMinor), "2");
  EXPECT_EQ(m_Main->m_StepsMinor, 3);
  EXPECT_EQ(TextOf(shape.m_EditStepsMajor), "101");
  EXPECT_EQ(m_Main->m_StepsMajor, 101);

  // The next slider move puts the out-of-range radius on the slider's end.
  simulate::SliderDrag(&shape.m_SliderSpinX, 64);
  EXPECT_EQ(m_Main->m_RadiusMajor, 2.0f);
  EXPECT_EQ(m_Main->m_SpinX, 0.0f);
}

TEST_F(LoadRefreshTest, ACancelledLoadRefreshesNothing) {
  CMaterialDlg& mat = OpenMaterial();
  Retype(mat.m_EditRed, "0.123");  // typed text stays as typed
  AnswerFileDialog(std::nullopt);
  ClickMain(IDC_LOAD_BUTTON);
  EXPECT_EQ(TextOf(mat.m_EditRed), "0.123");
  EXPECT_EQ(material().m_Diffuse.x, 0.123f);
}

}  // namespace
