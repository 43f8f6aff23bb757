#include "platform/directx/opengl/GlPipeline.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/directx/DeviceHelpers.h"
#include "platform/directx/PhaseTimer.h"
#include "platform/directx/opengl/GlResources.h"
#include "platform/framework/Window.h"

namespace dx::opengl {

namespace {

// Profiled phases wait for OpenGL to finish the work they handed it.
void FinishOpenGL() {
  glFinish();
}

void DrainErrors() {
  for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

bool IsTarget32(const SurfaceData& s) {
  return s.format.dwRGBBitCount == 32 && s.width > 0 && s.height > 0 && s.pitch >= s.width * 4 &&
         s.pitch % 4 == 0 &&
         s.bits.size() >= static_cast<size_t>(s.pitch) * static_cast<size_t>(s.height);
}

const void* Offset(int bytes) {
  return reinterpret_cast<const void*>(static_cast<uintptr_t>(bytes));
}

}  // namespace

GlPipeline::GlPipeline(std::shared_ptr<GlContext> context, std::shared_ptr<OpenGLProfile> profile,
                       SurfaceData& target)
    : m_Context(std::move(context)), m_Profile(std::move(profile)), m_Target(&target) {
  m_TargetHasAlpha = (target.format.dwFlags & DDPF_ALPHAPIXELS) != 0;
}

std::unique_ptr<GlPipeline> GlPipeline::Create(std::shared_ptr<GlContext> context,
                                               std::shared_ptr<OpenGLProfile> profile,
                                               SurfaceData& target, HRESULT& hr,
                                               std::string& error) {
  if (!IsTarget32(target)) {
    hr = DDERR_INVALIDPIXELFORMAT;
    error = "the OpenGL device draws into 32-bit surfaces only";
    return nullptr;
  }
  std::unique_ptr<GlPipeline> pipeline(
      new GlPipeline(std::move(context), std::move(profile), target));
  hr = pipeline->Init(error);
  if (FAILED(hr)) return nullptr;
  return pipeline;
}

HRESULT GlPipeline::Init(std::string& error) {
  if (!m_Context->MakeCurrent()) {
    error = "the OpenGL context could not be made current";
    return D3DERR_INITFAILED;
  }
  if (m_Target->width > m_Context->Features().maxTextureSize ||
      m_Target->height > m_Context->Features().maxTextureSize) {
    error = "the surface is larger than OpenGL's largest texture";
    return DDERR_INVALIDPARAMS;
  }
  DrainErrors();
  glGenFramebuffers(1, &m_Framebuffer);
  glGenTextures(1, &m_Colour);
  glGenVertexArrays(1, &m_VertexArray);
  GLuint buffers[3] = {0, 0, 0};
  glGenBuffers(3, buffers);
  m_Uniforms = buffers[0];
  m_StreamVertices = buffers[1];
  m_Indices = buffers[2];
  glGenSamplers(kTextureStageCount, m_Samplers);

  glBindTexture(GL_TEXTURE_2D, m_Colour);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, m_Target->width, m_Target->height, 0, GL_BGRA,
               GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glBindTexture(GL_TEXTURE_2D, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, m_Framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_Colour, 0);
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  glBindBuffer(GL_UNIFORM_BUFFER, m_Uniforms);
  glBufferData(GL_UNIFORM_BUFFER, sizeof(FrameBlock), nullptr, GL_DYNAMIC_DRAW);
  if (HRESULT hr = ResultOfGlError(glGetError()); FAILED(hr)) {
    error = "OpenGL could not make the framebuffer and buffers";
    return hr;
  }
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    error = "the RGBA8 framebuffer is not complete";
    return D3DERR_INITFAILED;
  }
  // The common program is built now, so a driver that cannot compile it fails here.
  if (!m_Context->Programs().Get(0, error)) return D3DERR_INITFAILED;
  return D3D_OK;
}

GlPipeline::~GlPipeline() {
  if (!m_Context->MakeCurrent()) return;
  glDeleteSamplers(kTextureStageCount, m_Samplers);
  const GLuint buffers[3] = {m_Uniforms, m_StreamVertices, m_Indices};
  glDeleteBuffers(3, buffers);
  glDeleteVertexArrays(1, &m_VertexArray);
  glDeleteFramebuffers(1, &m_Framebuffer);
  glDeleteTextures(1, &m_Colour);
}

void GlPipeline::SetScissor(int x0, int y0, int x1, int y1) {
  // A scissor over the whole target is left off: clears and draws then take the
  // implementation's fastest paths.
  if (x0 <= 0 && y0 <= 0 && x1 >= m_Target->width && y1 >= m_Target->height) {
    glDisable(GL_SCISSOR_TEST);
    return;
  }
  glEnable(GL_SCISSOR_TEST);
  glScissor(x0, GlRow(y0, y1), x1 - x0, y1 - y0);
}

HRESULT GlPipeline::Fail(HRESULT hr, std::string text) {
  m_LastError = std::move(text);
  return hr;
}

HRESULT GlPipeline::UploadColour() {
  FillPending(*m_Target);
  const SurfaceData& t = *m_Target;
  // Rows in OpenGL's order; a target without alpha reads as opaque, so destination-alpha
  // blending sees 255 as on the software device.
  std::vector<uint32_t> rows(static_cast<size_t>(t.width) * t.height);
  const uint32_t opaque = m_TargetHasAlpha ? 0u : 0xFF000000u;
  for (int y = 0; y < t.height; ++y) {
    const uint8_t* in = t.bits.data() + static_cast<size_t>(y) * t.pitch;
    uint32_t* out = &rows[static_cast<size_t>(TopRowFirst() ? y : t.height - 1 - y) * t.width];
    std::memcpy(out, in, static_cast<size_t>(t.width) * 4);
    if (opaque) {
      for (int x = 0; x < t.width; ++x) out[x] |= opaque;
    }
  }
  glBindTexture(GL_TEXTURE_2D, m_Colour);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, t.width, t.height, GL_BGRA, GL_UNSIGNED_BYTE,
                  rows.data());
  glBindTexture(GL_TEXTURE_2D, 0);
  if (HRESULT hr = ResultOfGlError(glGetError()); FAILED(hr))
    return Fail(hr, "the surface could not be copied to OpenGL");
  m_ColourFilled = true;
  m_ColourVersion = t.version;
  return D3D_OK;
}

