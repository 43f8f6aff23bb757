// The operations one frame uses: clear, scene bracket, transforms and the material.
#include <cstring>

#include "render/Renderer.h"

namespace {

// Truncates toward zero without clamping, as the clear colour has always been made; the
// byte mask only keeps a wild component from spilling into its neighbours.
DWORD TruncatedChannel(float component) {
  const float scaled = component * 255.0f;
  if (!(scaled > -2147483648.0f && scaled < 2147483648.0f)) return 0;
  return static_cast<DWORD>(static_cast<int32_t>(scaled)) & 0xFFu;
}

bool IsKnownKind(TransformKind kind) {
  return kind == TransformKind::World || kind == TransformKind::Projection ||
         kind == TransformKind::View;
}

D3DCOLORVALUE ColorValue(const Vec4& v) {
  return D3DCOLORVALUE{v.x, v.y, v.z, v.w};
}

}  // namespace

int Renderer::Clear() {
  if (!m_Device || !m_Viewport) return 1;
  D3DRECT rect{0, 0, m_ScreenRect.right - m_ScreenRect.left,
               m_ScreenRect.bottom - m_ScreenRect.top};
  const D3DCOLOR colour = 0xFF000000u | (TruncatedChannel(m_Background.x) << 16) |
                          (TruncatedChannel(m_Background.y) << 8) |
                          TruncatedChannel(m_Background.z);
  if (FAILED(m_Viewport->Clear2(1, &rect, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0)))
    return 2;
  return 0;
}

int Renderer::BeginFrame() {
  if (!m_Device) return 1;
  // Lights are made and changed outside the scene.
  UpdateLights();
  if (FAILED(m_Device->BeginScene())) return 2;
  // No texture is ever bound; the filters are set for both stages all the same.
  for (DWORD stage = 0; stage < 2; ++stage) {
    m_Device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTFG_ANISOTROPIC);
    m_Device->SetTextureStageState(stage, D3DTSS_MINFILTER, 5);
    m_Device->SetTextureStageState(stage, D3DTSS_MIPFILTER, D3DTFP_POINT);
  }
  return 0;
}

int Renderer::EndFrame() {
  if (!m_Device) return 1;
  if (FAILED(m_Device->EndScene())) return 2;
  return 0;
}

int Renderer::SetTransform(TransformKind kind, const Matrix4* matrix) {
  if (!matrix) return 1;
  if (!IsKnownKind(kind)) return 2;
  switch (kind) {
    case TransformKind::World:
      m_World = *matrix;
      break;
    case TransformKind::Projection:
      // The program's projection looks down -z; the device's looks down +z.
      m_Projection = *matrix;
      m_Projection.m[0][0] = -m_Projection.m[0][0];
      m_Projection.m[2][2] = -m_Projection.m[2][2];
      m_Projection.m[2][3] = -m_Projection.m[2][3];
      break;
    case TransformKind::View:
      m_View = *matrix;
      m_View.m[0][0] = -m_View.m[0][0];
      m_View.m[2][2] = -m_View.m[2][2];
      m_View.m[3][2] = -m_View.m[3][2];
      break;
  }
  // Without a device the matrix stays stored and the next frame sends a fresh one.
  SendTransform(kind);
  return 0;
}

int Renderer::SendTransform(TransformKind kind) {
  if (!m_Device) return 3;
  const Matrix4* stored = nullptr;
  D3DTRANSFORMSTATETYPE state{};
  switch (kind) {
    case TransformKind::World:
      stored = &m_World;
      state = D3DTRANSFORMSTATE_WORLD;
      break;
    case TransformKind::View:
      stored = &m_View;
      state = D3DTRANSFORMSTATE_VIEW;
      break;
    case TransformKind::Projection:
      stored = &m_Projection;
      state = D3DTRANSFORMSTATE_PROJECTION;
      break;
    default:
      return 1;
  }
  D3DMATRIX matrix;
  static_assert(sizeof matrix == sizeof *stored);
  std::memcpy(&matrix, stored, sizeof matrix);
  if (FAILED(m_Device->SetTransform(state, &matrix))) return 2;
  return 0;
}

