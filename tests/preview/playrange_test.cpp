#include "preview/playrange.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "document/conversion.h"
#include "imaging/pcx.h"
#include "imaging/tga.h"
#include "preview/fakes.h"
#include "preview/screenshots.h"
#include "strip/stripstate.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::FileExists;
using test::InProcessGame;
using test::ReadFile;
using test::ScriptedHost;
using test::TempDir;
using test::WriteScreenshot;
using ::testing::HasSubstr;

// A game folder with the real converter, a real demo read through it, a game
// inside the test that delivers three screenshots per poll.
class PlayRangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CLIPVEX_NEED_FIXTURES(test::DemoFolder());
    game_folder_ = dir_.File("game/");
    std::filesystem::create_directories(game_folder_ + "id1");
    std::filesystem::create_symlink(LMPC_PATH, game_folder_ + kConverterName);
    settings_.WinQuakePath = game_folder_;
    settings_.lmpcpath = game_folder_;
    settings_.dempath = "id1";
    settings_.previewpath = game_folder_ + "id1/";
    timing_.raiseEvery = std::chrono::milliseconds(0);
    timing_.settle = std::chrono::milliseconds(0);
    game_ = InProcessGame(settings_.previewpath);
    test::RecordingNotifier notifier;
    LoadDemo(test::DemoFixture("p666_e1m1_smoothme.dem"), demo_, settings_, notifier);
    ASSERT_TRUE(notifier.errors.empty());
    entries_ = static_cast<std::int64_t>(demo_.Blocks.size());
    host_.onPoll = [this](int, std::chrono::milliseconds) {
      game_.Deliver(3);
      return false;
    };
  }

  PlayReport Play(std::int64_t from, std::int64_t to, std::int64_t step, const ProgressText& text = Words()) {
    PreviewServices services{settings_, game_, processes_, host_, timing_};
    return PlayRange(demo_, 'M', from, to, step, services, text);
  }
  static ProgressText Words() {
    return [](const RunProgress& p) {
      return "run " + std::to_string(p.part) + "/" + std::to_string(p.parts) + " shots " +
             std::to_string(p.arrived) + "/" + std::to_string(p.expected);
    };
  }
  std::string Preview(const std::string& name) const { return settings_.previewpath + name; }
  std::set<std::string> Pictures(const std::vector<std::int64_t>& blocks) const {
    std::set<std::string> pictures;
    for (std::int64_t b : blocks) {
      const RgbImage image = LoadPcxFile(ThumbnailPath(settings_, 'M', b));
      EXPECT_EQ(image.width, 64);
      pictures.insert(std::string(image.pixels.begin(), image.pixels.end()));
    }
    return pictures;
  }
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(settings_.previewpath)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("quake", 0) == 0) names.push_back(name);
    }
    return names;
  }

  TempDir dir_;
  std::string game_folder_;
  Settings settings_;
  PreviewTiming timing_;
  TDemFile demo_;
  std::int64_t entries_ = 0;
  InProcessGame game_{""};
  GameProcesses processes_;
  ScriptedHost host_;
};

std::vector<std::int64_t> Every(std::int64_t from, std::int64_t to, std::int64_t step) {
  std::vector<std::int64_t> out;
  for (std::int64_t i = from; i <= to; i += step) out.push_back(i);
  return out;
}

TEST_F(PlayRangeTest, UpdateViewableTurnsNineScreenshotsIntoThumbnails) {
  // Left from earlier: an old thumbnail of a block being redone, an old
  // screenshot under a name this run predicts, and one under a name it does not.
  test::WriteFile(Preview("M36.pcx"), "old thumbnail");
  test::WriteFile(Preview("quake00.pcx"), "old screenshot");
  test::WriteFile(Preview("M5.pcx"), "another block's");

  const PlayReport report = Play(4, 260, 32);
  EXPECT_EQ(report.parts, 1);
  EXPECT_EQ(report.partsPlayed, 1);
  EXPECT_EQ(report.thumbnails, 9);
  EXPECT_FALSE(report.ended);
  EXPECT_EQ(game_.typed, (std::vector<std::string>{"playdemo tempfilm\r"}));
  EXPECT_EQ(game_.played, (std::vector<int>{9}));
  EXPECT_TRUE(FileExists(Preview("tempfilm.dem")));
  EXPECT_TRUE(FileExists(settings_.lmpcpath + "tempfilm.out"));

  const std::vector<std::int64_t> blocks = Every(4, 260, 32);
  EXPECT_EQ(Pictures(blocks).size(), 9u) << "nine different pictures";
  EXPECT_EQ(ReadFile(Preview("M5.pcx")), "another block's");
  EXPECT_TRUE(Leftovers().empty());
  EXPECT_EQ(host_.progress.front(), "run 1/1 shots 0/9");
  EXPECT_EQ(host_.progress.back(), "run 1/1 shots 9/9");
  EXPECT_EQ(host_.mainRaised, 1);
  EXPECT_TRUE(host_.errors.empty());
}

