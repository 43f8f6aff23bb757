// One named, typed binding to a variable that lives elsewhere. The entry never
// owns the value: saving and loading read and write the bound storage in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

// Type codes: how the bound storage is laid out.
enum RegistryType : int32_t {
  kTypeVoid = 0,    // untyped; read back as one 32-bit unsigned integer
  kTypeScalar = 1,  // one float
  kTypeV2 = 2,      // two consecutive floats
  kTypeV3 = 3,      // three consecutive floats
  kTypeV4 = 4,      // four consecutive floats (red, green, blue, alpha for a colour)
  kTypeInt = 5,     // one 32-bit signed integer
  kTypeString = 6,  // a zero-terminated character buffer owned by the caller
};
inline constexpr int32_t kTypeCount = 7;

// The types' names, indexed by code. Parameter files never contain them.
extern const char* const kRegistryTypeNames[kTypeCount];
// The name of a type code, or null for a code outside the table.
const char* RegistryTypeName(int32_t code);

// Lines are read in pieces of at most kLineLimit - 1 characters.
inline constexpr int kLineLimit = 1023;

class RegistryEntry {
 public:
  RegistryEntry() = default;
  RegistryEntry(const RegistryEntry&) = delete;
  RegistryEntry& operator=(const RegistryEntry&) = delete;

  // Replaces the name with a copy of text; null leaves the entry unnamed.
  void setName(const char* text);
  // The name, or "" when the entry has none; never null.
  const char* name() const;

  // Each binder sets the storage and its type code; a null pointer is stored as is.
  // Void storage must hold at least 4 bytes: loading writes a 32-bit value there.
  void bindVoid(void* storage);
  void bindScalar(float* storage);
  void bindV2(float* storage);
  void bindV3(float* storage);
  void bindV4(float* storage);
  void bindInt(int* storage);
  // size is the buffer's full size in bytes: loading never writes past it, and
  // saving never reads past it.
  void bindString(char* storage, size_t size);
  void setType(int32_t code) { m_Type = code; }

  void* storage() const { return m_Storage; }
  int32_t type() const { return m_Type; }
  size_t stringSize() const { return m_StringSize; }

  // Writes the name line and the value line. 0 on success; 1 for a null stream,
  // 2 for a missing or empty name, 3 for missing storage (nothing written then).
  int write(FILE* stream) const;
  // Reads exactly one line, the value line, and parses it into the storage by the
  // type code; fields before the first one that fails to parse are kept. 0 when a
  // line was read or the stream ended; 1 for a null stream, 2 for missing storage
  // (no line read then).
  int read(FILE* stream);

 private:
  // Parses one value line into the storage; the part of read after the line is in.
  void parseValueLine(const char* line);

  std::unique_ptr<char[]> m_Name;
  void* m_Storage = nullptr;
  int32_t m_Type = kTypeVoid;
  size_t m_StringSize = 0;
};
