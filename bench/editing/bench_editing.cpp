// Copy, Paste, Delete, Reverse, Undo and Redo on a demo of 100,000 blocks
// (about 50 MB of dump text) whose preview folder holds 3,000 thumbnails,
// and the memory an undo history of 50 mixed steps holds.
//
// Each command's own work is the measured time (manual timing); the
// retiming that Paste and the undo of a paste run is reported apart, as
// the counter "retime_ms", since it is RetimeDemo's cost, not the
// command's. Memory is measured with mallinfo2.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/retime.h"
#include "editing/clipboard.h"
#include "editing/editstep.h"
#include "editing/reverse.h"
#include "editing/stuff.h"
#include "strip/stripstate.h"

namespace {

using namespace clipvex;
using Clock = std::chrono::steady_clock;

constexpr int kBlocks = 100000;
constexpr int kThumbnails = 3000;
constexpr int kStretch = 10000;  // blocks copied, pasted, deleted
constexpr std::int32_t kAt = 1000;  // where the stretch starts

// A block of about 500 bytes of dump text, as the converter writes them.
BlockPtr FrameBlock(int n) {
  auto block = std::make_shared<Block>();
  block->Add("block {");
  block->Add(" camera 12.3456783 -45.6789017 0;");
  block->Add(" time 0.000000000s;");
  for (int e = 0; e < 7; ++e) {
    block->Add(" entity " + std::to_string(100 + e) + " 0x1b origin " + std::to_string(n % 4096) +
               ".125 -455.25 78.5 angles 0 90 0 frame 3;");
  }
  block->Add(" sound 0x3 7 \"weapons/rocket1i.wav\" 255 0.5;");
  block->Add("}");
  block->Add(n % 3 == 0 ? "// 0.1" : "// 0.05");
  return block;
}

TDemFile MakeDemo() {
  TDemFile demo;
  demo.Header = "track \"7\";";
  demo.Blocks.reserve(kBlocks + 8);
  demo.Blocks.push_back(std::make_shared<Block>(Block{demo.Header}));
  for (int i = 1; i <= 3; ++i) demo.Blocks.push_back(FrameBlock(i));
  for (int i = 0; i < kBlocks; ++i) demo.Blocks.push_back(FrameBlock(i));
  demo.Blocks.push_back(std::make_shared<Block>(
      Block{"block {", " camera 0 0 0;", " time 0.000000000s;", " disconnect;", "}", "// 0.05"}));
  RetimeDemo(demo);
  return demo;
}

// Times the status words: the retiming runs from "Retiming File" to the
// next word or to the end of the command.
class TimedFeedback : public Feedback {
 public:
  void Start() {
    start_ = Clock::now();
    retimeStart_.reset();
    retime_ = 0;
  }
  void Status(std::string_view word) override {
    const auto now = Clock::now();
    if (retimeStart_) retime_ += Seconds(*retimeStart_, now);
    retimeStart_.reset();
    if (word == "Retiming File") retimeStart_ = now;
  }
  // Ends the command: returns its own seconds, retiming left out.
  double Stop() {
    const auto now = Clock::now();
    if (retimeStart_) retime_ += Seconds(*retimeStart_, now);
    retimeStart_.reset();
    return Seconds(start_, now) - retime_;
  }
  double Retime() const { return retime_; }

 private:
  static double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
  }
  Clock::time_point start_;
  std::optional<Clock::time_point> retimeStart_;
  double retime_ = 0;
};

// One strip with the long demo and a preview folder of thumbnails spread
// over it, shared by all benchmarks (made once).
struct Fixture {
  Fixture() : strip('F') {
    char pattern[] = "/tmp/clipvex-bench-editing-XXXXXX";
    folder = mkdtemp(pattern);
    folder += '/';
    settings.previewpath = folder;
    strip.demo = MakeDemo();
    strip.fileName = "long.dem";
    strip.inMark = kAt;
    strip.outMark = kAt + kStretch - 1;
    SilentFeedback silent;
    clip = CopyBlocks(strip, silent);
  }
  ~Fixture() { std::filesystem::remove_all(folder); }

  // `count` thumbnails spread evenly over the demo, or none. A Delete
  // deletes the thumbnails of the blocks it takes out; this puts them back
  // before the next round.
  void Thumbnails(int count) {
    if (count == 0) {
      std::filesystem::remove_all(folder);
      std::filesystem::create_directories(folder);
      return;
    }
    for (int i = 0; i < count; ++i) {
      const std::string path = ThumbnailPath(settings, 'F', 4 + static_cast<std::int64_t>(i) * (kBlocks / count));
      if (std::filesystem::exists(path)) continue;
      if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fputs("thumbnail", f);
        std::fclose(f);
      }
    }
  }

  std::string folder;
  Settings settings;
  StripState strip;
  ClipboardPtr clip;
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void Select(StripState& strip, std::int32_t in, std::int32_t out) {
  strip.inMark = in;
  strip.outMark = out;
}

