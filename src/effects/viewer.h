// The block viewer: one block of the active strip at a time, as its text
// (which can be edited) or as its thumbnail at full size, stepped with "<"
// and ">" or scrolled through. dialogs/blockviewer.* is the window; these
// are its state record and its rules.
#pragma once

#include <cstdint>
#include "effects/blockref.h"

namespace clipvex {

struct ViewerState {
  std::int64_t viewerBlock = 0;  // index into the active strip's block list
  // The block the text box shows and its edits go into (text mode), and the
  // letter of the strip it belongs to. Empty: edits go nowhere.
  BlockRef target;
  char targetStrip = 0;
};

// "<": the block before, never below 0.
std::int64_t PrevBlock(std::int64_t block);
// ">": the block after, never past the last entry of `entries`.
std::int64_t NextBlock(std::int64_t block, std::int64_t entries);
// A scroll step: the block after, and past the last entry the first
// ordinary block (4) again (the last entry, for a demo that has none).
std::int64_t ScrollNext(std::int64_t block, std::int64_t entries);
// The block Display shows for `block`: within 0 to the last entry (a demo
// that became shorter meanwhile shows its last block); -1 without blocks.
std::int64_t ShownBlock(std::int64_t block, std::int64_t entries);

}  // namespace clipvex
