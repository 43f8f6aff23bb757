// The program's named, typed variables, in registration order, and the text
// file in which they are saved and loaded by name.
//
// File format: one record per entry, in registry order: the name line, the value
// line, then an empty line. Floats are printed as "%13.7f" (vector components
// separated by one space), ints as "%13d", strings as "%s" and untyped entries
// as "0x%8X" of their address. On reading, lines starting with '#' are skipped
// where a name is expected, a name line matches its entry case-insensitively
// after trailing white space is removed, and the line after a matched name is
// that entry's value. Lines are handled in pieces of at most 1022 characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "geometry/ValueList.h"
#include "registry/FileResult.h"
#include "registry/RegistryEntry.h"

class VariableRegistry {
 public:
  VariableRegistry() = default;
  ~VariableRegistry();
  VariableRegistry(const VariableRegistry&) = delete;
  VariableRegistry& operator=(const VariableRegistry&) = delete;

  // The first entry whose name equals key, ignoring the case of the ASCII letters
  // only; null if there is none.
  RegistryEntry* find(const char* key) const;
  // The entry find returns, unchanged; otherwise a new entry named key, appended.
  RegistryEntry* findOrAdd(const char* key);

  // Registration binds the named entry to storage; registering a name again
  // (in any letter case) rebinds the existing entry in place.
  RegistryEntry* addVoid(const char* name, void* storage);
  RegistryEntry* addScalar(const char* name, float* storage);
  RegistryEntry* addV2(const char* name, float* storage);
  RegistryEntry* addV3(const char* name, float* storage);
  RegistryEntry* addV4(const char* name, float* storage);
  RegistryEntry* addInt(const char* name, int* storage);
  RegistryEntry* addString(const char* name, char* storage, size_t size);

  int32_t entryCount() const { return m_Entries.GetCount(); }
  RegistryEntry* entryAt(int32_t i) const;

  // Every entry's record, each followed by an empty line; nothing for a null stream.
  void writeAll(FILE* stream) const;
  // Replaces the file at path with writeAll's text. On failure the file that was
  // there is untouched and the result carries the system's reason.
  FileResult save(const char* path) const;
  // Reads records until the stream ends; nothing for a null stream.
  void readAll(FILE* stream);
  // Reads the file at path into the bound variables. A file that cannot be opened, or
  // that is no regular file (a directory, a device, a pipe), changes nothing; the result
  // says why.
  FileResult load(const char* path);

 private:
  ValueList m_Entries;
};
