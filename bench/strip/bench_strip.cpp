// Closing a strip deletes the thumbnail file of every block. With a long
// demo and few thumbnails (the usual case: only what was previewed has
// one), listing the folder once beats trying one name per block.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "strip/stripstate.h"

namespace {

using clipvex::Settings;
using clipvex::StripState;

struct Folder {
  Folder() {
    char pattern[] = "/tmp/clipvex-bench-XXXXXX";
    path = mkdtemp(pattern);
    path += '/';
  }
  ~Folder() { std::filesystem::remove_all(path); }
  std::string path;
};

// entries: block list size; thumbnails: files present (the first frames).
void BM_CloseStrip(benchmark::State& state) {
  const auto entries = static_cast<std::size_t>(state.range(0));
  const auto thumbnails = static_cast<int>(state.range(1));
  Folder folder;
  Settings settings;
  settings.previewpath = folder.path;
  for (auto _ : state) {
    state.PauseTiming();
    StripState strip('M');
    strip.fileName = "demo.dem";
    strip.demo.Blocks.assign(entries, std::make_shared<clipvex::Block>());
    for (int i = 0; i < thumbnails; ++i) {
      std::FILE* file = std::fopen(clipvex::ThumbnailPath(settings, 'M', 4 + i).c_str(), "w");
      if (file != nullptr) std::fclose(file);
    }
    state.ResumeTiming();
    clipvex::ResetStrip(strip, settings);
    benchmark::DoNotOptimize(strip.demo.Blocks.data());
  }
  state.counters["entries"] = static_cast<double>(entries);
}

}  // namespace

BENCHMARK(BM_CloseStrip)->Args({512, 9})->Args({513, 9})->Args({100000, 9})->Args({100000, 900})->Args({200000, 9})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
