// The slider mapping on real trackbars: values to positions and back, the vertical swap,
// the ends, values far outside the range, and null sliders.
#include <cmath>
#include <limits>
#include <memory>

#include "DialogTestSupport.h"
#include "dialogs/SliderMapping.h"
#include "resources/Resource.h"

namespace {

// A bare dialog from the material template: its trackbars are vertical, like every
// trackbar the program has.
class SliderMappingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::StartFramework();
    m_Dialog = std::make_unique<CDialog>();
    ASSERT_TRUE(m_Dialog->Create(IDD_MATERIAL_DIALOG));
    ASSERT_TRUE(m_Slider.SubclassDlgItem(IDC_RED_SLIDER, m_Dialog.get()));
    ASSERT_TRUE(m_Slider.GetStyle() & TBS_VERT);
    SetSliderRange(&m_Slider);
    ASSERT_EQ(m_Slider.GetRangeMin(), kSliderMinPos);
    ASSERT_EQ(m_Slider.GetRangeMax(), kSliderMaxPos);
  }
  void TearDown() override {
    m_Slider.Detach();
    m_Dialog.reset();
  }

  std::unique_ptr<CDialog> m_Dialog;
  CSliderCtrl m_Slider;
};

struct GridRow {
  const char* name;
  float lo, hi, value;
  int position;
  float readBack;
};

// The program's defaults pass through the slider grid like this.
constexpr GridRow kGridRows[] = {
    {"radius major 0.6", 0.001f, 2.0f, 0.6f, 89, 0.6100703f},
    {"radius minor 0.245", 0.001f, 2.0f, 0.245f, 112, 0.250875f},
    {"lobe amplitude 0.5", 0.0f, 2.0f, 0.5f, 96, 0.5f},
    {"spin x 0.015", -0.1f, 0.1f, 0.015f, 54, 0.015625f},
    {"spin y 0.0127", -0.1f, 0.1f, 0.0127f, 55, 0.0140625f},
    {"spin z 0.013", -0.1f, 0.1f, 0.013f, 55, 0.0140625f},
    {"lobes 3", 0.0f, 10.0f, 3.0f, 89, 3.046875f},
    {"power 20", 0.0f, 100.0f, 20.0f, 102, 20.3125f},
    {"red 0.8", 0.0f, 1.0f, 0.8f, 25, 0.8046875f},
    {"green 0.7", 0.0f, 1.0f, 0.7f, 38, 0.703125f},
};

TEST_F(SliderMappingTest, DefaultsLandOnTheGridAndReadBackQuantised) {
  for (const GridRow& row : kGridRows) {
    SCOPED_TRACE(row.name);
    SetSliderValue(&m_Slider, row.lo, row.hi, row.value);
    EXPECT_EQ(m_Slider.GetPos(), row.position);
    float stored = -1.0f;
    const float returned = GetSliderValue(&m_Slider, row.lo, row.hi, &stored);
    EXPECT_FLOAT_EQ(returned, row.readBack);
    EXPECT_EQ(stored, returned);
  }
}

TEST_F(SliderMappingTest, TopOfAVerticalSliderShowsTheHighEnd) {
  struct Range {
    float lo, hi;
  };
  for (const Range r : {Range{-0.1f, 0.1f}, Range{0.001f, 2.0f}, Range{0.0f, 100.0f}}) {
    SCOPED_TRACE(r.hi);
    SetSliderValue(&m_Slider, r.lo, r.hi, r.hi);
    EXPECT_EQ(m_Slider.GetPos(), kSliderMinPos);
    SetSliderValue(&m_Slider, r.lo, r.hi, r.lo);
    EXPECT_EQ(m_Slider.GetPos(), kSliderMaxPos);

    m_Slider.SetPos(kSliderMinPos);
    EXPECT_EQ(GetSliderValue(&m_Slider, r.lo, r.hi, nullptr), r.hi);
    m_Slider.SetPos(kSliderMaxPos);
    EXPECT_EQ(GetSliderValue(&m_Slider, r.lo, r.hi, nullptr), r.lo);
    m_Slider.SetPos(64);
    EXPECT_FLOAT_EQ(GetSliderValue(&m_Slider, r.lo, r.hi, nullptr), (r.lo + r.hi) / 2);
  }
}

// A value that came from the slider must show at the position it came from; otherwise a
// refresh moves the thumb a notch and the next move stores the lower value.
TEST_F(SliderMappingTest, ValuesReadFromEveryPositionShowAtThatPositionAgain) {
  struct Range {
    float lo, hi;
  };
  for (const Range r : {Range{-0.1f, 0.1f}, Range{0.0f, 10.0f}, Range{0.0f, 2.0f},
                        Range{0.001f, 2.0f}, Range{0.0f, 1.0f}, Range{0.0f, 100.0f}}) {
    for (int position = kSliderMinPos; position <= kSliderMaxPos; ++position) {
      m_Slider.SetPos(position);
      const float value = GetSliderValue(&m_Slider, r.lo, r.hi, nullptr);
      m_Slider.SetPos(position == kSliderMinPos ? kSliderMaxPos : kSliderMinPos);
      SetSliderValue(&m_Slider, r.lo, r.hi, value);
      ASSERT_EQ(m_Slider.GetPos(), position) << "range " << r.lo << ".." << r.hi;
    }
  }
}

TEST_F(SliderMappingTest, ValuesOutsideTheRangeStopAtTheNearerEnd) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Row {
    float value;
    int position;
  };
  // Radius range 0.001..2: large values belong at the top of the slider.
  for (const Row row :
       {Row{5.0f, kSliderMinPos}, Row{1e30f, kSliderMinPos}, Row{inf, kSliderMinPos},
        Row{-5.0f, kSliderMaxPos}, Row{-1e30f, kSliderMaxPos}, Row{-inf, kSliderMaxPos},
        Row{std::numeric_limits<float>::max(), 0}}) {
    SCOPED_TRACE(row.value);
    m_Slider.SetPos(64);
    SetSliderValue(&m_Slider, 0.001f, 2.0f, row.value);
    EXPECT_EQ(m_Slider.GetPos(), row.position);
  }
  m_Slider.SetPos(64);
  SetSliderValue(&m_Slider, 0.001f, 2.0f, std::numeric_limits<float>::quiet_NaN());
  const int nanPosition = m_Slider.GetPos();
  EXPECT_TRUE(nanPosition == kSliderMinPos || nanPosition == kSliderMaxPos) << nanPosition;
}

TEST_F(SliderMappingTest, EmptyRangeAndNullSliderChangeNothing) {
  m_Slider.SetPos(40);
  SetSliderValue(&m_Slider, 1.0f, 1.0f, 7.0f);
  EXPECT_EQ(m_Slider.GetPos(), 40);

  SetSliderRange(nullptr);
  SetSliderValue(nullptr, 0.0f, 1.0f, 0.5f);
  float untouched = 42.0f;
  EXPECT_EQ(GetSliderValue(nullptr, 0.0f, 1.0f, &untouched), 0.0f);
  EXPECT_EQ(untouched, 42.0f);
}

}  // namespace
