// Change Speed: the durations of a range of blocks multiplied by 100 / p,
// by one constant percentage or by one that fades in linearly across the
// range, and the demo retimed from the durations. dialogs/speeddialog.* is
// the dialog; these are its rules.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/block.h"
#include "editing/editjournal.h"

namespace clipvex {

enum class SpeedMode : std::uint8_t { Constant, Fade };

// The track bar: 1 to 300 percent, 100 at every showing.
inline constexpr int kPercentMin = 1;
inline constexpr int kPercentMax = 300;
inline constexpr int kPercentStart = 100;

// What the dialog's controls hold when OK is pressed.
struct SpeedInput {
  std::string from;     // st_block
  std::string to;       // end_block
  std::string percent;  // percent_edit (not the track bar)
  SpeedMode mode = SpeedMode::Constant;
};

// Where typing `text` into the percentage box moves the track bar: the
// integer clamped to 1..300, or nothing for text that is no integer.
std::optional<int> TrackBarPosition(std::string_view text);

// 100 / percent as a 48-bit real. A percentage below 1 is refused: it would
// write infinite or negative durations.
double SpeedFactor(std::int32_t percent);

// The new duration of block `i` of the range `from`..`to` whose duration
// is `duration`, at extended precision. Constant: duration * factor. Fade:
// duration + (duration * factor - duration) * (i - from) / (to - from), so
// block `from` keeps its duration and block `to` gets the full factor; a
// fade over a single block raises "Invalid floating point operation".
long double NewDuration(double duration, double factor, SpeedMode mode, std::int64_t i, std::int64_t from,
                        std::int64_t to);

// "// " and the duration in the general number format, written from the
// extended value itself (no rounding to 48 bits on the way).
std::string DurationComment(long double duration);

// The range OK works on: From and To read from their boxes, each lowered
// to N - 2 when larger (the closing block is never changed).
struct BlockRange {
  std::int64_t from = 0;
  std::int64_t to = -1;
  bool Empty() const { return to < from; }
};
BlockRange ReadRange(const std::string& from, const std::string& to, std::size_t entries);

// The new duration comments for blocks from..to, computed before anything
// changes. Raises the error the first failing block would give: "List
// index out of bounds" for From below 0, the conversion error for a block
// without a duration comment, "Invalid floating point operation" for a
// fade over one block.
struct SpeedChange {
  BlockRange range;
  std::vector<std::string> comments;  // for range.from, range.from + 1, ...
};
SpeedChange PlanSpeedChange(const TDemFile& demo, const SpeedInput& input);

// OK: the whole change is checked first, then every duration comment of
// the range is rewritten and the demo retimed (also when no block is in
// the range). A failure changes nothing.
void ChangeSpeed(StripEdit& edit, const SpeedInput& input);

}  // namespace clipvex
