#include "document/retime.h"

#include <algorithm>

#include "document/demotime.h"
#include "document/numtext.h"
#include "document/real48.h"

namespace clipvex {

long double DurationOf(const Block& block) {
  std::string_view comment = block.Last();
  std::string_view number = comment.size() > 3 ? comment.substr(3, 20) : std::string_view{};
  return StrToFloat(number);
}

void RetimeDemo(TDemFile& demo) {
  double t = 0;
  for (std::size_t b = 1; b < demo.Blocks.size(); ++b) {
    Block& block = *demo.Blocks[b];
    if (block.Count() < 2) continue;
    std::size_t last = std::min<std::size_t>(3, block.Count() - 1);
    std::size_t found = 0;
    for (std::size_t i = 1; i <= last; ++i) {
      if (IsTimeLine(block[i])) found = i;
    }
    if (found == 0) continue;
    // A duration comment holds the time since the time line before the
    // block, so the block's own time is the sum including its duration:
    // adding after writing would hand every block its predecessor's
    // interval and shift the timing by one block on every open and save.
    t = RoundReal48(static_cast<long double>(t) + DurationOf(block));
    block.Put(found, FormatTimeLine(t));
  }
}

}  // namespace clipvex
