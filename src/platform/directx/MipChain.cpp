#include "platform/directx/MipChain.h"

#include <algorithm>
#include <cstring>

#include "platform/directx/DeviceHelpers.h"

namespace dx {

int BuildMipChain(const SurfaceData& surface, std::vector<MipLevel>& levels) {
  const DWORD bits = surface.format.dwRGBBitCount;
  if (surface.width <= 0 || surface.height <= 0 || surface.width > 65536 ||
      surface.height > 65536 || (bits != 16 && bits != 32) || surface.pitch <= 0 ||
      static_cast<size_t>(surface.pitch) < static_cast<size_t>(surface.width) * (bits / 8) ||
      surface.bits.size() < static_cast<size_t>(surface.pitch) * surface.height) {
    return 0;
  }
  int count = 0;
  for (int w = surface.width, h = surface.height;; w = std::max(1, w / 2), h = std::max(1, h / 2)) {
    if (count >= static_cast<int>(levels.size())) levels.emplace_back();
    MipLevel& level = levels[count++];
    level.width = w;
    level.height = h;
    level.texels.resize(static_cast<size_t>(w) * h);
    if (w == 1 && h == 1) break;
  }
  const bool hasAlpha = (surface.format.dwFlags & DDPF_ALPHAPIXELS) != 0;
  MipLevel& top = levels[0];
  for (int y = 0; y < top.height; ++y) {
    const uint8_t* row = surface.bits.data() + static_cast<size_t>(y) * surface.pitch;
    uint32_t* out = &top.texels[static_cast<size_t>(y) * top.width];
    for (int x = 0; x < top.width; ++x) {
      if (bits == 16) {
        uint16_t p;
        std::memcpy(&p, row + x * 2, 2);
        out[x] = Expand565(p);
      } else {
        uint32_t p;
        std::memcpy(&p, row + x * 4, 4);
        out[x] = hasAlpha ? p : (p | 0xFF000000u);
      }
    }
  }
  for (int i = 1; i < count; ++i) {
    const MipLevel& src = levels[i - 1];
    MipLevel& dst = levels[i];
    auto at = [&src](int x, int y) { return src.texels[static_cast<size_t>(y) * src.width + x]; };
    for (int y = 0; y < dst.height; ++y) {
      const int y0 = std::min(2 * y, src.height - 1), y1 = std::min(2 * y + 1, src.height - 1);
      for (int x = 0; x < dst.width; ++x) {
        const int x0 = std::min(2 * x, src.width - 1), x1 = std::min(2 * x + 1, src.width - 1);
        dst.texels[static_cast<size_t>(y) * dst.width + x] =
            AverageTexels(at(x0, y0), at(x1, y0), at(x0, y1), at(x1, y1));
      }
    }
  }
  return count;
}

}  // namespace dx
