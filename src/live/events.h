// What the replay's events mean to a user: their names, and moving a strip
// to the next or the previous frame with an event.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "live/replay.h"
#include "strip/stripstate.h"

namespace clipvex {

// "kill, centre print": the events of `events` in the order of LiveEvent.
std::string EventNames(std::uint8_t events);

// The first block a strip would show to bring the next block with an event
// after the middle frame's blocks (forward) or the last one before them
// (back) into the middle frame, on the frames' grid, and never past the last
// page; nullopt when no such event would move the strip. `events` lists the
// blocks with events in order.
std::optional<std::int32_t> EventStart(const StripState& strip,
                                       const std::vector<std::pair<std::int64_t, std::uint8_t>>& events, bool forward);

}  // namespace clipvex
