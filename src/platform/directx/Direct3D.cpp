// The Direct3D side of the DirectDraw object: device enumeration from the drivers of
// dx::System in their order, z-buffer formats in the order each driver offers them, and
// creation of devices, viewports, lights, materials and vertex buffers.
// Not implemented: FindDevice, EvictManagedTextures, aggregation (outer objects).
#include <new>

#include "platform/directx/Front.h"

namespace dx::front {

namespace {
constexpr DWORD kMaxVertices = 0xFFFF;  // the most that 16-bit indices can reach

// Callers get a copy of each text they may write into, as the callback takes LPSTR.
std::vector<char> Writable(const std::string& text) {
  return std::vector<char>(text.c_str(), text.c_str() + text.size() + 1);
}
}  // namespace

std::shared_ptr<DeviceDriver> DirectDrawObject::FindDriver(const GUID& guid) const {
  for (const auto& driver : Sys().devices) {
    if (driver && IsEqualGUID(driver->Guid(), guid)) return driver;
  }
  return nullptr;
}

HRESULT DirectDrawObject::EnumDevices(LPD3DENUMDEVICESCALLBACK callback, LPVOID context) {
  if (HRESULT hr = Hook("IDirect3D3::EnumDevices"); FAILED(hr)) return hr;
  if (!callback) return DDERR_INVALIDPARAMS;
  // A copy, so a callback that changes the system does not pull the list away under us.
  const std::vector<std::shared_ptr<DeviceDriver>> drivers = Sys().devices;
  for (const auto& driver : drivers) {
    if (!driver) continue;
    GUID guid = driver->Guid();
    std::vector<char> description = Writable(driver->Description());
    std::vector<char> name = Writable(driver->Name());
    D3DDEVICEDESC hardware{}, software{};
    hardware.dwSize = software.dwSize = kD3DDeviceDescSize;
    driver->Describe(hardware, software);
    if (callback(&guid, description.data(), name.data(), &hardware, &software, context) ==
        D3DENUMRET_CANCEL)
      break;
  }
  return D3D_OK;
}

HRESULT DirectDrawObject::EnumZBufferFormats(REFCLSID device,
                                             LPD3DENUMPIXELFORMATSCALLBACK callback,
                                             LPVOID context) {
  if (HRESULT hr = Hook("IDirect3D3::EnumZBufferFormats", [&] { return Args(device); }); FAILED(hr))
    return hr;
  if (!callback) return DDERR_INVALIDPARAMS;
  const std::shared_ptr<DeviceDriver> driver = FindDriver(device);
  if (!driver) return D3DERR_INVALID_DEVICE;
  for (DDPIXELFORMAT format : driver->ZBufferFormats()) {
    if (callback(&format, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

HRESULT DirectDrawObject::CreateDevice(REFCLSID guid, IDirectDrawSurface4* target,
                                       IDirect3DDevice3** device, IUnknown* outer) {
  if (HRESULT hr = Hook("IDirect3D3::CreateDevice", [&] { return Args(guid, target, outer); });
      FAILED(hr))
    return hr;
  if (!device) return DDERR_INVALIDPARAMS;
  *device = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  const std::shared_ptr<DeviceDriver> driver = FindDriver(guid);
  if (!driver) return D3DERR_INVALID_DEVICE;
  Surface* surface = Unwrap<Surface>(target);
  if (!surface || !surface->IsRenderTarget()) return DDERR_INVALIDPARAMS;
  HRESULT hr = D3D_OK;
  ComRef<Device> created = Device::Create(SharedSys(), driver, *surface, hr);
  if (!created) return FAILED(hr) ? hr : D3DERR_INITFAILED;
  *device = created.Detach();
  return D3D_OK;
}

HRESULT DirectDrawObject::CreateViewport(IDirect3DViewport3** viewport, IUnknown* outer) {
  if (HRESULT hr = Hook("IDirect3D3::CreateViewport", [&] { return Args(outer); }); FAILED(hr))
    return hr;
  if (!viewport) return DDERR_INVALIDPARAMS;
  *viewport = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  ComRef<Viewport> created(new Viewport(SharedSys()));
  *viewport = created.Detach();
  return D3D_OK;
}

HRESULT DirectDrawObject::CreateLight(IDirect3DLight** light, IUnknown* outer) {
  if (HRESULT hr = Hook("IDirect3D3::CreateLight", [&] { return Args(outer); }); FAILED(hr))
    return hr;
  if (!light) return DDERR_INVALIDPARAMS;
  *light = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  ComRef<Light> created(new Light(SharedSys()));
  *light = created.Detach();
  return D3D_OK;
}

HRESULT DirectDrawObject::CreateMaterial(IDirect3DMaterial3** material, IUnknown* outer) {
  if (HRESULT hr = Hook("IDirect3D3::CreateMaterial", [&] { return Args(outer); }); FAILED(hr))
    return hr;
  if (!material) return DDERR_INVALIDPARAMS;
  *material = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  ComRef<Material> created(new Material(SharedSys()));
  *material = created.Detach();
  return D3D_OK;
}

HRESULT DirectDrawObject::CreateVertexBuffer(D3DVERTEXBUFFERDESC* desc,
                                             IDirect3DVertexBuffer** buffer, DWORD flags,
                                             IUnknown* outer) {
  if (HRESULT hr = Hook("IDirect3D3::CreateVertexBuffer", [&] { return Args(desc, flags, outer); });
      FAILED(hr))
    return hr;
  if (!desc || !buffer || desc->dwSize != sizeof(D3DVERTEXBUFFERDESC)) return DDERR_INVALIDPARAMS;
  *buffer = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  if (!IsSupportedFvf(desc->dwFVF)) return D3DERR_INVALIDVERTEXFORMAT;
  if (desc->dwNumVertices == 0 || desc->dwNumVertices > kMaxVertices) return DDERR_INVALIDPARAMS;
  try {
    ComRef<VertexBuffer> created(new VertexBuffer(SharedSys(), *desc));
    *buffer = created.Detach();
  } catch (const std::bad_alloc&) {
    return DDERR_OUTOFMEMORY;
  }
  return D3D_OK;
}

}  // namespace dx::front
