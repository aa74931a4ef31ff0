#include "strip/stripnav.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "document/demotime.h"

namespace clipvex {
namespace {

// A strip holding a demo of `entries` entries; with `timed`, every ordinary
// block has a time line, 0.05 s apart from 0 at block 4, as a retimed demo
// has. The closing block has none.
StripState StripWith(std::int32_t entries, bool timed = false) {
  StripState strip('M');
  strip.fileName = "demo.dem";
  for (std::int32_t i = 0; i < entries; ++i) {
    auto block = std::make_shared<Block>();
    block->Add("block {");
    block->Add(" camera 0.000000000 0.000000000 0.000000000;");
    if (timed && i >= 4 && i < entries - 1) block->Add(FormatTimeLine((i - 4) * 0.05));
    block->Add("}");
    strip.demo.Blocks.push_back(block);
  }
  return strip;
}

const std::string kDot = "\xC2\xB7";

TEST(NavigateStrip, KeysMoveByFramesPagesAndToTheEnds) {
  StripState strip = StripWith(1000);  // last entry 999, step 32
  NavigateStrip(strip, NavKey::FrameForward);
  EXPECT_EQ(strip.firstVisible, 36);
  NavigateStrip(strip, NavKey::FrameBack);
  EXPECT_EQ(strip.firstVisible, 4);
  NavigateStrip(strip, NavKey::FrameBack);
  EXPECT_EQ(strip.firstVisible, 4);

  NavigateStrip(strip, NavKey::PageForward);
  EXPECT_EQ(strip.firstVisible, 4 + 9 * 32);
  NavigateStrip(strip, NavKey::PageBack);
  EXPECT_EQ(strip.firstVisible, 4);

  // End: where nine frames right stops, (999 div 32) * 32 + 4 - 288.
  NavigateStrip(strip, NavKey::End);
  EXPECT_EQ(strip.firstVisible, 708);
  EXPECT_EQ(LastPageStart(strip), 708);
  // One frame further, as the one-frame button goes; no further.
  NavigateStrip(strip, NavKey::FrameForward);
  EXPECT_EQ(strip.firstVisible, 740);
  NavigateStrip(strip, NavKey::FrameForward);
  EXPECT_EQ(strip.firstVisible, 740);
  NavigateStrip(strip, NavKey::Home);
  EXPECT_EQ(strip.firstVisible, 4);

  // From less than a step above the start, one frame back reaches the
  // start (the one-frame button stays where it is).
  strip.firstVisible = 20;
  ScrollFrameLeft(strip);
  EXPECT_EQ(strip.firstVisible, 20);
  NavigateStrip(strip, NavKey::FrameBack);
  EXPECT_EQ(strip.firstVisible, 4);

  // A demo shorter than a page: End stays at the start.
  StripState shortDemo = StripWith(100);
  NavigateStrip(shortDemo, NavKey::End);
  EXPECT_EQ(shortDemo.firstVisible, 4);
  shortDemo.step = 1;
  NavigateStrip(shortDemo, NavKey::End);
  EXPECT_EQ(shortDemo.firstVisible, 94);
}

TEST(NavigateStrip, NothingMovesWithoutADemo) {
  StripState strip('F');
  strip.firstVisible = 40;
  strip.step = 1;
  for (NavKey key :
       {NavKey::FrameBack, NavKey::FrameForward, NavKey::PageBack, NavKey::PageForward, NavKey::Home, NavKey::End}) {
    NavigateStrip(strip, key);
  }
  ScrollFrames(strip, -3);
  EXPECT_EQ(strip.firstVisible, 40);
  EXPECT_EQ(ScrollBarTarget(strip, 100), 40);
}

TEST(ScrollFrames, NotchesMoveOneFrameEachAndStopAtTheEnds) {
  StripState strip = StripWith(1000);
  ScrollFrames(strip, 3);
  EXPECT_EQ(strip.firstVisible, 4 + 3 * 32);
  ScrollFrames(strip, -1);
  EXPECT_EQ(strip.firstVisible, 4 + 2 * 32);
  ScrollFrames(strip, 0);
  EXPECT_EQ(strip.firstVisible, 4 + 2 * 32);
  ScrollFrames(strip, -100);
  EXPECT_EQ(strip.firstVisible, 4);
  // A flood of notches ends at the last start one frame right reaches.
  ScrollFrames(strip, std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(strip.firstVisible, 740);
  ScrollFrames(strip, std::numeric_limits<std::int64_t>::min() + 1);
  EXPECT_EQ(strip.firstVisible, 4);
}

TEST(ScrollBar, RangeIsTheDemoAndThePageNineFrames) {
  StripState strip = StripWith(1000);
  ScrollBarModel bar = ScrollBarFor(strip);
  EXPECT_TRUE(bar.enabled);
  EXPECT_EQ(bar.minimum, 4);
  EXPECT_EQ(bar.maximum, 1000 - 9 * 32);  // the last frame ends with entry 999
  EXPECT_EQ(bar.singleStep, 32);
  EXPECT_EQ(bar.pageStep, 9 * 32);
  EXPECT_EQ(bar.value, 4);

  strip.firstVisible = 740;  // past the bar's end, where the buttons can go
  EXPECT_EQ(ScrollBarFor(strip).value, bar.maximum);
  strip.firstVisible = 5000;  // zoomed past the demo
  EXPECT_EQ(ScrollBarFor(strip).value, bar.maximum);

  // A demo within one page: nothing to move.
  StripState shortDemo = StripWith(100);
  bar = ScrollBarFor(shortDemo);
  EXPECT_EQ(bar.minimum, 4);
  EXPECT_EQ(bar.maximum, 4);

  StripState none('M');
  none.firstVisible = 300;
  bar = ScrollBarFor(none);
  EXPECT_FALSE(bar.enabled);
  EXPECT_EQ(bar.maximum, 4);
  EXPECT_EQ(bar.value, 4);

  // Steps near the 32-bit limit: the page is capped, nothing overflows.
  strip.step = 1 << 30;
  strip.firstVisible = std::numeric_limits<std::int32_t>::max();
  bar = ScrollBarFor(strip);
  EXPECT_EQ(bar.pageStep, std::numeric_limits<int>::max());
  EXPECT_EQ(bar.maximum, 4);
  EXPECT_EQ(bar.value, 4);
}

TEST(ScrollBar, MovesLandWholeStepsFromTheCurrentStart) {
  StripState strip = StripWith(1000);  // bar 4 .. 712
  strip.firstVisible = 36;
  EXPECT_EQ(ScrollBarTarget(strip, 100), 100);
  EXPECT_EQ(ScrollBarTarget(strip, 90), 100);  // 1.7 steps from 36: two
  EXPECT_EQ(ScrollBarTarget(strip, 60), 68);
  EXPECT_EQ(ScrollBarTarget(strip, 36 + 32), 68);  // the bar's arrow
  EXPECT_EQ(ScrollBarTarget(strip, 36), 36);
  // The ends of the bar are its ends, whatever the step.
  EXPECT_EQ(ScrollBarTarget(strip, 5), 4);
  EXPECT_EQ(ScrollBarTarget(strip, -1000), 4);
  EXPECT_EQ(ScrollBarTarget(strip, 712), 712);
  EXPECT_EQ(ScrollBarTarget(strip, 1 << 30), 712);

  // After a zoom the frames sit on another phase of the step: it is kept,
  // and a whole step is given back where rounding would pass the end.
  strip.firstVisible = 20;
  EXPECT_EQ(ScrollBarTarget(strip, 100), 116);
  EXPECT_EQ(ScrollBarTarget(strip, 709), 692);
  strip.step = 16;
  EXPECT_EQ(ScrollBarTarget(strip, 100), 100);
  EXPECT_EQ((ScrollBarTarget(strip, 333) - 20) % 16, 0);

  // From a start past the bar's end (the buttons went there), back inside.
  strip.step = 32;
  strip.firstVisible = 740;
  EXPECT_EQ(ScrollBarTarget(strip, 712 - 32), 676);
}

TEST(PositionText, BlocksTotalAndTimesOfTheShownFrames) {
  StripState strip = StripWith(1325, true);  // last entry 1324
  EXPECT_EQ(PositionText(strip), "blocks 4-260 of 1,324 " + kDot + " 0:00.0-0:12.8");

  // Near the end the last frame inside the demo counts.
  strip.firstVisible = 1284;
  EXPECT_EQ(PositionText(strip), "blocks 1,284-1,316 of 1,324 " + kDot + " 1:04.0-1:05.6");
  // The closing block alone: no time line, no time.
  strip.firstVisible = 1324;
  EXPECT_EQ(PositionText(strip), "block 1,324 of 1,324");
  strip.firstVisible = 1310;
  strip.step = 1;
  EXPECT_EQ(PositionText(strip), "blocks 1,310-1,318 of 1,324 " + kDot + " 1:05.3-1:05.7");
  strip.firstVisible = 1320;  // frames 1320 to 1324 inside, the closing block last
  EXPECT_EQ(PositionText(strip), "blocks 1,320-1,324 of 1,324 " + kDot + " 1:05.8");
  strip.firstVisible = 2000;
  EXPECT_EQ(PositionText(strip), "past the end, last block 1,324");

  // A block whose time line does not read as a time gives no time.
  strip.firstVisible = 4;
  strip.step = 32;
  strip.demo.Blocks[4] = std::make_shared<Block>(Block{"block {", " camera 0 0 0;", " time garbage;", "}"});
  EXPECT_EQ(PositionText(strip), "blocks 4-260 of 1,324 " + kDot + " 0:12.8");
  strip.demo.Blocks[260] = std::make_shared<Block>(Block{"block {", "}"});
  EXPECT_EQ(PositionText(strip), "blocks 4-260 of 1,324");

  // Untimed demos, a new demo, no demo.
  EXPECT_EQ(PositionText(StripWith(40)), "blocks 4-36 of 39");
  EXPECT_EQ(PositionText(StripWith(5)), "block 4 of 4");
  EXPECT_EQ(PositionText(StripState('M')), "");
}

TEST(PositionText, NumbersAndTimes) {
  EXPECT_EQ(GroupThousands(0), "0");
  EXPECT_EQ(GroupThousands(999), "999");
  EXPECT_EQ(GroupThousands(1000), "1,000");
  EXPECT_EQ(GroupThousands(1234567), "1,234,567");
  EXPECT_EQ(GroupThousands(-1234), "-1,234");
  EXPECT_EQ(GroupThousands(std::numeric_limits<std::int64_t>::min()), "-9,223,372,036,854,775,808");

  EXPECT_EQ(ShortTime(0), "0:00.0");
  EXPECT_EQ(ShortTime(12.8), "0:12.8");
  EXPECT_EQ(ShortTime(59.96), "1:00.0");  // the tenths carry into the minute
  EXPECT_EQ(ShortTime(75.25), "1:15.3");
  EXPECT_EQ(ShortTime(3725.25), "1:02:05.3");
  EXPECT_EQ(ShortTime(36000), "10:00:00.0");
  EXPECT_EQ(ShortTime(-1.5), "-0:01.5");
  EXPECT_EQ(ShortTime(-0.01), "0:00.0");
  EXPECT_EQ(ShortTime(std::nan("")), "");
  EXPECT_EQ(ShortTime(std::numeric_limits<double>::infinity()), "");
  EXPECT_EQ(ShortTime(1e300), "");
  // The times the demo's own lines give, as their captions read them.
  EXPECT_EQ(ShortTime(ParseTime(" time 1:2:5.250000000h;")), "1:02:05.3");
}

}  // namespace
}  // namespace clipvex
