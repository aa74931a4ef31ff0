#include "strip/stripstate.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <system_error>

#include "document/demotime.h"

namespace clipvex {
namespace {

// Zooming out stops at the first power of two that reaches the demo's
// entries; this keeps step far from overflowing whatever the demo.
constexpr std::int32_t kMaxStep = std::int32_t{1} << 30;

std::int32_t ClampToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

// firstVisible after a zoom: frame `frame` keeps showing `block` unless the
// strip would then start below the first visible block.
std::int32_t AnchoredStart(std::int64_t block, int frame, std::int32_t step) {
  return ClampToInt32(std::max<std::int64_t>(kFirstVisibleBlock, block - static_cast<std::int64_t>(frame - 1) * step));
}

}  // namespace

FrameAction ToolAction(Tool tool, MouseButton button, bool shift) {
  const bool left = button == MouseButton::Left;
  switch (tool) {
    case Tool::ZoomIn:
      return left ? FrameAction::ZoomIn : FrameAction::ZoomOut;
    case Tool::ZoomOut:
      return left ? FrameAction::ZoomOut : FrameAction::ZoomIn;
    case Tool::ToText:
      return left ? FrameAction::ViewText : FrameAction::ViewPicture;
    case Tool::ZoomImage:
      return left ? FrameAction::ViewPicture : FrameAction::ViewText;
    case Tool::In:
      return left ? FrameAction::SetIn : FrameAction::SetOut;
    case Tool::Out:
      return left ? FrameAction::SetOut : FrameAction::SetIn;
    case Tool::Arrow:
      break;
  }
  return left && !shift ? FrameAction::SelectFrame : FrameAction::SetOut;
}

std::int32_t FitStep(std::size_t entries) {
  if (entries < 2) return 1;
  const double k = std::nearbyint(std::log2(static_cast<double>(entries - 1) / 72.0));
  if (k <= 0) return 1;
  return std::int32_t{1} << static_cast<int>(std::min(k, 30.0));
}

std::string ThumbnailName(char letter, std::int64_t block) {
  std::string name(1, letter);
  name += std::to_string(block);
  name += ".pcx";
  return name;
}

std::string ThumbnailPath(const Settings& settings, char letter, std::int64_t block) {
  return settings.previewpath + ThumbnailName(letter, block);
}

std::optional<std::string> ThumbnailFile(const Settings& settings, char letter, std::int64_t block) {
  std::string path = ThumbnailPath(settings, letter, block);
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::path(path), ec)) return std::nullopt;
  return path;
}

std::array<FrameView, kFrames> DescribeFrames(const StripState& strip, int labelMode) {
  std::array<FrameView, kFrames> frames;
  const std::int64_t last = static_cast<std::int64_t>(strip.Entries()) - 1;
  for (int i = 1; i <= kFrames; ++i) {
    FrameView& frame = frames[i - 1];
    frame.block = strip.FrameBlock(i);
    frame.pastEnd = frame.block > last;
    frame.selected = strip.Selected(frame.block);
    if (!frame.pastEnd) {
      frame.caption = labelMode == 0 ? std::to_string(frame.block)
                                     : BlockTimeText(*strip.demo.Blocks[static_cast<std::size_t>(frame.block)]);
    }
  }
  return frames;
}

FrameOutcome PressFrame(StripState& strip, int frame, FrameAction action) {
  FrameOutcome outcome;
  const std::int64_t first = strip.FrameBlock(frame);
  const std::int64_t last = first + strip.step - 1;
  switch (action) {
    case FrameAction::ZoomIn:
      strip.step = std::max(strip.step / 2, 1);
      strip.firstVisible = AnchoredStart(first, frame, strip.step);
      outcome.refresh = true;
      break;
    case FrameAction::ZoomOut:
      if (strip.step < std::max(strip.Entries(), 1) && strip.step < kMaxStep) strip.step *= 2;
      strip.firstVisible = AnchoredStart(first, frame, strip.step);
      outcome.refresh = true;
      break;
    case FrameAction::ViewText:
    case FrameAction::ViewPicture:
      // A frame past the last entry shows no block: there is nothing to view.
      if (first >= strip.Entries()) break;
      outcome.openViewer = true;
      outcome.viewerAsText = action == FrameAction::ViewText;
      outcome.viewerBlock = first;
      break;
    case FrameAction::SetIn:
      strip.inMark = first == strip.inMark ? kMarkStart : ClampToInt32(first);
      outcome.refresh = true;
      break;
    case FrameAction::SetOut:
      strip.outMark = last == strip.outMark ? kMarkEnd : ClampToInt32(last);
      outcome.refresh = true;
      break;
    case FrameAction::SelectFrame:
      if (first == strip.inMark && last == strip.outMark) {
        strip.inMark = kMarkStart;
        strip.outMark = kMarkEnd;
      } else {
        strip.inMark = ClampToInt32(first);
        strip.outMark = ClampToInt32(last);
      }
      outcome.refresh = true;
      break;
  }
  return outcome;
}

