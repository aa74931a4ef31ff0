// The demo check on a long demo: real recordings, each opened as the editor
// opens it, joined level after level (every one from its sign-on) until the
// demo holds the asked number of blocks. Prints the time of CheckDemo (best
// and median of the rounds) and, for scale, of RetimeDemo on the same demo.
//
//   bench_check [BLOCKS=100000] [ROUNDS=5]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "demfmt/demfmt.h"
#include "document/democheck.h"
#include "document/dumptext.h"
#include "document/retime.h"

namespace {

class Silent : public clipvex::Notifier {
 public:
  void ShowError(std::string_view) override {}
};

clipvex::TDemFile Open(const std::string& name) {
  const std::string path = std::string(CLIPVEX_SHARED_DIR) + "/fixtures/dem/" + name;
  const std::string dump = (std::filesystem::temp_directory_path() / "bench_check_tempfilm.out").string();
  demfmt::write_file_atomic(dump, demfmt::demo_to_dump(demfmt::read_file(path)).text);
  clipvex::TDemFile demo;
  Silent silent;
  clipvex::ParseDump(dump, path, demo, silent);
  std::remove(dump.c_str());
  clipvex::RetimeDemo(demo);
  return demo;
}

template <class F>
std::vector<double> Times(int rounds, F&& run) {
  std::vector<double> seconds;
  for (int r = 0; r < rounds; ++r) {
    const auto start = std::chrono::steady_clock::now();
    run();
    seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t blocks = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  std::vector<clipvex::TDemFile> sources;
  for (const char* name : {"p666_swampy_long_nodisconnect.dem", "p666_medusa_start_2levels.dem",
                           "p999_e2m5_baseline2.dem", "p15_e0m3_pause_cutscene.dem", "p15_ctf8_mp109.dem"}) {
    sources.push_back(Open(name));
  }
  // Every source from block 1 to the last ordinary block: each starts a level.
  clipvex::TDemFile demo;
  demo.Header = sources[0].Header;
  demo.Blocks.push_back(sources[0].Blocks[0]);
  std::size_t bytes = 0;
  for (std::size_t s = 0; demo.Blocks.size() < blocks; s = (s + 1) % sources.size()) {
    const clipvex::BlockList& from = sources[s].Blocks;
    for (std::size_t b = 1; b + 1 < from.size() && demo.Blocks.size() < blocks; ++b) {
      demo.Blocks.push_back(clipvex::CopyBlock(*from[b]));
      bytes += from[b]->TextSize();
    }
  }
  demo.Blocks.push_back(sources[0].Blocks.back());

  std::size_t findings = 0;
  const std::vector<double> check = Times(rounds, [&] { findings = clipvex::CheckDemo(demo).size(); });
  const std::vector<double> retime = Times(rounds, [&] { clipvex::RetimeDemo(demo); });
  std::printf("demo: %zu blocks, %.1f MB of text; findings: %zu\n", demo.Blocks.size(), bytes / 1e6, findings);
  std::printf("CheckDemo:  best %.3f s, median %.3f s\n", check.front(), check[check.size() / 2]);
  std::printf("RetimeDemo: best %.3f s, median %.3f s (for scale)\n", retime.front(), retime[retime.size() / 2]);
  return 0;
}
