// What a whole-file save or load tells its caller: success, or the system's
// error number and its text, ready to be shown next to the file's path.
#pragma once

#include <string>

struct FileResult {
  bool ok = true;
  int error = 0;       // errno of the step that failed; 0 on success
  std::string reason;  // the system's description of error (strerror), empty on success

  static FileResult Success() { return {}; }
  static FileResult Failure(int error);
};
