// Control of the preview game: finding its window, raising it, typing into
// it, starting it, and waiting for it without freezing the editor.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/runprogram.h"
#include "settings/engineprofile.h"
#include "settings/settings.h"

namespace clipvex {

// A top-level window of the window system; 0 is no window. Held for one
// operation only, never kept between them.
using GameWindow = unsigned long;

// What the game's window is recognised by (an engine profile's "window").
struct WindowMatch {
  WindowMatchKind kind = WindowMatchKind::Title;
  std::string text = "WinQuake";
  std::vector<long> processes;  // for Process: the games the editor started
};

inline constexpr const char* kGameTitle = "WinQuake";
#ifdef _WIN32
inline constexpr const char* kGameProgramName = "winquake.exe";
#else
inline constexpr const char* kGameProgramName = "winquake";
#endif
inline constexpr const char* kGameReadyText = "Press OK when WinQuake is at the Console";
inline constexpr const char* kGameNoWindowText = "WinQuake did not open a window within 60 seconds";

// The window operations on the game. One real implementation per window
// system (X11 here); fakes in tests.
class GameControl {
 public:
  virtual ~GameControl() = default;
  // The top-level window titled exactly "WinQuake" (minimised ones too), or 0.
  virtual GameWindow FindGameWindow() = 0;
  // The top-level window `match` describes (minimised ones too), or 0. A
  // control that knows only the title "WinQuake" finds nothing else.
  virtual GameWindow FindMatchingWindow(const WindowMatch& match) {
    const bool preview = match.kind == WindowMatchKind::Title && match.text == kGameTitle;
    return preview ? FindGameWindow() : 0;
  }
  // Brings `window` to the user: restores it when minimised, raises it and
  // gives it the keyboard focus. False when the window no longer exists.
  virtual bool RaiseWindow(GameWindow window) = 0;
  // Types a text of key codes into the window that has the keyboard focus.
  virtual void SendKeys(std::string_view codes) = 0;
};

// How a wait of the editor ended.
enum class WaitEnd {
  Done,      // what was waited for happened
  Stopped,   // the user pressed a stop button
  TimedOut,  // the time limit passed
  Closing,   // the main window is closing
};

// What the preview needs from the window that runs it. The waits keep the
// window painting and answering its stop buttons.
class PreviewHost {
 public:
  virtual ~PreviewHost() = default;
  // Clears the stop request, then lets the window run until `done` returns
  // true (asked at least ten times a second), a stop button is pressed, the
  // window closes or `limit` passes.
  virtual WaitEnd Wait(std::chrono::milliseconds limit, const std::function<bool()>& done) = 0;
  // The status bar's text while a run waits.
  virtual void Progress(std::string_view text) = 0;
  // A modal message with an OK button; returns when the user pressed it.
  virtual void Tell(std::string_view text) = 0;
  // A problem that leaves usable data: a box captioned "Error".
  virtual void ShowError(std::string_view text) = 0;
  virtual void RaiseMainWindow() = 0;
};

// The games the editor started: kept only to collect them when they end,
// so that no finished game lingers as a zombie process.
class GameProcesses {
 public:
  GameProcesses() = default;
  GameProcesses(const GameProcesses&) = delete;
  GameProcesses& operator=(const GameProcesses&) = delete;

  void Add(long processId);
  // Collects every started game that has ended.
  void Reap();
  // Whether `processId` (started here) still runs; collects it when not.
  bool Running(long processId);
  // The exit code of a game that ended, when it was collected here.
  std::optional<int> ExitCode(long processId) const;
  std::size_t RunningCount() const { return running_.size(); }
  // The games started here that have not been seen to end.
  const std::vector<long>& Started() const { return running_; }
  // Ends every game still running (SIGTERM, then SIGKILL after `grace`) and
  // collects them. The editor leaves its game running; tools and tests use this.
  void TerminateAll(std::chrono::milliseconds grace = std::chrono::milliseconds(2000));

 private:
  std::vector<long> running_;
  std::map<long, int> ended_;
};

// Waiting times of the game control and the screenshot runs.
struct PreviewTiming {
  std::chrono::milliseconds windowLimit{60000};  // for the game's window to appear
  // After it appeared, for the game to come up: the profile's settle time
  // unless set here.
  std::optional<std::chrono::milliseconds> settle;
  // A run's screenshots must arrive within base + factor x the demo time it plays.
  std::chrono::milliseconds shotsBase{30000};
  double shotsFactor = 3.0;
  std::chrono::milliseconds raiseEvery{1000};  // re-raising the game window while waiting
  // After a stop, the game has stopped writing once its screenshot files
  // stay unchanged this long; it is waited for no longer than stopLimit.
  std::chrono::milliseconds quiet{500};
  std::chrono::milliseconds stopLimit{3000};
};

// The extra game parameters as arguments: split at blanks, double quotes
// group words (and are dropped).
std::vector<std::string> SplitParameters(std::string_view parameters);

// The game's command line from its profile's arguments: for the preview
// game "-game", the game subdirectory, the extra parameters.
std::vector<std::string> GameArguments(const Settings& settings);

// How the window of the profile's game is found.
WindowMatch MatchOf(const EngineProfile& profile, const GameProcesses& processes);

// Starts the game of the settings' profile in its folder, waits (the window
// still painting) until its window appears, lets it come up (the profile's
// settle time), asks the user to confirm it is at the console when the
// profile wants that, and returns its window. Raises an error when the
// folder is missing, the game cannot be started, ends before it opens a
// window, or opens none within `timing.windowLimit`. Returns 0 when the user
// stopped the wait or the main window is closing. The preview game's
// profile gives the settle time of `timing`.
GameWindow LaunchGame(const Settings& settings, GameControl& game, GameProcesses& processes, PreviewHost& host,
                      const PreviewTiming& timing);

// Starts a game (not waited for) in `folder` with `environment` ("NAME=value"
// each) added to the editor's own; `quiet` discards its output. Raises
// ProgramStartError when it cannot be started.
ProgramResult StartGameProgram(const std::string& program, const std::vector<std::string>& arguments,
                               const std::vector<std::string>& environment, const std::string& folder,
                               bool quiet = false);

}  // namespace clipvex
