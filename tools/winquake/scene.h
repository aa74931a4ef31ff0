// The view drawn from the game's own data: the level's faces textured and
// lit by its light maps (only what the camera's leaf can see, with a depth
// buffer), sky and liquids, brush entities, alias models lit by the light
// under them, sprites, the view weapon, particles, and the colour shift
// over all of it. Whatever part cannot be read from the data is drawn as
// before (the level grid for a map, a marker for a model), with a line that
// names it.
//
// Drawing reads the playback state and the game data and changes neither:
// any number of threads may draw at once, each with its own SceneRenderer
// (which keeps lit surfaces from one picture to the next).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gamedata.h"
#include "palette.h"
#include "playstate.h"
#include "render.h"

namespace winquake {

class SceneRenderer {
 public:
  SceneRenderer();
  ~SceneRenderer();
  SceneRenderer(const SceneRenderer&) = delete;
  SceneRenderer& operator=(const SceneRenderer&) = delete;

  // Draws the view of `state` into `fb` (any size) in the palette of
  // `data`, colour shift included. False, with `fb` untouched, when the
  // data has no palette or the level's map cannot be read: the caller then
  // draws the schematic view. `fallbacks` gets a line for each part drawn
  // the old way (and for a map that could not be read).
  bool DrawView(const PlayState& state, const GameData& data, Framebuffer& fb, std::vector<std::string>& fallbacks);

  // Bytes of lit surfaces kept; they are dropped, oldest first, above kCacheBytes.
  std::size_t CachedBytes() const;
  static constexpr std::size_t kCacheBytes = 24u << 20;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// A picture with the palette it is drawn in.
struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;
  Palette palette{};
  bool fromData = false;               // drawn from the game's data, in its palette
  std::vector<std::string> fallbacks;  // what was drawn the old way, and why
};

// The picture of `state` at `width` x `height`: the view (from `data` when
// it can be drawn from it, the schematic view otherwise), the colour shift,
// and with `hud` the texts over it. `renderer` keeps lit surfaces between
// calls; without one each call starts afresh.
Picture DrawPicture(const PlayState& state, const GameData* data, int width, int height,
                    SceneRenderer* renderer = nullptr, bool hud = true);

}  // namespace winquake
