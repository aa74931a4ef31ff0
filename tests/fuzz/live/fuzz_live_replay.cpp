// Dump text -> the strip's blocks as the live pictures read them, one block
// at a time -> replayed as the preview game plays them, with their events,
// and drawn now and then (no game data: the schematic drawing). Nothing may
// crash, hang or grow without bound.
#include <cstdint>
#include <memory>
#include <string_view>

#include "gamedata.h"
#include "live/replay.h"
#include "scene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::shared_ptr<const winquake::GameData> game =
      winquake::GameData::Load("/nonexistent-live-fuzz-folder", "id1");
  static winquake::SceneRenderer renderer;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  clipvex::ReplayState state;
  std::size_t n = 0;
  // A block's text runs up to the next line that starts a block, as the
  // strip keeps it.
  while (!text.empty()) {
    std::size_t end = text.find("\nblock", 1);
    end = end == std::string_view::npos ? text.size() : end + 1;
    const winquake::Demo block = clipvex::ParseLiveBlock(text.substr(0, end));
    text.remove_prefix(end);
    winquake::Picture picture;
    const bool draw = ++n % 8 == 0 || text.empty();
    clipvex::PlayBlock(state, block, *game, draw ? &picture : nullptr, &renderer);
  }
  return 0;
}
