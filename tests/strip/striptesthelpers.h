// Thumbnail files for the strip and editing tests: each names the block it
// was made for, so a test can tell where a file moved.
#pragma once

#include <cstdint>
#include <string>

#include "settings/settings.h"
#include "strip/stripstate.h"
#include "support/testsupport.h"

namespace clipvex::test {

// Writes a thumbnail file whose bytes name the block it was made for.
inline void WriteThumbnail(const Settings& settings, char letter, std::int64_t block) {
  WriteFile(ThumbnailPath(settings, letter, block), "shot of " + std::to_string(block));
}

// What the thumbnail file of `block` shows: "shot of N" for the block that
// was at index N when it was made, "" when there is no file.
inline std::string ThumbnailOf(const Settings& settings, char letter, std::int64_t block) {
  const std::string path = ThumbnailPath(settings, letter, block);
  return FileExists(path) ? ReadFile(path) : std::string();
}

}  // namespace clipvex::test