HRESULT GlPipeline::Bind(DrawState& state, bool depthUsed) {
  if (!m_Context->MakeCurrent())
    return Fail(D3DERR_INITFAILED, "the OpenGL context could not be made current");
  if (state.target && state.target != m_Target)
    return Fail(DDERR_INVALIDPARAMS, "the draw state names another render target");
  if (!IsTarget32(*m_Target))
    return Fail(DDERR_SURFACELOST, "the render target's memory is not there any more");
  DrainErrors();
  // The surface's memory is newer when someone wrote it (Lock/Unlock, a blit) since OpenGL
  // last had it.
  if (!m_ColourFilled || m_Target->version != m_ColourVersion) {
    if (HRESULT hr = UploadColour(); FAILED(hr)) return hr;
    m_DrawnSinceReadBack = false;
  }
  glBindFramebuffer(GL_FRAMEBUFFER, m_Framebuffer);
  // The z-buffer is made ready only for calls that use it, so a z-buffer this device cannot
  // take fails just those (as on the software device).
  if (!depthUsed) return D3D_OK;
  GLuint depth = 0;
  if (HRESULT hr = UploadDepth(m_Context, *state.zbuffer, m_Target->height, TopRowFirst(), depth);
      FAILED(hr))
    return Fail(hr, "the z-buffer could not be made or copied in OpenGL");
  // Holding the z-buffer's copy keeps its texture name from being deleted and reused while
  // the framebuffer still refers to it.
  std::shared_ptr<void> copy = state.zbuffer ? state.zbuffer->deviceData : nullptr;
  if (depth != m_DepthAttached || copy != m_DepthCopy) {
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depth, 0);
    m_DepthAttached = depth;
    m_DepthCopy = std::move(copy);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
      glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, 0, 0);
      m_DepthAttached = 0;
      m_DepthCopy.reset();
      return Fail(DDERR_INVALIDPIXELFORMAT, "the framebuffer does not take this z-buffer");
    }
  }
  if (HRESULT hr = ResultOfGlError(glGetError()); FAILED(hr))
    return Fail(hr, "OpenGL failed while binding the framebuffer");
  return D3D_OK;
}

