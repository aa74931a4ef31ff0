// Demo bytes -> the game's demo loader -> every block played through the
// playback state, drawn, and its stufftext run as console commands (no
// screenshots, no demo files to find). Nothing may crash, hang or grow
// without bound.
#include <cstdint>
#include <string>
#include <string_view>

#include "demo.h"
#include "game.h"
#include "playstate.h"
#include "render.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string error;
  std::optional<winquake::Demo> demo =
      winquake::LoadDemoBytes(std::string_view(reinterpret_cast<const char*>(data), size), error);
  if (!demo) return 0;

  // A game folder that does not exist: a "playdemo" among the commands finds nothing.
  winquake::Game game("/nonexistent-winquake-fuzz-folder");
  game.SetScreenshotsEnabled(false);

  winquake::PlayState state;
  winquake::Framebuffer fb;
  std::size_t n = 0;
  for (const winquake::Block& block : demo->blocks) {
    winquake::PlayState::Output out;
    state.ApplyBlock(*demo, block, out);
    state.Advance(0.05);
    // Drawing every block would make each run slow; every eighth and the
    // last one cover the same code.
    if (++n % 8 == 0 || n == demo->blocks.size()) {
      winquake::RenderView(state, fb);
      winquake::RenderHud(state, fb);
    }
    std::string text;
    for (const std::string& s : out.stuffText) text += s;
    for (const std::string& s : out.prints) game.Execute("echo \"" + s + "\"");
    if (!text.empty()) game.Execute(text);
    game.Frame(0.01);
    if (game.QuitRequested()) break;
  }
  return 0;
}
