// Any bytes as a dump: reading either fills the demo or raises the one
// error type and leaves no demo; what was read writes back out.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "document/dumptext.h"
#include "document/error.h"
#include "document/retime.h"

namespace {

class SilentNotifier : public clipvex::Notifier {
 public:
  void ShowError(std::string_view) override {}
};

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

  SilentNotifier notifier;
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
  return 0;
}
