#include "document/conversion.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <regex>
#include <thread>

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

// Waits as the window does (asking `done` until it holds) but answers for
// the user: after `polls` questions it gives `giveUp` (the converter's time
// limit is recorded, not waited out). `onPoll` runs before each question.
class ScriptedWait : public ConversionWait {
 public:
  WaitOutcome Wait(const std::string& what, std::chrono::milliseconds limit,
                   const std::function<bool()>& done) override {
    texts.push_back(what);
    limits.push_back(limit);
    for (int i = 0; i < polls; ++i) {
      if (onPoll) onPoll(i);
      if (done()) return WaitOutcome::Done;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return giveUp;
  }
  WaitOutcome giveUp = WaitOutcome::TimedOut;
  int polls = 1000;
  std::function<void(int)> onPoll;
  std::vector<std::string> texts;
  std::vector<std::chrono::milliseconds> limits;
};

TEST(ConverterTimeLimit, HalfAMinuteAndTwoSecondsForEveryMebibyteBegun) {
  constexpr std::uintmax_t kMiB = 1024 * 1024;
  const std::pair<std::uintmax_t, int> cases[] = {{0, 30}, {1, 32}, {kMiB, 32}, {kMiB + 1, 34}, {100 * kMiB, 230}};
  for (const auto& [bytes, seconds] : cases)
    EXPECT_EQ(ConverterTimeLimit(bytes), std::chrono::seconds(seconds)) << bytes;
}

TEST_F(ConversionTest, AConverterThatHangsIsStoppedOnCancelOrAtTheLimitAndLeavesEverythingAsItWas) {
  const std::string source = test::DemoFixture("p666_e1m1_smoothme.dem");
  TDemFile demo;
  LoadDemo(source, demo, settings_, notifier_);
  const std::string target = dir_.File("keep.dem");
  const std::string pid = dir_.File("converter.pid");
  UseFakeConverter("echo $$ > '" + pid + "'; printf partial > \"$4\"; exec sleep 60");
  const std::string converter = settings_.lmpcpath + "lmpc";
  for (const WaitOutcome outcome : {WaitOutcome::TimedOut, WaitOutcome::Cancelled}) {
    for (const bool save : {false, true}) {
      SCOPED_TRACE(std::string(save ? "save " : "open ") +
                   (outcome == WaitOutcome::Cancelled ? "cancelled" : "timed out"));
      WriteFile(target, "previous demo");
      ScriptedWait wait;
      wait.polls = 30;
      wait.giveUp = outcome;
      TDemFile opened;
      auto run = [&] {
        save ? SaveDemo(demo, target, settings_, wait) : LoadDemo(source, opened, settings_, notifier_, wait);
      };
      const std::string expected =
          outcome == WaitOutcome::Cancelled ? "Cancelled"
          : save                            ? "Saving '" + target + "': the converter " + converter +
                       " did not finish within LIMIT seconds and was stopped.\n'" + target + "' was left as it was."
                 : "Opening '" + source + "': the converter " + converter +
                       " did not finish within LIMIT seconds and was stopped.\nThe demo was not opened.";
      const std::string error = test::ErrorOf([&] { run(); });
      const std::uintmax_t read = std::filesystem::file_size(save ? TempDumpPath(settings_) : source);
      const std::string limit = std::to_string(ConverterTimeLimit(read).count() / 1000);
      EXPECT_EQ(error, std::regex_replace(expected, std::regex("LIMIT"), limit));
      ASSERT_EQ(wait.texts.size(), 1u);
      EXPECT_EQ(wait.texts[0], (save ? "Saving '" + target : "Opening '" + source) + "'.\nThe converter " + converter +
                                   " is still working.");
      EXPECT_FALSE(opened.HasBlocks());
      EXPECT_EQ(ReadFile(target), "previous demo");
      EXPECT_FALSE(FileExists(target + ".clipvex-tmp"));
      EXPECT_EQ(::kill(std::stoi(ReadFile(pid)), 0), -1) << "the converter was not stopped";
    }
  }
}

TEST_F(ConversionTest, ASlowOrFailingConverterIsWaitedForWithoutBlocking) {
  const std::string source = test::DemoFixture("p15_ctf8_mp109.dem");
  UseFakeConverter(std::string("sleep 0.3; exec '") + LMPC_PATH + "' \"$@\"");
  ScriptedWait wait;
  TDemFile demo;
  LoadDemo(source, demo, settings_, notifier_, wait);
  EXPECT_TRUE(demo.HasBlocks());
  EXPECT_EQ(wait.limits,
            std::vector<std::chrono::milliseconds>{ConverterTimeLimit(std::filesystem::file_size(source))});
  SaveDemo(demo, dir_.File("waited.dem"), settings_, wait);
  SaveDemo(demo, dir_.File("blocked.dem"), settings_);
  EXPECT_EQ(ReadFile(dir_.File("waited.dem")), ReadFile(dir_.File("blocked.dem")));
  TDemFile again;

  UseFakeConverter("echo 'block 3: bad message' >&2; exit 1");
  EXPECT_EQ(test::ErrorOf([&] { LoadDemo(source, again, settings_, notifier_, wait); }),
            "The conversion of '" + source + "' failed (exit code 1):\nblock 3: bad message");
}

TEST_F(ConversionTest, AnotherWindowUsingTheConverterFolderIsWaitedFor) {
  const std::string source = test::DemoFixture("p15_ctf8_mp109.dem");
  const std::string ran = dir_.File("converter ran");
  auto other = std::make_unique<test::LockHolder>(settings_.lmpcpath + "tempfilm.out.lock");
  UseFakeConverter("touch '" + ran + "'; exit 1");
  ScriptedWait cancelled;
  cancelled.polls = 5;
  cancelled.giveUp = WaitOutcome::Cancelled;
  TDemFile demo;
  EXPECT_EQ(test::ErrorOf([&] { LoadDemo(source, demo, settings_, notifier_, cancelled); }), "Cancelled");
  EXPECT_EQ(cancelled.texts,
            std::vector<std::string>{"Another Clipvex window is using the converter folder " + settings_.lmpcpath +
                                     " (tempfilm.out).\nThis window waits until it has finished."});
  EXPECT_FALSE(FileExists(ran));
  // A text save needs no temporary dump and does not wait.
  SaveDemo(demo, dir_.File("film.txt"), settings_, cancelled);
  EXPECT_EQ(cancelled.texts.size(), 1u);

  // The other window finishes while this one waits: the opening goes on.
  std::filesystem::remove(settings_.lmpcpath + "lmpc");
  std::filesystem::create_symlink(LMPC_PATH, settings_.lmpcpath + "lmpc");
  ScriptedWait patient;
  patient.onPoll = [&](int poll) {
    if (poll == 3) other.reset();
  };
  LoadDemo(source, demo, settings_, notifier_, patient);
  EXPECT_TRUE(demo.HasBlocks());
  EXPECT_EQ(patient.texts.size(), 2u);  // the other window, then the converter
}

}  // namespace
}  // namespace clipvex
