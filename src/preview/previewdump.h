// The temporary demo of a screenshot run or a playback: which blocks of a
// demo it holds, which of them ask the game for a screenshot, and what the
// screenshots will be called. Plain C++, tested without a game.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "document/block.h"

namespace clipvex {

// A step this large plays the range without taking screenshots.
inline constexpr std::int64_t kPlaybackStep = 100000;
// The game numbers its screenshots quake00.pcx to quake99.pcx.
inline constexpr int kMaxScreenshots = 100;
// Blocks played before the range so that the game has the scene set up.
inline constexpr std::int64_t kPreRoll = 20;
// Fast preview plays only the screenshot blocks and this many before each.
inline constexpr std::int64_t kFastLeadIn = 10;

// The dump line that makes the game take a screenshot while it plays the block.
inline constexpr std::string_view kScreenshotLine = R"( stufftext "screenshot\n";)";
inline constexpr std::string_view kTooManyScreenshots = "Too many screenshots!";

// The name the game gives the screenshot number `index` (0 to 99) of a run:
// "quake00.pcx" to "quake99.pcx".
std::string ScreenshotName(int index);

// The dump line of a screenshot block asking the game for `command`.
std::string ScreenshotLine(std::string_view command);

// How a run asks for its screenshots and what they will be called.
struct ShotRequest {
  std::string line = std::string(kScreenshotLine);
  // The name screenshot j (from 0) will get; empty when the game has no
  // name left for it.
  std::function<std::string(int)> name = ScreenshotName;
};

// One run of a range that needed splitting: blocks `from` to `to`.
struct RangePart {
  std::int64_t from = 0;
  std::int64_t to = 0;
  friend bool operator==(const RangePart&, const RangePart&) = default;
};

// Splits the range `from` to `to` (with a demo of `entries` block list
// entries) into runs of at most 100 screenshot positions each, halving at a
// screenshot position until every part fits. A range that fits is one part,
// as given.
std::vector<RangePart> SplitRange(std::int64_t entries, std::int64_t from, std::int64_t to, std::int64_t step);

// What one run asks of the game.
struct PreviewPlan {
  // Entry j: the name the game will give screenshot j, and the bare name of
  // the thumbnail file (strip letter, block index, ".pcx") it becomes.
  std::vector<std::string> screenshots;
  std::vector<std::string> thumbnails;
  std::vector<std::int64_t> blocks;  // the block each screenshot shows
  // More than 100 screenshots were asked for: the dump is incomplete and the
  // run must not go on.
  bool overflow = false;
  // The game has no free name left for a screenshot: the dump is incomplete
  // and the run must not go on.
  bool noNames = false;
  std::size_t blocksWritten = 0;  // leading, pre-roll, range and closing blocks
  // Demo time from the first written block to the last (skipped blocks of a
  // fast preview included): how long the game may take to play it.
  double demoSeconds = 0;
};

// Writes the temporary dump of a run to `path`: the header line, the leading
// blocks 1 to 3, up to 20 blocks before `from` (never past the last entry),
// the blocks of the range up to the last ordinary block, and a closing block
// of its own. With `step` below kPlaybackStep, block `from` and every
// `step`-th block after it get the screenshot line; with `fast`, the range
// keeps only those blocks and the ten before each. File errors are raised.
PreviewPlan WritePreviewDump(const TDemFile& demo, char letter, std::int64_t from, std::int64_t to,
                             std::int64_t step, bool fast, const std::string& path);
// The same with the screenshot line and names of another game.
PreviewPlan WritePreviewDump(const TDemFile& demo, char letter, std::int64_t from, std::int64_t to, std::int64_t step,
                             bool fast, const std::string& path, const ShotRequest& shots);

}  // namespace clipvex
