#include "editing/editstep.h"

#include <gtest/gtest.h>

#include "document/error.h"
#include "editing/clipboard.h"
#include "editing/reverse.h"
#include "editing/stuff.h"
#include "editingtesthelpers.h"

namespace clipvex {
namespace {

using test::DumpOf;
using test::EditHarness;
using test::MakeDemo;
using test::StripHolding;

struct Marks {
  std::int32_t in, out;
  bool operator==(const Marks&) const = default;
};
Marks MarksOf(const StripState& strip) { return {strip.inMark, strip.outMark}; }

ClipboardPtr CopyOf(StripState& strip, std::int32_t in, std::int32_t out) {
  strip.inMark = in;
  strip.outMark = out;
  SilentFeedback silent;
  return CopyBlocks(strip, silent);
}

struct Command {
  const char* name;
  Marks marks;
  EditStep::Function edit;
};

// Every command, one after the other on one demo, each undone and redone
// on the spot: undo gives back the dump text and the marks it started
// from, redo the ones it ended with.
TEST(EditStep, UndoAndRedoOfEveryCommandGiveBackTheDumpText) {
  StripState source = StripHolding(MakeDemo(12, "S", "track 2;"), 'M');
  const ClipboardPtr clip = CopyOf(source, 6, 9);
  const ClipboardPtr none = CopyOf(source, 9, 6);
  EditHarness h(MakeDemo(20));
  for (int i = 4; i < 25; i += 3) h.Thumbnail(i);
  const std::vector<Command> commands = {
      {"Paste", {8, 12}, [clip](StripEdit& e) { PasteBlocks(e, *clip); }},
      {"Delete", {5, 9}, DeleteBlocks},
      {"Paste at End", {6, kMarkEnd}, [clip](StripEdit& e) { PasteBlocksAtEnd(e, *clip); }},
      {"Reverse", {7, 15}, test::ReverseAt(4)},
      {"Print Message", {9, 9}, [](StripEdit& e) { InsertText(e, " print \"hi\\n\";"); }},
      {"Paste", {4, kMarkEnd}, [none](StripEdit& e) { PasteBlocks(e, *none); }},
      {"Paste New Level", {10, 11}, [clip](StripEdit& e) { PasteNewLevel(e, *clip); }},
      {"Delete", {12, kMarkEnd}, DeleteBlocks},
      {"Paste", {6, 6}, [clip](StripEdit& e) { PasteBlocks(e, *clip); }},
  };
  h.strip.step = 1;  // the zoom now: Reverse was chosen at step 4
  std::vector<std::string> dumps = {DumpOf(h.strip.demo)};
  std::vector<Marks> marks;
  for (const Command& command : commands) {
    SCOPED_TRACE(command.name);
    h.strip.inMark = command.marks.in;
    h.strip.outMark = command.marks.out;
    const std::string before = DumpOf(h.strip.demo);
    const std::vector<std::string> thumbsBefore = {h.ThumbnailAt(4), h.ThumbnailAt(7), h.ThumbnailAt(10)};
    ASSERT_TRUE(h.Run(command.name, command.edit));
    const std::string after = DumpOf(h.strip.demo);
    const Marks marksAfter = MarksOf(h.strip);
    const bool retimedAfter = h.strip.timesRetimed;
    ASSERT_NE(after, before);

    h.Undo();
    EXPECT_EQ(DumpOf(h.strip.demo), before);
    EXPECT_EQ(MarksOf(h.strip), command.marks);
    h.Redo();
    EXPECT_EQ(DumpOf(h.strip.demo), after);
    EXPECT_EQ(MarksOf(h.strip), marksAfter);
    EXPECT_EQ(h.strip.timesRetimed, retimedAfter);
    dumps.push_back(after);
    marks.push_back(command.marks);
  }

  // The whole history backwards, then forwards again.
  for (std::size_t i = commands.size(); i-- > 0;) {
    h.Undo();
    ASSERT_EQ(DumpOf(h.strip.demo), dumps[i]) << "undoing " << commands[i].name;
    EXPECT_EQ(MarksOf(h.strip), marks[i]);
  }
  EXPECT_TRUE(h.strip.timesRetimed);
  for (int i = 4; i < 25; i += 3) {
    // Thumbnails are back with their blocks, except those of deleted
    // blocks, which were deleted with them.
    const std::string shot = h.ThumbnailAt(i);
    EXPECT_TRUE(shot.empty() || shot == "shot of " + std::to_string(i)) << i << ": " << shot;
  }
  for (std::size_t i = 0; i < commands.size(); ++i) {
    h.Redo();
    ASSERT_EQ(DumpOf(h.strip.demo), dumps[i + 1]) << "redoing " << commands[i].name;
  }
}

TEST(EditStep, ThumbnailsGoBackWithTheirBlocksAndDeletedOnesStayMissing) {
  EditHarness h(MakeDemo(8));  // B4 to B11, closing 12
  for (int i = 4; i <= 12; ++i) h.Thumbnail(i);
  h.strip.inMark = 6;
  h.strip.outMark = 7;
  ASSERT_TRUE(h.Run("Delete", DeleteBlocks));
  EXPECT_EQ(h.ThumbnailAt(6), "shot of 8");
  h.Undo();
  for (int i : {4, 5, 8, 9, 10, 11, 12}) EXPECT_EQ(h.ThumbnailAt(i), "shot of " + std::to_string(i)) << i;
  EXPECT_EQ(h.ThumbnailAt(6), "");
  EXPECT_EQ(h.ThumbnailAt(7), "");
  h.Redo();
  EXPECT_EQ(h.ThumbnailAt(6), "shot of 8");
  EXPECT_EQ(h.ThumbnailAt(10), "shot of 12");
}

TEST(EditStep, BlocksKeepTheirIdentityThroughUndo) {
  EditHarness h(MakeDemo(6));
  const BlockList original = h.strip.demo.Blocks;
  h.strip.inMark = 5;
  h.strip.outMark = 8;
  ASSERT_TRUE(h.Run("Delete", DeleteBlocks));
  h.Undo();
  EXPECT_EQ(h.strip.demo.Blocks, original) << "the same blocks come back, not copies";

  h.strip.inMark = 6;
  ASSERT_TRUE(h.Run("Sound", [](StripEdit& e) { InsertText(e, " stufftext \"play a\\n\";"); }));
  EXPECT_EQ(h.strip.demo.Blocks[6].get(), original[6].get()) << "a line is inserted in place";
  EXPECT_EQ(original[6]->Count(), 7u);
  h.Undo();
  EXPECT_EQ(original[6]->Count(), 6u);
  EXPECT_EQ(h.strip.demo.Blocks, original);
}

TEST(EditStep, RetimingIsReplayedWhenTheTimesWereExactAndKeptWhenTheyWereNot) {
  StripState source = StripHolding(MakeDemo(4, "S"), 'M');
  const ClipboardPtr clip = CopyOf(source, 5, 6);
  const auto paste = [clip](StripEdit& e) { PasteBlocks(e, *clip); };
  EditHarness h(MakeDemo(10));
  // Exact before: undo retimes the demo again.
  const std::string exact = DumpOf(h.strip.demo);
  h.strip.inMark = 7;
  ASSERT_TRUE(h.Run("Paste", paste));
  h.Undo();
  EXPECT_EQ(DumpOf(h.strip.demo), exact);
  EXPECT_TRUE(h.strip.timesRetimed);

  // After a Delete the times have gaps that no retiming gives: the paste
  // keeps the time lines it rewrote.
  h.strip.inMark = 5;
  h.strip.outMark = 6;
  ASSERT_TRUE(h.Run("Delete", DeleteBlocks));
  const std::string gaps = DumpOf(h.strip.demo);
  EXPECT_FALSE(h.strip.timesRetimed);
  h.strip.inMark = 9;
  ASSERT_TRUE(h.Run("Paste", paste));
  EXPECT_TRUE(h.strip.timesRetimed);
  h.Undo();
  EXPECT_EQ(DumpOf(h.strip.demo), gaps);
  EXPECT_FALSE(h.strip.timesRetimed);
  h.Undo();
  EXPECT_EQ(DumpOf(h.strip.demo), exact);
  EXPECT_TRUE(h.strip.timesRetimed);

  // A new level's clock starts where its first time line stands: a paste
  // that puts timed blocks between the level's serverinfo and that block
  // makes it a jump back in time, and undo gives the level its own start.
  EditHarness level(MakeDemo(10));
  level.strip.demo.Blocks[8]->Put(2, " serverinfo 15 maxclients 1 gametype 0 level \"\";");
  Block& first = *level.strip.demo.Blocks[9];
  first.Put(2, " time 0.250000000s;");
  first.Put(first.Count() - 1, "// -2.5");
  RetimeDemo(level.strip.demo);
  const std::string twoLevels = DumpOf(level.strip.demo);
  level.strip.inMark = 9;
  ASSERT_TRUE(level.Run("Paste", paste));
  ASSERT_NE(level.strip.demo.Blocks[11]->Lines()[2], " time 0.250000000s;");
  level.Undo();
  EXPECT_EQ(DumpOf(level.strip.demo), twoLevels);

  // A paste of nothing into an exact demo with the same head changes
  // nothing and is no step.
  EditHarness same(MakeDemo(10));
  const ClipboardPtr sameHead = CopyOf(same.strip, 9, 8);
  EXPECT_FALSE(same.Run("Paste", [sameHead](StripEdit& e) { PasteBlocks(e, *sameHead); }));
}

TEST(EditStep, TimeLinesOfEveryFormComeBackExactly) {
  EXPECT_EQ(TimeLineValue(" time 12.500000000s;"), 12.5);
  EXPECT_EQ(TimeLineValue(" time 1:15.250000000m;"), 75.25);
  EXPECT_EQ(TimeLineValue(" time 1:2:5.500000000h;"), 3725.5);
  // A value of more digits than the editor writes, or of other forms, is
  // no value of a time line the editor would write: it is kept as text.
  for (const char* line : {" time 1.5s;", " time 12.5000000001s;", " time 60.000000000s;", " time 0:1.000000000m;",
                           "xtime 3.000000000s;", " time x;", " time 1:x.000000000m;"}) {
    EXPECT_EQ(TimeLineValue(line), std::nullopt) << line;
  }

  StripState source = StripHolding(MakeDemo(3, "S"), 'M');
  const ClipboardPtr clip = CopyOf(source, 5, 5);
  TDemFile demo = MakeDemo(8);
  demo.Blocks[4]->Put(2, " time 1:15.250000000m;");
  demo.Blocks[5]->Put(2, " time 1:2:5.500000000h;");
  demo.Blocks[6]->Put(2, " time 1.5s;");
  demo.Blocks[7]->Put(2, "Xtime to go;");
  demo.Blocks[8]->Put(2, " time 12.5000000001s;");
  EditHarness h(std::move(demo));
  h.strip.timesRetimed = false;
  const std::string before = DumpOf(h.strip.demo);
  ASSERT_TRUE(h.Run("Paste", [clip](StripEdit& e) { PasteBlocks(e, *clip); }));
  EXPECT_NE(DumpOf(h.strip.demo), before);
  h.Undo();
  EXPECT_EQ(DumpOf(h.strip.demo), before);
}

TEST(EditStep, AFailingEditTakesBackEverythingItDid) {
  StripState source = StripHolding(MakeDemo(4, "S", "track 8;"), 'M');
  source.demo.Blocks[6]->Put(5, "// not a number");
  const ClipboardPtr broken = CopyOf(source, 5, 7);
  for (bool exact : {true, false}) {
    SCOPED_TRACE(exact ? "times exact" : "times with gaps");
    EditHarness h(MakeDemo(6));
    h.strip.timesRetimed = exact;
    for (int i = 4; i <= 10; ++i) h.Thumbnail(i);
    h.strip.inMark = 5;
    h.strip.outMark = 9;
    const std::string before = DumpOf(h.strip.demo);
    const BlockList blocks = h.strip.demo.Blocks;
    EXPECT_EQ(test::ErrorOf([&] { h.Run("Paste", [broken](StripEdit& e) { PasteBlocks(e, *broken); }); }),
              "'not a number' is not a valid floating point value");
    EXPECT_TRUE(h.done.empty());
    EXPECT_EQ(DumpOf(h.strip.demo), before);
    EXPECT_EQ(h.strip.demo.Blocks, blocks);
    EXPECT_EQ(h.strip.inMark, 5);
    EXPECT_EQ(h.strip.outMark, 9);
    EXPECT_EQ(h.strip.timesRetimed, exact);
    for (int i = 4; i <= 10; ++i) EXPECT_EQ(h.ThumbnailAt(i), "shot of " + std::to_string(i)) << i;
  }
}

TEST(EditStep, RedoPastesTheClipboardItFirstPastedAndStartsFromItsOwnMarks) {
  StripState source = StripHolding(MakeDemo(6, "S"), 'M');
  ClipboardPtr clip = CopyOf(source, 5, 5);
  EditHarness h(MakeDemo(5));
  h.strip.inMark = 6;
  const ClipboardPtr pasted = clip;
  ASSERT_TRUE(h.Run("Paste", [pasted](StripEdit& e) { PasteBlocks(e, *pasted); }));
  const std::string after = DumpOf(h.strip.demo);
  h.Undo();
  clip = CopyOf(source, 7, 8);  // a later Copy replaces the program's clipboard
  h.strip.inMark = 4;           // and the user moves the in-mark
  h.Redo();
  EXPECT_EQ(DumpOf(h.strip.demo), after);
  EXPECT_EQ(h.strip.inMark, 6);
}

// Text edits of one block, as typing makes them: each replaces the block's
// lines; joined, the first step undoes to before all of them and redoes to
// the last text.
TEST(EditStep, JoinedTextEditsUndoToTheFirstAndRedoToTheLast) {
  EditHarness h(MakeDemo(8));
  const std::string before = DumpOf(h.strip.demo);
  auto typed = [](const std::string& extra) {
    return [extra](StripEdit& e) {
      Block lines = *e.Demo().Blocks[6];
      lines.Put(3, " print \"B6" + extra + "\";");
      e.ReplaceLines(6, lines);
    };
  };
  ASSERT_TRUE(h.Run("Edit Block 6", typed("a")));
  EditStep second("Edit Block 6", typed("ab"));
  SilentFeedback silent;
  ASSERT_TRUE(second.Do(h.strip, h.settings, silent));
  h.done.back()->Absorb(second);
  const std::string typedAb = DumpOf(h.strip.demo);
  EXPECT_FALSE(h.done.back()->Unchanged(h.strip));
  h.Undo();
  EXPECT_EQ(DumpOf(h.strip.demo), before);
  h.Redo();
  EXPECT_EQ(DumpOf(h.strip.demo), typedAb);

  // Typed back to what it was: the joined step changes nothing.
  EditStep back("Edit Block 6", [](StripEdit& e) {
    Block lines = *e.Demo().Blocks[6];
    lines.Put(3, " print \"B6\";");
    e.ReplaceLines(6, lines);
  });
  ASSERT_TRUE(back.Do(h.strip, h.settings, silent));
  h.done.back()->Absorb(back);
  EXPECT_EQ(DumpOf(h.strip.demo), before);
  EXPECT_TRUE(h.done.back()->Unchanged(h.strip));
  // Other steps are never known to be unchanged.
  h.strip.inMark = 5;
  h.strip.outMark = 5;
  ASSERT_TRUE(h.Run("Delete", DeleteBlocks));
  EXPECT_FALSE(h.done.back()->Unchanged(h.strip));
}

// What a step tells about the blocks it touched: the window's document
// hands it on to Find Text and the block viewer.
TEST(EditStep, SpanCoversTheBlocksTheStepTouchedAndNoMore) {
  struct Case {
    const char* what;
    EditStep::Function edit;
    BlockSpan span;
  };
  const Case cases[] = {
      {"a line", [](StripEdit& e) { e.SetLine(7, 1, " camera 1 2 3;"); }, {7, 7, false, false}},
      {"blocks out", [](StripEdit& e) { e.Splice(5, 2, {}); }, {5, 5, true, false}},
      {"a block for a block", [](StripEdit& e) { e.Splice(5, 1, {test::LabelledBlock("X")}); }, {5, 5, false, false}},
      {"a reverse", [](StripEdit& e) { e.ReverseRange(6, 9); }, {6, 9, false, false}},
      {"two places",
       [](StripEdit& e) {
         e.SetLine(12, 1, " camera 1 2 3;");
         e.ReverseRange(4, 6);
       },
       {4, 12, false, false}},
      {"the header alone", [](StripEdit& e) { e.SetHeader("track 3;"); }, {0, 0, false, true}},
      {"a retiming replayed on undo",
       [](StripEdit& e) {
         e.SetLine(8, e.Demo().Blocks[8]->Count() - 1, "// 0.5");
         e.Retime();
       },
       {0, 8, true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EditHarness h(MakeDemo(12));
    EditStep step(c.what, c.edit);
    SilentFeedback silent;
    step.Do(h.strip, h.settings, silent);
    const BlockSpan span = step.Span();
    EXPECT_EQ(span.empty, c.span.empty);
    if (span.empty) continue;
    EXPECT_EQ(span.first, c.span.first);
    EXPECT_EQ(span.last, c.span.last);
    EXPECT_EQ(span.toEnd, c.span.toEnd);
  }
}

}  // namespace
}  // namespace clipvex
