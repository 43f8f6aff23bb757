#include "registry/RegistryEntry.h"

#include <cstdint>
#include <cstring>

#include "registry/ClassicLocale.h"
#include "registry/ValueScan.h"

static_assert(sizeof(int) == 4, "int entries hold 32-bit integers");
static_assert(sizeof(float) == 4, "vector entries hold 32-bit floats");

const char* const kRegistryTypeNames[kTypeCount] = {"void",  "zqscalar", "zq_v2", "zq_v3",
                                                    "zq_v4", "int",      "string"};

const char* RegistryTypeName(int32_t code) {
  return (code >= 0 && code < kTypeCount) ? kRegistryTypeNames[code] : nullptr;
}

namespace {

// Number of floats a vector type code stands for, 0 for the other codes.
int FloatCount(int32_t type) {
  return (type >= kTypeScalar && type <= kTypeV4) ? type : 0;
}

}  // namespace

void RegistryEntry::setName(const char* text) {
  // Copied before the old name goes: text may be the entry's own name.
  std::unique_ptr<char[]> copy;
  if (text) {
    const size_t length = std::strlen(text);
    copy = std::make_unique<char[]>(length + 1);
    std::memcpy(copy.get(), text, length + 1);
  }
  m_Name = std::move(copy);
}

const char* RegistryEntry::name() const {
  return m_Name ? m_Name.get() : "";
}

void RegistryEntry::bindVoid(void* storage) {
  m_Storage = storage;
  m_Type = kTypeVoid;
}
void RegistryEntry::bindScalar(float* storage) {
  m_Storage = storage;
  m_Type = kTypeScalar;
}
void RegistryEntry::bindV2(float* storage) {
  m_Storage = storage;
  m_Type = kTypeV2;
}
void RegistryEntry::bindV3(float* storage) {
  m_Storage = storage;
  m_Type = kTypeV3;
}
void RegistryEntry::bindV4(float* storage) {
  m_Storage = storage;
  m_Type = kTypeV4;
}
void RegistryEntry::bindInt(int* storage) {
  m_Storage = storage;
  m_Type = kTypeInt;
}
void RegistryEntry::bindString(char* storage, size_t size) {
  m_Storage = storage;
  m_Type = kTypeString;
  m_StringSize = size;
}

int RegistryEntry::write(FILE* stream) const {
  if (!stream) return 1;
  if (name()[0] == '\0') return 2;
  if (!m_Storage) return 3;

  ClassicLocaleScope classic;
  std::fprintf(stream, "%s\n", name());
  if (const int n = FloatCount(m_Type)) {
    const float* v = static_cast<const float*>(m_Storage);
    for (int i = 0; i < n; ++i) {
      std::fprintf(stream, i == 0 ? "%13.7f" : " %13.7f", static_cast<double>(v[i]));
    }
    std::fputc('\n', stream);
  } else if (m_Type == kTypeInt) {
    std::fprintf(stream, "%13d\n", *static_cast<const int*>(m_Storage));
  } else if (m_Type == kTypeString) {
    // The buffer may lack its terminator; never read past its bound size.
    const char* text = static_cast<const char*>(m_Storage);
    const size_t length = strnlen(text, m_StringSize);
    std::fprintf(stream, "%.*s\n", static_cast<int>(length), text);
  } else {
    // The address, in the 32-bit form the reader takes back: on 64-bit systems
    // its low 32 bits.
    const auto address = reinterpret_cast<uintptr_t>(m_Storage);
    std::fprintf(stream, "0x%8X\n", static_cast<unsigned>(address & 0xFFFFFFFFu));
  }
  return 0;
}

int RegistryEntry::read(FILE* stream) {
  if (!stream) return 1;
  if (!m_Storage) return 2;
  char line[kLineLimit];
  if (std::fgets(line, kLineLimit, stream)) parseValueLine(line);
  return 0;
}

void RegistryEntry::parseValueLine(const char* line) {
  if (!m_Storage) return;
  ClassicLocaleScope classic;
  const char* p = line;
  if (const int n = FloatCount(m_Type)) {
    // Each field is stored as soon as it parses; the first failure ends the line.
    float* v = static_cast<float*>(m_Storage);
    for (int i = 0; i < n && quennet::ScanFloat(p, v[i]); ++i) {
    }
  } else if (m_Type == kTypeInt) {
    int32_t value;
    if (quennet::ScanInt13(p, value)) *static_cast<int*>(m_Storage) = value;
  } else if (m_Type == kTypeString) {
    quennet::ScanWord(p, static_cast<char*>(m_Storage), m_StringSize);
  } else if (p[0] == '0' && p[1] == 'x') {
    p += 2;
    uint32_t value;
    if (quennet::ScanHex8(p, value)) std::memcpy(m_Storage, &value, sizeof value);
  }
}
