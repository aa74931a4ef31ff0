// The game's 256-colour palette: 16 rows of 16 shades, darkest first. Rows
// 0 to 14 colour the view and follow the screen tint; row 15 holds the
// console's own colours, which no tint touches, so the console stays
// readable whatever a demo did to the screen.
#pragma once

#include <array>
#include <cstdint>

#include "playstate.h"

namespace winquake {

using Palette = std::array<std::uint8_t, 768>;

enum PaletteRow : std::uint8_t {
  kRowGrey = 0x00,
  kRowBrown = 0x10,
  kRowSky = 0x20,
  kRowGreen = 0x30,
  kRowRed = 0x40,
  kRowYellow = 0x50,
  kRowOrange = 0x60,
  kRowPurple = 0x70,
  kRowCyan = 0x80,
  kRowFloor = 0x90,
  kRowTan = 0xa0,
  kRowPink = 0xb0,
  kRowBlue = 0xc0,
  kRowGold = 0xd0,
  kRowFlame = 0xe0,
  kRowUi = 0xf0,
};

// Colours of the console row.
enum UiColor : std::uint8_t {
  kUiBlack = 0xf0,
  kUiBack1 = 0xf1,  // console background, dark to light: f1..f5
  kUiBack5 = 0xf5,
  kUiEdge = 0xf6,
  kUiText = 0xf7,
  kUiWhite = 0xf8,
  kUiGoldText = 0xf9,
  kUiDim = 0xfa,
  kUiPanel = 0xfb,
  kUiRed = 0xfc,
};

const Palette& BasePalette();

// The palette with `blend` laid over rows 0 to 14.
Palette ShiftedPalette(const Blend& blend);

}  // namespace winquake