int Renderer::GetTransform(TransformKind kind, Matrix4* out) const {
  if (!out) return 1;
  switch (kind) {
    case TransformKind::World:
      *out = m_World;
      return 0;
    case TransformKind::Projection:
      *out = m_Projection;
      return 0;
    case TransformKind::View:
      *out = m_View;
      return 0;
  }
  return 2;
}

int Renderer::SetMaterial(Material* material) {
  if (!material || !m_Device) return 1;
  UpdateMaterial(material);
  if (!material->m_DeviceMaterial) return 2;
  // The handle belongs to the current device, so it is fetched every frame.
  D3DMATERIALHANDLE handle = 0;
  if (FAILED(material->m_DeviceMaterial->GetHandle(m_Device, &handle))) return 3;
  if (FAILED(m_Device->SetLightState(D3DLIGHTSTATE_MATERIAL, handle))) return 4;
  return 0;
}

int Renderer::UpdateMaterial(Material* material) {
  if (!material) return 1;
  if (!material->m_DeviceMaterial && CreateMaterialObject(material) != 0) return 2;
  if (!material->m_DeviceMaterial) return 3;
  // Sent whether or not it was marked changed, so every edit shows in the next frame.
  D3DMATERIAL desc;
  FillMaterial(material, &desc);
  if (FAILED(material->m_DeviceMaterial->SetMaterial(&desc))) return 5;
  material->m_Changed = false;
  return 0;
}

int Renderer::CreateMaterialObject(Material* material) {
  if (!material) return 1;
  ReleaseMaterialObject(material);
  if (!m_Direct3D) return 2;
  IDirect3DMaterial3* object = nullptr;
  if (FAILED(m_Direct3D->CreateMaterial(&object, nullptr)) || !object) return 3;
  D3DMATERIAL desc;
  FillMaterial(material, &desc);
  if (FAILED(object->SetMaterial(&desc))) {
    // Not stored yet, so nobody else would ever release it.
    object->Release();
    return 5;
  }
  material->m_DeviceMaterial = object;
  material->m_Changed = false;
  return 0;
}

int Renderer::ReleaseMaterialObject(Material* material) {
  if (!material) return 1;
  IDirect3DMaterial3* object = material->m_DeviceMaterial;
  material->m_DeviceMaterial = nullptr;
  if (object) object->Release();
  return 0;
}

int Renderer::FillMaterial(const Material* material, D3DMATERIAL* out) const {
  if (!material || !out) return 1;
  *out = D3DMATERIAL{};
  out->dwSize = sizeof(D3DMATERIAL);
  out->dcvDiffuse = ColorValue(material->m_Diffuse);
  out->dcvAmbient = ColorValue(material->m_Ambient);
  out->dcvSpecular = ColorValue(material->m_Specular);
  out->dcvEmissive = ColorValue(material->m_Emissive);
  out->dvPower = material->m_SpecularPower;
  return 0;
}

int Renderer::AddMaterial(Material* material) {
  if (material && !m_Materials.Contains(material)) m_Materials.Append(material, 1);
  return 0;
}

int Renderer::RemoveMaterial(Material* material) {
  if (!material) return 1;
  ReleaseMaterialObject(material);
  int32_t index = -1;
  if (!m_Materials.Find(material, index)) return 3;
  m_Materials.RemoveAt(index, 1);
  return 0;
}

int Renderer::MaterialCount() {
  return m_Materials.GetCount();
}

Material* Renderer::MaterialAt(int index) {
  if (index < 0 || index >= m_Materials.GetCount()) return nullptr;
  return static_cast<Material*>(m_Materials.ElementAt(index));
}

int Renderer::ReleaseMaterialObjects() {
  int sum = 0;
  for (int i = 0; i < m_Materials.GetCount(); ++i) sum += ReleaseMaterialObject(MaterialAt(i));
  return sum;
}
