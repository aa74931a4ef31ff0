// The Edit commands that restructure a demo: the program-wide block
// clipboard with Copy, Delete, Select All, Paste, Paste at End and Paste New
// Level. Each acts on one strip's demo and selection; the changing ones are
// edit functions run through an EditStep, so that they can be undone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/block.h"
#include "document/notifier.h"
#include "editing/editjournal.h"
#include "strip/stripstate.h"

namespace clipvex {

// What Copy took: the header line of the demo copied from (`clip_header`)
// and `clip_list`: entry 0 a one-line block with that header line, entries
// 1 to 3 copies of the demo's leading blocks, then copies of the selected
// blocks in order. Every entry is a deep copy. A clipboard never changes
// once made, so a paste can keep the one it pasted.
struct BlockClipboard {
  std::string clip_header;
  std::vector<std::shared_ptr<const Block>> clip_list;

  std::size_t CopiedBlocks() const { return clip_list.size() < 4 ? 0 : clip_list.size() - 4; }
};
using ClipboardPtr = std::shared_ptr<const BlockClipboard>;

// The program-wide clipboard: absent until the first Copy, replaced whole
// by each Copy, and never cleared by anything else.
struct ClipboardHolder {
  ClipboardPtr clip;
  bool Present() const { return clip != nullptr; }
};

// A strip whose demo the commands can work on: it holds a demo, with at
// least the header entry and the three leading blocks.
bool HoldsEditableDemo(const StripState& strip);

// A mark value from a wider computation, kept within 32 bits.
std::int32_t ClampMark(std::int64_t value);

// Clamps the out-mark as Copy, Delete and Reverse do: from N-1 on it
// becomes N-2, stored in the strip.
void ClampOutMark(StripState& strip);

// Copy: shows "Copying Blocks", clamps the out-mark, copies the selection
// and shows "Done". Without a demo it does nothing and returns null.
ClipboardPtr CopyBlocks(StripState& strip, Feedback& feedback);

// Select All: no in-mark and no out-mark (4 and 100000).
void SelectAll(StripState& strip);

// Delete: shows "Deleting Blocks", clamps the out-mark, takes out the
// selected blocks (nothing when the in-mark lies after the out-mark),
// selects all and shows "Done". Thumbnails follow their blocks. No retiming.
void DeleteBlocks(StripEdit& edit);

// Paste: the demo takes the clipboard's header line and leading blocks, and
// copies of its blocks go in front of the block at the in-mark (in front of
// the closing block when the in-mark lies past it). Thumbnails from there
// on move up; then "Retiming File" and RetimeDemo. Marks stay.
void PasteBlocks(StripEdit& edit, const BlockClipboard& clipboard);

// Paste at End: Paste in front of the closing block, whatever the in-mark.
void PasteBlocksAtEnd(StripEdit& edit, const BlockClipboard& clipboard);

// Paste New Level: the demo takes the clipboard's header line, and copies
// of clipboard entries 1 onwards (its leading blocks, then its blocks) go in
// front of the closing block; the demo keeps its own leading blocks. Then
// "Retiming File" and RetimeDemo. Marks stay.
void PasteNewLevel(StripEdit& edit, const BlockClipboard& clipboard);

}  // namespace clipvex
