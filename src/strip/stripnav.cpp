#include "strip/stripnav.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "document/demotime.h"

namespace clipvex {
namespace {

int ToInt(std::int64_t value) {
  return static_cast<int>(
      std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

std::int64_t LastEntry(const StripState& strip) { return static_cast<std::int64_t>(strip.Entries()) - 1; }

// Where the scroll bar's range ends: the start at which the last frame
// stands for the last entry (the page of nine frames ends with the demo).
std::int64_t ScrollEnd(const StripState& strip) {
  const std::int64_t page = std::int64_t{kFrames} * std::max(strip.step, 1);
  return std::max<std::int64_t>(kFirstVisibleBlock, LastEntry(strip) + 1 - page);
}

void FrameBack(StripState& strip) {
  strip.firstVisible = static_cast<std::int32_t>(
      std::max<std::int64_t>(kFirstVisibleBlock, std::int64_t{strip.firstVisible} - strip.step));
}

// The time of a block as its caption in the time mode reads it: the last
// time line among its first four lines. A line that does not read as a time
// counts as none.
std::optional<double> BlockTime(const Block& block) {
  std::optional<std::string_view> timeLine;
  for (std::size_t i = 0; i < 4 && i < block.Count(); ++i) {
    if (IsTimeLine(block[i])) timeLine = block[i];
  }
  if (!timeLine) return std::nullopt;
  try {
    return ParseTime(*timeLine);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::string TimeOf(const StripState& strip, std::int64_t index) {
  const BlockPtr& block = strip.demo.Blocks[static_cast<std::size_t>(index)];
  if (!block) return {};
  const std::optional<double> time = BlockTime(*block);
  return time ? ShortTime(*time) : std::string();
}

}  // namespace

std::int32_t LastPageStart(const StripState& strip) {
  const std::int64_t step = std::max(strip.step, 1);
  const std::int64_t start = (LastEntry(strip) / step) * step + 4 - std::int64_t{kFrames} * step;
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(start, kFirstVisibleBlock, std::numeric_limits<std::int32_t>::max()));
}

void NavigateStrip(StripState& strip, NavKey key) {
  if (!strip.HasDemo()) return;
  switch (key) {
    case NavKey::FrameBack:
      FrameBack(strip);
      break;
    case NavKey::FrameForward:
      ScrollFrameRight(strip);
      break;
    case NavKey::PageBack:
      ScrollPageLeft(strip);
      break;
    case NavKey::PageForward:
      ScrollPageRight(strip);
      break;
    case NavKey::Home:
      strip.firstVisible = kFirstVisibleBlock;
      break;
    case NavKey::End:
      strip.firstVisible = LastPageStart(strip);
      break;
  }
}

void ScrollFrames(StripState& strip, std::int64_t frames) {
  if (!strip.HasDemo()) return;
  const NavKey key = frames < 0 ? NavKey::FrameBack : NavKey::FrameForward;
  for (std::int64_t i = 0; i < std::abs(frames); ++i) {
    const std::int32_t before = strip.firstVisible;
    NavigateStrip(strip, key);
    if (strip.firstVisible == before) break;  // at an end: further notches change nothing
  }
}

ScrollBarModel ScrollBarFor(const StripState& strip) {
  ScrollBarModel model;
  const std::int64_t step = std::max(strip.step, 1);
  model.singleStep = ToInt(step);
  model.pageStep = ToInt(std::int64_t{kFrames} * step);
  if (!strip.HasDemo()) return model;
  model.enabled = true;
  model.maximum = ToInt(ScrollEnd(strip));
  model.value = std::clamp(ToInt(strip.firstVisible), model.minimum, model.maximum);
  return model;
}

std::int32_t ScrollBarTarget(const StripState& strip, std::int64_t value) {
  if (!strip.HasDemo()) return strip.firstVisible;
  const ScrollBarModel model = ScrollBarFor(strip);
  if (value <= model.minimum) return model.minimum;
  if (value >= model.maximum) return model.maximum;
  const std::int64_t step = std::max(strip.step, 1);
  const std::int64_t from = strip.firstVisible;
  const long double steps = static_cast<long double>(value - from) / static_cast<long double>(step);
  std::int64_t target = from + static_cast<std::int64_t>(std::llround(steps)) * step;
  if (target > model.maximum) target -= step;
  if (target < model.minimum) target += step;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(target, model.minimum, model.maximum));
}

std::string GroupThousands(std::int64_t value) {
  const bool negative = value < 0;
  // Through the unsigned value, so the most negative number has its digits too.
  std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  std::string digits;
  int count = 0;
  do {
    if (count > 0 && count % 3 == 0) digits += ',';
    digits += static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
    ++count;
  } while (magnitude != 0);
  if (negative) digits += '-';
  return std::string(digits.rbegin(), digits.rend());
}

std::string ShortTime(double seconds) {
  constexpr double kLongest = 100000.0 * 3600.0;
  if (!std::isfinite(seconds) || std::fabs(seconds) > kLongest) return {};
  const std::int64_t tenthsTotal = std::llround(std::fabs(seconds) * 10.0);
  const std::int64_t tenths = tenthsTotal % 10;
  const std::int64_t wholeSeconds = tenthsTotal / 10;
  const std::int64_t hours = wholeSeconds / 3600;
  const std::int64_t minutes = wholeSeconds / 60 % 60;
  const std::int64_t secs = wholeSeconds % 60;
  auto two = [](std::int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  std::string text = seconds < 0 && tenthsTotal != 0 ? "-" : "";
  if (hours > 0) {
    text += std::to_string(hours) + ":" + two(minutes);
  } else {
    text += std::to_string(minutes);
  }
  text += ":" + two(secs) + "." + std::to_string(tenths);
  return text;
}

std::string PositionText(const StripState& strip) {
  if (!strip.HasDemo() || strip.Entries() < 1) return {};
  const std::int64_t last = LastEntry(strip);
  const std::int64_t first = strip.firstVisible;
  if (first > last) return "past the end, last block " + GroupThousands(last);
  // The last frame whose block is inside the demo.
  std::int64_t shownLast = first;
  for (int frame = kFrames; frame >= 1; --frame) {
    if (strip.FrameBlock(frame) <= last) {
      shownLast = strip.FrameBlock(frame);
      break;
    }
  }
  std::string text = shownLast == first ? "block " + GroupThousands(first)
                                        : "blocks " + GroupThousands(first) + "-" + GroupThousands(shownLast);
  text += " of " + GroupThousands(last);

  const std::string from = TimeOf(strip, first);
  const std::string to = shownLast == first ? std::string() : TimeOf(strip, shownLast);
  std::string times;
  if (!from.empty() && !to.empty()) {
    times = from + "-" + to;
  } else {
    times = from.empty() ? to : from;
  }
  if (!times.empty()) text += " \xC2\xB7 " + times;  // a middle dot, in UTF-8
  return text;
}

}  // namespace clipvex
