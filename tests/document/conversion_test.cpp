#include "document/conversion.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "document/dumptext.h"
#include "document/error.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::FileExists;
using test::ReadFile;
using test::RecordingNotifier;
using test::TempDir;
using test::WriteFile;

// A converter folder (with a blank in its name) holding the real converter;
// every case opens real demos.
class ConversionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CLIPVEX_NEED_FIXTURES(test::DemoFolder());
    settings_.lmpcpath = dir_.File("lmpc folder/");
    std::filesystem::create_directories(settings_.lmpcpath);
    std::filesystem::create_symlink(LMPC_PATH, settings_.lmpcpath + "lmpc");
  }
  void UseFakeConverter(const std::string& body) {
    std::string path = settings_.lmpcpath + "lmpc";
    std::filesystem::remove(path);
    test::WriteScript(path, body);
  }
  std::string ConverterDump(const std::string& demo) {
    std::string out = dir_.File("plain.txt");
    std::string cmd = std::string("'") + LMPC_PATH + "' -s -f '" + demo + "' '" + out + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    return ReadFile(out);
  }

  TempDir dir_;
  Settings settings_;
  RecordingNotifier notifier_;
};

TEST(SaveExtension, LastDotAfterTheLastFolderSeparator) {
  EXPECT_EQ(SaveExtension("c:\\demos\\a.dem"), ".DEM");
  EXPECT_EQ(SaveExtension("/x/y/film.Dem"), ".DEM");
  EXPECT_EQ(SaveExtension("/x/y.z/film"), "");
  EXPECT_EQ(SaveExtension("c:\\my.folder\\film"), "");
  EXPECT_EQ(SaveExtension("c:film.txt"), ".TXT");
  EXPECT_EQ(SaveExtension("film."), ".");
  EXPECT_EQ(SaveExtension("a.b.out"), ".OUT");
}

TEST_F(ConversionTest, LoadThenSaveGivesTheSameDemoButForResetLineAndTimes) {
  for (const char* name : {"p666_medusa_start_2levels.dem", "p15_e4m2_id101.dem", "p999_e2m5_baseline2.dem",
                           "p15_ctf8_mp109.dem", "p15_e0m3_pause_cutscene.dem", "p15_introseq_tf107.dem",
                           "p666_e1m1_smoothme.dem", "p666_swampy_long_nodisconnect.dem", "edge_p666_nan_angles.dem"}) {
    std::string source = test::DemoFixture(name);
    TDemFile demo;
    LoadDemo(source, demo, settings_, notifier_);
    EXPECT_TRUE(notifier_.errors.empty());
    EXPECT_FALSE(FileExists(TempDumpPath(settings_))) << "the temporary dump is deleted after loading";
    std::string saved = dir_.File(std::string("saved ") + name);
    SaveDemo(demo, saved, settings_);
    EXPECT_TRUE(FileExists(TempDumpPath(settings_))) << "a save to a demo leaves the temporary dump";

    // Compare the converter's dumps of both demos line by line.
    std::vector<std::string> before = test::SplitLines(ConverterDump(source));
    std::vector<std::string> after = test::SplitLines(ConverterDump(saved));
    auto reset = std::find(after.begin(), after.end(), kConsoleResetLine);
    ASSERT_NE(reset, after.end()) << name;
    after.erase(reset);
    ASSERT_EQ(before.size(), after.size()) << name;
    std::size_t timeLines = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
      if (before[i].rfind(" time ", 0) == 0) {
        ASSERT_EQ(after[i].rfind(" time ", 0), 0u) << name << " line " << i;
        ++timeLines;
        continue;
      }
      ASSERT_EQ(before[i], after[i]) << name << " line " << i;
    }
    EXPECT_GT(timeLines, 100u) << name;
  }
}

TEST_F(ConversionTest, ADemoOfOneBlockHasNoPlaceForTheResetLine) {
  TDemFile demo;
  EXPECT_EQ(test::ErrorOf([&] { LoadDemo(test::DemoFixture("edge_synthetic_qfont.dem"), demo, settings_, notifier_); }),
            "List index out of bounds");
  EXPECT_FALSE(demo.HasBlocks());
  EXPECT_FALSE(FileExists(TempDumpPath(settings_)));
}

