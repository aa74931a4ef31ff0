#include "document/runprogram.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "document/error.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::string Script(const TempDir& dir, const std::string& name, const std::string& body) {
  std::string path = dir.File(name);
  test::WriteScript(path, body);
  return path;
}

std::string ErrorOfStart(const std::string& program, const std::string& folder) {
  return test::ErrorOf([&] { RunProgram(program, {}, kShowMinimized, true, false, folder); });
}

TEST(RunProgram, ArgumentsTravelWholeAndTheExitCodeComesBack) {
  TempDir dir;
  std::string folder = dir.File("folder with blanks/");
  ::mkdir(folder.c_str(), 0755);
  std::string out = folder + "args.txt";
  std::string prog = Script(dir, "print args", "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$1\"; exit 7");
  ProgramResult r = RunProgram(prog, {out, "two words", "", "quote\"d", "*"}, kShowMinimized, true);
  EXPECT_EQ(r.exitCode, 7);
  EXPECT_EQ(ReadFile(out), "[" + out + "]\n[two words]\n[]\n[quote\"d]\n[*]\n");
}

TEST(RunProgram, CapturesErrorOutputAndSignals) {
  TempDir dir;
  std::string prog = Script(dir, "fails", "echo 'cannot read block 3' >&2; exit 1");
  ProgramResult r = RunProgram(prog, {}, kShowMinimized, true, true);
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.errorOutput, "cannot read block 3\n");
  std::string killed = Script(dir, "killed", "kill -9 $$");
  EXPECT_EQ(RunProgram(killed, {}, kShowMinimized, true).exitCode, 128 + 9);
  // Bare names are looked up on the search path.
  EXPECT_EQ(RunProgram("true", {}, kShowMinimized, true).exitCode, 0);
}

TEST(RunProgram, StartFailuresCarryTheSystemErrorNumber) {
  TempDir dir;
  auto message = [](const std::string& program) {
    try {
      RunProgram(program, {}, kShowMinimized, true);
    } catch (const ClipvexError& e) {
      return std::string(e.what());
    }
    return std::string("started");
  };
  // The described first line, then the program's full path and the system's reason.
  EXPECT_EQ(message(dir.File("missing")),
            "Failed to execute program.  Error Code 2\n" + dir.File("missing") + "\nNo such file or directory");
  WriteFile(dir.File("not-executable"), "#!/bin/sh\n");
  EXPECT_EQ(message(dir.File("not-executable")),
            "Failed to execute program.  Error Code 13\n" + dir.File("not-executable") + "\nPermission denied");
  EXPECT_EQ(message("no-such-program-on-the-path"),
            "Failed to execute program.  Error Code 2\nno-such-program-on-the-path\nNo such file or directory");
}

TEST(RunProgram, StartFailuresNameTheProgramByItsFullPathAndTakeAdvice) {
  TempDir dir;
  std::string relative = std::filesystem::relative(dir.File("gone/./lmpc")).string();
  ASSERT_NE(relative.front(), '/');
  try {
    RunProgram(relative, {}, kShowMinimized, true);
    FAIL() << "started";
  } catch (const ProgramStartError& e) {
    EXPECT_EQ(e.Code(), 2u);
    EXPECT_EQ(e.Program(), relative);
    const std::string withAdvice = e.WithAdvice(kConverterAdvice).what();
    const std::string full = (std::filesystem::canonical(dir.Path()) / "gone" / "lmpc").string();
    EXPECT_EQ(withAdvice, "Failed to execute program.  Error Code 2\n" + full +
                              "\nNo such file or directory\nSet the converter's folder in Options > Directories");
    // Advice replaces advice; the failure itself stays.
    EXPECT_EQ(std::string(e.WithAdvice(kConverterAdvice).WithAdvice(kGameAdvice).what()),
              std::string(e.what()) + "\nSet the game's folder in Options > Directories");
  }
}

