// Where the main window's controls and a strip's frames go for a given size
// of the window's client area. At the smallest size (1024 wide) everything
// sits where the window's form puts it; a larger window stretches the two
// strips and their nine frames, while the row of buttons between the strips
// keeps its places and the right-hand labels and the memory panel stay at
// the right end. Plain C++, tested without a window.
#pragma once

#include <array>

#include "strip/stripstate.h"

namespace clipvex {

struct Box {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int Right() const { return x + width; }    // one past the last column
  int Bottom() const { return y + height; }  // one past the last row
  friend bool operator==(const Box&, const Box&) = default;
};

bool Overlap(const Box& a, const Box& b);

// The form's sizes: the client area's width, the strips' height, the height
// of a strip's navigation row (its scroll bar and position text).
inline constexpr int kFormClientWidth = 1024;
inline constexpr int kFormStripHeight = 105;
inline constexpr int kNavRowHeight = 16;

// Frame i (0 to 8) of a strip of the given size: the caption above, the
// picture below it. The pictures keep the form's 107:80 shape as long as the
// strip is tall enough; at 1017 x 105 they are the form's 107 x 80 at
// x = 8 + i * 112.
struct FrameBoxes {
  std::array<Box, kFrames> captions;
  std::array<Box, kFrames> pictures;
};
FrameBoxes LayOutFrames(int stripWidth, int stripHeight);

// The strip height whose pictures have the 107:80 shape at this width.
int NaturalStripHeight(int stripWidth);

struct WindowLayout {
  Box masterStrip, finalStrip;
  Box masterScroll, finalScroll;      // scroll bars under the strips
  Box masterPosition, finalPosition;  // position texts right of them
  // How far the row between the strips (preview, scroll and play buttons,
  // the centre panel) moves down from its place in the form, how far the
  // controls anchored at the right end move right, how far the controls
  // under the final strip move down.
  int middleShift = 0;
  int rightShift = 0;
  int bottomShift = 0;
  int usedHeight = 0;  // the bottom of the last control
};

// The form's client height grown by the two navigation rows.
int MinimumClientHeight();

// `positionWidth` is the room the position text needs. Sizes below the
// minimum are laid out as the minimum.
WindowLayout LayOutWindow(int clientWidth, int clientHeight, int positionWidth);

}  // namespace clipvex
