#include "effects/search.h"

#include <gtest/gtest.h>

#include "effectstesthelpers.h"

namespace clipvex {
namespace {

using test::EditHarness;
using test::MakeDemo;
using Numbers = std::vector<std::int64_t>;

// A clock that never ends a slice, or ends one every `every` blocks.
class CountingClock : public SearchClock {
 public:
  explicit CountingClock(int every = 0) : every_(every) {}
  bool Expired() override { return every_ > 0 && ++calls_ % every_ == 0; }

 private:
  int every_;
  int calls_ = 0;
};

// Runs the search to its end in one go.
void RunOut(SearchSession& session, const BlockList* blocks) {
  CountingClock never;
  session.Advance(blocks, never);
  ASSERT_FALSE(session.Running());
}

Numbers Listed(const SearchSession& session) {
  Numbers numbers;
  for (const SearchResult& result : session.Results()) numbers.push_back(result.gone ? -result.number : result.number);
  return numbers;
}

// A demo whose blocks 7, 9 and 40 hold the word "Quad" in a print line.
TDemFile DemoWithHits() {
  TDemFile demo = MakeDemo(60);
  for (std::size_t b : {7, 9, 40}) demo.Blocks[b]->Insert(3, " print \"Quad Damage\";");
  return demo;
}

TEST(SearchRules, ABlockHoldsAQueryInAnyLineButItsBlockLine) {
  const Block block{"block { Quad", " camera 1 2 3;", " print \"Quad Damage\";", "}", "// 0.05"};
  EXPECT_TRUE(BlockHolds(block, "Quad"));
  EXPECT_TRUE(BlockHolds(block, "// 0.0"));
  EXPECT_TRUE(BlockHolds(block, "}"));
  EXPECT_FALSE(BlockHolds(block, "quad")) << "letter case counts";
  EXPECT_FALSE(BlockHolds(block, "block"));
  EXPECT_FALSE(BlockHolds(block, "3; print")) << "a hit lies within one line";
  EXPECT_EQ(FirstVisibleFor(6, 32), 4);
  EXPECT_EQ(FirstVisibleFor(500, 32), 372);
  EXPECT_EQ(FirstVisibleFor(9, 1), 5);
}

TEST(Search, FindThenFindNextThenTheEnd) {
  const TDemFile demo = DemoWithHits();
  SearchSession s;
  s.Reset(demo.Blocks.size());
  EXPECT_STREQ(s.FindCaption(), "Find");
  EXPECT_EQ(s.ProgressMaximum(), static_cast<std::int32_t>(demo.Blocks.size()) - 1);

  s.PressFind("Quad");
  EXPECT_TRUE(s.Running());
  EXPECT_STREQ(s.FindCaption(), "Stop");
  RunOut(s, &demo.Blocks);
  EXPECT_EQ(Listed(s), Numbers{7});
  EXPECT_STREQ(s.FindCaption(), "Find Next");
  EXPECT_EQ(s.Cursor(), 8);

  s.PressFind("Quad");
  RunOut(s, &demo.Blocks);
  s.PressFind("Quad");
  RunOut(s, &demo.Blocks);
  EXPECT_EQ(Listed(s), (Numbers{7, 9, 40}));

  // Past the last hit: the end, and the button stays disabled until a reset.
  s.PressFind("Quad");
  RunOut(s, &demo.Blocks);
  EXPECT_EQ(Listed(s), (Numbers{7, 9, 40}));
  EXPECT_FALSE(s.FindEnabled());
  EXPECT_STREQ(s.FindCaption(), "Find");
  EXPECT_TRUE(s.Searching());
  s.Reset(demo.Blocks.size());
  EXPECT_TRUE(s.FindEnabled());
  EXPECT_TRUE(s.Results().empty());
  EXPECT_EQ(s.Cursor(), 1);
}

TEST(Search, OtherLetterCaseAnEmptyQueryAndUnmatchableText) {
  const TDemFile demo = DemoWithHits();
  SearchSession s;
  s.Reset(demo.Blocks.size());
  s.PressFind("quad");
  RunOut(s, &demo.Blocks);
  EXPECT_TRUE(s.Results().empty());
  EXPECT_FALSE(s.FindEnabled());

  s.Reset(demo.Blocks.size());
  s.PressFind("");
  EXPECT_FALSE(s.Running());
  EXPECT_STREQ(s.FindCaption(), "Find");
  EXPECT_TRUE(s.FindEnabled());
  s.PressFindAll("");
  EXPECT_FALSE(s.Running());
  EXPECT_TRUE(s.FindAllEnabled());
  EXPECT_TRUE(s.Results().empty());

  s.PressFind("Quad", false);
  RunOut(s, &demo.Blocks);
  EXPECT_TRUE(s.Results().empty()) << "a text no block can hold is found nowhere";
}

TEST(Search, FindAllListsInOrderAndLeavesTheProgressAtItsStart) {
  const TDemFile demo = DemoWithHits();
  SearchSession s;
  s.Reset(demo.Blocks.size());
  s.PressFindAll("Quad");
  EXPECT_FALSE(s.FindAllEnabled());
  // In slices of three blocks, as the window would run it.
  CountingClock slices(3);
  int turns = 0;
  while (s.Running()) {
    s.Advance(&demo.Blocks, slices);
    ++turns;
  }
  EXPECT_GT(turns, 10);
  EXPECT_EQ(Listed(s), (Numbers{7, 9, 40}));
  EXPECT_TRUE(s.FindAllEnabled());
  EXPECT_EQ(s.Progress(), 1);
  EXPECT_FALSE(s.FindEnabled());
}

TEST(Search, ProgressMovesEveryTwentiethAndSmallListsStillSearch) {
  TDemFile demo = MakeDemo(96);  // 101 entries: a step of 5
  demo.Blocks[99]->Insert(3, " print \"last\";");
  SearchSession s;
  s.Reset(demo.Blocks.size());
  EXPECT_EQ(s.ProgressStep(), 5);
  s.PressFind("last");
  CountingClock slices(12);
  s.Advance(&demo.Blocks, slices);
  EXPECT_TRUE(s.Running());
  EXPECT_EQ(s.Progress(), 10);
  RunOut(s, &demo.Blocks);
  EXPECT_EQ(s.Progress(), 95);

  TDemFile tiny = MakeDemo(3);
  tiny.Blocks[5]->Insert(3, " print \"x\";");
  s.Reset(tiny.Blocks.size());
  EXPECT_EQ(s.ProgressStep(), 1);
  s.PressFind("\"x\"");
  RunOut(s, &tiny.Blocks);
  EXPECT_EQ(Listed(s), Numbers{5});
  EXPECT_EQ(s.Progress(), 5);
}

TEST(Search, StopKeepsTheCursorAndAResetEndsTheSearch) {
  const TDemFile demo = DemoWithHits();
  SearchSession s;
  s.Reset(demo.Blocks.size());
  s.PressFind("Quad");
  CountingClock slices(2);
  s.Advance(&demo.Blocks, slices);  // blocks 1 and 2
  ASSERT_TRUE(s.Running());
  s.PressFind("ignored while it stops");
  EXPECT_FALSE(s.Running());
  EXPECT_STREQ(s.FindCaption(), "Find");
  EXPECT_EQ(s.Cursor(), 1) << "the stopped stretch is searched again";
  EXPECT_TRUE(s.Results().empty());

  // Find All stopped: it ends, and its button comes back.
  s.PressFindAll("Quad");
  s.Advance(&demo.Blocks, slices);
  s.PressFind("Quad");
  EXPECT_FALSE(s.Running());
  EXPECT_TRUE(s.FindAllEnabled());
  EXPECT_EQ(s.Progress(), 1);

  // A reset (the query typed on) in the middle of Find All.
  s.PressFindAll("Quad");
  s.Advance(&demo.Blocks, slices);
  s.Reset(demo.Blocks.size());
  EXPECT_FALSE(s.Running());
  EXPECT_TRUE(s.FindAllEnabled());
  EXPECT_TRUE(s.Results().empty());

  // The demo gone in the middle of a search.
  s.PressFind("Quad");
  s.Advance(&demo.Blocks, slices);
  s.Advance(nullptr, slices);
  EXPECT_FALSE(s.Running());
}

TEST(Search, FindAllDuringAFindTakesItOverFromTheSameCursor) {
  const TDemFile demo = DemoWithHits();
  SearchSession s;
  s.Reset(demo.Blocks.size());
  s.PressFind("Quad");
  CountingClock slices(4);
  s.Advance(&demo.Blocks, slices);
  s.PressFindAll("Quad");
  RunOut(s, &demo.Blocks);
  EXPECT_EQ(Listed(s), (Numbers{7, 9, 40}));
}

TEST(Search, TheDemoChangingDuringASearchIsSearchedAsItStands) {
  EditHarness h(DemoWithHits());
  SearchSession s;
  s.Reset(h.strip.demo.Blocks.size());
  s.PressFindAll("Quad");
  CountingClock slices(5);
  s.Advance(&h.strip.demo.Blocks, slices);
  s.Advance(&h.strip.demo.Blocks, slices);
  ASSERT_EQ(Listed(s), (Numbers{7, 9}));
  // Blocks 20 to 59 deleted meanwhile: block 40 with them.
  h.strip.inMark = 20;
  h.strip.outMark = 59;
  ASSERT_TRUE(h.Run("Delete", DeleteBlocks));
  RunOut(s, &h.strip.demo.Blocks);
  EXPECT_EQ(Listed(s), (Numbers{7, 9}));
}

TEST(SearchResults, FollowTheirBlocksOrAreDroppedNeverUsedWhenGone) {
  EditHarness h(DemoWithHits());
  SearchSession s;
  s.Reset(h.strip.demo.Blocks.size());
  s.PressFindAll("Quad");
  RunOut(s, &h.strip.demo.Blocks);
  ASSERT_EQ(Listed(s), (Numbers{7, 9, 40}));
  const std::weak_ptr<Block> block40 = h.strip.demo.Blocks[40];

  // Blocks pasted in front: each result follows its block.
  h.strip.inMark = 4;
  h.strip.outMark = 5;
  SilentFeedback silent;
  const ClipboardPtr clip = CopyBlocks(h.strip, silent);
  h.strip.inMark = 8;
  ASSERT_TRUE(h.Run("Paste", [clip](StripEdit& e) { PasteBlocks(e, *clip); }));
  EXPECT_TRUE(s.Follow(&h.strip.demo.Blocks));
  EXPECT_EQ(Listed(s), (Numbers{7, 11, 42}));
  EXPECT_FALSE(s.Follow(&h.strip.demo.Blocks)) << "nothing moved since";

  // Block 42 deleted: its result is gone, though the undo history keeps
  // the block alive.
  h.strip.inMark = 42;
  h.strip.outMark = 42;
  ASSERT_TRUE(h.Run("Delete", DeleteBlocks));
  EXPECT_FALSE(block40.expired());
  s.Follow(&h.strip.demo.Blocks);
  EXPECT_EQ(Listed(s), (Numbers{7, 11, -42}));
  // Undone: it is back, listed again.
  h.Undo();
  s.Follow(&h.strip.demo.Blocks);
  EXPECT_EQ(Listed(s), (Numbers{7, 11, 42}));

  // A click on a result re-resolves it; on one whose block left, it drops
  // the entry and gives nothing to touch.
  h.Redo();
  EXPECT_EQ(s.Pick(1, &h.strip.demo.Blocks), std::optional<std::size_t>(11));
  EXPECT_EQ(s.Pick(2, &h.strip.demo.Blocks), std::nullopt);
  EXPECT_EQ(Listed(s), (Numbers{7, 11}));
  EXPECT_EQ(s.Pick(5, &h.strip.demo.Blocks), std::nullopt) << "no such entry";

  // The demo closed: every result is gone and a click touches nothing.
  h.done.clear();
  h.undone.clear();
  h.strip.demo = TDemFile{};
  EXPECT_TRUE(block40.expired());
  s.Follow(nullptr);
  EXPECT_EQ(Listed(s), (Numbers{-7, -11}));
  EXPECT_EQ(s.Pick(0, nullptr), std::nullopt);
  EXPECT_EQ(s.Pick(0, &h.strip.demo.Blocks), std::nullopt);
  EXPECT_TRUE(s.Results().empty());
}

}  // namespace
}  // namespace clipvex
