// The COM plumbing every object of the front shares: one reference count per object,
// interface "faces" that know their own published name (so a recorded call says
// "IDirectDraw4::QueryInterface" and not just "QueryInterface"), an owning smart pointer
// for references the front holds itself, weak references, and the call hook.
//
// References the front takes on its own behalf (a surface holding its clipper, a device
// holding its target) go through Ref()/Unref() and are never reported to the hook; only
// calls a caller makes through an interface are.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "platform/directx/ArgText.h"
#include "platform/directx/DirectX.h"
#include "platform/directx/Pipeline.h"

namespace dx::front {

class ComObject {
 public:
  ComObject(std::shared_ptr<System> system, const char* kind);
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  ULONG Ref() { return ++m_Refs; }
  ULONG Unref();

  System& Sys() const { return *m_System; }
  const std::shared_ptr<System>& SharedSys() const { return m_System; }
  uint32_t Id() const { return m_Id; }
  // "kind#id", the name of this object in recorded calls.
  std::string Tag() const;
  // Expires when the object goes away; handles and back-links use it.
  std::weak_ptr<ComObject*> Weak() const { return m_Alive; }

  // Reports a call to the system's hook; S_OK when there is none. args is only built
  // when a hook listens.
  template <class MakeArgs>
  HRESULT Hook(const char* name, MakeArgs&& args) const {
    CallHook* hook = m_System->hook;
    return hook ? hook->OnCall(name, args()) : S_OK;
  }
  HRESULT Hook(const char* name) const {
    return Hook(name, [] { return std::string(); });
  }

 protected:
  virtual ~ComObject();

 private:
  std::shared_ptr<System> m_System;
  const char* m_Kind;
  uint32_t m_Id;
  ULONG m_Refs = 0;
  std::shared_ptr<ComObject*> m_Alive;
};

// A number no other object or handle of this process has had.
uint32_t NextSerial();

// An owning reference held by the front itself.
template <class T>
class ComRef {
 public:
  ComRef() = default;
  explicit ComRef(T* object) : m_Object(object) {
    if (m_Object) m_Object->Ref();
  }
  ComRef(const ComRef& other) : ComRef(other.m_Object) {}
  ComRef(ComRef&& other) noexcept : m_Object(std::exchange(other.m_Object, nullptr)) {}
  ComRef& operator=(ComRef other) noexcept {
    std::swap(m_Object, other.m_Object);
    return *this;
  }
  ~ComRef() { Reset(); }

  void Reset() {
    if (T* old = std::exchange(m_Object, nullptr)) old->Unref();
  }
  // Hands the reference to a caller: the count stays as it is.
  T* Detach() { return std::exchange(m_Object, nullptr); }
  T* Get() const { return m_Object; }
  T* operator->() const { return m_Object; }
  T& operator*() const { return *m_Object; }
  explicit operator bool() const { return m_Object != nullptr; }
  bool operator==(const T* other) const { return m_Object == other; }

 private:
  T* m_Object = nullptr;
};

// A reference that does not keep its object alive.
template <class T>
class WeakRef {
 public:
  WeakRef() = default;
  explicit WeakRef(T* object)
      : m_Object(object), m_Alive(object ? object->Weak() : decltype(m_Alive){}) {}
  T* Get() const { return m_Alive.expired() ? nullptr : m_Object; }

 private:
  T* m_Object = nullptr;
  std::weak_ptr<ComObject*> m_Alive;
};

// The published name of each interface, for recorded calls.
constexpr const char* InterfaceName(const IDirectDraw*) {
  return "IDirectDraw";
}
constexpr const char* InterfaceName(const IDirectDraw4*) {
  return "IDirectDraw4";
}
constexpr const char* InterfaceName(const IDirect3D3*) {
  return "IDirect3D3";
}
constexpr const char* InterfaceName(const IDirectDrawSurface4*) {
  return "IDirectDrawSurface4";
}
constexpr const char* InterfaceName(const IDirect3DTexture2*) {
  return "IDirect3DTexture2";
}
constexpr const char* InterfaceName(const IDirectDrawClipper*) {
  return "IDirectDrawClipper";
}
constexpr const char* InterfaceName(const IDirect3DDevice3*) {
  return "IDirect3DDevice3";
}
constexpr const char* InterfaceName(const IDirect3DViewport3*) {
  return "IDirect3DViewport3";
}
constexpr const char* InterfaceName(const IDirect3DLight*) {
  return "IDirect3DLight";
}
constexpr const char* InterfaceName(const IDirect3DMaterial3*) {
  return "IDirect3DMaterial3";
}
constexpr const char* InterfaceName(const IDirect3DVertexBuffer*) {
  return "IDirect3DVertexBuffer";
}

// One interface of an object. Derived supplies Find(riid) -> interface pointer or null.
// AddRef and Release are reported to the hook but cannot be failed by it: a refused
// Release would leak the object.
template <class Derived, class I>
class ComFace : public I {
 public:
  HRESULT QueryInterface(REFIID riid, LPVOID* object) override {
    static const std::string name =
        std::string(InterfaceName(static_cast<const I*>(nullptr))) + "::QueryInterface";
    Derived& self = static_cast<Derived&>(*this);
    if (HRESULT hr = self.Hook(name.c_str(), [&] { return ArgText(riid); }); FAILED(hr)) return hr;
    if (!object) return E_POINTER;
    *object = self.Find(riid);
    if (!*object) return E_NOINTERFACE;
    self.Ref();
    return S_OK;
  }
  ULONG AddRef() override {
    static const std::string name =
        std::string(InterfaceName(static_cast<const I*>(nullptr))) + "::AddRef";
    Derived& self = static_cast<Derived&>(*this);
    self.Hook(name.c_str(), [&] { return self.Tag(); });
    return self.Ref();
  }
  ULONG Release() override {
    static const std::string name =
        std::string(InterfaceName(static_cast<const I*>(nullptr))) + "::Release";
    Derived& self = static_cast<Derived&>(*this);
    self.Hook(name.c_str(), [&] { return self.Tag(); });
    return self.Unref();
  }

 protected:
  ~ComFace() = default;
};

// Our object behind an interface pointer, or null for null or a foreign object.
template <class T, class I>
T* Unwrap(I* object) {
  return object ? dynamic_cast<T*>(object) : nullptr;
}

// The object's tag for recorded arguments ("null" for none).
std::string ObjectTag(const IUnknown* object);

}  // namespace dx::front
