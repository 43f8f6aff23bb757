#include "platform/directx/opengl/GlResources.h"

#include <algorithm>
#include <cstring>

#include "platform/directx/DeviceHelpers.h"
#include "platform/directx/MipChain.h"

namespace dx::opengl {

namespace {

// Clears errors left by earlier calls, so the next check sees only its own.
void DrainErrors() {
  for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

bool Readable(const SurfaceData& s, size_t bytesPerPixel) {
  return s.width > 0 && s.height > 0 && s.pitch > 0 &&
         static_cast<size_t>(s.pitch) >= static_cast<size_t>(s.width) * bytesPerPixel &&
         s.pitch % static_cast<int>(bytesPerPixel) == 0 &&
         s.bits.size() >= static_cast<size_t>(s.pitch) * static_cast<size_t>(s.height);
}

}  // namespace

HRESULT ResultOfGlError(GLenum error) {
  switch (error) {
    case GL_NO_ERROR:
      return D3D_OK;
    case GL_OUT_OF_MEMORY:
      return DDERR_OUTOFMEMORY;
    default:
      return DDERR_GENERIC;
  }
}

GlObjectCopy::GlObjectCopy(std::shared_ptr<GlContext> context, Kind kind)
    : m_Context(std::move(context)), m_Kind(kind) {
  if (!m_Context->MakeCurrent()) return;
  if (kind == Kind::kBuffer) {
    glGenBuffers(1, &m_Name);
  } else {
    glGenTextures(1, &m_Name);
  }
  m_Context->Register(this);
}

GlObjectCopy::~GlObjectCopy() {
  m_Context->Unregister(this);
  if (!m_Name || !m_Context->MakeCurrent()) return;
  if (m_Kind == Kind::kBuffer) {
    glDeleteBuffers(1, &m_Name);
  } else {
    glDeleteTextures(1, &m_Name);
  }
}

GlObjectCopy* CopyFor(const std::shared_ptr<GlContext>& context, std::shared_ptr<void>& slot,
                      GlObjectCopy::Kind kind) {
  if (slot && context->Owns(slot.get())) return static_cast<GlObjectCopy*>(slot.get());
  auto copy = std::make_shared<GlObjectCopy>(context, kind);
  if (!copy->Name()) return nullptr;
  GlObjectCopy* raw = copy.get();
  slot = std::move(copy);
  // Whatever was in the slot is gone now; its owner may have made another context current.
  if (!context->MakeCurrent()) return nullptr;
  return raw;
}

HRESULT UploadVertexBuffer(const std::shared_ptr<GlContext>& context, VertexBufferData& data,
                           GLuint& buffer) {
  GlObjectCopy* copy = CopyFor(context, data.deviceData, GlObjectCopy::Kind::kBuffer);
  if (!copy) return DDERR_OUTOFMEMORY;
  buffer = copy->Name();
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  if (copy->filled && copy->version == data.version && copy->source == data.bytes.data())
    return D3D_OK;
  DrainErrors();
  // A new store each time: the driver need not wait for draws still reading the old one.
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.bytes.size()), data.bytes.data(),
               GL_DYNAMIC_DRAW);
  if (HRESULT hr = ResultOfGlError(glGetError()); FAILED(hr)) {
    copy->filled = false;
    return hr;
  }
  copy->filled = true;
  copy->version = data.version;
  copy->source = data.bytes.data();
  return D3D_OK;
}

