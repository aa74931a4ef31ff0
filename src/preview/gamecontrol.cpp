#include "preview/gamecontrol.h"

#include <algorithm>
#include <filesystem>
#include <thread>

#include "document/error.h"
#include "document/runprogram.h"

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

extern char** environ;
#endif

namespace clipvex {

namespace {

std::string Seconds(std::chrono::milliseconds time) {
  return std::to_string((time.count() + 999) / 1000) + " seconds";
}

}  // namespace

void GameProcesses::Add(long processId) {
  if (processId > 0) running_.push_back(processId);
}

#ifdef _WIN32

// Windows needs no collecting: the runner closes its process handles.
void GameProcesses::Reap() { running_.clear(); }
bool GameProcesses::Running(long) { return true; }
void GameProcesses::TerminateAll(std::chrono::milliseconds) { running_.clear(); }

#else

void GameProcesses::Reap() {
  for (auto it = running_.begin(); it != running_.end();) {
    int status = 0;
    const pid_t got = ::waitpid(static_cast<pid_t>(*it), &status, WNOHANG);
    if (got == 0 || (got < 0 && errno == EINTR)) {
      ++it;
      continue;
    }
    if (got > 0) {
      ended_[*it] = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    }
    // Collected, or not our child any more (ECHILD): either way it is gone.
    it = running_.erase(it);
  }
}

bool GameProcesses::Running(long processId) {
  Reap();
  return std::find(running_.begin(), running_.end(), processId) != running_.end();
}

void GameProcesses::TerminateAll(std::chrono::milliseconds grace) {
  for (long pid : running_) ::kill(static_cast<pid_t>(pid), SIGTERM);
  const auto until = std::chrono::steady_clock::now() + grace;
  while (!running_.empty() && std::chrono::steady_clock::now() < until) {
    Reap();
    if (!running_.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  for (long pid : running_) ::kill(static_cast<pid_t>(pid), SIGKILL);
  while (!running_.empty()) {
    Reap();
    if (!running_.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

#endif

std::optional<int> GameProcesses::ExitCode(long processId) const {
  auto it = ended_.find(processId);
  if (it == ended_.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> SplitParameters(std::string_view parameters) { return SplitParameterWords(parameters); }

std::vector<std::string> GameArguments(const Settings& settings) {
  const ProfileContext context =
      MakeProfileContext(settings.engine, settings.WinQuakePath, settings.dempath, settings.addparams);
  return ExpandWords(settings.engine.arguments, context);
}

WindowMatch MatchOf(const EngineProfile& profile, const GameProcesses& processes) {
  WindowMatch match;
  match.kind = profile.window;
  match.text = profile.windowText;
  if (profile.window == WindowMatchKind::Process) match.processes = processes.Started();
  return match;
}

GameWindow LaunchGame(const Settings& settings, GameControl& game, GameProcesses& processes, PreviewHost& host,
                      const PreviewTiming& timing) {
  const EngineProfile& profile = settings.engine;
  const ProfileContext context =
      MakeProfileContext(profile, settings.WinQuakePath, settings.dempath, settings.addparams);
  // The game runs in its own folder; the editor's current folder stays.
  const std::string& folder = settings.WinQuakePath;
  std::error_code ec;
  if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
    throw ClipvexError("The game folder '" + folder + "' does not exist: set it in Options > Directories...");
  }
  std::string program = ExpandText(profile.program, context);
  if (program.find_first_of("/\\") == std::string::npos) {
    // A bare name: looked for where the system and Debian put programs.
    std::string lookedIn;
    program = FindProgram(profile, context, &lookedIn);
    if (program.empty()) {
      throw ClipvexError("The program '" + ExpandText(profile.program, context) + "' of the engine profile '" +
                         profile.name + "' was not found " + lookedIn + ". Install it, or name it in the profile.");
    }
  }
  std::vector<std::string> environment;
  for (const std::string& variable : profile.environment) environment.push_back(ExpandText(variable, context));
  const std::string working = ExpandText(profile.workingFolder, context);
  ProgramResult started;
  try {
    started = StartGameProgram(program, ExpandWords(profile.arguments, context), environment,
                               working == context.basedir ? folder : working);
  } catch (const ProgramStartError& e) {
    throw e.WithAdvice(kGameAdvice);
  }
  processes.Add(started.processId);

  const std::string& name = profile.name;
  host.Progress("Starting " + name);
  GameWindow window = 0;
  bool ended = false;
  const WaitEnd found = host.Wait(timing.windowLimit, [&] {
    window = game.FindMatchingWindow(MatchOf(profile, processes));
    if (window != 0) return true;
    ended = started.processId > 0 && !processes.Running(started.processId);
    return ended;
  });
  if (found == WaitEnd::Stopped || found == WaitEnd::Closing) return 0;
  if (window == 0 && ended) {
    std::string text = name + " ended before it opened a window";
    if (std::optional<int> code = processes.ExitCode(started.processId)) {
      text += " (exit code " + std::to_string(*code) + ")";
    }
    throw ClipvexError(text);
  }
  if (window == 0) throw ClipvexError(name + " did not open a window within " + Seconds(timing.windowLimit));

  // Time for the game to come up; the window keeps painting meanwhile.
  const std::chrono::milliseconds settle =
      timing.settle.value_or(std::chrono::milliseconds(profile.settleMilliseconds));
  const WaitEnd settled = host.Wait(settle, [] { return false; });
  if (settled == WaitEnd::Stopped || settled == WaitEnd::Closing) return 0;
  if (profile.askReady) host.Tell("Press OK when " + name + " is at the Console");
  return window;
}

ProgramResult StartGameProgram(const std::string& program, const std::vector<std::string>& arguments,
                               const std::vector<std::string>& environment, const std::string& folder, bool quiet) {
#ifdef _WIN32
  // Windows programs need none of the variables the profiles set.
  (void)environment;
  (void)quiet;
  return RunProgram(program, arguments, kShowMaximized, /*wait=*/false, /*captureErrors=*/false, folder);
#else
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string_view entry(*variable);
    const std::string_view name = entry.substr(0, entry.find('='));
    const bool replaced = std::any_of(environment.begin(), environment.end(), [&](const std::string& ours) {
      return ours.size() > name.size() && ours.compare(0, name.size(), name) == 0 && ours[name.size()] == '=';
    });
    if (!replaced) variables.emplace_back(entry);
  }
  for (const std::string& ours : environment) variables.push_back(ours);
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : arguments) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  if (quiet) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  }
  pid_t pid = 0;
  const bool searchPath = program.find('/') == std::string::npos;
  const int rc = searchPath ? ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data())
                            : ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw ProgramStartError(program, static_cast<unsigned long>(rc));
  ProgramResult result;
  result.processId = static_cast<long>(pid);
  return result;
#endif
}

}  // namespace clipvex
