// The shape dialog on the real main window: what it shows on opening, how slider moves and
// typed step counts reach the owner, and the marker for step counts too large to draw.
#include <cstdint>
#include <string>
#include <vector>

#include "DialogTestSupport.h"
#include "dialogs/SliderMapping.h"
#include "geometry/Mesh.h"

namespace {

using ShapeDlgTest = MainWindowTest;

TEST_F(ShapeDlgTest, OpensShowingTheOwnersValuesWithoutChangingThem) {
  CShapeDlg& dlg = OpenShape();
  EXPECT_TRUE(dlg.IsWindowVisible());
  EXPECT_EQ(TextOf(dlg), "the bog");

  EXPECT_EQ(dlg.m_SliderSpinX.GetPos(), 54);
  EXPECT_EQ(dlg.m_SliderSpinY.GetPos(), 55);
  EXPECT_EQ(dlg.m_SliderSpinZ.GetPos(), 55);
  EXPECT_EQ(dlg.m_SliderLobesNum.GetPos(), 89);
  EXPECT_EQ(dlg.m_SliderLobesAmp.GetPos(), 96);
  EXPECT_EQ(dlg.m_SliderRadiusMajor.GetPos(), 89);
  EXPECT_EQ(dlg.m_SliderRadiusMinor.GetPos(), 112);
  EXPECT_EQ(TextOf(dlg.m_EditStepsMajor), "101");
  EXPECT_EQ(TextOf(dlg.m_EditStepsMinor), "77");

  // Showing the values raised no scroll message: nothing came back quantised.
  EXPECT_EQ(m_Main->m_RadiusMajor, 0.6f);
  EXPECT_EQ(m_Main->m_RadiusMinor, 0.245f);
  EXPECT_EQ(m_Main->m_SpinX, 0.015f);
  EXPECT_EQ(m_Main->m_StepsMajor, 101);
  EXPECT_EQ(m_Main->m_StepsMinor, 77);
}

TEST_F(ShapeDlgTest, MovingOneSliderRereadsAllSeven) {
  CShapeDlg& dlg = OpenShape();
  simulate::SliderDrag(&dlg.m_SliderLobesAmp, 97);  // one position down from 0.5

  EXPECT_EQ(m_Main->m_LobesAmp, 0.484375f);
  EXPECT_NEAR(m_Main->m_RadiusMajor, 0.6100703f, 1e-6f);
  EXPECT_NEAR(m_Main->m_RadiusMinor, 0.250875f, 1e-6f);
  EXPECT_FLOAT_EQ(m_Main->m_SpinX, 0.015625f);
  EXPECT_FLOAT_EQ(m_Main->m_SpinY, 0.0140625f);
  EXPECT_FLOAT_EQ(m_Main->m_SpinZ, 0.0140625f);
  EXPECT_EQ(m_Main->m_LobesNum, 3);  // 3.046875 rounds to 3
  // The step counts are not the sliders' business.
  EXPECT_EQ(m_Main->m_StepsMajor, 101);
  EXPECT_EQ(m_Main->m_StepsMinor, 77);
}

TEST_F(ShapeDlgTest, SliderEndsAndMiddle) {
  CShapeDlg& dlg = OpenShape();
  struct Row {
    int position;
    float spin;
    int lobes;
    float radius;
  };
  for (const Row row : {Row{kSliderMinPos, 0.1f, 10, 2.0f}, Row{64, 0.0f, 5, 1.0005f},
                        Row{kSliderMaxPos, -0.1f, 0, 0.001f}}) {
    SCOPED_TRACE(row.position);
    for (CSliderCtrl* slider :
         {&dlg.m_SliderSpinX, &dlg.m_SliderSpinY, &dlg.m_SliderSpinZ, &dlg.m_SliderLobesNum,
          &dlg.m_SliderRadiusMajor, &dlg.m_SliderRadiusMinor}) {
      simulate::SliderDrag(slider, row.position);
    }
    EXPECT_FLOAT_EQ(m_Main->m_SpinX, row.spin);
    EXPECT_FLOAT_EQ(m_Main->m_SpinY, row.spin);
    EXPECT_FLOAT_EQ(m_Main->m_SpinZ, row.spin);
    EXPECT_EQ(m_Main->m_LobesNum, row.lobes);
    EXPECT_FLOAT_EQ(m_Main->m_RadiusMajor, row.radius);
    EXPECT_FLOAT_EQ(m_Main->m_RadiusMinor, row.radius);
    EXPECT_GT(m_Main->m_RadiusMajor, 0.0f);
  }
}

TEST_F(ShapeDlgTest, ValueBeyondTheRangeShowsAtTheEndAndIsReplacedOnTheNextMove) {
  CShapeDlg& dlg = OpenShape();
  m_Main->m_RadiusMajor = 5.0f;
  dlg.RefreshFromOwner();
  EXPECT_EQ(dlg.m_SliderRadiusMajor.GetPos(), kSliderMinPos);  // the top: 2
  EXPECT_EQ(m_Main->m_RadiusMajor, 5.0f);

  simulate::SliderDrag(&dlg.m_SliderSpinY, 10);
  EXPECT_EQ(m_Main->m_RadiusMajor, 2.0f);
}

TEST_F(ShapeDlgTest, StepEditsStoreAtLeastThree) {
  CShapeDlg& dlg = OpenShape();
  ClearEdit(dlg.m_EditStepsMajor);
  EXPECT_EQ(TextOf(dlg.m_EditStepsMajor), "");
  EXPECT_EQ(m_Main->m_StepsMajor, 3);

  simulate::Type(&dlg.m_EditStepsMajor, "2");
  EXPECT_EQ(m_Main->m_StepsMajor, 3);
  EXPECT_EQ(TextOf(dlg.m_EditStepsMajor), "2");  // the text is left as typed

  Retype(dlg.m_EditStepsMajor, "250");
  EXPECT_EQ(m_Main->m_StepsMajor, 250);

  Retype(dlg.m_EditStepsMinor, "5");
  EXPECT_EQ(m_Main->m_StepsMinor, 5);
  EXPECT_EQ(m_Main->m_StepsMajor, 250);
}

TEST_F(ShapeDlgTest, EveryKeystrokeStoresTheCountSoFar) {
  CShapeDlg& dlg = OpenShape();
  ClearEdit(dlg.m_EditStepsMinor);
  std::vector<int> stored;
  for (const char* key : {"1", "0", "1"}) {
    simulate::Type(&dlg.m_EditStepsMinor, key);
    stored.push_back(m_Main->m_StepsMinor);
  }
  EXPECT_EQ(stored, (std::vector<int>{3, 10, 101}));
  // Only digits can be typed.
  simulate::Type(&dlg.m_EditStepsMinor, "x-");
  EXPECT_EQ(TextOf(dlg.m_EditStepsMinor), "101");
}

TEST_F(ShapeDlgTest, StoredCountsBelowThreeAreRaisedWhileTheEditShowsThem) {
  CShapeDlg& dlg = OpenShape();
  m_Main->m_StepsMajor = -7;
  m_Main->m_StepsMinor = 2;
  dlg.RefreshFromOwner();
  EXPECT_EQ(TextOf(dlg.m_EditStepsMajor), "-7");
  EXPECT_EQ(TextOf(dlg.m_EditStepsMinor), "2");
  EXPECT_EQ(m_Main->m_StepsMajor, 3);
  EXPECT_EQ(m_Main->m_StepsMinor, 3);
}

TEST_F(ShapeDlgTest, LobeCountIsTheNearestWholeNumberHalvesUp) {
  CShapeDlg& dlg = OpenShape();
  struct Row {
    int position;
    int lobes;  // from 10 - position * 10 / 128
  };
  for (const Row row : {Row{32, 8} /* 7.5 */, Row{70, 5} /* 4.53 */, Row{76, 4} /* 4.06 */,
                        Row{83, 4} /* 3.52 */, Row{127, 0} /* 0.08 */}) {
    simulate::SliderDrag(&dlg.m_SliderLobesNum, row.position);
    EXPECT_EQ(m_Main->m_LobesNum, row.lobes) << "position " << row.position;
  }
}

// Counts whose product the 16-bit mesh cannot hold are kept but not drawn; the edits say so.
class StepLimitTest : public ShapeDlgTest {
 protected:
  // Whether the edit draws text in a strong red.
  static bool ShowsRedText(const CEdit& edit) {
    std::vector<uint32_t> pixels;
    SIZE size{};
    if (!simulate::CaptureWindowImage(edit.m_hWnd, &pixels, &size)) return false;
    for (const uint32_t argb : pixels) {
      const int r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
      if (r > 150 && g < 90 && b < 90) return true;
    }
    return false;
  }
  void ExpectWarning(CShapeDlg& dlg, bool on) {
    for (const CEdit* edit : {&dlg.m_EditStepsMajor, &dlg.m_EditStepsMinor}) {
      const std::string tip = edit->GetToolTip().Str();
      if (on) {
        EXPECT_NE(tip.find(std::to_string(Mesh::kMaxVertices)), std::string::npos) << tip;
      } else {
        EXPECT_EQ(tip, "");
      }
      EXPECT_EQ(ShowsRedText(*edit), on);
    }
  }
};

TEST_F(StepLimitTest, BothEditsWarnWhileTheProductIsTooLarge) {
  CShapeDlg& dlg = OpenShape();
  ExpectWarning(dlg, false);

  // 65535 = 257 * 255 still fits; one more ring does not.
  Retype(dlg.m_EditStepsMajor, "257");
  Retype(dlg.m_EditStepsMinor, "255");
  ExpectWarning(dlg, false);
  simulate::Key(&dlg.m_EditStepsMinor, VK_BACK);
  simulate::Type(&dlg.m_EditStepsMinor, "6");
  ExpectWarning(dlg, true);
  // The count is stored and shown as typed all the same.
  EXPECT_EQ(m_Main->m_StepsMinor, 256);
  EXPECT_EQ(TextOf(dlg.m_EditStepsMinor), "256");

  Retype(dlg.m_EditStepsMajor, "10");
  ExpectWarning(dlg, false);
}

TEST_F(StepLimitTest, ProductsBeyond32BitsStillWarn) {
  CShapeDlg& dlg = OpenShape();
  // 65536 * 65536 is 0 in 32-bit arithmetic.
  Retype(dlg.m_EditStepsMajor, "65536");
  Retype(dlg.m_EditStepsMinor, "65536");
  ExpectWarning(dlg, true);
  Retype(dlg.m_EditStepsMajor, "99999999999999");
  EXPECT_EQ(m_Main->m_StepsMajor, INT32_MAX);
  ExpectWarning(dlg, true);
}

TEST_F(StepLimitTest, ARefreshWithLargeCountsWarns) {
  CShapeDlg& dlg = OpenShape();
  m_Main->m_StepsMajor = 1000;
  m_Main->m_StepsMinor = 1000;
  dlg.RefreshFromOwner();
  ExpectWarning(dlg, true);
  m_Main->m_StepsMajor = 101;
  m_Main->m_StepsMinor = 77;
  dlg.RefreshFromOwner();
  ExpectWarning(dlg, false);
}

TEST(ParseStepCount, LeadingNumberAtLeastThreeWithinTheIntRange) {
  struct Row {
    const char* text;
    int count;
  };
  for (const Row row :
       {Row{"", 3}, Row{"2", 3}, Row{"3", 3}, Row{"250", 250}, Row{"  42", 42}, Row{"12abc", 12},
        Row{"abc", 3}, Row{"-9", 3}, Row{"99999999999999999999999", 2147483647},
        Row{"-99999999999999999999999", 3}}) {
    EXPECT_EQ(ParseStepCount(row.text), row.count) << '"' << row.text << '"';
  }
}

TEST_F(ShapeDlgTest, CloseHidesAndTheButtonShowsTheSameDialogAgain) {
  CShapeDlg& dlg = OpenShape();
  simulate::SliderDrag(&dlg.m_SliderLobesNum, 0);
  simulate::Close(&dlg);
  EXPECT_FALSE(dlg.IsWindowVisible());

  CShapeDlg& again = OpenShape();
  EXPECT_EQ(&again, &dlg);
  EXPECT_TRUE(dlg.IsWindowVisible());
  EXPECT_EQ(dlg.m_SliderLobesNum.GetPos(), 0);

  simulate::Key(&dlg, VK_ESCAPE);
  EXPECT_FALSE(dlg.IsWindowVisible());
}

}  // namespace
