// The game's data as the preview draws it: the files (gamefiles.h), the
// palette and colour map, and every map, alias model and sprite read so
// far, kept by name. What was read never changes; a GameData can be shared
// between threads (its cache takes a lock), and so can everything it
// hands out.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "alias.h"
#include "bsp.h"
#include "gamefiles.h"
#include "palette.h"

namespace winquake {

// gfx/palette.lmp and gfx/colormap.lmp.
struct ColorTables {
  Palette palette{};
  // 64 light rows of 256 entries: row 0 brightest, row 63 black.
  std::array<std::uint8_t, 64 * 256> colormap{};
  // The nearest colour of this palette to each colour of the game's own
  // drawing palette (texts, console, markers, particles).
  std::array<std::uint8_t, 256> fromBuiltin{};

  // The entry of this palette nearest to (r, g, b).
  std::uint8_t Nearest(int r, int g, int b) const;
};

// Reads the two files; nullopt with `error` when they are missing or short.
std::optional<ColorTables> ReadColorTables(const GameFiles& files, std::string& error);

class GameData {
 public:
  // The data of a game folder: `gameDir` (the -game folder) over `baseDir`/id1.
  static std::shared_ptr<const GameData> Load(const std::string& baseDir, const std::string& gameDir);
  explicit GameData(std::shared_ptr<const GameFiles> files);

  const GameFiles& Files() const { return *files_; }
  // Null when the palette or the colour map is missing or damaged (then
  // nothing can be drawn from the data); ColorsProblem() says why.
  const ColorTables* Colors() const { return colors_ ? &*colors_ : nullptr; }
  const std::string& ColorsProblem() const { return colorsProblem_; }

  // A map, alias model or sprite by its name ("maps/e1m1.bsp"), read on the
  // first request. Null with `problem` ("not found", "damaged: ...") when it
  // cannot be drawn; the answer is kept, so a missing file is looked for once.
  std::shared_ptr<const BspMap> Map(std::string_view name, std::string* problem = nullptr) const;
  std::shared_ptr<const AliasModel> Alias(std::string_view name, std::string* problem = nullptr) const;
  std::shared_ptr<const SpriteModel> Sprite(std::string_view name, std::string* problem = nullptr) const;

  // Maps kept at most; the one asked for least recently goes first.
  static constexpr std::size_t kMaxMaps = 4;

 private:
  struct Entry {
    std::shared_ptr<const BspMap> map;
    std::shared_ptr<const AliasModel> alias;
    std::shared_ptr<const SpriteModel> sprite;
    std::string problem;
    std::uint64_t used = 0;
  };
  template <typename Read>
  Entry Find(std::string_view name, Read read) const;

  std::shared_ptr<const GameFiles> files_;
  std::optional<ColorTables> colors_;
  std::string colorsProblem_;
  mutable std::mutex mutex_;
  mutable std::unordered_map<std::string, Entry> cache_;
  mutable std::uint64_t clock_ = 0;
};

}  // namespace winquake
