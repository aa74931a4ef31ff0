#include "preview/waylandsession.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace clipvex::test {
namespace {

std::optional<std::string> Get(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void Put(const char* name, const std::optional<std::string>& value) {
  if (value) {
    ::setenv(name, value->c_str(), 1);
  } else {
    ::unsetenv(name);
  }
}

}  // namespace

PrivateWaylandSession::PrivateWaylandSession() {
  if (!Get("DISPLAY")) {
    problem_ = "no X server for weston to run on";
    return;
  }
  char folder[] = "/tmp/clipvex-wayland-XXXXXX";
  if (::mkdtemp(folder) == nullptr) {
    problem_ = "no folder for the session";
    return;
  }
  folder_ = folder;
  const std::string socket = "clipvex-" + std::to_string(::getpid());
  const std::string log = folder_ + "/weston.log";
  std::vector<std::string> args{
      "weston",      "--backend=x11-backend.so", "--socket=" + socket, "--xwayland", "--idle-time=0", "--width=1024",
      "--height=768"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    if (std::string(*variable).rfind("XDG_RUNTIME_DIR=", 0) != 0) variables.emplace_back(*variable);
  }
  variables.push_back("XDG_RUNTIME_DIR=" + folder_);
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, "weston", &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    problem_ = "weston cannot be started (error " + std::to_string(rc) + "): install weston and xwayland";
    return;
  }
  pid_ = pid;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  const std::string mark = "xserver listening on display ";
  while (std::chrono::steady_clock::now() < until && display_.empty()) {
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    if (const std::size_t at = all.find(mark); at != std::string::npos) {
      const std::size_t end = all.find_first_of("\r\n", at);
      if (end != std::string::npos) display_ = all.substr(at + mark.size(), end - at - mark.size());
    }
    if (display_.empty()) {
      if (::waitpid(pid, nullptr, WNOHANG) == pid) {
        pid_ = 0;
        problem_ = "weston ended at once: " + all.substr(all.size() > 300 ? all.size() - 300 : 0);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  if (display_.empty()) {
    problem_ = "weston started no XWayland within 20 seconds (is xwayland installed?)";
    return;
  }
  previousDisplay_ = Get("DISPLAY");
  previousWayland_ = Get("WAYLAND_DISPLAY");
  previousRuntime_ = Get("XDG_RUNTIME_DIR");
  ::setenv("DISPLAY", display_.c_str(), 1);
  ::setenv("WAYLAND_DISPLAY", socket.c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
}

PrivateWaylandSession::~PrivateWaylandSession() {
  if (!display_.empty()) {
    Put("DISPLAY", previousDisplay_);
    Put("WAYLAND_DISPLAY", previousWayland_);
    Put("XDG_RUNTIME_DIR", previousRuntime_);
  }
  if (pid_ > 0) {
    ::kill(static_cast<pid_t>(pid_), SIGTERM);
    while (::waitpid(static_cast<pid_t>(pid_), nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  if (!folder_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
}

}  // namespace clipvex::test
