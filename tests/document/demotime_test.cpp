#include "document/demotime.h"

#include <gtest/gtest.h>

#include "document/error.h"
#include "document/real48.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::ErrorOf;

TEST(ParseTime, ReadsTheThreeFormsThroughTheTenCharacterWindow) {
  EXPECT_EQ(ParseTime(" time 12.500000000s;"), 12.5);
  EXPECT_EQ(ParseTime(" time 0.123456789s;"), RoundReal48(0.1234567L));
  EXPECT_EQ(ParseTime(" time 2:03.50000000m;"), 123.5);
  EXPECT_EQ(ParseTime(" time 1:02:03.5000000h;"), 3723.5);
  EXPECT_EQ(ParseTime(" time 1:0.000000000m;"), 60.0);
  EXPECT_EQ(ParseTime(" time 1:0:0.000000000h;"), 3600.0);
  EXPECT_EQ(ParseTime(" time -0.050000000s;"), RoundReal48(-0.05L));
  EXPECT_EQ(ParseTime(" time 0.050000000s;"), RoundReal48(0.05L));
}

TEST(ParseTime, ConversionErrorsNameTheText) {
  // Under nine characters the unit letter and the semicolon enter the window.
  EXPECT_EQ(ErrorOf([] { ParseTime(" time 1.5s;"); }), "' 1.5s;' is not a valid floating point value");
  EXPECT_EQ(ErrorOf([] { ParseTime(" time x:1.000000000m;"); }), "' x' is not a valid integer value");
  EXPECT_EQ(ErrorOf([] { ParseTime(" time 5.000000000m;"); }), "'' is not a valid integer value");
  EXPECT_EQ(ErrorOf([] { ParseTime(" time 1:5.000000000h;"); }), "'' is not a valid integer value");
  EXPECT_THROW(ParseTime(" time"), ClipvexError);
  EXPECT_THROW(ParseTime(" time 1e99999999s;"), ClipvexError);
}

TEST(SplitTime, ExactMultiplesComeOutWhole) {
  SplitTimeResult m = SplitTime(60.0);
  EXPECT_EQ(m.hours, 0);
  EXPECT_EQ(m.minutes, 1);
  EXPECT_EQ(m.seconds, 0.0);
  SplitTimeResult h = SplitTime(3600.0);
  EXPECT_EQ(h.hours, 1);
  EXPECT_EQ(h.minutes, 0);
  EXPECT_EQ(h.seconds, 0.0);
  for (int k = 1; k < 200; ++k) {
    EXPECT_EQ(SplitTime(k * 60.0).minutes, k % 60) << k;
    EXPECT_EQ(SplitTime(k * 3600.0).hours, k) << k;
  }
  SplitTimeResult mixed = SplitTime(3723.5);
  EXPECT_EQ(mixed.hours, 1);
  EXPECT_EQ(mixed.minutes, 2);
  EXPECT_EQ(mixed.seconds, 3.5);
}

TEST(FormatTimeLine, PicksTheFormByTheLargestUnit) {
  EXPECT_EQ(FormatTimeLine(0.0), " time 0.000000000s;");
  EXPECT_EQ(FormatTimeLine(59.999999999), " time 59.999999999s;");
  EXPECT_EQ(FormatTimeLine(59.9999999999), " time 60.000000000s;");
  EXPECT_EQ(FormatTimeLine(60.0), " time 1:0.000000000m;");
  EXPECT_EQ(FormatTimeLine(75.25), " time 1:15.250000000m;");
  EXPECT_EQ(FormatTimeLine(3600.0), " time 1:0:0.000000000h;");
  EXPECT_EQ(FormatTimeLine(3725.5), " time 1:2:5.500000000h;");
  EXPECT_EQ(FormatTimeLine(RoundReal48(0.05L)), " time 0.050000000s;");
}

TEST(FormatTimeLine, ReadsBackThroughParseTime) {
  for (double t : {0.0, 0.05, 12.5, 59.75, 61.125, 3599.5, 3600.25, 7322.0625}) {
    double stored = RoundReal48(t);
    EXPECT_NEAR(ParseTime(FormatTimeLine(stored)), stored, 1e-6) << t;
  }
}

TEST(BlockTimeText, LastTimeLineAmongTheFirstFourLines) {
  EXPECT_EQ(BlockTimeText(Block{"block {", " camera 0 0 0;", " time 12.500000000s;", "}"}), " 12.500000000s");
  EXPECT_EQ(BlockTimeText(Block{"block {", " camera;", " time 1.000000000s;", " time 2.000000000s;"}), " 2.000000000s");
  EXPECT_EQ(BlockTimeText(Block{"block {", " camera;", " x;", " y;", " time 5.000000000s;"}), "");
  EXPECT_EQ(BlockTimeText(Block{}), "");
  EXPECT_EQ(BlockTimeText(Block{" time"}), "");
}

}  // namespace
}  // namespace clipvex
