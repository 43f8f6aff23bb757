#include "platform/directx/ArgText.h"

#include <cstdio>
#include <utility>

namespace dx::front {

namespace {
std::string Join(std::initializer_list<std::string> parts) {
  std::string text = "{";
  bool first = true;
  for (const std::string& part : parts) {
    if (!first) text += ",";
    text += part;
    first = false;
  }
  return text + "}";
}
std::string Colour(const D3DCOLORVALUE& c) {
  return Join({ArgText(c.r), ArgText(c.g), ArgText(c.b), ArgText(c.a)});
}
std::string Vector(const D3DVECTOR& v) {
  return Join({ArgText(v.x), ArgText(v.y), ArgText(v.z)});
}
}  // namespace

std::string ArgText(const GUID& guid) {
  // Interfaces and devices by their published names, anything else in registry form.
  static const std::pair<const GUID*, const char*> kKnown[] = {
      {&IID_IUnknown, "IID_IUnknown"},
      {&IID_IDirectDraw, "IID_IDirectDraw"},
      {&IID_IDirectDraw4, "IID_IDirectDraw4"},
      {&IID_IDirectDrawSurface4, "IID_IDirectDrawSurface4"},
      {&IID_IDirectDrawClipper, "IID_IDirectDrawClipper"},
      {&IID_IDirect3D3, "IID_IDirect3D3"},
      {&IID_IDirect3DDevice3, "IID_IDirect3DDevice3"},
      {&IID_IDirect3DViewport3, "IID_IDirect3DViewport3"},
      {&IID_IDirect3DLight, "IID_IDirect3DLight"},
      {&IID_IDirect3DMaterial3, "IID_IDirect3DMaterial3"},
      {&IID_IDirect3DVertexBuffer, "IID_IDirect3DVertexBuffer"},
      {&IID_IDirect3DTexture2, "IID_IDirect3DTexture2"},
      {&IID_IDirect3DHALDevice, "IID_IDirect3DHALDevice"},
      {&IID_IDirect3DRGBDevice, "IID_IDirect3DRGBDevice"},
      {&IID_IDirect3DRefDevice, "IID_IDirect3DRefDevice"},
  };
  for (const auto& [known, name] : kKnown) {
    if (IsEqualGUID(*known, guid)) return name;
  }
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1,
                guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

std::string ArgText(const GUID* guid) {
  return guid ? ArgText(*guid) : "null";
}

std::string ArgText(const RECT* rect) {
  if (!rect) return "null";
  return Join(
      {ArgText(rect->left), ArgText(rect->top), ArgText(rect->right), ArgText(rect->bottom)});
}

std::string ArgText(const D3DRECT* rects, DWORD count) {
  if (!rects) return "null";
  std::string text = "[";
  for (DWORD i = 0; i < count; ++i) {
    const D3DRECT& r = rects[i];
    if (i) text += " ";
    text += Join({ArgText(r.x1), ArgText(r.y1), ArgText(r.x2), ArgText(r.y2)});
  }
  return text + "]";
}

std::string ArgText(const D3DMATRIX* m) {
  if (!m) return "null";
  return Join({ArgText(m->_11), ArgText(m->_12), ArgText(m->_13), ArgText(m->_14), ArgText(m->_21),
               ArgText(m->_22), ArgText(m->_23), ArgText(m->_24), ArgText(m->_31), ArgText(m->_32),
               ArgText(m->_33), ArgText(m->_34), ArgText(m->_41), ArgText(m->_42), ArgText(m->_43),
               ArgText(m->_44)});
}

std::string ArgText(const D3DVIEWPORT2* v) {
  if (!v) return "null";
  return Join({ArgText(v->dwSize), ArgText(v->dwX), ArgText(v->dwY), ArgText(v->dwWidth),
               ArgText(v->dwHeight), ArgText(v->dvClipX), ArgText(v->dvClipY),
               ArgText(v->dvClipWidth), ArgText(v->dvClipHeight), ArgText(v->dvMinZ),
               ArgText(v->dvMaxZ)});
}

std::string ArgText(const D3DLIGHT2* l) {
  if (!l) return "null";
  return Join({ArgText(l->dwSize), ArgText(l->dltType), Colour(l->dcvColor), Vector(l->dvPosition),
               Vector(l->dvDirection), ArgText(l->dwFlags)});
}

std::string ArgText(const D3DMATERIAL* m) {
  if (!m) return "null";
  return Join({ArgText(m->dwSize), Colour(m->dcvDiffuse), Colour(m->dcvAmbient),
               Colour(m->dcvSpecular), Colour(m->dcvEmissive), ArgText(m->dvPower)});
}

std::string ArgText(const DDSURFACEDESC2* d) {
  if (!d) return "null";
  return Join({ArgText(d->dwSize), ArgText(d->dwFlags), ArgText(d->dwWidth), ArgText(d->dwHeight),
               ArgText(d->ddsCaps.dwCaps), ArgText(d->ddpfPixelFormat.dwFlags),
               ArgText(d->ddpfPixelFormat.dwRGBBitCount)});
}

std::string ArgText(const D3DVERTEXBUFFERDESC* d) {
  if (!d) return "null";
  return Join(
      {ArgText(d->dwSize), ArgText(d->dwCaps), ArgText(d->dwFVF), ArgText(d->dwNumVertices)});
}

std::string ArgText(const D3DDEVICEDESC* d) {
  return d ? Join({ArgText(d->dwSize)}) : "null";
}

std::string ArgText(const void* data) {
  return data ? "data" : "null";
}

std::string ArgText(const char* text) {
  return text ? text : "null";
}

std::string ArgText(const WindowObject* window) {
  return window ? "window" : "null";
}

std::string ArgText(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  return text;
}

std::string ArgText(const std::string& text) {
  return text;
}

}  // namespace dx::front
