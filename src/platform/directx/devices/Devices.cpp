#include "platform/directx/devices/Devices.h"

#include <memory>

#include "platform/directx/Pipeline.h"
#include "platform/directx/software/SoftwareDriver.h"

// OpenGL device: built only where the OpenGL library is part of the build.
#ifdef QUENNET_HAVE_OPENGL
#include "platform/directx/opengl/OpenGLDevice.h"
#endif

namespace dx {

void InstallDefaultDevices() {
  auto system = std::make_shared<System>();
  system->devices.push_back(software::MakeSoftwareDriver());
#ifdef QUENNET_HAVE_OPENGL
  // After the project's own device: the capability test prefers it only where it runs on
  // a graphics processor and so reports itself as the hardware device.
  if (auto driver = opengl::MakeOpenGLDriver()) system->devices.push_back(std::move(driver));
#endif
  SetSystem(std::move(system));
}

}  // namespace dx
