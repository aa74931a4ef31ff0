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

TEST(RetimeDemo, TheMinuteForm) {
  TDemFile demo = DemoOf({TimedBlock("0s", 59.5), TimedBlock("0s", 1.0), TimedBlock("0s", 0)});
  RetimeDemo(demo);
  EXPECT_EQ((*demo.Blocks[1])[2], " time 59.500000000s;");
  EXPECT_EQ((*demo.Blocks[2])[2], " time 1:0.500000000m;");
  EXPECT_EQ((*demo.Blocks[3])[2], " time 1:0.500000000m;");
}

// Where the clock goes back, a level starts again at its own first time
// (never below zero) when a serverinfo comes before it; without one the
// jump counts 0.05 s. Each row: the time each timed block holds before
// retiming (its duration follows from the row's durations), and after.
TEST(RetimeDemo, TheClockGoesBackOnlyWhereALevelStarts) {
  const auto serverinfo = [] {
    return std::make_shared<Block>(
        Block{"block {", " serverinfo 666 maxclients 1 gametype 0 level \"\";", "}", "// 0.05"});
  };
  const struct {
    const char* name;
    bool level;  // a serverinfo block in front of the third timed block
    std::vector<const char*> standing;
    std::vector<double> durations;
    std::vector<const char*> expected;
  } cases[] = {
      {"a second level keeps its first time",
       true,
       {"9s", "9s", "1.434000015s", "9s"},
       {0.05, 0.1, -47.9, 0.014},
       {"0.050000000s", "0.150000000s", "1.434000015s", "1.448000015s"}},
      {"a shorter first level moves no later level",
       true,
       {"9s", "9s", "1.434000015s", "9s"},
       {0.01, 0.01, -47.9, 0.014},
       {"0.010000000s", "0.020000000s", "1.434000015s", "1.448000015s"}},
      {"a level written below zero starts at zero",
       true,
       {"9s", "9s", "-17.590000000s", "9s"},
       {0.05, 0.1, -30, 0.014},
       {"0.050000000s", "0.150000000s", "0.000000000s", "0.014000000s"}},
      {"the minute form is read in full",
       true,
       {"9s", "9s", "1:0.011001587m", "9s"},
       {0.05, 0.1, -3, 0.014},
       {"0.050000000s", "0.150000000s", "1:0.011001587m", "1:0.025001587m"}},
      {"no serverinfo: a jump of 0.05 s",
       false,
       {"9s", "9s", "1.434000015s", "9s"},
       {0.05, 0.1, -47.9, 0.014},
       {"0.050000000s", "0.150000000s", "0.200000000s", "0.214000000s"}},
      {"a level starting past 1024 s",
       true,
       {"9s", "9s", "25:0.123456789m", "9s"},
       {0.05, 0.1, -3, 0.25},
       {"0.050000000s", "0.150000000s", "25:0.123456789m", "25:0.373456789m"}},
      {"the demo's first time line starts its first level",
       false,
       {"2.5s", "9s", "9s", "9s"},
       {-3, 0.1, 0.05, 0.014},
       {"2.500000000s", "2.600000000s", "2.650000000s", "2.664000000s"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<BlockPtr> blocks;
    for (std::size_t i = 0; i < c.standing.size(); ++i) {
      if (i == 2) blocks.push_back(c.level ? serverinfo() : std::make_shared<Block>(Block{"block {", "}", "// 0.05"}));
      blocks.push_back(TimedBlock(c.standing[i], c.durations[i]));
    }
    TDemFile demo = DemoOf(blocks);
    const auto times = [&blocks] {
      std::vector<std::string> lines;
      for (const BlockPtr& block : blocks) {
        if (block->Count() > 4) lines.emplace_back((*block)[2]);
      }
      return lines;
    };
    RetimeDemo(demo);
    std::vector<std::string> expected;
    for (const char* t : c.expected) expected.push_back(std::string(" time ") + t + ";");
    EXPECT_EQ(times(), expected);
    // Retiming again changes nothing: an undo may retime instead of
    // keeping the old time lines.
    RetimeDemo(demo);
    EXPECT_EQ(times(), expected);
  }
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
