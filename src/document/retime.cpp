#include "document/retime.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "document/demotime.h"
#include "document/numtext.h"
#include "document/real48.h"

namespace clipvex {

long double DurationOf(const Block& block) {
  std::string_view comment = block.Last();
  std::string_view number = comment.size() > 3 ? comment.substr(3, 20) : std::string_view{};
  return StrToFloat(number);
}

std::optional<long double> TimeLineSeconds(std::string_view line) {
  if (!IsTimeLine(line)) return std::nullopt;
  std::string_view value = line.substr(5);
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  while (!value.empty() && (value.back() == ';' || value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
  if (!value.empty() && (value.back() == 's' || value.back() == 'm' || value.back() == 'h')) value.remove_suffix(1);
  // Whole hours and minutes before the colons, each worth 60 of the next.
  long double whole = 0;
  int colons = 0;
  for (std::size_t colon; (colon = value.find(':')) != std::string_view::npos; value.remove_prefix(colon + 1)) {
    long long part = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + colon, part);
    if (ec != std::errc() || end != value.data() + colon || ++colons > 2) return std::nullopt;
    whole = whole * 60 + static_cast<long double>(part);
  }
  double seconds = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
  if (ec != std::errc() || end != value.data() + value.size() || !std::isfinite(seconds)) return std::nullopt;
  return whole * 60 + seconds;
}

bool OpensLevel(const Block& block) {
  for (std::size_t i = 0; i < block.Count(); ++i) {
    std::string_view line = block[i];
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    constexpr std::string_view kWord = "serverinfo";
    if (line.substr(0, kWord.size()) == kWord &&
        (line.size() == kWord.size() || line[kWord.size()] == ' ' || line[kWord.size()] == '\t')) {
      return true;
    }
  }
  return false;
}

void RetimeDemo(TDemFile& demo) {
  double t = 0;
  std::size_t lastTimed = 0;  // 0: no timed block yet, the demo's start opens its first level
  for (std::size_t b = 1; b < demo.Blocks.size(); ++b) {
    Block& block = *demo.Blocks[b];
    if (block.Count() < 2) continue;
    std::size_t last = std::min<std::size_t>(3, block.Count() - 1);
    std::size_t found = 0;
    for (std::size_t i = 1; i <= last; ++i) {
      if (IsTimeLine(block[i])) found = i;
    }
    if (found == 0) continue;
    // A duration comment holds the time since the time line before the
    // block, so the block's own time is the sum including its duration:
    // adding after writing would hand every block its predecessor's
    // interval and shift the timing by one block on every open and save.
    const long double duration = DurationOf(block);
    if (duration >= 0) {
      t = RoundReal48(static_cast<long double>(t) + duration);
    } else if (lastTimed == 0 || std::any_of(demo.Blocks.begin() + static_cast<std::ptrdiff_t>(lastTimed) + 1,
                                             demo.Blocks.begin() + static_cast<std::ptrdiff_t>(b) + 1,
                                             [](const BlockPtr& p) { return OpensLevel(*p); })) {
      // The clock went back because a level starts: its times start again
      // where its time line stands, never below zero.
      const std::optional<long double> standing = TimeLineSeconds(block[found]);
      t = RoundReal48(standing && *standing > 0 ? *standing : 0);
    } else {
      // The clock went back without a new level (a stretch pasted from
      // after another demo's level change): a jump, taken like a gap of
      // more than a second when the demo was read.
      t = RoundReal48(static_cast<long double>(t) + RoundReal48(kJumpDuration));
    }
    block.Put(found, FormatTimeLine(t));
    lastTimed = b;
  }
}

}  // namespace clipvex
