#include "platform/directx/software/PixelOperations.h"

#include <algorithm>

namespace dx::software {
namespace {

// One blend factor for the colour channels (rgb) and for alpha, in 0..255.
struct Factor {
  int rgb[3];
  int a;
};

Factor BlendFactor(DWORD mode, const int* src, const int* dst) {
  auto all = [](int v) { return Factor{{v, v, v}, v}; };
  switch (mode) {
    case D3DBLEND_ZERO:
      return all(0);
    case D3DBLEND_ONE:
      return all(255);
    case D3DBLEND_SRCCOLOR:
      return {{src[0], src[1], src[2]}, src[3]};
    case D3DBLEND_INVSRCCOLOR:
      return {{255 - src[0], 255 - src[1], 255 - src[2]}, 255 - src[3]};
    case D3DBLEND_SRCALPHA:
    case D3DBLEND_BOTHSRCALPHA:
      return all(src[3]);
    case D3DBLEND_INVSRCALPHA:
    case D3DBLEND_BOTHINVSRCALPHA:
      return all(255 - src[3]);
    case D3DBLEND_DESTALPHA:
      return all(dst[3]);
    case D3DBLEND_INVDESTALPHA:
      return all(255 - dst[3]);
    case D3DBLEND_DESTCOLOR:
      return {{dst[0], dst[1], dst[2]}, dst[3]};
    case D3DBLEND_INVDESTCOLOR:
      return {{255 - dst[0], 255 - dst[1], 255 - dst[2]}, 255 - dst[3]};
    case D3DBLEND_SRCALPHASAT: {
      const int f = std::min(src[3], 255 - dst[3]);
      return {{f, f, f}, 255};
    }
    default:
      return all(255);
  }
}

}  // namespace

void Blend(const PixelState& s, const int* src, uint32_t d, int* out) {
  const int dst[4] = {static_cast<int>((d >> 16) & 0xFF), static_cast<int>((d >> 8) & 0xFF),
                      static_cast<int>(d & 0xFF),
                      s.targetHasAlpha ? static_cast<int>(d >> 24) : 255};
  const Factor fs = BlendFactor(s.srcBlend, src, dst);
  Factor fd;
  if (s.srcBlend == D3DBLEND_BOTHSRCALPHA) {
    fd = BlendFactor(D3DBLEND_INVSRCALPHA, src, dst);
  } else if (s.srcBlend == D3DBLEND_BOTHINVSRCALPHA) {
    fd = BlendFactor(D3DBLEND_SRCALPHA, src, dst);
  } else {
    fd = BlendFactor(s.destBlend, src, dst);
  }
  for (int i = 0; i < 3; ++i) {
    out[i] = std::min(255, (src[i] * fs.rgb[i] + dst[i] * fd.rgb[i] + 127) / 255);
  }
  out[3] = std::min(255, (src[3] * fs.a + dst[3] * fd.a + 127) / 255);
}

}  // namespace dx::software
