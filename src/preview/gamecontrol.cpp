#include "preview/gamecontrol.h"

#include <algorithm>
#include <filesystem>
#include <thread>

#include "document/error.h"
#include "document/runprogram.h"

#ifndef _WIN32
#include <sys/wait.h>

#include <csignal>
#include <cerrno>
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

std::vector<std::string> SplitParameters(std::string_view parameters) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (char c : parameters) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;  // "" is an empty argument
    } else if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word.push_back(c);
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

std::vector<std::string> GameArguments(const Settings& settings) {
  std::vector<std::string> arguments{"-game", settings.dempath};
  for (std::string& word : SplitParameters(settings.addparams)) arguments.push_back(std::move(word));
  return arguments;
}

GameWindow LaunchGame(const Settings& settings, GameControl& game, GameProcesses& processes, PreviewHost& host,
                      const PreviewTiming& timing) {
  // The game runs in its own folder; the editor's current folder stays.
  const std::string& folder = settings.WinQuakePath;
  std::error_code ec;
  if (folder.empty() || !std::filesystem::is_directory(folder, ec)) {
    throw ClipvexError("The game folder '" + folder + "' does not exist: set it in Options > Directories...");
  }
  ProgramResult started;
  try {
    started = RunProgram(folder + kGameProgramName, GameArguments(settings), kShowMaximized, /*wait=*/false,
                         /*captureErrors=*/false, folder);
  } catch (const ProgramStartError& e) {
    throw e.WithAdvice(kGameAdvice);
  }
  processes.Add(started.processId);

  host.Progress("Starting WinQuake");
  GameWindow window = 0;
  bool ended = false;
  const WaitEnd found = host.Wait(timing.windowLimit, [&] {
    window = game.FindGameWindow();
    if (window != 0) return true;
    ended = started.processId > 0 && !processes.Running(started.processId);
    return ended;
  });
  if (found == WaitEnd::Stopped || found == WaitEnd::Closing) return 0;
  if (window == 0 && ended) {
    std::string text = "WinQuake ended before it opened a window";
    if (std::optional<int> code = processes.ExitCode(started.processId)) {
      text += " (exit code " + std::to_string(*code) + ")";
    }
    throw ClipvexError(text);
  }
  if (window == 0) throw ClipvexError("WinQuake did not open a window within " + Seconds(timing.windowLimit));

  // Time for the game to come up; the window keeps painting meanwhile.
  const WaitEnd settled = host.Wait(timing.settle, [] { return false; });
  if (settled == WaitEnd::Stopped || settled == WaitEnd::Closing) return 0;
  host.Tell(kGameReadyText);
  return window;
}

}  // namespace clipvex