HRESULT GlPipeline::Clear(DrawState& state, const D3DRECT* rects, DWORD count, DWORD flags,
                          D3DCOLOR colour, D3DVALUE z) {
  PhaseTimer timer(m_Profile->enabled, m_Profile->clearSeconds, &FinishOpenGL);
  const bool clearDepth = (flags & D3DCLEAR_ZBUFFER) && state.zbuffer;
  if (HRESULT hr = Bind(state, clearDepth); FAILED(hr)) return hr;
  GLbitfield mask = 0;
  if (flags & D3DCLEAR_TARGET) {
    mask |= GL_COLOR_BUFFER_BIT;
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, m_TargetHasAlpha ? GL_TRUE : GL_FALSE);
    glClearColor(static_cast<float>((colour >> 16) & 0xFF) / 255.0f,
                 static_cast<float>((colour >> 8) & 0xFF) / 255.0f,
                 static_cast<float>(colour & 0xFF) / 255.0f,
                 m_TargetHasAlpha ? static_cast<float>(colour >> 24) / 255.0f : 1.0f);
  }
  // Without a z-buffer the depth part of a clear has nothing to do.
  if (clearDepth) {
    mask |= GL_DEPTH_BUFFER_BIT;
    glDepthMask(GL_TRUE);
    glClearDepth(z > 0.0f ? (z < 1.0f ? static_cast<double>(z) : 1.0) : 0.0);  // nan: 0
  }
  if (!mask) return D3D_OK;
  // Rectangles are limited to the viewport, as Direct3D's viewport clear does.
  int64_t limitX0 = 0, limitY0 = 0, limitX1 = m_Target->width, limitY1 = m_Target->height;
  if (state.hasViewport) {
    limitX0 = std::max<int64_t>(limitX0, state.viewport.dwX);
    limitY0 = std::max<int64_t>(limitY0, state.viewport.dwY);
    limitX1 = std::min<int64_t>(limitX1, int64_t{state.viewport.dwX} + state.viewport.dwWidth);
    limitY1 = std::min<int64_t>(limitY1, int64_t{state.viewport.dwY} + state.viewport.dwHeight);
  }
  const D3DRECT whole{0, 0, m_Target->width, m_Target->height};
  if (!rects || count == 0) {
    rects = &whole;
    count = 1;
  }
  for (DWORD i = 0; i < count; ++i) {
    const int64_t x0 = std::max<int64_t>(rects[i].x1, limitX0);
    const int64_t y0 = std::max<int64_t>(rects[i].y1, limitY0);
    const int64_t x1 = std::min<int64_t>(rects[i].x2, limitX1);
    const int64_t y1 = std::min<int64_t>(rects[i].y2, limitY1);
    if (x1 <= x0 || y1 <= y0) continue;
    SetScissor(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1),
               static_cast<int>(y1));
    glClear(mask);
  }
  if (HRESULT hr = ResultOfGlError(glGetError()); FAILED(hr))
    return Fail(hr, "OpenGL failed to clear");
  m_DrawnSinceReadBack = true;
  m_LastError.clear();
  return D3D_OK;
}

HRESULT GlPipeline::BindVertices(const DrawCall& call, const VertexLayout& layout,
                                 const StageSetup& stages) {
  glBindVertexArray(m_VertexArray);
  if (call.buffer) {
    GLuint buffer = 0;
    if (HRESULT hr = UploadVertexBuffer(m_Context, *call.buffer, buffer); FAILED(hr))
      return Fail(hr, "the vertex buffer could not be copied to OpenGL");
  } else {
    glBindBuffer(GL_ARRAY_BUFFER, m_StreamVertices);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(call.vertexCount) * call.stride,
                 call.vertices, GL_STREAM_DRAW);
  }
  const GLsizei stride = static_cast<GLsizei>(call.stride);
  glEnableVertexAttribArray(kAttrPosition);
  glVertexAttribPointer(kAttrPosition, 3, GL_FLOAT, GL_FALSE, stride, Offset(0));
  auto attribute = [&](GLuint location, int offset, GLint size, GLenum type, GLboolean normalised,
                       float x, float y, float zv, float w) {
    if (offset >= 0) {
      glEnableVertexAttribArray(location);
      glVertexAttribPointer(location, size, type, normalised, stride, Offset(offset));
    } else {
      glDisableVertexAttribArray(location);
      glVertexAttrib4f(location, x, y, zv, w);
    }
  };
  attribute(kAttrNormal, layout.normal, 3, GL_FLOAT, GL_FALSE, 0, 0, 0, 1);
  // D3DCOLOR is B, G, R, A in memory: OpenGL's BGRA size reads it in the right order.
  attribute(kAttrDiffuse, layout.diffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 1, 1, 1, 1);
  attribute(kAttrSpecular, layout.specular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 0, 0, 0, 0);
  for (DWORD i = 0; i < kTextureStageCount; ++i) {
    const int set = stages.texCoordSet[i];
    const int offset = set < layout.texCount ? layout.tex + 8 * set : -1;
    attribute(kAttrTexStage0 + i, offset, 2, GL_FLOAT, GL_FALSE, 0, 0, 0, 1);
  }
  if (call.indices) {
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_Indices);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(call.indexCount) * sizeof(WORD),
                 call.indices, GL_STREAM_DRAW);
  }
  if (HRESULT hr = ResultOfGlError(glGetError()); FAILED(hr))
    return Fail(hr, "OpenGL failed to take the vertices");
  return D3D_OK;
}

