// The Load and Save commands: their dialogs, the file a Save writes, what a Load may
// change, refreshing the tool dialogs, cancelling, and failures shown to the user.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "AppFixture.h"
#include "dialogs/MaterialDlg.h"
#include "dialogs/ShapeDlg.h"
#include "platform/framework/Simulate.h"
#include "registry/LoadFile.h"

namespace {

using FileCommandTest = AppFixture;

// The fifteen records a Save writes at the defaults, in registration order.
constexpr const char* kDefaultFile =
    "m_Obj.m_Material.m_Diffuse\n"
    "    0.8000000     0.7000000     0.7000000     0.0000000\n\n"
    "m_Obj.m_Material.m_Specular\n"
    "    0.5000000     0.4000000     0.1000000     0.0000000\n\n"
    "m_Obj.m_Material.m_SpecularPower\n"
    "   20.0000000\n\n"
    "m_Obj.m_Material.m_Ambient\n"
    "    1.0000000     1.0000000     1.0000000     0.0000000\n\n"
    "m_Obj.m_Material.m_Emissive\n"
    "    0.0000000     0.0000000     0.0000000     0.0000000\n\n"
    "m_RadiusMajor\n"
    "    0.6000000\n\n"
    "m_RadiusMinor\n"
    "    0.2450000\n\n"
    "m_StepsMajor\n"
    "          101\n\n"
    "m_StepsMinor\n"
    "           77\n\n"
    "m_LobesNum\n"
    "            3\n\n"
    "m_LobesAmp\n"
    "    0.5000000\n\n"
    "m_TwistNum\n"
    "            2\n\n"
    "m_TwistAmp\n"
    "    0.3000000\n\n"
    "m_TwistOffset\n"
    "    1.0000000\n\n"
    "m_TwistRate\n"
    "    0.2000000\n\n";

void ClickSave(CTorusDlg* dlg) {
  simulate::Click(dlg->GetDlgItem(IDC_SAVE_BUTTON));
}
void ClickLoad(CTorusDlg* dlg) {
  simulate::Click(dlg->GetDlgItem(IDC_LOAD_BUTTON));
}

void ExpectManusDialog(const FileDialogRequest& request, bool open) {
  EXPECT_EQ(request.open, open);
  EXPECT_EQ(request.defaultExtension, "manus");
  ASSERT_EQ(request.filters.size(), 2u);
  EXPECT_EQ(request.filters[0].first, "magic anus files *.manus");
  EXPECT_EQ(request.filters[0].second, "*.manus");
  EXPECT_EQ(request.filters[1].first, "all files *.*");
  EXPECT_EQ(request.filters[1].second, "*.*");
  EXPECT_TRUE(request.flags & OFN_HIDEREADONLY);
  EXPECT_TRUE(request.flags & OFN_OVERWRITEPROMPT);
}

TEST_F(FileCommandTest, SaveRightAfterStartWritesTheFifteenDefaultRecords) {
  MakeWindow();
  const auto path = TempPath("fresh.manus");
  AnswerFileDialog(path.string());
  ClickSave(m_Dlg);
  ASSERT_EQ(m_FileRequests.size(), 1u);
  ExpectManusDialog(m_FileRequests[0], /*open=*/false);
  EXPECT_EQ(ReadFile(path), kDefaultFile);
  EXPECT_TRUE(m_Boxes.empty());
}

TEST_F(FileCommandTest, EachCommandKeepsItsOwnDialogAndItsLastFile) {
  MakeWindow();
  // A name typed without an extension gets the default one.
  AnswerFileDialog(TempPath("first").string());
  ClickSave(m_Dlg);
  const auto saved = TempPath("first.manus");
  ASSERT_TRUE(std::filesystem::exists(saved));

  AnswerFileDialog(saved.string());
  ClickLoad(m_Dlg);
  AnswerFileDialog(std::nullopt);
  ClickLoad(m_Dlg);
  AnswerFileDialog(std::nullopt);
  ClickSave(m_Dlg);

  ASSERT_EQ(m_FileRequests.size(), 4u);
  ExpectManusDialog(m_FileRequests[1], /*open=*/true);
  EXPECT_EQ(m_FileRequests[1].fileName, "");  // the Open dialog is new
  // The second Load offers the file the first one chose; Save offers its own last file.
  EXPECT_EQ(std::filesystem::path(m_FileRequests[2].fileName).filename(), "first.manus");
  EXPECT_EQ(std::filesystem::path(m_FileRequests[3].fileName).filename(), "first.manus");
  ExpectManusDialog(m_FileRequests[3], /*open=*/false);
}

TEST_F(FileCommandTest, LoadChangesOnlyPersistedValuesAndRefreshesOpenDialogs) {
  MakeWindow();
  m_Dlg->ShowShapeDialog();
  m_Dlg->ShowMaterialDialog();
  m_Dlg->m_AngleX = 1.5f;
  m_Dlg->m_SpinY = 0.04f;
  m_Dlg->m_FieldOfView = 60.0f;
  m_Dlg->m_CameraZ = -4.0f;

  // A partial file, with records for variables that are never persisted.
  const auto path = TempPath("partial.manus");
  WriteFile(path,
            "m_StepsMajor\n   55\n\n"
            "m_Obj.m_Material.m_Diffuse\n 0.25 0.5 0.75 1\n\n"
            "m_AngleX\n 9\n\nm_SpinY\n 9\n\nm_FieldOfView\n 9\n\nm_CameraZ\n 9\n\n"
            "m_LobesAmp\n 0.125\n\n");
  AnswerFileDialog(path.string());
  ClickLoad(m_Dlg);

  EXPECT_EQ(m_Dlg->m_StepsMajor, 55);
  EXPECT_EQ(m_Dlg->m_LobesAmp, 0.125f);
  EXPECT_EQ(m_Dlg->m_Obj.m_Material.m_Diffuse.x, 0.25f);
  EXPECT_EQ(m_Dlg->m_Obj.m_Material.m_Diffuse.w, 1.0f);
  // Not named in the file: unchanged.
  EXPECT_EQ(m_Dlg->m_StepsMinor, 77);
  EXPECT_EQ(m_Dlg->m_Obj.m_Material.m_SpecularPower, 20.0f);
  // Never loaded, whatever the file says.
  EXPECT_EQ(m_Dlg->m_AngleX, 1.5f);
  EXPECT_EQ(m_Dlg->m_SpinY, 0.04f);
  EXPECT_EQ(m_Dlg->m_FieldOfView, 60.0f);
  EXPECT_EQ(m_Dlg->m_CameraZ, -4.0f);

  // Both tool windows show the loaded values at once.
  CString text;
  m_Dlg->m_ShapeDlg->GetDlgItem(IDC_STEPS_MAJOR_EDIT)->GetWindowText(text);
  EXPECT_EQ(text, "55");
  m_Dlg->m_MaterialDlg->GetDlgItem(IDC_RED_EDIT)->GetWindowText(text);
  EXPECT_EQ(text, FormatEditNumber(0.25f));
  EXPECT_TRUE(m_Boxes.empty());
}

TEST_F(FileCommandTest, CancelledDialogsTouchNothing) {
  MakeWindow();
  const auto existing = TempPath("keep.manus");
  WriteFile(existing, "m_StepsMajor\n 9\n\n");
  m_Dlg->m_StepsMajor = 40;
  AnswerFileDialog(std::nullopt);
  ClickLoad(m_Dlg);
  AnswerFileDialog(std::nullopt);
  ClickSave(m_Dlg);
  EXPECT_EQ(m_FileRequests.size(), 2u);
  EXPECT_EQ(m_Dlg->m_StepsMajor, 40);
  EXPECT_EQ(ReadFile(existing), "m_StepsMajor\n 9\n\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_TempDir.Path()),
                          std::filesystem::directory_iterator()),
            1);
  EXPECT_TRUE(m_Boxes.empty());
}

