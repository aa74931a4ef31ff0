// Writes the seeds of the game data's fuzz targets: a pack, a map, an alias
// model and a sprite, all written from scratch.
// Usage: data_seedgen OUT_FOLDER (gets pack/, bsp/ and model/)
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "gamedata_writer.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: data_seedgen OUT_FOLDER\n");
    return 64;
  }
  const std::filesystem::path out = argv[1];
  auto write = [&](const char* folder, const char* name, const std::string& bytes) {
    std::filesystem::create_directories(out / folder);
    std::ofstream(out / folder / name, std::ios::binary) << bytes;
  };
  write("pack", "small.pak", wq_data::PackOf({{"gfx/palette.lmp", wq_data::Palette()}, {"maps/a.bsp", "BSP"}}));
  write("pack", "empty.pak", wq_data::PackOf({}));
  write("bsp", "room.bsp", wq_data::BoxRoom());
  write("bsp", "room_bsp2.bsp", wq_data::BoxRoom(true));
  write("model", "tetrahedron.mdl", wq_data::Tetrahedron());
  write("model", "sprite.spr", wq_data::Sprite());
  return 0;
}