HRESULT GlPipeline::BindTextures(const DrawState& state, const StageSetup& stages) {
  for (DWORD i = 0; i < kTextureStageCount; ++i) {
    GLuint texture = 0;
    if (static_cast<int>(i) < stages.count && state.textures[i]) {
      if (HRESULT hr = UploadTexture(m_Context, *state.textures[i], texture); FAILED(hr))
        return Fail(hr, "a texture could not be copied to OpenGL");
      const GLuint sampler = m_Samplers[i];
      glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, stages.magFilter[i]);
      glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, stages.minFilter[i]);
      glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, stages.wrapS[i]);
      glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, stages.wrapT[i]);
    }
    glActiveTexture(GL_TEXTURE0 + i);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBindSampler(i, texture ? m_Samplers[i] : 0);
  }
  glActiveTexture(GL_TEXTURE0);
  if (HRESULT hr = ResultOfGlError(glGetError()); FAILED(hr))
    return Fail(hr, "OpenGL failed to bind the textures");
  return D3D_OK;
}

void GlPipeline::ApplyRasterState(const DrawState& state, const ViewportMapping& view) {
  const DWORD* rs = state.renderStates;
  glViewport(0, 0, m_Target->width, m_Target->height);
  glDepthRange(view.minZ, view.maxZ);
  SetScissor(view.x0, view.y0, view.x1, view.y1);

  // Direct3D's clockwise triangles are the front faces. With the top row first OpenGL sees
  // the picture upside down, so they are its counter-clockwise ones.
  glFrontFace(TopRowFirst() ? GL_CCW : GL_CW);
  if (const GLenum face = CullFace(rs[D3DRENDERSTATE_CULLMODE]); face) {
    glEnable(GL_CULL_FACE);
    glCullFace(face);
  } else {
    glDisable(GL_CULL_FACE);
  }
  glPolygonMode(GL_FRONT_AND_BACK, PolygonMode(rs[D3DRENDERSTATE_FILLMODE]));
  glPointSize(1.0f);
  glLineWidth(1.0f);

  if (rs[D3DRENDERSTATE_ZENABLE] && state.zbuffer && m_DepthAttached) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(DepthFunction(rs[D3DRENDERSTATE_ZFUNC]));
    glDepthMask(rs[D3DRENDERSTATE_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
  } else {
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
  }

  if (rs[D3DRENDERSTATE_ALPHABLENDENABLE]) {
    GLenum src, dest;
    BlendFactors(rs[D3DRENDERSTATE_SRCBLEND], rs[D3DRENDERSTATE_DESTBLEND], src, dest);
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(src, dest);
  } else {
    glDisable(GL_BLEND);
  }
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, m_TargetHasAlpha ? GL_TRUE : GL_FALSE);
}

