// Test support: stands in for the user at message boxes, and a device description that
// meets every requirement of the capability test.
#pragma once

#include <deque>
#include <vector>

#include "Overrides.h"
#include "platform/directx/DirectX.h"

using testsupport::ShownBox;

// Records every box and answers with the queued answers, then with the fallback.
class BoxRecorder {
 public:
  explicit BoxRecorder(int fallback = IDOK) : m_Fallback(fallback) {}

  std::vector<ShownBox> boxes;
  std::deque<int> answers;

 private:
  int m_Fallback;
  testsupport::ScopedMessageBoxes m_Responder{
      [this](HWND, const char* text, const char* caption, UINT type) {
        boxes.push_back({text, caption, type});
        if (answers.empty()) return m_Fallback;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
      }};
};

// Written out flag by flag rather than derived from the requirement table, so that a
// slip in the table shows up as a box.
inline D3DDEVICEDESC PassingDesc() {
  D3DDEVICEDESC d{};
  d.dwSize = kD3DDeviceDescSize;
  d.dwFlags = D3DDD_COLORMODEL | D3DDD_DEVCAPS | D3DDD_DEVICERENDERBITDEPTH |
              D3DDD_DEVICEZBUFFERBITDEPTH | D3DDD_LINECAPS | D3DDD_TRICAPS;
  d.dcmColorModel = D3DCOLOR_RGB;
  d.dwDevCaps = D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_FLOATTLVERTEX;
  d.dpcLineCaps.dwZCmpCaps = D3DPCMPCAPS_LESS;
  D3DPRIMCAPS& t = d.dpcTriCaps;
  t.dwMiscCaps = D3DPMISCCAPS_CULLCCW | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLNONE;
  t.dwZCmpCaps = D3DPCMPCAPS_LESS | D3DPCMPCAPS_LESSEQUAL;
  const DWORD blends = D3DPBLENDCAPS_ZERO | D3DPBLENDCAPS_ONE | D3DPBLENDCAPS_SRCCOLOR |
                       D3DPBLENDCAPS_INVSRCCOLOR | D3DPBLENDCAPS_SRCALPHA |
                       D3DPBLENDCAPS_INVSRCALPHA | D3DPBLENDCAPS_DESTCOLOR |
                       D3DPBLENDCAPS_INVDESTCOLOR;
  t.dwSrcBlendCaps = blends | D3DPBLENDCAPS_BOTHSRCALPHA | D3DPBLENDCAPS_BOTHINVSRCALPHA;
  t.dwDestBlendCaps = blends;
  t.dwShadeCaps = D3DPSHADECAPS_ALPHAFLATBLEND | D3DPSHADECAPS_COLORGOURAUDRGB;
  t.dwTextureCaps =
      D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_TRANSPARENCY;
  t.dwTextureFilterCaps = D3DPTFILTERCAPS_LINEAR | D3DPTFILTERCAPS_NEAREST |
                          D3DPTFILTERCAPS_MAGFLINEAR | D3DPTFILTERCAPS_MAGFPOINT |
                          D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MINFPOINT |
                          D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MIPFPOINT;
  t.dwTextureAddressCaps = D3DPTADDRESSCAPS_WRAP;
  return d;
}
