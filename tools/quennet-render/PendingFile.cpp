#include "PendingFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace render_tool {

std::string CannotWrite(const std::string& path, const std::string& reason) {
  return "cannot write '" + path + "': " + reason;
}

PendingFile::PendingFile(std::string target)
    : m_Target(std::move(target)), m_Temp(m_Target + ".part-" + std::to_string(::getpid())) {}

PendingFile::~PendingFile() {
  if (!m_Committed) std::remove(m_Temp.c_str());
}

bool PendingFile::Create(std::string* error) {
  errno = 0;
  std::FILE* file = std::fopen(m_Temp.c_str(), "wb");
  if (!file) {
    if (error) *error = CannotWrite(m_Target, std::strerror(errno));
    return false;
  }
  std::fclose(file);
  return true;
}

bool PendingFile::Commit(std::string* error) {
  std::error_code ec;
  fs::rename(m_Temp, m_Target, ec);
  if (ec) {
    if (error) *error = CannotWrite(m_Target, ec.message());
    return false;
  }
  m_Committed = true;
  return true;
}

}  // namespace render_tool
