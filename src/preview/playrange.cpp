#include "preview/playrange.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "document/conversion.h"
#include "document/error.h"
#include "document/runprogram.h"
#include "document/textfile.h"
#include "strip/stripstate.h"

namespace clipvex {

namespace {

inline constexpr const char* kPreviewDemoName = "tempfilm.dem";

void RemoveQuietly(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

// Compiles the temporary dump into the demo the game plays. A failing
// compile is reported: the game must never play an older preview demo.
void CompilePreview(const Settings& settings) {
  const std::string demo = settings.previewpath + kPreviewDemoName;
  ProgramResult result;
  try {
    result = RunProgram(ConverterPath(settings), {"-l", "-f", TempDumpPath(settings), demo}, kShowMinimized,
                        /*wait=*/true, /*captureErrors=*/true);
  } catch (const ProgramStartError& e) {
    throw e.WithAdvice(kConverterAdvice);
  }
  if (result.exitCode != 0) {
    std::string message = Trimmed(result.errorOutput);
    if (message.empty()) message = "no message";
    throw ClipvexError("The preview demo could not be compiled (exit code " + std::to_string(result.exitCode) +
                       "):\n" + message);
  }
}

std::string WholeSeconds(std::chrono::milliseconds time) { return std::to_string((time.count() + 999) / 1000); }

// Adds the time since it was made (or last taken) to a total.
class Stopwatch {
 public:
  void AddTo(double& total) {
    const auto now = std::chrono::steady_clock::now();
    total += std::chrono::duration<double>(now - start_).count();
    start_ = now;
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

enum class PartEnd {
  Finished,  // played; its screenshots renamed
  Stopped,   // the user ended its wait; the next part still runs
  GiveUp,    // the command goes no further
};

class RangePlayer {
 public:
  RangePlayer(const TDemFile& demo, char letter, std::int64_t step, PreviewServices& services,
              const ProgressText& progress, PlayReport& report)
      : demo_(demo),
        letter_(letter),
        step_(step),
        s_(services),
        engine_(services.settings.engine),
        pattern_(ParseShotPattern(engine_.screenshots).value_or(ShotPattern{"quake", 2, ".pcx", ShotFormat::Pcx})),
        progress_(progress),
        report_(report) {}

  PartEnd Play(const RangePart& part, int index) {
    const Settings& settings = s_.settings;
    Stopwatch watch;
    // A game with a folder of its own may not have made it yet.
    if (!engine_.folder.empty()) {
      std::error_code ec;
      std::filesystem::create_directories(settings.previewpath, ec);
    }
    ShotRequest shots;
    shots.line = ScreenshotLine(engine_.screenshotCommand);
    std::vector<std::string> free;
    if (engine_.deleteOldScreenshots) {
      shots.name = [this](int j) { return j < pattern_.Count() ? pattern_.Name(j) : std::string(); };
    } else {
      // The game takes the lowest numbers no file has: the names are
      // predicted around the files that stay.
      free = FreeShotNames(settings.previewpath, pattern_, kMaxScreenshots);
      shots.name = [&free](int j) {
        return j < static_cast<int>(free.size()) ? free[static_cast<std::size_t>(j)] : std::string();
      };
    }
    const PreviewPlan plan =
        WritePreviewDump(demo_, letter_, part.from, part.to, step_, settings.fastpre, TempDumpPath(settings), shots);
    if (plan.overflow) {
      s_.host.ShowError(kTooManyScreenshots);
      return PartEnd::GiveUp;
    }
    if (plan.noNames) {
      s_.host.ShowError("No screenshot name is left for " + engine_.name + " in " + settings.previewpath + " (" +
                        pattern_.Name(0) + " to " + pattern_.Name(pattern_.Count() - 1) + " are taken).");
      return PartEnd::GiveUp;
    }
    CompilePreview(settings);
    watch.AddTo(report_.compileSeconds);

    // Make room: the old thumbnails of the blocks being redone go, and for
    // a game that writes into the editor's own folder the screenshots under
    // the names this run expects too.
    for (std::size_t j = 0; j < plan.screenshots.size(); ++j) {
      if (engine_.deleteOldScreenshots) RemoveQuietly(settings.previewpath + plan.screenshots[j]);
      RemoveQuietly(settings.previewpath + plan.thumbnails[j]);
    }

    GameWindow window = FindGame();
    if (window == 0) window = LaunchGame(settings, s_.game, s_.processes, s_.host, s_.timing);
    if (window == 0) return PartEnd::GiveUp;  // the user stopped the start, or the window closes
    s_.game.RaiseWindow(window);
    SendCommand(engine_, settings.previewpath, s_.game,
                step_ >= kPlaybackStep ? engine_.playCommand : engine_.shotsCommand);
    ++report_.partsPlayed;
    watch.AddTo(report_.startSeconds);
    if (plan.screenshots.empty()) return PartEnd::Finished;  // the game plays on in front

    return WaitAndRename(plan, window, index);
  }

  int parts = 1;

 private:
  GameWindow FindGame() { return s_.game.FindMatchingWindow(MatchOf(engine_, s_.processes)); }

  bool Complete(const std::string& name) const { return ShotComplete(s_.settings.previewpath + name, pattern_.format); }

  // Whatever arrived becomes a thumbnail; a missing screenshot leaves its
  // block with the placeholder.
  void Collect(const PreviewPlan& plan) {
    const std::string& folder = s_.settings.previewpath;
    for (std::size_t j = 0; j < plan.screenshots.size(); ++j) {
      if (MakeThumbnail(folder + plan.screenshots[j], folder + plan.thumbnails[j], pattern_.format, s_.pictures)) {
        ++report_.thumbnails;
      }
    }
  }

  // After a stop the game may go on writing this run's screenshots; if one
  // landed while the next run prepares or waits, that run's numbering would
  // shift. So the game is told to stop, it is given until its files stay
  // unchanged for a moment, and what it wrote for this run goes.
  void SettleAfterStop(const PreviewPlan& plan, GameWindow window) {
    const std::string& folder = s_.settings.previewpath;
    if (!engine_.stopCommand.empty() && s_.game.RaiseWindow(window)) {
      SendCommand(engine_, folder, s_.game, engine_.stopCommand);
    }
    std::string state = ShotFolderState(folder, pattern_);
    auto since = std::chrono::steady_clock::now();
    s_.host.Wait(s_.timing.stopLimit, [&] {
      std::string now = ShotFolderState(folder, pattern_);
      if (now != state) {
        state = std::move(now);
        since = std::chrono::steady_clock::now();
        return false;
      }
      return std::chrono::steady_clock::now() - since >= s_.timing.quiet;
    });
    for (const std::string& name : plan.screenshots) RemoveQuietly(folder + name);
  }

  PartEnd WaitAndRename(const PreviewPlan& plan, GameWindow window, int index) {
    const std::string& name = engine_.name;
    RunProgress progress{index, parts, 0, static_cast<int>(plan.screenshots.size())};
    s_.host.Progress(progress_(progress));

    const auto limit = s_.timing.shotsBase + std::chrono::milliseconds(static_cast<long long>(
                                                 s_.timing.shotsFactor * plan.demoSeconds * 1000.0));
    auto lastRaise = std::chrono::steady_clock::now();
    Stopwatch watch;
    bool gone = false;
    const WaitEnd end = s_.host.Wait(limit, [&] {
      int arrived = progress.arrived;
      while (arrived < progress.expected && Complete(plan.screenshots[static_cast<std::size_t>(arrived)])) ++arrived;
      // The last one's arrival means all of them are there.
      const bool complete = Complete(plan.screenshots.back());
      if (complete) arrived = progress.expected;
      if (arrived != progress.arrived) {
        progress.arrived = arrived;
        s_.host.Progress(progress_(progress));
      }
      if (complete) return true;
      const auto now = std::chrono::steady_clock::now();
      if (now - lastRaise >= s_.timing.raiseEvery) {
        lastRaise = now;
        gone = !s_.game.RaiseWindow(window);
      }
      return gone;
    });
    if (end != WaitEnd::Stopped) s_.host.RaiseMainWindow();
    watch.AddTo(report_.waitSeconds);

    Collect(plan);
    if (end == WaitEnd::Stopped) {
      SettleAfterStop(plan, window);
      s_.host.RaiseMainWindow();
    }
    watch.AddTo(report_.renameSeconds);

    switch (end) {
      case WaitEnd::Done:
        if (!gone) return PartEnd::Finished;
        s_.host.ShowError("The " + name + " window closed before all screenshots arrived.");
        return PartEnd::GiveUp;
      case WaitEnd::Stopped:
        ++report_.stops;
        return PartEnd::Stopped;
      case WaitEnd::TimedOut:
        s_.host.ShowError(name + " did not deliver the screenshots within " + WholeSeconds(limit) + " seconds (" +
                          std::to_string(progress.arrived) + " of " + std::to_string(progress.expected) +
                          " arrived); the frames without one keep their placeholders.");
        return PartEnd::GiveUp;
      case WaitEnd::Closing:
        break;
    }
    return PartEnd::GiveUp;
  }

  const TDemFile& demo_;
  char letter_;
  std::int64_t step_;
  PreviewServices& s_;
  const EngineProfile& engine_;
  ShotPattern pattern_;
  const ProgressText& progress_;
  PlayReport& report_;
};

}  // namespace

void SendCommand(const EngineProfile& profile, const std::string& folder, GameControl& game, std::string_view command) {
  if (profile.start == StartKind::Typed) {
    std::string keys(command);
    keys += '\r';
    game.SendKeys(keys);
    return;
  }
  TextWriter file(folder + profile.commandFile);
  file.WriteLine(command);
  file.Close();
  game.SendKeys(std::string(1, static_cast<char>(profile.startKey)));
}

PlayReport PlayRange(const TDemFile& demo, char letter, std::int64_t from, std::int64_t to, std::int64_t step,
                     PreviewServices& services, const ProgressText& progress) {
  PlayReport report;
  const std::vector<RangePart> parts =
      SplitRange(static_cast<std::int64_t>(demo.Blocks.size()), from, to, std::max<std::int64_t>(step, 1));
  report.parts = static_cast<int>(parts.size());
  RangePlayer player(demo, letter, step, services, progress, report);
  player.parts = report.parts;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (player.Play(parts[i], static_cast<int>(i) + 1) == PartEnd::GiveUp) {
      report.ended = true;
      break;
    }
  }
  return report;
}

PreviewRange UpdateViewableRange(const StripState& strip) {
  const std::int64_t first = strip.firstVisible;
  return {first, first + static_cast<std::int64_t>(kFrames - 1) * strip.step, strip.step};
}

PreviewRange FullPreviewRange(const StripState& strip) {
  // Back from the first visible block in whole steps to the first position
  // that is still an ordinary block: the screenshots fall on the frames.
  const std::int64_t step = std::max<std::int32_t>(strip.step, 1);
  std::int64_t first = strip.firstVisible;
  constexpr auto kFirst = static_cast<std::int64_t>(kFirstOrdinaryBlock);
  if (first >= step + kFirst) first -= (first - kFirst) / step * step;
  return {first, kMarkEnd, step};
}

PreviewRange PlaySelectionRange(const StripState& strip) { return {strip.inMark, strip.outMark, kPlaybackStep}; }

}  // namespace clipvex
