// The program's resources, handed to the window framework at start: its dialog templates
// and its icon. Everything that makes the program's windows calls this first.
#pragma once

namespace resources {

// Registers the templates and the icon; calling it again changes nothing.
void RegisterResources();

}  // namespace resources
