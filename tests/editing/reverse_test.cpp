#include "editing/reverse.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "editingtesthelpers.h"
#include "support/fixturedemo.h"

namespace clipvex {
namespace {

using test::EditHarness;
using test::Labels;
using test::MakeDemo;
using test::TimeLinesOf;
using Strings = std::vector<std::string>;

// The duration comment of each block from `first` to `last`.
Strings Durations(const TDemFile& demo, std::size_t first, std::size_t last) {
  Strings durations;
  for (std::size_t b = first; b <= last; ++b) durations.emplace_back(demo.Blocks[b]->Last());
  return durations;
}

TEST(Reverse, TurnsTheStretchAroundWhileTheTimesStayInOrder) {
  EditHarness h(MakeDemo(8));  // B4 to B11, closing 12
  h.strip.step = 1;
  h.strip.inMark = 5;
  h.strip.outMark = 8;
  const Strings times = TimeLinesOf(h.strip.demo);
  const Strings durations = Durations(h.strip.demo, 5, 8);
  EXPECT_TRUE(h.Run("Reverse", test::ReverseAt(h.strip.step)));
  EXPECT_EQ(h.feedback.words, (Strings{"Reversing Blocks", "Done"}));
  EXPECT_EQ(Labels(h.strip.demo),
            (Strings{"", "L1", "L2", "L3", "B4", "B8", "B7", "B6", "B5", "B9", "B10", "B11", ""}));
  EXPECT_EQ(TimeLinesOf(h.strip.demo), times) << "time lines read in list order stay where they were";
  EXPECT_EQ(Durations(h.strip.demo, 5, 8), (Strings{durations.rbegin(), durations.rend()}))
      << "duration comments move with their blocks";
  EXPECT_EQ(h.strip.outMark, 8);
  EXPECT_EQ(h.strip.inMark, 5);
  EXPECT_FALSE(h.strip.timesRetimed) << "Reverse does not retime";
}

TEST(Reverse, WithoutAnOutMarkRunsToTheLastOrdinaryBlockAndWithStep32EndsAtTheFrameStart) {
  EditHarness h(MakeDemo(5));  // B4 to B8, closing 9
  h.strip.step = 4;
  h.strip.inMark = 6;
  EXPECT_TRUE(h.Run("Reverse", test::ReverseAt(h.strip.step)));
  EXPECT_EQ(Labels(h.strip.demo), (Strings{"", "L1", "L2", "L3", "B4", "B5", "B8", "B7", "B6", ""}));
  EXPECT_EQ(h.strip.outMark, 10 - 3 + 4) << "N - 3 + step";

  EditHarness big(MakeDemo(200));
  big.strip.step = 32;
  big.strip.inMark = 96;
  big.strip.outMark = 131;  // the frame whose group starts at block 100
  EXPECT_TRUE(big.Run("Reverse", test::ReverseAt(big.strip.step)));
  const Strings labels = Labels(big.strip.demo);
  EXPECT_EQ(labels[96], "B100");
  EXPECT_EQ(labels[100], "B96");
  EXPECT_EQ(labels[101], "B101");
  EXPECT_EQ(labels[95], "B95");
  EXPECT_EQ(big.strip.outMark, 131);
}

TEST(Reverse, EmptyAndOneBlockRangesChangeNothingButTheWordsAndTheOutMark) {
  EditHarness h(MakeDemo(5));
  h.strip.step = 1;
  h.strip.inMark = 6;
  h.strip.outMark = 6;
  const std::string before = test::DumpOf(h.strip.demo);
  EXPECT_FALSE(h.Run("Reverse", test::ReverseAt(h.strip.step)));
  EXPECT_EQ(h.feedback.words, (Strings{"Reversing Blocks", "Done"}));
  EXPECT_EQ(test::DumpOf(h.strip.demo), before);

  // An in-mark on the closing block without an out-mark selects nothing;
  // the out-mark is left on N - 3 + step.
  h.strip.inMark = 9;
  h.strip.outMark = kMarkEnd;
  h.strip.step = 2;
  EXPECT_FALSE(h.Run("Reverse", test::ReverseAt(h.strip.step)));
  EXPECT_EQ(test::DumpOf(h.strip.demo), before);
  EXPECT_EQ(h.strip.outMark, 9);

  // With step 32 an out-mark on the first frame's group, below block 35,
  // gives an empty range.
  EditHarness big(MakeDemo(40));
  const std::string bigBefore = test::DumpOf(big.strip.demo);
  big.strip.inMark = 4;
  big.strip.outMark = 20;
  EXPECT_FALSE(big.Run("Reverse", test::ReverseAt(big.strip.step)));
  EXPECT_EQ(test::DumpOf(big.strip.demo), bigBefore);
  EXPECT_EQ(big.strip.outMark, 20);
}

TEST(Reverse, TwiceGivesBackBlocksTimeLinesAndThumbnails) {
  EditHarness h(MakeDemo(9));  // B4 to B12, closing 13
  h.strip.step = 1;
  h.strip.inMark = 5;
  h.strip.outMark = 11;  // odd length: B8 stays in the middle
  for (int i : {5, 6, 8, 9, 13}) h.Thumbnail(i);
  test::WriteFile(h.settings.previewpath + "temp.pcx", "left over");
  const std::string before = test::DumpOf(h.strip.demo);
  EXPECT_TRUE(h.Run("Reverse", test::ReverseAt(h.strip.step)));
  EXPECT_FALSE(test::FileExists(h.settings.previewpath + "temp.pcx"));
  EXPECT_EQ(h.ThumbnailAt(11), "shot of 5");
  EXPECT_EQ(h.ThumbnailAt(10), "shot of 6");
  EXPECT_EQ(h.ThumbnailAt(8), "shot of 8");
  EXPECT_EQ(h.ThumbnailAt(7), "shot of 9");
  EXPECT_EQ(h.ThumbnailAt(5), "");
  EXPECT_EQ(h.ThumbnailAt(6), "");
  EXPECT_EQ(h.ThumbnailAt(9), "");
  EXPECT_EQ(h.ThumbnailAt(13), "shot of 13");
  EXPECT_NE(test::DumpOf(h.strip.demo), before);

  EXPECT_TRUE(h.Run("Reverse", test::ReverseAt(h.strip.step)));
  EXPECT_EQ(test::DumpOf(h.strip.demo), before);
  for (int i : {5, 6, 8, 9, 13}) EXPECT_EQ(h.ThumbnailAt(i), "shot of " + std::to_string(i));
  for (int i : {7, 10, 11}) EXPECT_EQ(h.ThumbnailAt(i), "");
  EXPECT_FALSE(test::FileExists(h.settings.previewpath + "temp.pcx"));
}

// A stretch of a real demo turned around by hand: the blocks in reverse
// order, and the time line texts, read in list order, handed back in that
// order to the blocks that have a time line (the last of lines 0 to 3).
std::vector<Strings> ReversedByHand(const TDemFile& demo, std::size_t first, std::size_t last) {
  std::vector<Strings> blocks;
  Strings times;
  for (std::size_t b = first; b <= last; ++b) {
    blocks.push_back(demo.Blocks[b]->Lines());
    for (std::size_t i = std::min<std::size_t>(4, blocks.back().size()); i-- > 0;) {
      if (blocks.back()[i].substr(1, 4) == "time") {
        times.push_back(blocks.back()[i]);
        break;
      }
    }
  }
  std::reverse(blocks.begin(), blocks.end());
  auto text = times.begin();
  for (Strings& lines : blocks) {
    for (std::size_t i = std::min<std::size_t>(4, lines.size()); i-- > 0;) {
      if (lines[i].substr(1, 4) == "time") {
        lines[i] = *text++;
        break;
      }
    }
  }
  return blocks;
}

// Real stretches: one where every block has a time line (there the result
// is the pairwise exchange of time lines, byte for byte), and ones with
// blocks that have none, whose time lines must not travel with them.
TEST(Reverse, RealStretchesKeepTheirTimesInListOrder) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  const struct {
    const char* fixture;
    std::int32_t first, last;
  } cases[] = {
      {"p666_e1m1_smoothme.dem", 100, 700},
      {"p15_e4m2_id101.dem", 70, 460},
      {"p15_introseq_tf107.dem", 4, 2000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    EditHarness h(test::OpenDemo(c.fixture));
    const std::string before = test::DumpOf(h.strip.demo);
    const Strings times = TimeLinesOf(h.strip.demo);
    const std::vector<Strings> expected = ReversedByHand(h.strip.demo, c.first, c.last);
    h.strip.step = 1;
    h.strip.inMark = c.first;
    h.strip.outMark = c.last;
    ASSERT_TRUE(h.Run("Reverse", test::ReverseAt(1)));
    for (std::size_t b = 0; b < expected.size(); ++b) {
      ASSERT_EQ(h.strip.demo.Blocks[c.first + b]->Lines(), expected[b]) << "block " << c.first + b;
    }
    EXPECT_EQ(TimeLinesOf(h.strip.demo), times);
    h.Undo();
    EXPECT_EQ(test::DumpOf(h.strip.demo), before);
  }
}

TEST(Reverse, ABlockWithoutATimeLineTakesNoneAndTheTimeLineIsTheLastOfLinesZeroToThree) {
  TDemFile demo = MakeDemo(4);  // B4 to B7
  demo.Blocks[4]->Delete(2);    // B4 loses its time line
  demo.Blocks[6]->Insert(1, " time 9.000000000s;");  // B6: time lines at 1 and 3
  // The harness takes the blocks themselves: note what they hold first.
  const Strings lines4 = demo.Blocks[4]->Lines();
  const Strings lines6 = demo.Blocks[6]->Lines();
  const Strings lines7 = demo.Blocks[7]->Lines();
  const std::string time5((*demo.Blocks[5])[2]);
  EditHarness h(std::move(demo));
  h.strip.step = 1;
  h.strip.inMark = 4;
  h.strip.outMark = 7;
  EXPECT_TRUE(h.Run("Reverse", test::ReverseAt(h.strip.step)));
  EXPECT_EQ(Labels(h.strip.demo), (Strings{"", "L1", "L2", "L3", "B7", "B6", "B5", "B4", ""}));
  // The texts of B5's line 2, B6's line 3 and B7's line 2 go to B7, B6 and
  // B5 in that order; B6's earlier time line at 1 stays; B4 takes none.
  EXPECT_EQ((*h.strip.demo.Blocks[4])[2], time5);
  EXPECT_EQ((*h.strip.demo.Blocks[5])[1], " time 9.000000000s;");
  EXPECT_EQ((*h.strip.demo.Blocks[5])[3], lines6[3]);
  EXPECT_EQ((*h.strip.demo.Blocks[6])[2], lines7[2]);
  EXPECT_EQ(h.strip.demo.Blocks[7]->Lines(), lines4);
}

}  // namespace
}  // namespace clipvex
