// Icons as resources of the program: it registers each icon at start with one picture a
// size, named by its path in the Qt resource system (":/prefix/name.png"), which the
// program's build compiles in. So the framework holds no icon of its own, and the program
// includes no Qt header to hand its pictures over.
#pragma once

#include <span>

#include "platform/WinTypes.h"

// Makes icon id known with the given pictures; LoadIcon then gives one shared handle for it.
// Register before the first LoadIcon of the id.
void RegisterIcon(UINT id, std::span<const char* const> picturePaths);
