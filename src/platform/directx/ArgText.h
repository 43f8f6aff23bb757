// Short texts of call arguments for the call hook: numbers in decimal, floats with %g,
// rectangles as {left,top,right,bottom}, GUIDs by name ("IID_IDirectDraw4") or in
// registry form, objects by their tag ("kind#id": directdraw, primary, rendertarget,
// offscreen, zbuffer, texture, clipper, device, viewport, light, material,
// vertexbuffer), structures by the members a caller sets. The test driver records them.
#pragma once

#include <concepts>
#include <string>
#include <type_traits>

#include "platform/directx/DirectX.h"

namespace dx::front {

std::string ObjectTag(const IUnknown* object);

std::string ArgText(const GUID& guid);
std::string ArgText(const GUID* guid);
std::string ArgText(const RECT* rect);
std::string ArgText(const D3DRECT* rects, DWORD count);
std::string ArgText(const D3DMATRIX* matrix);
std::string ArgText(const D3DVIEWPORT2* viewport);
std::string ArgText(const D3DLIGHT2* light);
std::string ArgText(const D3DMATERIAL* material);
std::string ArgText(const DDSURFACEDESC2* desc);
std::string ArgText(const D3DVERTEXBUFFERDESC* desc);
std::string ArgText(const D3DDEVICEDESC* desc);
std::string ArgText(const void* data);
std::string ArgText(const char* text);
std::string ArgText(const WindowObject* window);
std::string ArgText(float value);
std::string ArgText(const std::string& text);

template <class T>
requires std::is_integral_v<T> || std::is_enum_v<T> std::string ArgText(T value) {
  if constexpr (std::is_enum_v<T>) {
    return std::to_string(static_cast<std::underlying_type_t<T>>(value));
  } else {
    return std::to_string(value);
  }
}

template <class T>
requires std::derived_from<T, IUnknown> std::string ArgText(const T* object) {
  return ObjectTag(object);
}

// "a, b, c"
template <class... T>
std::string Args(const T&... values) {
  std::string text;
  bool first = true;
  ((text += first ? "" : ", ", text += ArgText(values), first = false), ...);
  return text;
}

}  // namespace dx::front
