#include "preview/runlocks.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/testsupport.h"

namespace clipvex {
namespace {

TEST(RunLocks, ARunTakesBothFoldersOrNoneAndSaysWhichOneAnotherWindowUses) {
  test::TempDir dir;
  Settings settings;
  settings.lmpcpath = dir.File("lmpc/");
  settings.previewpath = dir.File("game/id1/");
  std::filesystem::create_directories(settings.lmpcpath);
  std::filesystem::create_directories(settings.previewpath);
  const std::string previewLock = settings.previewpath + "tempfilm.dem.lock";
  const std::string converterLock = settings.lmpcpath + "tempfilm.out.lock";
  {
    const RunLocks run(settings);
    ASSERT_TRUE(run.Taken()) << run.Refusal();
    EXPECT_EQ(FileLock(previewLock).TryLock(), LockState::Busy);
    EXPECT_EQ(FileLock(converterLock).TryLock(), LockState::Busy);
  }
  {
    test::LockHolder other(previewLock);
    const RunLocks run(settings);
    EXPECT_EQ(run.Refusal(), "Another Clipvex window is taking screenshots or playing a demo in the preview folder " +
                                 settings.previewpath + ".\nThis window cannot run a preview until it has finished.");
    EXPECT_EQ(FileLock(converterLock).TryLock(), LockState::Held);
  }
  {
    test::LockHolder other(converterLock);
    const RunLocks run(settings);
    EXPECT_EQ(run.Refusal(), "Another Clipvex window is using the converter folder " + settings.lmpcpath +
                                 " (tempfilm.out).\nTry the preview again when it has finished.");
    EXPECT_EQ(FileLock(previewLock).TryLock(), LockState::Held) << "a refused run keeps no lock";
  }
  // Folders nothing can be written to guard nothing: the run goes on and
  // meets their own errors.
  settings.previewpath = dir.File("missing/");
  EXPECT_TRUE(RunLocks(settings).Taken());
}

}  // namespace
}  // namespace clipvex
