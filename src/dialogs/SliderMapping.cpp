#include "dialogs/SliderMapping.h"

#include <utility>

namespace {

constexpr double kSliderSpan = kSliderMaxPos - kSliderMinPos;

// Position 0 of a vertical trackbar is its top, which shows the high end.
void OrientRange(const CSliderCtrl* slider, float& lo, float& hi) {
  if (slider->GetStyle() & TBS_VERT) std::swap(lo, hi);
}

// A value read from position p is a float, so mapping it back can land a hair below p
// (1.9843829 from position 1 of a radius slider gives 0.99999...). Truncating that would
// show the thumb one notch lower and store the lower value on the next move; a tolerance
// far below one position but far above float rounding keeps such values at p.
constexpr double kPositionTolerance = 1.0 / 1024.0;

// The trackbar would clamp any position to its ends; clamping before the conversion keeps
// far-out values (a loaded radius of 1e30, NaN, infinities) from overflowing the int.
int ToPosition(double position) {
  if (!(position >= kSliderMinPos)) return kSliderMinPos;  // also NaN
  if (position > kSliderMaxPos) return kSliderMaxPos;
  return static_cast<int>(position + kPositionTolerance);  // truncates toward zero
}

}  // namespace

void SetSliderRange(CSliderCtrl* slider) {
  if (slider) slider->SetRange(kSliderMinPos, kSliderMaxPos, FALSE);
}

void SetSliderValue(CSliderCtrl* slider, float lo, float hi, float value) {
  if (!slider || lo == hi) return;
  OrientRange(slider, lo, hi);
  const double position =
      (static_cast<double>(value) - lo) / (static_cast<double>(hi) - lo) * kSliderSpan +
      kSliderMinPos;
  slider->SendMessage(TBM_SETPOS, TRUE, ToPosition(position));
}

float GetSliderValue(CSliderCtrl* slider, float lo, float hi, float* out) {
  if (!slider) return 0.0f;
  OrientRange(slider, lo, hi);
  const auto position = static_cast<double>(slider->SendMessage(TBM_GETPOS));
  const auto value = static_cast<float>(lo + (position - kSliderMinPos) / kSliderSpan *
                                                 (static_cast<double>(hi) - lo));
  if (out) *out = value;
  return value;
}
