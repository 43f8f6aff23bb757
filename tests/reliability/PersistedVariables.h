// The fifteen persisted names, in registration order, with their value kinds.
#pragma once

#include <vector>

namespace reliability {

enum class ValueKind { Int, Scalar, Vec4 };
struct Persisted {
  const char* name;
  ValueKind kind;
};
const std::vector<Persisted>& PersistedVariables();

}  // namespace reliability
