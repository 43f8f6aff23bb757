// Surface description of a mesh. The renderer owns the device object made for it and keeps
// it current; the material dialog edits the colours in place and marks the record changed.
#pragma once

#include "geometry/Vec.h"

struct IDirect3DMaterial3;

struct Material {
  Material() {
    m_Ambient.Set(1.0f, 1.0f, 1.0f, 0.0f);
    m_Diffuse.Set(0.8f, 0.7f, 0.7f, 0.0f);
    m_Specular.Set(0.5f, 0.4f, 0.1f, 0.0f);
    m_Emissive.Set(0.0f, 0.0f, 0.0f, 0.0f);
  }

  void MarkChanged() { m_Changed = true; }

  Vec4 m_Ambient;
  Vec4 m_Diffuse;
  Vec4 m_Specular;
  Vec4 m_Emissive;
  float m_SpecularPower = 20.0f;
  bool m_Changed = true;
  // Created, refreshed and released by the renderer; never owned here.
  IDirect3DMaterial3* m_DeviceMaterial = nullptr;
};

static_assert(sizeof(bool) == 1, "m_Changed is an 8-bit flag");
