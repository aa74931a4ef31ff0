// Demos, strips and a small history for the editing tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "document/block.h"
#include "document/dumptext.h"
#include "document/filecommands.h"
#include "document/retime.h"
#include "editing/clipboard.h"
#include "editing/editstep.h"
#include "editing/reverse.h"
#include "strip/stripstate.h"
#include "strip/striptesthelpers.h"
#include "support/testsupport.h"

namespace clipvex::test {

// A block as the dump reader leaves it: block line, camera, time line, a
// print line naming it, the closing brace and a duration comment.
inline BlockPtr LabelledBlock(const std::string& label, const std::string& duration = "0.05") {
  return std::make_shared<Block>(Block{"block {", " camera 1.000000000 2.000000000 3.000000000;",
                                       " time 0.000000000s;", " print \"" + label + "\";", "}",
                                       "// " + duration});
}

// A demo as opening gives it: the header entry, leading blocks L1 to L3
// (the console reset line in L3), ordinary blocks B4 to B(3 + blocks), a
// closing block ending the level, all retimed. Another prefix than "B"
// names the blocks of another source: S4..., SL1 to SL3.
// Durations cycle through 0.05, 0.1 and 0.025 so that order matters to
// the times.
inline TDemFile MakeDemo(int blocks, const std::string& prefix = "B", const std::string& header = "track -1;") {
  static const char* const kDurations[] = {"0.05", "0.1", "0.025"};
  TDemFile demo;
  demo.Header = header;
  demo.Blocks.push_back(std::make_shared<Block>(Block{header}));
  const std::string lead = prefix == "B" ? "L" : prefix + "L";
  for (int i = 1; i <= 3; ++i) demo.Blocks.push_back(LabelledBlock(lead + std::to_string(i)));
  demo.Blocks[3]->Insert(3, kConsoleResetLine);
  for (int i = 0; i < blocks; ++i) {
    demo.Blocks.push_back(LabelledBlock(prefix + std::to_string(4 + i), kDurations[i % 3]));
  }
  demo.Blocks.push_back(std::make_shared<Block>(Block{"block {", " camera 0.000000000 0.000000000 0.000000000;",
                                                      " time 0.000000000s;", " disconnect;", "}", "// 0.05"}));
  RetimeDemo(demo);
  return demo;
}

// A strip holding `demo`, as after opening it.
inline StripState StripHolding(TDemFile demo, char letter = 'F', const std::string& name = "final.dem") {
  StripState strip(letter);
  strip.demo = std::move(demo);
  strip.fileName = name;
  strip.timesRetimed = true;
  return strip;
}

// The label of each block: the text of its print line, "" when it has none.
inline std::vector<std::string> Labels(const TDemFile& demo) {
  std::vector<std::string> labels;
  for (const BlockPtr& block : demo.Blocks) {
    std::string label;
    for (std::size_t i = 0; i < block->Count(); ++i) {
      const std::string_view line = (*block)[i];
      if (line.rfind(" print \"", 0) == 0 && line.size() >= 10) {
        label = std::string(line.substr(8, line.size() - 10));
        break;
      }
    }
    labels.push_back(label);
  }
  return labels;
}

// The time lines of the blocks from index 1 on, in list order.
inline std::vector<std::string> TimeLinesOf(const TDemFile& demo) {
  std::vector<std::string> times;
  for (std::size_t b = 1; b < demo.Blocks.size(); ++b) {
    const Block& block = *demo.Blocks[b];
    for (std::size_t i = 0; i < block.Count() && i < 4; ++i) {
      if (block[i].rfind(" time", 0) == 0) times.emplace_back(block[i]);
    }
  }
  return times;
}

// The dump text the demo saves as.
inline std::string DumpOf(const TDemFile& demo) {
  TempDir dir;
  WriteDump(demo, dir.File("dump.txt"));
  return ReadFile(dir.File("dump.txt"));
}

// Reverse with `step` blocks per frame, as chosen at that zoom.
inline EditStep::Function ReverseAt(std::int32_t step) {
  return [step](StripEdit& edit) { ReverseBlocks(edit, step); };
}

// A strip with its own preview folder and a history of kept steps.
class EditHarness {
 public:
  explicit EditHarness(TDemFile demo, char letter = 'F') : strip(StripHolding(std::move(demo), letter)) {
    settings.previewpath = folder.Path();
  }

  // Runs a command as the window does: kept when it changed the demo.
  bool Run(const std::string& name, EditStep::Function edit) {
    auto step = std::make_unique<EditStep>(name, std::move(edit));
    const bool changed = step->Do(strip, settings, feedback);
    if (changed) done.push_back(std::move(step));
    return changed;
  }
  void Undo() {
    SilentFeedback silent;
    done.back()->Undo(strip, settings, silent);
    undone.push_back(std::move(done.back()));
    done.pop_back();
  }
  void Redo() {
    SilentFeedback silent;
    undone.back()->Redo(strip, settings, silent);
    done.push_back(std::move(undone.back()));
    undone.pop_back();
  }
  void Thumbnail(std::int64_t block) { WriteThumbnail(settings, strip.letter, block); }
  std::string ThumbnailAt(std::int64_t block) const { return ThumbnailOf(settings, strip.letter, block); }

  TempDir folder;
  Settings settings;
  StripState strip;
  RecordingFeedback feedback;
  std::vector<std::unique_ptr<EditStep>> done;
  std::vector<std::unique_ptr<EditStep>> undone;
};

}  // namespace clipvex::test
