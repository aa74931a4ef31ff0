#include "strip/stripstate.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "support/testsupport.h"

namespace clipvex {
namespace {

// A strip holding a demo of `entries` block list entries, in its initial view.
StripState StripWith(std::int32_t entries, char letter = 'M') {
  StripState strip(letter);
  strip.fileName = "demo.dem";
  for (std::int32_t i = 0; i < entries; ++i) strip.demo.Blocks.push_back(std::make_shared<Block>());
  return strip;
}

TEST(ToolAction, EveryToolButtonAndShift) {
  using A = FrameAction;
  struct Row {
    Tool tool;
    A left, shiftLeft, right, middle;  // right and middle are the same with Shift
  };
  const Row rows[] = {
      {Tool::Arrow, A::SelectFrame, A::SetOut, A::SetOut, A::SetOut},
      {Tool::ZoomIn, A::ZoomIn, A::ZoomIn, A::ZoomOut, A::ZoomOut},
      {Tool::ZoomOut, A::ZoomOut, A::ZoomOut, A::ZoomIn, A::ZoomIn},
      {Tool::ZoomImage, A::ViewPicture, A::ViewPicture, A::ViewText, A::ViewText},
      {Tool::ToText, A::ViewText, A::ViewText, A::ViewPicture, A::ViewPicture},
      {Tool::In, A::SetIn, A::SetIn, A::SetOut, A::SetOut},
      {Tool::Out, A::SetOut, A::SetOut, A::SetIn, A::SetIn},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.tool));
    EXPECT_EQ(ToolAction(row.tool, MouseButton::Left, false), row.left);
    EXPECT_EQ(ToolAction(row.tool, MouseButton::Left, true), row.shiftLeft);
    for (bool shift : {false, true}) {
      EXPECT_EQ(ToolAction(row.tool, MouseButton::Right, shift), row.right);
      EXPECT_EQ(ToolAction(row.tool, MouseButton::Middle, shift), row.middle);
    }
  }
}

TEST(PressFrame, ZoomInKeepsTheFrameOnItsBlock) {
  StripState strip = StripWith(1000);
  const FrameOutcome outcome = PressFrame(strip, 9, FrameAction::ZoomIn);
  EXPECT_TRUE(outcome.refresh);
  EXPECT_FALSE(outcome.openViewer);
  EXPECT_EQ(strip.step, 16);
  EXPECT_EQ(strip.firstVisible, 132);
  EXPECT_EQ(strip.FrameBlock(9), 4 + 8 * 32);

  strip.step = 1;
  strip.firstVisible = 50;
  PressFrame(strip, 5, FrameAction::ZoomIn);
  EXPECT_EQ(strip.step, 1);
  EXPECT_EQ(strip.firstVisible, 50);

  // Zooming in on a frame past the end may leave the whole strip past the end.
  StripState shortDemo = StripWith(100);
  PressFrame(shortDemo, 9, FrameAction::ZoomIn);
  EXPECT_EQ(shortDemo.firstVisible, 132);
  EXPECT_GT(shortDemo.firstVisible, shortDemo.Entries() - 1);
}

TEST(PressFrame, ZoomOutAnchorsAndStopsAtTheDemoLength) {
  StripState strip = StripWith(1000);
  strip.firstVisible = 500;
  strip.step = 8;
  PressFrame(strip, 1, FrameAction::ZoomOut);
  EXPECT_EQ(strip.step, 16);
  EXPECT_EQ(strip.firstVisible, 500);

  // Frame 5 shows 500 + 4 * 16 = 564; with step 32 it would start at 436.
  PressFrame(strip, 5, FrameAction::ZoomOut);
  EXPECT_EQ(strip.step, 32);
  EXPECT_EQ(strip.firstVisible, 436);

  // The anchor would fall below the first visible block.
  strip.firstVisible = 20;
  PressFrame(strip, 9, FrameAction::ZoomOut);
  EXPECT_EQ(strip.step, 64);
  EXPECT_EQ(strip.firstVisible, 4);

  for (std::int32_t entries : {100, 128, 129}) {
    StripState s = StripWith(entries);
    for (int i = 0; i < 40; ++i) PressFrame(s, 1, FrameAction::ZoomOut);
    EXPECT_EQ(s.step, entries <= 128 ? 128 : 256) << entries;
    EXPECT_EQ(s.firstVisible, 4);
  }
}

TEST(PressFrame, HugeStepsStayInRange) {
  StripState strip = StripWith(100);
  strip.step = std::int32_t{1} << 30;
  PressFrame(strip, 9, FrameAction::ZoomOut);
  EXPECT_EQ(strip.step, std::int32_t{1} << 30);
  EXPECT_EQ(strip.firstVisible, 4);
  PressFrame(strip, 9, FrameAction::SetOut);
  EXPECT_EQ(strip.outMark, std::numeric_limits<std::int32_t>::max());
  PressFrame(strip, 9, FrameAction::SetIn);
  EXPECT_EQ(strip.inMark, std::numeric_limits<std::int32_t>::max());
  ScrollPageRight(strip);
  ScrollFrameRight(strip);
  EXPECT_EQ(strip.firstVisible, 4);
}

