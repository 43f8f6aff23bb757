// The desktop program. It takes no arguments: every parameter starts from its default.
#include "app/TorusApp.h"
#include "platform/directx/devices/Devices.h"
#include "resources/Resources.h"

// The one application object, made before the framework's entry runs.
CTorusApp theApp;

int main(int argc, char** argv) {
  dx::InstallDefaultDevices();
  resources::RegisterResources();
  return AfxWinMain(argc, argv);
}
