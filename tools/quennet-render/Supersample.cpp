#include "Supersample.h"

namespace render_tool {

util::Image BoxFilterDown(const util::Image& big, int factor) {
  if (factor <= 1) return big;
  util::Image small;
  small.width = big.width / factor;
  small.height = big.height / factor;
  small.pixels.resize(static_cast<size_t>(small.width) * small.height);
  const unsigned count = static_cast<unsigned>(factor * factor);
  for (int y = 0; y < small.height; ++y)
    for (int x = 0; x < small.width; ++x) {
      unsigned sum[4] = {0, 0, 0, 0};
      for (int dy = 0; dy < factor; ++dy)
        for (int dx = 0; dx < factor; ++dx) {
          const uint32_t p = big.At(x * factor + dx, y * factor + dy);
          for (int c = 0; c < 4; ++c) sum[c] += (p >> (8 * c)) & 0xFFu;
        }
      uint32_t out = 0;
      for (int c = 0; c < 4; ++c) out |= ((sum[c] + count / 2) / count) << (8 * c);
      small.pixels[static_cast<size_t>(y) * small.width + x] = out;
    }
  return small;
}

}  // namespace render_tool
