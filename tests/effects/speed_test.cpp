#include "effects/speed.h"

#include <gtest/gtest.h>

#include "document/demotime.h"
#include "document/error.h"
#include "document/numtext.h"
#include "document/real48.h"
#include "effectstesthelpers.h"

namespace clipvex {
namespace {

using test::Comments;
using test::DumpOf;
using test::EditHarness;
using test::ErrorOf;
using test::EvenDemo;
using test::kTwentieth;
using Texts = std::vector<std::string>;

SpeedInput Speed(const std::string& from, const std::string& to, const std::string& percent,
                 SpeedMode mode = SpeedMode::Constant) {
  return SpeedInput{from, to, percent, mode};
}

EditStep::Function Apply(const SpeedInput& input) {
  return [input](StripEdit& edit) { ChangeSpeed(edit, input); };
}

// The value of a block's time line among its lines 1 to 3.
double TimeOf(const Block& block) {
  for (std::size_t i = 1; i <= 3 && i < block.Count(); ++i) {
    if (IsTimeLine(block[i])) return ParseTime(block[i]);
  }
  return -1;
}

TEST(SpeedNumbers, ConstantAndFadeDurationsAreTheExactTexts) {
  const double d = RoundReal48(StrToFloat(kTwentieth));
  EXPECT_EQ(DurationComment(NewDuration(d, SpeedFactor(100), SpeedMode::Constant, 10, 10, 12)),
            std::string("// ") + kTwentieth);
  EXPECT_EQ(DurationComment(NewDuration(d, SpeedFactor(200), SpeedMode::Constant, 11, 10, 12)),
            "// 0.0250000000000057");
  EXPECT_EQ(DurationComment(NewDuration(d, SpeedFactor(50), SpeedMode::Constant, 11, 10, 12)),
            "// 0.100000000000023");
  // A duration the 48-bit real holds exactly stays exact.
  EXPECT_EQ(DurationComment(NewDuration(0.25, SpeedFactor(200), SpeedMode::Constant, 0, 0, 0)), "// 0.125");

  Texts fade200;
  for (int i = 10; i <= 12; ++i) {
    fade200.push_back(DurationComment(NewDuration(d, SpeedFactor(200), SpeedMode::Fade, i, 10, 12)));
  }
  EXPECT_EQ(fade200, (Texts{"// 0.0500000000000114", "// 0.0375000000000085", "// 0.0250000000000057"}));
  // Rounded to 48 bits before it is written, the middle one would read
  // 0.0375000000000227.
  EXPECT_EQ(FormatGeneral(RoundReal48(NewDuration(d, SpeedFactor(200), SpeedMode::Fade, 11, 10, 12))),
            "0.0375000000000227");

  Texts fade50;
  for (int i = 10; i <= 14; ++i) {
    fade50.push_back(DurationComment(NewDuration(d, SpeedFactor(50), SpeedMode::Fade, i, 10, 14)));
  }
  EXPECT_EQ(fade50, (Texts{"// 0.0500000000000114", "// 0.0625000000000142", "// 0.0750000000000171",
                           "// 0.0875000000000199", "// 0.100000000000023"}));
}

TEST(SpeedNumbers, PercentagesBelowOneAreRefusedAndTheTrackBarClamps) {
  EXPECT_NE(ErrorOf([] { SpeedFactor(0); }), "no error");
  EXPECT_NE(ErrorOf([] { SpeedFactor(-50); }), "no error");
  EXPECT_EQ(ErrorOf([] { SpeedFactor(1); }), "no error");
  EXPECT_EQ(TrackBarPosition("500"), 300);
  EXPECT_EQ(TrackBarPosition("-7"), 1);
  EXPECT_EQ(TrackBarPosition("  150"), 150);
  EXPECT_EQ(TrackBarPosition("15a"), std::nullopt);
  EXPECT_EQ(TrackBarPosition(""), std::nullopt);
  EXPECT_EQ(TrackBarPosition("150 "), std::nullopt);
}

TEST(ChangeSpeed, ConstantAndFadeOverARangeThenTimesFollowTheDurations) {
  EditHarness h(EvenDemo(20));
  ASSERT_TRUE(h.Run("Change Speed", Apply(Speed("10", "12", "200"))));
  EXPECT_EQ(Comments(h.strip.demo, 9, 13), (Texts{std::string("// ") + kTwentieth, "// 0.0250000000000057",
                                                  "// 0.0250000000000057", "// 0.0250000000000057",
                                                  std::string("// ") + kTwentieth}));

  EditHarness fade(EvenDemo(20));
  ASSERT_TRUE(fade.Run("Change Speed", Apply(Speed("10", "14", "50", SpeedMode::Fade))));
  EXPECT_EQ(Comments(fade.strip.demo, 10, 14),
            (Texts{std::string("// ") + kTwentieth, "// 0.0625000000000142", "// 0.0750000000000171",
                   "// 0.0875000000000199", "// 0.100000000000023"}));
  // Every time line is the running sum of the durations up to its block.
  long double sum = 0;
  for (std::size_t b = 1; b < fade.strip.demo.Blocks.size(); ++b) {
    const Block& block = *fade.strip.demo.Blocks[b];
    sum = RoundReal48(sum + StrToFloat(block.Last().substr(3)));
    EXPECT_NEAR(TimeOf(block), static_cast<double>(sum), 1e-6) << "block " << b;
  }
  EXPECT_TRUE(fade.strip.timesRetimed);
}

TEST(ChangeSpeed, RangeRulesOfFromAndTo) {
  // To past the end (the out-mark of a whole selection) stops at N - 2.
  EditHarness whole(EvenDemo(10));
  const std::size_t closing = whole.strip.demo.Blocks.size() - 1;
  const std::string closingComment(whole.strip.demo.Blocks[closing]->Last());
  ASSERT_TRUE(whole.Run("Change Speed", Apply(Speed("4", "100000", "200"))));
  EXPECT_EQ(Comments(whole.strip.demo, closing - 1, closing),
            (Texts{"// 0.0250000000000057", closingComment}));

  // From 1 to 3 changes the leading blocks like any other.
  EditHarness leading(EvenDemo(10));
  ASSERT_TRUE(leading.Run("Change Speed", Apply(Speed("1", "3", "200"))));
  EXPECT_EQ(Comments(leading.strip.demo, 1, 4), (Texts{"// 0.0250000000000057", "// 0.0250000000000057",
                                                        "// 0.0250000000000057", std::string("// ") + kTwentieth}));

  // To below From changes no duration but still retimes.
  EditHarness backwards(EvenDemo(10));
  Block& block6 = *backwards.strip.demo.Blocks[6];
  block6.Put(2, " time 9.000000000s;");
  backwards.strip.timesRetimed = false;
  const std::string before = DumpOf(backwards.strip.demo);
  ASSERT_TRUE(backwards.Run("Change Speed", Apply(Speed("12", "8", "200"))));
  EXPECT_EQ(block6[2], " time 0.300000000s;");
  EXPECT_EQ(Comments(backwards.strip.demo, 4, 13), Comments(EvenDemo(10), 4, 13));
  backwards.Undo();
  EXPECT_EQ(DumpOf(backwards.strip.demo), before);
}

TEST(ChangeSpeed, FiveHundredTypedAppliesFiveHundredPercent) {
  // The box's 500, not the track bar's 300: a fifth of 0.05 s.
  EditHarness h(EvenDemo(10));
  ASSERT_TRUE(h.Run("Change Speed", Apply(Speed("5", "5", "500"))));
  const std::string comment(h.strip.demo.Blocks[5]->Last());
  EXPECT_EQ(comment.substr(0, 17), "// 0.010000000000") << comment;
}

TEST(ChangeSpeed, AnythingThatWouldStopHalfWayChangesNothing) {
  struct Case {
    const char* what;
    SpeedInput input;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"letters for a percentage", Speed("4", "10", "fast"), "'fast' is not a valid integer value"},
      {"letters for From", Speed("x", "10", "200"), "'x' is not a valid integer value"},
      {"letters for To", Speed("4", "", "200"), "'' is not a valid integer value"},
      {"From below 0", Speed("-1", "10", "200"), "List index out of bounds"},
      {"a fade over one block", Speed("7", "7", "200", SpeedMode::Fade), "Invalid floating point operation"},
      {"the header entry", Speed("0", "10", "200"), "'ck -1;' is not a valid floating point value"},
      {"a block without a duration", Speed("4", "10", "200"), "'sconnect;' is not a valid floating point value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EditHarness h(EvenDemo(10));
    // Block 9 lost its duration comment (an edit by hand).
    if (c.error.find("sconnect") != std::string::npos) {
      h.strip.demo.Blocks[9]->Delete(h.strip.demo.Blocks[9]->Count() - 1);
      h.strip.demo.Blocks[9]->Add(" disconnect;");
    }
    const std::string before = DumpOf(h.strip.demo);
    EXPECT_EQ(ErrorOf([&] { h.Run("Change Speed", Apply(c.input)); }), c.error);
    EXPECT_EQ(DumpOf(h.strip.demo), before);
    EXPECT_TRUE(h.done.empty());
  }
  // A percentage of 0 or below: a message, and no infinite or negative durations.
  for (const char* percent : {"0", "-50"}) {
    EditHarness h(EvenDemo(10));
    const std::string before = DumpOf(h.strip.demo);
    const std::string error = ErrorOf([&] { h.Run("Change Speed", Apply(Speed("4", "10", percent))); });
    EXPECT_NE(error.find("1 or more"), std::string::npos) << error;
    EXPECT_EQ(DumpOf(h.strip.demo), before);
  }
}

TEST(ChangeSpeed, UndoGivesBackTheDumpTextAndRedoTheChange) {
  EditHarness h(EvenDemo(30));
  const std::string before = DumpOf(h.strip.demo);
  ASSERT_TRUE(h.Run("Change Speed", Apply(Speed("6", "25", "37", SpeedMode::Fade))));
  const std::string after = DumpOf(h.strip.demo);
  ASSERT_NE(after, before);
  h.Undo();
  EXPECT_EQ(DumpOf(h.strip.demo), before);
  h.Redo();
  EXPECT_EQ(DumpOf(h.strip.demo), after);
  h.Undo();
  EXPECT_EQ(DumpOf(h.strip.demo), before);
}

}  // namespace
}  // namespace clipvex
