#include "preview/previewdump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "document/dumptext.h"
#include "preview/playrange.h"
#include "strip/stripstate.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::ReadFile;
using test::TempDir;

// A demo of `entries` block list entries; block i says who it is in a print line.
TDemFile MakeDemo(std::int64_t entries) {
  TDemFile demo;
  demo.Header = "track -1;";
  demo.Blocks.push_back(std::make_shared<Block>());
  for (std::int64_t i = 1; i < entries - 1; ++i) {
    const std::string id = std::to_string(i);
    demo.Blocks.push_back(std::make_shared<Block>(
        std::vector<std::string>{"block {", " camera 0.000000000 0.000000000 0.000000000;",
                                 " time " + id + ".000000000s;", " print \"b" + id + "\";", "}", "// 0.25"}));
  }
  demo.Blocks.push_back(MakeClosingBlock());
  return demo;
}

// What a written preview dump holds, block by block.
struct WrittenDump {
  std::vector<std::string> lines;
  std::vector<std::int64_t> blocks;  // the block each written record came from; -1 the closing block
  std::vector<std::int64_t> shots;   // the blocks that ask for a screenshot
  bool shotsAfterTime = true;        // every screenshot line right after its block's time line
};

WrittenDump ReadBack(const std::string& path) {
  WrittenDump dump;
  const std::string text = ReadFile(path);
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
    if (end == std::string::npos) break;
    dump.lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  std::int64_t current = -1;
  for (std::size_t i = 0; i < dump.lines.size(); ++i) {
    const std::string& line = dump.lines[i];
    if (line.rfind(" print \"b", 0) == 0) {
      current = std::stoll(line.substr(9));
      dump.blocks.push_back(current);
    } else if (line == " disconnect;") {
      dump.blocks.push_back(-1);
    } else if (line == kScreenshotLine) {
      // The block's own print line follows its screenshot line.
      const std::string next = i + 1 < dump.lines.size() ? dump.lines[i + 1] : "";
      dump.shots.push_back(next.rfind(" print \"b", 0) == 0 ? std::stoll(next.substr(9)) : -2);
      if (dump.lines.at(i - 1).rfind(" time ", 0) != 0) dump.shotsAfterTime = false;
    }
  }
  return dump;
}

std::vector<std::int64_t> Range(std::int64_t from, std::int64_t to, std::int64_t step = 1) {
  std::vector<std::int64_t> out;
  for (std::int64_t i = from; i <= to; i += step) out.push_back(i);
  return out;
}

