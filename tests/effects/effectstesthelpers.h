// Demos for the effects tests: blocks as the dump reader leaves them, with
// the duration comment a 0.05 s block gets (0.0500000000000114).
#pragma once

#include <string>
#include <vector>

#include "editing/editingtesthelpers.h"

namespace clipvex::test {

inline constexpr const char* kTwentieth = "0.0500000000000114";

// A demo of `blocks` ordinary blocks B4, B5, ... all lasting 0.05 s, retimed.
inline TDemFile EvenDemo(int blocks) {
  TDemFile demo = MakeDemo(blocks);
  for (std::size_t b = 1; b < demo.Blocks.size(); ++b) {
    Block& block = *demo.Blocks[b];
    block.Put(block.Count() - 1, std::string("// ") + kTwentieth);
  }
  RetimeDemo(demo);
  return demo;
}

// The duration comments of blocks first to last.
inline std::vector<std::string> Comments(const TDemFile& demo, std::size_t first, std::size_t last) {
  std::vector<std::string> comments;
  for (std::size_t b = first; b <= last; ++b) comments.emplace_back(demo.Blocks[b]->Last());
  return comments;
}

// The lines of block `b`.
inline std::vector<std::string> LinesOf(const TDemFile& demo, std::size_t b) { return demo.Blocks[b]->Lines(); }

}  // namespace clipvex::test
