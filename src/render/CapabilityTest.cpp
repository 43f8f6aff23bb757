// The capability test: the requirement table, and the renderer's enumeration handler that
// runs it for every device Direct3D offers and records the first device of each kind that
// the user accepts.
#include "render/CapabilityTest.h"

#include <cstdio>

#include "platform/framework/MessageBox.h"
#include "render/Renderer.h"

namespace {

using F = CapabilityField;
using M = CapabilityMiss;

constexpr CapabilityRow kRows[kCapabilityRowCount] = {
    {"!(dd -> dwFlags & D3DDD_COLORMODEL)", F::Flags, D3DDD_COLORMODEL, M::FlagClear},
    {"!(dd -> dwFlags & D3DDD_DEVCAPS)", F::Flags, D3DDD_DEVCAPS, M::FlagClear},
    {"!(dd -> dwFlags & D3DDD_DEVICERENDERBITDEPTH)", F::Flags, D3DDD_DEVICERENDERBITDEPTH,
     M::FlagClear},
    {"!(dd -> dwFlags & D3DDD_DEVICEZBUFFERBITDEPTH)", F::Flags, D3DDD_DEVICEZBUFFERBITDEPTH,
     M::FlagClear},
    {"!(dd -> dwFlags & D3DDD_LINECAPS)", F::Flags, D3DDD_LINECAPS, M::FlagClear},
    {"!(dd -> dwFlags & D3DDD_TRICAPS)", F::Flags, D3DDD_TRICAPS, M::FlagClear},
    {"(dd -> dcmColorModel\t!=\tD3DCOLOR_RGB)", F::ColorModel, D3DCOLOR_RGB, M::ValueDiffers},
    {"!(dd -> dwDevCaps\t&\tD3DDEVCAPS_DRAWPRIMTLVERTEX)", F::DevCaps, D3DDEVCAPS_DRAWPRIMTLVERTEX,
     M::FlagClear},
    {" (dd -> dwDevCaps\t&\tD3DDEVCAPS_SORTDECREASINGZ)", F::DevCaps, D3DDEVCAPS_SORTDECREASINGZ,
     M::FlagSet},
    {" (dd -> dwDevCaps\t&\tD3DDEVCAPS_SORTEXACT)", F::DevCaps, D3DDEVCAPS_SORTEXACT, M::FlagSet},
    {"!(dd\t->\tdpcLineCaps.dwZCmpCaps\t&\tD3DPCMPCAPS_LESS)", F::LineZCmpCaps, D3DPCMPCAPS_LESS,
     M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwMiscCaps\t&\tD3DPMISCCAPS_CULLCCW)", F::TriMiscCaps,
     D3DPMISCCAPS_CULLCCW, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwMiscCaps\t&\tD3DPMISCCAPS_CULLCW)", F::TriMiscCaps,
     D3DPMISCCAPS_CULLCW, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwMiscCaps\t&\tD3DPMISCCAPS_CULLNONE)", F::TriMiscCaps,
     D3DPMISCCAPS_CULLNONE, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwZCmpCaps\t&\tD3DPCMPCAPS_LESS)", F::TriZCmpCaps, D3DPCMPCAPS_LESS,
     M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwZCmpCaps\t&\tD3DPCMPCAPS_LESSEQUAL)", F::TriZCmpCaps,
     D3DPCMPCAPS_LESSEQUAL, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwSrcBlendCaps\t&\tD3DPBLENDCAPS_BOTHINVSRCALPHA)", F::TriSrcBlendCaps,
     D3DPBLENDCAPS_BOTHINVSRCALPHA, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwSrcBlendCaps\t&\tD3DPBLENDCAPS_BOTHSRCALPHA)", F::TriSrcBlendCaps,
     D3DPBLENDCAPS_BOTHSRCALPHA, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwSrcBlendCaps\t&\tD3DPBLENDCAPS_DESTCOLOR)", F::TriSrcBlendCaps,
     D3DPBLENDCAPS_DESTCOLOR, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwSrcBlendCaps\t&\tD3DPBLENDCAPS_INVDESTCOLOR)", F::TriSrcBlendCaps,
     D3DPBLENDCAPS_INVDESTCOLOR, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwSrcBlendCaps\t&\tD3DPBLENDCAPS_INVSRCALPHA)", F::TriSrcBlendCaps,
     D3DPBLENDCAPS_INVSRCALPHA, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwSrcBlendCaps\t&\tD3DPBLENDCAPS_INVSRCCOLOR)", F::TriSrcBlendCaps,
     D3DPBLENDCAPS_INVSRCCOLOR, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwSrcBlendCaps\t&\tD3DPBLENDCAPS_ONE)", F::TriSrcBlendCaps,
     D3DPBLENDCAPS_ONE, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwSrcBlendCaps\t&\tD3DPBLENDCAPS_SRCALPHA)", F::TriSrcBlendCaps,
     D3DPBLENDCAPS_SRCALPHA, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwSrcBlendCaps\t&\tD3DPBLENDCAPS_SRCCOLOR)", F::TriSrcBlendCaps,
     D3DPBLENDCAPS_SRCCOLOR, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwSrcBlendCaps\t&\tD3DPBLENDCAPS_ZERO)", F::TriSrcBlendCaps,
     D3DPBLENDCAPS_ZERO, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwDestBlendCaps\t&\tD3DPBLENDCAPS_DESTCOLOR)", F::TriDestBlendCaps,
     D3DPBLENDCAPS_DESTCOLOR, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwDestBlendCaps\t&\tD3DPBLENDCAPS_INVDESTCOLOR)", F::TriDestBlendCaps,
     D3DPBLENDCAPS_INVDESTCOLOR, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwDestBlendCaps\t&\tD3DPBLENDCAPS_INVSRCALPHA)", F::TriDestBlendCaps,
     D3DPBLENDCAPS_INVSRCALPHA, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwDestBlendCaps\t&\tD3DPBLENDCAPS_INVSRCCOLOR)", F::TriDestBlendCaps,
     D3DPBLENDCAPS_INVSRCCOLOR, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwDestBlendCaps\t&\tD3DPBLENDCAPS_ONE)", F::TriDestBlendCaps,
     D3DPBLENDCAPS_ONE, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwDestBlendCaps\t&\tD3DPBLENDCAPS_SRCALPHA)", F::TriDestBlendCaps,
     D3DPBLENDCAPS_SRCALPHA, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwDestBlendCaps\t&\tD3DPBLENDCAPS_SRCCOLOR)", F::TriDestBlendCaps,
     D3DPBLENDCAPS_SRCCOLOR, M::FlagClear},
    {"!(dd\t->\tdpcTriCaps.dwDestBlendCaps\t&\tD3DPBLENDCAPS_ZERO)", F::TriDestBlendCaps,
     D3DPBLENDCAPS_ZERO, M::FlagClear},
    {"!(dd ->\tdpcTriCaps.dwShadeCaps\t\t&\tD3DPSHADECAPS_ALPHAFLATBLEND)", F::TriShadeCaps,
     D3DPSHADECAPS_ALPHAFLATBLEND, M::FlagClear},
    {"!(dd ->\tdpcTriCaps.dwShadeCaps\t\t&\tD3DPSHADECAPS_COLORGOURAUDRGB)", F::TriShadeCaps,
     D3DPSHADECAPS_COLORGOURAUDRGB, M::FlagClear},
    {"!(dd ->\tdpcTriCaps.dwTextureCaps\t&\tD3DPTEXTURECAPS_ALPHA)", F::TriTextureCaps,
     D3DPTEXTURECAPS_ALPHA, M::FlagClear},
    {"!(dd ->\tdpcTriCaps.dwTextureCaps\t&\tD3DPTEXTURECAPS_PERSPECTIVE)", F::TriTextureCaps,
     D3DPTEXTURECAPS_PERSPECTIVE, M::FlagClear},
    {" (dd ->\tdpcTriCaps.dwTextureCaps\t&\tD3DPTEXTURECAPS_SQUAREONLY)", F::TriTextureCaps,
     D3DPTEXTURECAPS_SQUAREONLY, M::FlagSet},
    {"!(dd ->\tdpcTriCaps.dwTextureCaps\t&\tD3DPTEXTURECAPS_TRANSPARENCY)", F::TriTextureCaps,
     D3DPTEXTURECAPS_TRANSPARENCY, M::FlagClear},
    {"!(dd ->\tdpcTriCaps.dwTextureFilterCaps\t&\tD3DPTFILTERCAPS_LINEAR)", F::TriTextureFilterCaps,
     D3DPTFILTERCAPS_LINEAR, M::FlagClear},
    {"!(dd ->\tdpcTriCaps.dwTextureFilterCaps\t&\tD3DPTFILTERCAPS_NEAREST)",
     F::TriTextureFilterCaps, D3DPTFILTERCAPS_NEAREST, M::FlagClear},
    {"!(dd ->\tdpcTriCaps.dwTextureFilterCaps\t&\tD3DPTFILTERCAPS_MAGFLINEAR)",
     F::TriTextureFilterCaps, D3DPTFILTERCAPS_MAGFLINEAR, M::FlagClear},
    {"!(dd ->\tdpcTriCaps.dwTextureFilterCaps\t&\tD3DPTFILTERCAPS_MAGFPOINT)",
     F::TriTextureFilterCaps, D3DPTFILTERCAPS_MAGFPOINT, M::FlagClear},
    {"!(dd ->\tdpcTriCaps.dwTextureFilterCaps\t&\tD3DPTFILTERCAPS_MINFLINEAR)",
     F::TriTextureFilterCaps, D3DPTFILTERCAPS_MINFLINEAR, M::FlagClear},
    {"!(dd ->\tdpcTriCaps.dwTextureFilterCaps\t&\tD3DPTFILTERCAPS_MINFPOINT)",
     F::TriTextureFilterCaps, D3DPTFILTERCAPS_MINFPOINT, M::FlagClear},
    {"!(dd ->\tdpcTriCaps.dwTextureFilterCaps\t&\tD3DPTFILTERCAPS_MIPFLINEAR)",
     F::TriTextureFilterCaps, D3DPTFILTERCAPS_MIPFLINEAR, M::FlagClear},
    {"!(dd ->\tdpcTriCaps.dwTextureFilterCaps\t&\tD3DPTFILTERCAPS_MIPFPOINT)",
     F::TriTextureFilterCaps, D3DPTFILTERCAPS_MIPFPOINT, M::FlagClear},
    {"!(dd ->\tdpcTriCaps.dwTextureAddressCaps\t&\tD3DPTADDRESSCAPS_WRAP)",
     F::TriTextureAddressCaps, D3DPTADDRESSCAPS_WRAP, M::FlagClear},
};

}  // namespace

