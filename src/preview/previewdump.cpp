#include "preview/previewdump.h"

#include <algorithm>
#include <cmath>

#include "document/dumptext.h"
#include "document/retime.h"
#include "document/textfile.h"
#include "strip/stripstate.h"

namespace clipvex {

namespace {

constexpr std::int64_t kFirstLeadingBlock = 1;
constexpr auto kFirstOrdinary = static_cast<std::int64_t>(kFirstOrdinaryBlock);

void SplitInto(std::int64_t entries, std::int64_t from, std::int64_t to, std::int64_t step,
               std::vector<RangePart>& parts) {
  const std::int64_t last = std::min(to, entries - 1);
  const std::int64_t first = std::max<std::int64_t>(from, kFirstOrdinary);
  const std::int64_t count = (last - first) / step + 1;
  if (count > kMaxScreenshots) {
    const std::int64_t mid = first + ((last - first) / step) / 2 * step;
    SplitInto(entries, first, mid - 1, step, parts);
    SplitInto(entries, mid, last, step, parts);
    return;
  }
  parts.push_back({from, to});
}

// The seconds a block lasts by its duration comment; a comment that is not
// a usable number counts nothing.
double SecondsOf(const Block& block) {
  try {
    const long double seconds = DurationOf(block);
    constexpr long double kLongest = 24.0L * 3600;
    if (!std::isfinite(seconds) || seconds <= 0) return 0;
    return static_cast<double>(std::min(seconds, kLongest));
  } catch (...) {
    return 0;
  }
}

// Where the screenshot line goes: after the block's camera and time lines
// (index 3), or before its closing brace when the block closes earlier, so
// the line always stays inside the block.
std::size_t ScreenshotIndex(const Block& block) {
  const std::size_t limit = std::min<std::size_t>(3, block.Count());
  for (std::size_t i = 1; i < limit; ++i) {
    const std::string_view line = block[i];
    const std::size_t at = line.find_first_not_of(" \t");
    if (at != std::string_view::npos && line[at] == '}') return i;
  }
  return limit;
}

class DumpWriter {
 public:
  explicit DumpWriter(const std::string& path) : out_(path) {}

  void Line(std::string_view line) { out_.WriteLine(line); }
  void Lines(const Block& block, std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) out_.WriteLine(block[i]);
  }
  void Whole(const Block& block) {
    Lines(block, 0, block.Count());
    ++written;
  }
  void Close() { out_.Close(); }

  std::size_t written = 0;

 private:
  TextWriter out_;
};

}  // namespace

std::string ScreenshotName(int index) {
  std::string digits = std::to_string(index);
  if (index < 10) digits = "0" + digits;
  return "quake" + digits + ".pcx";
}

std::vector<RangePart> SplitRange(std::int64_t entries, std::int64_t from, std::int64_t to, std::int64_t step) {
  std::vector<RangePart> parts;
  SplitInto(entries, from, to, std::max<std::int64_t>(step, 1), parts);
  return parts;
}

std::string ScreenshotLine(std::string_view command) {
  std::string line = " stufftext \"";
  line += command;
  line += "\\n\";";
  return line;
}

PreviewPlan WritePreviewDump(const TDemFile& demo, char letter, std::int64_t from, std::int64_t to,
                             std::int64_t step, bool fast, const std::string& path) {
  return WritePreviewDump(demo, letter, from, to, step, fast, path, ShotRequest{});
}

PreviewPlan WritePreviewDump(const TDemFile& demo, char letter, std::int64_t from, std::int64_t to, std::int64_t step,
                             bool fast, const std::string& path, const ShotRequest& shots) {
  PreviewPlan plan;
  const BlockList& blocks = demo.Blocks;
  const auto entries = static_cast<std::int64_t>(blocks.size());
  step = std::max<std::int64_t>(step, 1);
  DumpWriter out(path);

  out.Line(demo.Header);
  for (std::int64_t b = kFirstLeadingBlock; b < kFirstOrdinary && b < entries; ++b) {
    out.Whole(*blocks[static_cast<std::size_t>(b)]);
    plan.demoSeconds += SecondsOf(*blocks[static_cast<std::size_t>(b)]);
  }
  // A range that starts past the end has no blocks before it to play
  // beyond the last entry.
  if (from - kPreRoll >= kFirstOrdinary) {
    for (std::int64_t b = from - kPreRoll; b <= std::min(from - 1, entries - 1); ++b) {
      out.Whole(*blocks[static_cast<std::size_t>(b)]);
      plan.demoSeconds += SecondsOf(*blocks[static_cast<std::size_t>(b)]);
    }
  }

  std::int64_t last = from - step;
  if (step >= kPlaybackStep) {
    last = -kPlaybackStep - 1;  // no block is ever a target
    fast = false;
  }
  const std::int64_t end = std::min(to, entries - 2);
  for (std::int64_t n = std::max<std::int64_t>(from, kFirstOrdinary); n <= end; ++n) {
    const Block& block = *blocks[static_cast<std::size_t>(n)];
    plan.demoSeconds += SecondsOf(block);
    const std::int64_t target = last + step;
    if (fast && (n < target - kFastLeadIn || n > target + kFastLeadIn)) continue;
    const std::size_t split = ScreenshotIndex(block);
    out.Lines(block, 0, split);
    if (n == target) {
      out.Line(shots.line);
      if (plan.screenshots.size() >= static_cast<std::size_t>(kMaxScreenshots)) {
        // The dump stays as far as it got; nothing may be played from it.
        plan.overflow = true;
        return plan;
      }
      std::string name = shots.name(static_cast<int>(plan.screenshots.size()));
      if (name.empty()) {
        plan.noNames = true;
        return plan;
      }
      plan.screenshots.push_back(std::move(name));
      plan.thumbnails.push_back(ThumbnailName(letter, n));
      plan.blocks.push_back(n);
      last = n;
    }
    out.Lines(block, split, block.Count());
    ++out.written;
  }

  out.Whole(*MakeClosingBlock());
  out.Close();
  plan.blocksWritten = out.written;
  return plan;
}

}  // namespace clipvex
