// Any text as a demo's blocks (a new block at each line holding "block"):
// the check never fails, and every finding names a block of the demo.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "document/democheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  clipvex::TDemFile demo;
  demo.Blocks.push_back(std::make_shared<clipvex::Block>(clipvex::Block{"track -1;"}));
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (demo.Blocks.size() == 1 || line.find("block") != std::string_view::npos) {
      demo.Blocks.push_back(std::make_shared<clipvex::Block>());
    }
    demo.Blocks.back()->Add(line);
  }
  for (const clipvex::DemoProblem& problem : clipvex::CheckDemo(demo)) {
    if (problem.block == 0 || problem.block >= demo.Blocks.size()) std::abort();
    if (clipvex::DescribeProblem(problem).empty()) std::abort();
  }
  return 0;
}
