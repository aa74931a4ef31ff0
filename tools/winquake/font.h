// The game's own 8x8 character cells: a 5x8 glyph per printable byte,
// drawn one column in from the cell's left edge. Bytes 128 to 255 use the
// glyph of the byte 128 lower (they are shown in gold).
#pragma once

#include <cstdint>

namespace winquake {

inline constexpr int kCharWidth = 8;
inline constexpr int kCharHeight = 8;

// Eight rows, top first; bit 4 is the leftmost of the five columns.
const std::uint8_t* GlyphRows(unsigned char c);

}  // namespace winquake