std::span<const CapabilityRow> CapabilityRows() {
  return kRows;
}

DWORD ReadCapabilityField(const D3DDEVICEDESC& desc, CapabilityField field) {
  switch (field) {
    case F::Flags:
      return desc.dwFlags;
    case F::ColorModel:
      return desc.dcmColorModel;
    case F::DevCaps:
      return desc.dwDevCaps;
    case F::LineZCmpCaps:
      return desc.dpcLineCaps.dwZCmpCaps;
    case F::TriMiscCaps:
      return desc.dpcTriCaps.dwMiscCaps;
    case F::TriZCmpCaps:
      return desc.dpcTriCaps.dwZCmpCaps;
    case F::TriSrcBlendCaps:
      return desc.dpcTriCaps.dwSrcBlendCaps;
    case F::TriDestBlendCaps:
      return desc.dpcTriCaps.dwDestBlendCaps;
    case F::TriShadeCaps:
      return desc.dpcTriCaps.dwShadeCaps;
    case F::TriTextureCaps:
      return desc.dpcTriCaps.dwTextureCaps;
    case F::TriTextureFilterCaps:
      return desc.dpcTriCaps.dwTextureFilterCaps;
    case F::TriTextureAddressCaps:
      return desc.dpcTriCaps.dwTextureAddressCaps;
  }
  return 0;
}

