#include "effects/speed.h"

#include <algorithm>

#include "document/error.h"
#include "document/numtext.h"
#include "document/real48.h"
#include "document/retime.h"

namespace clipvex {

std::optional<int> TrackBarPosition(std::string_view text) {
  try {
    return std::clamp<std::int32_t>(StrToInt(text), kPercentMin, kPercentMax);
  } catch (const ClipvexError&) {
    return std::nullopt;
  }
}

double SpeedFactor(std::int32_t percent) {
  if (percent < 1) {
    throw ClipvexError("The speed must be a percentage of 1 or more: " + std::to_string(percent) +
                       " % would give durations that cannot be played.");
  }
  return RoundReal48(100.0L / percent);
}

long double NewDuration(double duration, double factor, SpeedMode mode, std::int64_t i, std::int64_t from,
                        std::int64_t to) {
  const long double d = duration;
  const long double scaled = d * factor;
  if (mode == SpeedMode::Constant) return scaled;
  if (to == from) throw ClipvexError("Invalid floating point operation");
  return (scaled - d) * static_cast<long double>(i - from) / static_cast<long double>(to - from) + d;
}

std::string DurationComment(long double duration) { return "// " + FormatGeneralExtended(duration); }

BlockRange ReadRange(const std::string& from, const std::string& to, std::size_t entries) {
  const std::int64_t last = static_cast<std::int64_t>(entries) - 2;
  BlockRange range;
  range.from = std::min<std::int64_t>(StrToInt(from), last);
  range.to = std::min<std::int64_t>(StrToInt(to), last);
  return range;
}

SpeedChange PlanSpeedChange(const TDemFile& demo, const SpeedInput& input) {
  SpeedChange change;
  change.range = ReadRange(input.from, input.to, demo.Blocks.size());
  const double factor = SpeedFactor(StrToInt(input.percent));
  const BlockRange& range = change.range;
  if (range.Empty()) return change;
  if (range.from < 0) ThrowListIndex();
  change.comments.reserve(static_cast<std::size_t>(range.to - range.from + 1));
  for (std::int64_t i = range.from; i <= range.to; ++i) {
    const Block& block = *demo.Blocks[static_cast<std::size_t>(i)];
    const double duration = RoundReal48(DurationOf(block));
    change.comments.push_back(DurationComment(NewDuration(duration, factor, input.mode, i, range.from, range.to)));
  }
  return change;
}

void ChangeSpeed(StripEdit& edit, const SpeedInput& input) {
  const SpeedChange change = PlanSpeedChange(edit.Demo(), input);
  for (std::size_t k = 0; k < change.comments.size(); ++k) {
    const auto block = static_cast<std::size_t>(change.range.from) + k;
    edit.SetLine(block, edit.Demo().Blocks[block]->Count() - 1, change.comments[k]);
  }
  edit.Retime();
}

}  // namespace clipvex
