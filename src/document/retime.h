// Rebuilding every time line from the running sum of the duration comments.
#pragma once

#include <optional>
#include <string_view>

#include "document/block.h"

namespace clipvex {

// The number a duration comment holds: the text from its fourth character,
// at most 20 characters. Raises the conversion error for anything else.
long double DurationOf(const Block& block);

// What a gap of more than a second becomes when a dump is read, and what a
// jump back in time without a new level becomes when a demo is retimed.
inline constexpr long double kJumpDuration = 0.05L;

// The value of a time line in seconds, every decimal it has read (not the
// ten characters ParseTime reads), in any of the three forms; none when the
// line is no time line or its value does not read.
std::optional<long double> TimeLineSeconds(std::string_view line);

// Whether a block holds a serverinfo record, which starts a level: the
// game's clock starts again there.
bool OpensLevel(const Block& block);

// For every block from index 1 on, the running time first grows by the
// block's duration comment, then the last time line among its lines 1 to 3
// gets it: each block keeps the interval it had to the timed block before
// it. Blocks without such a line are left alone and add nothing.
//
// A negative duration is where the clock went back. When a level starts
// there (a serverinfo in the block or in a block since the timed block
// before it, or no timed block before it at all), the running time starts
// again at the value the block's time line holds when RetimeDemo begins,
// or at 0 when that is below zero or does not read: no level's times go
// below zero, and a change inside one level never moves the times of the
// levels after it. Since RetimeDemo runs after a command has moved and
// changed its blocks, "when it begins" is "before the command" for every
// block the command left alone:
//  - opening: the time the recording gives the level's first frame;
//  - a speed change that spans a level change: the level's first frame
//    keeps its time (its duration is scaled but stays negative), the
//    frames after it run from there at the new speed;
//  - a paste whose blocks hold another demo's level change: the time that
//    level's first frame had in the demo copied from;
//  - Paste New Level: the level it appends opens with the copied demo's
//    leading blocks, whose first time line has a positive duration (the
//    time since 0, or 0.05 s after a longer gap), so the level goes on
//    from the running time as before, and moves with it when a level
//    before it gets shorter or longer; it never goes below zero;
//  - undo: the journal gives back the old time lines, or retimes again,
//    and retiming again writes the same values (the block that starts a
//    level is written from its own time line, which reads back as the
//    value it was written from).
// A negative duration without a new level (a stretch copied from after
// another demo's level change but without its serverinfo) counts as a
// jump of kJumpDuration, so times never go back within a level.
void RetimeDemo(TDemFile& demo);

}  // namespace clipvex
