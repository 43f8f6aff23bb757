// The requirements a Direct3D device description must meet before the renderer uses the
// device without asking. The texts are what the user is shown for a shortfall, so they are
// kept character for character, tabs and leading blanks included.
//
// Device authors: FailedCapabilityRows(description) must come back empty for a device that
// is meant to start without a message box.
#pragma once

#include <span>
#include <vector>

#include "platform/directx/DirectX.h"

// The description member a requirement reads.
enum class CapabilityField {
  Flags,                  // dwFlags
  ColorModel,             // dcmColorModel
  DevCaps,                // dwDevCaps
  LineZCmpCaps,           // dpcLineCaps.dwZCmpCaps
  TriMiscCaps,            // dpcTriCaps.dwMiscCaps
  TriZCmpCaps,            // dpcTriCaps.dwZCmpCaps
  TriSrcBlendCaps,        // dpcTriCaps.dwSrcBlendCaps
  TriDestBlendCaps,       // dpcTriCaps.dwDestBlendCaps
  TriShadeCaps,           // dpcTriCaps.dwShadeCaps
  TriTextureCaps,         // dpcTriCaps.dwTextureCaps
  TriTextureFilterCaps,   // dpcTriCaps.dwTextureFilterCaps
  TriTextureAddressCaps,  // dpcTriCaps.dwTextureAddressCaps
};

// When a requirement counts as missed.
enum class CapabilityMiss {
  FlagClear,     // the flag is required (text starts with '!')
  FlagSet,       // the flag is unwanted (text starts with a blank)
  ValueDiffers,  // the member must hold exactly the value
};

struct CapabilityRow {
  const char* text;
  CapabilityField field;
  DWORD value;  // the flag, or the required value
  CapabilityMiss miss;
};

inline constexpr int kCapabilityRowCount = 49;

// The requirements in the order they are tested and shown.
std::span<const CapabilityRow> CapabilityRows();

DWORD ReadCapabilityField(const D3DDEVICEDESC& desc, CapabilityField field);
bool CapabilityRowFails(const CapabilityRow& row, const D3DDEVICEDESC& desc);

// Numbers (1 .. 49, in order) of the rows the description misses. Shows nothing.
std::vector<int> FailedCapabilityRows(const D3DDEVICEDESC& desc);
