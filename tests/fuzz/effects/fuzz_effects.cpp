// Any boxes typed into Change Speed and Color Fade, on a demo with short
// blocks, blocks without a duration comment and v_cshift lines in odd
// places: no crash; a change that fails leaves the dump text exactly as it
// was; one that succeeds is undone to exactly that text and redone to what
// it made. Then Find Text runs over the result in slices while blocks are
// deleted, and every result it hands out for use names the block it says.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "document/error.h"
#include "document/retime.h"
#include "editing/clipboard.h"
#include "editing/editstep.h"
#include "effects/color.h"
#include "effects/search.h"
#include "effects/speed.h"

namespace {

using namespace clipvex;

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool More() const { return pos_ < size_; }
  std::uint8_t Next() { return pos_ < size_ ? data_[pos_++] : 0; }
  // A short text: mostly digits, a sign or a blank now and then, any byte
  // at times.
  std::string Text() {
    static const char kChars[] = "0123456789012345678901234567890123456789- +x.";
    std::string text;
    const int length = Next() % 8;
    for (int i = 0; i < length; ++i) {
      const std::uint8_t b = Next();
      text += b < 240 ? kChars[b % (sizeof kChars - 1)] : static_cast<char>(Next());
    }
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

std::string Dump(const TDemFile& demo) {
  std::string text = demo.Header + "\n";
  for (std::size_t b = 1; b < demo.Blocks.size(); ++b) {
    for (std::size_t i = 0; i < demo.Blocks[b]->Count(); ++i) {
      text += (*demo.Blocks[b])[i];
      text += '\n';
    }
  }
  return text;
}

BlockPtr MakeBlock(Bytes& in, int n) {
  static const char* const kDurations[] = {"// 0.05", "// 0.1", "// 0.0500000000000114", "// -0.25", "// 1e-7",
                                           "// oops", "}"};
  auto block = std::make_shared<Block>(Block{"block {", " camera 0 0 0;", " time 0.000000000s;"});
  const int shape = in.Next();
  if (shape % 5 == 0) block->Add(" stufftext \"v_cshift 1 2 3 4\\n\";");
  if (shape % 7 == 0) block->Insert(1, " stufftext \"v_cshift 9 9 9 9\\n\";");
  block->Add(" print \"B" + std::to_string(n) + "\";");
  block->Add("}");
  block->Add(kDurations[(shape >> 3) % 7]);
  // Now and then a block of one to three lines.
  if (shape >= 250) {
    while (block->Count() > static_cast<std::size_t>(shape - 249) && block->Count() > 1) block->Delete(1);
  }
  return block;
}

class Clock : public SearchClock {
 public:
  explicit Clock(int every) : every_(every < 1 ? 1 : every) {}
  bool Expired() override { return ++calls_ % every_ == 0; }

 private:
  int every_;
  int calls_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  StripState strip('F');
  strip.fileName = "fuzz.dem";
  strip.demo.Header = "track -1;";
  strip.demo.Blocks.push_back(std::make_shared<Block>(Block{"track -1;"}));
  const int blocks = 4 + in.Next() % 24;
  for (int i = 1; i < blocks; ++i) strip.demo.Blocks.push_back(MakeBlock(in, i));
  strip.timesRetimed = false;
  Settings settings;
  settings.previewpath = "/nonexistent-clipvex-fuzz/";
  SilentFeedback silent;

  for (int round = 0; round < 3 && in.More(); ++round) {
    EditStep::Function edit;
    if (in.Next() % 2 == 0) {
      const SpeedInput input{in.Text(), in.Text(), in.Text(), in.Next() % 2 ? SpeedMode::Fade : SpeedMode::Constant};
      edit = [input](StripEdit& e) { ChangeSpeed(e, input); };
    } else {
      ColorFadeInput input{in.Text(), in.Text(), {}, {}};
      input.start = FadeSwatch{{in.Next(), in.Next(), in.Next()}, in.Next() % 2 == 0, in.Next()};
      input.end = FadeSwatch{{in.Next(), in.Next(), in.Next()}, in.Next() % 2 == 0, in.Next()};
      edit = [input](StripEdit& e) { ColorFade(e, input); };
    }
    const std::string before = Dump(strip.demo);
    EditStep step("fuzz", edit);
    bool changed = false;
    try {
      changed = step.Do(strip, settings, silent);
    } catch (const ClipvexError&) {
      if (Dump(strip.demo) != before) std::abort();
      continue;
    }
    if (!changed) continue;
    const std::string after = Dump(strip.demo);
    step.Undo(strip, settings, silent);
    if (Dump(strip.demo) != before) std::abort();
    step.Redo(strip, settings, silent);
    if (Dump(strip.demo) != after) std::abort();
  }

  // Find Text over the result, blocks deleted between the slices.
  SearchSession search;
  search.Reset(strip.demo.Blocks.size());
  static const char* const kQueries[] = {"v_cshift", "B1", "}", "time", "// 0", ""};
  search.PressFindAll(kQueries[in.Next() % 6]);
  Clock clock(in.Next() % 5 + 1);
  for (int turn = 0; turn < 200 && search.Running(); ++turn) {
    search.Advance(&strip.demo.Blocks, clock);
    if (in.Next() % 4 == 0 && strip.demo.Blocks.size() > 5) {
      const std::size_t at = 4 + in.Next() % (strip.demo.Blocks.size() - 5);
      strip.demo.Blocks.erase(strip.demo.Blocks.begin() + static_cast<std::ptrdiff_t>(at));
    }
  }
  search.Follow(&strip.demo.Blocks);
  for (std::size_t row = 0; row < search.Results().size();) {
    const BlockRef ref = search.Results()[row].ref;
    const std::optional<std::size_t> index = search.Pick(row, &strip.demo.Blocks);
    if (!index) continue;  // dropped
    if (strip.demo.Blocks[*index] != ref.block.lock()) std::abort();
    ++row;
  }
  return 0;
}
