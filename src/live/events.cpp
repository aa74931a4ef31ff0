#include "live/events.h"

#include <algorithm>

#include "strip/stripnav.h"

namespace clipvex {

std::string EventNames(std::uint8_t events) {
  static constexpr const char* kNames[kLiveEventKinds] = {"kill",         "death",        "secret found",
                                                          "centre print", "intermission", "new level"};
  std::string names;
  for (int i = 0; i < kLiveEventKinds; ++i) {
    if (!(events & (1u << i))) continue;
    if (!names.empty()) names += ", ";
    names += kNames[i];
  }
  return names;
}

std::optional<std::int32_t> EventStart(const StripState& strip,
                                       const std::vector<std::pair<std::int64_t, std::uint8_t>>& events, bool forward) {
  if (!strip.HasDemo() || strip.step < 1) return std::nullopt;
  const std::int64_t step = strip.step;
  const std::int64_t first = strip.firstVisible;
  const std::int64_t middle = strip.FrameBlock(5);
  const std::int64_t lastPage = std::max<std::int64_t>(first, LastPageStart(strip));
  const std::int64_t entries = strip.Entries();
  // The start that puts block `b` into the middle frame.
  const auto startFor = [&](std::int64_t b) {
    const std::int64_t offset = b - first;
    const std::int64_t frames = offset >= 0 ? offset / step : -((-offset + step - 1) / step);
    const std::int64_t start = first + (frames - 4) * step;
    return std::clamp<std::int64_t>(start, kFirstVisibleBlock, std::max<std::int64_t>(lastPage, kFirstVisibleBlock));
  };
  const auto shown = [&](std::int64_t b) { return b >= kFirstVisibleBlock && b < entries; };
  if (forward) {
    for (const auto& [block, kinds] : events) {
      if (kinds == 0 || !shown(block) || block < middle + step) continue;
      const std::int64_t start = startFor(block);
      if (start > first) return static_cast<std::int32_t>(start);
    }
  } else {
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
      if (it->second == 0 || !shown(it->first) || it->first >= middle) continue;
      const std::int64_t start = startFor(it->first);
      if (start < first) return static_cast<std::int32_t>(start);
    }
  }
  return std::nullopt;
}

}  // namespace clipvex
