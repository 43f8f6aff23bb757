#include "CountingNew.h"

#include <dlfcn.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace reliability {
namespace {

std::atomic<long> g_allocations{0};
std::atomic<size_t> g_bytes{0};
std::atomic<long> g_qtAllocations{0};
std::atomic<int> g_counting{0};

bool CalledFromQt(const void* caller) {
  Dl_info info{};
  if (!caller || !dladdr(caller, &info) || !info.dli_fname) return false;
  const char* base = std::strrchr(info.dli_fname, '/');
  return std::strncmp(base ? base + 1 : info.dli_fname, "libQt", 5) == 0;
}

void* Allocate(size_t size, size_t alignment, const void* caller) {
  if (g_counting.load(std::memory_order_relaxed) > 0) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    g_bytes.fetch_add(size, std::memory_order_relaxed);
    if (CalledFromQt(caller)) g_qtAllocations.fetch_add(1, std::memory_order_relaxed);
  }
  if (size == 0) size = 1;
  if (alignment <= alignof(std::max_align_t)) return std::malloc(size);
  // aligned_alloc wants a size that is a multiple of the alignment.
  return std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
}

void* AllocateOrThrow(size_t size, size_t alignment, const void* caller) {
  void* p = Allocate(size, alignment, caller);
  if (!p) throw std::bad_alloc();
  return p;
}

}  // namespace

// Counting is on whenever any counter lives; every allocation counts, so the figures
// cover everything a frame does (Qt and the C++ library included), not just our code.
CountAllocations::CountAllocations() {
  g_counting.fetch_add(1);
  m_Before = {g_allocations.load(), g_bytes.load(), g_qtAllocations.load()};
}

CountAllocations::~CountAllocations() {
  g_counting.fetch_sub(1);
}

AllocCounts CountAllocations::Counts() const {
  return {g_allocations.load() - m_Before.allocations, g_bytes.load() - m_Before.bytes,
          g_qtAllocations.load() - m_Before.qtAllocations};
}

AllocCounts TotalAllocations() {
  return {g_allocations.load(), g_bytes.load(), g_qtAllocations.load()};
}

}  // namespace reliability

using reliability::Allocate;
using reliability::AllocateOrThrow;

void* operator new(size_t size) {
  return AllocateOrThrow(size, 0, __builtin_return_address(0));
}
void* operator new[](size_t size) {
  return AllocateOrThrow(size, 0, __builtin_return_address(0));
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size, 0, __builtin_return_address(0));
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size, 0, __builtin_return_address(0));
}
void* operator new(size_t size, std::align_val_t al) {
  return AllocateOrThrow(size, static_cast<size_t>(al), __builtin_return_address(0));
}
void* operator new[](size_t size, std::align_val_t al) {
  return AllocateOrThrow(size, static_cast<size_t>(al), __builtin_return_address(0));
}
void* operator new(size_t size, std::align_val_t al, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<size_t>(al), __builtin_return_address(0));
}
void* operator new[](size_t size, std::align_val_t al, const std::nothrow_t&) noexcept {
  return Allocate(size, static_cast<size_t>(al), __builtin_return_address(0));
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, size_t, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
