// Live pictures without a window, one run of each:
//  1. the replay of the long swampy fixture from start to end without
//     drawing, on one thread, and what a block costs; the checkpoints'
//     memory and the worst replay of a picture for spacings K, which is how
//     the spacing is chosen;
//  2. the whole-demo replay through the engine (this thread copying the
//     blocks in slices, the worker replaying): its slices and total;
//  3. pictures as the strips ask for them: the nine frames of a freshly
//     opened e4m2, and on swampy after its whole-demo replay a jump to the
//     middle, a page step, the end; every frame drawn as the game draws it;
//  4. a scroll through the whole of swampy, page by page: the picture
//     cache's largest size against its limit.
// Usage: bench_live [GAME_FOLDER]  (the folder holding id1/; default the free
// game data beside the checkout)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "demfmt/demfmt.h"
#include "document/dumptext.h"
#include "document/retime.h"
#include "live/liveengine.h"
#include "strip/stripstate.h"

namespace {

using Clock = std::chrono::steady_clock;
using clipvex::LiveAsker;
using clipvex::LiveEngine;
using clipvex::TDemFile;

double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

class Silent : public clipvex::Notifier {
 public:
  void ShowError(std::string_view) override {}
};

TDemFile Open(const std::string& name) {
  const std::string path = std::string(CLIPVEX_SHARED_DIR) + "/fixtures/dem/" + name;
  const std::string dump = (std::filesystem::temp_directory_path() / "bench_live_tempfilm.out").string();
  demfmt::write_file_atomic(dump, demfmt::demo_to_dump(demfmt::read_file(path)).text);
  TDemFile demo;
  Silent silent;
  clipvex::ParseDump(dump, path, demo, silent);
  std::remove(dump.c_str());
  clipvex::RetimeDemo(demo);
  return demo;
}

std::string TextOf(const clipvex::Block& block) {
  std::string text;
  for (std::size_t i = 0; i < block.Count(); ++i) {
    text.append(block[i]);
    text.push_back('\n');
  }
  return text;
}

std::vector<std::int64_t> Frames(std::int64_t first, std::int64_t step, std::int64_t entries) {
  std::vector<std::int64_t> frames;
  for (int i = 0; i < clipvex::kFrames; ++i)
    if (first + i * step < entries) frames.push_back(first + i * step);
  return frames;
}

// Asks for `frames` as a strip does after a redraw and pumps as the window
// does until they are all there; the time it took.
double Fill(LiveEngine& engine, const TDemFile& demo, const std::vector<std::int64_t>& frames) {
  const auto t = Clock::now();
  engine.Want(LiveAsker::Source, 'M', demo, frames, 1);
  for (;;) {
    engine.Pump('M', demo);
    engine.TakeArrivals();
    bool all = true;
    for (std::int64_t b : frames) all = all && engine.Cached('M', b) != nullptr;
    if (all) return MsSince(t);
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

void WholeReplay(LiveEngine& engine, const TDemFile& demo, double& total, double& longestSlice, int& slices) {
  const auto t = Clock::now();
  longestSlice = 0;
  slices = 0;
  for (;;) {
    const auto s = Clock::now();
    const bool more = engine.Pump('M', demo);
    longestSlice = std::max(longestSlice, MsSince(s));
    ++slices;
    engine.TakeArrivals();
    if (!more && engine.EventsKnown('M') >= static_cast<std::int64_t>(demo.Blocks.size())) break;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  total = MsSince(t);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string base = argc > 1 ? argv[1] : std::string(CLIPVEX_SHARED_DIR) + "/fixtures/quake-data";
  auto t = Clock::now();
  const TDemFile swampy = Open("p666_swampy_long_nodisconnect.dem");
  std::printf("swampy opened as the editor opens it: %zu entries (%.0f ms)\n", swampy.Blocks.size(), MsSince(t));
  const auto entries = static_cast<std::int64_t>(swampy.Blocks.size());

  // 1. The replay on one thread.
  {
    auto data = winquake::GameData::Load(base, "id1");
    std::vector<std::string> texts;
    for (const auto& block : swampy.Blocks) texts.push_back(TextOf(*block));
    std::vector<clipvex::ReplayState> states;
    clipvex::ReplayState state;
    std::size_t stateBytes = 0;
    t = Clock::now();
    double parse = 0;
    for (std::int64_t b = 1; b < entries; ++b) {
      const auto p = Clock::now();
      const winquake::Demo block = clipvex::ParseLiveBlock(texts[static_cast<std::size_t>(b)]);
      parse += MsSince(p);
      clipvex::PlayBlock(state, block, *data);
      stateBytes = std::max(stateBytes, state.Bytes());
    }
    const double whole = MsSince(t);
    std::printf(
        "1. replay of swampy start to end, no drawing, one thread: %.0f ms (%.0f ms reading the blocks), "
        "%.1f us a block; largest state %.0f KB\n",
        whole, parse, 1000 * whole / static_cast<double>(entries), static_cast<double>(stateBytes) / 1024);
    std::printf("   spacing K: checkpoints of swampy, their memory at the largest state, worst replay of a picture\n");
    for (std::int64_t k : {32, 64, 128, 256, 512}) {
      std::printf("   K %4lld: %5lld checkpoints, %6.1f MB, %5.2f ms\n", static_cast<long long>(k),
                  static_cast<long long>(entries / k), static_cast<double>(entries / k * stateBytes) / (1 << 20),
                  whole * static_cast<double>(k - 1) / static_cast<double>(entries));
    }
  }

  // 2. The whole-demo replay through the engine.
  LiveEngine engine(nullptr);
  engine.SetGameFolders(base, "id1");
  engine.Reset('M', swampy);
  double total = 0, slice = 0;
  int slices = 0;
  WholeReplay(engine, swampy, total, slice, slices);
  std::printf(
      "2. whole-demo replay of swampy through the engine: %.0f ms, %d slices on this thread, the longest "
      "%.2f ms; K %lld, %zu checkpoints, %.1f MB\n",
      total, slices, slice, static_cast<long long>(engine.CheckpointEvery('M')), engine.CheckpointCount('M'),
      static_cast<double>(engine.CheckpointBytes()) / (1 << 20));

  // 3. Pictures.
  {
    const TDemFile e4m2 = Open("p15_e4m2_id101.dem");
    LiveEngine fresh(nullptr);
    fresh.SetGameFolders(base, "id1");
    const std::int32_t step = clipvex::FitStep(e4m2.Blocks.size());
    t = Clock::now();
    fresh.Reset('M', e4m2);
    const double ms = Fill(fresh, e4m2, Frames(4, step, static_cast<std::int64_t>(e4m2.Blocks.size())));
    std::printf("3. e4m2 opened (%zu entries, step %d): nine frames in %.0f ms (Reset %.2f ms before)\n",
                e4m2.Blocks.size(), step, MsSince(t), MsSince(t) - ms);
  }
  const std::int32_t step = clipvex::FitStep(swampy.Blocks.size());
  const std::int64_t middle = (entries / 2 - 4) / step * step + 4;
  std::printf(
      "   swampy (step %d): jump to the middle %.0f ms, a page step %.0f ms, back a page %.0f ms, the end "
      "%.0f ms, the start %.0f ms\n",
      step, Fill(engine, swampy, Frames(middle, step, entries)),
      Fill(engine, swampy, Frames(middle + 9 * step, step, entries)),
      Fill(engine, swampy, Frames(middle - 9 * step, step, entries)),
      Fill(engine, swampy, Frames(entries - 9 * step, step, entries)), Fill(engine, swampy, Frames(4, step, entries)));
  {
    // The same jump right after opening, while the whole-demo replay runs.
    LiveEngine opened(nullptr);
    opened.SetGameFolders(base, "id1");
    opened.Reset('M', swampy);
    opened.Pump('M', swampy);
    std::printf("   swampy just opened: jump to the middle %.0f ms (the replay has to get there first)\n",
                Fill(opened, swampy, Frames(middle, step, entries)));
  }

  // 4. A scroll through the whole of swampy at one block a frame.
  std::size_t largest = 0;
  int pages = 0;
  t = Clock::now();
  for (std::int64_t first = 4; first < entries; first += 9 * 16, ++pages) {
    Fill(engine, swampy, Frames(first, 16, entries));
    largest = std::max(largest, engine.Cache().Bytes());
  }
  std::printf(
      "4. scroll through swampy, %d pages of nine frames 16 blocks apart in %.1f s: cache at most %.1f MB "
      "(limit %.1f MB), %zu pictures at the end\n",
      pages, MsSince(t) / 1000, static_cast<double>(largest) / (1 << 20),
      static_cast<double>(engine.Cache().Limit()) / (1 << 20), engine.Cache().Count());
  return 0;
}
