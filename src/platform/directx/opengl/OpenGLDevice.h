// The OpenGL device: the front's pipeline drawn by OpenGL 3.3 (core profile) into an
// off-screen framebuffer made through EGL, so it needs no display and runs headless.
//
// Where the OpenGL implementation runs on a graphics processor the device is enumerated as
// the hardware device (IID_IDirect3DHALDevice, hardware description filled). Where OpenGL is
// itself a software renderer (Mesa's llvmpipe or softpipe, as under Xvfb or on a machine
// without a graphics processor) it is enumerated honestly as a software device under its
// own GUID, and should be listed after the project's own rasteriser.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/directx/Pipeline.h"

namespace dx::opengl {

// "Quennet OpenGL device": the GUID the device uses when it is a software device.
extern const GUID kOpenGLDeviceGuid;

// What EGL and OpenGL offer on this machine.
struct OpenGLInfo {
  bool available = false;  // a suitable context could be made
  bool software = false;   // the OpenGL implementation is a software renderer
  std::string renderer;    // GL_RENDERER
  std::string version;     // GL_VERSION
  std::string platform;    // the EGL platform the context was made on
  std::string reason;      // why no context could be made (empty when available)
};

// Where a pipeline's time goes, summed until Reset. Measured only while `enabled`; then each
// phase waits for OpenGL to finish (glFinish), so the time of a phase is its own and not
// that of the work OpenGL queued before it.
struct OpenGLProfile {
  bool enabled = false;
  double clearSeconds = 0.0;     // clears
  double uploadSeconds = 0.0;    // vertices, indices, textures, uniforms, state
  double drawSeconds = 0.0;      // draw calls and the rasterisation they cause
  double readbackSeconds = 0.0;  // the picture copied back into the surface
  double presentSeconds = 0.0;   // the hand-over to the window
  uint64_t draws = 0;
  uint64_t readbacks = 0;
  void Reset() { *this = OpenGLProfile{enabled}; }
};

class GlContext;

class OpenGLDriver final : public DeviceDriver {
 public:
  explicit OpenGLDriver(std::shared_ptr<GlContext> context);
  const GUID& Guid() const override;
  std::string Description() const override;
  std::string Name() const override;
  void Describe(D3DDEVICEDESC& hardware, D3DDEVICEDESC& software) const override;
  std::vector<DDPIXELFORMAT> ZBufferFormats() const override;
  std::unique_ptr<Pipeline> CreatePipeline(SurfaceData& target, HRESULT& hr) override;

  // A hardware device: OpenGL runs on a graphics processor.
  bool IsHardware() const;
  const OpenGLInfo& Info() const;
  // Shared by every pipeline this driver makes.
  OpenGLProfile& Profile() { return *m_Profile; }
  // Why the last CreatePipeline failed (the driver's shader log included), or empty.
  const std::string& LastError() const { return m_LastError; }

 private:
  std::shared_ptr<GlContext> m_Context;
  std::shared_ptr<OpenGLProfile> m_Profile;
  std::string m_LastError;
};

// Choices for the context, for tests and diagnosis.
struct OpenGLOptions {
  // Take Direct3D's depth range through glClipControl where OpenGL offers it. Off: the
  // shader remaps depth itself, as on a plain OpenGL 3.3.
  bool useClipControl = true;
};

// The device, or nullptr when no OpenGL context of a suitable version can be made; then
// *reason (if given) says why.
std::shared_ptr<DeviceDriver> MakeOpenGLDriver(std::string* reason = nullptr,
                                               const OpenGLOptions& options = {});

// Makes a context, reads what it is, and lets it go again.
OpenGLInfo ProbeOpenGL();
bool IsSoftwareRenderer();

// The description of the OpenGL device. A hardware device fills `hardware` and leaves
// colour model 0 in `software`; a software device does the reverse. zBufferDepths is the
// DDBD_ mask of the depth formats the device offers; maxTextureSize comes from OpenGL.
void DescribeOpenGLDevice(bool hardwareDevice, DWORD zBufferDepths, DWORD maxTextureSize,
                          D3DDEVICEDESC& hardware, D3DDEVICEDESC& software);

// A system whose only device is the OpenGL one (as `quennet-render --device opengl` asks),
// or nullptr with *reason when none can be made.
std::shared_ptr<System> MakeOpenGLOnlySystem(std::string* reason = nullptr);

}  // namespace dx::opengl
