// Saying why a stored configuration cannot be used, and which box of the
// Configuration dialog is to blame.
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/dircfg.h"
#include "settings/settingsstore.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::TempDir;

class ConfigurationProblemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    game_ = temp_.Path() + "quake/";
    lmpc_ = temp_.Path() + "quake/lmpc/";
    std::filesystem::create_directories(game_ + "id1");
    std::filesystem::create_directories(lmpc_);
    test::WriteFile(temp_.File("a file"), "not a folder");
  }
  void PutComplete() {
    store_.Put("WinQuakePath", game_);
    store_.Put("lmpcpath", lmpc_);
    store_.Put("dempath", std::string("id1"));
    store_.Put("addparams", std::string(""));
    store_.Put("fastpre", std::int32_t{0});
  }
  // The answer must agree with LoadSettings' verdict every time.
  std::string Problem() {
    Settings settings;
    int requests = 0;
    const bool valid = LoadSettings(settings, store_, [&requests] { ++requests; });
    const std::string problem = ConfigurationProblem(store_);
    EXPECT_EQ(valid, problem.empty()) << problem;
    EXPECT_EQ(requests, valid ? 0 : 1);
    return problem;
  }

  TempDir temp_;
  std::string game_;
  std::string lmpc_;
  MemorySettingsStore store_;
};

TEST_F(ConfigurationProblemTest, NamesEachFolderThatIsMissingOrNoFolder) {
  EXPECT_EQ(Problem(),
            "No settings are stored yet: choose the game's folder and the converter's folder, then press OK.");

  PutComplete();
  EXPECT_EQ(Problem(), "");

  store_.Put("WinQuakePath", temp_.Path() + "nothing/");
  EXPECT_EQ(Problem(), "The game folder '" + temp_.Path() + "nothing/' does not exist.");

  // A file is no folder, with or without a separator at its end; the
  // subdirectory is not looked for in it.
  store_.Put("WinQuakePath", temp_.File("a file"));
  EXPECT_EQ(Problem(), "The game folder '" + temp_.File("a file") + "' is not a folder.");
  store_.Put("WinQuakePath", temp_.File("a file/"));
  store_.Put("lmpcpath", std::string(""));
  EXPECT_EQ(Problem(),
            "The game folder '" + temp_.File("a file/") + "' is not a folder.\nThe converter's folder is not set.");

  store_.Put("WinQuakePath", game_);
  store_.Put("lmpcpath", lmpc_ + "gone/");
  store_.Put("dempath", std::string("mymod"));
  EXPECT_EQ(Problem(), "The converter's folder '" + lmpc_ +
                           "gone/' does not exist.\n"
                           "The game folder has no subdirectory 'mymod'.");

  store_.Put("lmpcpath", lmpc_);
  test::WriteFile(game_ + "pak0", "");
  store_.Put("dempath", std::string("pak0"));
  EXPECT_EQ(Problem(), "The game subdirectory 'pak0' in the game folder is not a folder.");
}

TEST_F(ConfigurationProblemTest, NamesTheStoredValueThatCannotBeRead) {
  PutComplete();
  store_.Remove("fastpre");
  EXPECT_EQ(Problem(), "The setting 'fastpre' is not stored yet; press OK to store the settings again.");
  store_.Put("fastpre", std::string("1"));
  EXPECT_EQ(Problem(), "The stored setting 'fastpre' cannot be read; press OK to store the settings again.");
  PutComplete();
  store_.Put("LMPCPATH", MemorySettingsStore::Binary{"\x01"});
  EXPECT_EQ(Problem(), "The stored setting 'lmpcpath' cannot be read; press OK to store the settings again.");
}

TEST_F(ConfigurationProblemTest, DialogBoxesGetANoteEach) {
  DircfgValues values;
  values.winqpath = game_;
  values.lmpcpath = lmpc_;
  values.dempath = "id1";
  EXPECT_FALSE(CheckDircfgValues(values).Any());

  values.dempath = "missing";
  DircfgProblems problems = CheckDircfgValues(values);
  EXPECT_EQ(problems.dempath, "The game folder has no subdirectory of this name.");
  EXPECT_EQ(problems.winqpath, "");
  EXPECT_EQ(problems.lmpcpath, "");

  values.winqpath = temp_.Path() + "nothing/";
  values.lmpcpath = temp_.File("a file/");
  problems = CheckDircfgValues(values);
  EXPECT_EQ(problems.winqpath, "This folder does not exist.");
  EXPECT_EQ(problems.lmpcpath, "This is a file, not a folder.");
  EXPECT_EQ(problems.dempath, "");  // nothing to look in
  EXPECT_TRUE(problems.Any());
}

}  // namespace
}  // namespace clipvex
