#include "strip/windowlayout.h"

#include <algorithm>
#include <cmath>

namespace clipvex {
namespace {

// The form's frames: 8 from the strip's left edge, 112 apart, pictures
// 107 x 80 under captions 17 high; 20 above a picture and 5 below it.
constexpr int kFrameLeft = 8;
constexpr int kFrameGap = 5;
constexpr int kFrameRightMargin = 6;
constexpr int kCaptionTop = 2;
constexpr int kCaptionHeight = 17;
constexpr int kPictureTop = 20;
constexpr int kPictureBottomMargin = 5;
constexpr int kFormPictureWidth = 107;
constexpr int kFormPictureHeight = 80;

// The form's vertical places in the client area: the source strip at 4, the
// row between the strips at 116 (73 high), the final strip 3 below that
// row, 4 below the final strip the client area ends.
constexpr int kStripLeft = 4;
constexpr int kStripRightMargin = 3;
constexpr int kStripTop = 4;
constexpr int kFormMiddleTop = 116;
constexpr int kMiddleHeight = 73;
constexpr int kGapBelowMiddle = 3;
constexpr int kFormFinalBottom = 297;
constexpr int kBottomMargin = 4;
// A navigation row sits 2 below its strip; the row between the strips keeps
// its form distance of 7 to what is above it.
constexpr int kNavGap = 2;
constexpr int kGapAboveMiddle = 7;
constexpr int kPositionGap = 6;

constexpr int kNavRow = kNavGap + kNavRowHeight;
constexpr int kFixedHeight =
    kStripTop + kNavRow + kGapAboveMiddle + kMiddleHeight + kGapBelowMiddle + kNavRow + kBottomMargin;

int FramePitch(int stripWidth) {
  return std::max(kFormPictureWidth + kFrameGap, (stripWidth - kFrameLeft - kFrameRightMargin + kFrameGap) / kFrames);
}

}  // namespace

bool Overlap(const Box& a, const Box& b) {
  return a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() && b.y < a.Bottom();
}

FrameBoxes LayOutFrames(int stripWidth, int stripHeight) {
  const int pitch = FramePitch(stripWidth);
  const int width = pitch - kFrameGap;
  const int used = kFrameLeft + kFrames * pitch - kFrameGap + kFrameRightMargin;
  // What the pitch's rounding leaves over is shared between both ends.
  const int left = kFrameLeft + std::max(0, stripWidth - used) / 2;
  const int height = std::max(1, stripHeight - kPictureTop - kPictureBottomMargin);
  FrameBoxes boxes;
  for (int i = 0; i < kFrames; ++i) {
    const int x = left + i * pitch;
    boxes.captions[static_cast<std::size_t>(i)] = {x, kCaptionTop, width, kCaptionHeight};
    boxes.pictures[static_cast<std::size_t>(i)] = {x, kPictureTop, width, height};
  }
  return boxes;
}

int NaturalStripHeight(int stripWidth) {
  const int width = FramePitch(stripWidth) - kFrameGap;
  const int picture =
      static_cast<int>(std::lround(static_cast<double>(width) * kFormPictureHeight / kFormPictureWidth));
  return std::max(kFormStripHeight, kPictureTop + picture + kPictureBottomMargin);
}

int MinimumClientHeight() { return kFixedHeight + 2 * kFormStripHeight; }

WindowLayout LayOutWindow(int clientWidth, int clientHeight, int positionWidth) {
  const int width = std::max(clientWidth, kFormClientWidth);
  const int height = std::max(clientHeight, MinimumClientHeight());
  const int stripWidth = width - kStripLeft - kStripRightMargin;
  // The strips are as tall as their pictures' shape asks, while both fit.
  const int stripHeight =
      std::max(kFormStripHeight, std::min(NaturalStripHeight(stripWidth), (height - kFixedHeight) / 2));
  const int position = std::clamp(positionWidth, 0, stripWidth / 2);

  WindowLayout layout;
  auto navRow = [&](const Box& strip, Box& scroll, Box& text) {
    const int y = strip.Bottom() + kNavGap;
    scroll = {kStripLeft, y, stripWidth - position - kPositionGap, kNavRowHeight};
    text = {kStripLeft + stripWidth - position, y, position, kNavRowHeight};
  };
  layout.masterStrip = {kStripLeft, kStripTop, stripWidth, stripHeight};
  navRow(layout.masterStrip, layout.masterScroll, layout.masterPosition);
  const int middleTop = layout.masterScroll.Bottom() + kGapAboveMiddle;
  layout.middleShift = middleTop - kFormMiddleTop;
  layout.finalStrip = {kStripLeft, middleTop + kMiddleHeight + kGapBelowMiddle, stripWidth, stripHeight};
  navRow(layout.finalStrip, layout.finalScroll, layout.finalPosition);
  layout.rightShift = width - kFormClientWidth;
  layout.bottomShift = layout.finalScroll.Bottom() - kFormFinalBottom;
  layout.usedHeight = layout.finalScroll.Bottom() + kBottomMargin;
  return layout;
}

}  // namespace clipvex
