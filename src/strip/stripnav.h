// Moving along a strip with the keyboard, the mouse wheel and the scroll bar
// under it, and the position text beside that scroll bar. Plain C++ beside
// the rules of the scroll buttons (stripstate.h), which these leave alone.
#pragma once

#include <cstdint>
#include <string>

#include "strip/stripstate.h"

namespace clipvex {

// The keys that move the active strip.
enum class NavKey { FrameBack, FrameForward, PageBack, PageForward, Home, End };

// firstVisible of the last page, where nine frames right ends:
// max(4, (L div step) * step + 4 - 9 * step) with L = N - 1.
std::int32_t LastPageStart(const StripState& strip);

// Applies a key to a strip that holds a demo (without one nothing moves):
// one frame back or forward (Left, Right), nine frames (Page Up, Page Down),
// the start (Home) or the last page (End). One frame back never goes below
// 4 and reaches 4 from a start less than a step above it; one frame forward
// and the page keys follow the scroll buttons' rules.
void NavigateStrip(StripState& strip, NavKey key);

// Scrolls by `frames` frames (negative: back), one frame at a time as the
// Left and Right keys do. A wheel notch is one frame.
void ScrollFrames(StripState& strip, std::int64_t frames);

// The scroll bar under a strip: its value is firstVisible, its range the
// whole demo and its page the nine frames, so at its right end the last
// frame stands for the last entry. A start past that end (the buttons and
// zooming can go there) shows the bar at its right end.
struct ScrollBarModel {
  int minimum = kFirstVisibleBlock;
  int maximum = kFirstVisibleBlock;
  int value = kFirstVisibleBlock;
  int singleStep = 1;
  int pageStep = 1;
  bool enabled = false;  // only while the strip holds a demo
};
ScrollBarModel ScrollBarFor(const StripState& strip);

// The firstVisible that a scroll bar moved to `value` stands for: the
// nearest start a whole number of steps from the current one (so the frames
// keep showing the blocks that have thumbnails), within the bar's range; at
// either end of the range the end itself. Without a demo: unchanged.
std::int32_t ScrollBarTarget(const StripState& strip, std::int64_t value);

// "blocks 4-260 of 1,324 · 0:00.0-0:12.8": the blocks frame 1 and the last
// frame inside the demo show, the last entry's index, and the times of those
// two blocks from their time lines (a block without a time line gives no
// time; without either time the part after the dot is left out). Empty
// without a demo; a strip zoomed past its end says so. UTF-8.
std::string PositionText(const StripState& strip);

// 1324 -> "1,324".
std::string GroupThousands(std::int64_t value);
// Seconds as "m:ss.t" or "h:mm:ss.t" (tenths rounded); empty for a time that
// is not a finite number or beyond a hundred thousand hours.
std::string ShortTime(double seconds);

}  // namespace clipvex
