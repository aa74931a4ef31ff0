// Bytes as an alias model and as a sprite: read, and drawn in a small room
// as an entity (with frame and skin numbers from the bytes), as the view
// weapon, and as a sprite. Nothing may crash or hang.
#include <cstdint>
#include <string>

#include "alias.h"
#include "fuzz_scene.h"
#include "gamedata.h"
#include "gamedata_writer.h"
#include "scene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto alias = winquake::ReadAliasModel(bytes, error);
  const auto sprite = winquake::ReadSprite(bytes, error);
  if (!alias && !sprite) return 0;
  static const std::string room = wq_data::BoxRoom();
  const auto game =
      std::make_shared<winquake::GameData>(winquake::GameFiles::FromMemory({{"gfx/palette.lmp", wq_data::Palette()},
                                                                            {"gfx/colormap.lmp", wq_data::Colormap()},
                                                                            {"maps/test.bsp", room},
                                                                            {"progs/fuzz.mdl", bytes},
                                                                            {"progs/fuzz.spr", bytes}}));
  const std::uint16_t frame = size > 90 ? data[90] : 0;
  const std::uint8_t skin = size > 91 ? data[91] : 0;
  const std::vector<wq_fuzz::Thing> things{{2, frame, skin, {40, 0, -30}, {10, 45, 0}},
                                           {2, 0, 0, {20, 8, -20}, {0, 0, 0}},
                                           {3, frame, 0, {30, -10, -20}, {0, 0, 0}}};
  const float eye[3] = {0, 0, -18}, angles[3] = {10, 0, 0};
  const winquake::PlayState state =
      wq_fuzz::StateOf({"maps/test.bsp", "progs/fuzz.mdl", "progs/fuzz.spr"}, eye, angles, things, 2, 0.35);
  (void)winquake::DrawPicture(state, game.get(), 64, 48, nullptr, false);
  return 0;
}