void ScrollFrameLeft(StripState& strip) {
  if (!strip.HasDemo()) return;
  if (static_cast<std::int64_t>(strip.firstVisible) - strip.step > 3) strip.firstVisible -= strip.step;
}

void ScrollFrameRight(StripState& strip) {
  if (!strip.HasDemo()) return;
  if (static_cast<std::int64_t>(strip.firstVisible) + std::int64_t{9} * strip.step < strip.Entries() - 1) {
    strip.firstVisible += strip.step;
  }
}

void ScrollPageLeft(StripState& strip) {
  if (!strip.HasDemo()) return;
  const std::int64_t target = static_cast<std::int64_t>(strip.firstVisible) - std::int64_t{9} * strip.step;
  strip.firstVisible = target > 3 ? static_cast<std::int32_t>(target) : kFirstVisibleBlock;
}

void ScrollPageRight(StripState& strip) {
  if (!strip.HasDemo()) return;
  const std::int64_t lastEntry = static_cast<std::int64_t>(strip.Entries()) - 1;
  const std::int64_t step = strip.step;
  if (strip.firstVisible + 17 * step < lastEntry) {
    strip.firstVisible = ClampToInt32(strip.firstVisible + 9 * step);
  } else {
    strip.firstVisible =
        ClampToInt32(std::max<std::int64_t>(kFirstVisibleBlock, (lastEntry / step) * step + 4 - 9 * step));
  }
}

namespace {

}  // namespace

std::int64_t ThumbnailIndex(const std::string& name, char letter) {
  if (name.size() < 6 || name[0] != letter) return -1;
  const std::size_t dot = name.size() - 4;
  if (name.compare(dot, 4, ".pcx") != 0) return -1;
  const char* begin = name.data() + 1;
  const char* end = name.data() + dot;
  if (*begin < '0' || *begin > '9') return -1;  // from_chars would take a minus sign
  if (*begin == '0' && end - begin > 1) return -1;
  std::int64_t index = -1;
  auto [ptr, ec] = std::from_chars(begin, end, index);
  if (ec != std::errc() || ptr != end) return -1;
  return index;
}

namespace {

// Deletes a file; one that is missing or cannot be deleted is no error.
void RemoveQuietly(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

}  // namespace

void ResetStrip(StripState& strip, const Settings& settings) {
  const std::int64_t entries = strip.Entries();
  // A long demo usually has few thumbnails: list the folder once instead of
  // trying one name per entry.
  constexpr std::int64_t kListAbove = 512;
  if (entries > kListAbove && !settings.previewpath.empty()) {
    std::error_code ec;
    std::filesystem::directory_iterator it(settings.previewpath, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      const std::int64_t index = ThumbnailIndex(it->path().filename().string(), strip.letter);
      if (index >= 0 && index < entries) RemoveQuietly(it->path().string());
    }
  } else {
    for (std::int64_t i = 0; i < entries; ++i) RemoveQuietly(ThumbnailPath(settings, strip.letter, i));
  }
  strip.demo.Blocks.clear();
  strip.demo.Blocks.shrink_to_fit();
  strip.firstVisible = kFirstVisibleBlock;
  strip.step = kInitialStep;
  strip.inMark = kMarkStart;
  strip.outMark = kMarkEnd;
  strip.fileName.clear();
  strip.timesRetimed = true;
}

}  // namespace clipvex
