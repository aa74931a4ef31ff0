// bench_convert: demo -> dump and dump -> demo throughput, in bytes of demo
// per second (SetBytesProcessed), on a ~50 MB demo built in memory from the
// blocks of the real fixtures and on each fixture. The counter dump_ratio is
// the size of the dump text relative to the demo. DemoToDumpExchanged and
// DemoToDumpFile compare formatting on one thread and on two; they count
// wall-clock time, since their work is spread over threads.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "demfmt/demfmt.h"

namespace {

const char* const kFixtures[] = {
    "edge_p666_nan_angles",      "edge_synthetic_qfont",          "p15_ctf8_mp109",
    "p15_e0m3_pause_cutscene",   "p15_e4m2_id101",                "p15_introseq_tf107",
    "p666_e1m1_smoothme",        "p666_medusa_start_2levels",     "p666_swampy_long_nodisconnect",
    "p999_e2m5_baseline2",
};

std::string fixture(const std::string& name) {
    return demfmt::read_file(std::string(CLIPVEX_SHARED_DIR) + "/fixtures/dem/" + name + ".dem");
}

// ~50 MB: the blocks (after the track line) of the real engine recordings,
// repeated. Each part starts with its serverinfo, so every block decodes.
const std::string& big_demo() {
    static const std::string demo = [] {
        std::string blocks;
        for (const char* name : kFixtures) {
            std::string d = fixture(name);
            if (std::string(name).rfind("edge_", 0) == 0) continue;
            blocks += d.substr(d.find('\n') + 1);
        }
        std::string out = "-1\n";
        while (out.size() < 50u * 1000 * 1000) out += blocks;
        return out;
    }();
    return demo;
}

// Demo bytes per second, both as Google Benchmark's bytes_per_second (MiB/s)
// and as decimal MB/s, the unit the throughput target is stated in.
void SetDemoBytes(benchmark::State& state, std::size_t demoSize) {
    const double total = static_cast<double>(state.iterations()) * static_cast<double>(demoSize);
    state.SetBytesProcessed(static_cast<std::int64_t>(total));
    state.counters["demo_MB"] = benchmark::Counter(total / 1e6, benchmark::Counter::kIsRate);
}

void to_dump(benchmark::State& state, const std::string& demo) {
    std::size_t text = 0;
    for (auto _ : state) {
        demfmt::DumpResult r = demfmt::demo_to_dump(demo);
        text = r.text.size();
        benchmark::DoNotOptimize(r.text.data());
    }
    SetDemoBytes(state, demo.size());
    state.counters["dump_ratio"] = static_cast<double>(text) / static_cast<double>(demo.size());
}

// The command line's way: the text streamed in 1 MB pieces (here discarded
// after a checksum touch), no buffer of the whole dump.
void to_dump_streamed(benchmark::State& state, const std::string& demo) {
    std::size_t text = 0;
    for (auto _ : state) {
        text = 0;
        demfmt::demo_to_dump(demo, [&text](std::string_view piece) {
            text += piece.size();
            benchmark::DoNotOptimize(piece.data());
        });
    }
    SetDemoBytes(state, demo.size());
    state.counters["dump_ratio"] = static_cast<double>(text) / static_cast<double>(demo.size());
}

// The command line's way since it formats on threads and writes on another:
// pieces handed over by buffer exchange. Here the consumer only touches
// each piece and hands the same buffer back.
void to_dump_exchanged(benchmark::State& state, const std::string& demo, unsigned threads) {
    demfmt::DumpOptions opt;
    opt.threads = threads;
    std::size_t text = 0;
    for (auto _ : state) {
        text = 0;
        demfmt::demo_to_dump_chunks(
            demo,
            [&text](std::string& buffer, std::size_t used) {
                text += used;
                benchmark::DoNotOptimize(buffer.data());
            },
            opt);
    }
    SetDemoBytes(state, demo.size());
    state.counters["dump_ratio"] = static_cast<double>(text) / static_cast<double>(demo.size());
}

// End to end as lmpc -s does it, but for process start and mapping: to a
// file through the output's writer thread. The file (about 300 MB) goes to
// the system's temporary folder and is removed.
void to_dump_file(benchmark::State& state, const std::string& demo, unsigned threads) {
    demfmt::DumpOptions opt;
    opt.threads = threads;
    const std::string path =
        (std::filesystem::temp_directory_path() / ("bench_convert_" + std::to_string(::getpid()) + ".txt")).string();
    for (auto _ : state) {
        demfmt::OutputFile file(path);
        demfmt::demo_to_dump_chunks(
            demo, [&file](std::string& buffer, std::size_t used) { file.exchange(buffer, used); }, opt);
        file.commit();
        state.PauseTiming();
        std::filesystem::remove(path);
        state.ResumeTiming();
    }
    SetDemoBytes(state, demo.size());
}

void to_demo(benchmark::State& state, const std::string& demo) {
    const std::string text = demfmt::demo_to_dump(demo).text;
    if (demfmt::dump_to_demo(text) != demo) {
        state.SkipWithError("round trip differs");
        return;
    }
    for (auto _ : state) {
        std::string back = demfmt::dump_to_demo(text);
        benchmark::DoNotOptimize(back.data());
    }
    SetDemoBytes(state, demo.size());
    state.counters["dump_ratio"] = static_cast<double>(text.size()) / static_cast<double>(demo.size());
}

void to_demo_streamed(benchmark::State& state, const std::string& demo) {
    const std::string text = demfmt::demo_to_dump(demo).text;
    for (auto _ : state) {
        std::size_t n = 0;
        demfmt::dump_to_demo(text, [&n](std::string_view piece) {
            n += piece.size();
            benchmark::DoNotOptimize(piece.data());
        });
        if (n != demo.size()) {
            state.SkipWithError("size differs");
            break;
        }
    }
    SetDemoBytes(state, demo.size());
}

void register_all() {
    benchmark::RegisterBenchmark("DemoToDump/big50MB", [](benchmark::State& s) { to_dump(s, big_demo()); })
        ->Unit(benchmark::kMillisecond)->MinTime(2.0);
    benchmark::RegisterBenchmark("DemoToDumpStreamed/big50MB",
                                 [](benchmark::State& s) { to_dump_streamed(s, big_demo()); })
        ->Unit(benchmark::kMillisecond)->MinTime(2.0);
    for (unsigned threads : {1u, 2u}) {
        const std::string n = "/big50MB/threads:" + std::to_string(threads);
        benchmark::RegisterBenchmark(("DemoToDumpExchanged" + n).c_str(),
                                     [threads](benchmark::State& s) { to_dump_exchanged(s, big_demo(), threads); })
            ->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
        benchmark::RegisterBenchmark(("DemoToDumpFile" + n).c_str(),
                                     [threads](benchmark::State& s) { to_dump_file(s, big_demo(), threads); })
            ->Unit(benchmark::kMillisecond)->Iterations(4)->UseRealTime();
    }
    benchmark::RegisterBenchmark("DumpToDemo/big50MB", [](benchmark::State& s) { to_demo(s, big_demo()); })
        ->Unit(benchmark::kMillisecond)->MinTime(2.0);
    benchmark::RegisterBenchmark("DumpToDemoStreamed/big50MB",
                                 [](benchmark::State& s) { to_demo_streamed(s, big_demo()); })
        ->Unit(benchmark::kMillisecond)->MinTime(2.0);
    for (const char* name : kFixtures) {
        auto data = std::make_shared<std::string>(fixture(name));
        benchmark::RegisterBenchmark((std::string("DemoToDump/") + name).c_str(),
                                     [data](benchmark::State& s) { to_dump(s, *data); })
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("DumpToDemo/") + name).c_str(),
                                     [data](benchmark::State& s) { to_demo(s, *data); })
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    register_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