HRESULT GlPipeline::Draw(DrawState& state, const DrawCall& call) {
  const VertexLayout layout = ParseVertexFormat(call.fvf);
  // Pre-transformed vertices are not drawn here (the front never passes them).
  if (!layout.valid || layout.pretransformed || call.stride < layout.size || !call.vertices)
    return Fail(D3DERR_INVALIDVERTEXFORMAT, "the vertex format cannot be drawn");
  if (!state.hasViewport) return D3DERR_VIEWPORTDATANOTSET;
  if (call.vertexCount == 0) return D3D_OK;
  if (call.indices == nullptr && call.indexCount != 0) return DDERR_INVALIDPARAMS;

  std::string error;
  GLuint program = 0;
  ViewportMapping view;
  StageSetup stages;
  {
    PhaseTimer timer(m_Profile->enabled, m_Profile->uploadSeconds, &FinishOpenGL);
    const bool depthTested = state.renderStates[D3DRENDERSTATE_ZENABLE] && state.zbuffer;
    if (HRESULT hr = Bind(state, depthTested); FAILED(hr)) return hr;
    view = MapViewport(state.viewport, m_Target->width, m_Target->height,
                       depthTested ? state.zbuffer->width : 0,
                       depthTested ? state.zbuffer->height : 0);
    if (!view.valid) return Fail(DDERR_INVALIDPARAMS, "the viewport maps nothing");
    if (view.x1 <= view.x0 || view.y1 <= view.y0) return D3D_OK;  // no pixels to draw

    stages = ReadStages(state);
    const bool lit = state.hasMaterial && layout.normal >= 0;
    program = m_Context->Programs().Get(ProgramFeatures(state, stages), error);
    if (!program) return Fail(DDERR_GENERIC, "OpenGL device shader: " + error);
    FillFrameBlock(state, stages, m_Target->width, m_Target->height,
                   m_Context->Features().clipControl, TopRowFirst(), lit, m_Block);
    glBindBuffer(GL_UNIFORM_BUFFER, m_Uniforms);
    glBufferSubData(GL_UNIFORM_BUFFER, 0, sizeof(FrameBlock), &m_Block);
    glBindBufferBase(GL_UNIFORM_BUFFER, kFrameBlockBinding, m_Uniforms);
    if (HRESULT hr = BindTextures(state, stages); FAILED(hr)) return hr;
    if (HRESULT hr = BindVertices(call, layout, stages); FAILED(hr)) return hr;
    glUseProgram(program);
    ApplyRasterState(state, view);
  }
  {
    PhaseTimer timer(m_Profile->enabled, m_Profile->drawSeconds, &FinishOpenGL);
    const GLenum mode = PrimitiveMode(call.type);
    if (call.indices) {
      glDrawElements(mode, static_cast<GLsizei>(call.indexCount), GL_UNSIGNED_SHORT, Offset(0));
    } else {
      glDrawArrays(mode, 0, static_cast<GLsizei>(call.vertexCount));
    }
    ++m_Profile->draws;
  }
  if (HRESULT hr = ResultOfGlError(glGetError()); FAILED(hr))
    return Fail(hr, "OpenGL failed to draw");
  m_DrawnSinceReadBack = true;
  m_LastError.clear();
  return D3D_OK;
}

HRESULT GlPipeline::ReadBack() {
  if (!m_DrawnSinceReadBack) return D3D_OK;
  if (!m_Context->MakeCurrent())
    return Fail(D3DERR_INITFAILED, "the OpenGL context could not be made current");
  SurfaceData& t = *m_Target;
  if (!IsTarget32(t)) return Fail(DDERR_SURFACELOST, "the render target's memory is gone");
  PhaseTimer timer(m_Profile->enabled, m_Profile->readbackSeconds, &FinishOpenGL);
  DrainErrors();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, m_Framebuffer);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, t.pitch / 4);
  t.bits.Discard();  // every byte comes from OpenGL: what a window shows is left to it
  glReadPixels(0, 0, t.width, t.height, GL_BGRA, GL_UNSIGNED_BYTE, t.bits.data());
  t.pending.Discard();  // every pixel came from OpenGL
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  if (HRESULT hr = ResultOfGlError(glGetError()); FAILED(hr))
    return Fail(hr, "OpenGL failed to read the picture back");
  // The surface keeps the top row first.
  const size_t rowBytes = static_cast<size_t>(t.width) * 4;
  for (int top = 0, bottom = t.height - 1; !TopRowFirst() && top < bottom; ++top, --bottom) {
    uint8_t* a = t.bits.data() + static_cast<size_t>(top) * t.pitch;
    uint8_t* b = t.bits.data() + static_cast<size_t>(bottom) * t.pitch;
    std::swap_ranges(a, a + rowBytes, b);
  }
  ++t.version;
  t.opaque = false;  // OpenGL's alpha is its own
  m_ColourVersion = t.version;
  m_DrawnSinceReadBack = false;
  ++m_Profile->readbacks;
  return D3D_OK;
}

HRESULT GlPipeline::EndScene(DrawState& /*state*/) {
  return ReadBack();
}

HRESULT GlPipeline::Present(SurfaceData& target, const RECT& src, HWND window, POINT dst) {
  if (&target != m_Target) return DDERR_INVALIDPARAMS;
  if (!window) return DDERR_INVALIDPARAMS;
  if (HRESULT hr = ReadBack(); FAILED(hr)) return hr;
  PhaseTimer timer(m_Profile->enabled, m_Profile->presentSeconds, &FinishOpenGL);
  return PresentTargetPixels(target, src, window, dst, m_PresentScratch);
}

}  // namespace dx::opengl
