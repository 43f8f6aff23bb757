// A file that appears whole or not at all: it is written under a temporary name beside its
// target and moved into place by Commit(). Until then, and when anything failed, the target
// is untouched and the temporary is removed when the PendingFile goes.
#pragma once

#include <string>

namespace render_tool {

class PendingFile {
 public:
  explicit PendingFile(std::string target);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  const std::string& Target() const { return m_Target; }
  // Where to write until Commit().
  const std::string& Path() const { return m_Temp; }

  // Makes the temporary (empty), so that a folder that refuses it is told before any work.
  bool Create(std::string* error);
  // Moves the temporary onto the target.
  bool Commit(std::string* error);

 private:
  std::string m_Target;
  std::string m_Temp;
  bool m_Committed = false;
};

// "cannot write 'path': reason", the one line every refused output gets.
std::string CannotWrite(const std::string& path, const std::string& reason);

}  // namespace render_tool