TEST_F(FileCommandTest, FailedLoadAndSaveTellTheUserWhichFileAndWhy) {
  MakeWindow();
  m_Dlg->ShowShapeDialog();
  const auto missing = TempPath("missing.manus");
  AnswerFileDialog(missing.string());
  ClickLoad(m_Dlg);
  ASSERT_EQ(m_Boxes.size(), 1u);
  EXPECT_NE(m_Boxes[0].text.find(missing.string()), std::string::npos) << m_Boxes[0].text;
  EXPECT_NE(m_Boxes[0].text.find("load"), std::string::npos) << m_Boxes[0].text;
  EXPECT_NE(m_Boxes[0].text.find(std::strerror(ENOENT)), std::string::npos) << m_Boxes[0].text;
  EXPECT_EQ(m_Boxes[0].type & MB_TYPEMASK, MB_OK);
  EXPECT_EQ(m_Dlg->m_StepsMajor, 101);

  // A folder that does not exist cannot take the file.
  const auto unreachable = TempPath("no-such-folder") / "params.manus";
  AnswerFileDialog(unreachable.string());
  ClickSave(m_Dlg);
  ASSERT_EQ(m_Boxes.size(), 2u);
  EXPECT_NE(m_Boxes[1].text.find(unreachable.string()), std::string::npos) << m_Boxes[1].text;
  EXPECT_NE(m_Boxes[1].text.find("save"), std::string::npos) << m_Boxes[1].text;
  EXPECT_FALSE(std::filesystem::exists(unreachable));
}

TEST_F(FileCommandTest, LoadingAPipeIsRefusedInsteadOfFreezingTheWindow) {
  MakeWindow();
  // Nobody writes this pipe: opening it for reading would wait forever.
  const auto fifo = TempPath("typed.manus");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  AnswerFileDialog(fifo.string());
  ClickLoad(m_Dlg);
  ASSERT_EQ(m_Boxes.size(), 1u);
  EXPECT_NE(m_Boxes[0].text.find(fifo.string()), std::string::npos) << m_Boxes[0].text;
  EXPECT_NE(m_Boxes[0].text.find(LoadFile::kNotRegularReason), std::string::npos)
      << m_Boxes[0].text;
  EXPECT_EQ(m_Dlg->m_StepsMajor, 101);
}

TEST_F(FileCommandTest, WithoutARendererSaveAndLoadStillWork) {
  MakeWindow(/*withRenderer=*/false);
  m_Dlg->ShowShapeDialog();
  m_Dlg->ShowMaterialDialog();
  m_Dlg->m_RadiusMinor = 0.3f;
  const auto path = TempPath("no-renderer.manus");
  AnswerFileDialog(path.string());
  ClickSave(m_Dlg);
  ASSERT_TRUE(std::filesystem::exists(path));

  m_Dlg->m_RadiusMinor = 0.1f;
  AnswerFileDialog(path.string());
  ClickLoad(m_Dlg);
  EXPECT_EQ(m_Dlg->m_RadiusMinor, 0.3f);
  EXPECT_TRUE(m_Boxes.empty());

  AnswerFileDialog(TempPath("absent.manus").string());
  ClickLoad(m_Dlg);
  ASSERT_EQ(m_Boxes.size(), 1u);
  EXPECT_NE(m_Boxes[0].text.find(TempPath("absent.manus").string()), std::string::npos);
}

}  // namespace
