#include "preview/gamecontrol.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <filesystem>

#include "document/runprogram.h"
#include "preview/fakes.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::InProcessGame;
using test::ReadFile;
using test::ScriptedHost;
using test::TempDir;

TEST(SplitParameters, BlanksSeparateAndQuotesGroup) {
  EXPECT_EQ(SplitParameters("-startwindowed  +_windowed_mouse 0 +vid_mode 0 +playdemo clipvex"),
            (std::vector<std::string>{"-startwindowed", "+_windowed_mouse", "0", "+vid_mode", "0", "+playdemo",
                                      "clipvex"}));
  EXPECT_EQ(SplitParameters(" +name \"two words\" \"\" a\"b c\"d\t+x "),
            (std::vector<std::string>{"+name", "two words", "", "ab cd", "+x"}));
  EXPECT_TRUE(SplitParameters("   ").empty());
  Settings settings;
  settings.dempath = "id1";
  settings.addparams = "+timescale 4";
  EXPECT_EQ(GameArguments(settings), (std::vector<std::string>{"-game", "id1", "+timescale", "4"}));
}

// A game folder (with a blank in its name) whose "game" is a script.
class LaunchGameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_.File("quake folder/");
    std::filesystem::create_directories(folder_ + "id1");
    settings_.WinQuakePath = folder_;
    settings_.dempath = "id1";
    settings_.addparams = "-startwindowed +vid_mode 0";
    settings_.previewpath = folder_ + "id1/";
    timing_.settle = std::chrono::milliseconds(5000);
    game_.windowMarker = folder_ + "window";
  }
  void TearDown() override { processes_.TerminateAll(); }

  void Game(const std::string& body) {
    const std::string path = folder_ + kGameProgramName;
    test::WriteScript(path, body);
  }
  GameWindow Launch() { return LaunchGame(settings_, game_, processes_, host_, timing_); }

  TempDir dir_;
  std::string folder_;
  Settings settings_;
  PreviewTiming timing_;
  InProcessGame game_{""};
  GameProcesses processes_;
  ScriptedHost host_;
};

TEST_F(LaunchGameTest, StartsTheGameInItsFolderWaitsForTheWindowAndAsksForTheConsole) {
  Game("printf '[%s]' \"$@\" > args.txt; pwd > cwd.txt; touch window; exec sleep 30");
  const std::string before = std::filesystem::current_path().string();
  EXPECT_EQ(Launch(), InProcessGame::kWindow);
  EXPECT_EQ(ReadFile(folder_ + "args.txt"), "[-game][id1][-startwindowed][+vid_mode][0]");
  EXPECT_EQ(ReadFile(folder_ + "cwd.txt"), dir_.File("quake folder") + "\n");
  EXPECT_EQ(std::filesystem::current_path().string(), before);
  EXPECT_EQ(host_.told, (std::vector<std::string>{"Press OK when WinQuake is at the Console"}));
  // The window wait, then the time for the game to come up.
  ASSERT_EQ(host_.limits.size(), 2u);
  EXPECT_EQ(host_.limits[0], std::chrono::milliseconds(60000));
  EXPECT_EQ(host_.limits[1], std::chrono::milliseconds(5000));
  EXPECT_EQ(processes_.RunningCount(), 1u);
  processes_.TerminateAll();
  EXPECT_EQ(processes_.RunningCount(), 0u);
}

TEST_F(LaunchGameTest, AGameThatNeverOpensAWindowIsGivenUpAfterSixtySeconds) {
  Game("exec sleep 30");
  EXPECT_EQ(test::ErrorOf([&] { Launch(); }), "WinQuake did not open a window within 60 seconds");
  EXPECT_TRUE(host_.told.empty());
  EXPECT_GE(game_.lookups, 600) << "looked for the window ten times a second";
}

TEST_F(LaunchGameTest, AGameThatEndsBeforeItsWindowIsReportedAtOnce) {
  Game("exit 3");
  EXPECT_EQ(test::ErrorOf([&] { Launch(); }), "WinQuake ended before it opened a window (exit code 3)");
  EXPECT_EQ(processes_.RunningCount(), 0u);
}

TEST_F(LaunchGameTest, AStopEndsTheWaitWithoutAWindow) {
  Game("exec sleep 30");
  host_.onPoll = [](int, std::chrono::milliseconds t) { return t >= std::chrono::milliseconds(500); };
  EXPECT_EQ(Launch(), 0u);
  EXPECT_TRUE(host_.told.empty());
}

TEST_F(LaunchGameTest, AMissingFolderOrProgramIsAnError) {
  EXPECT_EQ(test::ErrorOf([&] { Launch(); }), "Failed to execute program.  Error Code 2\n" + settings_.WinQuakePath +
                                                 "winquake\nNo such file or directory\n"
                                                 "Set the game's folder in Options > Directories");
  settings_.WinQuakePath = dir_.File("gone/");
  EXPECT_EQ(test::ErrorOf([&] { Launch(); }),
            "The game folder '" + dir_.File("gone/") + "' does not exist: set it in Options > Directories...");
  EXPECT_EQ(host_.waits, 0);
}

TEST(GameProcesses, EndedGamesAreCollectedWithTheirExitCode) {
  TempDir dir;
  GameProcesses processes;
  const ProgramResult quick = RunProgram("/bin/sh", {"-c", "exit 5"}, kShowMaximized, false);
  const ProgramResult slow = RunProgram("/bin/sh", {"-c", "exec sleep 30"}, kShowMaximized, false);
  processes.Add(quick.processId);
  processes.Add(slow.processId);
  for (int i = 0; i < 500 && processes.Running(quick.processId); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_FALSE(processes.Running(quick.processId));
  EXPECT_EQ(processes.ExitCode(quick.processId), 5);
  // Collected: no zombie is left behind.
  EXPECT_EQ(::waitpid(static_cast<pid_t>(quick.processId), nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  EXPECT_TRUE(processes.Running(slow.processId));
  EXPECT_EQ(processes.RunningCount(), 1u);
  processes.TerminateAll();
  EXPECT_EQ(processes.RunningCount(), 0u);
  EXPECT_EQ(processes.ExitCode(slow.processId), 128 + SIGTERM);
}

}  // namespace
}  // namespace clipvex
