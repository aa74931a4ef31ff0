#include "preview/xserver.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace clipvex::test {

PrivateXServer::PrivateXServer() {
  int fds[2];
  if (::pipe(fds) != 0) {
    problem_ = "no pipe";
    return;
  }
  ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  const std::string fd = std::to_string(fds[1]);
  std::vector<std::string> args{"Xvfb", "-displayfd", fd, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    problem_ = "Xvfb cannot be started (error " + std::to_string(rc) + ")";
    return;
  }
  pid_ = pid;
  std::string number;
  pollfd wait{fds[0], POLLIN, 0};
  while (::poll(&wait, 1, 20000) > 0) {
    char c = 0;
    if (::read(fds[0], &c, 1) != 1 || c == '\n') break;
    number.push_back(c);
  }
  ::close(fds[0]);
  if (number.empty()) {
    problem_ = "Xvfb did not report its display";
    return;
  }
  name_ = ":" + number;
  if (const char* previous = std::getenv("DISPLAY")) previousDisplay_ = previous;
  ::setenv("DISPLAY", name_.c_str(), 1);
}

PrivateXServer::~PrivateXServer() {
  if (!name_.empty()) {
    if (previousDisplay_) {
      ::setenv("DISPLAY", previousDisplay_->c_str(), 1);
    } else {
      ::unsetenv("DISPLAY");
    }
  }
  if (pid_ > 0) {
    ::kill(static_cast<pid_t>(pid_), SIGTERM);
    while (::waitpid(static_cast<pid_t>(pid_), nullptr, 0) < 0 && errno == EINTR) {
    }
  }
}

}  // namespace clipvex::test
