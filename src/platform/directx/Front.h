// The objects behind the DirectX interfaces, shared by every device: the DirectDraw object
// (which is also the Direct3D object), surfaces, the clipper, the device with its state,
// viewports, lights, materials and vertex buffers. A device driver only supplies the
// Pipeline that draws; everything here is done once for all of them.
//
// Who holds whom (each arrow one reference): device -> target surface, device -> added
// viewports, device -> textures set on it, surface -> attached z-buffer, surface ->
// clipper, viewport -> attached lights. Back-links (viewport -> device, light -> viewport,
// z-buffer -> target) are plain pointers cleared by the holder when it lets go.
#pragma once

#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/directx/Com.h"

namespace dx::front {

class Clipper;
class Device;
class Light;
class Material;
class Surface;
class Viewport;

// 12 bytes of position, 12 of normal, 4 each of diffuse and specular, 8 per texture set.
DWORD FvfStride(DWORD fvf);
// Untransformed positions with any of normal, diffuse, specular and up to 8 2-D texture
// sets; everything else is refused.
bool IsSupportedFvf(DWORD fvf);
// dwSize of a surface description: the published 124 or this build's own size.
bool IsSurfaceDescSize(DWORD size);

class DirectDrawObject final : public ComObject,
                               public ComFace<DirectDrawObject, IDirectDraw>,
                               public ComFace<DirectDrawObject, IDirectDraw4>,
                               public ComFace<DirectDrawObject, IDirect3D3> {
 public:
  explicit DirectDrawObject(std::shared_ptr<System> system);
  void* Find(REFIID riid);

  // IDirectDraw4
  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
  HRESULT CreateSurface(DDSURFACEDESC2* desc, IDirectDrawSurface4** surface,
                        IUnknown* outer) override;
  HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** clipper, IUnknown* outer) override;
  HRESULT GetDisplayMode(DDSURFACEDESC2* desc) override;

  // IDirect3D3
  HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK callback, LPVOID context) override;
  HRESULT CreateLight(IDirect3DLight** light, IUnknown* outer) override;
  HRESULT CreateMaterial(IDirect3DMaterial3** material, IUnknown* outer) override;
  HRESULT CreateViewport(IDirect3DViewport3** viewport, IUnknown* outer) override;
  HRESULT CreateDevice(REFCLSID guid, IDirectDrawSurface4* target, IDirect3DDevice3** device,
                       IUnknown* outer) override;
  HRESULT CreateVertexBuffer(D3DVERTEXBUFFERDESC* desc, IDirect3DVertexBuffer** buffer, DWORD flags,
                             IUnknown* outer) override;
  HRESULT EnumZBufferFormats(REFCLSID device, LPD3DENUMPIXELFORMATSCALLBACK callback,
                             LPVOID context) override;

 private:
  std::shared_ptr<DeviceDriver> FindDriver(const GUID& guid) const;

  HWND m_Window = nullptr;
  DWORD m_CooperativeLevel = 0;
};

enum class SurfaceKind { kPrimary, kOffscreen, kZBuffer, kTexture };

