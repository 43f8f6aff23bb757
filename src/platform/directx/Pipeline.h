// The seam between the shared DirectX front and a device. The front owns every object
// and all state (surfaces, buffers, render/light/texture states, transforms, lights,
// materials, viewport); a device supplies only its pipeline: transform and lighting,
// rasterisation, clear, and the copy of a finished image to a window.
//
// Setters in the front mark state changed in DrawState::changed; a device uploads what
// changed once, just before the next draw, and the front then clears the bits.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/directx/DirectX.h"
#include "platform/directx/PendingClear.h"
#include "platform/directx/SurfaceBits.h"

namespace dx {

// Pixel storage of one surface, owned by the front. Render targets are 32-bit
// 0xAARRGGBB; z-buffers hold 16-, 24- (in 32-bit words) or 32-bit depth values scaled to
// the full integer range; textures are 32-bit ARGB or 16-bit RGB 565.
struct SurfaceData {
  DWORD caps = 0;  // DDSCAPS_*
  int width = 0;
  int height = 0;
  DDPIXELFORMAT format{};
  int pitch = 0;  // bytes per row
  // A window may be showing them (SurfaceBits::Share): write only through non-const calls.
  SurfaceBits bits;
  // Bumped whenever the CPU copy changes (Lock/Unlock, Clear by the front) so a device that
  // mirrors the surface elsewhere knows to refresh it.
  uint32_t version = 0;
  // A device may hang its own object here (for example a GL texture or framebuffer).
  std::shared_ptr<void> deviceData;
  // Tiles a fast clear marked but did not write: whoever reads or writes bits directly fills
  // them first (pending.FillAll, or Fill for a part).
  PendingClear pending;
  // Every pixel's alpha is 0xFF, so that a window may show the bits as they are: set by a
  // device's clear of a whole target without alpha, which its drawing keeps so; cleared by
  // anything else that writes them.
  bool opaque = false;
};

// Fills every pending tile of s, for raw access to its bits.
inline void FillPending(SurfaceData& s) {
  if (s.pending.Any()) s.pending.FillAll(s.bits.data(), s.pitch);
}

// Vertex storage of one vertex buffer, owned by the front.
struct VertexBufferData {
  DWORD fvf = 0;
  DWORD numVertices = 0;
  DWORD stride = 0;
  std::vector<uint8_t> bytes;
  uint32_t version = 0;  // bumped at every Unlock
  std::shared_ptr<void> deviceData;
};

// Bits of DrawState::changed.
enum StateBits : uint32_t {
  kWorldChanged = 1u << 0,
  kViewChanged = 1u << 1,
  kProjectionChanged = 1u << 2,
  kRenderStatesChanged = 1u << 3,
  kLightsChanged = 1u << 4,
  kMaterialChanged = 1u << 5,
  kAmbientChanged = 1u << 6,
  kViewportChanged = 1u << 7,
  kTextureStagesChanged = 1u << 8,
  kTexturesChanged = 1u << 9,
  kTargetsChanged = 1u << 10,
  kAllChanged = 0xFFFFFFFFu,
};

// Everything a device needs to draw, as the front last set it. The front refreshes the
// pointers (target, z-buffer, textures), the viewport, the active lights and the material
// before every pipeline call, so they are good for that call only. Only the front clears
// `changed`, after a Draw that succeeded; a failed Draw keeps the marks for the next one.
struct DrawState {
  D3DMATRIX world{};
  D3DMATRIX view{};
  D3DMATRIX projection{};
  DWORD renderStates[kRenderStateCount]{};
  DWORD lightStates[kLightStateCount]{};  // [D3DLIGHTSTATE_AMBIENT] is the ambient colour
  bool hasMaterial = false;
  D3DMATERIAL material{};         // the material whose handle is set in D3DLIGHTSTATE_MATERIAL
  std::vector<D3DLIGHT2> lights;  // active lights attached to the current viewport, in order
  bool hasViewport = false;
  D3DVIEWPORT2 viewport{};
  DWORD textureStages[kTextureStageCount][kTextureStageStateCount]{};
  SurfaceData* textures[kTextureStageCount]{};  // null: no texture on that stage
  SurfaceData* target = nullptr;
  SurfaceData* zbuffer = nullptr;  // null: no z-buffer attached to the target
  uint32_t changed = kAllChanged;
};

// One draw call. Vertices follow the flexible vertex format fvf with the given stride.
struct DrawCall {
  D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
  DWORD fvf = 0;
  const uint8_t* vertices = nullptr;
  DWORD stride = 0;
  DWORD vertexCount = 0;
  const WORD* indices = nullptr;  // null for a non-indexed draw
  DWORD indexCount = 0;
  VertexBufferData* buffer = nullptr;  // set when drawing from a vertex buffer
};

class Pipeline {
 public:
  virtual ~Pipeline() = default;
  // Clears the rectangles of the state's target and/or z-buffer (D3DCLEAR_* flags).
  virtual HRESULT Clear(DrawState& state, const D3DRECT* rects, DWORD count, DWORD flags,
                        D3DCOLOR colour, D3DVALUE z) = 0;
  virtual HRESULT BeginScene(DrawState& /*state*/) { return D3D_OK; }
  virtual HRESULT EndScene(DrawState& /*state*/) { return D3D_OK; }
  // Transforms, lights and rasterises one call with the current state.
  virtual HRESULT Draw(DrawState& state, const DrawCall& call) = 0;
  // Copies src of a finished render target to the window at dst (client coordinates),
  // clipped to the window. A device that renders elsewhere than target->bits brings the
  // image back first.
  virtual HRESULT Present(SurfaceData& target, const RECT& src, HWND window, POINT dst) = 0;
  // The most threads the device may draw with (System::threads), set once it is made. Every
  // call still returns with all its work done, and the pixels are those of one thread.
  virtual void SetThreads(unsigned /*threads*/) {}
};

// A device the front can enumerate and create.
class DeviceDriver {
 public:
  virtual ~DeviceDriver() = default;
  virtual const GUID& Guid() const = 0;
  virtual std::string Description() const = 0;
  virtual std::string Name() const = 0;
  // Fills the hardware and software descriptions (dwSize 252); a software device leaves
  // the hardware description with colour model 0.
  virtual void Describe(D3DDEVICEDESC& hardware, D3DDEVICEDESC& software) const = 0;
  // Z-buffer formats in the order the device offers them.
  virtual std::vector<DDPIXELFORMAT> ZBufferFormats() const = 0;
  // Creates the pipeline that draws into target; nullptr with a failure code in hr.
  virtual std::unique_ptr<Pipeline> CreatePipeline(SurfaceData& target, HRESULT& hr) = 0;
};

// Observes and may fail every call made through the interfaces (the test driver's hook).
// name is "Interface::Method"; args is a short text of the arguments.
class CallHook {
 public:
  virtual ~CallHook() = default;
  // Returns S_OK to let the call proceed, or the failure code the call must return.
  virtual HRESULT OnCall(const char* name, const std::string& args) = 0;
};

// Two when the machine has more than one core, else one.
unsigned DefaultThreads();

// What the machine offers DirectDrawCreate: its devices in enumeration order, the display
// mode, and an optional call hook.
struct System {
  std::vector<std::shared_ptr<DeviceDriver>> devices;
  DWORD displayBitsPerPixel = 32;
  SIZE displaySize{1920, 1080};
  CallHook* hook = nullptr;
  // Whether the surfaces made in this system take clears of their whole area as fast clears
  // (PendingClear.h); off, every clear writes its pixels (for tests and comparisons).
  bool fastClears = true;
  // The most threads a device of this system may draw with: two where the machine has a
  // second core, else one (for tests and comparisons, one).
  unsigned threads = DefaultThreads();
};

// The system DirectDrawCreate uses. It starts empty; programs install the machine's
// devices at start (dx::InstallDefaultDevices, in the devices library: the software
// device, and the OpenGL device where one can be made) and tests install their own.
System& CurrentSystem();
void SetSystem(std::shared_ptr<System> system);
// The installed system itself (an empty one when nothing was installed), so that a caller
// can put it back later; objects made by DirectDrawCreate keep the system they were made in.
std::shared_ptr<System> SharedSystem();

}  // namespace dx
