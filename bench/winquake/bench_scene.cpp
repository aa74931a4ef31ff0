// Pictures from the game's data, timed on one thread:
//  1. loading each fixture map (reading the file and every check), fresh
//     each time;
//  2. the fixture demos played block by block on their maps, a 320x240
//     view drawn for each block (or every n-th block of the long demo)
//     with one renderer, as the game plays them: median, 90th percentile
//     and worst frame;
//  3. the same pictures each drawn by a fresh renderer (nothing kept from
//     the picture before), as a thumbnail of a far-off moment is drawn;
//  4. 160x120 thumbnails of the same blocks.
// Usage: bench_scene [GAME_FOLDER]   (the folder holding id1/; default the
// free data beside the checkout)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "demo.h"
#include "gamedata.h"
#include "playstate.h"
#include "scene.h"

namespace {

using Clock = std::chrono::steady_clock;
using winquake::Framebuffer;
using winquake::GameData;
using winquake::PlayState;
using winquake::SceneRenderer;

double MillisSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

struct Stats {
  double median = 0, p90 = 0, worst = 0;
  std::size_t count = 0;
};

Stats Summarise(std::vector<double> v) {
  Stats s;
  s.count = v.size();
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  s.median = v[v.size() / 2];
  s.p90 = v[v.size() * 9 / 10];
  s.worst = v.back();
  return s;
}

void Print(const char* what, const Stats& s) {
  std::printf("  %-34s median %6.2f ms   p90 %6.2f ms   worst %7.2f ms   (%zu pictures)\n", what, s.median, s.p90,
              s.worst, s.count);
}

struct Demo {
  const char* file;
  std::size_t every;  // draw every n-th block
};

}  // namespace

int main(int argc, char** argv) {
  const std::string shared = CLIPVEX_SHARED_DIR;
  const std::string base = argc > 1 ? argv[1] : shared + "/fixtures/quake-data";

  std::printf("Map loads (file read and checked, fresh data each time; median of 5):\n");
  for (const char* map : {"e1m1", "start", "medusa", "swampy"}) {
    std::vector<double> times;
    std::size_t faces = 0;
    for (int i = 0; i < 5; ++i) {
      auto data = GameData::Load(base, "id1");
      const auto t = Clock::now();
      auto bsp = data->Map(std::string("maps/") + map + ".bsp");
      times.push_back(MillisSince(t));
      if (!bsp) {
        std::printf("  maps/%s.bsp: cannot be read; is %s the folder holding id1/?\n", map, base.c_str());
        return 1;
      }
      faces = bsp->faces.size();
    }
    std::printf("  maps/%-8s %6zu faces  %6.2f ms\n", (std::string(map) + ".bsp").c_str(), faces,
                Summarise(times).median);
  }

  const Demo demos[] = {{"p666_e1m1_smoothme.dem", 1},
                        {"p666_medusa_start_2levels.dem", 1},
                        {"p666_swampy_long_nodisconnect.dem", 4}};
  for (const Demo& d : demos) {
    std::string error;
    auto demo = winquake::LoadDemoFile(shared + "/fixtures/dem/" + d.file, error);
    if (!demo) {
      std::printf("%s: %s\n", d.file, error.c_str());
      return 1;
    }
    auto data = GameData::Load(base, "id1");
    SceneRenderer kept;
    PlayState state;
    PlayState::Output out;
    std::vector<double> played, fresh, thumbs;
    std::vector<std::string> fallbacks;
    double last = 0;
    std::size_t fromData = 0;
    std::string maps;
    for (std::size_t i = 0; i < demo->blocks.size(); ++i) {
      const winquake::Block& b = demo->blocks[i];
      if (b.hasTime) {
        state.Advance(b.time - last);
        last = b.time;
      }
      state.ApplyBlock(*demo, b, out);
      if (!state.MapName().empty() && maps.find(state.MapName()) == std::string::npos)
        maps += (maps.empty() ? "" : ", ") + state.MapName();
      if (i % d.every != 0 || state.Entities().empty()) continue;
      // The map is read on its first picture; that picture is not counted.
      if (!data->Map(state.MapName())) continue;
      Framebuffer fb;
      auto t = Clock::now();
      fromData += kept.DrawView(state, *data, fb, fallbacks);
      played.push_back(MillisSince(t));
      if (i % (d.every * 8) == 0) {
        SceneRenderer once;
        t = Clock::now();
        once.DrawView(state, *data, fb, fallbacks);
        fresh.push_back(MillisSince(t));
        Framebuffer small(160, 120);
        t = Clock::now();
        kept.DrawView(state, *data, small, fallbacks);
        thumbs.push_back(MillisSince(t));
      }
    }
    std::printf("%s (%s), %zu of %zu pictures drawn from the data:\n", d.file, maps.c_str(), fromData,
                played.size());
    Print("320x240, played in order", Summarise(played));
    Print("320x240, each by a fresh renderer", Summarise(fresh));
    Print("160x120, played in order", Summarise(thumbs));
    for (const std::string& line : fallbacks) std::printf("  drawn the old way: %s\n", line.c_str());
    std::printf("  lit surfaces kept: %.1f MB\n", static_cast<double>(kept.CachedBytes()) / (1 << 20));
  }
  return 0;
}
