// A demo in memory: the dump's header line and its list of blocks, each an
// ordered list of text lines stored verbatim (bytes, no line ends).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace clipvex {

// One dump record as a list of lines. All lines live in one buffer with an
// index of their ends, so a block costs two allocations however many lines
// it has. Out-of-range indices raise "List index out of bounds".
class Block {
 public:
  Block() = default;
  Block(std::initializer_list<std::string_view> lines);
  explicit Block(const std::vector<std::string>& lines);

  std::size_t Count() const { return ends_.size(); }
  bool Empty() const { return ends_.empty(); }
  std::string_view operator[](std::size_t index) const;
  std::string_view Last() const;

  void Add(std::string_view line);
  void Insert(std::size_t index, std::string_view line);  // index == Count() appends
  void Put(std::size_t index, std::string_view line);
  void Delete(std::size_t index);
  void Clear();

  std::vector<std::string> Lines() const;
  // Bytes held by the block's lines, line ends not counted.
  std::size_t TextSize() const { return text_.size(); }

  // Fills the block from lines already laid end to end in `text`, with
  // `ends[i]` the offset just past line i. Used by the dump reader.
  void Assign(std::string text, std::vector<std::uint32_t> ends);

  friend bool operator==(const Block& a, const Block& b) { return a.text_ == b.text_ && a.ends_ == b.ends_; }

 private:
  std::size_t Begin(std::size_t index) const { return index == 0 ? 0 : ends_[index - 1]; }
  void CheckIndex(std::size_t index, std::size_t limit) const;
  void Shift(std::size_t fromIndex, std::int64_t delta);

  std::string text_;
  std::vector<std::uint32_t> ends_;
};

using BlockPtr = std::shared_ptr<Block>;
using BlockList = std::vector<BlockPtr>;

// The first entries of the block list: 0 the header entry (never written),
// 1 to 3 the leading blocks, then the ordinary blocks, the closing block last.
inline constexpr std::size_t kHeaderEntry = 0;
inline constexpr std::size_t kFirstOrdinaryBlock = 4;

struct TDemFile {
  std::string Header;
  BlockList Blocks;  // empty: the demo holds no block list

  bool HasBlocks() const { return !Blocks.empty(); }
};

// Deep copy of a block, for the clipboard and for duplicates.
BlockPtr CopyBlock(const Block& block);

}  // namespace clipvex
