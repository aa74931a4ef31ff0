#include "strip/thumbfiles.h"

#include <gtest/gtest.h>

#include "strip/striptesthelpers.h"

namespace clipvex {
namespace {

using test::FileExists;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

class ThumbnailFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { settings_.previewpath = dir_.Path(); }
  void Shot(std::int64_t block) { test::WriteThumbnail(settings_, 'F', block); }
  std::string At(std::int64_t block) const { return test::ThumbnailOf(settings_, 'F', block); }

  TempDir dir_;
  Settings settings_;
};

TEST_F(ThumbnailFilesTest, ASpliceDeletesTheRemovedAndMovesTheRestToFreeNames) {
  for (int i : {4, 5, 6, 8, 9, 30}) Shot(i);  // 30 lies past the end of a 10-entry list
  // Files that are not this strip's thumbnails stay where they are.
  for (const char* name : {"M6.pcx", "F06.pcx", "f6.pcx", "F6.PCX", "F-1.pcx", "F6.pcx.bak", "quake00.pcx"}) {
    WriteFile(dir_.File(name), name);
  }
  ThumbnailFiles thumbs(dir_.Path(), 'F');
  thumbs.Splice(5, 2, 0, 10);  // blocks 5 and 6 taken out
  EXPECT_EQ(At(4), "shot of 4");
  EXPECT_EQ(At(5), "");
  EXPECT_EQ(At(6), "shot of 8");
  EXPECT_EQ(At(7), "shot of 9");
  EXPECT_EQ(At(8), "");
  EXPECT_EQ(At(9), "");
  EXPECT_EQ(At(30), "shot of 30");
  EXPECT_EQ(thumbs.Indices(), (std::vector<std::int64_t>{4, 6, 7, 30}));

  // Four blocks come in at 5 of the 8 entries now left: the files move up,
  // the highest first, and a file past the end that has a name wanted is
  // deleted first.
  Shot(11);
  ThumbnailFiles again(dir_.Path(), 'F');
  again.Splice(5, 0, 4, 8);
  EXPECT_EQ(At(4), "shot of 4");
  for (int i = 5; i <= 9; ++i) EXPECT_EQ(At(i), "") << i;
  EXPECT_EQ(At(10), "shot of 8");
  EXPECT_EQ(At(11), "shot of 9");
  EXPECT_EQ(At(30), "shot of 30");

  // Replacing blocks one for one keeps the rest where it is.
  again.Splice(10, 1, 1, 12);
  EXPECT_EQ(At(10), "");
  EXPECT_EQ(At(11), "shot of 9");

  for (const char* name : {"M6.pcx", "F06.pcx", "f6.pcx", "F6.PCX", "F-1.pcx", "F6.pcx.bak", "quake00.pcx"}) {
    EXPECT_EQ(ReadFile(dir_.File(name)), name);
  }
}

TEST_F(ThumbnailFilesTest, AFileThatTurnsUpInTheWayIsNeverReplaced) {
  Shot(4);
  ThumbnailFiles thumbs(dir_.Path(), 'F');
  ASSERT_EQ(thumbs.Indices(), std::vector<std::int64_t>{4});
  // A file the listing did not see takes the name a move wants.
  WriteFile(dir_.File("F6.pcx"), "newer");
  thumbs.Splice(4, 0, 2, 8);
  EXPECT_EQ(At(4), "shot of 4") << "the move failed and left both files";
  EXPECT_EQ(ReadFile(dir_.File("F6.pcx")), "newer");

  EXPECT_FALSE(RenameNoReplace(dir_.File("F4.pcx"), dir_.File("F6.pcx")));
  EXPECT_TRUE(RenameNoReplace(dir_.File("F4.pcx"), dir_.File("F5.pcx")));
  EXPECT_FALSE(FileExists(dir_.File("F4.pcx")));
  EXPECT_EQ(At(5), "shot of 4");
  EXPECT_FALSE(RenameNoReplace(dir_.File("F4.pcx"), dir_.File("F7.pcx")));
}

TEST_F(ThumbnailFilesTest, AReverseSwapsPairsThroughTheSwapFile) {
  for (int i : {4, 5, 7, 9, 12}) Shot(i);
  ThumbnailFiles thumbs(dir_.Path(), 'F');
  thumbs.Reverse(4, 10);  // pairs (4,10) (5,9) (6,8), 7 in the middle
  EXPECT_EQ(At(10), "shot of 4");
  EXPECT_EQ(At(4), "");
  EXPECT_EQ(At(9), "shot of 5");
  EXPECT_EQ(At(5), "shot of 9");
  EXPECT_EQ(At(7), "shot of 7");
  EXPECT_EQ(At(12), "shot of 12");
  EXPECT_FALSE(FileExists(dir_.File("temp.pcx")));
  EXPECT_EQ(thumbs.Indices(), (std::vector<std::int64_t>{5, 7, 9, 10, 12}));

  WriteFile(dir_.File("temp.pcx"), "stale");
  thumbs.DeleteSwapFile();
  EXPECT_FALSE(FileExists(dir_.File("temp.pcx")));

  // Without a folder there is nothing to move, and nothing fails.
  ThumbnailFiles none("", 'F');
  none.Splice(4, 1, 3, 10);
  none.Reverse(4, 9);
  none.DeleteSwapFile();
  EXPECT_TRUE(none.Indices().empty());
}

}  // namespace
}  // namespace clipvex
