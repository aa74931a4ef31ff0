#include "document/democheck.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "support/fixturedemo.h"

namespace clipvex {
namespace {

using Lines = std::vector<std::string>;

const std::string kP15 = R"( serverinfo 15 maxclients 1 gametype 0 level "";)";
const std::string kP666 = R"( serverinfo 666 maxclients 1 gametype 0 level "";)";

// A level's sign-on blocks: serverinfo with `models` models and two sounds,
// then the three sign-on steps.
std::vector<Lines> Level(const std::string& serverinfo, int models = 3) {
  Lines first = {serverinfo};
  for (int i = 1; i <= models; ++i) first.push_back(" precache_model \"m" + std::to_string(i) + "\";");
  first.insert(first.end(), {R"( precache_sound "a.wav";)", R"( precache_sound "b.wav";)", " signonnum 1;"});
  return {first, {" signonnum 2;"}, {" time 0.500000000s;", " signonnum 3;"}};
}

std::vector<Lines> Join(std::vector<std::vector<Lines>> parts) {
  std::vector<Lines> blocks;
  for (auto& part : parts) blocks.insert(blocks.end(), part.begin(), part.end());
  return blocks;
}

// `count` messages of 18 bytes each, then `more`.
Lines Stufftexts(int count, const std::string& more = {}) {
  Lines lines(static_cast<std::size_t>(count), R"( stufftext "0123456789abcdef";)");
  if (!more.empty()) lines.push_back(more);
  return lines;
}

// Blocks as the dump reader leaves them; the first is block 1.
TDemFile DemoOf(const std::vector<Lines>& blocks) {
  TDemFile demo;
  demo.Header = "track -1;";
  demo.Blocks.push_back(std::make_shared<Block>(Block{demo.Header}));
  for (const Lines& lines : blocks) {
    Lines all = {"block {", " camera 0 0 0;"};
    all.insert(all.end(), lines.begin(), lines.end());
    all.insert(all.end(), {"}", "// 0.05"});
    demo.Blocks.push_back(std::make_shared<Block>(all));
  }
  return demo;
}

TEST(CheckDemo, FindsEachKindOfProblemAtItsBlock) {
  const struct {
    const char* name;
    std::vector<Lines> blocks;
    Lines expected;  // each finding's text starts with its line
  } cases[] = {
      {"a time that goes back within a level",
       Join({Level(kP15), {{" time 1.000000000s;"}, {" time 2.000000000s;"}, {" time 1:0.0m;"}, {" time 1.5s;"}}}),
       {"block 7: the time goes back 58.50 s"}},
      {"a time below zero, once per level",
       Join({Level(kP15), {{" time -0.250000000s;"}, {" servertime -0.125;"}}}),
       {"block 4: the time is below zero (-0.25 s)", "block 4: the time goes back 0.75 s"}},
      {"a new level starts its clock again", Join({Level(kP15), {{" time 9.000000000s;"}}, Level(kP15)}), {}},
      {"models, sounds and player slots beyond the level's",
       Join({Level(kP15),
             {{" entity 5 0x0480 model 4;", " entity 6 0x0480 model 3;", " entity 7 0x80;",
               " sound 0x00 entity 1 channel 0 sample 3 origin 0 0 0;", " updatefrags 1 5;",
               " entity 1 0x0880 colormap 2;",
               " clientdata 0x4200 items 0x00000000 weapon 7 health 1 ammo 0 shells 0 nails 0 rockets 0 cells 0 "
               "active 0;"},
              {" entity 5 0x0480 model 4;",
               " spawnbaseline 9 model 6 frame 0 colormap 0 skin 0 origin 0 0 0 angles 0 "
               "0 0;",
               " spawnstaticsound 0 0 0 sample 9 volume 255 atten 64;"}}}),
       {"block 4: model 4 is not in the level's model list (3 models)",
        "block 4: sound 3 is not in the level's sound list (2 sounds)",
        "block 4: player slot 1 is beyond the level's 1 player slot",
        "block 4: colour map 2 names player slot 1, beyond the level's 1 player slot",
        "block 4: model 7 is not in the level's model list", "block 5: model 6 is not in",
        "block 5: sound 9 is not in"}},
      {"a model's high byte counts",
       Join({Level(kP666), {{" entity 5 0x00048480 model 1 model2 1;"}}}),
       {"block 4: model 257 is not in the level's model list (3 models)"}},
      {"a model list longer than protocol 15 takes",
       Level(kP15, 256),
       {"block 1: the level's model list is longer than the 255 models protocol 15 takes"}},
      {"a block too large for protocol 15",
       Join({Level(kP15), {Stufftexts(450)}}),
       {"block 4: the block holds 8,100 bytes of messages; a game playing protocol 15 takes 8,000"}},
      {"the same block under protocol 666", Join({Level(kP666), {Stufftexts(450)}}), {}},
      {"float coordinates of protocol 999 measured as such",
       Join({Level(R"( serverinfo 999 flags 0x00000010 maxclients 1 gametype 0 level "";)"),
             {Lines(3600, " particle 0 0 0 dir 0 0 0 count 1 color 0;")}}),
       {"block 4: the block holds 64,800 bytes of messages; a game playing protocol 999 takes 64,000"}},
      {"a long block the converter refuses",
       Join({Level(kP15), {Stufftexts(450, " nosuchmessage 1;")}}),
       {"block 4: the converter cannot write the block: "}},
      {"a sign-on step missing",
       {{kP15, " signonnum 1;"}, {" time 0.5s;", " signonnum 3;"}, {" entity 1 0x80;"}},
       {"block 2: the level's sign-on jumps from step 1 to step 3: a sign-on block is missing"}},
      {"sign-on blocks out of order",
       {{kP15, " signonnum 1;"}, {" signonnum 2;"}, {" time 0.5s;", " signonnum 3;"}, {" signonnum 3;"}},
       {"block 4: sign-on step 3 comes twice: the level's sign-on blocks are out of order"}},
      {"frames before the sign-on is complete",
       {{kP15, " signonnum 1;"}, {" entity 1 0x80;"}, {" entity 1 0x80;"}},
       {"block 2: entity updates come before the level's sign-on is complete (it is at step 1 of 3)"}},
      {"frames before any level",
       {{" entity 1 0x80;"}, {" entity 1 0x80;"}, {kP15}},
       {"block 1: entity updates come before any level's sign-on"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<DemoProblem> problems = CheckDemo(DemoOf(c.blocks));
    Lines found;
    for (const DemoProblem& problem : problems) found.push_back(DescribeProblem(problem));
    ASSERT_EQ(found.size(), c.expected.size()) << ::testing::PrintToString(found);
    for (std::size_t i = 0; i < found.size(); ++i) EXPECT_EQ(found[i].rfind(c.expected[i], 0), 0u) << found[i];
  }
}

// Every demo as recorded, opened as the editor opens it, is fine; and every
// block's text is at least as long as its bytes, which lets the check
// leave short blocks unmeasured.
TEST(CheckDemo, NoFindingOnAnyRecordedDemo) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  int opened = 0;
  for (const auto& entry : std::filesystem::directory_iterator(test::DemoFolder())) {
    if (entry.path().extension() != ".dem") continue;
    SCOPED_TRACE(entry.path().filename().string());
    TDemFile demo;
    try {
      demo = test::OpenDemo(entry.path().string());
    } catch (const ClipvexError&) {
      continue;  // too short for the editor's leading blocks
    }
    ++opened;
    for (const DemoProblem& problem : CheckDemo(demo)) ADD_FAILURE() << DescribeProblem(problem);
    const std::string bytes = demfmt::read_file(entry.path().string());
    std::size_t at = bytes.find('\n') + 1;
    for (std::size_t b = 1; b < demo.Blocks.size() && at + 16 <= bytes.size(); ++b) {
      std::uint32_t length = 0;
      std::memcpy(&length, bytes.data() + at, 4);
      EXPECT_LE(length, demo.Blocks[b]->TextSize()) << "block " << b;
      at += 16 + length;
    }
  }
  EXPECT_GE(opened, 9);
}

}  // namespace
}  // namespace clipvex
