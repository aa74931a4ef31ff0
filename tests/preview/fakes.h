// Fakes of the game control and of the window for the run logic.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "preview/fakeplay.h"
#include "preview/gamecontrol.h"
#include "preview/keycodes.h"
#include "preview/playrange.h"
#include "support/testsupport.h"

namespace clipvex::test {

// A game inside the test: its window "exists" while `windowOpen` (or, with
// `windowMarker` set, once that file exists); typing the play command reads
// the compiled preview demo and queues one screenshot per screenshot line,
// which Deliver() writes. With `commandFile` set it is started by a key
// instead: any function key runs the command in that file. "stopdemo"
// drops the screenshots not yet taken.
class InProcessGame : public GameControl {
 public:
  explicit InProcessGame(std::string folder) : folder_(std::move(folder)) {}

  GameWindow FindGameWindow() override {
    ++lookups;
    return Open() ? kWindow : 0;
  }
  GameWindow FindMatchingWindow(const WindowMatch& match) override {
    matches.push_back(match);
    return FindGameWindow();
  }
  bool RaiseWindow(GameWindow window) override {
    ++raises;
    return Open() && window == kWindow;
  }
  void SendKeys(std::string_view codes) override {
    typed.emplace_back(codes);
    std::string command;
    if (!commandFile.empty() && codes.size() == 1 && static_cast<unsigned char>(codes[0]) >= kKeyF1 &&
        static_cast<unsigned char>(codes[0]) < kKeyHome) {
      command = ReadFile(folder_ + commandFile);
      while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) command.pop_back();
    } else if (!codes.empty() && codes.back() == '\r') {
      command = std::string(codes.substr(0, codes.size() - 1));
    }
    commands.push_back(command);
    if (command == "stopdemo") {
      pending.clear();
      return;
    }
    if (command != "playdemo tempfilm" && command != "timedemo tempfilm") return;
    pending.clear();
    const std::vector<int> blocks = ScreenshotBlocks(folder_ + "tempfilm.dem");
    played.push_back(static_cast<int>(blocks.size()));
    if (deliver) pending.assign(blocks.begin(), blocks.end());
  }
  // Writes up to `count` of the queued screenshots. With `lag`, a screenshot
  // taken now lands that many calls later, whatever the game is told
  // meanwhile; with `halves`, each file is written in two calls.
  void Deliver(int count = 1000) {
    for (auto& shot : inFlight) --shot.second;
    while (!inFlight.empty() && inFlight.front().second <= 0) {
      Write(inFlight.front().first);
      inFlight.pop_front();
    }
    if (!half.empty()) {
      ResumeScreenshot(folder_ + half, halfSeed, pattern);
      half.clear();
      --count;
    }
    while (count-- > 0 && !pending.empty()) {
      if (lag > 0) {
        inFlight.emplace_back(pending.front(), lag);
      } else if (halves) {
        half = WriteShotInPlace(folder_, pending.front(), pattern, 0.5);
        halfSeed = pending.front();
        count = 0;
      } else {
        Write(pending.front());
      }
      pending.pop_front();
    }
  }
  void Write(int seed) {
    if (pattern.format == ShotFormat::Pcx && pattern.prefix == "quake") {
      WriteScreenshot(folder_, seed);
    } else {
      WriteShotInPlace(folder_, seed, pattern);
    }
  }

  bool Open() const { return windowMarker.empty() ? windowOpen : std::filesystem::exists(windowMarker); }

  static constexpr GameWindow kWindow = 7;
  bool windowOpen = true;
  std::string windowMarker;
  bool deliver = true;
  int lookups = 0;
  int raises = 0;
  std::vector<std::string> typed;
  std::vector<int> played;  // screenshots asked for by each demo played
  std::deque<int> pending;
  std::vector<std::string> commands;  // what each key text asked for
  std::vector<WindowMatch> matches;   // what its window was looked for by
  std::string commandFile;            // the file a function key runs (none: typed commands)
  ShotPattern pattern = *ParseShotPattern("quake##.pcx");
  int lag = 0;
  std::deque<std::pair<int, int>> inFlight;  // seed, calls until it lands
  bool halves = false;
  std::string half;  // the file written half so far
  int halfSeed = 0;

 private:
  std::string folder_;
};

// A window whose waits run on a clock of their own: each poll is 100 ms of
// that clock (and 2 ms of real time, for programs the test started).
// `onPoll` sees the poll's time within the wait and may answer a stop.
class ScriptedHost : public PreviewHost {
 public:
  WaitEnd Wait(std::chrono::milliseconds limit, const std::function<bool()>& done) override {
    ++waits;
    limits.push_back(limit);
    for (std::chrono::milliseconds t{0};; t += std::chrono::milliseconds(100)) {
      if (onPoll && onPoll(waits, t)) return WaitEnd::Stopped;
      if (done()) return WaitEnd::Done;
      if (t >= limit) return WaitEnd::TimedOut;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  void Progress(std::string_view text) override { progress.emplace_back(text); }
  void Tell(std::string_view text) override { told.emplace_back(text); }
  void ShowError(std::string_view text) override { errors.emplace_back(text); }
  void RaiseMainWindow() override { ++mainRaised; }

  // (wait number from 1, time in the wait) -> true to press stop.
  std::function<bool(int, std::chrono::milliseconds)> onPoll;
  int waits = 0;
  std::vector<std::chrono::milliseconds> limits;
  std::vector<std::string> progress;
  std::vector<std::string> told;
  std::vector<std::string> errors;
  int mainRaised = 0;
};

}  // namespace clipvex::test
