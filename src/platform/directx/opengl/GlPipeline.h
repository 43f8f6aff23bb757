// The OpenGL device's pipeline: clears and draws into an off-screen framebuffer the size of
// the render target (its colour in an RGBA8 texture, its depth in the attached z-buffer's
// depth texture), reads the picture back into the surface when a scene ends, and hands it
// to the window through the framework's PresentImage.
//
// Implemented: point, line and triangle lists, strips and fans, indexed or not, from vertex
// buffers (kept as OpenGL buffers) or from memory; the render states of the render-state
// block (cull none/CW/CCW, point/wireframe/solid fill, z test, write and every comparison,
// z bias, alpha blending with every blend factor, specular, flat/Gouraud), alpha test, two
// texture stages with point/linear filters, mip maps and wrap/mirror/clamp addressing.
// Not implemented: fog, stencil, dithering, anti-aliasing, stippling; lines leave out their
// last pixel (OpenGL's rule) whatever D3DRENDERSTATE_LASTPIXEL says. The z-buffer's memory
// copy is uploaded after a Lock but never read back.
#pragma once

#include <memory>
#include <string>

#include "platform/directx/DeviceHelpers.h"
#include "platform/directx/Pipeline.h"
#include "platform/directx/opengl/GlContext.h"
#include "platform/directx/opengl/GlFrame.h"
#include "platform/directx/opengl/OpenGLDevice.h"

namespace dx::opengl {

class GlPipeline final : public Pipeline {
 public:
  // A pipeline drawing into target (32-bit); nullptr with the failure in hr and error.
  static std::unique_ptr<GlPipeline> Create(std::shared_ptr<GlContext> context,
                                            std::shared_ptr<OpenGLProfile> profile,
                                            SurfaceData& target, HRESULT& hr, std::string& error);
  ~GlPipeline() override;

  HRESULT Clear(DrawState& state, const D3DRECT* rects, DWORD count, DWORD flags, D3DCOLOR colour,
                D3DVALUE z) override;
  HRESULT EndScene(DrawState& state) override;
  HRESULT Draw(DrawState& state, const DrawCall& call) override;
  HRESULT Present(SurfaceData& target, const RECT& src, HWND window, POINT dst) override;

  // The last failure's text (shader logs included), empty after success.
  const std::string& LastError() const { return m_LastError; }

 private:
  GlPipeline(std::shared_ptr<GlContext> context, std::shared_ptr<OpenGLProfile> profile,
             SurfaceData& target);
  HRESULT Init(std::string& error);
  // Makes the context current, brings the colour copy (and, when the call uses it, the
  // depth copy) up to date and binds the framebuffer.
  HRESULT Bind(DrawState& state, bool depthUsed);
  HRESULT UploadColour();
  HRESULT ReadBack();
  HRESULT BindVertices(const DrawCall& call, const VertexLayout& layout, const StageSetup& stages);
  HRESULT BindTextures(const DrawState& state, const StageSetup& stages);
  void ApplyRasterState(const DrawState& state, const ViewportMapping& view);
  HRESULT Fail(HRESULT hr, std::string text);
  // Limits drawing to the picture's pixels [x0, x1) × [y0, y1) (rows from the top).
  void SetScissor(int x0, int y0, int x1, int y1);
  bool TopRowFirst() const { return m_Context->Features().topRowFirst; }
  // The first OpenGL row of the picture's rows [top, bottom).
  GLint GlRow(int top, int bottom) const { return TopRowFirst() ? top : m_Target->height - bottom; }

  std::shared_ptr<GlContext> m_Context;
  std::shared_ptr<OpenGLProfile> m_Profile;
  SurfaceData* m_Target;
  bool m_TargetHasAlpha = false;
  GLuint m_Framebuffer = 0;
  GLuint m_Colour = 0;
  GLuint m_VertexArray = 0;
  GLuint m_Uniforms = 0;
  GLuint m_StreamVertices = 0;  // vertices drawn from memory
  GLuint m_Indices = 0;
  GLuint m_Samplers[kTextureStageCount]{};
  GLuint m_DepthAttached = 0;         // the depth texture attached to the framebuffer
  std::shared_ptr<void> m_DepthCopy;  // and the z-buffer copy that owns it
  // The surface version the colour texture holds, and whether OpenGL drew since the last
  // read-back (then the texture is newer than the surface's bits).
  uint32_t m_ColourVersion = 0;
  bool m_ColourFilled = false;
  bool m_DrawnSinceReadBack = false;
  PresentScratch m_PresentScratch;
  FrameBlock m_Block{};
  std::string m_LastError;
};

}  // namespace dx::opengl
