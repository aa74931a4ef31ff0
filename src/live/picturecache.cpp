#include "live/picturecache.h"

namespace clipvex {

std::size_t PictureCache::SizeOf(const winquake::Picture& picture) {
  // The pixels, the palette, and what the map, the list and the shared
  // pointer hold besides.
  constexpr std::size_t kOverhead = 256;
  return picture.pixels.capacity() + sizeof(winquake::Picture) + kOverhead;
}

LivePicture PictureCache::Find(char letter, std::int64_t block) {
  const auto it = entries_.find({letter, block});
  if (it == entries_.end()) return nullptr;
  uses_.splice(uses_.begin(), uses_, it->second.use);
  return it->second.picture;
}

void PictureCache::Put(char letter, std::int64_t block, LivePicture picture) {
  if (picture == nullptr) return;
  const Key key{letter, block};
  if (auto it = entries_.find(key); it != entries_.end()) Erase(it);
  const std::size_t bytes = SizeOf(*picture);
  if (bytes > limit_) return;
  while (!uses_.empty() && bytes_ + bytes > limit_) Erase(entries_.find(uses_.back()));
  uses_.push_front(key);
  entries_.emplace(key, Entry{std::move(picture), bytes, uses_.begin()});
  bytes_ += bytes;
}

void PictureCache::DropFrom(char letter, std::int64_t first) {
  auto it = entries_.lower_bound({letter, first});
  while (it != entries_.end() && it->first.first == letter) {
    const auto next = std::next(it);
    Erase(it);
    it = next;
  }
}

void PictureCache::Clear() {
  entries_.clear();
  uses_.clear();
  bytes_ = 0;
}

void PictureCache::Erase(std::map<Key, Entry>::iterator it) {
  bytes_ -= it->second.bytes;
  uses_.erase(it->second.use);
  entries_.erase(it);
}

}  // namespace clipvex
