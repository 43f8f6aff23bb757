// The bytes of a surface, with the calls of a std::vector<uint8_t>, which a window may be
// handed to show without a copy. While a window holds them (Share) they never change under
// it: a write through a non-const call first copies them, and Discard, for a caller about to
// overwrite every byte, moves to a second buffer without copying. Two buffers then take
// turns, as the front and back buffers of a flip chain do, and a steady frame allocates
// nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace dx {

class SurfaceBits {
 public:
  using Bytes = std::vector<uint8_t>;

  SurfaceBits() = default;
  // A copy is a new surface's bytes: it shares nothing with the original.
  SurfaceBits(const SurfaceBits& other) : m_Bytes(Copy(other.m_Bytes)) {}
  SurfaceBits& operator=(const SurfaceBits& other) {
    if (this != &other) {
      m_Bytes = Copy(other.m_Bytes);
      m_Spare.reset();
    }
    return *this;
  }
  SurfaceBits(SurfaceBits&&) noexcept = default;
  SurfaceBits& operator=(SurfaceBits&&) noexcept = default;

  // Non-const access may write, so it never reaches bytes a window is showing.
  uint8_t* data() {
    Own();
    return m_Bytes ? m_Bytes->data() : nullptr;
  }
  const uint8_t* data() const { return m_Bytes ? m_Bytes->data() : nullptr; }
  size_t size() const { return m_Bytes ? m_Bytes->size() : 0; }
  bool empty() const { return size() == 0; }
  uint8_t& operator[](size_t i) { return data()[i]; }
  const uint8_t& operator[](size_t i) const { return data()[i]; }

  void resize(size_t n) {
    Own();
    if (!m_Bytes) m_Bytes = std::make_shared<Bytes>();
    m_Bytes->resize(n);
  }
  void assign(size_t n, uint8_t value) {
    Discard();
    m_Bytes->assign(n, value);
  }

  // The bytes as they are now, kept unchanged for as long as the returned owner is held. The
  // buffer of the other turn is made here, with the frame that shares, so that the next
  // frame's clear finds it.
  std::shared_ptr<const void> Share() const {
    if (m_Bytes && (!m_Spare || (m_Spare.use_count() == 1 && m_Spare->size() != m_Bytes->size())))
      m_Spare = std::make_shared<Bytes>(m_Bytes->size());
    return m_Bytes;
  }
  bool Shared() const { return m_Bytes.use_count() > 1; }

  // For a caller about to overwrite every byte: the contents become unspecified, and bytes a
  // window holds are left to it rather than copied.
  void Discard() {
    if (!m_Bytes) {
      m_Bytes = std::make_shared<Bytes>();
      return;
    }
    if (!Shared()) return;
    const size_t n = m_Bytes->size();
    if (!m_Spare || m_Spare.use_count() > 1) m_Spare = std::make_shared<Bytes>();
    m_Spare.swap(m_Bytes);
    m_Bytes->resize(n);
  }

 private:
  static std::shared_ptr<Bytes> Copy(const std::shared_ptr<Bytes>& bytes) {
    return bytes ? std::make_shared<Bytes>(*bytes) : nullptr;
  }

  // Copies shared bytes into a buffer of this surface's own before a write.
  void Own() {
    if (!Shared()) return;
    const std::shared_ptr<Bytes> shown = m_Bytes;
    Discard();
    *m_Bytes = *shown;
  }

  std::shared_ptr<Bytes> m_Bytes;
  // The buffer of the other turn, while a window may still be showing it.
  mutable std::shared_ptr<Bytes> m_Spare;
};

}  // namespace dx
