// Starting outside programs: the converter and the preview game.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace clipvex {

// Initial window states, as the platform's show codes.
inline constexpr std::uint16_t kShowMaximized = 3;
inline constexpr std::uint16_t kShowMinimized = 6;

struct ProgramResult {
  int exitCode = 0;         // meaningful only when waited for
  std::string errorOutput;  // what the program wrote to its error output, when captured
};

// Starts `program` (a path, or a bare name looked up on the search path)
// with `arguments`, each passed as one argument whatever blanks it holds.
// With `wait`, blocks until the program ends and returns its exit code (128 +
// the signal number for a program killed by a signal); with `captureErrors`
// its error output is collected too. A program that cannot be started
// raises "Failed to execute program.  Error Code N" with the system's error
// number (2 for a missing file).
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments, std::uint16_t showState,
                         bool wait, bool captureErrors = false);

}  // namespace clipvex
