// Opening speed and memory of a large dump: ParseDump and RetimeDemo beside a
// plain line scan of the same file (read + memchr, the speed of `wc -l`),
// all measured in one run. The heap use of the loaded demo is counted by
// this program's own operator new.
//
//   bench_parse_dump [MEGABYTES=100] [ROUNDS=3]
//
// Two dumps are measured: blocks of a camera line, a time line and 10 to 30
// message lines, and what the converter writes for a generated demo.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <random>
#include <string>

#include "demfmt/demfmt.h"
#include "demogen.h"
#include "document/dumptext.h"
#include "document/retime.h"

namespace {

std::atomic<long long> gLive{0};
std::atomic<long long> gPeak{0};

void Count(long long delta) {
  long long now = gLive.fetch_add(delta) + delta;
  long long peak = gPeak.load();
  while (now > peak && !gPeak.compare_exchange_weak(peak, now)) {
  }
}

}  // namespace

void* operator new(std::size_t size) {
  void* p = std::malloc(size + 16);
  if (p == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t*>(p) = size;
  Count(static_cast<long long>(size));
  return static_cast<char*>(p) + 16;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  char* base = static_cast<char*>(p) - 16;
  Count(-static_cast<long long>(*reinterpret_cast<std::size_t*>(base)));
  std::free(base);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

namespace {

class Silent : public clipvex::Notifier {
 public:
  void ShowError(std::string_view) override {}
};

// A dump like the converter writes: leading blocks, then game frames of a
// camera line, a time line and 10 to 30 message lines each.
std::string MakeDump(std::size_t bytes) {
  std::mt19937 engine(7);
  auto rng = [&engine] { return static_cast<unsigned>(engine()); };
  std::string out = "track -1;\n";
  auto add = [&out](const std::string& s) {
    out += s;
    out += '\n';
  };
  for (int i = 0; i < 3; ++i) {
    add("block {");
    add(" camera 0 0 0;");
    add(" serverinfo 15 1 0 \"\";");
    add(" signon " + std::to_string(i + 1) + ";");
    add("}");
  }
  double t = 1.4;
  char line[160];
  while (out.size() < bytes) {
    add("block {");
    std::snprintf(line, sizeof line, " camera %.9g %.9g 0;", (rng() % 9000) / 100.0 - 45, (rng() % 36000) / 100.0);
    add(line);
    std::snprintf(line, sizeof line, " time %.9fs;", std::fmod(t, 60.0));
    add(line);
    t += 0.0138 + (rng() % 100) * 1e-5;
    int messages = 10 + static_cast<int>(rng() % 21);
    for (int m = 0; m < messages; ++m) {
      switch (rng() % 4) {
        case 0:
          std::snprintf(line, sizeof line, " clientdata view_height 22 health %u armor 0 weapon 2 ammo 25;",
                        rng() % 100);
          break;
        case 1:
          std::snprintf(line, sizeof line, " entity %u origin %.3f %.3f %.3f angles 0 %.5f 0 frame %u;", rng() % 400,
                        (rng() % 32768) / 8.0, (rng() % 32768) / 8.0, (rng() % 4096) / 8.0, (rng() % 256) * 1.40625,
                        rng() % 30);
          break;
        case 2:
          std::snprintf(line, sizeof line, " sound 1 %u %u origin %.3f %.3f %.3f;", rng() % 64, rng() % 80,
                        (rng() % 32768) / 8.0, (rng() % 32768) / 8.0, (rng() % 4096) / 8.0);
          break;
        default:
          std::snprintf(line, sizeof line, " entity %u origin %.3f %.3f %.3f;", rng() % 400, (rng() % 32768) / 8.0,
                        (rng() % 32768) / 8.0, (rng() % 4096) / 8.0);
      }
      add(line);
    }
    add("}");
  }
  add("block {");
  add(" camera 0 0 0;");
  add(" disconnect;");
  add("}");
  return out;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long long LineScan(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) std::abort();
  static char buf[1 << 20];
  long long lines = 0;
  ssize_t got;
  while ((got = ::read(fd, buf, sizeof buf)) > 0) {
    const char* p = buf;
    const char* end = buf + got;
    while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) != nullptr) {
      ++lines;
      ++p;
    }
  }
  ::close(fd);
  return lines;
}

struct Figures {
  double mb = 0, scan = 1e9, parse = 1e9, retime = 1e9;
  long long lines = 0, demoBytes = 0, peakBytes = 0;
  std::size_t blocks = 0;
};

Figures Measure(const std::string& dumpPath, int rounds) {
  Figures f;
  f.mb = static_cast<double>(std::filesystem::file_size(dumpPath)) / (1 << 20);
  for (int r = 0; r < rounds; ++r) {
    auto t0 = std::chrono::steady_clock::now();
    f.lines = LineScan(dumpPath);
    f.scan = std::min(f.scan, Seconds(t0));

    long long before = gLive.load();
    gPeak.store(before);
    clipvex::TDemFile demo;
    Silent silent;
    t0 = std::chrono::steady_clock::now();
    clipvex::ParseDump(dumpPath, dumpPath, demo, silent);
    f.parse = std::min(f.parse, Seconds(t0));
    f.demoBytes = gLive.load() - before;
    f.peakBytes = gPeak.load() - before;
    f.blocks = demo.Blocks.size();
    t0 = std::chrono::steady_clock::now();
    clipvex::RetimeDemo(demo);
    f.retime = std::min(f.retime, Seconds(t0));
  }
  return f;
}

bool Report(const char* title, const Figures& f, int rounds) {
  const double bytes = f.mb * (1 << 20);
  std::printf("\n%s: %.1f MB, %lld lines, %zu blocks (best of %d rounds)\n", title, f.mb, f.lines, f.blocks, rounds);
  std::printf("%-26s %10s %10s\n", "", "seconds", "MB/s");
  std::printf("%-26s %10.3f %10.0f\n", "line scan (read+memchr)", f.scan, f.mb / f.scan);
  std::printf("%-26s %10.3f %10.0f\n", "ParseDump", f.parse, f.mb / f.parse);
  std::printf("%-26s %10.3f %10.0f\n", "RetimeDemo", f.retime, f.mb / f.retime);
  std::printf("%-26s %10.3f %10.0f\n", "ParseDump + RetimeDemo", f.parse + f.retime, f.mb / (f.parse + f.retime));
  std::printf("ParseDump speed / line scan speed: 1/%.2f (target: at least 1/5)\n", f.parse / f.scan);
  std::printf("loaded demo: %.1f MB on the heap = %.2f x the dump (peak while reading %.2f x; target: at most 3 x)\n",
              static_cast<double>(f.demoBytes) / (1 << 20), static_cast<double>(f.demoBytes) / bytes,
              static_cast<double>(f.peakBytes) / bytes);
  bool ok = f.parse <= 5 * f.scan && f.demoBytes <= 3 * bytes && f.peakBytes <= 3 * bytes;
  std::printf("%s\n", ok ? "targets met" : "TARGETS MISSED");
  return ok;
}

void WriteBytes(const std::string& path, const char* data, std::size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  auto dir = std::filesystem::temp_directory_path() / ("clipvex-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);

  // 1. Blocks of a camera line, a time line and 10 to 30 message lines.
  std::string synthetic = (dir / "synthetic.out").string();
  {
    std::string dump = MakeDump(megabytes << 20);
    WriteBytes(synthetic, dump.data(), dump.size());
  }
  // 2. What the converter writes for a generated demo of the same dump size.
  std::string converted = (dir / "converted.out").string();
  {
    clipvex::demogen::Options options;
    options.target_bytes = (megabytes << 20) / 6;
    options.map = "e1m1";
    std::vector<std::uint8_t> demo = clipvex::demogen::generate(options);
    demfmt::DumpResult dump =
        demfmt::demo_to_dump(std::string_view(reinterpret_cast<const char*>(demo.data()), demo.size()));
    WriteBytes(converted, dump.text.data(), dump.text.size());
  }
  bool ok = Report("generated dump", Measure(synthetic, rounds), rounds);
  ok = Report("converter dump of a generated demo", Measure(converted, rounds), rounds) && ok;
  if (std::getenv("BENCH_KEEP") != nullptr) {
    std::printf("kept %s\n", dir.string().c_str());
  } else {
    std::filesystem::remove_all(dir);
  }
  return ok ? 0 : 1;
}
