#include "editing/clipboard.h"

#include <gtest/gtest.h>

#include "editing/stuff.h"
#include "editingtesthelpers.h"

namespace clipvex {
namespace {

using test::EditHarness;
using test::Labels;
using test::MakeDemo;
using test::StripHolding;
using Words = std::vector<std::string>;
using Strings = std::vector<std::string>;

ClipboardPtr Copy(StripState& strip, std::int32_t in, std::int32_t out) {
  strip.inMark = in;
  strip.outMark = out;
  SilentFeedback silent;
  return CopyBlocks(strip, silent);
}

TEST(Copy, WithoutAnOutMarkTakesEverythingToTheLastOrdinaryBlockAsDeepCopies) {
  StripState source = StripHolding(MakeDemo(5), 'M');  // entries 0 to 9, closing block 9
  source.inMark = 7;
  test::RecordingFeedback feedback;
  const ClipboardPtr clip = CopyBlocks(source, feedback);
  ASSERT_NE(clip, nullptr);
  EXPECT_EQ(feedback.words, (Words{"Copying Blocks", "Done"}));
  EXPECT_EQ(source.outMark, 8) << "the clamped out-mark is stored";
  EXPECT_EQ(source.inMark, 7);
  EXPECT_EQ(clip->clip_header, "track -1;");
  ASSERT_EQ(clip->clip_list.size(), 6u);
  EXPECT_EQ(clip->CopiedBlocks(), 2u);
  EXPECT_EQ(clip->clip_list[0]->Lines(), Strings{"track -1;"});
  for (std::size_t i = 1; i <= 3; ++i) EXPECT_EQ(*clip->clip_list[i], *source.demo.Blocks[i]);
  EXPECT_EQ(*clip->clip_list[4], *source.demo.Blocks[7]);
  EXPECT_EQ(*clip->clip_list[5], *source.demo.Blocks[8]);

  // Deep copies: a later change of the source does not reach the clipboard.
  EXPECT_NE(clip->clip_list[4].get(), source.demo.Blocks[7].get());
  source.demo.Blocks[7]->Put(3, " print \"changed\";");
  source.demo.Blocks[2]->Put(3, " print \"changed\";");
  EXPECT_EQ((*clip->clip_list[4])[3], " print \"B7\";");
  EXPECT_EQ((*clip->clip_list[2])[3], " print \"L2\";");

  // An out-mark inside the list stays as it is; one past the end is clamped.
  EXPECT_EQ(Copy(source, 5, 6)->CopiedBlocks(), 2u);
  EXPECT_EQ(source.outMark, 6);
  Copy(source, 5, 9);
  EXPECT_EQ(source.outMark, 8);
}

TEST(Copy, InMarkAfterOutMarkGivesTheFourEntryClipboardAndNothingWithoutADemo) {
  StripState source = StripHolding(MakeDemo(6), 'M');
  const ClipboardPtr clip = Copy(source, 8, 6);
  ASSERT_NE(clip, nullptr);
  EXPECT_EQ(clip->clip_list.size(), 4u);
  EXPECT_EQ(clip->CopiedBlocks(), 0u);

  StripState empty('F');
  test::RecordingFeedback feedback;
  empty.outMark = 7;
  EXPECT_EQ(CopyBlocks(empty, feedback), nullptr);
  EXPECT_TRUE(feedback.words.empty());
  EXPECT_EQ(empty.outMark, 7);
}

TEST(Delete, TakesOutTheSelectionAndMovesTheThumbnailsDown) {
  // Ten entries (0 to 9): blocks 5 and 6 go.
  EditHarness h(MakeDemo(5));
  ASSERT_EQ(h.strip.Entries(), 10);
  for (int i = 0; i <= 9; ++i) h.Thumbnail(i);
  test::WriteFile(h.settings.previewpath + "M7.pcx", "the other strip's");
  h.strip.inMark = 5;
  h.strip.outMark = 6;
  EXPECT_TRUE(h.Run("Delete", DeleteBlocks));
  EXPECT_EQ(h.feedback.words, (Words{"Deleting Blocks", "Done"}));
  EXPECT_EQ(Labels(h.strip.demo), (Strings{"", "L1", "L2", "L3", "B4", "B7", "B8", ""}));
  EXPECT_EQ(h.strip.inMark, kMarkStart);
  EXPECT_EQ(h.strip.outMark, kMarkEnd);
  for (int i = 0; i <= 4; ++i) EXPECT_EQ(h.ThumbnailAt(i), "shot of " + std::to_string(i));
  EXPECT_EQ(h.ThumbnailAt(5), "shot of 7");
  EXPECT_EQ(h.ThumbnailAt(6), "shot of 8");
  EXPECT_EQ(h.ThumbnailAt(7), "shot of 9");
  EXPECT_EQ(h.ThumbnailAt(8), "");
  EXPECT_EQ(h.ThumbnailAt(9), "");
  EXPECT_EQ(test::ReadFile(h.settings.previewpath + "M7.pcx"), "the other strip's");
  EXPECT_FALSE(h.strip.timesRetimed) << "Delete does not retime";
}

TEST(Delete, NoOutMarkStopsBeforeTheClosingBlockAndAnEmptySelectionRemovesNothing) {
  EditHarness h(MakeDemo(5));
  h.strip.inMark = 7;
  EXPECT_TRUE(h.Run("Delete", DeleteBlocks));
  EXPECT_EQ(Labels(h.strip.demo), (Strings{"", "L1", "L2", "L3", "B4", "B5", "B6", ""}));

  for (int i = 4; i <= 7; ++i) h.Thumbnail(i);
  h.feedback.words.clear();
  h.strip.inMark = 6;
  h.strip.outMark = 5;
  EXPECT_FALSE(h.Run("Delete", DeleteBlocks)) << "nothing removed: no step";
  EXPECT_EQ(h.feedback.words, (Words{"Deleting Blocks", "Done"}));
  EXPECT_EQ(h.strip.Entries(), 8);
  for (int i = 4; i <= 7; ++i) EXPECT_EQ(h.ThumbnailAt(i), "shot of " + std::to_string(i));
  EXPECT_EQ(h.strip.inMark, kMarkStart);
  EXPECT_EQ(h.strip.outMark, kMarkEnd);
}

TEST(Paste, GoesInFrontOfTheInMarkTakesTheLeadingBlocksMovesThumbnailsAndRetimes) {
  StripState source = StripHolding(MakeDemo(6, "S", "track 7;"), 'M');
  const ClipboardPtr clip = Copy(source, 5, 7);  // S5 S6 S7
  EditHarness h(MakeDemo(4));  // entries 0 to 8
  for (int i = 4; i <= 8; ++i) h.Thumbnail(i);
  h.strip.inMark = 6;
  h.strip.outMark = 7;
  h.strip.timesRetimed = false;
  EXPECT_TRUE(h.Run("Paste", [clip](StripEdit& e) { PasteBlocks(e, *clip); }));
  EXPECT_EQ(h.feedback.words, (Words{"Pasting Blocks", "Retiming File", "Done"}));
  EXPECT_EQ(Labels(h.strip.demo), (Strings{"", "SL1", "SL2", "SL3", "B4", "B5", "S5", "S6", "S7", "B6", "B7", ""}));
  EXPECT_EQ(h.strip.demo.Header, "track 7;");
  EXPECT_EQ(h.strip.demo.Blocks[0]->Lines(), Strings{"track -1;"}) << "the header entry keeps its line";
  EXPECT_EQ(h.strip.inMark, 6) << "the in-mark now points at the first pasted block";
  EXPECT_EQ(h.strip.outMark, 7);
  EXPECT_EQ(h.ThumbnailAt(4), "shot of 4");
  EXPECT_EQ(h.ThumbnailAt(5), "shot of 5");
  for (int i = 6; i <= 8; ++i) EXPECT_EQ(h.ThumbnailAt(i), "") << i;
  EXPECT_EQ(h.ThumbnailAt(9), "shot of 6");
  EXPECT_EQ(h.ThumbnailAt(11), "shot of 8");
  // Retimed: the time lines are what RetimeDemo gives.
  TDemFile again = h.strip.demo;
  for (BlockPtr& block : again.Blocks) block = CopyBlock(*block);
  RetimeDemo(again);
  EXPECT_EQ(test::TimeLinesOf(again), test::TimeLinesOf(h.strip.demo));
  EXPECT_TRUE(h.strip.timesRetimed);
  EXPECT_EQ(test::TimeLinesOf(h.strip.demo)[1], " time 0.100000000s;");

  // The pasted blocks are the demo's own; the clipboard stays as it was.
  EXPECT_NE(h.strip.demo.Blocks[6].get(), clip->clip_list[4].get());
  EXPECT_EQ((*clip->clip_list[4])[3], " print \"S5\";");
}

TEST(Paste, AFourEntryClipboardOnlyReplacesTheHeadAndAnInMarkPastTheEndPastesBeforeTheClosingBlock) {
  StripState source = StripHolding(MakeDemo(3, "S", "track 3;"), 'M');
  const ClipboardPtr empty = Copy(source, 6, 5);
  EditHarness h(MakeDemo(2));
  for (int i = 4; i <= 6; ++i) h.Thumbnail(i);
  h.strip.timesRetimed = false;
  EXPECT_TRUE(h.Run("Paste", [empty](StripEdit& e) { PasteBlocks(e, *empty); }));
  EXPECT_EQ(h.feedback.words, (Words{"Pasting Blocks", "Retiming File", "Done"}));
  EXPECT_EQ(Labels(h.strip.demo), (Strings{"", "SL1", "SL2", "SL3", "B4", "B5", ""}));
  EXPECT_EQ(h.strip.demo.Header, "track 3;");
  for (int i = 4; i <= 6; ++i) EXPECT_EQ(h.ThumbnailAt(i), "shot of " + std::to_string(i));

  const ClipboardPtr two = Copy(source, 4, 5);
  h.strip.inMark = 40;  // on an empty frame past the end
  EXPECT_TRUE(h.Run("Paste", [two](StripEdit& e) { PasteBlocks(e, *two); }));
  EXPECT_EQ(Labels(h.strip.demo), (Strings{"", "SL1", "SL2", "SL3", "B4", "B5", "S4", "S5", ""}));
  EXPECT_EQ(h.ThumbnailAt(8), "shot of 6") << "the closing block's thumbnail moves up";
  EXPECT_EQ(h.strip.inMark, 40);
}

TEST(Paste, IntoANewDemoFillsItsPlaceholdersAndTwoPastesAreIndependentCopies) {
  StripState source = StripHolding(MakeDemo(5, "S", "track 9;"), 'M');
  const ClipboardPtr clip = Copy(source, 5, 6);
  TDemFile fresh;
  MakeNewDemo(fresh);
  EditHarness h(fresh);
  EXPECT_TRUE(h.Run("Paste", [clip](StripEdit& e) { PasteBlocks(e, *clip); }));
  EXPECT_EQ(Labels(h.strip.demo), (Strings{"", "SL1", "SL2", "SL3", "S5", "S6", ""}));
  EXPECT_EQ(h.strip.demo.Blocks[0]->Lines(), Strings{""});
  EXPECT_EQ(h.strip.demo.Header, "track 9;");
  EXPECT_EQ(h.strip.demo.Blocks[6]->Lines(),
            (Strings{"block {", " camera 0.000000000 0.000000000 0.000000000;", " disconnect;", "}"}));

  // A second paste in front of the first copy, then an insertion into the
  // first copy: the second copy and the clipboard do not change.
  EXPECT_TRUE(h.Run("Paste", [clip](StripEdit& e) { PasteBlocks(e, *clip); }));
  EXPECT_EQ(Labels(h.strip.demo), (Strings{"", "SL1", "SL2", "SL3", "S5", "S6", "S5", "S6", ""}));
  h.strip.inMark = 6;
  EXPECT_TRUE(h.Run("Insert", [](StripEdit& e) { InsertText(e, " print \"hello\\n\";"); }));
  EXPECT_EQ((*h.strip.demo.Blocks[6])[3], " print \"hello\\n\";");
  EXPECT_EQ(h.strip.demo.Blocks[4]->Count(), clip->clip_list[4]->Count());
  EXPECT_EQ(clip->clip_list[4]->Count(), 6u);
}

TEST(Paste, CutThenPasteAtEndMovesAStretchIntoTheOtherStrip) {
  EditHarness source(MakeDemo(6, "S", "track 4;"), 'M');
  source.strip.inMark = 6;
  source.strip.outMark = 7;
  SilentFeedback silent;
  const ClipboardPtr clip = CopyBlocks(source.strip, silent);
  EXPECT_TRUE(source.Run("Cut", DeleteBlocks));
  EXPECT_EQ(Labels(source.strip.demo), (Strings{"", "SL1", "SL2", "SL3", "S4", "S5", "S8", "S9", ""}));

  EditHarness target(MakeDemo(3));  // entries 0 to 7
  target.Thumbnail(7);
  target.strip.inMark = 5;
  EXPECT_TRUE(target.Run("Paste at End", [clip](StripEdit& e) { PasteBlocksAtEnd(e, *clip); }));
  EXPECT_EQ(target.feedback.words, (Words{"Pasting Blocks", "Retiming File", "Done"}));
  EXPECT_EQ(Labels(target.strip.demo), (Strings{"", "SL1", "SL2", "SL3", "B4", "B5", "B6", "S6", "S7", ""}));
  EXPECT_EQ(target.strip.demo.Header, "track 4;");
  EXPECT_EQ(target.strip.inMark, 5) << "Paste at End keeps the in-mark";
  EXPECT_EQ(target.ThumbnailAt(7), "");
  EXPECT_EQ(target.ThumbnailAt(9), "shot of 7");
}

TEST(PasteNewLevel, AppendsTheCopiedLeadingBlocksAndBlocksBeforeTheClosingBlock) {
  StripState source = StripHolding(MakeDemo(4, "S", "track 5;"), 'M');
  const ClipboardPtr empty = Copy(source, 7, 6);
  EditHarness h(MakeDemo(2));  // entries 0 to 6
  h.Thumbnail(6);
  h.Thumbnail(5);
  h.strip.inMark = 5;
  h.strip.outMark = 5;
  EXPECT_TRUE(h.Run("Paste New Level", [empty](StripEdit& e) { PasteNewLevel(e, *empty); }));
  EXPECT_EQ(h.feedback.words, (Words{"Pasting Blocks", "Retiming File", "Done"}));
  EXPECT_EQ(Labels(h.strip.demo), (Strings{"", "L1", "L2", "L3", "B4", "B5", "SL1", "SL2", "SL3", ""}));
  EXPECT_EQ(h.strip.demo.Header, "track 5;");
  EXPECT_EQ(h.ThumbnailAt(5), "shot of 5");
  EXPECT_EQ(h.ThumbnailAt(6), "");
  EXPECT_EQ(h.ThumbnailAt(9), "shot of 6");
  EXPECT_EQ(h.strip.inMark, 5);
  EXPECT_EQ(h.strip.outMark, 5);
  // The appended level starts with the console reset line of its source.
  EXPECT_EQ((*h.strip.demo.Blocks[8])[3], kConsoleResetLine);

  const ClipboardPtr two = Copy(source, 5, 6);
  EXPECT_TRUE(h.Run("Paste New Level", [two](StripEdit& e) { PasteNewLevel(e, *two); }));
  EXPECT_TRUE(h.Run("Paste New Level", [two](StripEdit& e) { PasteNewLevel(e, *two); }));
  EXPECT_EQ(Labels(h.strip.demo), (Strings{"", "L1", "L2", "L3", "B4", "B5", "SL1", "SL2", "SL3", "SL1", "SL2",
                                           "SL3", "S5", "S6", "SL1", "SL2", "SL3", "S5", "S6", ""}));
  EXPECT_EQ(h.ThumbnailAt(19), "shot of 6");
}

TEST(Commands, WithoutADemoDoNothingButSelectAllStillResetsTheMarks) {
  StripState source = StripHolding(MakeDemo(3), 'M');
  const ClipboardPtr clip = Copy(source, 4, 5);
  EditHarness h(TDemFile{});
  h.strip.fileName.clear();
  h.Thumbnail(4);
  h.strip.inMark = 9;
  h.strip.outMark = 12;
  EXPECT_FALSE(h.Run("Delete", DeleteBlocks));
  EXPECT_FALSE(h.Run("Paste", [clip](StripEdit& e) { PasteBlocks(e, *clip); }));
  EXPECT_FALSE(h.Run("Paste at End", [clip](StripEdit& e) { PasteBlocksAtEnd(e, *clip); }));
  EXPECT_FALSE(h.Run("Paste New Level", [clip](StripEdit& e) { PasteNewLevel(e, *clip); }));
  EXPECT_TRUE(h.feedback.words.empty());
  EXPECT_EQ(h.strip.inMark, 9);
  EXPECT_EQ(h.strip.outMark, 12);
  EXPECT_EQ(h.ThumbnailAt(4), "shot of 4");
  EXPECT_TRUE(h.strip.demo.Blocks.empty());
  SelectAll(h.strip);
  EXPECT_EQ(h.strip.inMark, kMarkStart);
  EXPECT_EQ(h.strip.outMark, kMarkEnd);
}

}  // namespace
}  // namespace clipvex
