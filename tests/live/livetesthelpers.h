// The live pictures of the tests: what a LiveEngine draws of a demo, and
// what the preview game's own screenshot of the same block shows when the
// game (its core, in this process) plays the demo from its start.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "game.h"
#include "imaging/pcx.h"
#include "live/liveengine.h"
#include "support/fixturedemo.h"
#include "support/fixtures.h"

namespace clipvex::test {

// RGB triples of a picture.
inline std::vector<std::uint8_t> Rgb(const winquake::Picture& picture) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(picture.pixels.size() * 3);
  for (std::uint8_t i : picture.pixels)
    rgb.insert(rgb.end(), picture.palette.begin() + i * 3, picture.palette.begin() + i * 3 + 3);
  return rgb;
}

// Pixels that differ between two RGB pictures of the same size.
inline std::size_t Differences(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size()) return std::max(a.size(), b.size()) / 3;
  std::size_t count = 0;
  for (std::size_t i = 0; i < a.size(); i += 3) count += a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2];
  return count;
}

// The screenshot the game takes of strip block `block` when it plays `demo`
// (saved as a .dem through the converter) from its start, one frame per
// block as its window would when each frame lasts until the next block is
// due. `base` is the game's folder with its data ("" for none).
inline RgbImage GameScreenshot(const TDemFile& demo, std::int64_t block, const std::string& base) {
  TempDir game;
  SaveDemoFile(demo, game.File("live.dem"));
  winquake::Game g(game.Path(), base.empty() ? game.Path() + "nothing" : base);
  g.Execute("playdemo live");
  // Strip block n is the game's block n - 1 (strip entry 0 is the header).
  while (g.Playing() && g.NextBlock() < static_cast<std::size_t>(block)) g.Frame(g.SecondsToNextBlock());
  g.Execute("screenshot");
  return LoadPcxFile(game.File("quake00.pcx"));
}

// Runs `engine` until it has the pictures of `blocks` of strip 'M' holding `demo`.
inline void DrawAll(LiveEngine& engine, const TDemFile& demo, const std::vector<std::int64_t>& blocks,
                    LiveAsker asker = LiveAsker::Source) {
  engine.Want(asker, 'M', demo, blocks, 0);
  for (int round = 0; round < 100000; ++round) {
    const bool more = engine.Pump('M', demo);
    engine.WaitIdle();
    engine.TakeArrivals();
    bool all = true;
    for (std::int64_t b : blocks) all = all && engine.Cached('M', b) != nullptr;
    if (all && !more) return;
  }
  FAIL() << "the pictures never came";
}

}  // namespace clipvex::test
