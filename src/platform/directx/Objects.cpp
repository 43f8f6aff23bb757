// Lights, materials and vertex buffers: plain records behind their interfaces. A light
// lights the scene while attached to the device's current viewport; a material is found
// by the handle GetHandle gives for one device; a vertex buffer hands out its storage
// between Lock and Unlock.
// Not implemented: vertex buffer optimisation and ProcessVertices, texture handles in
// materials (hTexture is kept but not used).
#include <new>

#include "platform/directx/Front.h"
#include "platform/directx/VertexFormat.h"

namespace dx::front {

namespace {
constexpr DWORD kPositionMask = 0x00E;
constexpr DWORD kFvfKnownBits =
    kPositionMask | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEXCOUNT_MASK;
}  // namespace

DWORD FvfStride(DWORD fvf) {
  return ParseVertexFormat(fvf).size;
}

bool IsSupportedFvf(DWORD fvf) {
  const DWORD sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  return (fvf & kPositionMask) == D3DFVF_XYZ && (fvf & ~kFvfKnownBits) == 0 && sets <= 8;
}

// ---------------------------------------------------------------- light

Light::Light(std::shared_ptr<System> system) : ComObject(std::move(system), "light") {
  m_Light.dwSize = sizeof(D3DLIGHT2);
}

void* Light::Find(REFIID riid) {
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirect3DLight))
    return static_cast<IDirect3DLight*>(this);
  return nullptr;
}

HRESULT Light::SetLight(D3DLIGHT2* light) {
  if (HRESULT hr = Hook("IDirect3DLight::SetLight", [&] { return Args(light); }); FAILED(hr))
    return hr;
  if (!light || light->dwSize != sizeof(D3DLIGHT2)) return DDERR_INVALIDPARAMS;
  if (light->dltType < D3DLIGHT_POINT || light->dltType > D3DLIGHT_PARALLELPOINT)
    return DDERR_INVALIDPARAMS;
  m_Light = *light;
  return D3D_OK;
}

HRESULT Light::GetLight(D3DLIGHT2* light) {
  if (HRESULT hr = Hook("IDirect3DLight::GetLight"); FAILED(hr)) return hr;
  if (!light || light->dwSize != sizeof(D3DLIGHT2)) return DDERR_INVALIDPARAMS;
  *light = m_Light;
  return D3D_OK;
}

// ---------------------------------------------------------------- material

Material::Material(std::shared_ptr<System> system) : ComObject(std::move(system), "material") {
  m_Material.dwSize = sizeof(D3DMATERIAL);
}

void* Material::Find(REFIID riid) {
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirect3DMaterial3))
    return static_cast<IDirect3DMaterial3*>(this);
  return nullptr;
}

HRESULT Material::SetMaterial(D3DMATERIAL* material) {
  if (HRESULT hr = Hook("IDirect3DMaterial3::SetMaterial", [&] { return Args(material); });
      FAILED(hr))
    return hr;
  if (!material || material->dwSize != sizeof(D3DMATERIAL)) return DDERR_INVALIDPARAMS;
  m_Material = *material;
  return D3D_OK;
}

HRESULT Material::GetMaterial(D3DMATERIAL* material) {
  if (HRESULT hr = Hook("IDirect3DMaterial3::GetMaterial"); FAILED(hr)) return hr;
  if (!material || material->dwSize != sizeof(D3DMATERIAL)) return DDERR_INVALIDPARAMS;
  *material = m_Material;
  return D3D_OK;
}

HRESULT Material::GetHandle(IDirect3DDevice3* device, D3DMATERIALHANDLE* handle) {
  if (HRESULT hr = Hook("IDirect3DMaterial3::GetHandle", [&] { return Args(device); }); FAILED(hr))
    return hr;
  Device* ours = Unwrap<Device>(device);
  if (!ours || !handle) return DDERR_INVALIDPARAMS;
  *handle = ours->HandleFor(*this, m_Handles);
  return D3D_OK;
}

// ---------------------------------------------------------------- vertex buffer

VertexBuffer::VertexBuffer(std::shared_ptr<System> system, const D3DVERTEXBUFFERDESC& desc)
    : ComObject(std::move(system), "vertexbuffer"), m_Desc(desc) {
  m_Data.fvf = desc.dwFVF;
  m_Data.numVertices = desc.dwNumVertices;
  m_Data.stride = FvfStride(desc.dwFVF);
  m_Data.bytes.assign(static_cast<size_t>(m_Data.stride) * m_Data.numVertices, 0);
}

void* VertexBuffer::Find(REFIID riid) {
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirect3DVertexBuffer))
    return static_cast<IDirect3DVertexBuffer*>(this);
  return nullptr;
}

HRESULT VertexBuffer::Lock(DWORD flags, LPVOID* data, DWORD* size) {
  if (HRESULT hr = Hook("IDirect3DVertexBuffer::Lock", [&] { return Args(flags); }); FAILED(hr))
    return hr;
  if (!data) return DDERR_INVALIDPARAMS;
  *data = nullptr;
  if (m_Locked) return D3DERR_VERTEXBUFFERLOCKED;
  m_Locked = true;
  *data = m_Data.bytes.data();
  if (size) *size = static_cast<DWORD>(m_Data.bytes.size());
  return D3D_OK;
}

HRESULT VertexBuffer::Unlock() {
  if (HRESULT hr = Hook("IDirect3DVertexBuffer::Unlock"); FAILED(hr)) return hr;
  if (!m_Locked) return DDERR_NOTLOCKED;
  m_Locked = false;
  ++m_Data.version;
  return D3D_OK;
}

HRESULT VertexBuffer::GetVertexBufferDesc(D3DVERTEXBUFFERDESC* desc) {
  if (HRESULT hr = Hook("IDirect3DVertexBuffer::GetVertexBufferDesc"); FAILED(hr)) return hr;
  if (!desc || desc->dwSize != sizeof(D3DVERTEXBUFFERDESC)) return DDERR_INVALIDPARAMS;
  *desc = m_Desc;
  return D3D_OK;
}

}  // namespace dx::front