TEST_F(PlayRangeTest, FullPreviewRunsInPartsAndShootsEveryPositionButTheClosingBlock) {
  settings_.fastpre = true;
  host_.onPoll = [this](int, std::chrono::milliseconds) {
    game_.Deliver();
    return false;
  };
  const PlayReport report = Play(4, kMarkEnd, 4);
  const std::vector<std::int64_t> blocks = Every(4, entries_ - 2, 4);
  ASSERT_GT(blocks.size(), 200u);
  EXPECT_EQ(report.parts, static_cast<int>(SplitRange(entries_, 4, kMarkEnd, 4).size()));
  EXPECT_GE(report.parts, 3);
  EXPECT_EQ(report.partsPlayed, report.parts);
  EXPECT_EQ(report.thumbnails, static_cast<int>(blocks.size()));
  for (int shots : game_.played) EXPECT_LE(shots, 100);
  for (std::int64_t b : blocks) EXPECT_TRUE(FileExists(ThumbnailPath(settings_, 'M', b))) << b;
  EXPECT_FALSE(FileExists(ThumbnailPath(settings_, 'M', entries_ - 1)));
  EXPECT_TRUE(Leftovers().empty());
  EXPECT_THAT(host_.progress, ::testing::Contains(HasSubstr("run " + std::to_string(report.parts) + "/")));
}

TEST_F(PlayRangeTest, AStopEndsOnlyTheWaitOfTheRunItIsPressedIn) {
  host_.onPoll = [this](int wait, std::chrono::milliseconds) {
    if (wait == 1) return true;  // stop before the first run's screenshots arrive
    game_.Deliver();
    return false;
  };
  const PlayReport report = Play(4, 203, 1);
  EXPECT_EQ(report.parts, 3);
  EXPECT_EQ(report.stops, 1);
  EXPECT_EQ(report.partsPlayed, 3);
  EXPECT_FALSE(report.ended);
  EXPECT_FALSE(FileExists(ThumbnailPath(settings_, 'M', 4)));
  EXPECT_FALSE(FileExists(ThumbnailPath(settings_, 'M', 102)));
  EXPECT_TRUE(FileExists(ThumbnailPath(settings_, 'M', 103)));
  EXPECT_TRUE(FileExists(ThumbnailPath(settings_, 'M', 203)));
  EXPECT_TRUE(host_.errors.empty());
}

TEST_F(PlayRangeTest, AGameThatDeliversNothingIsGivenUpAfterATimeThatGrowsWithTheRun) {
  game_.deliver = false;
  timing_.shotsBase = std::chrono::milliseconds(1000);
  timing_.shotsFactor = 2;
  const PreviewPlan plan = WritePreviewDump(demo_, 'M', 4, 102, 1, false, dir_.File("plan.out"));
  const PlayReport report = Play(4, 203, 1);
  ASSERT_EQ(host_.limits.size(), 1u) << "the remaining runs are given up";
  EXPECT_EQ(host_.limits[0].count(), 1000 + static_cast<long long>(2 * plan.demoSeconds * 1000));
  EXPECT_GT(plan.demoSeconds, 0.5);
  EXPECT_TRUE(report.ended);
  EXPECT_EQ(report.partsPlayed, 1);
  ASSERT_EQ(host_.errors.size(), 1u);
  EXPECT_THAT(host_.errors[0], HasSubstr("WinQuake did not deliver the screenshots within "));
  EXPECT_THAT(host_.errors[0], HasSubstr("(0 of 99 arrived)"));
  EXPECT_EQ(host_.mainRaised, 1);
}

TEST_F(PlayRangeTest, AGameWindowThatGoesAwayEndsTheWait) {
  game_.deliver = false;
  host_.onPoll = [this](int, std::chrono::milliseconds t) {
    if (t >= std::chrono::milliseconds(300)) game_.windowOpen = false;
    return false;
  };
  const PlayReport report = Play(4, 260, 32);
  EXPECT_TRUE(report.ended);
  EXPECT_EQ(host_.errors, (std::vector<std::string>{"The WinQuake window closed before all screenshots arrived."}));
  EXPECT_GE(game_.raises, 4) << "raised on every poll with no pause between raises";
}

TEST_F(PlayRangeTest, PlaybackTypesTheCommandAndDoesNotWait) {
  const PlayReport report = Play(4, kMarkEnd, kPlaybackStep);
  EXPECT_EQ(report.partsPlayed, 1);
  EXPECT_EQ(game_.typed, (std::vector<std::string>{"playdemo tempfilm\r"}));
  EXPECT_EQ(game_.played, (std::vector<int>{0}));
  EXPECT_EQ(game_.raises, 1);
  EXPECT_EQ(host_.waits, 0);
  EXPECT_TRUE(host_.progress.empty());
  EXPECT_EQ(host_.mainRaised, 0) << "the game stays in front";
}

