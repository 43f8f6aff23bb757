#include "platform/directx/Com.h"

#include <atomic>

namespace dx::front {

uint32_t NextSerial() {
  static std::atomic<uint32_t> next{1};
  return next++;
}

ComObject::ComObject(std::shared_ptr<System> system, const char* kind)
    : m_System(std::move(system)),
      m_Kind(kind),
      m_Id(NextSerial()),
      m_Alive(std::make_shared<ComObject*>(this)) {}

ComObject::~ComObject() = default;

ULONG ComObject::Unref() {
  const ULONG left = --m_Refs;
  if (left == 0) delete this;
  return left;
}

std::string ComObject::Tag() const {
  return std::string(m_Kind) + "#" + std::to_string(m_Id);
}

std::string ObjectTag(const IUnknown* object) {
  if (!object) return "null";
  const auto* ours = dynamic_cast<const ComObject*>(object);
  return ours ? ours->Tag() : "foreign";
}

}  // namespace dx::front
