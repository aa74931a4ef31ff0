#include "preview/playrange.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "document/conversion.h"
#include "document/error.h"
#include "document/runprogram.h"
#include "strip/stripstate.h"

namespace clipvex {

namespace {

inline constexpr const char* kPreviewDemoName = "tempfilm.dem";

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

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
      : demo_(demo), letter_(letter), step_(step), s_(services), progress_(progress), report_(report) {}

  PartEnd Play(const RangePart& part, int index) {
    const Settings& settings = s_.settings;
    Stopwatch watch;
    const PreviewPlan plan =
        WritePreviewDump(demo_, letter_, part.from, part.to, step_, settings.fastpre, TempDumpPath(settings));
    if (plan.overflow) {
      s_.host.ShowError(kTooManyScreenshots);
      return PartEnd::GiveUp;
    }
    CompilePreview(settings);
    watch.AddTo(report_.compileSeconds);

    // Make room: the game numbers this run's screenshots from quake00.pcx,
    // and the old thumbnails of the blocks being redone go.
    for (std::size_t j = 0; j < plan.screenshots.size(); ++j) {
      RemoveQuietly(settings.previewpath + plan.screenshots[j]);
      RemoveQuietly(settings.previewpath + plan.thumbnails[j]);
    }

    GameWindow window = s_.game.FindGameWindow();
    if (window == 0) window = LaunchGame(settings, s_.game, s_.processes, s_.host, s_.timing);
    if (window == 0) return PartEnd::GiveUp;  // the user stopped the start, or the window closes
    s_.game.RaiseWindow(window);
    s_.game.SendKeys(kPlayDemoKeys);
    ++report_.partsPlayed;
    watch.AddTo(report_.startSeconds);
    if (plan.screenshots.empty()) return PartEnd::Finished;  // the game plays on in front

    return WaitAndRename(plan, window, index);
  }

  int parts = 1;

 private:
  PartEnd WaitAndRename(const PreviewPlan& plan, GameWindow window, int index) {
    const std::string& folder = s_.settings.previewpath;
    const std::string last = folder + plan.screenshots.back();
    RunProgress progress{index, parts, 0, static_cast<int>(plan.screenshots.size())};
    s_.host.Progress(progress_(progress));

    const auto limit = s_.timing.shotsBase + std::chrono::milliseconds(static_cast<long long>(
                                                 s_.timing.shotsFactor * plan.demoSeconds * 1000.0));
    auto lastRaise = std::chrono::steady_clock::now();
    Stopwatch watch;
    bool gone = false;
    const WaitEnd end = s_.host.Wait(limit, [&] {
      int arrived = progress.arrived;
      while (arrived < progress.expected && Exists(folder + plan.screenshots[static_cast<std::size_t>(arrived)])) {
        ++arrived;
      }
      // The last one's arrival means all of them are there.
      const bool complete = Exists(last);
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
    s_.host.RaiseMainWindow();
    watch.AddTo(report_.waitSeconds);

    // Whatever arrived becomes a thumbnail; a missing screenshot leaves its
    // block with the placeholder.
    for (std::size_t j = 0; j < plan.screenshots.size(); ++j) {
      if (RenameWithoutReplacing(folder + plan.screenshots[j], folder + plan.thumbnails[j])) ++report_.thumbnails;
    }
    watch.AddTo(report_.renameSeconds);

    switch (end) {
      case WaitEnd::Done:
        if (!gone) return PartEnd::Finished;
        s_.host.ShowError("The WinQuake window closed before all screenshots arrived.");
        return PartEnd::GiveUp;
      case WaitEnd::Stopped:
        ++report_.stops;
        return PartEnd::Stopped;
      case WaitEnd::TimedOut:
        s_.host.ShowError("WinQuake did not deliver the screenshots within " + WholeSeconds(limit) + " seconds (" +
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
  const ProgressText& progress_;
  PlayReport& report_;
};

}  // namespace

bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return MoveFileExA(from.c_str(), to.c_str(), 0) != 0;
#else
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the no-replace rename: a link fails when the
  // target exists, and the old name goes once the new one stands.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
#endif
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