EditStep::Function PasteOf(const ClipboardPtr& clip) {
  return [clip](StripEdit& e) { PasteBlocks(e, *clip); };
}

void Report(benchmark::State& state, double retime, std::int64_t runs) {
  state.counters["retime_ms"] = runs > 0 ? 1000 * retime / static_cast<double>(runs) : 0;
}

void BM_Copy(benchmark::State& state) {
  Fixture& f = Shared();
  f.Thumbnails(static_cast<int>(state.range(0)));
  TimedFeedback timing;
  for (auto _ : state) {
    Select(f.strip, kAt, kAt + kStretch - 1);
    timing.Start();
    ClipboardPtr clip = CopyBlocks(f.strip, timing);
    state.SetIterationTime(timing.Stop());
    benchmark::DoNotOptimize(clip.get());
  }
}

// A command done (timed) and undone (not timed), or the other way round.
enum class Timed { Do, Undo, Redo };

// `exact`: whether the demo's times are what RetimeDemo gives when the
// step starts (after a Delete or a Reverse they are not, and a paste then
// keeps the old time lines it rewrites).
void RunStep(benchmark::State& state, const char* name, EditStep::Function edit, std::int32_t in, std::int32_t out,
             Timed timed, bool exact = true) {
  Fixture& f = Shared();
  const int thumbnails = static_cast<int>(state.range(0));
  f.Thumbnails(thumbnails);
  TimedFeedback timing;
  SilentFeedback silent;
  double retime = 0;
  std::int64_t runs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    f.Thumbnails(thumbnails);
    state.ResumeTiming();
    Select(f.strip, in, out);
    f.strip.timesRetimed = exact;
    EditStep step(name, edit);
    if (timed == Timed::Do) timing.Start();
    step.Do(f.strip, f.settings, timed == Timed::Do ? static_cast<Feedback&>(timing) : silent);
    if (timed == Timed::Do) state.SetIterationTime(timing.Stop());
    if (timed == Timed::Redo) {
      step.Undo(f.strip, f.settings, silent);
      timing.Start();
      step.Redo(f.strip, f.settings, timing);
      state.SetIterationTime(timing.Stop());
    }
    if (timed == Timed::Undo) timing.Start();
    step.Undo(f.strip, f.settings, timed == Timed::Undo ? static_cast<Feedback&>(timing) : silent);
    if (timed == Timed::Undo) state.SetIterationTime(timing.Stop());
    retime += timing.Retime();
    ++runs;
  }
  Report(state, retime, runs);
}

void BM_Paste(benchmark::State& state) { RunStep(state, "Paste", PasteOf(Shared().clip), kAt, kAt, Timed::Do); }
void BM_PasteUndo(benchmark::State& state) { RunStep(state, "Paste", PasteOf(Shared().clip), kAt, kAt, Timed::Undo); }
void BM_PasteRedo(benchmark::State& state) { RunStep(state, "Paste", PasteOf(Shared().clip), kAt, kAt, Timed::Redo); }
void BM_PasteInexact(benchmark::State& state) {
  RunStep(state, "Paste", PasteOf(Shared().clip), kAt, kAt, Timed::Do, false);
}
void BM_PasteInexactUndo(benchmark::State& state) {
  RunStep(state, "Paste", PasteOf(Shared().clip), kAt, kAt, Timed::Undo, false);
}
void BM_Delete(benchmark::State& state) {
  RunStep(state, "Delete", DeleteBlocks, kAt, kAt + kStretch - 1, Timed::Do);
}
void BM_DeleteUndo(benchmark::State& state) {
  RunStep(state, "Delete", DeleteBlocks, kAt, kAt + kStretch - 1, Timed::Undo);
}
void BM_DeleteRedo(benchmark::State& state) {
  RunStep(state, "Delete", DeleteBlocks, kAt, kAt + kStretch - 1, Timed::Redo);
}
// The whole demo reversed (step 1, no out-mark): 50,000 pairs.
EditStep::Function ReverseOneBlockPerFrame() {
  return [](StripEdit& e) { ReverseBlocks(e, 1); };
}
void BM_Reverse(benchmark::State& state) {
  RunStep(state, "Reverse", ReverseOneBlockPerFrame(), kMarkStart, kMarkEnd, Timed::Do);
}
void BM_ReverseUndo(benchmark::State& state) {
  RunStep(state, "Reverse", ReverseOneBlockPerFrame(), kMarkStart, kMarkEnd, Timed::Undo);
}

// Bytes in use: small blocks from the heap and large ones mapped apart.
std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

