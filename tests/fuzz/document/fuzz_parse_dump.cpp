// Any bytes as a dump: reading either fills the demo or raises the one
// error type and leaves no demo; what was read writes back out, and what was
// written reads back as the same header and blocks (their duration comments
// aside, which follow the time lines as written).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "document/dumptext.h"
#include "document/error.h"
#include "document/retime.h"

namespace {

class CountingNotifier : public clipvex::Notifier {
 public:
  void ShowError(std::string_view) override { ++errors; }
  int errors = 0;
};

// A block's lines without its duration comment (the last line).
std::vector<std::string> LinesOf(const clipvex::Block& block) {
  std::vector<std::string> lines = block.Lines();
  if (!lines.empty()) lines.pop_back();
  return lines;
}

std::string TempPath(const char* suffix) {
  static const std::string dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "clipvex-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern + "/";
  }();
  return dir + suffix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string dump = TempPath("in.out");
  static const std::string out = TempPath("out.txt");
  FILE* f = std::fopen(dump.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);

  CountingNotifier notifier;
  clipvex::TDemFile demo;
  try {
    clipvex::ParseDump(dump, dump, demo, notifier);
  } catch (const clipvex::ClipvexError&) {
    if (demo.HasBlocks()) std::abort();  // a failed reading leaves no demo
    return 0;
  }
  try {
    clipvex::RetimeDemo(demo);
  } catch (const clipvex::ClipvexError&) {
  }
  clipvex::WriteDump(demo, out);

  // A dump that ended inside a block (reported) takes the comment into the
  // block when read again; every other one reads back as it was.
  if (notifier.errors != 0) return 0;
  CountingNotifier again;
  clipvex::TDemFile reread;
  try {
    clipvex::ParseDump(out, out, reread, again);
  } catch (const clipvex::ClipvexError&) {
    std::abort();
  }
  if (again.errors != 0 || reread.Header != demo.Header || reread.Blocks.size() != demo.Blocks.size()) std::abort();
  for (std::size_t b = 1; b < demo.Blocks.size(); ++b) {
    if (LinesOf(*reread.Blocks[b]) != LinesOf(*demo.Blocks[b])) std::abort();
  }
  return 0;
}
