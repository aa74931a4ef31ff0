// The edits of enginecases.h leave every level's times in order: no time
// below zero, none below the one before it within its level.
#include "enginecases.h"

#include <gtest/gtest.h>

#include "document/democheck.h"

namespace clipvex {
namespace {

// The first block whose time, within its level, is below zero or below the
// time before it; 0 when there is none.
std::size_t FirstTimeOutOfOrder(const TDemFile& demo) {
  bool timed = false;
  long double last = 0;
  for (std::size_t b = 1; b < demo.Blocks.size(); ++b) {
    const Block& block = *demo.Blocks[b];
    if (OpensLevel(block)) timed = false;
    for (std::size_t i = 0; i < block.Count(); ++i) {
      const std::optional<long double> t = TimeLineSeconds(block[i]);
      if (!t) continue;
      if (*t < 0 || (timed && *t < last)) return b;
      timed = true;
      last = *t;
    }
  }
  return 0;
}

TEST(EngineCases, EveryLevelsTimesStayInOrderAndTheCheckFindsNothing) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  const TDemFile opened = test::OpenDemo(test::kEngineCaseDemo);
  const std::string before = test::DumpOf(opened);
  for (const test::EngineCase& c : test::EngineCases()) {
    SCOPED_TRACE(c.name);
    test::EditHarness h(test::OpenDemo(test::kEngineCaseDemo));
    ASSERT_TRUE(test::RunEngineCase(h, c));
    EXPECT_EQ(FirstTimeOutOfOrder(h.strip.demo), 0u);
    for (const DemoProblem& problem : CheckDemo(h.strip.demo)) ADD_FAILURE() << DescribeProblem(problem);
    const std::string after = test::DumpOf(h.strip.demo);
    h.Undo();
    EXPECT_EQ(test::DumpOf(h.strip.demo), before);
    h.Redo();
    EXPECT_EQ(test::DumpOf(h.strip.demo), after);
  }
}

}  // namespace
}  // namespace clipvex