std::vector<std::int64_t> Concat(std::vector<std::int64_t> a, const std::vector<std::int64_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class PreviewDumpTest : public ::testing::Test {
 protected:
  PreviewPlan Write(const TDemFile& demo, std::int64_t from, std::int64_t to, std::int64_t step, bool fast = false) {
    return WritePreviewDump(demo, 'M', from, to, step, fast, path_);
  }
  WrittenDump Written() const { return ReadBack(path_); }

  TempDir dir_;
  std::string path_ = dir_.File("tempfilm.out");
};

TEST_F(PreviewDumpTest, UpdateViewableShootsTheNineFramesAfterTheLeadingBlocks) {
  const TDemFile demo = MakeDemo(1000);
  StripState strip('M');
  strip.firstVisible = 4;
  strip.step = 32;
  const PreviewRange range = UpdateViewableRange(strip);
  EXPECT_EQ(range.from, 4);
  EXPECT_EQ(range.to, 260);
  const PreviewPlan plan = Write(demo, range.from, range.to, range.step);

  EXPECT_FALSE(plan.overflow);
  const std::vector<std::int64_t> shots = Range(4, 260, 32);
  EXPECT_EQ(plan.blocks, shots);
  ASSERT_EQ(plan.thumbnails.size(), 9u);
  EXPECT_EQ(plan.thumbnails.front(), "M4.pcx");
  EXPECT_EQ(plan.thumbnails.back(), "M260.pcx");
  EXPECT_EQ(plan.screenshots.front(), "quake00.pcx");
  EXPECT_EQ(plan.screenshots.back(), "quake08.pcx");

  const WrittenDump dump = Written();
  EXPECT_EQ(dump.lines.front(), "track -1;");
  // Blocks 1 to 3, no pre-roll (4 - 20 is not past the leading blocks), 4 to 260, our own closing block.
  EXPECT_EQ(dump.blocks, Concat(Concat(Range(1, 3), Range(4, 260)), {-1}));
  EXPECT_EQ(dump.shots, shots);
  EXPECT_TRUE(dump.shotsAfterTime);
  EXPECT_EQ(dump.lines.back(), "}");
  EXPECT_EQ(plan.blocksWritten, 3u + 257u + 1u);
  EXPECT_DOUBLE_EQ(plan.demoSeconds, 0.25 * (3 + 257));
}

TEST_F(PreviewDumpTest, PreRollIsTheTwentyBlocksBeforeTheRangeWhenThereAreThatMany) {
  const TDemFile demo = MakeDemo(1000);
  Write(demo, 100, 356, 32);
  EXPECT_EQ(Written().blocks, Concat(Concat(Range(1, 3), Range(80, 356)), {-1}));
  Write(demo, 23, 279, 32);
  EXPECT_EQ(Written().blocks, Concat(Concat(Range(1, 3), Range(23, 279)), {-1}));
  Write(demo, 24, 280, 32);
  EXPECT_EQ(Written().blocks, Concat(Concat(Range(1, 3), Range(4, 280)), {-1}));
  EXPECT_EQ(Written().shots.front(), 24);
}

TEST_F(PreviewDumpTest, FullPreviewStartsOnTheGridOfTheViewAndRunsToTheLastOrdinaryBlock) {
  StripState strip('F');
  strip.firstVisible = 70;
  strip.step = 32;
  PreviewRange range = FullPreviewRange(strip);
  EXPECT_EQ(range.from, 6);
  EXPECT_EQ(range.to, kMarkEnd);
  strip.firstVisible = 36;
  EXPECT_EQ(FullPreviewRange(strip).from, 4);
  strip.firstVisible = 35;
  EXPECT_EQ(FullPreviewRange(strip).from, 35);

  // 6, 38, 70, ... up to the last ordinary block 298; the closing block 299 never.
  const TDemFile demo = MakeDemo(300);
  const PreviewPlan plan = WritePreviewDump(demo, 'F', range.from, range.to, range.step, false, path_);
  EXPECT_EQ(plan.blocks, Range(6, 298, 32));
  EXPECT_EQ(plan.thumbnails.front(), "F6.pcx");
  const WrittenDump dump = Written();
  EXPECT_EQ(dump.blocks.back(), -1);
  EXPECT_EQ(dump.blocks[dump.blocks.size() - 2], 298);
}

TEST_F(PreviewDumpTest, TheLastOrdinaryBlockCanBeShotTheClosingBlockNever) {
  const TDemFile demo = MakeDemo(30);
  const PreviewPlan plan = Write(demo, 4, kMarkEnd, 1);
  EXPECT_EQ(plan.blocks, Range(4, 28));
  EXPECT_EQ(Written().blocks, Concat(Concat(Range(1, 3), Range(4, 28)), {-1}));
}

TEST_F(PreviewDumpTest, TwoHundredPositionsRunAsThreeRunsOfAtMostAHundred) {
  const std::vector<RangePart> parts = SplitRange(1000, 4, 203, 1);
  ASSERT_EQ(parts, (std::vector<RangePart>{{4, 102}, {103, 152}, {153, 203}}));
  const TDemFile demo = MakeDemo(1000);
  std::vector<std::size_t> counts;
  for (const RangePart& part : parts) counts.push_back(Write(demo, part.from, part.to, 1).screenshots.size());
  EXPECT_EQ(counts, (std::vector<std::size_t>{99, 50, 51}));

  // A range that fits stays as given; a range to the end is counted to the last entry.
  EXPECT_EQ(SplitRange(1000, 4, 260, 32), (std::vector<RangePart>{{4, 260}}));
  EXPECT_EQ(SplitRange(104, 4, kMarkEnd, 1), (std::vector<RangePart>{{4, kMarkEnd}}));
  EXPECT_EQ(SplitRange(105, 4, kMarkEnd, 1).size(), 2u);
  EXPECT_EQ(SplitRange(1000, 4, kMarkEnd, kPlaybackStep).size(), 1u);
  // Every part of a long demo stays within the game's hundred names.
  const std::vector<RangePart> many = SplitRange(22655, 4, kMarkEnd, 1);
  std::int64_t next = 4;
  for (const RangePart& part : many) {
    EXPECT_EQ(part.from, next);
    EXPECT_LE(std::min<std::int64_t>(part.to, 22654) - part.from + 1, 100);
    EXPECT_GE(std::min<std::int64_t>(part.to, 22654) - part.from + 1, 50);
    next = part.to + 1;
  }
  EXPECT_EQ(many.back().to, 22654);
}

TEST_F(PreviewDumpTest, ScreenshotNamesHaveTwoDigits) {
  EXPECT_EQ(ScreenshotName(0), "quake00.pcx");
  EXPECT_EQ(ScreenshotName(9), "quake09.pcx");
  EXPECT_EQ(ScreenshotName(10), "quake10.pcx");
  EXPECT_EQ(ScreenshotName(99), "quake99.pcx");
  const PreviewPlan plan = Write(MakeDemo(100), 4, 20, 1);
  EXPECT_EQ(plan.screenshots[9], "quake09.pcx");
  EXPECT_EQ(plan.screenshots[10], "quake10.pcx");
  EXPECT_EQ(plan.thumbnails[10], "M14.pcx");
}

TEST_F(PreviewDumpTest, FastPreviewPlaysOnlyTheShotBlocksAndTheTenBeforeEach) {
  const TDemFile demo = MakeDemo(1000);
  const PreviewPlan plan = Write(demo, 100, 164, 32, /*fast=*/true);
  EXPECT_EQ(plan.blocks, (std::vector<std::int64_t>{100, 132, 164}));
  // Leading blocks and the pre-roll are always there.
  EXPECT_EQ(Written().blocks,
            Concat(Concat(Concat(Concat(Range(1, 3), Range(80, 100)), Range(122, 132)), Range(154, 164)), {-1}));
  EXPECT_EQ(plan.blocksWritten, 3u + 21u + 11u + 11u + 1u);
  // The time the game needs counts the blocks it skips too.
  EXPECT_DOUBLE_EQ(plan.demoSeconds, 0.25 * (3 + 20 + 65));
}

TEST_F(PreviewDumpTest, PlaybackTakesNoScreenshotAndIgnoresFastPreview) {
  const TDemFile demo = MakeDemo(50);
  PreviewPlan plan = Write(demo, 4, kMarkEnd, kPlaybackStep, /*fast=*/true);
  EXPECT_TRUE(plan.screenshots.empty());
  EXPECT_EQ(Written().blocks, Concat(Concat(Range(1, 3), Range(4, 48)), {-1}));
  EXPECT_TRUE(Written().shots.empty());

  // An in-mark above the out-mark: the leading blocks, the pre-roll and the closing block.
  StripState strip('M');
  strip.inMark = 30;
  strip.outMark = 25;
  const PreviewRange range = PlaySelectionRange(strip);
  EXPECT_EQ(range.step, kPlaybackStep);
  plan = Write(demo, range.from, range.to, range.step);
  EXPECT_EQ(Written().blocks, Concat(Concat(Range(1, 3), Range(10, 29)), {-1}));
}

TEST_F(PreviewDumpTest, MoreThanAHundredScreenshotsStopTheDumpAtTheHundredFirst) {
  const PreviewPlan plan = Write(MakeDemo(1000), 4, 104, 1);
  EXPECT_TRUE(plan.overflow);
  EXPECT_EQ(plan.screenshots.size(), 100u);
  const WrittenDump dump = Written();
  ASSERT_EQ(dump.shots.size(), 101u);
  EXPECT_EQ(dump.shots.back(), -2) << "the dump ends right after block 104's screenshot line";
  EXPECT_EQ(dump.blocks.back(), 103);
  EXPECT_EQ(dump.lines.back(), kScreenshotLine);
}

TEST_F(PreviewDumpTest, AScreenshotLineNeverLandsOutsideAShortBlock) {
  TDemFile demo = MakeDemo(10);
  // A block with nothing but its camera: it closes at index 2.
  demo.Blocks[5] = std::make_shared<Block>(Block{"block {", " camera 1 2 3;", "}", "// 0.1"});
  Write(demo, 4, 8, 1);
  const WrittenDump dump = Written();
  auto shot = std::find(dump.lines.begin(), dump.lines.end(), " camera 1 2 3;");
  ASSERT_NE(shot, dump.lines.end());
  EXPECT_EQ(*(shot + 1), kScreenshotLine);
  EXPECT_EQ(*(shot + 2), "}");
  EXPECT_EQ(dump.shots.size(), 5u);
}

TEST_F(PreviewDumpTest, ARangePastTheEndReadsNoBlockBeyondTheLastEntry) {
  const TDemFile demo = MakeDemo(100);
  PreviewPlan plan;
  EXPECT_EQ(test::ErrorOf([&] { plan = Write(demo, 132, 388, 32); }), "no error");
  EXPECT_TRUE(plan.screenshots.empty());
  EXPECT_EQ(Written().blocks, Concat(Concat(Range(1, 3), Range(112, 98)), {-1}));
  // The last block as pre-roll, ending one past the end: blocks 80 to 99.
  Write(demo, 100, 356, 32);
  std::vector<std::int64_t> expected = Concat(Range(1, 3), Range(80, 98));
  expected.push_back(-1);  // entry 99 is the closing block, then ours
  expected.push_back(-1);
  EXPECT_EQ(Written().blocks, expected);
}

TEST_F(PreviewDumpTest, AMissingOrReadOnlyFolderAndAFullDiskRaiseTheFileError) {
  const TDemFile demo = MakeDemo(20);
  auto error = [&demo](const std::string& path) {
    return test::ErrorOf([&] { WritePreviewDump(demo, 'M', 4, 10, 1, false, path); });
  };
  EXPECT_EQ(error(dir_.File("no such folder/tempfilm.out")), "File not found");

  const std::string readOnly = dir_.File("read-only/");
  std::filesystem::create_directory(readOnly);
  dir_.OpenToAll();
  test::MakeReadOnly(readOnly);
  {
    test::UnprivilegedUser user;
    EXPECT_EQ(error(readOnly + "tempfilm.out"), "File access denied");
  }
  EXPECT_FALSE(test::FileExists(readOnly + "tempfilm.out"));

  // Every write fails as on a full disk; more than one buffer's worth is written.
  EXPECT_EQ(test::ErrorOf([&] { WritePreviewDump(MakeDemo(30000), 'M', 4, 29000, 1000, false, "/dev/full"); }),
            "Disk full");
}

}  // namespace
}  // namespace clipvex
