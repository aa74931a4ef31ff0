#include "document/retime.h"

#include <gtest/gtest.h>

#include "document/demotime.h"
#include "document/dumptext.h"
#include "document/error.h"
#include "document/numtext.h"
#include "document/real48.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

BlockPtr TimedBlock(const std::string& time, double duration) {
  return std::make_shared<Block>(
      Block{"block {", " camera 0 0 0;", " time " + time + ";", " print \"x\";", "}", "// " + FormatGeneral(duration)});
}

TDemFile DemoOf(std::vector<BlockPtr> blocks) {
  TDemFile demo;
  demo.Header = "track -1;";
  demo.Blocks.push_back(std::make_shared<Block>(Block{"track -1;"}));
  for (auto& b : blocks) demo.Blocks.push_back(b);
  return demo;
}

TEST(RetimeDemo, RunningSumOfDurationComments) {
  TDemFile demo =
      DemoOf({TimedBlock("99.000000000s", RoundReal48(0.05L)), TimedBlock("3.000000000s", RoundReal48(0.1L)),
              TimedBlock("7.000000000s", RoundReal48(0.05L))});
  RetimeDemo(demo);
  // Each block's time includes its own duration.
  EXPECT_EQ((*demo.Blocks[1])[2], " time 0.050000000s;");
  EXPECT_EQ((*demo.Blocks[2])[2], " time 0.150000000s;");
  EXPECT_EQ((*demo.Blocks[3])[2], " time 0.200000000s;");
  EXPECT_EQ((*demo.Blocks[0])[0], "track -1;");
  EXPECT_EQ((*demo.Blocks[1])[3], " print \"x\";");
}

TEST(RetimeDemo, OnlyLinesOneToThreeCount) {
  auto late = std::make_shared<Block>(Block{"block {", " camera;", " a;", " b;", " time 9.000000000s;", "}", "// 5"});
  auto atZero = std::make_shared<Block>(Block{" time 4.000000000s;", "// 5"});
  auto two = std::make_shared<Block>(Block{"block {", " time 1.000000000s;", " time 2.000000000s;", "}", "// 0.5"});
  TDemFile demo = DemoOf({late, atZero, two, TimedBlock("1.000000000s", 0.25)});
  RetimeDemo(demo);
  EXPECT_EQ((*late)[4], " time 9.000000000s;");  // kept, adds nothing
  EXPECT_EQ((*atZero)[0], " time 4.000000000s;");
  EXPECT_EQ((*two)[1], " time 1.000000000s;");  // only the last one qualifies
  EXPECT_EQ((*two)[2], " time 0.500000000s;");
  EXPECT_EQ((*demo.Blocks[4])[2], " time 0.750000000s;");
}

TEST(RetimeDemo, NegativeDurationsAndTheMinuteForm) {
  TDemFile demo = DemoOf({TimedBlock("0s", 59.5), TimedBlock("0s", 1.0), TimedBlock("0s", -0.75), TimedBlock("0s", 0)});
  RetimeDemo(demo);
  EXPECT_EQ((*demo.Blocks[1])[2], " time 59.500000000s;");
  EXPECT_EQ((*demo.Blocks[2])[2], " time 1:0.500000000m;");
  EXPECT_EQ((*demo.Blocks[3])[2], " time 59.750000000s;");
  EXPECT_EQ((*demo.Blocks[4])[2], " time 59.750000000s;");
}

TEST(RetimeDemo, MissingDurationCommentStopsWithBlocksBeforeAlreadyRetimed) {
  auto bad = std::make_shared<Block>(Block{"block {", " camera;", " time 5.000000000s;", "}"});
  TDemFile demo = DemoOf({TimedBlock("3.000000000s", 0.5), bad, TimedBlock("8.000000000s", 1)});
  try {
    RetimeDemo(demo);
    FAIL() << "expected a conversion error";
  } catch (const ClipvexError& e) {
    EXPECT_STREQ(e.what(), "'' is not a valid floating point value");
  }
  EXPECT_EQ((*demo.Blocks[1])[2], " time 0.500000000s;");
  EXPECT_EQ((*demo.Blocks[2])[2], " time 5.000000000s;");  // its duration is read before it is written
  EXPECT_EQ((*demo.Blocks[3])[2], " time 8.000000000s;");
}

TEST(RetimeDemo, DemoWithoutTimeLinesIsUnchanged) {
  TDemFile demo = DemoOf({std::make_shared<Block>(Block{"block {", " camera;", "}", "// 0.05"})});
  TDemFile copy = DemoOf({CopyBlock(*demo.Blocks[1])});
  RetimeDemo(demo);
  EXPECT_EQ(*demo.Blocks[1], *copy.Blocks[1]);
}

// Reading a dump, retiming it and writing it again, as opening and saving do.
TEST(RetimeDemo, ReadRetimeWriteCyclesKeepEveryBlocksInterval) {
  test::TempDir dir;
  const std::string dump = dir.File("film.out");
  const std::vector<std::string> times = {"0.400000000s", "0.500000000s", "0.700000000s",
                                          "5.000000000s", "5.100000000s", "1:0.000000000m"};
  std::vector<std::string> lines = {"track -1;",                                         //
                                    "block {",   " camera 0 0 0;", " serverinfo;", "}",  //
                                    "block {",   " camera 0 0 0;", " signon 1;",   "}",  //
                                    "block {",   " camera 0 0 0;", " signon 2;",   "}"};
  for (const std::string& t : times) {
    for (const char* line : {"block {", " camera 1 2 3;"}) lines.emplace_back(line);
    lines.push_back(" time " + t + ";");
    lines.emplace_back("}");
  }
  test::WriteFile(dump, test::JoinLines(lines));

  // The gap of 4.3 s becomes 0.05 s; the one of 54.9 s too; every other
  // block keeps the interval to the block before it.
  const std::vector<std::string> expected = {" time 0.400000000s;", " time 0.500000000s;", " time 0.700000000s;",
                                             " time 0.750000000s;", " time 0.850000000s;", " time 0.900000000s;"};
  for (int cycle = 1; cycle <= 3; ++cycle) {
    TDemFile demo;
    test::RecordingNotifier notifier;
    ParseDump(dump, dir.File("none.dem"), demo, notifier);
    RetimeDemo(demo);
    ASSERT_EQ(demo.Blocks.size(), 4u + times.size()) << "cycle " << cycle;
    for (std::size_t i = 0; i < times.size(); ++i) {
      EXPECT_EQ((*demo.Blocks[4 + i])[2], expected[i]) << "cycle " << cycle << " block " << 4 + i;
    }
    std::size_t resets = 0;
    for (const BlockPtr& block : demo.Blocks) {
      for (std::size_t i = 0; i < block->Count(); ++i) resets += (*block)[i] == kConsoleResetLine;
    }
    EXPECT_EQ(resets, 1u) << "cycle " << cycle;
    // What is written back is read as it was, duration comments included.
    WriteDump(demo, dump);
  }
}

}  // namespace
}  // namespace clipvex
