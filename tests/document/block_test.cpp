#include "document/block.h"

#include <gtest/gtest.h>

#include "document/error.h"

namespace clipvex {
namespace {

TEST(Block, ListOperationsKeepEveryLineIntact) {
  Block b{"block {", " camera 0 0 0;", "}"};
  b.Insert(2, " print \"a\";");
  b.Insert(0, "");
  b.Add("// 0.05");
  b.Put(1, "block { -- changed");
  b.Delete(3);
  EXPECT_EQ(b.Lines(), (std::vector<std::string>{"", "block { -- changed", " camera 0 0 0;", "}", "// 0.05"}));
  b.Put(0, std::string("\0\xff\x01", 3));
  EXPECT_EQ(b[0], std::string_view("\0\xff\x01", 3));
  EXPECT_EQ(b.Last(), "// 0.05");
  b.Insert(b.Count(), "end");
  EXPECT_EQ(b.Last(), "end");
  EXPECT_EQ(b.Count(), 6u);
}

TEST(Block, OutOfRangeRaisesTheListError) {
  Block b{"one"};
  EXPECT_THROW(b[1], ClipvexError);
  EXPECT_THROW(b.Insert(2, "x"), ClipvexError);
  EXPECT_THROW(b.Put(1, "x"), ClipvexError);
  EXPECT_THROW(b.Delete(5), ClipvexError);
  Block empty;
  try {
    empty.Last();
    FAIL();
  } catch (const ClipvexError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds");
  }
  EXPECT_EQ(b.Lines(), std::vector<std::string>{"one"});
}

TEST(Block, CopiesAreIndependent) {
  Block b{"a", "b"};
  BlockPtr copy = CopyBlock(b);
  copy->Put(0, "changed");
  EXPECT_EQ(b[0], "a");
  EXPECT_FALSE(*copy == b);
}

}  // namespace
}  // namespace clipvex
