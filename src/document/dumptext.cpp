#include "document/dumptext.h"

#include <cstring>
#include <vector>

#include "document/demotime.h"
#include "document/error.h"
#include "document/numtext.h"
#include "document/real48.h"
#include "document/textfile.h"

namespace clipvex {

namespace {

bool Contains(std::string_view line, std::string_view word) { return line.find(word) != std::string_view::npos; }

// The lines of the block being read, as places in the reader's marked
// buffer; the block gets them in one piece, with its duration comment.
struct BlockBuilder {
  std::vector<std::uint32_t> starts;
  std::vector<std::uint32_t> ends;
  std::size_t total = 0;

  void Start() {
    starts.clear();
    ends.clear();
    total = 0;
  }
  void Add(const LineReader& reader, std::string_view line) {
    std::size_t at = reader.MarkedOffset(line);
    if (at + line.size() > UINT32_MAX) throw ClipvexError("Out of memory");
    starts.push_back(static_cast<std::uint32_t>(at));
    total += line.size();
    ends.push_back(static_cast<std::uint32_t>(total));
  }
  BlockPtr Finish(const LineReader& reader, std::string_view comment) {
    std::string text;
    text.resize(total + comment.size());
    const char* base = reader.MarkedData();
    std::size_t out = 0;
    for (std::size_t i = 0; i < starts.size(); ++i) {
      std::size_t len = ends[i] - out;
      std::memcpy(text.data() + out, base + starts[i], len);
      out += len;
    }
    std::memcpy(text.data() + out, comment.data(), comment.size());
    ends.push_back(static_cast<std::uint32_t>(text.size()));
    auto block = std::make_shared<Block>();
    block->Assign(std::move(text), ends);
    return block;
  }
};

// A demo's frames take a handful of different durations, over and over: the
// comment texts of recent ones are kept, looked up by the value's bits.
class DurationComments {
 public:
  std::string_view For(double duration) {
    std::uint64_t bits;
    std::memcpy(&bits, &duration, sizeof bits);
    Entry& e = entries_[(bits ^ (bits >> 29) ^ (bits >> 43)) % kEntries];
    if (e.length == 0 || e.bits != bits) {
      e.bits = bits;
      e.length = 3 + FormatGeneralTo(duration, e.text + 3);
    }
    return {e.text, e.length};
  }

 private:
  static constexpr std::size_t kEntries = 64;
  struct Entry {
    std::uint64_t bits = 0;
    std::size_t length = 0;
    char text[3 + kMaxGeneralText] = {'/', '/', ' '};
  };
  Entry entries_[kEntries];
};

void ReadBlocks(LineReader& reader, const std::string& dumpPath, const std::string& demoPath, TDemFile& demo,
                Notifier& notifier) {
  std::string_view line;
  bool found = false;
  while (reader.Next(line)) {
    if (Contains(line, "track")) {
      found = true;
      break;
    }
  }
  if (!found) {
    throw ClipvexError("The dump file '" + dumpPath + "' holds no demo: no line contains \"track\"");
  }
  demo.Header.assign(line);

  const double maxDuration = 1.0;
  double current = 0;
  double duration = RoundReal48(0.05L);
  const double fallback = duration;

  long long demoSize = FileSizeOf(demoPath);
  long long byDump = reader.FileSize() / 16 + 16;
  long long capacity = demoSize > 0 ? std::min(demoSize / 150, byDump) : 0;
  demo.Blocks.reserve(static_cast<std::size_t>(capacity) + 1);
  demo.Blocks.push_back(std::make_shared<Block>(Block{line}));

  BlockBuilder builder;
  DurationComments comments;
  bool unbalanced = false;
  for (;;) {
    bool blockLine = false;
    while (reader.Next(line)) {
      if (Contains(line, "block")) {
        blockLine = true;
        break;
      }
    }
    if (!blockLine) break;
    reader.Mark(line);  // keeps the block line readable while AtEnd refills
    if (reader.AtEnd()) break;
    builder.Start();
    builder.Add(reader, line);
    int depth = 1;
    do {
      reader.Next(line);
      if (reader.Braces() & LineReader::kOpenBrace) ++depth;
      if (reader.Braces() & LineReader::kCloseBrace) --depth;
      if (IsTimeLine(line)) {
        double previous = current;
        current = ParseTime(line);
        duration = RoundReal48(static_cast<long double>(current) - previous);
        if (duration > maxDuration) duration = fallback;
      }
      builder.Add(reader, line);
    } while (depth != 0 && !reader.AtEnd());
    unbalanced = depth != 0;
    demo.Blocks.push_back(builder.Finish(reader, comments.For(duration)));
    reader.Unmark();
  }
  if (unbalanced || demo.Blocks.size() == 1) notifier.ShowError(kParseErrorText);

  if (demo.Blocks.size() < 4 || demo.Blocks[3]->Count() < 3) ThrowListIndex();
  // A demo the editor saved already carries the line there: a second one
  // would make every open-and-save cycle longer.
  Block& leading = *demo.Blocks[3];
  if (leading.Count() == 3 || leading[3] != kConsoleResetLine) leading.Insert(3, kConsoleResetLine);
}

}  // namespace

void ParseDump(const std::string& dumpPath, const std::string& demoPath, TDemFile& demo, Notifier& notifier) {
  demo.Blocks.clear();
  demo.Header.clear();
  try {
    LineReader reader(dumpPath);
    ReadBlocks(reader, dumpPath, demoPath, demo, notifier);
  } catch (...) {
    demo.Blocks.clear();
    demo.Blocks.shrink_to_fit();
    demo.Header.clear();
    throw;
  }
}

void WriteDump(const TDemFile& demo, const std::string& path) {
  TextWriter out(path);
  out.WriteLine(demo.Header);
  for (std::size_t b = 1; b < demo.Blocks.size(); ++b) {
    const Block& block = *demo.Blocks[b];
    for (std::size_t i = 0; i < block.Count(); ++i) out.WriteLine(block[i]);
  }
  out.Close();
}

BlockPtr MakeClosingBlock() {
  return std::make_shared<Block>(Block{"block {", " camera 0.000000000 0.000000000 0.000000000;", " disconnect;", "}"});
}

}  // namespace clipvex
