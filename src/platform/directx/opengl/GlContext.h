// One OpenGL context made through EGL without any window: the surfaceless platform where
// Mesa offers it, an EGL device, or the default display. Every pipeline of one driver
// shares it, and so do the OpenGL objects hung on the front's surfaces and buffers.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <unordered_set>

#include "platform/directx/opengl/GlApi.h"
#include "platform/directx/opengl/GlPrograms.h"
#include "platform/directx/opengl/OpenGLDevice.h"

namespace dx::opengl {

// What a context supports beyond OpenGL 3.3, read once when it is made.
struct GlFeatures {
  int major = 0;
  int minor = 0;
  bool clipControl = false;  // glClipControl: Direct3D's depth range 0..w
  // The picture's top row goes in OpenGL's row 0: with it, OpenGL's tie rule for pixel
  // centres on an edge is Direct3D's top-left rule (found out by ProbeFillRule).
  bool topRowFirst = true;
  int maxTextureSize = 0;
  DWORD depthBitDepths = 0;  // DDBD_ mask of the depth formats a framebuffer accepts
  GLenum depth32Format = 0;  // GL_DEPTH_COMPONENT32 where it renders, else 32F
};

class GlContext {
 public:
  // The context of the best platform this machine offers: one on a graphics processor if
  // any platform gives one, else the first that works. nullptr with the reason.
  static std::shared_ptr<GlContext> Create(std::string& reason, const OpenGLOptions& options);
  ~GlContext();
  GlContext(const GlContext&) = delete;
  GlContext& operator=(const GlContext&) = delete;

  // Makes the context current on this thread (a no-op when it already is).
  bool MakeCurrent();

  const OpenGLInfo& Info() const { return m_Info; }
  const GlFeatures& Features() const { return m_Features; }
  GlProgramCache& Programs() { return m_Programs; }
  // The internal format of a depth buffer of that many bits, or 0.
  GLenum DepthFormat(DWORD bits) const;

  // Objects this context hangs on the front's data (SurfaceData::deviceData and
  // VertexBufferData::deviceData) register here, so a pointer left there by someone else
  // is recognised and never cast.
  void Register(const void* object) { m_Objects.insert(object); }
  void Unregister(const void* object) { m_Objects.erase(object); }
  bool Owns(const void* object) const { return object && m_Objects.count(object) != 0; }

 private:
  GlContext() = default;
  bool ReadFeatures(const OpenGLOptions& options, std::string& reason);
  // Draws a triangle whose edges pass through pixel centres in each orientation and keeps
  // the one that covers the pixels Direct3D's top-left rule covers.
  void ProbeFillRule();

  void* m_Display = nullptr;  // EGLDisplay
  void* m_Context = nullptr;  // EGLContext
  void* m_Surface = nullptr;  // EGLSurface: a 1 × 1 pbuffer where surfaceless is missing
  OpenGLInfo m_Info;
  GlFeatures m_Features;
  GlProgramCache m_Programs;
  std::unordered_set<const void*> m_Objects;
};

// Whether a GL_RENDERER string names a software renderer.
bool IsSoftwareRendererName(const std::string& renderer);

}  // namespace dx::opengl
