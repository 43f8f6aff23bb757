// Sliders of both tool dialogs: every trackbar runs over the positions 0 to 128 and maps
// them linearly onto a value range. A vertical trackbar has position 0 at the top, where
// the high end of the range belongs, so for vertical sliders lo and hi trade places.
#pragma once

#include "platform/framework/Wnd.h"

inline constexpr int kSliderMinPos = 0;
inline constexpr int kSliderMaxPos = 128;

// Gives the slider the range kSliderMinPos..kSliderMaxPos, without redrawing.
void SetSliderRange(CSliderCtrl* slider);

// Moves the thumb to the position showing value on the range lo..hi (truncated toward
// zero, though a value read from a position shows at that position again; outside the
// range the thumb stops at the nearer end). Raises no scroll message.
// Nothing happens for a null slider or an empty range.
void SetSliderValue(CSliderCtrl* slider, float lo, float hi, float value);

// The value the thumb shows on the range lo..hi, also stored through out when out is set.
// A null slider gives 0 and stores nothing.
float GetSliderValue(CSliderCtrl* slider, float lo, float hi, float* out);
