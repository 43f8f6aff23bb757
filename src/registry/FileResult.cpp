#include "registry/FileResult.h"

#include <cerrno>
#include <cstring>

FileResult FileResult::Failure(int error) {
  // A failed stdio call does not always leave errno set; call that an I/O error
  // rather than report a failure with no reason.
  if (error == 0) error = EIO;
  FileResult result;
  result.ok = false;
  result.error = error;
  result.reason = std::strerror(error);
  return result;
}
