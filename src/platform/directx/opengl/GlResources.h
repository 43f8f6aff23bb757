// OpenGL copies of the front's data: vertex buffers as buffer objects, textures with their
// mip chains, and z-buffers as depth textures. Each copy hangs on its source's deviceData,
// remembers the source version it holds, and is brought up to date only when the version
// moved. A copy keeps its context alive and deletes its object with the context current,
// whenever the front lets it go.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/directx/Pipeline.h"
#include "platform/directx/opengl/GlContext.h"

namespace dx::opengl {

class GlObjectCopy {
 public:
  enum class Kind { kBuffer, kTexture };
  GlObjectCopy(std::shared_ptr<GlContext> context, Kind kind);
  ~GlObjectCopy();
  GlObjectCopy(const GlObjectCopy&) = delete;
  GlObjectCopy& operator=(const GlObjectCopy&) = delete;

  GLuint Name() const { return m_Name; }
  // The source version the object holds; meaningful once `filled` is set.
  uint32_t version = 0;
  bool filled = false;
  int width = 0;
  int height = 0;
  GLenum format = 0;
  bool topRowFirst = true;
  const void* source = nullptr;  // the source's storage when it was copied

 private:
  std::shared_ptr<GlContext> m_Context;
  Kind m_Kind;
  GLuint m_Name = 0;
};

// The copy hung on slot by context, made (replacing anything else there) when missing.
// nullptr if OpenGL could not make the object.
GlObjectCopy* CopyFor(const std::shared_ptr<GlContext>& context, std::shared_ptr<void>& slot,
                      GlObjectCopy::Kind kind);

// The buffer object of a vertex buffer, uploaded when its version changed.
HRESULT UploadVertexBuffer(const std::shared_ptr<GlContext>& context, VertexBufferData& data,
                           GLuint& buffer);

// A texture surface (32-bit ARGB or 16-bit RGB 565) as a texture with the same mip chain the
// software device builds, uploaded when its version changed.
HRESULT UploadTexture(const std::shared_ptr<GlContext>& context, SurfaceData& surface,
                      GLuint& texture);

// A z-buffer surface as a depth texture of its format, `rows` high (the render target's
// height), its rows in the order the target's picture has (the top row first, or last) so
// that the two line up. The CPU copy is uploaded when its version changed (after a
// Lock/Unlock), never read back.
HRESULT UploadDepth(const std::shared_ptr<GlContext>& context, SurfaceData& surface, int rows,
                    bool topRowFirst, GLuint& texture);

// Maps an OpenGL error to the code a call returns.
HRESULT ResultOfGlError(GLenum error);

}  // namespace dx::opengl
