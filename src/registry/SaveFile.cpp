#include "registry/SaveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

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

// Devices and pipes cannot be synced; that is no failure of the save.
int SyncError(int fd) {
  if (::fsync(fd) == 0 || errno == EINVAL || errno == EROFS) return 0;
  return errno;
}

bool ReadAll(int fd, std::string& out) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out.append(buffer, static_cast<size_t>(n));
  }
}

bool WriteAllAt(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

FileResult FailureClosing(int fd) {
  const int error = errno;
  ::close(fd);
  return FileResult::Failure(error);
}

}  // namespace

SaveFile::SaveFile(std::string path, Temporary first) : m_Path(std::move(path)), m_First(first) {}

SaveFile::~SaveFile() {
  discard();
}

std::string SaveFile::HiddenNameFor(const std::string& target) {
  return DirectoryOf(target) + "/." + BaseNameOf(target) + ".quennet-save";
}

void SaveFile::discard() {
  if (m_Stream) {
    std::fclose(m_Stream);
    m_Stream = nullptr;
  }
  if (!m_Committed) {
    if (m_Way == Way::Named) ::unlink(m_Hidden.c_str());
    if (m_Way == Way::InPlace) restoreOldBytes();
  }
  if (m_Fd >= 0) {
    ::close(m_Fd);
    m_Fd = -1;
  }
  m_Way = Way::None;
  m_OldBytes.clear();
  m_Committed = false;
}

FileResult SaveFile::open() {
  discard();
  if (m_Path.empty()) return FileResult::Failure(ENOENT);
  if (m_Path.back() == '/') return FileResult::Failure(EISDIR);

  struct stat st {};
  if (::stat(m_Path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return FileResult::Failure(EISDIR);
    if (S_ISREG(st.st_mode)) {
      // Replacing by rename needs no write permission on the file itself; refuse
      // what opening it for writing would refuse.
      if (::access(m_Path.c_str(), W_OK) != 0) return FileResult::Failure(errno);
      char resolved[PATH_MAX];
      if (!::realpath(m_Path.c_str(), resolved)) return FileResult::Failure(errno);
      m_Target = resolved;
      return openTemporary(true, st);
    }
  } else if (errno == ENOENT) {
    struct stat link;
    const bool dangling = ::lstat(m_Path.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
    if (!dangling) {
      m_Target = m_Path;
      return openTemporary(false, st);
    }
  } else {
    return FileResult::Failure(errno);
  }

  // A device, a pipe or a dangling link: nothing to preserve, write in place.
  m_Target = m_Path;
  const int fd = ::open(m_Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return FileResult::Failure(errno);
  return openStream(fd, Way::Direct);
}

FileResult SaveFile::openTemporary(bool existing, const struct stat& old) {
  const std::string dir = DirectoryOf(m_Target);
  m_Hidden = HiddenNameFor(m_Target);
  // Mode 0666 lets the umask decide, as creating the file directly would.
  int fd = -1;
  Way way = Way::Unnamed;
  if (m_First == Temporary::Unnamed) {
    fd = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  }
  if (fd < 0) {
    // The system has no unnamed temporaries here: the fixed name, freed of any leftover
    // of a save that was killed.
    way = Way::Named;
    ::unlink(m_Hidden.c_str());
    fd = ::open(m_Hidden.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  }
  if (fd < 0) {
    // A folder the user may not create files in can still hold a file they may write.
    if (existing) return openInPlace();
    return FileResult::Failure(errno);
  }
  if (existing) {
    // The owner first: changing it clears the set-user-id and set-group-id bits.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    if (::fchmod(fd, old.st_mode & 07777) != 0) {
      const int error = errno;
      ::close(fd);
      if (way == Way::Named) ::unlink(m_Hidden.c_str());
      return FileResult::Failure(error);
    }
  }
  return openStream(fd, way);
}

FileResult SaveFile::openInPlace() {
  const int fd = ::open(m_Target.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return FileResult::Failure(errno);
  std::string old;
  if (!ReadAll(fd, old) || ::lseek(fd, 0, SEEK_SET) != 0) return FailureClosing(fd);
  m_OldBytes = std::move(old);
  return openStream(fd, Way::InPlace);
}

FileResult SaveFile::openStream(int fd, Way way) {
  m_Way = way;
  if (way == Way::Unnamed || way == Way::InPlace) {
    m_Fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (m_Fd < 0) {
      const FileResult failed = FailureClosing(fd);
      m_OldBytes.clear();
      m_Way = Way::None;
      return failed;
    }
  }
  // In place the old bytes are overwritten, not truncated first, and cut at commit.
  m_Stream = ::fdopen(fd, "w");
  if (!m_Stream) {
    const FileResult failed = FailureClosing(fd);
    discard();
    return failed;
  }
  return FileResult::Success();
}

void SaveFile::restoreOldBytes() {
  if (m_Fd < 0) return;
  // Nothing more can be done if this fails too; the caller reports the first failure.
  if (WriteAllAt(m_Fd, m_OldBytes) &&
      ::ftruncate(m_Fd, static_cast<off_t>(m_OldBytes.size())) == 0) {
    ::fsync(m_Fd);
  }
}

FileResult SaveFile::linkUnnamed() {
  // Linking by descriptor needs a privilege; the descriptor's /proc name does not.
  const std::string byProc = "/proc/self/fd/" + std::to_string(m_Fd);
  auto link = [&] {
    return ::linkat(m_Fd, "", AT_FDCWD, m_Hidden.c_str(), AT_EMPTY_PATH) == 0 ||
           ::linkat(AT_FDCWD, byProc.c_str(), AT_FDCWD, m_Hidden.c_str(), AT_SYMLINK_FOLLOW) == 0;
  };
  if (!link()) {
    if (errno != EEXIST) return FileResult::Failure(errno);
    // The leftover of a save that was killed between link and rename.
    ::unlink(m_Hidden.c_str());
    if (!link()) return FileResult::Failure(errno);
  }
  m_Way = Way::Named;
  return FileResult::Success();
}

FileResult SaveFile::commit() {
  if (!m_Stream) return FileResult::Failure(EBADF);

  // Keep the first failure: later steps would only report its consequences. A
  // write that failed earlier left its reason in errno (callers clear it first).
  int error = 0;
  if (std::ferror(m_Stream)) error = errno ? errno : EIO;
  if (std::fflush(m_Stream) != 0 && error == 0) error = errno;
  if (error == 0) error = SyncError(fileno(m_Stream));
  const int closed = std::fclose(m_Stream);
  m_Stream = nullptr;
  if (closed != 0 && error == 0) error = errno;

  if (error == 0 && m_Way == Way::InPlace) {
    // The new text may be shorter than the old.
    const off_t length = ::lseek(m_Fd, 0, SEEK_CUR);
    if (length < 0 || ::ftruncate(m_Fd, length) != 0) error = errno;
    if (error == 0) error = SyncError(m_Fd);
  }
  if (error == 0 && m_Way == Way::Unnamed) {
    const FileResult linked = linkUnnamed();
    if (!linked.ok) error = linked.error;
  }
  if (error == 0 && m_Way == Way::Named && ::rename(m_Hidden.c_str(), m_Target.c_str()) != 0) {
    error = errno;
  }
  if (error != 0) {
    discard();
    return FileResult::Failure(error);
  }
  m_Committed = true;
  if (m_Way == Way::Named) SyncDirectory(DirectoryOf(m_Target));
  discard();
  return FileResult::Success();
}
