// Twenty render-state entries, each a value with a flag. A request names the entries it
// wants; the renderer's applied block remembers what it last sent, and Diff finds the
// entries that must be sent again.
#pragma once

#include <cstdint>

#include "platform/WinTypes.h"

class RenderStateBlock {
 public:
  // Positions of the entries. The first eleven each drive one device render state; the
  // last nine are only remembered.
  enum Entry : int {
    kCullMode,
    kFillMode,
    kZWrite,
    kZEnable,
    kZFunc,
    kZBias,
    kAlphaBlend,
    kSrcBlend,
    kDestBlend,
    kSpecular,
    kShadeMode,
    kDeviceEntryCount,
    kEntryCount = 20,
  };
  // The block's own codes for the cull, fill and shade entries, which ApplyStates turns
  // into the device's values; any other value counts as counter-clockwise culling, solid
  // fill and Gouraud shading.
  enum CullCode : DWORD { kCullNone = 1, kCullCounterClockwise = 2, kCullClockwise = 3 };
  enum FillCode : DWORD { kFillPoint = 1, kFillWireframe = 2, kFillSolid = 3 };
  enum ShadeCode : DWORD { kShadeFlat = 1, kShadeGouraud = 2 };
  // The deepest z bias a device is given; larger requests are cut down to it.
  static constexpr DWORD kMaxZBias = 16;

  struct State {
    DWORD m_Value;
    // In a request: the entry is wanted. In the result of Diff: the entry must be sent.
    DWORD m_Flag;
  };

  RenderStateBlock() { Reset(0); }

  // Clears the resend-all flag and sets every entry's flag; the values stay as they are.
  void Reset(DWORD flag);
  // Requests every entry with its default: counter-clockwise faces culled, solid fill,
  // z written and tested with "less", no z bias, no blending, specular on, Gouraud.
  void SetDefaults();
  // Becomes the request with every flag cleared, then flags each requested entry that the
  // applied block lacks (or all requested ones while the applied block asks for a resend).
  // Returns the number flagged; with either block missing, 0 and nothing changes.
  int Diff(const RenderStateBlock* request, const RenderStateBlock* applied);

  // Requests one entry with the given value.
  void Request(Entry entry, DWORD value) { m_States[entry] = {value, 1}; }
  DWORD Value(Entry entry) const { return m_States[entry].m_Value; }
  bool IsFlagged(Entry entry) const { return m_States[entry].m_Flag != 0; }

  DWORD m_ResendAll = 0;
  State m_States[kEntryCount]{};
};