TEST_F(PlayRangeTest, AGameThatIsNotRunningIsStartedFirst) {
  game_.windowMarker = game_folder_ + "window";
  const std::string program = game_folder_ + kGameProgramName;
  test::WriteScript(program, "touch window\nexec sleep 30");
  const PlayReport report = Play(4, 260, 32);
  processes_.TerminateAll();
  EXPECT_EQ(report.thumbnails, 9);
  EXPECT_EQ(host_.told, (std::vector<std::string>{"Press OK when WinQuake is at the Console"}));
  EXPECT_EQ(game_.typed.size(), 1u);
}

TEST_F(PlayRangeTest, ADemoTheConverterRefusesIsNeitherPlayedNorWaitedFor) {
  test::WriteFile(Preview("tempfilm.dem"), "an older preview");
  demo_.Blocks[5] = std::make_shared<Block>(Block{"block {", " camera 0 0 0;", " nonsense here;", "}", "// 0.1"});
  const std::string error = test::ErrorOf([&] { Play(4, 260, 32); });
  EXPECT_THAT(error, HasSubstr("The preview demo could not be compiled (exit code 1):"));
  EXPECT_TRUE(game_.typed.empty());
  EXPECT_EQ(game_.lookups, 0);
  EXPECT_EQ(host_.waits, 0);
}

// The bytes of the screenshot the game writes for `seed`.
std::string ShotOf(int seed) {
  TempDir scratch;
  return ReadFile(scratch.File(WriteScreenshot(scratch.Path(), seed)));
}

TEST_F(PlayRangeTest, ScreenshotsAGameWritesAfterAStopNeverReachTheNextRun) {
  game_.lag = 2;  // a screenshot lands two polls after the game took it, whatever it is told meanwhile
  timing_.quiet = std::chrono::milliseconds(0);
  host_.onPoll = [this](int wait, std::chrono::milliseconds t) {
    if (wait == 1 && t >= std::chrono::milliseconds(300)) return true;  // stop, two screenshots in flight
    game_.Deliver(1);
    return false;
  };
  const PlayReport stopped = Play(4, 260, 32);
  EXPECT_EQ(stopped.stops, 1);
  EXPECT_EQ(stopped.thumbnails, 1);
  EXPECT_EQ(game_.typed.back(), "stopdemo\r") << "the game is told to stop";
  EXPECT_TRUE(Leftovers().empty()) << "what it wrote after the stop went";

  const PlayReport next = Play(292, 548, 32);
  ASSERT_EQ(next.thumbnails, 9);
  const std::vector<int> seeds = test::ScreenshotBlocks(Preview("tempfilm.dem"));
  ASSERT_EQ(seeds.size(), 9u);
  for (std::size_t j = 0; j < seeds.size(); ++j) {
    const std::int64_t block = 292 + 32 * static_cast<std::int64_t>(j);
    EXPECT_EQ(ReadFile(ThumbnailPath(settings_, 'M', block)), ShotOf(seeds[j])) << "block " << block << " shows itself";
  }
}

