// The DirectDraw and Direct3D objects over one child window (the picture area), the copy
// of each finished frame onto the screen, and the per-frame operations: clear, scene,
// transforms, material, lights and render states.
//
// Every operation returns a 32-bit status: 0 success, 1 a needed object or argument is
// missing, 2 and up the step or device call that failed. CreateViewport returns the
// device's own HRESULT.
#pragma once

#include <cstdint>
#include <optional>

#include "geometry/Material.h"
#include "geometry/Matrix4.h"
#include "geometry/ValueList.h"
#include "geometry/Vec.h"
#include "platform/directx/DirectX.h"
#include "render/Light.h"
#include "render/RenderStateBlock.h"

// The renderer numbers its transforms its own way; SendTransform maps them to the device's.
enum class TransformKind : int32_t {
  World = 1,
  Projection = 2,
  View = 3,
};

class Renderer {
 public:
  static constexpr size_t kMessageTextSize = 512;
  static constexpr const char* kRejectionCaption =
      "Direct3D Device does not Pass our stringent requirements!";

  Renderer();
  // Releases every device object it holds, newest first.
  ~Renderer();
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  // ---- Device and presentation
  // Builds everything over window. 0, or the failing step: 2 DirectDraw, 3 cooperative
  // level, 4 primary surface / back buffer / clipper, 5 Direct3D, 6 device choice,
  // 7 z-buffer, 8 device, 9 viewport.
  int Create(HWND window);
  int WindowMoved();
  int WindowSized();
  // Copies the back buffer onto the window's place on the screen. 1 no primary or back
  // buffer; 2 the blit failed.
  int Present();

  void UpdateRects(bool rebuildIfResized);
  int Rebuild();
  int CreateBackBuffer();
  int ReleaseBackBuffer();
  int CreateZBuffer();
  int ReleaseZBuffer();
  int AttachClipper();
  int ChooseDevice();
  int CreateDevice();
  int ReleaseDevice();
  HRESULT CreateViewport();
  int ReleaseViewport();

  // ---- Capability test (run while ChooseDevice enumerates)
  // The EnumDevices handler; context is the Renderer. Always goes on to the next device.
  static HRESULT OnEnumDevice(GUID* guid, LPSTR descriptionText, LPSTR nameText,
                              D3DDEVICEDESC* halDesc, D3DDEVICEDESC* helDesc, LPVOID context);
  // Shows each missed requirement with OK / Cancel; false once the user cancels.
  bool TestDevice(const D3DDEVICEDESC* desc);
  static const D3DDEVICEDESC* PickDesc(const D3DDEVICEDESC* kept, const D3DDEVICEDESC* candidate);

  // ---- Frame
  int Clear();
  int BeginFrame();
  int EndFrame();
  // Stores a copy of matrix (projection and view with the signs the device expects) and
  // sends it when there is a device. 1 no matrix; 2 unknown kind.
  int SetTransform(TransformKind kind, const Matrix4* matrix);
  // 1 unknown kind; 2 the device refused; 3 no device.
  int SendTransform(TransformKind kind);
  // The stored matrix, signs changed. 1 no output; 2 unknown kind.
  int GetTransform(TransformKind kind, Matrix4* out) const;
  // Uploads the material and makes it current. 1 no material or device; 2 no device
  // object; 3 no handle; 4 the device refused it.
  int SetMaterial(Material* material);

  int AddMaterial(Material* material);
  int RemoveMaterial(Material* material);
  int MaterialCount();
  Material* MaterialAt(int index);
  int ReleaseMaterialObjects();
  int UpdateMaterial(Material* material);
  int CreateMaterialObject(Material* material);
  int ReleaseMaterialObject(Material* material);
  int FillMaterial(const Material* material, D3DMATERIAL* out) const;

  // ---- Lights (listed, not owned)
  int AddLight(Light* light);
  int RemoveLight(Light* light);
  int LightCount();
  Light* LightAt(int index);
  int UpdateLights();
  int ReleaseLightObjects();
  // 0 sent or current; 1 no light; 2 its object could not be made or attached; 3 SetLight
  // failed; 4 still no object.
  int UpdateLight(Light* light);
  int UpdateAmbient(Light* light);
  int CreateLightObject(Light* light);
  int ReleaseLightObject(Light* light);
  int FillLight(const Light* light, D3DLIGHT2* out) const;

  // ---- Render states: sends what the request changes. 1 no request or no device.
  int ApplyStates(const RenderStateBlock* request);

  HWND m_Window = nullptr;
  IDirectDraw* m_DirectDraw = nullptr;
  IDirectDraw4* m_DirectDraw4 = nullptr;
  IDirect3D3* m_Direct3D = nullptr;
  IDirectDrawSurface4* m_Primary = nullptr;
  IDirectDrawSurface4* m_BackBuffer = nullptr;
  IDirectDrawSurface4* m_ZBuffer = nullptr;
  DDPIXELFORMAT m_ZFormat{};
  uint8_t m_ZFormatFound = 0;
  DWORD m_ZDepthWanted = 16;
  std::optional<GUID> m_HalGuid;
  D3DDEVICEDESC m_HalDesc{};
  std::optional<GUID> m_HelGuid;
  D3DDEVICEDESC m_HelDesc{};
  std::optional<GUID> m_DeviceGuid;
  D3DDEVICEDESC m_DeviceDesc{};
  IDirect3DDevice3* m_Device = nullptr;
  IDirect3DViewport3* m_Viewport = nullptr;
  RECT m_ScreenRect{};
  RECT m_ClientRect{};
  Matrix4 m_World{};
  Matrix4 m_Projection{};
  Matrix4 m_View{};
  // Caption of the capability boxes: the description text of the device under test. It
  // points into the enumeration's own text, so it is cleared once enumeration ends.
  const char* m_MessageTitle = nullptr;
  char m_MessageText[kMessageTextSize]{};
  ValueList m_Lights;
  ValueList m_Materials;
  RenderStateBlock m_AppliedStates;
  Vec3 m_Background{};

 private:
  static HRESULT OnEnumZFormat(DDPIXELFORMAT* format, LPVOID context);
  void SetMessageText(const char* text);
};