bool CapabilityRowFails(const CapabilityRow& row, const D3DDEVICEDESC& desc) {
  const DWORD member = ReadCapabilityField(desc, row.field);
  switch (row.miss) {
    case M::FlagClear:
      return (member & row.value) == 0;
    case M::FlagSet:
      return (member & row.value) != 0;
    case M::ValueDiffers:
      return member != row.value;
  }
  return false;
}

std::vector<int> FailedCapabilityRows(const D3DDEVICEDESC& desc) {
  std::vector<int> failed;
  for (int i = 0; i < kCapabilityRowCount; ++i)
    if (CapabilityRowFails(kRows[i], desc)) failed.push_back(i + 1);
  return failed;
}

bool Renderer::TestDevice(const D3DDEVICEDESC* desc) {
  if (!desc) return false;
  for (const CapabilityRow& row : kRows) {
    if (!CapabilityRowFails(row, *desc)) continue;
    SetMessageText(row.text);
    // OK accepts the shortfall; Cancel rejects the device on the spot.
    if (MessageBoxA(nullptr, m_MessageText, m_MessageTitle, MB_OKCANCEL) == IDCANCEL) return false;
  }
  return true;
}

const D3DDEVICEDESC* Renderer::PickDesc(const D3DDEVICEDESC* kept, const D3DDEVICEDESC* candidate) {
  if (!kept) return candidate;
  if (!candidate) return kept;
  // An empty slot (or one holding a colour model of 0) gives way to the candidate.
  if (kept->dcmColorModel == 0) return candidate;
  return kept;
}

HRESULT Renderer::OnEnumDevice(GUID* guid, LPSTR descriptionText, LPSTR nameText,
                               D3DDEVICEDESC* halDesc, D3DDEVICEDESC* helDesc, LPVOID context) {
  auto* renderer = static_cast<Renderer*>(context);
  if (!renderer) return D3DENUMRET_CANCEL;

  const bool hardware = halDesc && halDesc->dcmColorModel != 0;
  const D3DDEVICEDESC* tested = hardware ? halDesc : helDesc;
  renderer->m_MessageTitle = descriptionText;

  if (!renderer->TestDevice(tested)) {
    char text[1024];
    std::snprintf(text, sizeof text, "%s\n%s\n\n\n%s\n\n", descriptionText ? descriptionText : "",
                  nameText ? nameText : "", renderer->m_MessageText);
    MessageBoxA(nullptr, text, kRejectionCaption, MB_OK);
    return D3DENUMRET_OK;
  }

  std::optional<GUID>& slotGuid = hardware ? renderer->m_HalGuid : renderer->m_HelGuid;
  D3DDEVICEDESC& slotDesc = hardware ? renderer->m_HalDesc : renderer->m_HelDesc;
  if (guid && PickDesc(&slotDesc, tested) == tested) {
    slotDesc = *tested;
    slotGuid = *guid;
  }
  return D3DENUMRET_OK;
}