TEST(PressFrame, MarksToggleBackToTheWholeDemo) {
  StripState strip = StripWith(1000);
  PressFrame(strip, 3, FrameAction::SetIn);
  EXPECT_EQ(strip.inMark, 68);
  PressFrame(strip, 3, FrameAction::SetIn);
  EXPECT_EQ(strip.inMark, kMarkStart);

  PressFrame(strip, 3, FrameAction::SetOut);
  EXPECT_EQ(strip.outMark, 99);
  PressFrame(strip, 3, FrameAction::SetOut);
  EXPECT_EQ(strip.outMark, kMarkEnd);

  // Past the end the out-mark still takes the frame's last block.
  StripState shortDemo = StripWith(50);
  PressFrame(shortDemo, 4, FrameAction::SetOut);
  EXPECT_EQ(shortDemo.outMark, 4 + 3 * 32 + 31);
}

TEST(PressFrame, SelectingFrames) {
  StripState strip = StripWith(1000);
  const FrameOutcome outcome = PressFrame(strip, 2, FrameAction::SelectFrame);
  EXPECT_TRUE(outcome.refresh);
  EXPECT_EQ(strip.inMark, 36);
  EXPECT_EQ(strip.outMark, 67);

  // A Shift press on a later frame extends the selection to its last block.
  PressFrame(strip, 5, ToolAction(Tool::Arrow, MouseButton::Left, true));
  EXPECT_EQ(strip.inMark, 36);
  EXPECT_EQ(strip.outMark, 4 + 4 * 32 + 31);

  // Selecting the frame that is exactly the selection selects everything.
  PressFrame(strip, 2, FrameAction::SelectFrame);
  PressFrame(strip, 2, FrameAction::SelectFrame);
  EXPECT_EQ(strip.inMark, kMarkStart);
  EXPECT_EQ(strip.outMark, kMarkEnd);
}

TEST(PressFrame, ViewersLeaveTheStateAlone) {
  StripState strip = StripWith(1000);
  strip.inMark = 40;
  strip.outMark = 90;
  for (FrameAction action : {FrameAction::ViewText, FrameAction::ViewPicture}) {
    const FrameOutcome outcome = PressFrame(strip, 4, action);
    EXPECT_TRUE(outcome.openViewer);
    EXPECT_FALSE(outcome.refresh);
    EXPECT_EQ(outcome.viewerAsText, action == FrameAction::ViewText);
    EXPECT_EQ(outcome.viewerBlock, 100);
    EXPECT_EQ(strip.firstVisible, 4);
    EXPECT_EQ(strip.step, 32);
    EXPECT_EQ(strip.inMark, 40);
    EXPECT_EQ(strip.outMark, 90);
  }

  // Block 99 is the last of a 100 entry demo; frame 5 (block 132) shows none.
  StripState shortDemo = StripWith(100);
  shortDemo.firstVisible = 99;
  EXPECT_TRUE(PressFrame(shortDemo, 1, FrameAction::ViewText).openViewer);
  shortDemo.firstVisible = 4;
  const FrameOutcome pastEnd = PressFrame(shortDemo, 5, FrameAction::ViewPicture);
  EXPECT_FALSE(pastEnd.openViewer);
  EXPECT_FALSE(pastEnd.refresh);
}

TEST(Scroll, OneFrame) {
  StripState strip = StripWith(100);
  strip.step = 1;
  for (int i = 0; i < 200; ++i) ScrollFrameRight(strip);
  EXPECT_EQ(strip.firstVisible, 90);  // 90 + 9 reaches the last entry, 99
  ScrollFrameLeft(strip);
  EXPECT_EQ(strip.firstVisible, 89);
  for (int i = 0; i < 200; ++i) ScrollFrameLeft(strip);
  EXPECT_EQ(strip.firstVisible, 4);

  StripState wide = StripWith(100);  // step 32 already shows past the end
  ScrollFrameRight(wide);
  EXPECT_EQ(wide.firstVisible, 4);
}

TEST(Scroll, NineFrames) {
  StripState strip = StripWith(100);
  strip.step = 1;
  ScrollPageRight(strip);
  EXPECT_EQ(strip.firstVisible, 13);
  for (int i = 0; i < 20; ++i) ScrollPageRight(strip);
  EXPECT_EQ(strip.firstVisible, 94);  // frames show 94 to 102, the last three empty
  ScrollPageLeft(strip);
  EXPECT_EQ(strip.firstVisible, 85);
  strip.firstVisible = 10;
  ScrollPageLeft(strip);
  EXPECT_EQ(strip.firstVisible, 4);
}

