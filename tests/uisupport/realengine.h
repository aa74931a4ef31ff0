// What the real converter and a real engine make of a saved demo, for the
// tests that build demos through the window.
#pragma once

#include <string>
#include <vector>

#include "support/fixtures.h"

namespace clipvex::test {

using Lines = std::vector<std::string>;

// Whether time lines are compared as they are, or all read " time *"
// (where the editor rewrites them).
enum class TimeLines { kKept, kMasked };

// The blocks of a dump the converter wrote, comments left out.
std::vector<Lines> BlocksOfDump(const std::string& text, TimeLines times);

// The blocks the converter finds in a demo file; the dump goes to the
// folder `work` (ending with '/').
std::vector<Lines> BlocksOfDemo(const std::string& demo, const std::string& work, TimeLines times);

// The real engine's verdict on a demo: "PASS ..." when it plays to the end.
// Its report also goes to the test's output.
std::string Verdict(const std::string& demo);

}  // namespace clipvex::test
