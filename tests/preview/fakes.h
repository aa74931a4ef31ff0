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
#include "preview/playrange.h"

namespace clipvex::test {

// A game inside the test: its window "exists" while `windowOpen` (or, with
// `windowMarker` set, once that file exists); typing the play command reads
// the compiled preview demo and queues one screenshot per screenshot line,
// which Deliver() writes.
class InProcessGame : public GameControl {
 public:
  explicit InProcessGame(std::string folder) : folder_(std::move(folder)) {}

  GameWindow FindGameWindow() override {
    ++lookups;
    return Open() ? kWindow : 0;
  }
  bool RaiseWindow(GameWindow window) override {
    ++raises;
    return Open() && window == kWindow;
  }
  void SendKeys(std::string_view codes) override {
    typed.emplace_back(codes);
    if (codes != kPlayDemoKeys) return;
    pending.clear();
    const std::vector<int> blocks = ScreenshotBlocks(folder_ + "tempfilm.dem");
    played.push_back(static_cast<int>(blocks.size()));
    if (deliver) pending.assign(blocks.begin(), blocks.end());
  }
  // Writes up to `count` of the queued screenshots.
  void Deliver(int count = 1000) {
    while (count-- > 0 && !pending.empty()) {
      WriteScreenshot(folder_, pending.front());
      pending.pop_front();
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
