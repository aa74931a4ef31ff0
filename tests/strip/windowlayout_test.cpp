#include "strip/windowlayout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace clipvex {
namespace {

constexpr int kPosition = 300;  // room for the position text

// Every box of a strip's frames lies inside the strip, and none overlaps another.
void ExpectFramesFit(const FrameBoxes& frames, int stripWidth, int stripHeight) {
  std::vector<Box> all;
  for (int i = 0; i < kFrames; ++i) {
    all.push_back(frames.captions[static_cast<std::size_t>(i)]);
    all.push_back(frames.pictures[static_cast<std::size_t>(i)]);
  }
  for (std::size_t a = 0; a < all.size(); ++a) {
    EXPECT_GE(all[a].x, 2) << a;
    EXPECT_GE(all[a].y, 2) << a;
    EXPECT_LE(all[a].Right(), stripWidth - 2) << a;
    EXPECT_LE(all[a].Bottom(), stripHeight - 2) << a;
    for (std::size_t b = a + 1; b < all.size(); ++b) EXPECT_FALSE(Overlap(all[a], all[b])) << a << " " << b;
  }
}

// The strips, their navigation rows and the row between the strips (its
// form box moved by the layout) do not overlap and fit in the client area.
void ExpectWindowFits(const WindowLayout& l, int width, int height) {
  const Box middle{0, 116 + l.middleShift, 870, 73};
  const std::vector<Box> boxes = {l.masterStrip, l.masterScroll, l.masterPosition, middle,
                                  l.finalStrip,  l.finalScroll,  l.finalPosition};
  for (std::size_t a = 0; a < boxes.size(); ++a) {
    EXPECT_GE(boxes[a].x, 0) << a;
    EXPECT_LE(boxes[a].Right(), width) << a;
    EXPECT_LE(boxes[a].Bottom(), height) << a;
    for (std::size_t b = a + 1; b < boxes.size(); ++b) EXPECT_FALSE(Overlap(boxes[a], boxes[b])) << a << " " << b;
  }
  EXPECT_LE(l.usedHeight, height);
}

TEST(WindowLayout, TheFormsPlacesAtItsSize) {
  EXPECT_EQ(MinimumClientHeight(), 301 + 2 * (2 + kNavRowHeight));
  const WindowLayout l = LayOutWindow(1024, MinimumClientHeight(), kPosition);
  EXPECT_EQ(l.masterStrip, (Box{4, 4, 1017, 105}));
  // The navigation row is inserted under each strip; the rest keeps its
  // form distances.
  EXPECT_EQ(l.masterScroll.y, 4 + 105 + 2);
  EXPECT_EQ(l.middleShift, 18);
  EXPECT_EQ(l.finalStrip, (Box{4, 192 + 18, 1017, 105}));
  EXPECT_EQ(l.finalScroll.y, 210 + 105 + 2);
  EXPECT_EQ(l.rightShift, 0);
  EXPECT_EQ(l.usedHeight, MinimumClientHeight());
  // The scroll bar spans the strip but for the position text at its right.
  EXPECT_EQ(l.masterScroll.x, 4);
  EXPECT_EQ(l.masterPosition.Right(), 4 + 1017);
  EXPECT_EQ(l.masterPosition.width, kPosition);
  EXPECT_LT(l.masterScroll.Right(), l.masterPosition.x);
  ExpectWindowFits(l, 1024, MinimumClientHeight());

  const FrameBoxes frames = LayOutFrames(1017, 105);
  for (int i = 0; i < kFrames; ++i) {
    EXPECT_EQ(frames.pictures[static_cast<std::size_t>(i)], (Box{8 + i * 112, 20, 107, 80})) << i;
    EXPECT_EQ(frames.captions[static_cast<std::size_t>(i)], (Box{8 + i * 112, 2, 107, 17})) << i;
  }
  ExpectFramesFit(frames, 1017, 105);

  // Smaller than the form is laid out as the form.
  const WindowLayout small = LayOutWindow(600, 200, kPosition);
  EXPECT_EQ(small.masterStrip, l.masterStrip);
  EXPECT_EQ(small.finalStrip, l.finalStrip);
  EXPECT_EQ(small.middleShift, l.middleShift);
}

TEST(WindowLayout, AMaximisedWindowStretchesTheStripsAndTheirPictures) {
  const int width = 1280;
  const int height = 945;  // a 1280 x 1024 screen less the menu, tool and status bars
  const WindowLayout l = LayOutWindow(width, height, kPosition);
  EXPECT_EQ(l.masterStrip.width, 1273);
  EXPECT_EQ(l.finalStrip.width, 1273);
  EXPECT_EQ(l.masterStrip.height, l.finalStrip.height);
  EXPECT_GT(l.masterStrip.height, 105);
  EXPECT_EQ(l.rightShift, 256);  // the right-hand labels keep to the right end
  ExpectWindowFits(l, width, height);

  const FrameBoxes frames = LayOutFrames(l.masterStrip.width, l.masterStrip.height);
  ExpectFramesFit(frames, l.masterStrip.width, l.masterStrip.height);
  const Box& first = frames.pictures[0];
  const Box& last = frames.pictures[kFrames - 1];
  EXPECT_GT(first.width, 107);
  EXPECT_GT(first.height, 80);
  // The form's shape of a picture, 107:80, within a pixel.
  EXPECT_LE(std::abs(first.height * 107 - first.width * 80), 107);
  // Equal frames, evenly spaced, the margins at both ends alike.
  for (int i = 1; i < kFrames; ++i) {
    EXPECT_EQ(frames.pictures[static_cast<std::size_t>(i)].width, first.width);
    EXPECT_EQ(frames.pictures[static_cast<std::size_t>(i)].x - frames.pictures[static_cast<std::size_t>(i - 1)].x,
              first.width + 5);
  }
  EXPECT_LE(std::abs((l.masterStrip.width - last.Right()) - first.x), 2);
}

TEST(WindowLayout, AWideLowWindowKeepsTheStripsAtTheirHeight) {
  // No room to grow in height: the pictures widen instead, and the
  // thumbnails are drawn in them keeping their shape.
  const WindowLayout l = LayOutWindow(1600, MinimumClientHeight(), kPosition);
  EXPECT_EQ(l.masterStrip.height, 105);
  EXPECT_EQ(l.masterStrip.width, 1593);
  ExpectWindowFits(l, 1600, MinimumClientHeight());
  const FrameBoxes frames = LayOutFrames(l.masterStrip.width, l.masterStrip.height);
  EXPECT_EQ(frames.pictures[0].height, 80);
  EXPECT_GT(frames.pictures[0].width, 160);
  ExpectFramesFit(frames, l.masterStrip.width, l.masterStrip.height);

  // Taller than the pictures need: the strips stop at the pictures' shape
  // and the rest stays free below.
  const WindowLayout tall = LayOutWindow(1024, 2000, kPosition);
  EXPECT_EQ(tall.masterStrip.height, 105);
  EXPECT_LT(tall.usedHeight, 2000);
}

TEST(WindowLayout, HugeSizesStayInRange) {
  const WindowLayout l = LayOutWindow(40000, 30000, kPosition);
  ExpectWindowFits(l, 40000, 30000);
  const FrameBoxes frames = LayOutFrames(l.masterStrip.width, l.masterStrip.height);
  ExpectFramesFit(frames, l.masterStrip.width, l.masterStrip.height);
  // The position text never takes more than half the row.
  const WindowLayout greedy = LayOutWindow(1024, 400, 5000);
  EXPECT_GT(greedy.masterScroll.width, 400);
}

}  // namespace
}  // namespace clipvex
