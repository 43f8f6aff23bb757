// The light list: ambient lights become the device's ambient colour, every other light a
// light object attached to the viewport. A light is sent again only when marked changed.
#include "render/Renderer.h"

namespace {

D3DLIGHTTYPE DeviceLightType(int32_t type) {
  switch (type) {
    case kLightSpot:
      return D3DLIGHT_SPOT;
    case kLightPoint:
      return D3DLIGHT_POINT;
    case kLightParallelPoint:
      return D3DLIGHT_PARALLELPOINT;
    default:
      return D3DLIGHT_DIRECTIONAL;
  }
}

// Rounded to the nearest step and clamped, unlike the clear colour.
DWORD RoundedChannel(float component) {
  const float v = component * 255.0f + 0.5f;
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<DWORD>(v);
}

}  // namespace

int Renderer::AddLight(Light* light) {
  if (light && !m_Lights.Contains(light)) m_Lights.Append(light, 1);
  return 0;
}

int Renderer::RemoveLight(Light* light) {
  if (!light) return 1;
  ReleaseLightObject(light);
  int32_t index = -1;
  if (!m_Lights.Find(light, index)) return 3;
  m_Lights.RemoveAt(index, 1);
  return 0;
}

int Renderer::LightCount() {
  return m_Lights.GetCount();
}

Light* Renderer::LightAt(int index) {
  if (index < 0 || index >= m_Lights.GetCount()) return nullptr;
  return static_cast<Light*>(m_Lights.ElementAt(index));
}

int Renderer::UpdateLights() {
  int sum = 0;
  for (int i = 0; i < m_Lights.GetCount(); ++i) sum += UpdateLight(LightAt(i));
  return sum;
}

int Renderer::ReleaseLightObjects() {
  int sum = 0;
  for (int i = 0; i < m_Lights.GetCount(); ++i) sum += ReleaseLightObject(LightAt(i));
  return sum;
}

int Renderer::UpdateLight(Light* light) {
  if (!light) return 1;
  if (light->m_Type == kLightAmbient) return UpdateAmbient(light);
  if (!light->m_DeviceLight) {
    if (CreateLightObject(light) != 0) return 2;
    if (!light->m_DeviceLight) return 4;
  }
  if (!light->m_Attached) {
    // Made earlier, but its attach to the viewport failed.
    if (!m_Viewport || FAILED(m_Viewport->AddLight(light->m_DeviceLight))) return 2;
    light->m_Attached = 1;
  }
  if (!light->m_Changed) return 0;
  D3DLIGHT2 desc;
  if (FillLight(light, &desc) != 0) return 2;
  if (FAILED(light->m_DeviceLight->SetLight(&desc))) return 3;
  light->m_Changed = 0;
  return 0;
}

int Renderer::UpdateAmbient(Light* light) {
  if (!light || !m_Device) return 1;
  if (light->m_Type != kLightAmbient) return 2;
  if (!light->m_Changed) return 0;
  // Alpha stays 0.
  const D3DCOLOR colour = (RoundedChannel(light->m_Color.x) << 16) |
                          (RoundedChannel(light->m_Color.y) << 8) |
                          RoundedChannel(light->m_Color.z);
  if (FAILED(m_Device->SetLightState(D3DLIGHTSTATE_AMBIENT, colour))) return 3;
  light->m_Changed = 0;
  return 0;
}

int Renderer::CreateLightObject(Light* light) {
  if (!light || !m_Viewport) return 1;
  if (light->m_Type == kLightAmbient) return 0;
  ReleaseLightObject(light);
  if (!m_Direct3D) return 2;
  IDirect3DLight* object = nullptr;
  if (FAILED(m_Direct3D->CreateLight(&object, nullptr)) || !object) return 3;
  light->m_DeviceLight = object;
  // The object stays stored if a later step fails, so the next update finds it.
  D3DLIGHT2 desc;
  if (FillLight(light, &desc) != 0) return 4;
  if (FAILED(object->SetLight(&desc))) return 5;
  if (FAILED(m_Viewport->AddLight(object))) return 6;
  light->m_Attached = 1;
  light->m_Changed = 0;
  return 0;
}

int Renderer::ReleaseLightObject(Light* light) {
  if (!light) return 1;
  IDirect3DLight* object = light->m_DeviceLight;
  light->m_DeviceLight = nullptr;
  light->m_Attached = 0;
  // Whatever device comes next needs the light made and sent afresh.
  light->MarkChanged();
  if (object) {
    if (m_Viewport) m_Viewport->DeleteLight(object);
    object->Release();
  }
  return 0;
}

int Renderer::FillLight(const Light* light, D3DLIGHT2* out) const {
  if (!light || !out) return 1;
  if (light->m_Type == kLightAmbient) return 2;
  *out = D3DLIGHT2{};
  out->dwSize = sizeof(D3DLIGHT2);
  out->dltType = DeviceLightType(light->m_Type);
  out->dcvColor =
      D3DCOLORVALUE{light->m_Color.x, light->m_Color.y, light->m_Color.z, light->m_Color.w};
  out->dvPosition = D3DVECTOR{light->m_Position.x, light->m_Position.y, light->m_Position.z};
  out->dvDirection = D3DVECTOR{light->m_Direction.x, light->m_Direction.y, light->m_Direction.z};
  out->dvRange = light->m_Range;
  out->dvFalloff = 1.0f;
  out->dvAttenuation0 = 0.0f;
  out->dvAttenuation1 = 1.0f;
  out->dvAttenuation2 = 0.0f;
  out->dvTheta = light->m_Theta;
  out->dvPhi = light->m_Phi;
  out->dwFlags = D3DLIGHT_ACTIVE;
  return 0;
}
