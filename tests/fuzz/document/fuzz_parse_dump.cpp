// Any bytes as a dump: reading either fills the demo or raises the one
// error type and leaves no demo, and what was read writes back out. The same
// bytes also make a well-formed dump (every line inside a block, braces only
// where blocks open and close, as the converter writes them): what is read
// from it, retimed and written reads back as the same header and blocks
// (their duration comments aside, which follow the time lines as written).
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
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

// The bytes' lines as the blocks of a dump: an empty line starts a new
// block, braces, carriage returns and the words the reader looks for between
// blocks are left out of the lines, and an empty block gets a camera line.
std::string WellFormedDump(std::string_view bytes) {
  std::string text = "track -1;\n";
  std::size_t blocks = 0;
  bool open = false;
  auto close = [&](bool empty) {
    if (empty) text += " camera;\n";
    text += "}\n";
    open = false;
  };
  bool empty = true;
  while (!bytes.empty() || blocks < 4) {
    const std::size_t end = std::min(bytes.find('\n'), bytes.size());
    std::string line;
    for (char c : bytes.substr(0, end)) {
      if (c != '{' && c != '}' && c != '\r') line += c;
    }
    bytes.remove_prefix(std::min(end + 1, bytes.size()));
    if (line.find("block") != std::string::npos || line.find("track") != std::string::npos) continue;
    if (!open || line.empty()) {
      if (open) close(empty);
      text += "block {\n";
      open = true;
      empty = true;
      ++blocks;
      if (line.empty()) continue;
    }
    text += line + "\n";
    empty = false;
  }
  if (open) close(empty);
  return text;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
  std::fclose(f);
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
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // As they come: no crash, and a failed reading leaves no demo.
  WriteFile(dump, bytes);
  CountingNotifier notifier;
  clipvex::TDemFile demo;
  try {
    clipvex::ParseDump(dump, dump, demo, notifier);
    try {
      clipvex::RetimeDemo(demo);
    } catch (const clipvex::ClipvexError&) {
    }
    clipvex::WriteDump(demo, out);
  } catch (const clipvex::ClipvexError&) {
    if (demo.HasBlocks()) std::abort();
  }

  // Well formed: read, retimed and written, it reads back the same.
  WriteFile(dump, WellFormedDump(bytes));
  CountingNotifier wellFormed;
  demo = clipvex::TDemFile{};
  try {
    clipvex::ParseDump(dump, dump, demo, wellFormed);
  } catch (const clipvex::ClipvexError&) {
    if (demo.HasBlocks()) std::abort();
    return 0;  // a time line the reader cannot take
  }
  if (wellFormed.errors != 0) std::abort();
  try {
    clipvex::RetimeDemo(demo);
  } catch (const clipvex::ClipvexError&) {
  }
  clipvex::WriteDump(demo, out);
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