class Surface final : public ComObject,
                      public ComFace<Surface, IDirectDrawSurface4>,
                      public ComFace<Surface, IDirect3DTexture2> {
 public:
  // Validates desc and allocates the pixel storage.
  static HRESULT Create(std::shared_ptr<System> system, const DDSURFACEDESC2& desc,
                        ComRef<Surface>& out);
  void* Find(REFIID riid);

  SurfaceKind Kind() const { return m_Kind; }
  SurfaceData& Data() { return m_Data; }
  bool IsLocked() const { return m_Locked; }
  bool IsRenderTarget() const;
  // The z-buffer attached to this surface, or null.
  Surface* AttachedZBuffer() const;
  // The pipeline that shows this render target in a window: the one of the last device made
  // on it. The surface keeps it, so a finished image can still be shown after the device
  // was released.
  void SetPresenter(std::shared_ptr<Pipeline> pipeline) { m_Presenter = std::move(pipeline); }

  // IDirectDrawSurface4
  HRESULT AddAttachedSurface(IDirectDrawSurface4* surface) override;
  HRESULT DeleteAttachedSurface(DWORD flags, IDirectDrawSurface4* surface) override;
  HRESULT GetAttachedSurface(DDSCAPS2* caps, IDirectDrawSurface4** surface) override;
  HRESULT Blt(RECT* destRect, IDirectDrawSurface4* source, RECT* sourceRect, DWORD flags,
              DDBLTFX* effects) override;
  HRESULT Lock(RECT* rect, DDSURFACEDESC2* desc, DWORD flags, HANDLE event) override;
  HRESULT Unlock(RECT* rect) override;
  HRESULT GetSurfaceDesc(DDSURFACEDESC2* desc) override;
  HRESULT SetClipper(IDirectDrawClipper* clipper) override;
  HRESULT GetClipper(IDirectDrawClipper** clipper) override;
  HRESULT IsLost() override;
  HRESULT Restore() override;

  // IDirect3DTexture2
  HRESULT GetHandle(IDirect3DDevice3* device, D3DTEXTUREHANDLE* handle) override;

 protected:
  ~Surface() override;

 private:
  Surface(std::shared_ptr<System> system, SurfaceKind kind, const char* tag);
  void Describe(DDSURFACEDESC2& desc) const;
  void Detach(Surface& attached);
  HRESULT PresentTo(Surface& source, const RECT& dest, const RECT& src);

  SurfaceKind m_Kind;
  SurfaceData m_Data;
  bool m_Locked = false;
  std::vector<ComRef<Surface>> m_Attached;
  Surface* m_AttachedTo = nullptr;
  ComRef<Clipper> m_Clipper;
  std::map<uint32_t, DWORD> m_Handles;  // device id -> texture handle
  // Declared last: goes before m_Data, which it draws from.
  std::shared_ptr<Pipeline> m_Presenter;
};

class Clipper final : public ComObject, public ComFace<Clipper, IDirectDrawClipper> {
 public:
  explicit Clipper(std::shared_ptr<System> system);
  void* Find(REFIID riid);
  HWND Window() const { return m_Window; }

  HRESULT SetHWnd(DWORD flags, HWND window) override;
  HRESULT GetHWnd(HWND* window) override;

 private:
  HWND m_Window = nullptr;
};

class Light final : public ComObject, public ComFace<Light, IDirect3DLight> {
 public:
  explicit Light(std::shared_ptr<System> system);
  void* Find(REFIID riid);
  const D3DLIGHT2& Data() const { return m_Light; }
  Viewport* Owner() const { return m_Viewport; }
  void SetOwner(Viewport* viewport) { m_Viewport = viewport; }

  HRESULT SetLight(D3DLIGHT2* light) override;
  HRESULT GetLight(D3DLIGHT2* light) override;

 private:
  D3DLIGHT2 m_Light{};
  Viewport* m_Viewport = nullptr;
};

class Material final : public ComObject, public ComFace<Material, IDirect3DMaterial3> {
 public:
  explicit Material(std::shared_ptr<System> system);
  void* Find(REFIID riid);
  const D3DMATERIAL& Data() const { return m_Material; }

  HRESULT SetMaterial(D3DMATERIAL* material) override;
  HRESULT GetMaterial(D3DMATERIAL* material) override;
  HRESULT GetHandle(IDirect3DDevice3* device, D3DMATERIALHANDLE* handle) override;

 private:
  D3DMATERIAL m_Material{};
  std::map<uint32_t, DWORD> m_Handles;  // device id -> handle
};

class VertexBuffer final : public ComObject, public ComFace<VertexBuffer, IDirect3DVertexBuffer> {
 public:
  VertexBuffer(std::shared_ptr<System> system, const D3DVERTEXBUFFERDESC& desc);
  void* Find(REFIID riid);
  VertexBufferData& Data() { return m_Data; }
  bool IsLocked() const { return m_Locked; }

  HRESULT Lock(DWORD flags, LPVOID* data, DWORD* size) override;
  HRESULT Unlock() override;
  HRESULT GetVertexBufferDesc(D3DVERTEXBUFFERDESC* desc) override;

 private:
  D3DVERTEXBUFFERDESC m_Desc;
  VertexBufferData m_Data;
  bool m_Locked = false;
};

class Viewport final : public ComObject, public ComFace<Viewport, IDirect3DViewport3> {
 public:
  explicit Viewport(std::shared_ptr<System> system);
  void* Find(REFIID riid);

  Device* Owner() const { return m_Device; }
  void SetOwner(Device* device) { m_Device = device; }
  bool HasData() const { return m_HasData; }
  const D3DVIEWPORT2& Data() const { return m_Data; }
  // The attached lights whose D3DLIGHT_ACTIVE flag is set, in the order they were added.
  void ActiveLights(std::vector<D3DLIGHT2>& out) const;

