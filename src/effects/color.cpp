#include "effects/color.h"

#include <algorithm>
#include <cmath>

#include "document/error.h"
#include "document/real48.h"
#include "editing/stuff.h"

namespace clipvex {
namespace {

constexpr std::size_t kFadeLine = 3;
constexpr std::string_view kCshift = "v_cshift";

}  // namespace

FadeEnds ResolveFade(const FadeSwatch& start, const FadeSwatch& end) {
  FadeEnds ends;
  ends.start = start.clear ? end.color : start.color;
  ends.end = end.clear ? ends.start : end.color;
  ends.startOpacity = start.opacity;
  ends.endOpacity = end.opacity;
  return ends;
}

int RoundHalfEven(long double value) {
  const long double below = std::floor(value);
  const long double rest = value - below;
  long double whole = below;
  if (rest > 0.5L || (rest == 0.5L && std::fmod(below, 2.0L) != 0)) whole += 1;
  return static_cast<int>(whole);
}

Cshift CshiftAt(const FadeEnds& ends, std::int64_t i, std::int64_t from, std::int64_t to) {
  if (to == from) throw ClipvexError("Invalid floating point operation");
  const long double t = RoundReal48(static_cast<long double>(i - from) / static_cast<long double>(to - from));
  const long double u = RoundReal48(1.0L - t);
  auto mix = [&](int first, int last) { return RoundHalfEven(u * first + t * last); };
  return {mix(ends.start.r, ends.end.r), mix(ends.start.g, ends.end.g), mix(ends.start.b, ends.end.b),
          mix(ends.startOpacity, ends.endOpacity)};
}

std::string CshiftLine(const Cshift& shift) {
  return " stufftext \"v_cshift " + std::to_string(shift.r) + " " + std::to_string(shift.g) + " " +
         std::to_string(shift.b) + " " + std::to_string(shift.a) + "\\n\";";
}

std::vector<std::size_t> CshiftLinesToDelete(const Block& block) {
  // At most three deletions come before position 3, so the first eight
  // lines are all the scan can reach.
  constexpr std::size_t kReach = kFadeLine * 2 + 2;
  std::vector<std::string_view> head;
  for (std::size_t i = 0; i < std::min(block.Count(), kReach); ++i) head.push_back(block[i]);
  std::size_t remaining = block.Count();
  std::vector<std::size_t> deletions;
  for (std::size_t position = 0; position <= kFadeLine; ++position) {
    if (position >= remaining) ThrowListIndex();
    if (head[position].find(kCshift) != std::string_view::npos) {
      // The line below moves into this position and is not looked at.
      deletions.push_back(position);
      head.erase(head.begin() + static_cast<std::ptrdiff_t>(position));
      --remaining;
    }
  }
  return deletions;
}

void ColorFade(StripEdit& edit, const ColorFadeInput& input) {
  const BlockList& blocks = edit.Demo().Blocks;
  const BlockRange range = ReadRange(input.from, input.to, blocks.size());
  if (range.Empty()) return;
  if (range.from < 0) ThrowListIndex();
  const FadeEnds ends = ResolveFade(input.start, input.end);

  struct Change {
    std::vector<std::size_t> deletions;
    std::string line;
  };
  std::vector<Change> changes;
  changes.reserve(static_cast<std::size_t>(range.to - range.from + 1));
  for (std::int64_t i = range.from; i <= range.to; ++i) {
    const Block& block = *blocks[static_cast<std::size_t>(i)];
    Change change;
    change.line = CshiftLine(CshiftAt(ends, i, range.from, range.to));
    change.deletions = CshiftLinesToDelete(block);
    changes.push_back(std::move(change));
  }
  for (std::size_t k = 0; k < changes.size(); ++k) {
    const std::size_t b = static_cast<std::size_t>(range.from) + k;
    // The same line already in its place (the same fade again): the block
    // stays as it is.
    const Block& current = *edit.Demo().Blocks[b];
    if (changes[k].deletions == std::vector<std::size_t>{kFadeLine} && current[kFadeLine] == changes[k].line &&
        InsertionLine(current) == kFadeLine) {
      continue;
    }
    for (const std::size_t line : changes[k].deletions) edit.DeleteLine(b, line);
    // A short block whose braces close before its fourth line gets the line
    // in front of the closing line, where it stays part of the block.
    const Block& block = *edit.Demo().Blocks[b];
    edit.InsertLine(b, std::min(kFadeLine, InsertionLine(block)), changes[k].line);
  }
}

}  // namespace clipvex
