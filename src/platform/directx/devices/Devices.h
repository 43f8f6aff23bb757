// The machine's DirectX devices, as a program installs them at start: the software device,
// which is always there, and the OpenGL device where this build has one.
#pragma once

namespace dx {

// Builds a system holding the machine's devices in enumeration order and makes it the
// current one (SetSystem). Call once, before the first DirectDrawCreate.
void InstallDefaultDevices();

}  // namespace dx
