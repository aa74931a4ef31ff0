#include "effects/viewer.h"

#include <algorithm>

#include "strip/stripstate.h"

namespace clipvex {

std::int64_t PrevBlock(std::int64_t block) { return std::max<std::int64_t>(0, block - 1); }

std::int64_t NextBlock(std::int64_t block, std::int64_t entries) {
  return std::max<std::int64_t>(0, std::min(entries - 1, block + 1));
}

std::int64_t ScrollNext(std::int64_t block, std::int64_t entries) {
  const std::int64_t next = block + 1;
  if (next <= entries - 1) return next;
  return std::max<std::int64_t>(0, std::min<std::int64_t>(kFirstVisibleBlock, entries - 1));
}

std::int64_t ShownBlock(std::int64_t block, std::int64_t entries) {
  if (entries <= 0) return -1;
  return std::clamp<std::int64_t>(block, 0, entries - 1);
}

}  // namespace clipvex
