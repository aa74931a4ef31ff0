#include "document/block.h"

#include <limits>

#include "document/error.h"

namespace clipvex {

Block::Block(std::initializer_list<std::string_view> lines) {
  for (std::string_view line : lines) Add(line);
}

Block::Block(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) Add(line);
}

void Block::CheckIndex(std::size_t index, std::size_t limit) const {
  if (index >= limit) ThrowListIndex();
}

std::string_view Block::operator[](std::size_t index) const {
  CheckIndex(index, ends_.size());
  std::size_t begin = Begin(index);
  return std::string_view(text_).substr(begin, ends_[index] - begin);
}

std::string_view Block::Last() const {
  if (ends_.empty()) ThrowListIndex();
  return (*this)[ends_.size() - 1];
}

void Block::Shift(std::size_t fromIndex, std::int64_t delta) {
  for (std::size_t i = fromIndex; i < ends_.size(); ++i) {
    ends_[i] = static_cast<std::uint32_t>(static_cast<std::int64_t>(ends_[i]) + delta);
  }
}

namespace {
void CheckCapacity(std::size_t current, std::size_t added) {
  if (current + added > std::numeric_limits<std::uint32_t>::max()) {
    throw ClipvexError("Out of memory");
  }
}
}  // namespace

void Block::Add(std::string_view line) {
  CheckCapacity(text_.size(), line.size());
  text_.append(line);
  ends_.push_back(static_cast<std::uint32_t>(text_.size()));
}

void Block::Insert(std::size_t index, std::string_view line) {
  CheckIndex(index, ends_.size() + 1);
  CheckCapacity(text_.size(), line.size());
  std::size_t begin = Begin(index);
  text_.insert(begin, line);
  ends_.insert(ends_.begin() + static_cast<std::ptrdiff_t>(index), static_cast<std::uint32_t>(begin));
  Shift(index, static_cast<std::int64_t>(line.size()));
}

void Block::Put(std::size_t index, std::string_view line) {
  CheckIndex(index, ends_.size());
  std::size_t begin = Begin(index);
  std::size_t oldSize = ends_[index] - begin;
  CheckCapacity(text_.size() - oldSize, line.size());
  text_.replace(begin, oldSize, line);
  Shift(index, static_cast<std::int64_t>(line.size()) - static_cast<std::int64_t>(oldSize));
}

void Block::Delete(std::size_t index) {
  CheckIndex(index, ends_.size());
  std::size_t begin = Begin(index);
  std::size_t size = ends_[index] - begin;
  text_.erase(begin, size);
  ends_.erase(ends_.begin() + static_cast<std::ptrdiff_t>(index));
  Shift(index, -static_cast<std::int64_t>(size));
}

void Block::Clear() {
  text_.clear();
  ends_.clear();
}

std::vector<std::string> Block::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(ends_.size());
  for (std::size_t i = 0; i < ends_.size(); ++i) lines.emplace_back((*this)[i]);
  return lines;
}

void Block::Assign(std::string text, std::vector<std::uint32_t> ends) {
  CheckCapacity(0, text.size());
  text_ = std::move(text);
  ends_ = std::move(ends);
}

BlockPtr CopyBlock(const Block& block) { return std::make_shared<Block>(block); }

}  // namespace clipvex