TEST(RunProgram, WithoutWaitReturnsWhileTheProgramRuns) {
  TempDir dir;
  const std::string go = dir.File("go");
  const std::string flag = dir.File("done");
  // The program ends only once the test has seen the call return and says
  // "go" (or after a minute, so that a runner that waits fails instead of hanging).
  std::string prog = Script(dir, "held",
                            "i=0; while [ ! -e \"$1\" ] && [ $i -lt 6000 ]; do sleep 0.01; i=$((i+1)); done\n"
                            "touch \"$2\"");
  RunProgram(prog, {go, flag}, kShowMaximized, false);
  EXPECT_FALSE(test::FileExists(flag)) << "the call waited for the program";
  test::WriteFile(go, "");
  for (int i = 0; i < 1200 && !test::FileExists(flag); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(test::FileExists(flag));
}

TEST(RunProgram, StartsInTheGivenFolderAndLeavesTheCallersAlone) {
  TempDir dir;
  const std::string folder = dir.File("game folder");
  ::mkdir(folder.c_str(), 0755);
  const std::string before = std::filesystem::current_path().string();
  std::string prog = Script(dir, "where", "pwd > where.txt; exit 3");
  // Not waited for: the caller gets the process to reap.
  ProgramResult r = RunProgram(prog, {}, kShowMaximized, false, false, folder);
  ASSERT_GT(r.processId, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(static_cast<pid_t>(r.processId), &status, 0), r.processId);
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_EQ(ReadFile(folder + "/where.txt"), folder + "\n");
  EXPECT_EQ(std::filesystem::current_path().string(), before);
  EXPECT_EQ(ErrorOfStart(prog, dir.File("no such folder")),
            "Failed to execute program.  Error Code 2\n" + prog + "\nNo such file or directory");
}

// Asks `program` until it has ended (at most ten seconds).
bool PollUntilFinished(RunningProgram& program) {
  for (int i = 0; i < 1000; ++i) {
    if (program.Finished()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// Whether the process whose number `pidFile` holds still runs (a process
// ended but not yet collected by whoever adopted it does not).
bool Alive(const std::string& pidFile) {
  const std::string pid = std::to_string(std::stol(ReadFile(pidFile)));
  std::string stat;
  try {
    stat = ReadFile("/proc/" + pid + "/stat");
  } catch (const std::exception&) {
    return false;
  }
  const std::size_t state = stat.rfind(") ");
  return state != std::string::npos && stat.compare(state + 2, 1, "Z") != 0;
}

TEST(RunningProgram, IsAskedUntilItEndsWithItsCodeAndAllItsErrorOutput) {
  TempDir dir;
  // More error output than a pipe holds: collected while it runs, so the
  // program never stalls on it.
  std::string prog = Script(dir, "talks", "head -c 200000 /dev/zero | tr '\\0' x >&2; sleep 0.2; exit 4");
  RunningProgram program(prog, {}, kShowMinimized, /*captureErrors=*/true);
  ASSERT_TRUE(PollUntilFinished(program));
  EXPECT_EQ(program.ExitCode(), 4);
  EXPECT_EQ(program.ErrorOutput().size(), 64u * 1024u);
  EXPECT_EQ(test::ErrorOf([&] { RunningProgram(dir.File("missing"), {}, kShowMinimized); }),
            "Failed to execute program.  Error Code 2\n" + dir.File("missing") + "\nNo such file or directory");
}

TEST(RunningProgram, KillEndsAProgramThatHangsAndWhatItStarted) {
  TempDir dir;
  // A stand-in converter that hangs in a program of its own.
  std::string prog = Script(
      dir, "hangs", "sleep 60 & echo $! > \"$1.t\"; mv \"$1.t\" \"$1\"; echo $$ > \"$2.t\"; mv \"$2.t\" \"$2\"; wait");
  const std::string child = dir.File("child.pid");
  const std::string self = dir.File("self.pid");
  {
    RunningProgram program(prog, {child, self}, kShowMinimized);
    for (int i = 0; i < 500 && !(test::FileExists(child) && test::FileExists(self)); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(program.Finished());
    program.Kill();
    EXPECT_TRUE(program.Finished());
    EXPECT_EQ(program.ExitCode(), 128 + SIGKILL);
    EXPECT_FALSE(Alive(self));
  }
  // The program's own child goes with it (the killer does not wait for it).
  bool childGone = false;
  for (int i = 0; i < 500 && !childGone; ++i) {
    childGone = !Alive(child);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(childGone);
  // One still running when the object goes is ended too.
  const std::string again = dir.File("again.pid");
  {
    RunningProgram program(prog, {dir.File("child2.pid"), again}, kShowMinimized);
    for (int i = 0; i < 500 && !test::FileExists(again); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_FALSE(Alive(again));
}

}  // namespace
}  // namespace clipvex