  HRESULT SetViewport2(D3DVIEWPORT2* viewport) override;
  HRESULT GetViewport2(D3DVIEWPORT2* viewport) override;
  HRESULT Clear2(DWORD count, D3DRECT* rects, DWORD flags, D3DCOLOR colour, D3DVALUE z,
                 DWORD stencil) override;
  HRESULT AddLight(IDirect3DLight* light) override;
  HRESULT DeleteLight(IDirect3DLight* light) override;

 protected:
  ~Viewport() override;

 private:
  Device* m_Device = nullptr;
  bool m_HasData = false;
  D3DVIEWPORT2 m_Data{};
  std::vector<ComRef<Light>> m_Lights;
  // The clipped rectangles of the last Clear2, kept so that a clear every frame does not
  // allocate.
  std::vector<D3DRECT> m_Clipped;
};

class Device final : public ComObject, public ComFace<Device, IDirect3DDevice3> {
 public:
  // Creates the driver's pipeline on target; null with the failure code in hr.
  static ComRef<Device> Create(std::shared_ptr<System> system, std::shared_ptr<DeviceDriver> driver,
                               Surface& target, HRESULT& hr);
  void* Find(REFIID riid);

  Surface& Target() const { return *m_Target; }
  // The handle of object on this device, made on first use.
  DWORD HandleFor(ComObject& object, std::map<uint32_t, DWORD>& handles);
  // The object a handle of this device stands for, or null (unknown, other device, gone).
  ComObject* ObjectFor(DWORD handle) const;
  // Clears rects (already clipped to the target) through the pipeline.
  HRESULT ClearRects(const std::vector<D3DRECT>& rects, DWORD flags, D3DCOLOR colour, D3DVALUE z);
  void ForgetViewport(Viewport& viewport);

  HRESULT GetCaps(D3DDEVICEDESC* hardware, D3DDEVICEDESC* software) override;
  HRESULT AddViewport(IDirect3DViewport3* viewport) override;
  HRESULT DeleteViewport(IDirect3DViewport3* viewport) override;
  HRESULT SetCurrentViewport(IDirect3DViewport3* viewport) override;
  HRESULT GetCurrentViewport(IDirect3DViewport3** viewport) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT SetLightState(D3DLIGHTSTATETYPE state, DWORD value) override;
  HRESULT GetLightState(D3DLIGHTSTATETYPE state, DWORD* value) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) override;
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD* value) override;
  HRESULT SetTexture(DWORD stage, IDirect3DTexture2* texture) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD count,
                        DWORD flags) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD vertexCount,
                               WORD* indices, DWORD indexCount, DWORD flags) override;
  HRESULT DrawIndexedPrimitiveVB(D3DPRIMITIVETYPE type, IDirect3DVertexBuffer* buffer,
                                 WORD* indices, DWORD indexCount, DWORD flags) override;

 protected:
  ~Device() override;

 private:
  Device(std::shared_ptr<System> system, std::shared_ptr<DeviceDriver> driver, Surface& target);
  void SetDefaultStates();
  HRESULT BindTexture(DWORD stage, Surface* texture);
  // Brings target, z-buffer, viewport, lights, material and textures of the draw state up
  // to date and marks what differs.
  void RefreshState();
  HRESULT CheckSurfacesFree() const;
  // The checks every draw shares: scene, primitive type, vertex format.
  HRESULT CheckDraw(D3DPRIMITIVETYPE type, DWORD fvf) const;
  HRESULT Draw(const DrawCall& call);

  std::shared_ptr<DeviceDriver> m_Driver;
  ComRef<Surface> m_Target;
  std::vector<ComRef<Viewport>> m_Viewports;
  Viewport* m_Current = nullptr;
  ComRef<Surface> m_Textures[kTextureStageCount];
  uint32_t m_TextureVersions[kTextureStageCount]{};
  DWORD m_MaterialHandle = 0;
  bool m_InScene = false;
  std::unordered_map<DWORD, std::weak_ptr<ComObject*>> m_Handles;
  DrawState m_State;
  std::vector<D3DLIGHT2> m_LightScratch;
  std::shared_ptr<Pipeline> m_Pipeline;
};

}  // namespace dx::front