TEST_F(PlayRangeTest, AnEngineWithAFolderOfItsOwnIsStartedByAKeyAndItsFilesAreLeftAlone) {
  const std::string engine = dir_.File("engine/");
  const ProfileParse parse = ParseProfile(
      "name = Tga\nprogram = tga\nwindow = class tga\nfolder = " + engine +
          "{game}\nscreenshots = shot###.tga\nscreenshot_command = screenshot tga\nold_screenshots = keep\n"
          "start = key F11\ncommand_file = run.cfg\nshots_command = timedemo tempfilm\n",
      "tga.profile");
  ASSERT_TRUE(parse.profile) << parse.error.Text();
  settings_.engine = *parse.profile;
  settings_.previewpath = engine + "id1/";
  game_ = InProcessGame(settings_.previewpath);
  game_.commandFile = "run.cfg";
  game_.pattern = *ParseShotPattern("shot###.tga");
  game_.halves = true;  // each file is written in two polls: never taken half written
  host_.onPoll = [this](int, std::chrono::milliseconds) {
    game_.Deliver(1);
    return false;
  };
  std::filesystem::create_directories(settings_.previewpath);
  for (const char* name : {"shot000.tga", "shot002.tga", "notes.pcx"}) test::WriteFile(Preview(name), "the user's");

  const PlayReport report = Play(4, 260, 32);
  EXPECT_EQ(report.thumbnails, 9);
  EXPECT_TRUE(host_.errors.empty());
  EXPECT_EQ(game_.commands, std::vector<std::string>{"timedemo tempfilm"});
  EXPECT_EQ(game_.typed, std::vector<std::string>{"\xEE"}) << "F11";
  ASSERT_FALSE(game_.matches.empty());
  EXPECT_EQ(game_.matches[0].kind, WindowMatchKind::Class);
  EXPECT_NE(ReadFile(settings_.lmpcpath + "tempfilm.out").find(" stufftext \"screenshot tga\\n\";"), std::string::npos);
  const std::vector<int> seeds = test::ScreenshotBlocks(Preview("tempfilm.dem"));
  ASSERT_EQ(seeds.size(), 9u);
  for (std::size_t j = 0; j < seeds.size(); ++j) {
    const std::vector<std::uint8_t> tga = test::ScreenshotTga(seeds[j]);
    const RgbImage expected = DecodeTga(tga.data(), tga.size());
    EXPECT_EQ(LoadPcxFile(ThumbnailPath(settings_, 'M', 4 + 32 * static_cast<std::int64_t>(j))).pixels,
              expected.pixels);
  }
  // The game's numbering went around the user's files, and they are untouched.
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(settings_.previewpath)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("shot", 0) == 0 || name == "notes.pcx") left.push_back(name);
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"notes.pcx", "shot000.tga", "shot002.tga"}));
  for (const char* name : {"shot000.tga", "shot002.tga", "notes.pcx"}) EXPECT_EQ(ReadFile(Preview(name)), "the user's");

  // Clearing the thumbnails takes only what the editor made there.
  test::WriteFile(Preview("F7.pcx"), "x");
  test::WriteFile(Preview("temp.pcx"), "x");
  ClearScreenshots(settings_);
  EXPECT_FALSE(FileExists(ThumbnailPath(settings_, 'M', 4)));
  EXPECT_FALSE(FileExists(Preview("F7.pcx")));
  EXPECT_FALSE(FileExists(Preview("temp.pcx")));
  EXPECT_EQ(ReadFile(Preview("notes.pcx")), "the user's");
  EXPECT_TRUE(FileExists(Preview("shot000.tga")));
}

// Disk full while the temporary dump is written: the run stops with the
// error before anything is compiled or typed into the game.
TEST_F(PlayRangeTest, AFullDiskWhileTheDumpIsWrittenStopsTheRunBeforeTheGame) {
  std::filesystem::create_symlink("/dev/full", TempDumpPath(settings_));
  EXPECT_EQ(test::ErrorOf([&] { Play(4, 260, 32); }), "Disk full");
  EXPECT_TRUE(game_.typed.empty());
  EXPECT_FALSE(FileExists(Preview("tempfilm.dem")));
}

// A preview folder that cannot be written: the demo for the game cannot be
// compiled there, the converter's reason is told, the game gets nothing and
// the old thumbnails stay.
TEST_F(PlayRangeTest, AReadOnlyPreviewFolderStopsTheRunWithTheConvertersReason) {
  test::WriteFile(Preview("M36.pcx"), "old thumbnail");
  dir_.OpenToAll();
  std::filesystem::permissions(game_folder_, std::filesystem::perms::all);  // the dump goes there
  test::MakeReadOnly(settings_.previewpath);
  std::string message;
  {
    test::UnprivilegedUser user;
    message = test::ErrorOf([&] { Play(4, 260, 32); });
  }
  test::MakeReadOnly(settings_.previewpath, false);
  EXPECT_THAT(message, HasSubstr("The preview demo could not be compiled (exit code 1):\n"));
  EXPECT_THAT(message, HasSubstr("Permission denied"));
  EXPECT_TRUE(game_.typed.empty());
  EXPECT_EQ(ReadFile(Preview("M36.pcx")), "old thumbnail");
}

TEST(RenameWithoutReplacing, KeepsAFileThatIsAlreadyThere) {
  TempDir dir;
  test::WriteFile(dir.File("quake00.pcx"), "new");
  test::WriteFile(dir.File("M4.pcx"), "kept");
  EXPECT_FALSE(RenameWithoutReplacing(dir.File("quake00.pcx"), dir.File("M4.pcx")));
  EXPECT_EQ(ReadFile(dir.File("M4.pcx")), "kept");
  EXPECT_EQ(ReadFile(dir.File("quake00.pcx")), "new");
  EXPECT_TRUE(RenameWithoutReplacing(dir.File("quake00.pcx"), dir.File("M8.pcx")));
  EXPECT_EQ(ReadFile(dir.File("M8.pcx")), "new");
  EXPECT_FALSE(FileExists(dir.File("quake00.pcx")));
  EXPECT_FALSE(RenameWithoutReplacing(dir.File("quake01.pcx"), dir.File("M12.pcx")));
}

}  // namespace
}  // namespace clipvex
