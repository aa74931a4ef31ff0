// F/X > Reverse: a stretch of the active strip's demo turned around, so that
// it plays backwards, while the sequence of time values stays where it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "document/block.h"
#include "editing/editjournal.h"

namespace clipvex {

// The index of a block's time line for Reverse: the last of its lines 0 to
// 3 with "time" from the second character; none when it has no such line.
std::optional<std::size_t> ReverseTimeLine(const Block& block);

// Reverses blocks first..last. The time line texts of the range, read in
// list order, are given back in that order to the blocks that have a time
// line, each at its own line index, so the times read in list order stay
// as they were; a block without a time line gets none. Where every block
// has one, this is the pairwise exchange of time lines from the outside
// in. Reversing the same range again gives back the blocks and their time
// lines exactly.
void ReverseBlockRange(BlockList& blocks, std::size_t first, std::size_t last);

// Reverses the selection of a strip that holds a demo, from the in-mark to
// E' (the last ordinary block without an out-mark; else the first block of
// the out-mark's frame, out-mark - step + 1), and leaves the out-mark on
// E' + step - 1. `step` is the strip's blocks per frame when the command
// was chosen: a redo must not depend on a zoom made since. Shows
// "Reversing Blocks" and "Done". Does not retime.
void ReverseBlocks(StripEdit& edit, std::int32_t step);

}  // namespace clipvex
