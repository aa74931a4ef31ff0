// The edits of enginecases.h, saved as .dem through the converter, play to
// their end in a real engine.
#include <gtest/gtest.h>

#include <filesystem>

#include "enginecases.h"
#include "uisupport/realengine.h"

namespace clipvex {
namespace {

TEST(EngineCasesOracle, EditedDemosPlayToTheirEnd) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder(), test::OracleScript());
  test::TempDir dir;
  for (const test::EngineCase& c : test::EngineCases()) {
    SCOPED_TRACE(c.name);
    test::EditHarness h(test::OpenDemo(test::kEngineCaseDemo));
    ASSERT_TRUE(test::RunEngineCase(h, c));
    const std::string saved = dir.File("edited.dem");
    test::SaveDemoFile(h.strip.demo, saved);
    const std::string verdict = test::Verdict(saved);
    EXPECT_EQ(verdict.rfind("PASS", 0), 0u) << verdict;
  }
}

}  // namespace
}  // namespace clipvex
