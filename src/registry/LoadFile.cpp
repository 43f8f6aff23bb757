#include "registry/LoadFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

FileResult NotRegular(mode_t mode) {
  if (S_ISDIR(mode)) return FileResult::Failure(EISDIR);
  FileResult result = FileResult::Failure(EINVAL);
  result.reason = LoadFile::kNotRegularReason;
  return result;
}

}  // namespace

LoadFile::LoadFile(std::string path) : m_Path(std::move(path)) {}

LoadFile::~LoadFile() {
  if (m_Stream) std::fclose(m_Stream);
}

FileResult LoadFile::open() {
  if (m_Stream) close();
  // Without O_NONBLOCK a pipe nobody writes would block the open itself; the type is
  // checked on the opened descriptor, so nothing can be swapped in between.
  const int fd = ::open(m_Path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    // A socket cannot be opened at all; say what it is rather than ENXIO.
    struct stat st;
    if (error == ENXIO && ::stat(m_Path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
      return NotRegular(st.st_mode);
    }
    return FileResult::Failure(error);
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    return FileResult::Failure(error);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return NotRegular(st.st_mode);
  }
  // A regular file is read as any other: blocking, through a stdio stream.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int error = errno;
    ::close(fd);
    return FileResult::Failure(error);
  }
  m_Stream = ::fdopen(fd, "r");
  if (!m_Stream) {
    const int error = errno;
    ::close(fd);
    return FileResult::Failure(error);
  }
  return FileResult::Success();
}

FileResult LoadFile::close() {
  if (!m_Stream) return FileResult::Failure(EBADF);
  const int error = std::ferror(m_Stream) ? (errno ? errno : EIO) : 0;
  std::fclose(m_Stream);
  m_Stream = nullptr;
  return error ? FileResult::Failure(error) : FileResult::Success();
}
