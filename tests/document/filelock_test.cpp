#include "document/filelock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "document/runprogram.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::TempDir;

// What FileLock::TryLock gives in a second process, as an exit code.
LockState TryInAnotherProcess(const std::string& path) {
  const pid_t child = ::fork();
  if (child == 0) {
    FileLock lock(path);
    ::_exit(static_cast<int>(lock.TryLock()));
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return static_cast<LockState>(WEXITSTATUS(status));
}

TEST(FileLock, ASecondProcessFindsTheLockBusyUntilItIsReleased) {
  TempDir dir;
  const std::string path = LockFileFor(dir.File("tempfilm.out"));
  EXPECT_EQ(path, dir.File("tempfilm.out.lock"));
  FileLock lock(path);
  ASSERT_EQ(lock.TryLock(), LockState::Held);
  EXPECT_EQ(TryInAnotherProcess(path), LockState::Busy);
  // Two holders in one process conflict too: one window never shares.
  EXPECT_EQ(FileLock(path).TryLock(), LockState::Busy);
  lock.Unlock();
  EXPECT_EQ(TryInAnotherProcess(path), LockState::Held);
  // A moved lock stays held and is released once.
  ASSERT_EQ(lock.TryLock(), LockState::Held);
  FileLock moved = std::move(lock);
  EXPECT_TRUE(moved.Held());
  EXPECT_FALSE(lock.Held());
  EXPECT_EQ(TryInAnotherProcess(path), LockState::Busy);
}

TEST(FileLock, NeitherACrashNorAProgramStartedMeanwhileKeepsTheLock) {
  TempDir dir;
  const std::string path = dir.File("tempfilm.dem.lock");
  {
    // Another window that holds the lock and is killed.
    test::LockHolder other(path);
    EXPECT_EQ(FileLock(path).TryLock(), LockState::Busy);
  }
  FileLock lock(path);
  ASSERT_EQ(lock.TryLock(), LockState::Held);
  // A program started while the lock is held does not inherit it.
  RunningProgram sleeper("sleep", {"30"}, kShowMinimized);
  lock.Unlock();
  EXPECT_EQ(TryInAnotherProcess(path), LockState::Held);
  EXPECT_FALSE(sleeper.Finished());
}

TEST(FileLock, WaitsForAnotherHolderAndGuardsNothingWhereNoFileCanBeMade) {
  TempDir dir;
  const std::string path = dir.File("tempfilm.out.lock");
  auto other = std::make_unique<test::LockHolder>(path);
  std::atomic<bool> released = false;
  bool releasedFirst = false;
  LockState state = LockState::Unavailable;
  FileLock lock(path);
  std::thread waiter([&] {
    state = lock.Lock();
    releasedFirst = released;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  released = true;
  other.reset();
  waiter.join();
  EXPECT_EQ(state, LockState::Held);
  EXPECT_TRUE(releasedFirst) << "the lock was taken while another process held it";
  EXPECT_EQ(FileLock(dir.File("no folder/tempfilm.out.lock")).TryLock(), LockState::Unavailable);
  EXPECT_EQ(FileLock(dir.File("no folder/tempfilm.out.lock")).Lock(), LockState::Unavailable);
}

}  // namespace
}  // namespace clipvex
