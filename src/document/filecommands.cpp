#include "document/filecommands.h"

#include "document/dumptext.h"

namespace clipvex {

void MakeNewDemo(TDemFile& demo) {
  demo.Header.clear();
  BlockList blocks;
  blocks.reserve(kFirstOrdinaryBlock + 1);
  for (std::size_t i = 0; i < kFirstOrdinaryBlock; ++i) blocks.push_back(std::make_shared<Block>(Block{""}));
  blocks.push_back(MakeClosingBlock());
  demo.Blocks = std::move(blocks);
}

}  // namespace clipvex
