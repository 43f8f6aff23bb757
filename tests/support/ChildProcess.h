// Parts of a test that run in a forked child: as an unprivileged user (the tests run as
// root in CI, and root may write anywhere), under an alarm (a call that may hang), or to
// be killed at a random moment. A child reports through its exit status only.
#pragma once

#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

namespace testsupport {

// The conventional unprivileged user and group.
inline constexpr uid_t kNobody = 65534;

struct ChildOptions {
  bool unprivileged = false;  // run as kNobody when the test runs as root
  unsigned alarmSeconds = 0;  // killed by SIGALRM after this long; 0 for no limit
};

// Starts body in a child process; its result becomes the child's exit status. A child
// that cannot drop its privileges exits with 125.
inline pid_t StartChild(const std::function<int()>& body, ChildOptions options = {}) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  if (options.unprivileged && ::geteuid() == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
      ::_exit(125);
  }
  if (options.alarmSeconds) ::alarm(options.alarmSeconds);
  ::_exit(body());
}

// The exit status of the child, or -1 when it ended by a signal.
inline int WaitForChild(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline int RunInChild(const std::function<int()>& body, ChildOptions options = {}) {
  return WaitForChild(StartChild(body, options));
}

}  // namespace testsupport
