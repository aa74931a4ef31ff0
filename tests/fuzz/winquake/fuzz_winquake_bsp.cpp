// Bytes as a map: read, walked (the leaf of points, the visibility of
// leafs) and drawn small from a few places, with a brush entity of each of
// its first models. Nothing may crash or hang.
#include <cstdint>
#include <string>

#include "bsp.h"
#include "fuzz_scene.h"
#include "gamedata.h"
#include "gamedata_writer.h"
#include "scene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto map = winquake::ReadBsp(bytes, error);
  if (!map) return 0;
  std::vector<std::uint8_t> row;
  for (std::size_t leaf = 0; leaf < map->leafs.size() && leaf < 64; ++leaf)
    map->VisibleLeafs(static_cast<int>(leaf), row);

  const auto game = std::make_shared<winquake::GameData>(winquake::GameFiles::FromMemory(
      {{"gfx/palette.lmp", wq_data::Palette()}, {"gfx/colormap.lmp", wq_data::Colormap()}, {"maps/fuzz.bsp", bytes}}));
  std::vector<std::string> models{"maps/fuzz.bsp", "*1", "*2", "*3", "maps/fuzz.bsp"};
  std::vector<wq_fuzz::Thing> things;
  for (std::uint16_t m = 2; m <= 5; ++m) things.push_back(wq_fuzz::Thing{m, 1, 0, {8, 0, 0}, {0, 30, 0}});
  winquake::SceneRenderer renderer;
  const winquake::BspSubmodel& world = map->models[0];
  const float centre[3] = {(world.mins[0] + world.maxs[0]) / 2, (world.mins[1] + world.maxs[1]) / 2,
                           (world.mins[2] + world.maxs[2]) / 2};
  const float places[3][3] = {{0, 0, 0}, {centre[0], centre[1], centre[2]}, {world.mins[0], world.maxs[1], centre[2]}};
  for (int i = 0; i < 3; ++i) {
    (void)map->LeafAt(winquake::Vec3{places[i][0], places[i][1], places[i][2]});
    const float angles[3] = {static_cast<float>(i * 20), static_cast<float>(i * 130), 0};
    const winquake::PlayState state = wq_fuzz::StateOf(models, places[i], angles, things, 0, 1.0 + i);
    (void)winquake::DrawPicture(state, game.get(), 48, 36, &renderer, false);
  }
  return 0;
}
