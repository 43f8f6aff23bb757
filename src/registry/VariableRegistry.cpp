#include "registry/VariableRegistry.h"

#include <cerrno>
#include <cstring>

#include "registry/LoadFile.h"
#include "registry/SaveFile.h"
#include "registry/ValueScan.h"

namespace {

// Case-insensitive for A-Z only, whatever the locale: names are program identifiers.
bool SameName(const char* a, const char* b) {
  auto fold = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; };
  for (; *a && *b; ++a, ++b) {
    if (fold(static_cast<unsigned char>(*a)) != fold(static_cast<unsigned char>(*b))) return false;
  }
  return *a == *b;
}

// Removes trailing white space, but never the first character.
void StripTrailingSpace(char* line) {
  size_t n = std::strlen(line);
  while (n > 1 && quennet::IsSpace(line[n - 1])) line[--n] = '\0';
}

}  // namespace

VariableRegistry::~VariableRegistry() {
  for (int32_t i = 0; i < entryCount(); ++i) delete entryAt(i);
  m_Entries.RemoveAll();
}

RegistryEntry* VariableRegistry::entryAt(int32_t i) const {
  // ValueList offers no read-only element access; reading through it changes nothing.
  return static_cast<RegistryEntry*>(const_cast<ValueList&>(m_Entries).ElementAt(i));
}

RegistryEntry* VariableRegistry::find(const char* key) const {
  for (int32_t i = 0; i < m_Entries.GetSize(); ++i) {
    RegistryEntry* entry = entryAt(i);
    if (SameName(entry->name(), key)) return entry;
  }
  return nullptr;
}

RegistryEntry* VariableRegistry::findOrAdd(const char* key) {
  if (RegistryEntry* existing = find(key)) return existing;
  auto* entry = new RegistryEntry;
  entry->setName(key);
  m_Entries.Append(entry, 1);
  return entry;
}

RegistryEntry* VariableRegistry::addVoid(const char* name, void* storage) {
  RegistryEntry* entry = findOrAdd(name);
  entry->bindVoid(storage);
  return entry;
}
RegistryEntry* VariableRegistry::addScalar(const char* name, float* storage) {
  RegistryEntry* entry = findOrAdd(name);
  entry->bindScalar(storage);
  return entry;
}
RegistryEntry* VariableRegistry::addV2(const char* name, float* storage) {
  RegistryEntry* entry = findOrAdd(name);
  entry->bindV2(storage);
  return entry;
}
RegistryEntry* VariableRegistry::addV3(const char* name, float* storage) {
  RegistryEntry* entry = findOrAdd(name);
  entry->bindV3(storage);
  return entry;
}
RegistryEntry* VariableRegistry::addV4(const char* name, float* storage) {
  RegistryEntry* entry = findOrAdd(name);
  entry->bindV4(storage);
  return entry;
}
RegistryEntry* VariableRegistry::addInt(const char* name, int* storage) {
  RegistryEntry* entry = findOrAdd(name);
  entry->bindInt(storage);
  return entry;
}
RegistryEntry* VariableRegistry::addString(const char* name, char* storage, size_t size) {
  RegistryEntry* entry = findOrAdd(name);
  entry->bindString(storage, size);
  return entry;
}

void VariableRegistry::writeAll(FILE* stream) const {
  if (!stream) return;
  for (int32_t i = 0; i < m_Entries.GetSize(); ++i) {
    entryAt(i)->write(stream);
    std::fputc('\n', stream);
  }
}

FileResult VariableRegistry::save(const char* path) const {
  if (!path) return FileResult::Failure(EINVAL);
  SaveFile file(path);
  if (FileResult opened = file.open(); !opened.ok) return opened;
  errno = 0;
  writeAll(file.stream());
  return file.commit();
}

void VariableRegistry::readAll(FILE* stream) {
  if (!stream) return;
  char line[kLineLimit];
  while (std::fgets(line, kLineLimit, stream)) {
    if (line[0] == '#') continue;
    StripTrailingSpace(line);
    // Unknown names, separators and stray value lines match nothing and pass.
    if (RegistryEntry* entry = find(line)) entry->read(stream);
  }
}

FileResult VariableRegistry::load(const char* path) {
  if (!path) return FileResult::Failure(EINVAL);
  LoadFile file(path);
  if (FileResult opened = file.open(); !opened.ok) return opened;
  errno = 0;
  readAll(file.stream());
  // A read error (the disk fails) ends reading early; whatever was read before it has
  // been applied.
  return file.close();
}
