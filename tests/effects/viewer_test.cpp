#include "effects/viewer.h"

#include <gtest/gtest.h>

#include "effects/blockref.h"
#include "effectstesthelpers.h"

namespace clipvex {
namespace {

TEST(ViewerRules, StepsStopAtTheEndsAndTheScrollWrapsToBlockFour) {
  EXPECT_EQ(PrevBlock(0), 0);
  EXPECT_EQ(PrevBlock(1), 0);
  EXPECT_EQ(PrevBlock(57), 56);
  EXPECT_EQ(NextBlock(57, 100), 58);
  EXPECT_EQ(NextBlock(99, 100), 99) << "the last block stays";
  EXPECT_EQ(NextBlock(150, 100), 99) << "a demo that became shorter";
  EXPECT_EQ(ScrollNext(98, 100), 99);
  EXPECT_EQ(ScrollNext(99, 100), 4) << "past the last block: the first ordinary one";
  EXPECT_EQ(ScrollNext(0, 100), 1) << "block 0 scrolls on like any other";
  EXPECT_EQ(ScrollNext(3, 4), 3) << "a demo without ordinary blocks stays at its last";
  EXPECT_EQ(ScrollNext(5, 0), 0);
  EXPECT_EQ(ShownBlock(7, 100), 7);
  EXPECT_EQ(ShownBlock(170, 100), 99);
  EXPECT_EQ(ShownBlock(-3, 100), 0);
  EXPECT_EQ(ShownBlock(7, 0), -1);
}

TEST(BlockRefs, ResolveByIdentityNeverByPlace) {
  TDemFile demo = test::MakeDemo(10);
  BlockRef ref = RefTo(demo.Blocks, 6);
  EXPECT_EQ(Resolve(ref, demo.Blocks), std::optional<std::size_t>(6));
  // Moved: found again, and the hint follows.
  demo.Blocks.insert(demo.Blocks.begin() + 5, test::LabelledBlock("new"));
  EXPECT_EQ(Resolve(ref, demo.Blocks), std::optional<std::size_t>(7));
  EXPECT_EQ(ref.hint, 7u);
  // Taken out but alive elsewhere (as in an undo history): not in the demo.
  const BlockPtr kept = demo.Blocks[7];
  demo.Blocks.erase(demo.Blocks.begin() + 7);
  EXPECT_EQ(Resolve(ref, demo.Blocks), std::nullopt);
  // Replaced by an equal copy at its place: still not the same block.
  demo.Blocks.insert(demo.Blocks.begin() + 7, CopyBlock(*kept));
  EXPECT_EQ(Resolve(ref, demo.Blocks), std::nullopt);
  EXPECT_TRUE(ref.Same(BlockRef{kept, 0}));
  EXPECT_FALSE(ref.Same(RefTo(demo.Blocks, 7)));
  EXPECT_TRUE(RefTo(demo.Blocks, 99).Empty());
}

TEST(BlockRefs, TextOfABlockAndBack) {
  const Block block{"block {", "", " print \"a\";", "}", "// 0.05"};
  EXPECT_EQ(BlockText(block), "block {\n\n print \"a\";\n}\n// 0.05");
  EXPECT_EQ(BlockFromText(BlockText(block)), block);
  EXPECT_EQ(BlockFromText("one\ntwo\n").Lines(), (std::vector<std::string>{"one", "two", ""}));
  EXPECT_EQ(BlockFromText("").Count(), 0u);
  EXPECT_EQ(BlockText(Block{}), "");
  EXPECT_EQ(BlockEditName(123), "Edit Block 123");
}

}  // namespace
}  // namespace clipvex