TEST_F(ConversionTest, SavingTextWritesTheDumpItself) {
  TDemFile demo;
  LoadDemo(test::DemoFixture("p666_e1m1_smoothme.dem"), demo, settings_, notifier_);
  for (const char* name : {"film.txt", "film.out", "film", "my.folder/film"}) {
    std::string target = dir_.File(name);
    std::filesystem::create_directories(std::filesystem::path(target).parent_path());
    SaveDemo(demo, target, settings_);
    std::string expected = dir_.File("expected.txt");
    WriteDump(demo, expected);
    EXPECT_EQ(ReadFile(target), ReadFile(expected)) << name;
  }
  EXPECT_FALSE(FileExists(TempDumpPath(settings_)));
}

TEST_F(ConversionTest, OpeningADumpTextRunsTheConverterOnIt) {
  std::string dump = dir_.File("film.txt");
  WriteFile(dump, ConverterDump(test::DemoFixture("p15_ctf8_mp109.dem")));
  TDemFile fromDump;
  TDemFile fromDemo;
  LoadDemo(dump, fromDump, settings_, notifier_);
  LoadDemo(test::DemoFixture("p15_ctf8_mp109.dem"), fromDemo, settings_, notifier_);
  ASSERT_EQ(fromDump.Blocks.size(), fromDemo.Blocks.size());
  for (std::size_t i = 0; i < fromDemo.Blocks.size(); ++i) ASSERT_EQ(*fromDump.Blocks[i], *fromDemo.Blocks[i]) << i;
}

TEST_F(ConversionTest, FailedConversionsRaiseTheConverterMessage) {
  TDemFile demo;
  std::string garbage = dir_.File("garbage.dem");
  WriteFile(garbage, "this is not a demo at all, not even close");
  try {
    LoadDemo(garbage, demo, settings_, notifier_);
    FAIL() << "garbage was loaded";
  } catch (const ClipvexError& e) {
    std::string text = e.what();
    EXPECT_NE(text.find("failed (exit code 1)"), std::string::npos) << text;
    EXPECT_NE(text.find("garbage.dem"), std::string::npos) << text;
  }
  EXPECT_FALSE(demo.HasBlocks());

  // A stale dump from an earlier run is never read in place of a missing one.
  WriteFile(TempDumpPath(settings_), "track -1;\nblock {\n}\n");
  UseFakeConverter("exit 0");
  try {
    LoadDemo(test::DemoFixture("p15_e4m2_id101.dem"), demo, settings_, notifier_);
    FAIL();
  } catch (const ClipvexError& e) {
    EXPECT_STREQ(e.what(), "File not found");
  }
  EXPECT_FALSE(demo.HasBlocks());

  std::filesystem::remove(settings_.lmpcpath + "lmpc");
  try {
    LoadDemo(test::DemoFixture("p15_e4m2_id101.dem"), demo, settings_, notifier_);
    FAIL();
  } catch (const ClipvexError& e) {
    EXPECT_EQ(std::string(e.what()), "Failed to execute program.  Error Code 2\n" + settings_.lmpcpath +
                                         "lmpc\nNo such file or directory\n"
                                         "Set the converter's folder in Options > Directories");
  }
}

TEST_F(ConversionTest, AFailedSaveKeepsThePreviousFile) {
  TDemFile demo;
  LoadDemo(test::DemoFixture("p666_e1m1_smoothme.dem"), demo, settings_, notifier_);
  std::string target = dir_.File("keep.dem");
  WriteFile(target, "previous demo");
  UseFakeConverter("echo \"$4: cannot compile line 12\" >&2; printf partial > \"$4\"; exit 1");
  try {
    SaveDemo(demo, target, settings_);
    FAIL();
  } catch (const ClipvexError& e) {
    EXPECT_NE(std::string(e.what()).find("cannot compile line 12"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadFile(target), "previous demo");
  EXPECT_FALSE(FileExists(target + ".clipvex-tmp"));

  // A text target in a folder that does not exist: the file error.
  try {
    SaveDemo(demo, dir_.File("missing/film.txt"), settings_);
    FAIL();
  } catch (const ClipvexError& e) {
    EXPECT_STREQ(e.what(), "File not found");
  }
}

}  // namespace
}  // namespace clipvex
