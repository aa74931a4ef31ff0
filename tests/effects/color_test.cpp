#include "effects/color.h"

#include <gtest/gtest.h>

#include "document/dumptext.h"
#include "effectstesthelpers.h"

namespace clipvex {
namespace {

using test::DumpOf;
using test::EditHarness;
using test::ErrorOf;
using test::EvenDemo;
using test::LinesOf;
using Texts = std::vector<std::string>;

ColorFadeInput Fade(const std::string& from, const std::string& to, FadeSwatch start = kFreshStart,
                    FadeSwatch end = kFreshEnd) {
  return ColorFadeInput{from, to, start, end};
}

EditStep::Function Apply(const ColorFadeInput& input) {
  return [input](StripEdit& edit) { ColorFade(edit, input); };
}

// The v_cshift lines of block `b`.
Texts CshiftLines(const TDemFile& demo, std::size_t b) {
  Texts lines;
  for (const std::string& line : LinesOf(demo, b)) {
    if (line.find("v_cshift") != std::string::npos) lines.push_back(line);
  }
  return lines;
}

TEST(ColorFadeRules, TheLineTextByteForByte) {
  const std::string line = CshiftLine({0, 0, 0, 128});
  EXPECT_EQ(line, " stufftext \"v_cshift 0 0 0 128\\n\";");
  EXPECT_EQ(line.substr(0, 21), " stufftext \"v_cshift ");
  EXPECT_EQ(line.substr(line.size() - 4), std::string("\\n\";"));
  EXPECT_EQ(CshiftLine({255, 16, 7, 200}), " stufftext \"v_cshift 255 16 7 200\\n\";");
}

TEST(ColorFadeRules, RoundingHalvesToEven) {
  EXPECT_EQ(RoundHalfEven(127.5L), 128);
  EXPECT_EQ(RoundHalfEven(126.5L), 126);
  EXPECT_EQ(RoundHalfEven(63.75L), 64);
  EXPECT_EQ(RoundHalfEven(191.25L), 191);
  EXPECT_EQ(RoundHalfEven(0.5L), 0);
  EXPECT_EQ(RoundHalfEven(254.5L), 254);
  EXPECT_EQ(RoundHalfEven(0.49999L), 0);
}

TEST(ColorFadeRules, WhichColoursTheEndsTake) {
  // Fresh: start clear, end black at 255: a fade to black.
  FadeEnds ends = ResolveFade(kFreshStart, kFreshEnd);
  EXPECT_EQ(ends.start, kBlack);
  EXPECT_EQ(ends.end, kBlack);
  // Start clear, end red: both red.
  ends = ResolveFade(kFreshStart, FadeSwatch{{255, 0, 0}, false, 200});
  EXPECT_EQ(ends.start, (Rgb{255, 0, 0}));
  EXPECT_EQ(ends.end, (Rgb{255, 0, 0}));
  // Start white not clear, end cleared (white, opacity 0): white to white.
  ends = ResolveFade(FadeSwatch{kWhite, false, 160}, FadeSwatch{kWhite, true, 0});
  EXPECT_EQ(ends.start, kWhite);
  EXPECT_EQ(ends.end, kWhite);
  EXPECT_EQ(ends.startOpacity, 160);
  EXPECT_EQ(ends.endOpacity, 0);
  // Both clear: both the end swatch's colour.
  ends = ResolveFade(FadeSwatch{{1, 2, 3}, true, 0}, FadeSwatch{{9, 8, 7}, true, 0});
  EXPECT_EQ(ends.start, (Rgb{9, 8, 7}));
  EXPECT_EQ(ends.end, (Rgb{9, 8, 7}));
}

TEST(ColorFade, DefaultFadeOverFiveBlocksGivesTheOpacitiesOfTheRounding) {
  EditHarness h(EvenDemo(20));
  ASSERT_TRUE(h.Run("Color Fade", Apply(Fade("10", "14"))));
  Texts lines;
  for (std::size_t b = 10; b <= 14; ++b) lines.push_back(std::string(LinesOf(h.strip.demo, b)[3]));
  EXPECT_EQ(lines, (Texts{" stufftext \"v_cshift 0 0 0 0\\n\";", " stufftext \"v_cshift 0 0 0 64\\n\";",
                          " stufftext \"v_cshift 0 0 0 128\\n\";", " stufftext \"v_cshift 0 0 0 191\\n\";",
                          " stufftext \"v_cshift 0 0 0 255\\n\";"}));
  // Blocks outside the range and the rest of each block stay.
  EXPECT_TRUE(CshiftLines(h.strip.demo, 9).empty());
  EXPECT_TRUE(CshiftLines(h.strip.demo, 15).empty());
  Texts expected = LinesOf(EvenDemo(20), 12);
  expected.insert(expected.begin() + 3, " stufftext \"v_cshift 0 0 0 128\\n\";");
  EXPECT_EQ(LinesOf(h.strip.demo, 12), expected);
}

TEST(ColorFade, ColoursAndOpacitiesOfTheEnds) {
  EditHarness red(EvenDemo(10));
  ASSERT_TRUE(red.Run("Color Fade", Apply(Fade("6", "7", kFreshStart, FadeSwatch{{255, 0, 0}, false, 200}))));
  EXPECT_EQ(CshiftLines(red.strip.demo, 6), Texts{" stufftext \"v_cshift 255 0 0 0\\n\";"});
  EXPECT_EQ(CshiftLines(red.strip.demo, 7), Texts{" stufftext \"v_cshift 255 0 0 200\\n\";"});

  EditHarness white(EvenDemo(10));
  ASSERT_TRUE(white.Run("Color Fade",
                        Apply(Fade("4", "6", FadeSwatch{kWhite, false, 200}, FadeSwatch{kWhite, true, 0}))));
  EXPECT_EQ(CshiftLines(white.strip.demo, 4), Texts{" stufftext \"v_cshift 255 255 255 200\\n\";"});
  EXPECT_EQ(CshiftLines(white.strip.demo, 5), Texts{" stufftext \"v_cshift 255 255 255 100\\n\";"});
  EXPECT_EQ(CshiftLines(white.strip.demo, 6), Texts{" stufftext \"v_cshift 255 255 255 0\\n\";"});
}

TEST(ColorFade, OldLinesAtTheHeadGoAndASecondFadeReplacesTheFirst) {
  EditHarness h(EvenDemo(12));
  // Block 5: a v_cshift line at position 3 and a second one right below it.
  h.strip.demo.Blocks[5]->Insert(3, " stufftext \"v_cshift 9 9 9 9\\n\";");
  h.strip.demo.Blocks[5]->Insert(4, " stufftext \"v_cshift 8 8 8 8\\n\";");
  ASSERT_TRUE(h.Run("Color Fade", Apply(Fade("4", "6"))));
  EXPECT_EQ(CshiftLines(h.strip.demo, 5),
            (Texts{" stufftext \"v_cshift 0 0 0 128\\n\";", " stufftext \"v_cshift 8 8 8 8\\n\";"}));
  EXPECT_EQ(LinesOf(h.strip.demo, 5)[3], " stufftext \"v_cshift 0 0 0 128\\n\";");

  // The same fade twice: one line per block.
  EditHarness twice(EvenDemo(12));
  ASSERT_TRUE(twice.Run("Color Fade", Apply(Fade("4", "15"))));
  const std::string once = DumpOf(twice.strip.demo);
  EXPECT_FALSE(twice.Run("Color Fade", Apply(Fade("4", "15")))) << "the same fade again changes nothing";
  EXPECT_EQ(DumpOf(twice.strip.demo), once);
  // Another fade over part of it replaces the lines there.
  ASSERT_TRUE(twice.Run("Color Fade", Apply(Fade("6", "8", FadeSwatch{{255, 0, 0}, false, 10}))));
  // Red at 10 to black at 255, halfway: 127.5 and 132.5 go to the even 128 and 132.
  EXPECT_EQ(CshiftLines(twice.strip.demo, 7), Texts{" stufftext \"v_cshift 128 0 0 132\\n\";"});
  for (std::size_t b = 4; b <= 15; ++b) EXPECT_EQ(CshiftLines(twice.strip.demo, b).size(), 1u) << b;
}

TEST(ColorFade, TheConsoleResetLineOfBlockThreeIsReplaced) {
  EditHarness h(EvenDemo(10));
  ASSERT_EQ(LinesOf(h.strip.demo, 3)[3], kConsoleResetLine);
  ASSERT_TRUE(h.Run("Color Fade", Apply(Fade("3", "4"))));
  EXPECT_EQ(CshiftLines(h.strip.demo, 3), Texts{" stufftext \"v_cshift 0 0 0 0\\n\";"});
  EXPECT_EQ(LinesOf(h.strip.demo, 3)[3], " stufftext \"v_cshift 0 0 0 0\\n\";");
}

TEST(ColorFade, ToPastTheEndStopsBeforeTheClosingBlock) {
  EditHarness h(EvenDemo(10));
  const std::size_t closing = h.strip.demo.Blocks.size() - 1;
  ASSERT_TRUE(h.Run("Color Fade", Apply(Fade("4", "100000"))));
  EXPECT_EQ(CshiftLines(h.strip.demo, closing - 1), Texts{" stufftext \"v_cshift 0 0 0 255\\n\";"});
  EXPECT_TRUE(CshiftLines(h.strip.demo, closing).empty());
  // To below From: nothing.
  EXPECT_FALSE(h.Run("Color Fade", Apply(Fade("9", "5"))));
}

TEST(ColorFade, AnythingThatWouldStopHalfWayChangesNothing) {
  struct Case {
    const char* what;
    ColorFadeInput input;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"letters for From", Fade("four", "9"), "'four' is not a valid integer value"},
      {"From equal to To", Fade("7", "7"), "Invalid floating point operation"},
      {"From below 0", Fade("-2", "9"), "List index out of bounds"},
      {"a block of three lines in the range", Fade("4", "12"), "List index out of bounds"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EditHarness h(EvenDemo(10));
    if (c.input.to == "12") *h.strip.demo.Blocks[11] = Block{"block {", "}", "// 0.05"};
    const std::string before = DumpOf(h.strip.demo);
    EXPECT_EQ(ErrorOf([&] { h.Run("Color Fade", Apply(c.input)); }), c.error);
    EXPECT_EQ(DumpOf(h.strip.demo), before);
  }
  // Four lines, the second a v_cshift line: position 3 is gone by the time
  // the scan gets there.
  EditHarness h(EvenDemo(10));
  *h.strip.demo.Blocks[8] = Block{"block {", " stufftext \"v_cshift 1 1 1 1\\n\";", "}", "// 0.05"};
  EXPECT_EQ(ErrorOf([&] { h.Run("Color Fade", Apply(Fade("4", "9"))); }), "List index out of bounds");
}

TEST(ColorFade, AShortBlockGetsTheLineInsideItsBraces) {
  // Its braces close at line 2: the line goes in front of the "}", so the
  // dump keeps it inside the block.
  EditHarness h(EvenDemo(10));
  *h.strip.demo.Blocks[6] = Block{"block {", " camera 0 0 0;", "}", "// 0.05"};
  ASSERT_TRUE(h.Run("Color Fade", Apply(Fade("5", "7"))));
  EXPECT_EQ(LinesOf(h.strip.demo, 6),
            (Texts{"block {", " camera 0 0 0;", " stufftext \"v_cshift 0 0 0 128\\n\";", "}", "// 0.05"}));
}

TEST(ColorFade, UndoGivesBackTheDumpTextAndRedoTheFade) {
  EditHarness h(EvenDemo(20));
  h.strip.demo.Blocks[9]->Insert(3, " stufftext \"v_cshift 9 9 9 9\\n\";");
  const std::string before = DumpOf(h.strip.demo);
  ASSERT_TRUE(h.Run("Color Fade", Apply(Fade("2", "18", FadeSwatch{{10, 200, 30}, false, 40}))));
  const std::string after = DumpOf(h.strip.demo);
  h.Undo();
  EXPECT_EQ(DumpOf(h.strip.demo), before);
  h.Redo();
  EXPECT_EQ(DumpOf(h.strip.demo), after);
}

}  // namespace
}  // namespace clipvex
