// Starting outside programs: the converter and the preview game.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/error.h"

namespace clipvex {

// Initial window states, as the platform's show codes.
inline constexpr std::uint16_t kShowMaximized = 3;
inline constexpr std::uint16_t kShowMinimized = 6;

struct ProgramResult {
  int exitCode = 0;         // meaningful only when waited for
  std::string errorOutput;  // what the program wrote to its error output, when captured
  long processId = 0;       // of a program not waited for: whoever started it reaps it
};

// What the user can do when the converter or the game cannot be started.
inline constexpr std::string_view kConverterAdvice = "Set the converter's folder in Options > Directories";
inline constexpr std::string_view kGameAdvice = "Set the game's folder in Options > Directories";

// A program that could not be started. The text's first line is "Failed to
// execute program.  Error Code N"; the next lines name the program by its
// full path and give the system's reason, then what to do when known.
class ProgramStartError : public ClipvexError {
 public:
  ProgramStartError(std::string program, unsigned long code, std::string advice = {});

  // The same failure with `advice` as its last line, for callers that know
  // which setting names the program.
  ProgramStartError WithAdvice(std::string_view advice) const;

  const std::string& Program() const { return program_; }
  unsigned long Code() const { return code_; }

 private:
  std::string program_;
  unsigned long code_;
};

// Starts `program` (a path, or a bare name looked up on the search path)
// with `arguments`, each passed as one argument whatever blanks it holds.
// With `wait`, blocks until the program ends and returns its exit code (128 +
// the signal number for a program killed by a signal); with `captureErrors`
// its error output is collected too. A program that cannot be started
// raises ProgramStartError with the system's error number (2 for a missing
// file). A non-empty `workingDirectory` is the started program's current
// directory; the caller's own stays unchanged.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments, std::uint16_t showState,
                         bool wait, bool captureErrors = false, const std::string& workingDirectory = {});

// A program started as RunProgram starts it, waited for by asking: the
// caller polls Finished() (which never blocks) from a loop of its own, and
// may end the program at any time. Its error output is collected as it
// comes, so a program that writes much of it never stalls on a full pipe.
// A program still running when the object goes is killed and collected.
class RunningProgram {
 public:
  // Starts `program`; raises ProgramStartError as RunProgram does.
  RunningProgram(const std::string& program, const std::vector<std::string>& arguments, std::uint16_t showState,
                 bool captureErrors = false);
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  // Whether the program has ended; once it has, ExitCode() and ErrorOutput()
  // are complete.
  bool Finished();
  // The exit code (128 + the signal number for a program killed by a signal).
  int ExitCode() const { return exitCode_; }
  const std::string& ErrorOutput() const { return errorOutput_; }
  // Ends the program (and what it started in turn) at once and collects it.
  void Kill();

 private:
  void ReadErrors();
  void Close();

  bool finished_ = false;
  int exitCode_ = -1;
  std::string errorOutput_;
#ifdef _WIN32
  void* process_ = nullptr;
  void* errors_ = nullptr;
#else
  int pid_ = 0;
  int errors_ = -1;  // the read end of the error output's pipe
#endif
};

}  // namespace clipvex
