#include "editing/clipboard.h"

#include <algorithm>
#include <limits>

namespace clipvex {
namespace {

constexpr std::size_t kLeadingBlocks = 3;

// Copies of clipboard entries [from, end) as new blocks of a demo.
BlockList CopiesOf(const BlockClipboard& clipboard, std::size_t from) {
  BlockList copies;
  if (from >= clipboard.clip_list.size()) return copies;
  copies.reserve(clipboard.clip_list.size() - from);
  for (std::size_t i = from; i < clipboard.clip_list.size(); ++i) copies.push_back(CopyBlock(*clipboard.clip_list[i]));
  return copies;
}

bool Usable(const BlockClipboard& clipboard) { return clipboard.clip_list.size() >= kFirstOrdinaryBlock; }

// Where a paste goes in: in front of the in-mark's block, but never in
// front of a leading block nor past the closing block.
std::size_t PastePosition(const StripEdit& edit, std::int64_t mark) {
  const std::int64_t closing = static_cast<std::int64_t>(edit.Entries()) - 1;
  const std::int64_t last = std::max<std::int64_t>(closing, kFirstOrdinaryBlock);
  return static_cast<std::size_t>(std::clamp<std::int64_t>(mark, kFirstOrdinaryBlock, last));
}

void Paste(StripEdit& edit, const BlockClipboard& clipboard, std::size_t pos) {
  edit.Status("Pasting Blocks");
  edit.SetHeader(clipboard.clip_header);
  for (std::size_t i = 1; i <= kLeadingBlocks; ++i) edit.ReplaceLines(i, *clipboard.clip_list[i]);
  edit.Splice(pos, 0, CopiesOf(clipboard, kFirstOrdinaryBlock));
  edit.Status("Retiming File");
  edit.Retime();
  edit.Status("Done");
}

}  // namespace

bool HoldsEditableDemo(const StripState& strip) {
  return strip.HasDemo() && strip.demo.Blocks.size() >= kFirstOrdinaryBlock;
}

std::int32_t ClampMark(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

void ClampOutMark(StripState& strip) {
  const std::int64_t entries = strip.Entries();
  if (strip.outMark >= entries - 1) strip.outMark = ClampMark(entries - 2);
}

ClipboardPtr CopyBlocks(StripState& strip, Feedback& feedback) {
  if (!HoldsEditableDemo(strip)) return nullptr;
  feedback.Status("Copying Blocks");
  ClampOutMark(strip);
  auto clipboard = std::make_shared<BlockClipboard>();
  clipboard->clip_header = strip.demo.Header;
  const std::int64_t first = std::max<std::int64_t>(strip.inMark, kFirstOrdinaryBlock);
  const std::int64_t last = strip.outMark;
  clipboard->clip_list.reserve(kFirstOrdinaryBlock + static_cast<std::size_t>(std::max<std::int64_t>(0, last - first + 1)));
  clipboard->clip_list.push_back(std::make_shared<const Block>(Block{strip.demo.Header}));
  for (std::size_t i = 1; i <= kLeadingBlocks; ++i) clipboard->clip_list.push_back(CopyBlock(*strip.demo.Blocks[i]));
  for (std::int64_t i = first; i <= last; ++i) {
    clipboard->clip_list.push_back(CopyBlock(*strip.demo.Blocks[static_cast<std::size_t>(i)]));
  }
  feedback.Status("Done");
  return clipboard;
}

void SelectAll(StripState& strip) {
  strip.inMark = kMarkStart;
  strip.outMark = kMarkEnd;
}

void DeleteBlocks(StripEdit& edit) {
  if (!HoldsEditableDemo(edit.Strip())) return;
  edit.Status("Deleting Blocks");
  const std::int64_t entries = static_cast<std::int64_t>(edit.Entries());
  if (edit.Strip().outMark >= entries - 1) edit.SetOutMark(ClampMark(entries - 2));
  const std::int64_t first = std::max<std::int64_t>(edit.Strip().inMark, kFirstOrdinaryBlock);
  const std::int64_t count = static_cast<std::int64_t>(edit.Strip().outMark) - first + 1;
  if (count > 0) edit.Splice(static_cast<std::size_t>(first), static_cast<std::size_t>(count), {});
  edit.SetInMark(kMarkStart);
  edit.SetOutMark(kMarkEnd);
  edit.Status("Done");
}

void PasteBlocks(StripEdit& edit, const BlockClipboard& clipboard) {
  if (!HoldsEditableDemo(edit.Strip()) || !Usable(clipboard)) return;
  Paste(edit, clipboard, PastePosition(edit, edit.Strip().inMark));
}

void PasteBlocksAtEnd(StripEdit& edit, const BlockClipboard& clipboard) {
  if (!HoldsEditableDemo(edit.Strip()) || !Usable(clipboard)) return;
  Paste(edit, clipboard, PastePosition(edit, static_cast<std::int64_t>(edit.Entries()) - 1));
}

void PasteNewLevel(StripEdit& edit, const BlockClipboard& clipboard) {
  if (!HoldsEditableDemo(edit.Strip()) || !Usable(clipboard)) return;
  edit.Status("Pasting Blocks");
  edit.SetHeader(clipboard.clip_header);
  edit.Splice(PastePosition(edit, static_cast<std::int64_t>(edit.Entries()) - 1), 0, CopiesOf(clipboard, 1));
  edit.Status("Retiming File");
  edit.Retime();
  edit.Status("Done");
}

}  // namespace clipvex