HRESULT UploadTexture(const std::shared_ptr<GlContext>& context, SurfaceData& surface,
                      GLuint& texture) {
  GlObjectCopy* copy = CopyFor(context, surface.deviceData, GlObjectCopy::Kind::kTexture);
  if (!copy) return DDERR_OUTOFMEMORY;
  texture = copy->Name();
  if (copy->filled && copy->version == surface.version && copy->source == surface.bits.data() &&
      copy->width == surface.width && copy->height == surface.height)
    return D3D_OK;
  std::vector<MipLevel> levels;
  const int levelCount = BuildMipChain(surface, levels);
  if (levelCount == 0) return DDERR_INVALIDPIXELFORMAT;
  if (levels[0].width > context->Features().maxTextureSize ||
      levels[0].height > context->Features().maxTextureSize)
    return DDERR_INVALIDPARAMS;
  DrainErrors();
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  for (int i = 0; i < levelCount; ++i) {
    glTexImage2D(GL_TEXTURE_2D, i, GL_RGBA8, levels[i].width, levels[i].height, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, levels[i].texels.data());
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, levelCount - 1);
  if (HRESULT hr = ResultOfGlError(glGetError()); FAILED(hr)) {
    copy->filled = false;
    return hr;
  }
  copy->filled = true;
  copy->version = surface.version;
  copy->source = surface.bits.data();
  copy->width = surface.width;
  copy->height = surface.height;
  return D3D_OK;
}

HRESULT UploadDepth(const std::shared_ptr<GlContext>& context, SurfaceData& surface, int rows,
                    bool topRowFirst, GLuint& texture) {
  const DWORD bits = surface.format.dwZBufferBitDepth;
  const GLenum format = context->DepthFormat(bits);
  if (!format || !(surface.format.dwFlags & DDPF_ZBUFFER) || surface.width <= 0 ||
      surface.height <= 0 || rows <= 0)
    return DDERR_INVALIDPIXELFORMAT;
  GlObjectCopy* copy = CopyFor(context, surface.deviceData, GlObjectCopy::Kind::kTexture);
  if (!copy) return DDERR_OUTOFMEMORY;
  texture = copy->Name();
  const bool sameStore = copy->filled && copy->width == surface.width && copy->height == rows &&
                         copy->format == format && copy->topRowFirst == topRowFirst;
  if (sameStore && copy->version == surface.version && copy->source == surface.bits.data())
    return D3D_OK;
  const size_t bytes = bits == 16 ? 2 : 4;
  DrainErrors();
  glBindTexture(GL_TEXTURE_2D, texture);
  if (!sameStore) {
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), surface.width, rows, 0,
                 GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  }
  if (Readable(surface, bytes)) {
    FillPending(surface);
    // Every depth format goes up as 32-bit words, which OpenGL reads as the full range:
    // 16-bit values are widened by repeating them, 24-bit ones (in the low bits of their
    // word) by repeating the top byte, so the largest value stays 1.0.
    const int height = std::min(surface.height, rows);
    std::vector<uint32_t> widened(static_cast<size_t>(surface.width) * height);
    for (int y = 0; y < height; ++y) {
      const uint8_t* row = surface.bits.data() + static_cast<size_t>(y) * surface.pitch;
      uint32_t* out =
          &widened[static_cast<size_t>(topRowFirst ? y : height - 1 - y) * surface.width];
      for (int x = 0; x < surface.width; ++x) {
        uint32_t v = 0;
        if (bits == 16) {
          uint16_t h;
          std::memcpy(&h, row + x * 2, 2);
          v = (uint32_t{h} << 16) | h;
        } else {
          std::memcpy(&v, row + x * 4, 4);
          if (bits == 24) v = ((v & 0xFFFFFFu) << 8) | ((v >> 16) & 0xFFu);
        }
        out[x] = v;
      }
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, topRowFirst ? 0 : rows - height, surface.width, height,
                    GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, widened.data());
  }
  if (HRESULT hr = ResultOfGlError(glGetError()); FAILED(hr)) {
    copy->filled = false;
    return hr;
  }
  copy->filled = true;
  copy->width = surface.width;
  copy->height = rows;
  copy->format = format;
  copy->topRowFirst = topRowFirst;
  copy->version = surface.version;
  copy->source = surface.bits.data();
  return D3D_OK;
}

}  // namespace dx::opengl
