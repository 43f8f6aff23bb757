// The OpenGL device as the front enumerates it: its GUID and texts, an honest description
// of what it implements, its z-buffer formats, and pipeline creation.
#include <algorithm>

#include "platform/directx/DeviceDescription.h"
#include "platform/directx/opengl/GlContext.h"
#include "platform/directx/opengl/GlPipeline.h"
#include "platform/directx/opengl/GlPrograms.h"
#include "platform/directx/opengl/OpenGLDevice.h"

namespace dx::opengl {

// {755E2962-9795-4BB2-B166-EA869062C064}
const GUID kOpenGLDeviceGuid = {
    0x755E2962, 0x9795, 0x4BB2, {0xB1, 0x66, 0xEA, 0x86, 0x90, 0x62, 0xC0, 0x64}};

void DescribeOpenGLDevice(bool hardwareDevice, DWORD zBufferDepths, DWORD maxTextureSize,
                          D3DDEVICEDESC& hardware, D3DDEVICEDESC& software) {
  DeviceTraits traits;
  traits.hardware = hardwareDevice;
  traits.maxActiveLights = static_cast<DWORD>(kMaxLights);
  traits.zBufferBitDepths = zBufferDepths;
  traits.maxTextureSize = std::min<DWORD>(maxTextureSize, 65536);
  traits.texCoordSets = 8;  // up to eight texture coordinate sets in a vertex
  DescribeDevice(traits, hardware, software);
}

OpenGLDriver::OpenGLDriver(std::shared_ptr<GlContext> context)
    : m_Context(std::move(context)), m_Profile(std::make_shared<OpenGLProfile>()) {}

bool OpenGLDriver::IsHardware() const {
  return !m_Context->Info().software;
}

const OpenGLInfo& OpenGLDriver::Info() const {
  return m_Context->Info();
}

const GUID& OpenGLDriver::Guid() const {
  return IsHardware() ? IID_IDirect3DHALDevice : kOpenGLDeviceGuid;
}

std::string OpenGLDriver::Description() const {
  return std::string(IsHardware() ? "OpenGL hardware device on " : "OpenGL software device on ") +
         m_Context->Info().renderer;
}

std::string OpenGLDriver::Name() const {
  return "Quennet OpenGL device";
}

void OpenGLDriver::Describe(D3DDEVICEDESC& hardware, D3DDEVICEDESC& software) const {
  const GlFeatures& f = m_Context->Features();
  DescribeOpenGLDevice(IsHardware(), f.depthBitDepths, static_cast<DWORD>(f.maxTextureSize),
                       hardware, software);
}

std::vector<DDPIXELFORMAT> OpenGLDriver::ZBufferFormats() const {
  return DepthBufferFormats(m_Context->Features().depthBitDepths);
}

std::unique_ptr<Pipeline> OpenGLDriver::CreatePipeline(SurfaceData& target, HRESULT& hr) {
  m_LastError.clear();
  std::unique_ptr<Pipeline> pipeline =
      GlPipeline::Create(m_Context, m_Profile, target, hr, m_LastError);
  return pipeline;
}

std::shared_ptr<DeviceDriver> MakeOpenGLDriver(std::string* reason, const OpenGLOptions& options) {
  std::string why;
  std::shared_ptr<GlContext> context = GlContext::Create(why, options);
  if (!context) {
    if (reason) *reason = why;
    return nullptr;
  }
  return std::make_shared<OpenGLDriver>(std::move(context));
}

OpenGLInfo ProbeOpenGL() {
  std::string why;
  std::shared_ptr<GlContext> context = GlContext::Create(why, OpenGLOptions{});
  if (!context) {
    OpenGLInfo info;
    info.reason = why;
    return info;
  }
  return context->Info();
}

bool IsSoftwareRenderer() {
  const OpenGLInfo info = ProbeOpenGL();
  return info.available && info.software;
}

std::shared_ptr<System> MakeOpenGLOnlySystem(std::string* reason) {
  std::shared_ptr<DeviceDriver> driver = MakeOpenGLDriver(reason);
  if (!driver) return nullptr;
  auto system = std::make_shared<System>();
  system->devices.push_back(std::move(driver));
  return system;
}

}  // namespace dx::opengl
