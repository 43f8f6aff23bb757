#include "ProcessMemory.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace reliability {

namespace {

long StatusField(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const size_t length = std::strlen(field);
  while (std::getline(in, line)) {
    if (line.compare(0, length, field) == 0 && line.size() > length && line[length] == ':')
      return std::atol(line.c_str() + length + 1);
  }
  return -1;
}

}  // namespace

long ResidentKb() {
  return StatusField("VmRSS");
}
long PeakResidentKb() {
  return StatusField("VmHWM");
}

bool ResetPeakResident() {
  std::ofstream out("/proc/self/clear_refs");
  out << "5";
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace reliability
