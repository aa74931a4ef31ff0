#include "effects/blockref.h"

#include "effects/effectshost.h"

namespace clipvex {

bool BlockRef::Empty() const { return block.expired(); }

bool BlockRef::Same(const BlockRef& other) const {
  // Neither owner_before ordering holds only for references to one object.
  return !block.owner_before(other.block) && !other.block.owner_before(block);
}

BlockRef RefTo(const BlockList& blocks, std::size_t index) {
  if (index >= blocks.size()) return {};
  return BlockRef{blocks[index], index};
}

std::optional<std::size_t> Resolve(BlockRef& ref, const BlockList& blocks) {
  const BlockPtr block = ref.block.lock();
  if (!block) return std::nullopt;
  if (ref.hint < blocks.size() && blocks[ref.hint] == block) return ref.hint;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    if (blocks[i] == block) {
      ref.hint = i;
      return i;
    }
  }
  return std::nullopt;
}

std::string BlockText(const Block& block) {
  std::string text;
  text.reserve(block.TextSize() + block.Count());
  for (std::size_t i = 0; i < block.Count(); ++i) {
    if (i > 0) text += '\n';
    text += block[i];
  }
  return text;
}

Block BlockFromText(std::string_view text) {
  Block block;
  if (text.empty()) return block;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = text.find('\n', begin);
    if (end == std::string_view::npos) {
      block.Add(text.substr(begin));
      return block;
    }
    block.Add(text.substr(begin, end - begin));
    begin = end + 1;
  }
}

std::string BlockEditName(std::size_t index) { return "Edit Block " + std::to_string(index); }

void WriteBlockText(EffectsHost& host, StripState& strip, std::size_t at, std::string_view text,
                    const BlockRef& target) {
  Block lines = BlockFromText(text);
  host.RunEffect(
      strip, BlockEditName(at), [at, lines](StripEdit& edit) { edit.ReplaceLines(at, lines); }, target.block);
}

}  // namespace clipvex
