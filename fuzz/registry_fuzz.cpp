// Loads arbitrary bytes as a parameter file into a registry that holds one
// variable of every type, and checks what must hold for any input:
//  - nothing is written outside the bound storage (sanitizers, guard bytes);
//  - a save of whatever was loaded reloads to a stable text after one round;
//  - each field scanner agrees with the C library's formatted scan on the
//    input's first line (same success, value and characters taken), apart from
//    integers beyond 32 bits, which the scanner refuses on purpose.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "registry/ClassicLocale.h"
#include "registry/ValueScan.h"
#include "registry/VariableRegistry.h"

namespace {

constexpr size_t kStringSize = 12;
constexpr unsigned char kGuard = 0xA5;

struct Storage {
  uint32_t untyped = 0x12345678u;
  float scalar = 1.0f;
  float v2[2] = {2.0f, 3.0f};
  float v3[3] = {4.0f, 5.0f, 6.0f};
  float v4[4] = {0.8f, 0.7f, 0.7f, 0.0f};
  int integer = 101;
  unsigned char before[8];
  char text[kStringSize] = "word";
  unsigned char after[8];

  Storage() {
    std::memset(before, kGuard, sizeof before);
    std::memset(after, kGuard, sizeof after);
  }
};

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "registry_fuzz: %s\n", what);
  std::abort();
}

void Register(VariableRegistry& registry, Storage& s) {
  registry.addVoid("void", &s.untyped);
  registry.addScalar("Scalar", &s.scalar);
  registry.addV2("v2", s.v2);
  registry.addV3("v3", s.v3);
  registry.addV4("m_Obj.m_Material.m_Diffuse", s.v4);
  registry.addInt("int", &s.integer);
  registry.addString("string", s.text, kStringSize);
}

void CheckGuards(const Storage& s) {
  for (unsigned char b : s.before) Require(b == kGuard, "write before the string buffer");
  for (unsigned char b : s.after) Require(b == kGuard, "write after the string buffer");
  Require(std::memchr(s.text, '\0', kStringSize) != nullptr, "string left unterminated");
}

void LoadBytes(VariableRegistry& registry, const void* data, size_t size) {
  // fmemopen refuses an empty buffer; an empty file changes nothing anyway.
  if (size == 0) return;
  FILE* in = fmemopen(const_cast<void*>(data), size, "r");
  if (!in) return;
  registry.readAll(in);
  std::fclose(in);
}

std::string SaveText(const VariableRegistry& registry) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&buffer, &size);
  Require(out != nullptr, "open_memstream failed");
  registry.writeAll(out);
  std::fclose(out);
  std::string text(buffer, size);
  std::free(buffer);
  return text;
}

template <typename T>
bool SameBits(T a, T b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

void CompareScanners(const char* line) {
  ClassicLocaleScope classic;
  {
    float mine = -7.0f, theirs = -7.0f;
    int taken = -1;
    const char* p = line;
    const bool ok = quennet::ScanFloat(p, mine);
    const bool libc = std::sscanf(line, "%f%n", &theirs, &taken) == 1;
    Require(ok == libc, "float scan success differs from sscanf");
    if (ok) {
      Require(SameBits(mine, theirs), "float value differs from sscanf");
      Require(p - line == taken, "float field length differs from sscanf");
    }
  }
  {
    // %13lld cannot overflow: thirteen characters stay far inside 64 bits.
    int32_t mine = -7;
    long long theirs = 0;
    int taken = -1;
    const char* p = line;
    const bool ok = quennet::ScanInt13(p, mine);
    const bool libc = std::sscanf(line, "%13lld%n", &theirs, &taken) == 1;
    const bool inRange = libc && theirs >= INT32_MIN && theirs <= INT32_MAX;
    Require(ok == inRange, "int scan success differs from sscanf");
    if (ok) {
      Require(mine == theirs, "int value differs from sscanf");
      Require(p - line == taken, "int field length differs from sscanf");
    }
  }
  {
    uint32_t mine = 7;
    unsigned long long theirs = 0;
    int taken = -1;
    const char* p = line;
    const bool ok = quennet::ScanHex8(p, mine);
    const bool libc = std::sscanf(line, "%8llX%n", &theirs, &taken) == 1;
    Require(ok == libc, "hex scan success differs from sscanf");
    if (ok) {
      Require(mine == static_cast<uint32_t>(theirs), "hex value differs from sscanf");
      Require(p - line == taken, "hex field length differs from sscanf");
    }
  }
  {
    char mine[kLineLimit], theirs[kLineLimit];
    int taken = -1;
    const char* p = line;
    const bool ok = quennet::ScanWord(p, mine, sizeof mine);
    const bool libc = std::sscanf(line, "%1022s%n", theirs, &taken) == 1;
    Require(ok == libc, "word scan success differs from sscanf");
    if (ok) {
      Require(std::strcmp(mine, theirs) == 0, "word differs from sscanf");
      Require(p - line == taken, "word length differs from sscanf");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Storage storage;
  VariableRegistry registry;
  Register(registry, storage);

  LoadBytes(registry, data, size);
  CheckGuards(storage);

  // Text to float and back settles after one round, so the second and third
  // saves must agree byte for byte.
  const std::string first = SaveText(registry);
  LoadBytes(registry, first.data(), first.size());
  const std::string second = SaveText(registry);
  LoadBytes(registry, second.data(), second.size());
  const std::string third = SaveText(registry);
  CheckGuards(storage);
  Require(second == third, "save, load and save again changed the text");

  // The first physical line, cut like the reader cuts lines.
  char line[kLineLimit];
  size_t n = 0;
  while (n < size && n < kLineLimit - 1 && data[n] != '\n') {
    line[n] = static_cast<char>(data[n]);
    ++n;
  }
  line[n] = '\0';
  CompareScanners(line);
  return 0;
}
