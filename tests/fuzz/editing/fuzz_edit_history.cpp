// Any sequence of editing commands on a small demo with thumbnails: no
// crash, every step undone gives back exactly the dump text and the marks
// it started from, every step redone the ones it ended with, and every
// thumbnail file stays with the block it was made for.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "document/error.h"
#include "document/retime.h"
#include "editing/clipboard.h"
#include "editing/editstep.h"
#include "editing/reverse.h"
#include "editing/stuff.h"

namespace {

using namespace clipvex;

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool More() const { return pos_ < size_; }
  std::uint8_t Next() { return pos_ < size_ ? data_[pos_++] : 0; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

const std::string& Folder() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "clipvex-fuzz-edit-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern + "/";
  }();
  return folder;
}

// Every block carries a line naming it; a thumbnail holds that name.
std::string NameOf(const Block& block) {
  for (std::size_t i = 0; i < block.Count(); ++i) {
    if (block[i].rfind(" // id ", 0) == 0) return std::string(block[i].substr(7));
  }
  return {};
}

// Most blocks have a time line; some have none, some start a level, and
// some went back in time (a level change, or a stretch pasted from after one).
BlockPtr NamedBlock(const std::string& name, int i) {
  if (i % 11 == 9) {
    return std::make_shared<Block>(Block{"block {", " camera 0 0 0;", " // id " + name,
                                         " serverinfo 15 maxclients 1 gametype 0 level \"\";", "}", "// 0.05"});
  }
  if (i % 7 == 6) return std::make_shared<Block>(Block{"block {", " camera 0 0 0;", " // id " + name, "}", "// 0.05"});
  return std::make_shared<Block>(Block{"block {", " camera 0 0 0;", " time 0.000000000s;", " // id " + name, "}",
                                       i % 5 == 4 ? "// -2.5"
                                       : i % 2    ? "// 0.05"
                                                  : "// 0.1"});
}

TDemFile MakeDemo(char source, int blocks) {
  TDemFile demo;
  demo.Header = std::string("track ") + source + ";";
  demo.Blocks.push_back(std::make_shared<Block>(Block{demo.Header}));
  for (int i = 1; i < 4 + blocks; ++i) demo.Blocks.push_back(NamedBlock(source + std::to_string(i), i));
  RetimeDemo(demo);
  return demo;
}

// The dump text of the demo, and with `marks` the selection too.
std::string Snapshot(const StripState& strip, bool marks = true) {
  std::string text = strip.demo.Header;
  if (marks) text += "\n" + std::to_string(strip.inMark) + " " + std::to_string(strip.outMark);
  for (const BlockPtr& block : strip.demo.Blocks) {
    for (const std::string& line : block->Lines()) text += "\n" + line;
  }
  return text;
}

void CheckThumbnails(const StripState& strip) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(Folder(), ec)) {
    const std::int64_t index = ThumbnailIndex(entry.path().filename().string(), strip.letter);
    if (index < 0) continue;
    if (index >= strip.Entries()) std::abort();  // a file past the end of the demo
    std::FILE* f = std::fopen(entry.path().c_str(), "rb");
    char buffer[64] = {};
    const std::size_t read = std::fread(buffer, 1, sizeof buffer - 1, f);
    std::fclose(f);
    if (std::string(buffer, read) != NameOf(*strip.demo.Blocks[static_cast<std::size_t>(index)])) std::abort();
  }
}

