// A fresh directory for the running test, named after it and removed afterwards.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

class TempDir {
 public:
  // prefix: what the directory's name starts with, before the test's suite and name.
  explicit TempDir(const std::string& prefix);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return m_Path; }
  std::filesystem::path operator/(const std::string& name) const { return m_Path / name; }

 private:
  std::filesystem::path m_Path;
};

// The names in dir, sorted.
std::vector<std::string> Listing(const std::filesystem::path& dir);
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& text);

}  // namespace testsupport
