#include "editing/reverse.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "document/demotime.h"
#include "editing/clipboard.h"

namespace clipvex {

std::optional<std::size_t> ReverseTimeLine(const Block& block) {
  std::optional<std::size_t> found;
  const std::size_t lines = std::min<std::size_t>(4, block.Count());
  for (std::size_t i = 0; i < lines; ++i) {
    if (IsTimeLine(block[i])) found = i;
  }
  return found;
}

void ReverseBlockRange(BlockList& blocks, std::size_t first, std::size_t last) {
  if (last <= first) return;
  // The time line texts in list order, before anything moves.
  std::vector<std::string> times;
  for (std::size_t i = first; i <= last; ++i) {
    if (const std::optional<std::size_t> line = ReverseTimeLine(*blocks[i])) times.emplace_back((*blocks[i])[*line]);
  }
  std::reverse(blocks.begin() + static_cast<std::ptrdiff_t>(first),
               blocks.begin() + static_cast<std::ptrdiff_t>(last) + 1);
  // Handed back in the same order to the blocks that have a time line, each
  // at its own line index: a block without one takes none, so no time line
  // travels with a block to the other end of the range.
  auto text = times.begin();
  for (std::size_t i = first; i <= last; ++i) {
    if (const std::optional<std::size_t> line = ReverseTimeLine(*blocks[i])) blocks[i]->Put(*line, *text++);
  }
}

void ReverseBlocks(StripEdit& edit, std::int32_t frameStep) {
  if (!HoldsEditableDemo(edit.Strip())) return;
  edit.Status("Reversing Blocks");
  edit.DeleteSwapFile();
  const std::int64_t entries = static_cast<std::int64_t>(edit.Entries());
  const std::int64_t step = std::max(frameStep, 1);
  const std::int64_t outMark = edit.Strip().outMark;
  const std::int64_t last = outMark >= entries - 1 ? entries - 2 : outMark - step + 1;
  const std::int64_t first = std::max<std::int64_t>(edit.Strip().inMark, kFirstOrdinaryBlock);
  edit.SetOutMark(ClampMark(last));
  if (last > first) edit.ReverseRange(static_cast<std::size_t>(first), static_cast<std::size_t>(last));
  edit.SetOutMark(ClampMark(last + step - 1));
  edit.Status("Done");
}

}  // namespace clipvex
