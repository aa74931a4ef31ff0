// Color Fade: a v_cshift console line in every block of a range, blending
// colour and opacity linearly from a start to an end. Lines of an earlier
// fade at the head of a block go first, so a second fade replaces the
// first. dialogs/colorfadedialog.* is the dialog; these are its rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "document/block.h"
#include "editing/editjournal.h"
#include "effects/speed.h"

namespace clipvex {

struct Rgb {
  int r = 0;
  int g = 0;
  int b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// One end of the fade: a swatch and its opacity (0 to 255). A clear swatch
// takes its colour from the other end.
struct FadeSwatch {
  Rgb color;
  bool clear = false;
  int opacity = 0;
};

// The swatches as the dialog starts: the start clear (white) at opacity 0,
// the end black at 255: a fade to black.
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr FadeSwatch kFreshStart{kWhite, true, 0};
inline constexpr FadeSwatch kFreshEnd{kBlack, false, 255};

// What the dialog's controls hold when OK is pressed.
struct ColorFadeInput {
  std::string from;  // st_block
  std::string to;    // end_block
  FadeSwatch start = kFreshStart;
  FadeSwatch end = kFreshEnd;
};

// The colours the fade runs between: the start swatch's colour unless it is
// clear (then the end's), and the end swatch's unless it is clear (then the
// start colour just chosen).
struct FadeEnds {
  Rgb start;
  Rgb end;
  int startOpacity = 0;
  int endOpacity = 0;
};
FadeEnds ResolveFade(const FadeSwatch& start, const FadeSwatch& end);

struct Cshift {
  int r = 0;
  int g = 0;
  int b = 0;
  int a = 0;
  friend bool operator==(const Cshift&, const Cshift&) = default;
};

// The nearest integer, halves to the even neighbour.
int RoundHalfEven(long double value);

// The tint of block `i` of `from`..`to`: t = (i - from) / (to - from) and
// u = 1 - t as 48-bit reals, each part round(u * start + t * end). A range
// of one block raises "Invalid floating point operation".
Cshift CshiftAt(const FadeEnds& ends, std::int64_t i, std::int64_t from, std::int64_t to);

// The dump line: ' stufftext "v_cshift R G B A\n";'.
std::string CshiftLine(const Cshift& shift);

// The lines among positions 0 to 3 that the fade deletes, as the indices
// to delete one after the other: a line holding "v_cshift" is deleted, the
// lines below move up, and the scan goes on with the next position.
// Raises "List index out of bounds" when a position to look at is missing
// (a block of fewer than four lines at that point).
std::vector<std::size_t> CshiftLinesToDelete(const Block& block);

// OK: every block of the range is checked first, then each loses its old
// v_cshift lines and gets the new one as its fourth line (in front of the
// line closing its braces when that comes earlier). A failure changes
// nothing. No retiming.
void ColorFade(StripEdit& edit, const ColorFadeInput& input);

}  // namespace clipvex
