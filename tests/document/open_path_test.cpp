// Opening refuses what is no demo file before the converter runs: a folder,
// a device, a pipe, a name that does not exist. A link to a demo still opens.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "document/conversion.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::ErrorOf;
using test::FileExists;
using test::RecordingNotifier;
using test::TempDir;

// A converter folder whose converter only notes that it ran.
class OpenPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.lmpcpath = dir_.File("lmpc/");
    std::filesystem::create_directories(settings_.lmpcpath);
    ran_ = dir_.File("converter ran");
    const std::string converter = settings_.lmpcpath + "lmpc";
    test::WriteScript(converter, "touch '" + ran_ + "'\nexit 1");
  }

  TempDir dir_;
  Settings settings_;
  RecordingNotifier notifier_;
  std::string ran_;
};

TEST_F(OpenPathTest, WhatIsNoDemoFileIsRefusedBeforeTheConverterRuns) {
  std::filesystem::create_directories(dir_.File("folder"));
  std::filesystem::create_directory_symlink(dir_.File("folder"), dir_.File("link to folder"));
  const std::string fifo = dir_.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string folder = dir_.File("folder");
  const std::string missing = dir_.File("missing.dem");
  const std::string linked = dir_.File("link to folder");
  const std::pair<std::string, std::string> cases[] = {
      {folder, "'" + folder + "' is a folder, not a demo file"},
      {linked, "'" + linked + "' is a folder, not a demo file"},
      {"/dev/zero", "'/dev/zero' is not a regular file"},
      {fifo, "'" + fifo + "' is not a regular file"},
      {missing, "'" + missing + "' does not exist"},
  };
  for (const auto& [path, message] : cases) {
    TDemFile demo;
    demo.Header = "track -1;";
    EXPECT_EQ(ErrorOf([&] { LoadDemo(path, demo, settings_, notifier_); }), message);
    EXPECT_FALSE(demo.HasBlocks()) << path;
    EXPECT_TRUE(demo.Header.empty()) << path;
  }
  EXPECT_FALSE(FileExists(ran_)) << "the converter was started";
  EXPECT_TRUE(notifier_.errors.empty());
}

TEST_F(OpenPathTest, ALinkToADemoGoesToTheConverter) {
  // What the file holds is the converter's business: the fake one refuses it.
  test::WriteFile(dir_.File("demo.dem"), "-1\n");
  std::filesystem::create_symlink(dir_.File("demo.dem"), dir_.File("link.dem"));
  TDemFile demo;
  const std::string message = ErrorOf([&] { LoadDemo(dir_.File("link.dem"), demo, settings_, notifier_); });
  EXPECT_EQ(message.rfind("The conversion of '" + dir_.File("link.dem") + "' failed (exit code 1)", 0), 0u) << message;
  EXPECT_TRUE(FileExists(ran_));
}

}  // namespace
}  // namespace clipvex
