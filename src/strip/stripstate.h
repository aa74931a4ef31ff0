// The state of a film strip without its widgets: the demo it holds, the view
// (first visible block, blocks per frame) and the selection, with every rule
// of pressing frames, scrolling and zooming. Plain C++, tested without a
// window.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "document/block.h"
#include "settings/settings.h"

namespace clipvex {

inline constexpr int kFrames = 9;
inline constexpr std::int32_t kFirstVisibleBlock = 4;  // a strip never shows an index below this
inline constexpr std::int32_t kMarkStart = 4;          // in-mark: from the first ordinary block
inline constexpr std::int32_t kMarkEnd = 100000;       // out-mark: to the end of the demo
inline constexpr std::int32_t kInitialStep = 32;

// What a press on a frame means, in the order the tools define them.
enum class FrameAction { ZoomIn, ZoomOut, ViewText, ViewPicture, SetIn, SetOut, SelectFrame };

// The seven buttons of the Tools tool bar; exactly one is down.
enum class Tool { Arrow, ZoomIn, ZoomOut, ZoomImage, ToText, In, Out };

enum class MouseButton { Left, Right, Middle };

// The action of a press with `button` (and Shift held or not) while `tool` is down.
FrameAction ToolAction(Tool tool, MouseButton button, bool shift);

struct StripState {
  explicit StripState(char stripLetter) : letter(stripLetter) {}

  char letter;  // 'M' for the source strip, 'F' for the final strip
  std::int32_t inMark = kMarkStart;
  std::int32_t outMark = kMarkEnd;
  std::int32_t firstVisible = kFirstVisibleBlock;
  std::int32_t step = kInitialStep;
  TDemFile demo;
  std::string fileName;  // empty: the strip holds no demo
  // Every time line is what RetimeDemo gives the demo as it stands. The
  // undo history relies on it to replay a retiming instead of keeping the
  // old time lines; anything that may change times, durations or the order
  // of blocks without retiming clears it.
  bool timesRetimed = true;

  bool HasDemo() const { return !fileName.empty(); }
  // Number of block list entries (N), 0 without blocks.
  std::int32_t Entries() const { return static_cast<std::int32_t>(demo.Blocks.size()); }
  // Block index shown by frame `frame` (1 to 9).
  std::int64_t FrameBlock(int frame) const {
    return static_cast<std::int64_t>(firstVisible) + static_cast<std::int64_t>(frame - 1) * step;
  }
  bool Selected(std::int64_t block) const { return inMark <= block && block <= outMark; }
};

// The zoom for a demo of `entries` block list entries: 2 to the power of
// log2((N - 1) / 72) taken to the nearest integer, 1 when that is not
// positive or the demo has fewer than two entries.
std::int32_t FitStep(std::size_t entries);

// The thumbnail file of block `block` of the strip with letter `letter`:
// previewpath + letter + block in decimal + ".pcx".
std::string ThumbnailName(char letter, std::int64_t block);
std::string ThumbnailPath(const Settings& settings, char letter, std::int64_t block);

// The thumbnail file of block `block` when there is one (the one test of
// "has this block a thumbnail?" that the strips and the block viewer make).
std::optional<std::string> ThumbnailFile(const Settings& settings, char letter, std::int64_t block);

// The block index a thumbnail file name of strip `letter` stands for, or -1
// for any other name (decimal without leading zeros, then ".pcx").
std::int64_t ThumbnailIndex(const std::string& name, char letter);

// What a frame shows after a refresh.
struct FrameView {
  std::int64_t block = 0;  // block index of the frame
  bool pastEnd = false;    // past the last entry: empty caption, white placeholder
  bool selected = false;   // inside the selection: red caption, otherwise a red cross
  std::string caption;     // block number or time text, empty past the end
};

// labelMode 0 captions frames with block numbers, 1 with block times.
std::array<FrameView, kFrames> DescribeFrames(const StripState& strip, int labelMode);

// The outcome of a press on a frame that the widget acts on.
struct FrameOutcome {
  bool refresh = false;       // strip state changed: redraw
  bool openViewer = false;    // open the block viewer on `viewerBlock`
  bool viewerAsText = false;  // in text mode (else picture mode)
  std::int64_t viewerBlock = 0;
};

// Applies `action` to frame `frame` (1 to 9) of a strip that holds a demo.
// A view press on a frame past the last entry opens no viewer.
FrameOutcome PressFrame(StripState& strip, int frame, FrameAction action);

// The scroll buttons. Each changes firstVisible only while the strip holds a demo.
void ScrollFrameLeft(StripState& strip);
void ScrollFrameRight(StripState& strip);
void ScrollPageLeft(StripState& strip);
void ScrollPageRight(StripState& strip);

// Back to the state of a strip without a demo: marks, view and file name
// reset, blocks freed. Deletes the strip's thumbnail file of every entry.
void ResetStrip(StripState& strip, const Settings& settings);

}  // namespace clipvex
