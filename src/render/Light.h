// A light as the main window owns it. The renderer lists lights without owning them and
// makes the device agree with each one whenever it is marked changed.
#pragma once

#include <bit>
#include <cstdint>

#include "geometry/Vec.h"
#include "platform/WinTypes.h"

struct IDirect3DLight;

// The light kinds by their codes. Code 4 has no kind of its own; it and every unknown code
// are sent as a directional light.
enum LightType : int32_t {
  kLightAmbient = 1,
  kLightSpot = 2,
  kLightDirectional = 3,
  kLightPoint = 5,
  kLightParallelPoint = 6,
};

struct Light {
  // A range so large that it never limits a light; stored bit-exact.
  static constexpr float kUnlimitedRange = std::bit_cast<float>(0x5368D4A5u);

  Light() {
    m_Position.Set(1.0f, 1.0f, 1.0f);
    m_Direction.Set(0.0f, 0.0f, 0.0f);
    m_Color.Set(1.0f, 1.0f, 1.0f, 1.0f);
  }

  void MarkChanged() { m_Changed = 1; }

  Vec3 m_Position;
  Vec3 m_Direction;
  Vec4 m_Color;
  float m_Phi = 0.0f;
  float m_Theta = 0.0f;
  float m_Range = kUnlimitedRange;
  // Made, attached and released by the renderer; never owned here.
  IDirect3DLight* m_DeviceLight = nullptr;
  int32_t m_Type = kLightPoint;
  // A new light has never reached a device, so it starts out changed.
  DWORD m_Changed = 1;
  // The device object is attached to the viewport; an attach that failed is tried again
  // on the next update, or the light would light nothing while its updates succeed.
  DWORD m_Attached = 0;
};

static_assert(Light::kUnlimitedRange == 1e12f);
