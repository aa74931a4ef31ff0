// What the Find Text dialog and the block viewer hold of a demo: references
// to blocks that never keep a block alive and are checked before every use,
// and the text of a block as their text boxes show it.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "document/block.h"

namespace clipvex {

class EffectsHost;
struct StripState;

// A block of a strip's demo, by identity. A block taken out of the demo
// may live on in the undo history, so that it is alive proves nothing: the
// reference counts only while the block is in the strip's block list.
struct BlockRef {
  std::weak_ptr<Block> block;
  std::size_t hint = 0;  // where the block was last seen

  bool Empty() const;
  // Whether both name the same block (which need not be alive).
  bool Same(const BlockRef& other) const;
};

// The block at `index` of `blocks` (an empty reference past the end).
BlockRef RefTo(const BlockList& blocks, std::size_t index);

// The block's index in `blocks` now: the hint when the block is still
// there, else found by a search (the hint follows); none once the block is
// no longer in the list: deleted, replaced, or its demo closed.
std::optional<std::size_t> Resolve(BlockRef& ref, const BlockList& blocks);

// A block's lines as a text box shows them: joined by line breaks.
std::string BlockText(const Block& block);

// The lines of a text box's text: split at its line breaks; an empty text
// is a block without lines.
Block BlockFromText(std::string_view text);

// The name of the undo step of a text edit of block `index`.
std::string BlockEditName(std::size_t index);

// What typing into a text box that shows block `at` of `strip` (the block
// `target` names) does: the block's lines become those of `text`, as a text
// edit of that block on the strip's undo history ("Edit Block N"). Raises
// the host's error when the demo cannot change.
void WriteBlockText(EffectsHost& host, StripState& strip, std::size_t at, std::string_view text,
                    const BlockRef& target);

}  // namespace clipvex
