// Time values of the dump: time lines, their three written forms
// (12.500000000s, 1:15.250000000m, 1:2:5.500000000h) and the block captions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "document/block.h"

namespace clipvex {

// A line in which the word "time" begins at the second character.
inline bool IsTimeLine(std::string_view line) { return line.size() >= 5 && line.substr(1, 4) == "time"; }

// The value of a time line in seconds, rounded to the 48-bit real.
double ParseTime(std::string_view line);

struct SplitTimeResult {
  std::int32_t hours = 0;
  std::int32_t minutes = 0;
  double seconds = 0;
};
SplitTimeResult SplitTime(double seconds);

// " time 12.500000000s;", " time 1:0.000000000m;" or " time 1:0:0.000000000h;".
std::string FormatTimeLine(double seconds);

// The thumbnail caption in the time label mode: the last time line among
// lines 0 to 3, without "time" and the semicolon (" 12.500000000s").
std::string BlockTimeText(const Block& block);

}  // namespace clipvex
