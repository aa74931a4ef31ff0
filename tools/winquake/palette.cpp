#include "palette.h"

#include <algorithm>
#include <cmath>

namespace winquake {

namespace {

struct Rgb {
  int r, g, b;
};

std::uint8_t Byte(double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

Palette MakePalette() {
  // The brightest shade of each view row; row 14 (flame) is a ramp of its own.
  static constexpr Rgb kTop[14] = {{255, 255, 255}, {176, 116, 64},  {120, 170, 235}, {70, 225, 70},
                                   {235, 45, 45},   {245, 225, 50},  {250, 145, 35},  {180, 80, 230},
                                   {70, 225, 245},  {110, 150, 70},  {210, 180, 130}, {245, 125, 185},
                                   {60, 95, 240},   {235, 185, 75}};
  Palette p{};
  for (int row = 0; row < 14; ++row) {
    for (int shade = 0; shade < 16; ++shade) {
      const double t = (shade + 1) / 16.0;
      const int i = (row * 16 + shade) * 3;
      p[i] = Byte(kTop[row].r * t);
      p[i + 1] = Byte(kTop[row].g * t);
      p[i + 2] = Byte(kTop[row].b * t);
    }
  }
  for (int shade = 0; shade < 16; ++shade) {  // dark red through orange to pale yellow
    const double t = shade / 15.0;
    const int i = (14 * 16 + shade) * 3;
    p[i] = Byte(90 + 165 * std::min(1.0, t * 2));
    p[i + 1] = Byte(255 * std::max(0.0, t * 1.2 - 0.2));
    p[i + 2] = Byte(160 * std::max(0.0, t * 2 - 1));
  }
  static constexpr Rgb kUi[16] = {{0, 0, 0},       {20, 14, 10},    {32, 22, 16},   {44, 31, 22},
                                  {56, 40, 28},    {70, 50, 35},    {205, 150, 60}, {205, 205, 205},
                                  {255, 255, 255}, {235, 185, 75},  {135, 135, 135}, {18, 18, 26},
                                  {235, 70, 70},   {90, 200, 90},   {60, 60, 70},   {255, 255, 160}};
  for (int shade = 0; shade < 16; ++shade) {
    const int i = (15 * 16 + shade) * 3;
    p[i] = static_cast<std::uint8_t>(kUi[shade].r);
    p[i + 1] = static_cast<std::uint8_t>(kUi[shade].g);
    p[i + 2] = static_cast<std::uint8_t>(kUi[shade].b);
  }
  return p;
}

}  // namespace

const Palette& BasePalette() {
  static const Palette palette = MakePalette();
  return palette;
}

Palette ShiftedPalette(const Blend& blend) {
  Palette p = BasePalette();
  const double a = std::clamp(blend.alpha, 0.0, 1.0);
  if (a <= 0) return p;
  const double target[3] = {blend.r, blend.g, blend.b};
  for (int i = 0; i < 15 * 16 * 3; ++i) p[i] = Byte(p[i] + (target[i % 3] - p[i]) * a);
  return p;
}

}  // namespace winquake
