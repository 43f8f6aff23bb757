#include "platform/directx/opengl/GlContext.h"

#define EGL_NO_X11 1
#define MESA_EGL_NO_X11_HEADERS 1
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

namespace dx::opengl {

namespace {

bool HasExtension(const char* list, const char* name) {
  if (!list) return false;
  const size_t length = std::strlen(name);
  for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += length) {
    const bool startOk = p == list || p[-1] == ' ';
    const bool endOk = p[length] == '\0' || p[length] == ' ';
    if (startOk && endOk) return true;
  }
  return false;
}

std::string EglErrorText(const char* step) {
  char text[96];
  std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04X)", step,
                static_cast<unsigned>(eglGetError()));
  return text;
}

// A display to try, with the name of the platform it comes from.
struct Candidate {
  EGLDisplay display;
  std::string platform;
};

std::vector<Candidate> Candidates() {
  std::vector<Candidate> out;
  const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (getPlatformDisplay && HasExtension(client, "EGL_MESA_platform_surfaceless")) {
    EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (d != EGL_NO_DISPLAY) out.push_back({d, "surfaceless"});
  }
  // EGL devices backed by a real graphics processor (a DRM node), for drivers such as
  // NVIDIA's that have no surfaceless platform; Mesa's software device is left out here.
  auto queryDevices =
      reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
  auto queryDeviceString = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(
      eglGetProcAddress("eglQueryDeviceStringEXT"));
  if (getPlatformDisplay && queryDevices && queryDeviceString &&
      HasExtension(client, "EGL_EXT_platform_device")) {
    EGLDeviceEXT devices[8];
    EGLint count = 0;
    if (queryDevices(8, devices, &count)) {
      for (EGLint i = 0; i < count; ++i) {
        const char* ext = queryDeviceString(devices[i], EGL_EXTENSIONS);
        if (HasExtension(ext, "EGL_MESA_device_software") ||
            !HasExtension(ext, "EGL_EXT_device_drm"))
          continue;
        EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
        if (d != EGL_NO_DISPLAY) out.push_back({d, "device " + std::to_string(i)});
      }
    }
  }
  EGLDisplay d = eglGetDisplay(EGL_DEFAULT_DISPLAY);
  if (d != EGL_NO_DISPLAY) out.push_back({d, "default display"});
  return out;
}

// Whether a framebuffer with an RGBA8 colour and this depth format is complete.
bool DepthRenders(GLenum format) {
  GLuint textures[2] = {0, 0}, fbo = 0;
  glGenTextures(2, textures);
  glBindTexture(GL_TEXTURE_2D, textures[0]);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 4, 4, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
  glBindTexture(GL_TEXTURE_2D, textures[1]);
  glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), 4, 4, 0, GL_DEPTH_COMPONENT,
               GL_UNSIGNED_INT, nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenFramebuffers(1, &fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, textures[0], 0);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, textures[1], 0);
  const bool complete = glGetError() == GL_NO_ERROR &&
                        glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &fbo);
  glDeleteTextures(2, textures);
  while (glGetError() != GL_NO_ERROR) {
  }
  return complete;
}

std::string GlString(GLenum name) {
  const GLubyte* s = glGetString(name);
  return s ? reinterpret_cast<const char*>(s) : "";
}

}  // namespace

bool IsSoftwareRendererName(const std::string& renderer) {
  std::string lower(renderer);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const char* name : {"llvmpipe", "softpipe", "swrast", "software rasterizer",
                           "software renderer", "swiftshader", "gdi generic"}) {
    if (lower.find(name) != std::string::npos) return true;
  }
  return false;
}

