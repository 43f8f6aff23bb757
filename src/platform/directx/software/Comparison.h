// The eight comparisons of Direct3D (depth and alpha tests): one dispatcher that turns a
// comparison known only at run time into a compile-time one, so that every drawing path is
// instantiated once per comparison without a switch of its own.
#pragma once

#include <cstdint>
#include <type_traits>

#include "platform/directx/DirectX.h"

namespace dx::software {

template <DWORD F>
using ComparisonConstant = std::integral_constant<DWORD, F>;

// Calls f(ComparisonConstant<func>{}) and returns what it returns; anything outside
// D3DCMP_NEVER … D3DCMP_GREATEREQUAL counts as D3DCMP_ALWAYS.
template <class F>
decltype(auto) WithComparison(DWORD func, F&& f) {
  switch (func) {
    case D3DCMP_NEVER:
      return f(ComparisonConstant<D3DCMP_NEVER>{});
    case D3DCMP_LESS:
      return f(ComparisonConstant<D3DCMP_LESS>{});
    case D3DCMP_EQUAL:
      return f(ComparisonConstant<D3DCMP_EQUAL>{});
    case D3DCMP_LESSEQUAL:
      return f(ComparisonConstant<D3DCMP_LESSEQUAL>{});
    case D3DCMP_GREATER:
      return f(ComparisonConstant<D3DCMP_GREATER>{});
    case D3DCMP_NOTEQUAL:
      return f(ComparisonConstant<D3DCMP_NOTEQUAL>{});
    case D3DCMP_GREATEREQUAL:
      return f(ComparisonConstant<D3DCMP_GREATEREQUAL>{});
    default:
      return f(ComparisonConstant<D3DCMP_ALWAYS>{});
  }
}

// Whether value passes the comparison F against stored.
template <DWORD F>
[[gnu::always_inline]] inline bool Compare(uint32_t value, uint32_t stored) {
  if constexpr (F == D3DCMP_NEVER) return false;
  if constexpr (F == D3DCMP_LESS) return value < stored;
  if constexpr (F == D3DCMP_EQUAL) return value == stored;
  if constexpr (F == D3DCMP_LESSEQUAL) return value <= stored;
  if constexpr (F == D3DCMP_GREATER) return value > stored;
  if constexpr (F == D3DCMP_NOTEQUAL) return value != stored;
  if constexpr (F == D3DCMP_GREATEREQUAL) return value >= stored;
  return true;
}

inline bool Compare(DWORD func, uint32_t value, uint32_t stored) {
  return WithComparison(func, [&](auto f) { return Compare<decltype(f)::value>(value, stored); });
}

}  // namespace dx::software
