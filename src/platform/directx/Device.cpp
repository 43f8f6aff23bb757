// The device: everything about drawing that is the same on every device. It keeps the
// draw state (transforms, render, light and texture-stage states, the material handle,
// textures, viewports and the scene), checks each call, and hands the pipeline an
// up-to-date DrawState. Setters compare before they mark a DrawState::changed bit.
// Not implemented: execute buffers, clip status, MultiplyTransform, state blocks,
// DrawPrimitiveStrided/VB without indices, ComputeSphereVisibility.
#include <cstring>

#include "platform/directx/Front.h"

namespace dx::front {

namespace {
bool IsTransform(D3DTRANSFORMSTATETYPE state) {
  return state == D3DTRANSFORMSTATE_WORLD || state == D3DTRANSFORMSTATE_VIEW ||
         state == D3DTRANSFORMSTATE_PROJECTION;
}
bool IsStageState(DWORD stage, DWORD state) {
  return stage < kTextureStageCount && state > 0 && state < kTextureStageStateCount;
}
}  // namespace

ComRef<Device> Device::Create(std::shared_ptr<System> system, std::shared_ptr<DeviceDriver> driver,
                              Surface& target, HRESULT& hr) {
  ComRef<Device> device(new Device(std::move(system), driver, target));
  hr = D3D_OK;
  std::unique_ptr<Pipeline> pipeline = driver->CreatePipeline(target.Data(), hr);
  if (!pipeline) {
    if (SUCCEEDED(hr)) hr = D3DERR_INITFAILED;
    return {};
  }
  pipeline->SetThreads(device->Sys().threads);
  device->m_Pipeline = std::move(pipeline);
  target.SetPresenter(device->m_Pipeline);
  return device;
}

Device::Device(std::shared_ptr<System> system, std::shared_ptr<DeviceDriver> driver,
               Surface& target)
    : ComObject(std::move(system), "device"), m_Driver(std::move(driver)), m_Target(&target) {
  SetDefaultStates();
  RefreshState();
  m_State.changed = kAllChanged;
}

Device::~Device() {
  for (ComRef<Viewport>& viewport : m_Viewports) viewport->SetOwner(nullptr);
}

void* Device::Find(REFIID riid) {
  if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirect3DDevice3))
    return static_cast<IDirect3DDevice3*>(this);
  return nullptr;
}

