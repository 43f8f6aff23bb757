// Pictures without jagged edges: each frame is drawn at K times the size and every K x K
// block of its pixels is averaged into one.
#pragma once

#include "util/Png.h"

namespace render_tool {

inline constexpr int kMaxSupersample = 4;

// big's sides must be multiples of factor; factor 1 returns big as it is.
util::Image BoxFilterDown(const util::Image& big, int factor);

}  // namespace render_tool
