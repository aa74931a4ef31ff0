// The live pictures drawn so far, by strip and block, least recently used
// first out once they take more than their limit. Used on one thread (the
// window's); a picture handed out stays valid after it leaves the cache.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <utility>

#include "scene.h"

namespace clipvex {

using LivePicture = std::shared_ptr<const winquake::Picture>;

class PictureCache {
 public:
  // 48 MB: about 600 pictures of the game's screen, more than both strips
  // show in sixty pages.
  static constexpr std::size_t kDefaultLimit = std::size_t{48} << 20;

  explicit PictureCache(std::size_t limitBytes = kDefaultLimit) : limit_(limitBytes) {}

  // The picture of `block` of strip `letter` (it becomes the most recently
  // used), or null.
  LivePicture Find(char letter, std::int64_t block);
  // Keeps `picture`, replacing one of the same block; the least recently
  // used go until the rest fit the limit (a picture larger than the limit
  // is not kept).
  void Put(char letter, std::int64_t block, LivePicture picture);
  // Forgets the pictures of strip `letter` from block `first` on.
  void DropFrom(char letter, std::int64_t first);
  void Clear();

  std::size_t Bytes() const { return bytes_; }
  std::size_t Count() const { return entries_.size(); }
  std::size_t Limit() const { return limit_; }

  // What a picture counts against the limit.
  static std::size_t SizeOf(const winquake::Picture& picture);

 private:
  using Key = std::pair<char, std::int64_t>;
  struct Entry {
    LivePicture picture;
    std::size_t bytes = 0;
    std::list<Key>::iterator use;
  };
  void Erase(std::map<Key, Entry>::iterator it);

  std::size_t limit_;
  std::size_t bytes_ = 0;
  std::map<Key, Entry> entries_;
  std::list<Key> uses_;  // most recently used first
};

}  // namespace clipvex
