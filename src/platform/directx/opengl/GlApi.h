// OpenGL declarations for the OpenGL device's own files: the core profile through the
// vendor-neutral libOpenGL, which exports every core entry point. Nothing outside
// src/platform/directx/opengl/ includes this.
#pragma once

#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/glcorearb.h>
