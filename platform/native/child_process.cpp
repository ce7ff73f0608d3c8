#include "platform/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <algorithm>

#include "platform/session.h"

extern char** environ;

namespace platform {

ChildProcess::~ChildProcess() { Kill(); }

bool ChildProcess::Start(const std::vector<std::string>& argv, bool feed) {
  // A child that ends early breaks its pipe: an error to report, not a
  // reason for us to die.
  signal(SIGPIPE, SIG_IGN);
  int fds[2] = {-1, -1};
  if (feed && pipe2(fds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (feed) posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
  else posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setpgroup(&attr, 0);
  // Our own handlers do not survive exec; SIGPIPE's "ignore" would.
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (feed) close(fds[0]);
  if (rc != 0) {
    if (feed) close(fds[1]);
    return false;
  }
  pid_ = pid;
  input_ = feed ? fds[1] : -1;
  failed_ = false;
  return true;
}

bool ChildProcess::Write(const void* data, size_t bytes) {
  const char* at = static_cast<const char*>(data);
  while (bytes > 0 && !failed_) {
    const ssize_t n = write(input_, at, bytes);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed_ = true;
      break;
    }
    at += n;
    bytes -= size_t(n);
  }
  return !failed_;
}

ChildProcess::End ChildProcess::Finish() {
  if (input_ >= 0) close(input_);
  input_ = -1;
  if (pid_ < 0) return End::Failed;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) break;
    if (done < 0 && errno != EINTR) {
      pid_ = -1;
      return End::Failed;
    }
    if (QuitSignal()) {
      Kill();
      return End::Interrupted;
    }
    usleep(2000);
  }
  pid_ = -1;
  return !failed_ && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? End::Success : End::Failed;
}

void ChildProcess::Kill() {
  if (input_ >= 0) close(input_);
  input_ = -1;
  if (pid_ < 0) return;
  kill(pid_, SIGKILL);
  while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {}
  pid_ = -1;
}

bool HaveProgram(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  for (size_t at = 0; at <= dirs.size();) {
    const size_t colon = std::min(dirs.find(':', at), dirs.size());
    const std::string dir = dirs.substr(at, colon - at);
    at = colon + 1;
    if (access(((dir.empty() ? "." : dir) + "/" + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

}  // namespace platform