TEST(Scroll, NothingMovesWithoutADemo) {
  StripState strip('M');
  strip.firstVisible = 40;
  strip.step = 1;
  ScrollFrameLeft(strip);
  ScrollFrameRight(strip);
  ScrollPageLeft(strip);
  ScrollPageRight(strip);
  EXPECT_EQ(strip.firstVisible, 40);
}

TEST(DescribeFrames, CaptionsAndSelection) {
  StripState strip = StripWith(10);
  strip.step = 1;
  strip.demo.Blocks[5] = std::make_shared<Block>(Block{"block 5", " time 1.5s;"});
  strip.demo.Blocks[6] = std::make_shared<Block>(Block{" time 0.5s;", "x", "y", " time 2:3.25m;"});
  strip.inMark = 6;
  strip.outMark = 11;

  const auto numbers = DescribeFrames(strip, 0);
  for (int i = 0; i < kFrames; ++i) {
    const FrameView& frame = numbers[static_cast<std::size_t>(i)];
    SCOPED_TRACE(i);
    EXPECT_EQ(frame.block, 4 + i);
    EXPECT_EQ(frame.pastEnd, frame.block > 9);
    EXPECT_EQ(frame.selected, frame.block >= 6 && frame.block <= 11);
    EXPECT_EQ(frame.caption, frame.pastEnd ? "" : std::to_string(frame.block));
  }

  const auto times = DescribeFrames(strip, 1);
  EXPECT_EQ(times[0].caption, "");  // block 4 has no time line
  EXPECT_EQ(times[1].caption, " 1.5s");
  EXPECT_EQ(times[2].caption, " 2:3.25m");  // the last time line among the first four
  EXPECT_TRUE(times[6].pastEnd);
  EXPECT_EQ(times[6].caption, "");
  EXPECT_TRUE(times[6].selected);
  EXPECT_FALSE(times[8].selected);
}

TEST(FitStep, FollowsTheDemoLength) {
  EXPECT_EQ(FitStep(73), 1);
  EXPECT_EQ(FitStep(145), 2);
  EXPECT_EQ(FitStep(1001), 16);
  EXPECT_EQ(FitStep(101), 1);
  EXPECT_EQ(FitStep(0), 1);
  EXPECT_EQ(FitStep(1), 1);
}

TEST(Thumbnails, NamesAndPaths) {
  Settings settings;
  settings.previewpath = "game/id1/";
  EXPECT_EQ(ThumbnailName('F', 12), "F12.pcx");
  EXPECT_EQ(ThumbnailPath(settings, 'M', 0), "game/id1/M0.pcx");
}

// ResetStrip on a demo of `entries` entries: it deletes M0 to M<entries-1>
// and nothing else.
void CheckReset(std::int32_t entries) {
  SCOPED_TRACE(entries);
  test::TempDir dir;
  Settings settings;
  settings.previewpath = dir.Path();
  const std::vector<std::string> deleted = {"M0.pcx", "M4.pcx", "M" + std::to_string(entries - 1) + ".pcx"};
  const std::vector<std::string> kept = {"M" + std::to_string(entries) + ".pcx",
                                         "F4.pcx",
                                         "M04.pcx",
                                         "M00.pcx",
                                         "M-0.pcx",
                                         "M4.txt",
                                         "M4.pcx.bak",
                                         "XM4.pcx",
                                         "M.pcx",
                                         "m4.pcx",
                                         "M4x.pcx"};
  for (const auto& name : deleted) test::WriteFile(dir.File(name), "x");
  for (const auto& name : kept) test::WriteFile(dir.File(name), "x");

  StripState strip = StripWith(entries);
  strip.firstVisible = 20;
  strip.step = 2;
  strip.inMark = 7;
  strip.outMark = 9;
  ResetStrip(strip, settings);

  for (const auto& name : deleted) EXPECT_FALSE(test::FileExists(dir.File(name))) << name;
  for (const auto& name : kept) EXPECT_TRUE(test::FileExists(dir.File(name))) << name;
  EXPECT_FALSE(strip.HasDemo());
  EXPECT_EQ(strip.Entries(), 0);
  EXPECT_EQ(strip.firstVisible, kFirstVisibleBlock);
  EXPECT_EQ(strip.step, kInitialStep);
  EXPECT_EQ(strip.inMark, kMarkStart);
  EXPECT_EQ(strip.outMark, kMarkEnd);
}

TEST(ResetStrip, DeletesOnlyTheStripsThumbnails) {
  CheckReset(12);   // one name per entry
  CheckReset(700);  // the folder is listed instead
}

}  // namespace
}  // namespace clipvex