// Direct3D's documented defaults; z testing is on when the target has a z-buffer.
void Device::SetDefaultStates() {
  static constexpr D3DMATRIX kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  m_State.world = m_State.view = m_State.projection = kIdentity;
  DWORD* rs = m_State.renderStates;
  rs[D3DRENDERSTATE_TEXTUREADDRESS] = D3DTADDRESS_WRAP;
  rs[D3DRENDERSTATE_TEXTUREPERSPECTIVE] = TRUE;
  rs[D3DRENDERSTATE_ZENABLE] = m_Target->AttachedZBuffer() ? TRUE : FALSE;
  rs[D3DRENDERSTATE_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRENDERSTATE_ZWRITEENABLE] = TRUE;
  rs[D3DRENDERSTATE_LASTPIXEL] = TRUE;
  rs[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
  rs[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRENDERSTATE_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRENDERSTATE_SPECULARENABLE] = TRUE;
  rs[D3DRENDERSTATE_TEXTUREFACTOR] = 0xFFFFFFFFu;
  m_State.lightStates[D3DLIGHTSTATE_COLORMODEL] = D3DCOLOR_RGB;
  m_State.lightStates[D3DLIGHTSTATE_COLORVERTEX] = TRUE;
  for (DWORD stage = 0; stage < kTextureStageCount; ++stage) {
    DWORD* ts = m_State.textureStages[stage];
    ts[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    ts[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    ts[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    ts[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    ts[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    ts[D3DTSS_TEXCOORDINDEX] = stage;
    ts[D3DTSS_ADDRESS] = ts[D3DTSS_ADDRESSU] = ts[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    ts[D3DTSS_MAGFILTER] = D3DTFG_POINT;
    ts[D3DTSS_MINFILTER] = D3DTFN_POINT;
    ts[D3DTSS_MIPFILTER] = D3DTFP_NONE;
    ts[D3DTSS_MAXANISOTROPY] = 1;
  }
}

DWORD Device::HandleFor(ComObject& object, std::map<uint32_t, DWORD>& handles) {
  if (auto it = handles.find(Id()); it != handles.end() && ObjectFor(it->second) == &object)
    return it->second;
  const DWORD handle = NextSerial();
  handles[Id()] = handle;
  m_Handles[handle] = object.Weak();
  return handle;
}

ComObject* Device::ObjectFor(DWORD handle) const {
  const auto it = m_Handles.find(handle);
  if (it == m_Handles.end()) return nullptr;
  const std::shared_ptr<ComObject*> alive = it->second.lock();
  return alive ? *alive : nullptr;
}

HRESULT Device::GetCaps(D3DDEVICEDESC* hardware, D3DDEVICEDESC* software) {
  if (HRESULT hr = Hook("IDirect3DDevice3::GetCaps", [&] { return Args(hardware, software); });
      FAILED(hr))
    return hr;
  if (!hardware || !software || hardware->dwSize != kD3DDeviceDescSize ||
      software->dwSize != kD3DDeviceDescSize)
    return DDERR_INVALIDPARAMS;
  D3DDEVICEDESC hal{}, hel{};
  hal.dwSize = hel.dwSize = kD3DDeviceDescSize;
  m_Driver->Describe(hal, hel);
  *hardware = hal;
  *software = hel;
  return D3D_OK;
}

HRESULT Device::AddViewport(IDirect3DViewport3* viewport) {
  if (HRESULT hr = Hook("IDirect3DDevice3::AddViewport", [&] { return Args(viewport); });
      FAILED(hr))
    return hr;
  Viewport* ours = Unwrap<Viewport>(viewport);
  if (!ours || ours->Owner()) return DDERR_INVALIDPARAMS;  // a viewport serves one device
  m_Viewports.emplace_back(ours);
  ours->SetOwner(this);
  return D3D_OK;
}

HRESULT Device::DeleteViewport(IDirect3DViewport3* viewport) {
  if (HRESULT hr = Hook("IDirect3DDevice3::DeleteViewport", [&] { return Args(viewport); });
      FAILED(hr))
    return hr;
  Viewport* ours = Unwrap<Viewport>(viewport);
  if (!ours) return DDERR_INVALIDPARAMS;
  if (ours->Owner() != this) return D3DERR_VIEWPORTHASNODEVICE;
  if (m_Current == ours) m_Current = nullptr;
  ours->SetOwner(nullptr);
  std::erase_if(m_Viewports, [&](const ComRef<Viewport>& v) { return v.Get() == ours; });
  return D3D_OK;
}

HRESULT Device::SetCurrentViewport(IDirect3DViewport3* viewport) {
  if (HRESULT hr = Hook("IDirect3DDevice3::SetCurrentViewport", [&] { return Args(viewport); });
      FAILED(hr))
    return hr;
  Viewport* ours = Unwrap<Viewport>(viewport);
  if (!ours) return DDERR_INVALIDPARAMS;
  if (ours->Owner() != this) return D3DERR_VIEWPORTHASNODEVICE;
  m_Current = ours;
  return D3D_OK;
}

HRESULT Device::GetCurrentViewport(IDirect3DViewport3** viewport) {
  if (HRESULT hr = Hook("IDirect3DDevice3::GetCurrentViewport"); FAILED(hr)) return hr;
  if (!viewport) return DDERR_INVALIDPARAMS;
  *viewport = nullptr;
  if (!m_Current) return D3DERR_NOCURRENTVIEWPORT;
  m_Current->Ref();
  *viewport = m_Current;
  return D3D_OK;
}

HRESULT Device::BeginScene() {
  if (HRESULT hr = Hook("IDirect3DDevice3::BeginScene"); FAILED(hr)) return hr;
  if (m_InScene) return D3DERR_SCENE_IN_SCENE;
  RefreshState();
  if (HRESULT hr = m_Pipeline->BeginScene(m_State); FAILED(hr)) return hr;
  m_InScene = true;
  return D3D_OK;
}

HRESULT Device::EndScene() {
  if (HRESULT hr = Hook("IDirect3DDevice3::EndScene"); FAILED(hr)) return hr;
  if (!m_InScene) return D3DERR_SCENE_NOT_IN_SCENE;
  // The scene ends even if the pipeline reports a failure, so the next one can begin.
  m_InScene = false;
  RefreshState();
  return m_Pipeline->EndScene(m_State);
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  if (HRESULT hr = Hook("IDirect3DDevice3::SetTransform", [&] { return Args(state, matrix); });
      FAILED(hr))
    return hr;
  if (!matrix || !IsTransform(state)) return DDERR_INVALIDPARAMS;
  D3DMATRIX& stored = state == D3DTRANSFORMSTATE_WORLD  ? m_State.world
                      : state == D3DTRANSFORMSTATE_VIEW ? m_State.view
                                                        : m_State.projection;
  const uint32_t bit = state == D3DTRANSFORMSTATE_WORLD  ? kWorldChanged
                       : state == D3DTRANSFORMSTATE_VIEW ? kViewChanged
                                                         : kProjectionChanged;
  if (std::memcmp(&stored, matrix, sizeof(D3DMATRIX)) != 0) {
    stored = *matrix;
    m_State.changed |= bit;
  }
  return D3D_OK;
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
  if (HRESULT hr = Hook("IDirect3DDevice3::GetTransform", [&] { return Args(state); }); FAILED(hr))
    return hr;
  if (!matrix || !IsTransform(state)) return DDERR_INVALIDPARAMS;
  *matrix = state == D3DTRANSFORMSTATE_WORLD  ? m_State.world
            : state == D3DTRANSFORMSTATE_VIEW ? m_State.view
                                              : m_State.projection;
  return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if (HRESULT hr = Hook("IDirect3DDevice3::SetRenderState", [&] { return Args(state, value); });
      FAILED(hr))
    return hr;
  if (state == 0 || state >= kRenderStateCount) return DDERR_INVALIDPARAMS;
  // The legacy texture handle state binds the texture of stage 0.
  if (state == D3DRENDERSTATE_TEXTUREHANDLE) {
    Surface* texture = value ? dynamic_cast<Surface*>(ObjectFor(value)) : nullptr;
    if (value && !texture) return DDERR_INVALIDPARAMS;
    BindTexture(0, texture);
  }
  if (m_State.renderStates[state] != value) {
    m_State.renderStates[state] = value;
    m_State.changed |= kRenderStatesChanged;
  }
  return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
  if (HRESULT hr = Hook("IDirect3DDevice3::GetRenderState", [&] { return Args(state); });
      FAILED(hr))
    return hr;
  if (!value || state == 0 || state >= kRenderStateCount) return DDERR_INVALIDPARAMS;
  *value = m_State.renderStates[state];
  return D3D_OK;
}

HRESULT Device::SetLightState(D3DLIGHTSTATETYPE state, DWORD value) {
  if (HRESULT hr = Hook("IDirect3DDevice3::SetLightState", [&] { return Args(state, value); });
      FAILED(hr))
    return hr;
  if (state == 0 || state >= kLightStateCount) return DDERR_INVALIDPARAMS;
  if (state == D3DLIGHTSTATE_MATERIAL) {
    // A handle is good only on the device it was fetched for; 0 means no material.
    if (value && !dynamic_cast<Material*>(ObjectFor(value))) return DDERR_INVALIDPARAMS;
    m_MaterialHandle = value;
  }
  if (m_State.lightStates[state] != value) {
    m_State.lightStates[state] = value;
    m_State.changed |= state == D3DLIGHTSTATE_MATERIAL ? kMaterialChanged : kAmbientChanged;
  }
  return D3D_OK;
}

HRESULT Device::GetLightState(D3DLIGHTSTATETYPE state, DWORD* value) {
  if (HRESULT hr = Hook("IDirect3DDevice3::GetLightState", [&] { return Args(state); }); FAILED(hr))
    return hr;
  if (!value || state == 0 || state >= kLightStateCount) return DDERR_INVALIDPARAMS;
  *value = m_State.lightStates[state];
  return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) {
  if (HRESULT hr =
          Hook("IDirect3DDevice3::SetTextureStageState", [&] { return Args(stage, state, value); });
      FAILED(hr))
    return hr;
  // Values are kept as given, even ones outside the published ranges; a pipeline reads
  // what it understands.
  if (!IsStageState(stage, state)) return DDERR_INVALIDPARAMS;
  if (m_State.textureStages[stage][state] != value) {
    m_State.textureStages[stage][state] = value;
    m_State.changed |= kTextureStagesChanged;
  }
  return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* value) {
  if (HRESULT hr =
          Hook("IDirect3DDevice3::GetTextureStageState", [&] { return Args(stage, state); });
      FAILED(hr))
    return hr;
  if (!value || !IsStageState(stage, state)) return DDERR_INVALIDPARAMS;
  *value = m_State.textureStages[stage][state];
  return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DTexture2* texture) {
  if (HRESULT hr = Hook("IDirect3DDevice3::SetTexture", [&] { return Args(stage, texture); });
      FAILED(hr))
    return hr;
  if (stage >= kTextureStageCount) return DDERR_INVALIDPARAMS;
  Surface* ours = Unwrap<Surface>(texture);
  if (texture && (!ours || ours->Kind() != SurfaceKind::kTexture)) return DDERR_INVALIDPARAMS;
  return BindTexture(stage, ours);
}

HRESULT Device::BindTexture(DWORD stage, Surface* texture) {
  if (m_Textures[stage].Get() != texture) {
    m_Textures[stage] = ComRef<Surface>(texture);
    m_State.changed |= kTexturesChanged;
  }
  return D3D_OK;
}

}  // namespace dx::front
