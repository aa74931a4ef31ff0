// The game without its window: commands, playback timing, the console's
// place, stufftext commands and screenshots of the very block that asked.
#include "game.h"

#include <filesystem>

#include "imaging/pcx.h"
#include "screenshot.h"
#include "support/testsupport.h"
#include "wq_test_util.h"

namespace {

using namespace wq_test;
using clipvex::test::TempDir;
using winquake::Game;

class GameTest : public ::testing::Test {
 protected:
  void Write(const std::string& name, const std::vector<TestBlock>& blocks) {
    clipvex::test::WriteFile(dir.File(name), DemoOf(blocks));
  }
  std::string LastLines(std::size_t n = 3) const {
    const winquake::Console& c = game.GetConsole();
    std::string out;
    for (std::size_t i = c.LineCount() > n ? c.LineCount() - n : 0; i < c.LineCount(); ++i) out += c.Line(i) + "\n";
    return out;
  }
  // Whether the last `n` lines say `text`, wherever the console wrapped it
  // (a wrap may swallow the blank it falls on, so blanks are not compared).
  bool Said(std::string_view text, std::size_t n = 3) const {
    auto squeeze = [](std::string_view s) {
      std::string out;
      for (char ch : s)
        if (ch != '\n' && ch != ' ') out.push_back(ch);
      return out;
    };
    return Contains(squeeze(LastLines(n)), squeeze(text));
  }
  void Type(std::string_view text) {
    for (char ch : text) game.KeyChar(static_cast<unsigned char>(ch));
    game.KeyEnter();
  }
  // A demo of `frames` game frames 0.1 s apart from t = 1, after the signon.
  std::vector<TestBlock> Frames(int frames, std::vector<std::string> lastLines = {" disconnect;"}) {
    std::vector<TestBlock> blocks{Signon()};
    for (int i = 0; i < frames; ++i) blocks.push_back(FrameAt(1.0 + 0.1 * i, 256 - 8 * i));
    blocks.push_back(TestBlock{std::move(lastLines)});
    return blocks;
  }