std::int32_t Mark(Bytes& bytes, std::int32_t entries) {
  const std::uint8_t b = bytes.Next();
  if (b == 255) return kMarkEnd;
  return static_cast<std::int32_t>(b % (entries + 4));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, size);
  std::filesystem::remove_all(Folder());
  std::filesystem::create_directories(Folder());
  Settings settings;
  settings.previewpath = Folder();

  StripState other('M');
  other.demo = MakeDemo('S', 1 + bytes.Next() % 12);
  other.fileName = "source.dem";
  StripState strip('F');
  strip.demo = MakeDemo('B', bytes.Next() % 16);
  strip.fileName = "final.dem";
  const std::uint8_t shots = bytes.Next();
  for (std::int32_t i = 4; i < strip.Entries() && i < 12; ++i) {
    if ((shots >> (i - 4)) & 1) {
      std::FILE* f = std::fopen(ThumbnailPath(settings, 'F', i).c_str(), "wb");
      const std::string name = NameOf(*strip.demo.Blocks[static_cast<std::size_t>(i)]);
      std::fwrite(name.data(), 1, name.size(), f);
      std::fclose(f);
    }
  }

  SilentFeedback silent;
  ClipboardPtr clip;
  std::vector<std::unique_ptr<EditStep>> history;
  std::vector<std::string> states = {Snapshot(strip, false)};  // the demo after each step
  int insertions = 0;
  while (bytes.More() && history.size() < 24) {
    const std::uint8_t op = bytes.Next();
    StripState& target = op & 0x80 ? other : strip;
    target.inMark = std::max(Mark(bytes, target.Entries()), kMarkStart);
    target.outMark = Mark(bytes, target.Entries());
    if (op % 9 == 0) {
      clip = CopyBlocks(target, silent);
      continue;
    }
    if (&target == &other) continue;
    EditStep::Function edit;
    switch (op % 9) {
      case 1:
        edit = DeleteBlocks;
        break;
      case 2:
        if (clip) edit = [clip](StripEdit& e) { PasteBlocks(e, *clip); };
        break;
      case 3:
        if (clip) edit = [clip](StripEdit& e) { PasteBlocksAtEnd(e, *clip); };
        break;
      case 4:
        if (clip) edit = [clip](StripEdit& e) { PasteNewLevel(e, *clip); };
        break;
      case 5:
        strip.step = 1 + bytes.Next() % 5;
        edit = [step = strip.step](StripEdit& e) { ReverseBlocks(e, step); };
        break;
      case 6: {
        const std::string line = BuildStuffLine(StuffKind::PrintMessage, "n" + std::to_string(++insertions));
        edit = [line](StripEdit& e) { InsertText(e, line); };
        break;
      }
      case 7:
        // Some steps undone, then redone.
        for (std::size_t k = bytes.Next() % 4; k > 0 && !history.empty(); --k) {
          std::size_t undone = 0;
          for (; undone < k && undone < history.size(); ++undone) {
            history[history.size() - 1 - undone]->Undo(strip, settings, silent);
            CheckThumbnails(strip);
          }
          if (Snapshot(strip, false) != states[states.size() - 1 - undone]) std::abort();
          for (; undone > 0; --undone) history[history.size() - undone]->Redo(strip, settings, silent);
          if (Snapshot(strip, false) != states.back()) std::abort();
        }
        continue;
      default:
        strip.timesRetimed = false;
        continue;
    }
    if (!edit) continue;
    auto step = std::make_unique<EditStep>("step", edit);
    const std::string before = Snapshot(strip);
    bool changed = false;
    try {
      changed = step->Do(strip, settings, silent);
    } catch (const ClipvexError&) {
      if (Snapshot(strip) != before) std::abort();  // a failed step leaves nothing behind
      continue;
    }
    CheckThumbnails(strip);
    if (!changed) continue;
    const std::string after = Snapshot(strip);
    step->Undo(strip, settings, silent);
    if (Snapshot(strip) != before) std::abort();
    CheckThumbnails(strip);
    step->Redo(strip, settings, silent);
    if (Snapshot(strip) != after) std::abort();
    history.push_back(std::move(step));
    states.push_back(Snapshot(strip, false));
  }
  // The whole history backwards.
  while (!history.empty()) {
    states.pop_back();
    history.back()->Undo(strip, settings, silent);
    history.pop_back();
    if (Snapshot(strip, false) != states.back()) std::abort();
    CheckThumbnails(strip);
  }
  return 0;
}
