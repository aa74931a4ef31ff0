#include "gamedata.h"

#include <algorithm>
#include <limits>

namespace winquake {

std::uint8_t ColorTables::Nearest(int r, int g, int b) const {
  int best = 0;
  long bestDistance = std::numeric_limits<long>::max();
  for (int i = 0; i < 256; ++i) {
    const long dr = palette[static_cast<std::size_t>(i) * 3] - r;
    const long dg = palette[static_cast<std::size_t>(i) * 3 + 1] - g;
    const long db = palette[static_cast<std::size_t>(i) * 3 + 2] - b;
    // Green counts most and blue least, roughly as the eye weighs them.
    const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return static_cast<std::uint8_t>(best);
}

std::optional<ColorTables> ReadColorTables(const GameFiles& files, std::string& error) {
  std::string why;
  const std::optional<std::string> palette = files.Read("gfx/palette.lmp", why);
  if (!palette || palette->size() < 768) {
    error = "gfx/palette.lmp: " + (palette ? "damaged (" + std::to_string(palette->size()) + " bytes)" : why);
    return std::nullopt;
  }
  const std::optional<std::string> colormap = files.Read("gfx/colormap.lmp", why);
  if (!colormap || colormap->size() < 64 * 256) {
    error = "gfx/colormap.lmp: " + (colormap ? "damaged (" + std::to_string(colormap->size()) + " bytes)" : why);
    return std::nullopt;
  }
  ColorTables t;
  std::copy_n(palette->begin(), 768, t.palette.begin());
  std::copy_n(colormap->begin(), 64 * 256, t.colormap.begin());
  const Palette& builtin = BasePalette();
  for (std::size_t i = 0; i < 256; ++i)
    t.fromBuiltin[i] = t.Nearest(builtin[i * 3], builtin[i * 3 + 1], builtin[i * 3 + 2]);
  return t;
}

GameData::GameData(std::shared_ptr<const GameFiles> files) : files_(std::move(files)) {
  colors_ = ReadColorTables(*files_, colorsProblem_);
}

std::shared_ptr<const GameData> GameData::Load(const std::string& baseDir, const std::string& gameDir) {
  return std::make_shared<const GameData>(GameFiles::Open(baseDir, gameDir));
}

template <typename Read>
GameData::Entry GameData::Find(std::string_view name, Read read) const {
  const std::string key(name);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = cache_.find(key);
    if (it != cache_.end()) {
      it->second.used = ++clock_;
      return it->second;
    }
  }
  // Read without the lock, so that other threads find what is already kept.
  Entry entry;
  std::string error;
  if (std::optional<std::string> bytes = files_->Read(name, error)) {
    read(*bytes, entry, error);
    if (!error.empty()) entry.problem = "damaged (" + error + ")";
  } else {
    entry.problem = error;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  entry.used = ++clock_;
  auto [it, inserted] = cache_.emplace(key, std::move(entry));
  if (inserted && it->second.map) {
    std::size_t maps = 0;
    auto oldest = cache_.end();
    for (auto i = cache_.begin(); i != cache_.end(); ++i) {
      if (!i->second.map) continue;
      ++maps;
      if (oldest == cache_.end() || i->second.used < oldest->second.used) oldest = i;
    }
    if (maps > kMaxMaps && oldest != it) {
      Entry kept = it->second;
      cache_.erase(oldest);
      return kept;
    }
  }
  return it->second;
}

std::shared_ptr<const BspMap> GameData::Map(std::string_view name, std::string* problem) const {
  Entry e =
      Find(name, [](const std::string& bytes, Entry& entry, std::string& error) { entry.map = ReadBsp(bytes, error); });
  if (problem) *problem = e.problem;
  return e.map;
}

std::shared_ptr<const AliasModel> GameData::Alias(std::string_view name, std::string* problem) const {
  Entry e = Find(name, [](const std::string& bytes, Entry& entry, std::string& error) {
    entry.alias = ReadAliasModel(bytes, error);
  });
  if (problem) *problem = e.problem;
  return e.alias;
}

std::shared_ptr<const SpriteModel> GameData::Sprite(std::string_view name, std::string* problem) const {
  Entry e = Find(name, [](const std::string& bytes, Entry& entry, std::string& error) {
    entry.sprite = ReadSprite(bytes, error);
  });
  if (problem) *problem = e.problem;
  return e.sprite;
}

}  // namespace winquake