  TempDir dir;
  Game game{dir.Path()};
};

TEST_F(GameTest, StartsWithTheConsoleDownAndRunsCommands) {
  EXPECT_EQ(game.ConsoleLines(), winquake::kScreenHeight);
  EXPECT_FALSE(game.Playing());
  game.Execute("echo hello world; echo \"a;b\"");
  EXPECT_EQ(LastLines(2), "hello world\na;b\n");
  game.Execute("frobnicate 1");
  EXPECT_EQ(LastLines(1), "Unknown command \"frobnicate\"\n");
  game.Execute("_windowed_mouse 0; vid_mode 0");  // the usual command line stays quiet
  EXPECT_EQ(LastLines(1), "Unknown command \"frobnicate\"\n");
  game.Execute("timescale");
  EXPECT_EQ(LastLines(1), "\"timescale\" is \"1\"\n");
  game.Execute("timescale 2.5");
  EXPECT_EQ(game.TimeScale(), 2.5);
  game.Execute("timescale -1");
  EXPECT_EQ(game.TimeScale(), 2.5);
  EXPECT_TRUE(Said("timescale: \"-1\" is not a number from 0 to 1000", 2)) << LastLines(2);
  game.Execute("timescale nan");
  EXPECT_EQ(game.TimeScale(), 2.5);
  game.Execute("scr_conspeed 0");
  EXPECT_EQ(game.ConSpeed(), Game::kDefaultConSpeed);
  game.Execute("scr_conspeed 2000");
  EXPECT_EQ(game.ConSpeed(), 2000);
  game.Execute("v_cshift 255 0 300 128");
  EXPECT_EQ(game.State().EmptyShift().r, 255);
  EXPECT_EQ(game.State().EmptyShift().b, 255);  // kept within 0..255
  EXPECT_EQ(game.State().EmptyShift().percent, 128);
  game.Execute("v_cshift");
  EXPECT_EQ(game.State().EmptyShift().percent, 0);
  EXPECT_FALSE(game.QuitRequested());
  game.Execute("quit; echo never");
  EXPECT_TRUE(game.QuitRequested());
  EXPECT_FALSE(Contains(LastLines(1), "never"));
}

TEST_F(GameTest, PlaydemoOfAnUnknownOrBrokenNameReportsAndTheRunningDemoGoesOn) {
  Write("one.dem", Frames(20));
  clipvex::test::WriteFile(dir.File("text.dem"), "this is not a demo\n");
  game.Execute("playdemo one");
  ASSERT_TRUE(game.Playing());
  game.Frame(0.01);
  const std::size_t at = game.NextBlock();
  game.Execute("playdemo nosuch");
  EXPECT_TRUE(Said("playdemo: nosuch.dem: couldn't open: no such file", 2)) << LastLines(2);
  game.Execute("playdemo text");
  EXPECT_TRUE(Said("playdemo: text.dem: not a demo", 3)) << LastLines(3);
  game.Execute("playdemo");
  EXPECT_TRUE(Said("playdemo <demoname> : plays a demo", 2)) << LastLines(2);
  EXPECT_TRUE(game.Playing());
  EXPECT_EQ(game.NextBlock(), at);  // nothing was restarted
}

TEST_F(GameTest, BlocksPlayOnePerFrameWhenTheClockReachesTheirTime) {
  Write("one.dem", Frames(10));
  game.Execute("playdemo one.dem");  // an explicit extension is kept
  ASSERT_TRUE(game.Playing());
  EXPECT_EQ(game.ConsoleLines(), 0);  // up at once: no block is drawn under it

  game.Frame(0.001);  // the signon: no time, due at once
  EXPECT_EQ(game.NextBlock(), 1u);
  game.Frame(0.001);  // the first timed block starts the clock
  EXPECT_EQ(game.NextBlock(), 2u);
  EXPECT_DOUBLE_EQ(game.Clock(), 1.0);
  game.Frame(0.05);  // t = 1.05: the block at 1.1 waits
  EXPECT_EQ(game.NextBlock(), 2u);
  EXPECT_FALSE(game.BlockDue());
  game.Frame(0.06);  // t = 1.11
  EXPECT_EQ(game.NextBlock(), 3u);
  game.Frame(1.0);  // far behind: still one block per frame
  EXPECT_EQ(game.NextBlock(), 4u);
  EXPECT_TRUE(game.BlockDue());
  EXPECT_LE(game.Clock(), 1.2 + winquake::DemoClock::kMaxLag + 1e-6);  // no burst after a stall
}

TEST_F(GameTest, TimescaleSpeedsTheClockAndGapsCostATenthOfASecond) {
  std::vector<TestBlock> blocks{Signon(), FrameAt(1.0), FrameAt(1.1), FrameAt(30.0), FrameAt(30.1),
                                TestBlock{{" time 2s;"}}, TestBlock{{" disconnect;"}}};
  Write("gaps.dem", blocks);
  game.Execute("timescale 4; playdemo gaps");
  game.Frame(0);
  game.Frame(0);
  EXPECT_EQ(game.NextBlock(), 2u);
  game.Frame(0.02);  // 0.08 demo seconds: not yet 1.1
  EXPECT_EQ(game.NextBlock(), 2u);
  game.Frame(0.01);  // 0.12
  EXPECT_EQ(game.NextBlock(), 3u);
  game.Frame(0.015);  // the jump to 30 s waits a tenth of a second at most (0.06 so far)
  EXPECT_EQ(game.NextBlock(), 3u);
  game.Frame(0.01);
  EXPECT_EQ(game.NextBlock(), 4u);
  EXPECT_DOUBLE_EQ(game.Clock(), 30.0);
  game.Frame(0.03);
  EXPECT_EQ(game.NextBlock(), 5u);
  game.Frame(0);  // back in time (a new level): at once
  EXPECT_EQ(game.NextBlock(), 6u);
  EXPECT_DOUBLE_EQ(game.Clock(), 2.0);
}

TEST_F(GameTest, AScreenshotStufftextPhotographsTheBlockThatHoldsIt) {
  std::vector<TestBlock> blocks = Frames(6);
  blocks[3].lines.push_back(" centerprint \"THREE\";");
  blocks[3].lines.push_back(" stufftext \"screenshot\\n\";");
  blocks[5].lines.push_back(" stufftext \"screenshot\\n\";");
  Write("shots.dem", blocks);
  game.Execute("timedemo shots");
  std::vector<std::vector<std::uint8_t>> screens;
  std::vector<winquake::Palette> palettes;
  while (game.Playing()) {
    const std::size_t before = game.NextBlock();
    game.Frame(0.001);
    if (before == 3 || before == 5) {
      screens.push_back(game.Screen().pixels);
      palettes.push_back(game.ScreenPalette());
    }
  }
  ASSERT_TRUE(clipvex::test::FileExists(dir.File("quake00.pcx"))) << LastLines(5);
  ASSERT_TRUE(clipvex::test::FileExists(dir.File("quake01.pcx")));
  EXPECT_FALSE(clipvex::test::FileExists(dir.File("quake02.pcx")));
  for (int i = 0; i < 2; ++i) {
    const clipvex::RgbImage img = clipvex::LoadPcxFile(dir.File(winquake::ScreenshotName(i)));
    ASSERT_EQ(img.width, 320);
    for (std::size_t p = 0; p < screens[i].size(); p += 97) {
      const std::uint8_t idx = screens[i][p];
      ASSERT_EQ(img.pixels[p * 3], palettes[i][idx * 3]) << "screenshot " << i << " pixel " << p;
    }
  }
  // The first shows the centre text of its own block, the second does not.
  EXPECT_NE(screens[0], screens[1]);
  EXPECT_TRUE(Contains(game.GetConsole().Line(game.GetConsole().LineCount() - 1), "fps")) << LastLines(3);
}

TEST_F(GameTest, TheTintOfVcshiftShowsInTheScreenshotButNotOnTheHud) {
  std::vector<TestBlock> blocks = Frames(3);
  blocks[2].lines.push_back(" stufftext \"v_cshift 255 0 0 255\\nscreenshot\\nv_cshift 0 0 0 0\\nscreenshot\\n\";");
  Write("red.dem", blocks);
  game.Execute("timedemo red");
  while (game.Playing()) game.Frame(0.001);
  const clipvex::RgbImage red = clipvex::LoadPcxFile(dir.File("quake00.pcx"));
  const clipvex::RgbImage plain = clipvex::LoadPcxFile(dir.File("quake01.pcx"));
  auto at = [](const clipvex::RgbImage& img, int x, int y) {
    const std::size_t i = (static_cast<std::size_t>(y) * img.width + x) * 3;
    return std::vector<int>{img.pixels[i], img.pixels[i + 1], img.pixels[i + 2]};
  };
  EXPECT_EQ(at(red, 160, 20), (std::vector<int>{255, 0, 0}));  // the sky, all red
  EXPECT_NE(at(plain, 160, 20), (std::vector<int>{255, 0, 0}));
  // The demo time's panel keeps its own colour under any tint.
  EXPECT_EQ(at(red, 318, 238), at(plain, 318, 238));
}

TEST_F(GameTest, StufftextPiecesOfABlockFormOneTextAndWaitDefersTheRest) {
  std::vector<TestBlock> blocks = Frames(2);
  blocks[1].lines.insert(blocks[1].lines.end(), {" stufftext \"v_cshift 0 0 0 \";", " stufftext \"90\";",
                                                  " stufftext \";wait\\n\";", " stufftext \"v_cshift 0 0 0 \";",
                                                  " stufftext \"100\";", " stufftext \";wait\\n\";"});
  Write("fade.dem", blocks);
  game.Execute("playdemo fade");
  game.Frame(0);
  game.Frame(0);  // the block with the commands
  EXPECT_EQ(game.State().EmptyShift().percent, 90);
  game.Frame(0.01);  // the next frame runs what followed the wait
  EXPECT_EQ(game.State().EmptyShift().percent, 100);
}

TEST_F(GameTest, ADisconnectOrTheLastBlockEndsTheDemoAndTheConsoleSlidesDown) {
  Write("short.dem", Frames(2));
  Write("nodisc.dem", Frames(2, {" print \"last\\n\";"}));
  game.Execute("playdemo short");
  for (int i = 0; i < 3; ++i) game.Frame(0.2);
  EXPECT_TRUE(game.Playing());
  game.Frame(0.2);  // the disconnect
  EXPECT_FALSE(game.Playing());
  EXPECT_EQ(game.ConsoleLines(), 0);
  game.Frame(0.1);  // 300 rows a second
  EXPECT_EQ(game.ConsoleLines(), 30);
  game.Frame(1.0);
  EXPECT_EQ(game.ConsoleLines(), winquake::kScreenHeight);

  game.Execute("scr_conspeed 2000; playdemo nodisc");
  for (int i = 0; i < 4; ++i) game.Frame(0.2);
  EXPECT_FALSE(game.Playing());
  EXPECT_EQ(LastLines(1), "last\n");
  game.Frame(0.1);
  EXPECT_EQ(game.ConsoleLines(), 200);
}

TEST_F(GameTest, GraveTogglesTheConsoleOnlyDuringPlaybackAndKeysStillReachTheInput) {
  Write("long.dem", Frames(50));
  Write("other.dem", Frames(3));
  game.KeyToggleConsole();  // no demo: the console stays down
  game.Frame(1);
  EXPECT_EQ(game.ConsoleLines(), winquake::kScreenHeight);

  game.Execute("playdemo long");
  game.Frame(0.01);
  EXPECT_EQ(game.ConsoleTarget(), 0);
  game.KeyToggleConsole();
  EXPECT_EQ(game.ConsoleTarget(), winquake::kScreenHeight / 2);
  game.Frame(0.2);
  EXPECT_EQ(game.ConsoleLines(), 60);
  game.KeyToggleConsole();
  EXPECT_EQ(game.ConsoleTarget(), 0);

  // Typed while the console is up: a new playdemo replaces the running demo.
  game.KeyChar('x');
  game.KeyBackspace();
  Type("playdemo other");
  EXPECT_TRUE(game.Playing());
  EXPECT_EQ(game.BlockCount(), 5u);
  EXPECT_EQ(game.NextBlock(), 0u);
  game.KeyChar('q');
  game.KeyEscape();
  EXPECT_EQ(game.GetConsole().Input(), "");
}

TEST_F(GameTest, StopdemoAndDisconnectStopAndAStufftextPlaydemoIsNotEndedByItsBlock) {
  Write("a.dem", Frames(5));
  Write("b.dem", {Signon(), TestBlock{{" stufftext \"playdemo a\\n\";", " disconnect;"}}});
  game.Execute("playdemo a");
  game.Frame(0);
  game.Execute("stopdemo");
  EXPECT_FALSE(game.Playing());
  game.Execute("stopdemo; disconnect");  // nothing to stop: quiet
  game.Execute("playdemo b");
  game.Frame(0);
  game.Frame(0);  // b's last block starts a and disconnects b
  EXPECT_TRUE(game.Playing());
  EXPECT_EQ(game.BlockCount(), 7u);
  game.Execute("disconnect");
  EXPECT_FALSE(game.Playing());
}

TEST_F(GameTest, CommandsWaitingBehindWaitsAreBounded) {
  // More than the buffer holds is dropped whole, and says so.
  std::string flood;
  for (int i = 0; i < 20000; ++i) flood += "wait;";
  game.Execute(flood);
  EXPECT_TRUE(Contains(LastLines(1), "Command buffer full")) << LastLines(1);

  // What fits waits; text that would overflow beside it is dropped; every
  // frame takes one wait off, then the command behind them runs.
  std::string waits;
  for (int i = 0; i < 100; ++i) waits += "wait;";
  game.Execute(waits + "echo behind the waits");
  game.Execute(std::string(Game::kMaxBuffer - waits.size(), ';'));
  EXPECT_TRUE(Contains(LastLines(1), "Command buffer full")) << LastLines(1);
  for (int i = 0; i < 99; ++i) game.Frame(0.01);
  EXPECT_FALSE(Contains(LastLines(3), "behind the waits")) << LastLines(3);
  game.Frame(0.01);
  EXPECT_EQ(LastLines(1), "behind the waits\n");
}

// A demo above the size the game loads in the background: one block of
// long prints after a normal start.
std::vector<TestBlock> LargeDemo() {
  std::vector<TestBlock> blocks{Signon(), FrameAt(1)};
  TestBlock big{{" time 1.1s;"}};
  for (int i = 0; i < 5; ++i) big.lines.push_back(" print \"" + std::string(300000, 'a' + i) + "\\n\";");
  blocks.push_back(big);
  blocks.push_back(TestBlock{{" disconnect;"}});
  return blocks;
}

TEST_F(GameTest, LargeDemosLoadInTheBackgroundAndTheLatestRequestWins) {
  Write("big.dem", LargeDemo());
  Write("small.dem", Frames(3));
  ASSERT_GT(std::filesystem::file_size(dir.File("big.dem")), Game::kBackgroundBytes);
  std::vector<std::pair<std::string, Game::LoadDone>> pending;
  game.SetBackgroundLoad([&](const std::string& path, Game::LoadDone done) { pending.emplace_back(path, done); });
  auto finish = [&](std::size_t i) {
    std::string error;
    std::optional<winquake::Demo> d = winquake::LoadDemoFile(pending.at(i).first, error);
    pending.at(i).second(std::move(d), error);
  };

  game.Execute("playdemo small");  // small demos load at once
  EXPECT_TRUE(pending.empty());
  EXPECT_EQ(game.BlockCount(), 5u);

  game.Execute("playdemo big");
  ASSERT_EQ(pending.size(), 1u);
  EXPECT_EQ(game.BlockCount(), 5u);  // the small one plays on meanwhile
  game.Execute("playdemo nosuch");   // a name that fails stops nothing, not even the load
  finish(0);
  EXPECT_EQ(game.BlockCount(), 4u);
  EXPECT_EQ(game.NextBlock(), 0u);
  EXPECT_EQ(game.ConsoleLines(), 0);

  game.Execute("playdemo big");
  game.Execute("stopdemo");  // stops the playing demo and the one on its way
  finish(1);
  EXPECT_FALSE(game.Playing());

  game.Execute("playdemo big");
  game.Execute("playdemo small");  // started later, playing first: the late big one is dropped
  finish(2);
  EXPECT_EQ(game.BlockCount(), 5u);

  clipvex::test::WriteFile(dir.File("bad.dem"), std::string(Game::kBackgroundBytes + 10, 'x'));
  game.Execute("playdemo bad");
  finish(3);
  EXPECT_TRUE(Said("playdemo: bad.dem: not a demo", 3)) << LastLines(3);
  EXPECT_EQ(game.BlockCount(), 5u);
}

TEST(GameFolder, AMissingFolderIsSaidAtStart) {
  TempDir dir;
  Game game(dir.File("nothere"));
  const winquake::Console& c = game.GetConsole();
  bool said = false;
  for (std::size_t i = 0; i < c.LineCount(); ++i) said |= Contains(c.Line(i), "does not exist");
  EXPECT_TRUE(said);
}

}  // namespace