struct Memory {
  double demo = 0;     // the demo alone, as made
  double history = 0;  // what the steps hold beside the demo as it ends
  double ratio = 0;    // demo and history against the demo as it ends
};

// Fifty steps made by `next(i, strip, run)` kept in a history.
template <class Next>
Memory MeasureHistory(Next next) {
  const std::size_t empty = HeapInUse();
  StripState strip('F');
  strip.demo = MakeDemo();
  strip.fileName = "long.dem";
  strip.step = 1;
  Settings settings;  // no preview folder: memory only
  Memory memory;
  memory.demo = static_cast<double>(HeapInUse() - empty);

  SilentFeedback silent;
  std::vector<std::unique_ptr<EditStep>> history;
  auto run = [&](const char* name, EditStep::Function edit, std::int32_t in, std::int32_t out) {
    Select(strip, in, out);
    auto step = std::make_unique<EditStep>(name, std::move(edit));
    if (step->Do(strip, settings, silent)) history.push_back(std::move(step));
  };
  for (int i = 0; history.size() < 50; ++i) next(i, strip, run);
  const auto withHistory = static_cast<double>(HeapInUse() - empty);
  history.clear();
  const auto demoNow = static_cast<double>(HeapInUse() - empty);
  memory.history = withHistory - demoNow;
  memory.ratio = withHistory / demoNow;
  return memory;
}

void ReportMemory(benchmark::State& state, const Memory& memory) {
  state.counters["demo_MB"] = memory.demo / 1e6;
  state.counters["history_MB"] = memory.history / 1e6;
  state.counters["total_over_demo"] = memory.ratio;
}

// Fifty mixed steps: pastes, deletes, reverses, text insertions and
// pastes at the end, spread over the demo.
void BM_HistoryMemory(benchmark::State& state) {
  for (auto _ : state) {
    ReportMemory(state, MeasureHistory([](int i, StripState& strip, auto& run) {
      SilentFeedback silent;
      const std::int32_t at = 1000 + (i * 7919) % 90000;
      switch (i % 5) {
        case 0: {
          Select(strip, at, at + 199);
          ClipboardPtr clip = CopyBlocks(strip, silent);
          run("Paste", PasteOf(clip), at + 5000, at + 5000);
          break;
        }
        case 1:
          run("Delete", DeleteBlocks, at, at + 199);
          break;
        case 2:
          run("Reverse", ReverseOneBlockPerFrame(), at, at + 999);
          break;
        case 3:
          run("Print Message", [](StripEdit& e) { InsertText(e, " print \"a message\\n\";"); }, at, at);
          break;
        default: {
          Select(strip, at, at + 49);
          ClipboardPtr clip = CopyBlocks(strip, silent);
          run("Paste at End", [clip](StripEdit& e) { PasteBlocksAtEnd(e, *clip); }, at, at);
          break;
        }
      }
    }));
  }
}

// The worst case for retiming: a Delete of one block near the start, then
// a paste of two near the start, 25 times. Each paste rewrites nearly every time line of a demo
// whose times no retiming gives, and keeps the old ones.
void BM_HistoryMemoryWorst(benchmark::State& state) {
  for (auto _ : state) {
    ReportMemory(state, MeasureHistory([](int i, StripState& strip, auto& run) {
      if (i % 2 == 0) {
        run("Delete", DeleteBlocks, 5, 5);
        return;
      }
      SilentFeedback silent;
      Select(strip, 10, 11);
      ClipboardPtr clip = CopyBlocks(strip, silent);
      run("Paste", PasteOf(clip), 6, 6);
    }));
  }
}

}  // namespace

// The argument is the number of thumbnail files: 3,000, and none to show
// what the block list alone costs. The retiming around a step is not timed
// but takes long, so the rounds are counted out.
#define EDIT_BENCHMARK(name)                                                                          \
  BENCHMARK(name)->Arg(kThumbnails)->Arg(0)->UseManualTime()->Iterations(12)->Unit(benchmark::kMillisecond)
EDIT_BENCHMARK(BM_Copy);
EDIT_BENCHMARK(BM_Paste);
EDIT_BENCHMARK(BM_PasteUndo);
EDIT_BENCHMARK(BM_PasteRedo);
EDIT_BENCHMARK(BM_PasteInexact);
EDIT_BENCHMARK(BM_PasteInexactUndo);
EDIT_BENCHMARK(BM_Delete);
EDIT_BENCHMARK(BM_DeleteUndo);
EDIT_BENCHMARK(BM_DeleteRedo);
EDIT_BENCHMARK(BM_Reverse);
EDIT_BENCHMARK(BM_ReverseUndo);
BENCHMARK(BM_HistoryMemory)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryMemoryWorst)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