std::shared_ptr<GlContext> GlContext::Create(std::string& reason, const OpenGLOptions& options) {
  std::vector<Candidate> candidates = Candidates();
  if (candidates.empty()) {
    reason = "EGL offers no display (no surfaceless platform, no device, no default display)";
    return nullptr;
  }
  std::shared_ptr<GlContext> fallback;
  std::string firstReason;
  for (const Candidate& candidate : candidates) {
    // The default display is the last resort; it adds nothing once a software renderer
    // has been found.
    if (fallback && candidate.platform == "default display") break;
    std::shared_ptr<GlContext> context(new GlContext());
    std::string why;
    EGLDisplay display = candidate.display;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) {
      why = EglErrorText("eglInitialize");
    } else if (!eglBindAPI(EGL_OPENGL_API)) {
      why = EglErrorText("eglBindAPI(EGL_OPENGL_API)");
    } else {
      const char* ext = eglQueryString(display, EGL_EXTENSIONS);
      const bool surfaceless = HasExtension(ext, "EGL_KHR_surfaceless_context");
      const EGLint configAttribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE,
                                      surfaceless ? 0 : EGL_PBUFFER_BIT, EGL_NONE};
      EGLConfig config = nullptr;
      EGLint configs = 0;
      if (!eglChooseConfig(display, configAttribs, &config, 1, &configs) || configs < 1) {
        if (surfaceless && HasExtension(ext, "EGL_KHR_no_config_context")) {
          config = EGL_NO_CONFIG_KHR;
        } else {
          why = "EGL has no configuration for desktop OpenGL";
        }
      }
      if (why.empty()) {
        const EGLint contextAttribs[] = {EGL_CONTEXT_MAJOR_VERSION,
                                         3,
                                         EGL_CONTEXT_MINOR_VERSION,
                                         3,
                                         EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                         EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                         EGL_NONE};
        EGLContext ctx = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttribs);
        if (ctx == EGL_NO_CONTEXT) {
          why = EglErrorText("eglCreateContext (OpenGL 3.3 core)");
        } else {
          context->m_Display = display;
          context->m_Context = ctx;
          if (!surfaceless) {
            const EGLint pbufferAttribs[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
            EGLSurface surface = eglCreatePbufferSurface(display, config, pbufferAttribs);
            if (surface == EGL_NO_SURFACE) {
              why = EglErrorText("eglCreatePbufferSurface");
            } else {
              context->m_Surface = surface;
            }
          }
          if (why.empty() && !context->MakeCurrent()) why = EglErrorText("eglMakeCurrent");
          if (why.empty()) context->ReadFeatures(options, why);
        }
      }
    }
    if (!why.empty()) {
      if (firstReason.empty()) firstReason = candidate.platform + ": " + why;
      continue;  // the context (if any) goes with `context`
    }
    context->m_Info.available = true;
    context->m_Info.platform = candidate.platform;
    if (!context->m_Info.software) return context;
    if (!fallback) fallback = std::move(context);
  }
  if (fallback) {
    fallback->MakeCurrent();
    return fallback;
  }
  reason = firstReason;
  return nullptr;
}

bool GlContext::ReadFeatures(const OpenGLOptions& options, std::string& reason) {
  m_Info.renderer = GlString(GL_RENDERER);
  m_Info.version = GlString(GL_VERSION);
  m_Info.software = IsSoftwareRendererName(m_Info.renderer);
  GLint major = 0, minor = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  glGetIntegerv(GL_MINOR_VERSION, &minor);
  m_Features.major = major;
  m_Features.minor = minor;
  if (major < 3 || (major == 3 && minor < 3)) {
    reason = "OpenGL " + m_Info.version + " is older than 3.3";
    return false;
  }
  bool clipControlExtension = false;
  GLint extensions = 0;
  glGetIntegerv(GL_NUM_EXTENSIONS, &extensions);
  for (GLint i = 0; i < extensions; ++i) {
    const GLubyte* name = glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i));
    if (name && std::strcmp(reinterpret_cast<const char*>(name), "GL_ARB_clip_control") == 0)
      clipControlExtension = true;
  }
  m_Features.clipControl =
      options.useClipControl && (major > 4 || (major == 4 && minor >= 5) || clipControlExtension);
  GLint maxTexture = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
  m_Features.maxTextureSize = maxTexture;
  if (DepthRenders(GL_DEPTH_COMPONENT16)) m_Features.depthBitDepths |= DDBD_16;
  if (DepthRenders(GL_DEPTH_COMPONENT24)) m_Features.depthBitDepths |= DDBD_24;
  if (DepthRenders(GL_DEPTH_COMPONENT32)) {
    m_Features.depth32Format = GL_DEPTH_COMPONENT32;
  } else if (DepthRenders(GL_DEPTH_COMPONENT32F)) {
    m_Features.depth32Format = GL_DEPTH_COMPONENT32F;
  }
  if (m_Features.depth32Format) m_Features.depthBitDepths |= DDBD_32;
  if (!m_Features.depthBitDepths) {
    reason = "no depth format renders with an RGBA8 colour buffer";
    return false;
  }
  // Direct3D's flat shading takes the first vertex of each triangle.
  glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  if (m_Features.clipControl) glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
  if (glGetError() != GL_NO_ERROR) {
    reason = "OpenGL refused the provoking vertex or clip control setting";
    return false;
  }
  ProbeFillRule();
  return true;
}

