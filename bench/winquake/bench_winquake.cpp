// The preview game's share of Update Viewable, timed without a window:
//  1. loading each real demo (bytes -> the game's blocks);
//  2. timedemo of a whole demo: one block applied and drawn per frame;
//  3. writing screenshots;
//  4. the fast-preview demo the editor makes for nine thumbnails (leading
//     blocks, then the ten blocks before each screenshot block and that
//     block), played in real time at timescale 1 and 4 the way the window
//     drives the game (a frame when the next block is due, at least every
//     15 ms, more while blocks are due), from "playdemo" to the ninth
//     screenshot on disk.
// Usage: bench_winquake [DEMO.dem]   (default: a real fixture)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "demfmt/demfmt.h"
#include "demo.h"
#include "game.h"
#include "render.h"
#include "screenshot.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

struct Folder {
  Folder() {
    char pattern[] = "/tmp/winquake-bench-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    path = pattern;
  }
  ~Folder() { std::filesystem::remove_all(path); }
  std::string path;
};

// The dump's blocks as text, in file order; entry 0 holds the header line,
// so block i of the editor's numbering is entry i.
std::vector<std::string> Entries(const std::string& dump) {
  std::vector<std::string> entries{""};
  std::size_t pos = 0;
  std::string* current = &entries[0];
  while (pos < dump.size()) {
    std::size_t nl = dump.find('\n', pos);
    if (nl == std::string::npos) nl = dump.size();
    const std::string line = dump.substr(pos, nl - pos);
    pos = nl + 1;
    if (line == "block {") {
      entries.emplace_back();
      current = &entries.back();
    }
    *current += line + "\n";
  }
  return entries;
}

std::string InsertLine(const std::string& block, const std::string& line) {
  // As the fourth line of the block (after "block {", camera and time).
  std::size_t pos = 0;
  for (int i = 0; i < 3 && pos != std::string::npos; ++i) pos = block.find('\n', pos) + 1;
  return block.substr(0, pos) + line + "\n" + block.substr(pos);
}

// What the editor writes for nine thumbnails from block 4 with the given
// step, fast preview on.
std::string PreviewDump(const std::vector<std::string>& e, std::size_t step) {
  std::string out = e[0];
  for (std::size_t i = 1; i <= 3 && i < e.size(); ++i)
    out += i == 3 ? InsertLine(e[i], " stufftext \"v_cshift 0 0 0 0\\nbf\\nscr_conspeed 2000\\n\";") : e[i];
  const std::size_t last = std::min(e.size() - 2, 4 + 8 * step);
  for (std::size_t target = 4; target <= last; target += step) {
    for (std::size_t n = target >= 14 ? target - 10 : 4; n <= target; ++n)
      out += n == target ? InsertLine(e[n], " stufftext \"screenshot\\n\";") : e[n];
  }
  out += "block {\n camera 0.000000000 0.000000000 0.000000000;\n disconnect;\n}\n";
  return out;
}

double PlayPreview(const std::string& demo, double timescale, int shots, double& renderShare) {
  Folder dir;
  demfmt::write_file_atomic(dir.path + "/tempfilm.dem", demo);
  winquake::Game game(dir.path);
  game.Execute("timescale " + std::to_string(timescale));
  const std::string lastShot = dir.path + "/" + winquake::ScreenshotName(shots - 1);
  const auto start = Clock::now();
  auto last = start;
  double busy = 0;
  game.Execute("playdemo tempfilm");
  while (!std::filesystem::exists(lastShot) && Since(start) < 120) {
    const auto tick = Clock::now();
    auto frame = [&] {
      const auto now = Clock::now();
      game.Frame(std::chrono::duration<double>(now - last).count());
      last = now;
    };
    frame();
    while (game.BlockDue() && Since(tick) < 0.012) frame();
    busy += Since(tick);
    // Sleep until the next block is due, as the window's timer does.
    const double wait = std::clamp(game.SecondsToNextBlock(), 0.001, 0.015);
    std::this_thread::sleep_for(std::chrono::duration<double>(wait));
  }
  const double total = Since(start);
  renderShare = busy / total;
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string shared = CLIPVEX_SHARED_DIR;
  const std::string main = argc > 1 ? argv[1] : shared + "/fixtures/dem/p15_e4m2_id101.dem";

  std::printf("1. loading (bytes -> blocks)\n");
  for (const char* name : {"p15_e4m2_id101", "p666_swampy_long_nodisconnect", "p999_e2m5_baseline2"}) {
    const std::string path = shared + "/fixtures/dem/" + name + ".dem";
    if (!std::filesystem::exists(path)) continue;
    const std::string bytes = demfmt::read_file(path);
    std::string error;
    const auto t = Clock::now();
    std::optional<winquake::Demo> d = winquake::LoadDemoBytes(bytes, error);
    const double s = Since(t);
    std::printf("   %-32s %8zu bytes %6zu blocks %7.1f ms  %6.1f MB/s\n", name, bytes.size(),
                d ? d->blocks.size() : 0, s * 1e3, bytes.size() / s / 1e6);
  }

  const std::string bytes = demfmt::read_file(main);
  {
    Folder dir;
    demfmt::write_file_atomic(dir.path + "/whole.dem", bytes);
    winquake::Game game(dir.path);
    game.Execute("timedemo whole");
    const auto t = Clock::now();
    std::size_t frames = 0;
    while (game.Playing()) {
      game.Frame(0.001);
      ++frames;
    }
    const double s = Since(t);
    std::printf("2. timedemo of %s: %zu frames in %.3f s, %.0f frames/s (%.3f ms a frame)\n",
                std::filesystem::path(main).filename().c_str(), frames, s, frames / s, s / frames * 1e3);

    const auto w = Clock::now();
    for (int i = 0; i < 9; ++i) game.Execute("screenshot");
    std::printf("3. nine screenshots: %.2f ms (%.2f ms each)\n", Since(w) * 1e3, Since(w) * 1e3 / 9);
  }

  const std::string dump = demfmt::demo_to_dump(bytes).text;
  const std::vector<std::string> entries = Entries(dump);
  const std::size_t step = std::max<std::size_t>(1, (entries.size() - 6) / 9);
  const std::string preview = demfmt::dump_to_demo(PreviewDump(entries, step));
  std::printf("4. fast preview of nine thumbnails (%zu entries, step %zu, %zu bytes of demo)\n", entries.size(), step,
              preview.size());
  for (double scale : {1.0, 4.0}) {
    double share = 0;
    const double s = PlayPreview(preview, scale, 9, share);
    std::printf("   timescale %.0f: playdemo to the ninth screenshot on disk %.3f s (the game busy %.0f%% of it)\n",
                scale, s, share * 100);
  }
  return 0;
}
