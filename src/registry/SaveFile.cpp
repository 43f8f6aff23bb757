#include "registry/SaveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

namespace {

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Makes the rename itself durable; a failure here cannot undo the save any more.
void SyncDirectory(const std::string& dir) {
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

SaveFile::SaveFile(std::string path) : m_Path(std::move(path)) {}

SaveFile::~SaveFile() {
  discard();
}

void SaveFile::discard() {
  if (m_Stream) {
    std::fclose(m_Stream);
    m_Stream = nullptr;
  }
  if (!m_Temporary.empty()) {
    ::unlink(m_Temporary.c_str());
    m_Temporary.clear();
  }
}

FileResult SaveFile::open() {
  discard();
  if (m_Path.empty()) return FileResult::Failure(ENOENT);
  if (m_Path.back() == '/') return FileResult::Failure(EISDIR);

  struct stat st;
  if (::stat(m_Path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return FileResult::Failure(EISDIR);
    if (S_ISREG(st.st_mode)) {
      // Replacing by rename needs no write permission on the file itself; refuse
      // what opening it for writing would refuse.
      if (::access(m_Path.c_str(), W_OK) != 0) return FileResult::Failure(errno);
      char resolved[PATH_MAX];
      if (!::realpath(m_Path.c_str(), resolved)) return FileResult::Failure(errno);
      return openTemporary(resolved, true, st.st_mode & 07777);
    }
  } else if (errno == ENOENT) {
    struct stat link;
    const bool dangling = ::lstat(m_Path.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
    if (!dangling) return openTemporary(m_Path, false, 0);
  } else {
    return FileResult::Failure(errno);
  }

  // A device, a pipe or a dangling link: nothing to preserve, write in place.
  m_Target = m_Path;
  m_Stream = std::fopen(m_Path.c_str(), "we");
  return m_Stream ? FileResult::Success() : FileResult::Failure(errno);
}

FileResult SaveFile::openTemporary(const std::string& target, bool keepMode, unsigned mode) {
  m_Target = target;
  const std::string stem = DirectoryOf(target) + "/." + BaseNameOf(target) + ".";
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::minstd_rand random(std::random_device{}());
  std::uniform_int_distribution<int> pick(0, sizeof kAlphabet - 2);

  int fd = -1;
  std::string name;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    name = stem;
    for (int i = 0; i < 8; ++i) name.push_back(kAlphabet[pick(random)]);
    // Mode 0666 lets the umask decide, as creating the file directly would.
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return FileResult::Failure(errno);
  }
  if (fd < 0) return FileResult::Failure(EEXIST);
  m_Temporary = name;

  if (keepMode && ::fchmod(fd, mode) != 0) {
    const int error = errno;
    ::close(fd);
    discard();
    return FileResult::Failure(error);
  }
  m_Stream = ::fdopen(fd, "w");
  if (!m_Stream) {
    const int error = errno;
    ::close(fd);
    discard();
    return FileResult::Failure(error);
  }
  return FileResult::Success();
}

FileResult SaveFile::commit() {
  if (!m_Stream) return FileResult::Failure(EBADF);

  // Keep the first failure: later steps would only report its consequences. A
  // write that failed earlier left its reason in errno (callers clear it first).
  int error = 0;
  if (std::ferror(m_Stream)) error = errno ? errno : EIO;
  if (std::fflush(m_Stream) != 0 && error == 0) error = errno;
  // Devices and pipes cannot be synced; that is no failure of the save.
  if (error == 0 && ::fsync(fileno(m_Stream)) != 0 && errno != EINVAL && errno != EROFS) {
    error = errno;
  }
  const int closed = std::fclose(m_Stream);
  m_Stream = nullptr;
  if (closed != 0 && error == 0) error = errno;
  if (error != 0) {
    discard();
    return FileResult::Failure(error);
  }

  if (!m_Temporary.empty()) {
    if (::rename(m_Temporary.c_str(), m_Target.c_str()) != 0) {
      const int renameError = errno;
      discard();
      return FileResult::Failure(renameError);
    }
    m_Temporary.clear();
    SyncDirectory(DirectoryOf(m_Target));
  }
  return FileResult::Success();
}
