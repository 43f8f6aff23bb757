// The render-state block and the renderer's ApplyStates, which sends the entries a
// request changes and remembers what it sent.
#include "render/RenderStateBlock.h"

#include "render/Renderer.h"

namespace {

using B = RenderStateBlock;

DWORD CullMode(DWORD v) {
  if (v == B::kCullNone) return D3DCULL_NONE;
  if (v == B::kCullClockwise) return D3DCULL_CW;
  return D3DCULL_CCW;
}
DWORD FillMode(DWORD v) {
  if (v == B::kFillPoint) return D3DFILL_POINT;
  if (v == B::kFillWireframe) return D3DFILL_WIREFRAME;
  return D3DFILL_SOLID;
}
DWORD Unchanged(DWORD v) {
  return v;
}
DWORD ZFunc(DWORD v) {
  return v >= D3DCMP_NEVER && v <= D3DCMP_ALWAYS ? v : D3DCMP_LESS;
}
DWORD ZBias(DWORD v) {
  return v > RenderStateBlock::kMaxZBias ? RenderStateBlock::kMaxZBias : v;
}
DWORD SrcBlend(DWORD v) {
  return v >= D3DBLEND_ZERO && v <= D3DBLEND_BOTHINVSRCALPHA ? v : D3DBLEND_ONE;
}
DWORD DestBlend(DWORD v) {
  return v >= D3DBLEND_ZERO && v <= D3DBLEND_BOTHINVSRCALPHA ? v : D3DBLEND_ZERO;
}
DWORD ShadeMode(DWORD v) {
  return v == B::kShadeFlat ? D3DSHADE_FLAT : D3DSHADE_GOURAUD;
}

struct DeviceState {
  D3DRENDERSTATETYPE state;
  DWORD (*map)(DWORD);
  DWORD defaultValue;
};

// The eleven entries that drive a device state, in block order.
constexpr DeviceState kDeviceStates[RenderStateBlock::kDeviceEntryCount] = {
    {D3DRENDERSTATE_CULLMODE, CullMode, B::kCullCounterClockwise},
    {D3DRENDERSTATE_FILLMODE, FillMode, B::kFillSolid},
    {D3DRENDERSTATE_ZWRITEENABLE, Unchanged, TRUE},
    {D3DRENDERSTATE_ZENABLE, Unchanged, TRUE},
    {D3DRENDERSTATE_ZFUNC, ZFunc, D3DCMP_LESS},
    {D3DRENDERSTATE_ZBIAS, ZBias, 0},
    {D3DRENDERSTATE_ALPHABLENDENABLE, Unchanged, FALSE},
    {D3DRENDERSTATE_SRCBLEND, SrcBlend, D3DBLEND_ONE},
    {D3DRENDERSTATE_DESTBLEND, DestBlend, D3DBLEND_ZERO},
    {D3DRENDERSTATE_SPECULARENABLE, Unchanged, TRUE},
    {D3DRENDERSTATE_SHADEMODE, ShadeMode, B::kShadeGouraud},
};

}  // namespace

void RenderStateBlock::Reset(DWORD flag) {
  m_ResendAll = 0;
  for (State& s : m_States) s.m_Flag = flag;
}

void RenderStateBlock::SetDefaults() {
  Reset(1);
  for (int i = 0; i < kEntryCount; ++i)
    m_States[i].m_Value = i < kDeviceEntryCount ? kDeviceStates[i].defaultValue : 0;
}

int RenderStateBlock::Diff(const RenderStateBlock* request, const RenderStateBlock* applied) {
  if (!request || !applied) return 0;
  // Copies first, so that either argument may be this block.
  const RenderStateBlock wanted = *request;
  const RenderStateBlock sent = *applied;
  *this = wanted;
  Reset(0);
  int count = 0;
  for (int i = 0; i < kEntryCount; ++i) {
    if (wanted.m_States[i].m_Flag &&
        (sent.m_ResendAll || wanted.m_States[i].m_Value != sent.m_States[i].m_Value)) {
      m_States[i].m_Flag = 1;
      ++count;
    }
  }
  return count;
}

int Renderer::ApplyStates(const RenderStateBlock* request) {
  if (!request || !m_Device) return 1;
  RenderStateBlock changes;
  changes.Diff(request, &m_AppliedStates);
  for (int i = 0; i < RenderStateBlock::kEntryCount; ++i) {
    if (!changes.m_States[i].m_Flag) continue;
    const DWORD value = changes.m_States[i].m_Value;
    // The applied block records the value whether or not the device takes it.
    m_AppliedStates.m_States[i].m_Value = i == RenderStateBlock::kZBias ? ZBias(value) : value;
    if (i < RenderStateBlock::kDeviceEntryCount)
      m_Device->SetRenderState(kDeviceStates[i].state, kDeviceStates[i].map(value));
  }
  return 0;
}