void GlContext::ProbeFillRule() {
  constexpr int kSize = 4;
  static constexpr const char* kVertex =
      "#version 330 core\n"
      "layout(location = 0) in vec2 p;\n"
      "void main() { gl_Position = vec4(p, 0.0, 1.0); }\n";
  static constexpr const char* kFragment =
      "#version 330 core\n"
      "layout(location = 0) out vec4 c;\n"
      "void main() { c = vec4(1.0); }\n";
  auto compile = [](GLenum kind, const char* text) {
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    return shader;
  };
  const GLuint vs = compile(GL_VERTEX_SHADER, kVertex);
  const GLuint fs = compile(GL_FRAGMENT_SHADER, kFragment);
  const GLuint program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint linked = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);

  GLuint texture = 0, fbo = 0, vao = 0, buffer = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kSize, kSize, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenFramebuffers(1, &fbo);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  glGenVertexArrays(1, &vao);
  glBindVertexArray(vao);
  glGenBuffers(1, &buffer);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
  glViewport(0, 0, kSize, kSize);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);

  // Pixel centres (1,1), (3,1), (1,3), y down: the top-left rule covers (1,1), (2,1), (1,2).
  const float corners[3][2] = {{1, 1}, {3, 1}, {1, 3}};
  auto covers = [&](bool topRowFirst) {
    float ndc[3][2];
    for (int i = 0; i < 3; ++i) {
      ndc[i][0] = (corners[i][0] + 0.5f) * 2.0f / kSize - 1.0f;
      const float y = (corners[i][1] + 0.5f) * 2.0f / kSize - 1.0f;
      ndc[i][1] = topRowFirst ? y : -y;
    }
    glBufferData(GL_ARRAY_BUFFER, sizeof ndc, ndc, GL_STREAM_DRAW);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    uint32_t pixels[kSize * kSize] = {};
    glReadPixels(0, 0, kSize, kSize, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
    for (int row = 0; row < kSize; ++row) {
      for (int x = 0; x < kSize; ++x) {
        const int d3dRow = topRowFirst ? row : kSize - 1 - row;
        const bool wanted = (d3dRow == 1 && (x == 1 || x == 2)) || (d3dRow == 2 && x == 1);
        if ((pixels[row * kSize + x] != 0) != wanted) return false;
      }
    }
    return true;
  };
  if (linked == GL_TRUE) {
    glUseProgram(program);
    // Where neither orientation gives the rule, the top row goes first (no flips).
    m_Features.topRowFirst = covers(true) || !covers(false);
    glUseProgram(0);
  }
  glBindVertexArray(0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteBuffers(1, &buffer);
  glDeleteVertexArrays(1, &vao);
  glDeleteFramebuffers(1, &fbo);
  glDeleteTextures(1, &texture);
  glDeleteProgram(program);
  while (glGetError() != GL_NO_ERROR) {
  }
}

GLenum GlContext::DepthFormat(DWORD bits) const {
  switch (bits) {
    case 16:
      return (m_Features.depthBitDepths & DDBD_16) ? GL_DEPTH_COMPONENT16 : 0;
    case 24:
      return (m_Features.depthBitDepths & DDBD_24) ? GL_DEPTH_COMPONENT24 : 0;
    case 32:
      return m_Features.depth32Format;
    default:
      return 0;
  }
}

bool GlContext::MakeCurrent() {
  if (!m_Context) return false;
  if (eglGetCurrentContext() == m_Context) return true;
  return eglMakeCurrent(m_Display, m_Surface, m_Surface, m_Context) == EGL_TRUE;
}

GlContext::~GlContext() {
  if (!m_Context) return;
  if (MakeCurrent()) m_Programs.Release();
  eglMakeCurrent(m_Display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (m_Surface) eglDestroySurface(m_Display, m_Surface);
  eglDestroyContext(m_Display, m_Context);
  // The display is not terminated: EGL shares one per platform across the process, and
  // another context may still live on it.
}

}  // namespace dx::opengl
